#include "records/ClassSummary.h"

#include <algorithm>
#include <cmath>

#include "course/Grading.h"

namespace quillet
{
ClassSummary::ClassSummary(const CStudentRoster& roster, const ResultFilter& filter)
{
    ResultFilter admit = filter;
    admit.kind.reset();
    for (int s = 0; s < roster.GetStudentCount(); ++s)
    {
        const CStudentRecord& student = *roster.GetStudent(s);
        StudentScores scores{student.m_strName, {}};
        bool admitted = false;
        for (const auto& result : student.m_results)
        {
            const TestKind kind = result->m_kind;
            if (!admit.Admits(kind, result->m_strTitle, result->m_timeGraded))
                continue;
            admitted = true;
            ++m_counts[static_cast<std::size_t>(kind)];
            // A result of no questions has no score to show; quizzes are told chapter by chapter.
            if (result->m_nTotal <= 0 || kind == TestKind::Quiz)
                continue;
            const int percent = Percent(result->m_nRight, result->m_nTotal);
            if (kind == TestKind::Test)
                m_testScores.push_back(percent);
            scores.scores.push_back({result->m_timeGraded, percent, kind == TestKind::PreTest});
        }
        m_students += admitted ? 1 : 0;
        if (!scores.scores.empty())
        {
            std::stable_sort(scores.scores.begin(), scores.scores.end(),
                             [](const Score& a, const Score& b) { return a.graded < b.graded; });
            m_overTime.push_back(std::move(scores));
        }
    }
    std::sort(m_testScores.begin(), m_testScores.end());
}

double ClassSummary::TestQuantile(double q) const
{
    if (m_testScores.empty())
        return 0;
    const double at = q * static_cast<double>(m_testScores.size() - 1);
    const auto below = static_cast<std::size_t>(std::floor(at));
    const std::size_t above = std::min(below + 1, m_testScores.size() - 1);
    return m_testScores[below] +
           (at - static_cast<double>(below)) * (m_testScores[above] - m_testScores[below]);
}

std::array<int, 10> ClassSummary::Distribution() const
{
    std::array<int, 10> bins{};
    for (const int score : m_testScores)
        ++bins[static_cast<std::size_t>(std::clamp(score / 10, 0, 9))];
    return bins;
}
}
