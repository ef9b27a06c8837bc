#include "records/QuestionStats.h"

#include "records/BankKeys.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace quillet
{
namespace
{
// Weighted counts of the upper group are compared with this much slack:
// those tied at its cut count in part.
constexpr long double kSlack = 1e-9L;

// A chapter name may hold any byte: its length keeps it apart from the key.
void LookupKey(std::string& out, const std::string& chapter, const std::string& question)
{
    out = std::to_string(chapter.size());
    out += ':';
    out += chapter;
    out += question;
}

// The top half of n answers, or the top 27% (Kelley's share) once that
// makes a group of ten or so.
long long UpperGroupSize(long long n)
{
    return n < QuestionStats::kUpperBy27 ? (n + 1) / 2 : (27 * n + 50) / 100;
}

int ThousandthsOf(long double part, long long whole)
{
    return whole <= 0 ? 0
                      : static_cast<int>(std::floor(part * 1000 / static_cast<long double>(whole) + 0.5L));
}

std::size_t KindIndex(TestKind kind)
{
    return static_cast<std::size_t>(kind);
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
    ResultFilter anyKind = m_filter;
    anyKind.kind.reset();
    if (!anyKind.Admits(record.kind, record.course, record.graded))
    {
        // Told about when a bank's course leaves everything out: its title may have changed.
        if (m_filter.course && m_filter.Admits(record.kind, *m_filter.course, record.graded))
            m_otherCourses.insert(record.course);
        return;
    }
    if (Selects(record.kind))
    {
        ++m_tests;
        m_responses += static_cast<long long>(record.responses.size());
    }
    const auto total = std::count_if(record.responses.begin(), record.responses.end(),
                                     [](const Response& r) { return r.right; });
    m_at.clear();
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
        m_at.push_back(found->second);
        KindTally& tally = m_tallies[found->second].kinds[KindIndex(record.kind)];
        const auto rest = static_cast<std::size_t>(total - (response.right ? 1 : 0));
        if (tally.byRest.size() <= rest)
            tally.byRest.resize(rest + 1);
        RestRow& row = tally.byRest[rest];
        row.right += response.right ? 1 : 0;
        const std::size_t answer = response.answer < 0 ? 0 : AnswerOf(m_tallies[found->second], response) + 1;
        if (row.chosen.size() <= answer)
            row.chosen.resize(answer + 1);
        ++row.chosen[answer];
        tally.flagged += response.flagged ? 1 : 0;
    }

    if (record.responses.empty())
        return;
    const auto questions = static_cast<long long>(record.responses.size());
    TestGroup& group =
        m_groups[{static_cast<int>(record.kind), record.kind == TestKind::Quiz ? record.quizChapter : "",
                  record.bank.size, record.bank.hash, questions}];
    if (group.tests++ == 0)
        group.bankPath = record.bank.path;
    group.sumScores += total;
    group.sumSquares += total * total;
    for (std::size_t i = 0; i < m_at.size(); ++i)
    {
        ItemCount& item = group.items[m_at[i]];
        ++item.asked;
        item.right += record.responses[i].right ? 1 : 0;
    }
}

std::size_t QuestionStats::AnswerOf(Tally& tally, const Response& response)
{
    // A question has a few answers, and a few more over the bank's versions.
    for (std::size_t i = 0; i < tally.answers.size(); ++i)
    {
        ChosenAnswer& known = tally.answers[i];
        if (known.key == response.answerKey && (!known.key.empty() || known.place == response.answer))
        {
            known.right = known.right || response.right;
            return i;
        }
    }
    tally.answers.push_back({response.answerKey, response.answer, response.right});
    return tally.answers.size() - 1;
}

long long QuestionStats::SelectedAnswers(const Tally& tally) const
{
    long long asked = 0;
    for (std::size_t kind = 0; kind < tally.kinds.size(); ++kind)
        if (Selects(static_cast<TestKind>(kind)))
            for (const RestRow& row : tally.kinds[kind].byRest)
                asked = std::accumulate(row.chosen.begin(), row.chosen.end(), asked);
    return asked;
}

QuestionFigures QuestionStats::FiguresOf(const Tally& tally, const CQuestion* bank) const
{
    QuestionFigures figures;
    figures.chapter = tally.chapter;
    figures.question = tally.question;
    figures.bank = bank;

    // Where each answer the responses name stands, + 1 (0 for no answer):
    // in the bank given, found by its text's key, else after its answers;
    // without a bank, at the place it had in its own.
    const int bankAnswers = bank ? bank->GetAnswerCount() : 0;
    std::vector<std::size_t> placeOf{0};
    std::vector<bool> rightAt; // by place
    std::vector<bool> goneAt;
    int gone = 0;
    for (const ChosenAnswer& answer : tally.answers)
    {
        int place = answer.place;
        if (bank && !answer.key.empty())
            place = BankKeys::PlaceOf(*bank, answer.key);
        const bool isGone = bank && (place < 0 || place >= bankAnswers);
        if (isGone)
            place = bankAnswers + gone++;
        const auto at = static_cast<std::size_t>(place);
        if (rightAt.size() <= at)
        {
            rightAt.resize(at + 1);
            goneAt.resize(at + 1);
        }
        rightAt[at] = rightAt[at] || answer.right;
        goneAt[at] = isGone;
        placeOf.push_back(at + 1);
    }

    std::vector<long long> chosen;  // by place + 1
    std::vector<long double> upper; // the same within the upper group
    long double upperRight = 0;
    long double weighted = 0; // each kind's correlation times its answers
    long long weights = 0;
    std::optional<long double> single;
    for (std::size_t kind = 0; kind < tally.kinds.size(); ++kind)
    {
        const KindTally& one = tally.kinds[kind];
        if (!Selects(static_cast<TestKind>(kind)) || one.byRest.empty())
            continue;
        figures.flagged += one.flagged;
        // x the question's 0/1 score, y the rest of the test's; x squared is x.
        long long n = 0;
        long long sumX = 0;
        long long sumY = 0;
        long long sumXY = 0;
        long long sumYY = 0;
        for (std::size_t y = 0; y < one.byRest.size(); ++y)
        {
            const RestRow& row = one.byRest[y];
            const long long count = std::accumulate(row.chosen.begin(), row.chosen.end(), 0LL);
            const auto rest = static_cast<long long>(y);
            n += count;
            sumX += row.right;
            sumY += rest * count;
            sumXY += rest * row.right;
            sumYY += rest * rest * count;
            for (std::size_t answer = 0; answer < row.chosen.size(); ++answer)
            {
                const std::size_t place = placeOf[answer];
                if (chosen.size() <= place)
                    chosen.resize(place + 1);
                chosen[place] += row.chosen[answer];
            }
        }
        KindFigures figuresOfKind{static_cast<TestKind>(kind), n, sumX, std::nullopt};
        const auto ln = static_cast<long double>(n);
        const auto lx = static_cast<long double>(sumX);
        const auto ly = static_cast<long double>(sumY);
        const long double varianceX = ln * lx - lx * lx;
        const long double varianceY = ln * static_cast<long double>(sumYY) - ly * ly;
        if (varianceX > 0 && varianceY > 0)
        {
            const long double r =
                (ln * static_cast<long double>(sumXY) - lx * ly) / std::sqrt(varianceX * varianceY);
            figuresOfKind.discrimination = static_cast<int>(std::lround(static_cast<double>(r) * 1000));
            weighted += r * ln;
            weights += n;
            single = weights == n ? std::optional<long double>(r) : std::nullopt;
        }
        figures.kinds.push_back(figuresOfKind);
        figures.asked += n;
        figures.right += sumX;

        // The best on the rest of the test, down to the group's size; those
        // tied at its cut each count for the part of a place left to them.
        const long long size = UpperGroupSize(n);
        long long taken = 0;
        for (std::size_t y = one.byRest.size(); y-- > 0 && taken < size;)
        {
            const RestRow& row = one.byRest[y];
            const long long count = std::accumulate(row.chosen.begin(), row.chosen.end(), 0LL);
            if (count == 0)
                continue;
            const long long in = std::min(count, size - taken);
            const long double part = static_cast<long double>(in) / static_cast<long double>(count);
            upperRight += part * static_cast<long double>(row.right);
            for (std::size_t answer = 0; answer < row.chosen.size(); ++answer)
            {
                const std::size_t place = placeOf[answer];
                if (upper.size() <= place)
                    upper.resize(place + 1);
                upper[place] += part * static_cast<long double>(row.chosen[answer]);
            }
            taken += in;
        }
        figures.upperGroup += size;
    }
    if (weights > 0)
    {
        const long double r = single ? *single : weighted / static_cast<long double>(weights);
        figures.discrimination = static_cast<int>(std::lround(static_cast<double>(r) * 1000));
    }
    figures.unanswered = chosen.empty() ? 0 : chosen[0];
    figures.upperRightShare = ThousandthsOf(upperRight, figures.upperGroup);

    const int places = std::max(bankAnswers, static_cast<int>(chosen.size()) - 1);
    long double upperWrong = 0; // the most chosen wrong answer's count in the upper group
    long long mostWrong = 0;
    for (int place = 0; place < places; ++place)
    {
        const auto at = static_cast<std::size_t>(place) + 1;
        const long long count = at < chosen.size() ? chosen[at] : 0;
        if (!bank && count == 0)
            continue;
        const bool isGone =
            place < static_cast<int>(goneAt.size()) && goneAt[static_cast<std::size_t>(place)];
        // An answer gone from the bank was right as its test was scored.
        const bool right = bank && !isGone ? place == bank->GetCorrect()
                                           : place < static_cast<int>(rightAt.size()) &&
                                                 rightAt[static_cast<std::size_t>(place)];
        const long double inUpper = at < upper.size() ? upper[at] : 0;
        figures.answers.push_back({place, count, right, ThousandthsOf(inUpper, figures.upperGroup), isGone});
        if (!right)
        {
            upperWrong = std::max(upperWrong, inUpper);
            mostWrong = std::max(mostWrong, count);
        }
    }

    // The reasons in the order of CheckReason, each with how far past its bound it is.
    std::vector<std::pair<CheckReason, int>> reasons;
    if (figures.asked >= kEnoughForMiskey && upperWrong >= 2 - kSlack && upperWrong > upperRight + kSlack)
        reasons.emplace_back(CheckReason::ProbablyMiskeyed,
                             ThousandthsOf(upperWrong - upperRight, figures.upperGroup));
    figures.judged = figures.asked >= kEnoughToJudge;
    if (figures.judged)
    {
        if (5 * figures.right < figures.asked)
            reasons.emplace_back(CheckReason::FewRight, 200 - figures.Facility());
        if (mostWrong > figures.right)
            reasons.emplace_back(CheckReason::WrongAnswerPreferred,
                                 QuestionFigures::Thousandths(mostWrong - figures.right, figures.asked));
        if (figures.discrimination && *figures.discrimination < 200)
            reasons.emplace_back(CheckReason::LowDiscrimination, 200 - *figures.discrimination);
        if (10 * figures.right > 9 * figures.asked)
            reasons.emplace_back(CheckReason::MostRight, figures.Facility() - 900);
    }
    for (const auto& [reason, past] : reasons)
        figures.reasons.push_back(reason);
    figures.pastBound = reasons.empty() ? 0 : reasons.front().second;
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
        if (!listed[i] && SelectedAnswers(m_tallies[i]) > 0)
            rest.push_back(&m_tallies[i]);
    std::sort(rest.begin(), rest.end(),
              [](const Tally* a, const Tally* b)
              { return std::tie(a->chapter, a->question) < std::tie(b->chapter, b->question); });
    for (const Tally* tally : rest)
        table.push_back(FiguresOf(*tally, nullptr));
    return table;
}

std::vector<ChapterFigures> QuestionStats::Chapters(const CCourse* bank) const
{
    std::map<std::string, ChapterFigures> chapters;
    for (const Tally& tally : m_tallies)
    {
        ChapterFigures& chapter = chapters[tally.chapter];
        chapter.chapter = tally.chapter;
        for (std::size_t kind = 0; kind < tally.kinds.size(); ++kind)
            for (const RestRow& row : tally.kinds[kind].byRest)
            {
                chapter.asked[kind] += std::accumulate(row.chosen.begin(), row.chosen.end(), 0LL);
                chapter.right[kind] += row.right;
            }
    }
    std::vector<ChapterFigures> ordered;
    const auto take = [&](const std::string& name)
    {
        const auto found = chapters.find(name);
        if (found == chapters.end())
            return;
        ordered.push_back(std::move(found->second));
        chapters.erase(found);
    };
    for (int c = 0; bank && c < bank->GetCount(); ++c)
        take(bank->GetAt(c)->GetName());
    while (!chapters.empty())
        take(chapters.begin()->first);
    return ordered;
}

std::vector<ReliabilityFigures> QuestionStats::Reliability() const
{
    std::vector<ReliabilityFigures> all;
    for (const auto& [key, group] : m_groups)
    {
        ReliabilityFigures figures;
        figures.kind = static_cast<TestKind>(std::get<0>(key));
        figures.quizChapter = std::get<1>(key);
        figures.bank = {group.bankPath, std::get<2>(key), std::get<3>(key)};
        figures.questions = std::get<4>(key);
        figures.tests = group.tests;
        const auto n = static_cast<long double>(group.tests);
        // n squared times the variance of the scores, exact in integers.
        const long long spread = group.tests * group.sumSquares - group.sumScores * group.sumScores;
        if (group.tests >= 2 && figures.questions >= 2 && spread > 0)
        {
            long double itemVariances = 0; // summed over the questions, weighted by the tests asking each
            for (const auto& [tally, item] : group.items)
                itemVariances += static_cast<long double>(item.right) *
                                 static_cast<long double>(item.asked - item.right) /
                                 static_cast<long double>(item.asked);
            const long double scoreVariance = static_cast<long double>(spread) / (n * n);
            const auto k = static_cast<long double>(figures.questions);
            const long double alpha = k / (k - 1) * (1 - itemVariances / n / scoreVariance);
            figures.alpha = static_cast<int>(std::lround(static_cast<double>(alpha) * 1000));
        }
        all.push_back(std::move(figures));
    }
    return all;
}

std::vector<const QuestionFigures*> ToCheckFirst(const std::vector<QuestionFigures>& table)
{
    std::vector<const QuestionFigures*> order;
    order.reserve(table.size());
    for (const QuestionFigures& question : table)
        order.push_back(&question);
    const auto part = [](const QuestionFigures* q) {
        return q->asked == 0 ? 3 : !q->reasons.empty() ? 0 : q->judged ? 1 : 2;
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](const QuestionFigures* a, const QuestionFigures* b)
                     {
                         if (part(a) != part(b) || part(a) != 0)
                             return part(a) < part(b);
                         return std::make_tuple(a->reasons.front(), -a->pastBound, -a->asked) <
                                std::make_tuple(b->reasons.front(), -b->pastBound, -b->asked);
                     });
    return order;
}
}
