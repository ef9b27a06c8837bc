#pragma once

#include <string>

#include "course/Course.h"
#include "course/TestSession.h"
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

    // Subject and body of the results e-mail: "Test Results: Ann, Networks,
    // 17/20" and the report.
    void ComposeResultsText(std::string& subject, std::string& body) const;
    // The file a print-out is saved as when there is no printer: "Networks
    // Test Results 2026-12-08.pdf", or "... Certificate ...".
    std::string PrintFileName() const;

    int m_nChapter = 0;          // 1-based chapter of a quiz; printed title only
    int m_nAverage = 0;          // pooled average of this test, per cent
    bool m_bCertificate = false; // print the certificate instead of the results page
    int m_nTimesTaken = 0;
    const CResultEntry* m_pResult = nullptr;     // not owned: lives in the roster
    const CCourse* m_pTest = nullptr;            // not owned; source of the breakdown
    const std::string* m_pStudentName = nullptr; // not owned
    std::string m_strAddress;
    // The questions not answered right, with the author's notes; the
    // print-out lists them after the results page.
    std::vector<quillet::ReviewItem> m_review;

  private:
    std::string m_strTitle; // the course title; names the print job
};
