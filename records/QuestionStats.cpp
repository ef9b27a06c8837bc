#include "records/QuestionStats.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace quillet
{
namespace
{
// A chapter name may hold any byte: its length keeps it apart from the key.
void LookupKey(std::string& out, const std::string& chapter, const std::string& question)
{
    out = std::to_string(chapter.size());
    out += ':';
    out += chapter;
    out += question;
}
}

bool ResultFilter::Admits(TestKind testKind, const std::string& title, TimeStamp graded) const
{
    return (!since || graded >= *since) && (!kind || testKind == *kind) && (!course || title == *course);
}

int QuestionFigures::Thousandths(long long part, long long whole)
{
    return whole <= 0 ? 0 : static_cast<int>((part * 2000 + whole) / (2 * whole));
}

void QuestionStats::Add(const ResponseRecord& record)
{
    if (!m_filter.Admits(record.kind, record.course, record.graded))
    {
        // Told about when a bank's course leaves everything out: its title may have changed.
        if (m_filter.course && m_filter.Admits(record.kind, *m_filter.course, record.graded))
            m_otherCourses.insert(record.course);
        return;
    }
    ++m_tests;
    const auto total = std::count_if(record.responses.begin(), record.responses.end(),
                                     [](const Response& r) { return r.right; });
    for (const Response& response : record.responses)
    {
        LookupKey(m_lookup, response.chapter, response.question);
        auto found = m_index.find(m_lookup);
        if (found == m_index.end())
        {
            found = m_index.emplace(m_lookup, m_tallies.size()).first;
            m_tallies.push_back({});
            m_tallies.back().chapter = response.chapter;
            m_tallies.back().question = response.question;
        }
        Tally& tally = m_tallies[found->second];
        const long long x = response.right ? 1 : 0;
        const long long y = total - x;
        ++m_responses;
        ++tally.asked;
        tally.right += x;
        tally.flagged += response.flagged ? 1 : 0;
        tally.sumY += y;
        tally.sumXY += x * y;
        tally.sumYY += y * y;
        const auto place = static_cast<std::size_t>(std::max(response.answer, -1) + 1);
        if (tally.chosen.size() <= place)
            tally.chosen.resize(place + 1);
        ++tally.chosen[place];
        if (response.right && response.answer >= 0 && response.answer < 64)
            tally.rightAnswers |= std::uint64_t{1} << response.answer;
    }
}

QuestionFigures QuestionStats::FiguresOf(const Tally& tally, const CQuestion* bank) const
{
    QuestionFigures figures;
    figures.chapter = tally.chapter;
    figures.question = tally.question;
    figures.bank = bank;
    figures.asked = tally.asked;
    figures.right = tally.right;
    figures.flagged = tally.flagged;
    figures.unanswered = tally.chosen.empty() ? 0 : tally.chosen[0];
    const int places = std::max(bank ? bank->GetAnswerCount() : 0, static_cast<int>(tally.chosen.size()) - 1);
    for (int place = 0; place < places; ++place)
    {
        const auto at = static_cast<std::size_t>(place) + 1;
        const long long chosen = at < tally.chosen.size() ? tally.chosen[at] : 0;
        if (!bank && chosen == 0)
            continue;
        const bool right = bank ? place == bank->GetCorrect() : ((tally.rightAnswers >> place) & 1U) != 0;
        figures.answers.push_back({place, chosen, right});
    }

    // Pearson's correlation from the sums; x squared is x.
    const auto n = static_cast<long double>(tally.asked);
    const auto sumX = static_cast<long double>(tally.right);
    const auto sumY = static_cast<long double>(tally.sumY);
    const long double varianceX = n * sumX - sumX * sumX;
    const long double varianceY = n * static_cast<long double>(tally.sumYY) - sumY * sumY;
    if (varianceX > 0 && varianceY > 0)
    {
        const long double r =
            (n * static_cast<long double>(tally.sumXY) - sumX * sumY) / std::sqrt(varianceX * varianceY);
        figures.discrimination = static_cast<int>(std::lround(static_cast<double>(r) * 1000));
    }

    figures.judged = tally.asked >= kEnoughToJudge;
    if (!figures.judged)
        return figures;
    if (5 * figures.right < figures.asked)
        figures.reasons.push_back(CheckReason::FewRight);
    if (10 * figures.right > 9 * figures.asked)
        figures.reasons.push_back(CheckReason::MostRight);
    if (figures.discrimination && *figures.discrimination < 200)
        figures.reasons.push_back(CheckReason::LowDiscrimination);
    if (std::any_of(figures.answers.begin(), figures.answers.end(),
                    [&](const AnswerFigures& a) { return !a.right && a.chosen > figures.right; }))
        figures.reasons.push_back(CheckReason::WrongAnswerPreferred);
    return figures;
}

std::vector<QuestionFigures> QuestionStats::Table(const CCourse* bank) const
{
    std::vector<QuestionFigures> table;
    std::vector<bool> listed(m_tallies.size());
    std::set<std::string> neverAsked;
    std::string lookup;
    for (int c = 0; bank && c < bank->GetCount(); ++c)
    {
        const CChapter& chapter = *bank->GetAt(c);
        for (int q = 0; q < chapter.GetCount(); ++q)
        {
            const CQuestion* question = chapter.GetAt(q);
            Tally never;
            never.chapter = chapter.GetName();
            never.question = QuestionKey(question->GetText());
            LookupKey(lookup, never.chapter, never.question);
            const auto found = m_index.find(lookup);
            // The same text twice in a chapter is one question.
            if (found == m_index.end())
            {
                if (neverAsked.insert(lookup).second)
                    table.push_back(FiguresOf(never, question));
            }
            else if (!listed[found->second])
            {
                listed[found->second] = true;
                table.push_back(FiguresOf(m_tallies[found->second], question));
            }
        }
    }
    std::vector<const Tally*> rest;
    for (std::size_t i = 0; i < m_tallies.size(); ++i)
        if (!listed[i])
            rest.push_back(&m_tallies[i]);
    std::sort(rest.begin(), rest.end(),
              [](const Tally* a, const Tally* b)
              { return std::tie(a->chapter, a->question) < std::tie(b->chapter, b->question); });
    for (const Tally* tally : rest)
        table.push_back(FiguresOf(*tally, nullptr));
    return table;
}
}
