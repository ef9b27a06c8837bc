// The question statistics over a class whose figures were worked out by hand.
#include <gtest/gtest.h>

#include "course/CourseReader.h"
#include "records/QuestionStats.h"

namespace
{
using quillet::CheckReason;
using quillet::QuestionFigures;
using quillet::QuestionStats;
using quillet::Response;
using quillet::ResponseRecord;

ResponseRecord Graded(const std::string& student, quillet::TimeStamp graded, std::vector<Response> responses,
                      TestKind kind = TestKind::Test, const std::string& course = "Networks")
{
    return {student, kind, course, "", graded, {"/banks/net.blh", 1, 2}, std::move(responses)};
}

Response Answer(const char* question, int answer, bool right, bool flagged = false)
{
    return {"Ch1", question, answer, right, flagged};
}

// Twenty students s1..s20, one test each:
//   q1 right for all;  q2 wrong for all (answer 3, or none for s17..s20);
//   q3 right for s1..s8, answer 2 for s9..s18, answer 3 for s19 and s20, flagged by s9..s11;
//   q4 right for s1..s10, answer 2 for s11..s15, answer 3 for s16..s20;
//   q5 asked of s1..s5 only, right;  q6 right for s11..s20, answer 2 for s1..s10.
// Scores: s1..s5 4, s6..s8 3, s9..s20 2.
std::vector<ResponseRecord> HandMadeClass()
{
    std::vector<ResponseRecord> tests;
    for (int s = 1; s <= 20; ++s)
    {
        std::vector<Response> answers = {
            Answer("q1", 0, true),
            Answer("q2", s >= 17 ? -1 : 2, false),
            Answer("q3",
                   s <= 8    ? 0
                   : s <= 18 ? 1
                             : 2,
                   s <= 8, s >= 9 && s <= 11),
            Answer("q4",
                   s <= 10   ? 0
                   : s <= 15 ? 1
                             : 2,
                   s <= 10),
            Answer("q6", s >= 11 ? 0 : 1, s >= 11),
        };
        if (s <= 5)
            answers.push_back(Answer("q5", 0, true));
        tests.push_back(Graded("s" + std::to_string(s), 1'800'000'000 + s, std::move(answers)));
    }
    return tests;
}

const QuestionFigures& Find(const std::vector<QuestionFigures>& table, const std::string& question)
{
    const auto found = std::find_if(table.begin(), table.end(),
                                    [&](const QuestionFigures& q) { return q.question == question; });
    EXPECT_NE(found, table.end()) << question;
    return *found;
}

// Place, times chosen, right.
using Shares = std::vector<std::tuple<int, long long, bool>>;

Shares SharesOf(const QuestionFigures& question)
{
    Shares shares;
    for (const quillet::AnswerFigures& answer : question.answers)
        shares.emplace_back(answer.answer, answer.chosen, answer.right);
    return shares;
}
}

TEST(QuestionStats, FiguresOfAHandMadeClass)
{
    QuestionStats stats;
    for (const ResponseRecord& test : HandMadeClass())
        stats.Add(test);
    EXPECT_EQ(stats.Tests(), 20);
    EXPECT_EQ(stats.Responses(), 105);
    const std::vector<QuestionFigures> table = stats.Table();

    // Discrimination by hand: the rest score y of each answer, the means of y
    // among those right (M1) and wrong (M0), the population deviation s of y,
    // and r = (M1 - M0) / s * sqrt(p q) with p the share right.
    //   q3: y = 3 (s1..s5), 2 (others); M1 = 21/8 = 2.625, M0 = 2, s = sqrt(105/20 - 2.25^2) = 0.4330,
    //       r = 0.625 * sqrt(0.24) / 0.4330 = 0.7071
    //   q4: y = 3, 3, 3, 3, 3, 2, 2, 2, 1, 1 (right), 2 (wrong); M1 = 2.3, M0 = 2,
    //       s = sqrt(99/20 - 2.15^2) = 0.5723, r = 0.3 * 0.5 / 0.5723 = 0.2621
    //   q6: y = 4 (s1..s5), 3 (s6..s8), 2 (s9, s10) wrong, 1 right; M1 = 1, M0 = 3.3,
    //       s = sqrt(125/20 - 2.15^2) = 1.2757, r = -2.3 * 0.5 / 1.2757 = -0.9014
    const struct
    {
        const char* question;
        long long asked, right, flagged, unanswered;
        int facility;
        std::optional<int> discrimination;
        bool judged;
        std::vector<CheckReason> reasons;
        Shares shares;
    } cases[] = {
        {"q1", 20, 20, 0, 0, 1000, std::nullopt, true, {CheckReason::MostRight}, {{0, 20, true}}},
        {"q2",
         20,
         0,
         0,
         4,
         0,
         std::nullopt,
         true,
         {CheckReason::FewRight, CheckReason::WrongAnswerPreferred},
         {{2, 16, false}}},
        {"q3",
         20,
         8,
         3,
         0,
         400,
         707,
         true,
         {CheckReason::WrongAnswerPreferred},
         {{0, 8, true}, {1, 10, false}, {2, 2, false}}},
        {"q4", 20, 10, 0, 0, 500, 262, true, {}, {{0, 10, true}, {1, 5, false}, {2, 5, false}}},
        {"q5", 5, 5, 0, 0, 1000, std::nullopt, false, {}, {{0, 5, true}}},
        {"q6",
         20,
         10,
         0,
         0,
         500,
         -901,
         true,
         {CheckReason::LowDiscrimination},
         {{0, 10, true}, {1, 10, false}}},
    };
    ASSERT_EQ(table.size(), std::size(cases));
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.question);
        const QuestionFigures& q = Find(table, c.question);
        EXPECT_EQ(q.chapter, "Ch1");
        EXPECT_EQ(q.asked, c.asked);
        EXPECT_EQ(q.right, c.right);
        EXPECT_EQ(q.flagged, c.flagged);
        EXPECT_EQ(q.unanswered, c.unanswered);
        EXPECT_EQ(q.Facility(), c.facility);
        EXPECT_EQ(q.discrimination, c.discrimination);
        EXPECT_EQ(q.judged, c.judged);
        EXPECT_EQ(q.reasons, c.reasons);
        EXPECT_EQ(SharesOf(q), c.shares);
    }
}

