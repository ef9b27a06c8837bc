#include "records/ClassSummary.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "course/Grading.h"

namespace quillet
{
namespace
{
}

ClassSummary::ClassSummary(const CStudentRoster& roster, const ResultFilter& filter, const CCourse* bank)
{
    struct Sum
    {
        int quizzes = 0;
        long long percents = 0;
    };
    std::map<std::string, Sum> chapters;
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
            // A result of no questions has no score to show.
            if (result->m_nTotal <= 0)
                continue;
            const int percent = Percent(result->m_nRight, result->m_nTotal);
            if (kind == TestKind::Quiz)
            {
                Sum& sum = chapters[result->m_strChapter];
                ++sum.quizzes;
                sum.percents += percent;
                continue;
            }
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

    const auto take = [&](const std::string& name)
    {
        const auto found = chapters.find(name);
        if (found == chapters.end())
            return;
        const Sum& sum = found->second;
        m_chapters.push_back(
            {name, sum.quizzes, static_cast<int>((sum.percents * 20 + sum.quizzes) / (2LL * sum.quizzes))});
        chapters.erase(found);
    };
    for (int c = 0; bank && c < bank->GetCount(); ++c)
        take(bank->GetAt(c)->GetName());
    while (!chapters.empty())
        take(chapters.begin()->first);
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
