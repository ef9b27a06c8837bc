#pragma once

#include <string>
#include <vector>

#include "course/Course.h"
#include "course/TestRun.h"
#include "records/StudentRoster.h"

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

    int m_nChapter = 0;     // 1-based chapter of a quiz; printed title only
    int m_nAverage = 0;     // pooled average of this test, per cent
    int m_bCertificate = 0; // print the certificate instead of the results page
    int m_nTimesTaken = 0;
    const CResultEntry* m_pResult = nullptr;     // not owned: lives in the roster
    const CCourse* m_pTest = nullptr;            // not owned; source of the breakdown
    const std::string* m_pStudentName = nullptr; // not owned
    std::string m_strAddress;

  private:
    std::string m_strTitle; // the course title; names the print job
};

namespace quillet
{
// The print-out and the e-mail list at most this many sections of a test.
inline constexpr std::size_t kMaxBreakdownSections = 10;

// "Pre-Test", "Test" or "Quiz", as the result was stored.
const char* ResultKindWord(const CResultEntry& result);

// right * 100 / total, truncated; 0 when there are no questions.
int Percent(int right, int total);

// The Compare Previous table: a header line, then one row per result in the
// order given (oldest first).
std::string ComparePreviousText(const std::vector<CResultEntry*>& results);

// The address of the national-average page for a Test result.
inline constexpr const char* kNationalAverageAddress = "http://www.pellmark.example/tovrin/worldave.asp";
std::string NationalAverageAddress(const CResultEntry& result,
                                   const std::string& pageAddress = kNationalAverageAddress);
}
