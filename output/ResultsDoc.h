#pragma once

#include <string>

#include "course/Course.h"
#include "records/StudentRoster.h"

namespace quillet
{
// The print-out and the e-mail list at most this many sections of a test.
inline constexpr std::size_t kMaxBreakdownSections = 10;
}

// The results report that printing and e-mail read: the main window fills it
// just before each use.
class CResultsDoc
{
  public:
    CResultsDoc() = default;
    virtual ~CResultsDoc() = default;

    const std::string& GetTitle() const { return m_strTitle; }
    void SetTitle(std::string title) { m_strTitle = std::move(title); }

    // Subject and body of the results e-mail.
    void ComposeResultsText(std::string& subject, std::string& body) const;

    int m_nChapter = 0;          // 1-based chapter of a quiz; printed title only
    int m_nAverage = 0;          // pooled average of this test, per cent
    bool m_bCertificate = false; // print the certificate instead of the results page
    int m_nTimesTaken = 0;
    const CResultEntry* m_pResult = nullptr;     // not owned: lives in the roster
    const CCourse* m_pTest = nullptr;            // not owned; source of the breakdown
    const std::string* m_pStudentName = nullptr; // not owned
    std::string m_strAddress;

  private:
    std::string m_strTitle; // the course title; names the print job
};