TEST(QuestionStats, FacilityIsJudgedAtItsBoundsAndOnlyFromTwentyAnswers)
{
    // n answers to one question, `right` of them right; the rest of each test
    // is one other question, right for those right here, so that the
    // discrimination stays high and only the facility decides.
    const struct
    {
        int n, right;
        bool judged, fewRight, mostRight;
    } cases[] = {
        {20, 3, true, true, false},  {20, 4, true, false, false},  {20, 18, true, false, false},
        {20, 19, true, false, true}, {19, 1, false, false, false}, {19, 19, false, false, false},
        {40, 7, true, true, false},  {40, 8, true, false, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.right << " of " << c.n);
        QuestionStats stats;
        for (int i = 0; i < c.n; ++i)
            stats.Add(
                Graded("s", i, {Answer("q", i < c.right ? 0 : 1, i < c.right), Answer("o", 0, i < c.right)}));
        const std::vector<QuestionFigures> table = stats.Table();
        const QuestionFigures& q = Find(table, "q");
        EXPECT_EQ(q.judged, c.judged);
        const auto has = [&](CheckReason r)
        { return std::count(q.reasons.begin(), q.reasons.end(), r) == 1; };
        EXPECT_EQ(has(CheckReason::FewRight), c.fewRight);
        EXPECT_EQ(has(CheckReason::MostRight), c.mostRight);
        EXPECT_FALSE(has(CheckReason::LowDiscrimination));
    }
}

