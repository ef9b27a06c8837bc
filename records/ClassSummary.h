#pragma once

#include <array>
#include <string>
#include <vector>

#include "records/QuestionStats.h"
#include "records/StudentRoster.h"

namespace quillet
{
// A class's results at a glance, as the class report shows them: Test
// scores and each student's scores over time. Scores are per cent,
// truncated, as the student was shown them; the chapters' figures come from
// the answers (QuestionStats), which count what a truncated score loses.
class ClassSummary
{
  public:
    // The results the filter admits (its kind is not looked at: each part
    // of the summary has its own).
    ClassSummary(const CStudentRoster& roster, const ResultFilter& filter);

    // Students with at least one admitted result.
    int Students() const { return m_students; }
    int Count(TestKind kind) const { return m_counts[static_cast<std::size_t>(kind)]; }

    // The Tests' scores, lowest first.
    const std::vector<int>& TestScores() const { return m_testScores; }
    // The score below which the share q of them lie, between neighbours
    // linearly as spreadsheets do; 0 without scores.
    double TestQuantile(double q) const;
    // How many Test scores fall in 0-9, 10-19 ... 80-89 and 90-100 per cent.
    std::array<int, 10> Distribution() const;

    struct Score
    {
        TimeStamp graded = 0;
        int percent = 0;
        bool preTest = false;
    };
    struct StudentScores
    {
        std::string name;
        std::vector<Score> scores; // Tests and Pre-Tests, oldest first
    };
    // Students with a Test or Pre-Test, in roster order.
    const std::vector<StudentScores>& OverTime() const { return m_overTime; }

  private:
    int m_students = 0;
    std::array<int, 3> m_counts{};
    std::vector<int> m_testScores;
    std::vector<StudentScores> m_overTime;
};
}
