#pragma once

#include <string>
#include <vector>

// The application: reads the command line, draws the test and runs the
// test window until the student leaves.
class CQuilletApp
{
public:
    CQuilletApp() = default;
    virtual ~CQuilletApp() = default;

    // The arguments after the program name; answers the exit status.
    int InitInstance(const std::vector<std::string>& arguments);

    std::string m_strPlayerTitle;
    std::string m_strIniPath;
    int m_bPlayerHidden = 0;
};