TEST(QuestionStats, TheFilterTakesInOnlyItsTests)
{
    const ResponseRecord tests[] = {
        Graded("a", 100, {Answer("q", 0, true)}),
        Graded("b", 200, {Answer("q", 1, false)}),
        Graded("c", 300, {Answer("q", 0, true)}, TestKind::Quiz),
        Graded("d", 400, {Answer("q", 0, true)}, TestKind::Test, "Other course"),
    };
    const struct
    {
        const char* name;
        quillet::TimeStamp since; // 0: any time
        std::optional<TestKind> kind;
        const char* course; // null: any course
        long long asked, right;
        std::set<std::string> others;
    } cases[] = {
        {"all", 0, std::nullopt, nullptr, 4, 3, {}},
        {"since", 200, std::nullopt, nullptr, 3, 2, {}},
        {"kind", 0, TestKind::Test, nullptr, 3, 2, {}},
        {"course", 0, std::nullopt, "Networks", 3, 2, {"Other course"}},
        {"everything", 150, TestKind::Test, "Networks", 1, 0, {"Other course"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        quillet::ResultFilter filter;
        if (c.since != 0)
            filter.since = c.since;
        filter.kind = c.kind;
        if (c.course)
            filter.course = c.course;
        QuestionStats stats(filter);
        for (const ResponseRecord& test : tests)
            stats.Add(test);
        const std::vector<QuestionFigures> table = stats.Table();
        ASSERT_EQ(table.size(), 1u);
        EXPECT_EQ(table[0].asked, c.asked);
        EXPECT_EQ(table[0].right, c.right);
        EXPECT_EQ(stats.Tests(), c.asked);
        EXPECT_EQ(stats.OtherCourses(), c.others);
    }
}

TEST(QuestionStats, ABankGivesItsOrderItsAnswersAndItsQuestionsNeverAsked)
{
    const auto bank = CCourseReader::LoadText("!Networks\n@Ch1\n#Never asked?\n^Yes\n^No\n"
                                              "#What is DNS?\n^Names\n^Cables\n^Power\n"
                                              "$The sky is green.\n^False\n@Ch2\n#Other?\n^A\n");
    ASSERT_TRUE(bank);
    const std::string dns = quillet::QuestionKey("What is DNS?");
    const std::string sky = quillet::QuestionKey("The sky is green.");
    QuestionStats stats;
    stats.Add(Graded("a", 1, {Answer(dns.c_str(), 1, false), Answer(sky.c_str(), 1, true)}));
    stats.Add(Graded("b", 2, {Answer(dns.c_str(), 0, true), Answer("gone", 4, false)}));
    const std::vector<QuestionFigures> table = stats.Table(bank.get());

    const struct
    {
        std::string chapter, question, text;
        long long asked;
        Shares shares;
    } expected[] = {
        {"Ch1", quillet::QuestionKey("Never asked?"), "Never asked?", 0, {{0, 0, true}, {1, 0, false}}},
        {"Ch1", dns, "What is DNS?", 2, {{0, 1, true}, {1, 1, false}, {2, 0, false}}},
        // A false statement: its answers are True (0) and False (1), False the right one.
        {"Ch1", sky, "The sky is green.", 1, {{0, 0, false}, {1, 1, true}}},
        {"Ch2", quillet::QuestionKey("Other?"), "Other?", 0, {{0, 0, true}}},
        // Not in this bank: no text, and only the answers chosen.
        {"Ch1", "gone", "", 1, {{4, 1, false}}},
    };
    ASSERT_EQ(table.size(), std::size(expected));
    for (std::size_t i = 0; i < table.size(); ++i)
    {
        SCOPED_TRACE(expected[i].text);
        EXPECT_EQ(table[i].chapter, expected[i].chapter);
        EXPECT_EQ(table[i].question, expected[i].question);
        EXPECT_EQ(table[i].bank ? table[i].bank->GetText() : "", expected[i].text);
        EXPECT_EQ(table[i].asked, expected[i].asked);
        EXPECT_EQ(SharesOf(table[i]), expected[i].shares);
    }
}
