#pragma once

#include <string>
#include <vector>

#include "course/TestKind.h"
#include "records/StudentRoster.h"

// The logged-in student's results of the test being taken. It is handed
// what it needs (the roster, the login, which test this is and when it ran)
// and keeps no state of its own between calls.
class CResultHistory
{
  public:
    static constexpr int kPreviousResults = 8;

    const CStudentRoster* m_pRoster = nullptr; // not owned
    std::string m_strUserName;
    TestKind m_kind = TestKind::Test;
    std::string m_strCourseTitle;
    std::string m_strQuizChapter; // the quiz's chapter name
    quillet::TimeStamp m_timeStart = 0;
    quillet::TimeStamp m_timeEnd = 0;

    bool IsSameTest(const CResultEntry& entry) const;
    // The newest result of this test, or null.
    CResultEntry* FindLatestResult() const;
    int CountResults() const;
    // Right answers over questions of all results of this test, in per cent,
    // truncated; 0 when there are no questions.
    int AverageScore() const;
    // Up to eight of the newest results of this test, oldest first.
    std::vector<CResultEntry*> GetPreviousResults() const;

    // This run's result as the record file keeps it.
    CResultEntry MakeResult(int right, int total) const;

  private:
    // The student's results, newest first, that are of this test.
    template <typename Visit> void WalkSameTest(Visit visit) const;
};
