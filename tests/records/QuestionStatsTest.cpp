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
    return {"Ch1", question, answer, right, flagged, {}};
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
    // The upper group is the 10 best y of 20 (5 of 5 for q5); a row of equal
    // y cut by it counts in part:
    //   q1: all right, 1.000;  q5: all right, 1.000
    //   q2: y = 4 (5), 3 (3), then 2 of the 12 at y 2: 8 of those 12 chose answer 3, so it holds
    //       5 + 3 + 8 * 2/12 = 9.33 answers 3 and none right: mis-keyed, 0.933 past
    //   q3: y = 3 (s1..s5, right), then 5 of the 15 at 2, 3 of them right: 5 + 3/3 = 6 right, 0.600
    //   q4: y = 3 (s1..s5, right), then 5 of the 13 at 2, 3 right: 5 + 15/13 = 6.15 right, 0.615
    //   q6: y = 4, 3, 2 are s1..s10 exactly, who all chose answer 2: mis-keyed, 1.000 past
    // Past the bounds: q1 1.000 - 0.9 = 0.100; q3 (10 - 8) / 20 = 0.100. So the
    // order to check: q6, q2 (mis-keyed, the furthest first), q3 (a wrong answer
    // preferred), q1 (most right), then q4 (judged), q5 (too few answers).
    const struct
    {
        const char* question;
        long long asked, right, flagged, unanswered;
        int facility;
        std::optional<int> discrimination;
        bool judged;
        std::vector<CheckReason> reasons;
        Shares shares;
        int upperRight, pastBound;
    } cases[] = {
        {"q1", 20, 20, 0, 0, 1000, std::nullopt, true, {CheckReason::MostRight}, {{0, 20, true}}, 1000, 100},
        {"q2",
         20,
         0,
         0,
         4,
         0,
         std::nullopt,
         true,
         {CheckReason::ProbablyMiskeyed, CheckReason::FewRight, CheckReason::WrongAnswerPreferred},
         {{2, 16, false}},
         0,
         933},
        {"q3",
         20,
         8,
         3,
         0,
         400,
         707,
         true,
         {CheckReason::WrongAnswerPreferred},
         {{0, 8, true}, {1, 10, false}, {2, 2, false}},
         600,
         100},
        {"q4", 20, 10, 0, 0, 500, 262, true, {}, {{0, 10, true}, {1, 5, false}, {2, 5, false}}, 615, 0},
        {"q5", 5, 5, 0, 0, 1000, std::nullopt, false, {}, {{0, 5, true}}, 1000, 0},
        {"q6",
         20,
         10,
         0,
         0,
         500,
         -901,
         true,
         {CheckReason::ProbablyMiskeyed, CheckReason::LowDiscrimination},
         {{0, 10, true}, {1, 10, false}},
         0,
         1000},
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
        EXPECT_EQ(q.upperRightShare, c.upperRight);
        EXPECT_EQ(q.pastBound, c.pastBound);
    }
    std::vector<std::string> order;
    for (const QuestionFigures* q : quillet::ToCheckFirst(table))
        order.push_back(q->question);
    EXPECT_EQ(order, (std::vector<std::string>{"q6", "q2", "q3", "q1", "q4", "q5"}));
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

TEST(QuestionStats, AnswersAreCountedByTheirTextWhereverTheBankNowPutsThem)
{
    // Names was the key; the fix makes Cables right and puts it first, and Fibre is gone.
    const auto bank = CCourseReader::LoadText("!Networks\n@Ch1\n#What is DNS?\n^Cables\n^Names\n^Power\n");
    ASSERT_TRUE(bank);
    const std::string dns = quillet::QuestionKey("What is DNS?");
    const auto chose = [&](int place, const char* text, bool right)
    { return Response{"Ch1", dns, place, right, false, text ? quillet::QuestionKey(text) : ""}; };
    QuestionStats stats;
    stats.Add(Graded("a", 1, {chose(1, "Cables", false)}));
    stats.Add(Graded("b", 2, {chose(0, "Names", true)}));
    stats.Add(Graded("c", 3, {chose(3, "Fibre", false)}));
    // Kept before answers had keys: read by its place, as it always was.
    stats.Add(Graded("d", 4, {chose(2, nullptr, false)}));
    const std::vector<QuestionFigures> table = stats.Table(bank.get());
    ASSERT_EQ(table.size(), 1U);
    EXPECT_EQ(SharesOf(table[0]), (Shares{{0, 1, true}, {1, 1, false}, {2, 1, false}, {3, 1, false}}));
    std::vector<bool> gone;
    for (const quillet::AnswerFigures& answer : table[0].answers)
        gone.push_back(answer.gone);
    EXPECT_EQ(gone, (std::vector<bool>{false, false, false, true}));
}

namespace
{
// Five Tests of questions a, b (Ch1), c, d (Ch2), one Pre-Test, and five
// Ch1 quizzes of two questions drawn from a, b, f; 1 right, else the answer
// chosen (place from 0, "-" none):
//   t1: a1 b1 c:1 d1 = 3    t2: a1 b1 c:1 d1 = 3    t3: a1 b1 c:1 d:3 = 2
//   t4: a1 b:2 c1 d:3 = 2   t5: a:1 b- c1 d:3 = 1   p1 (Pre-Test): a1 c:1 = 1
//   z1: a1 b1 = 2  z2: a1 f:1 = 1  z3: b1 f1 = 2  z4: a:1 b:2 = 0  z5: a1 f:1 = 1
std::vector<ResponseRecord> KindsClass()
{
    const auto test = [](const char* student, TestKind kind, std::vector<Response> answers)
    {
        ResponseRecord record = Graded(student, 0, std::move(answers), kind);
        record.quizChapter = kind == TestKind::Quiz ? "Ch1" : "";
        return record;
    };
    const auto in = [](const char* chapter, const char* question, int answer, bool right)
    { return Response{chapter, question, answer, right, false, {}}; };
    const auto a = [&](int answer) { return in("Ch1", "a", answer, answer == 0); };
    const auto b = [&](int answer) { return in("Ch1", "b", answer, answer == 0); };
    const auto c = [&](int answer) { return in("Ch2", "c", answer, answer == 0); };
    const auto d = [&](int answer) { return in("Ch2", "d", answer, answer == 0); };
    const auto f = [&](int answer) { return in("Ch1", "f", answer, answer == 0); };
    using K = TestKind;
    return {
        test("t1", K::Test, {a(0), b(0), c(1), d(0)}),
        test("t2", K::Test, {a(0), b(0), c(1), d(0)}),
        test("t3", K::Test, {a(0), b(0), c(1), d(3)}),
        test("t4", K::Test, {a(0), b(2), c(0), d(3)}),
        test("t5", K::Test, {a(1), b(-1), c(0), d(3)}),
        test("p1", K::PreTest, {a(0), c(1)}),
        test("z1", K::Quiz, {a(0), b(0)}),
        test("z2", K::Quiz, {a(0), f(1)}),
        test("z3", K::Quiz, {b(0), f(0)}),
        test("z4", K::Quiz, {a(1), b(2)}),
        test("z5", K::Quiz, {a(0), f(1)}),
    };
}
}

TEST(QuestionStats, EachKindByItselfReliabilityAndChapters)
{
    // Within the Tests, x a question's score and y the rest of its test, with
    // r = (n Sxy - Sx Sy) / sqrt((n Sx - Sx^2)(n Syy - Sy^2)):
    //   a: x 1 1 1 1 0, y 2 2 1 1 1: (30 - 28) / sqrt(4 * 6) = 0.408
    //   b: x 1 1 1 0 0, y 2 2 1 2 1: (25 - 24) / sqrt(6 * 6) = 0.167
    //   c: x 0 0 0 1 1, y 3 3 2 1 0: (5 - 18) / sqrt(6 * 34) = -0.910
    //   d: x 1 1 0 0 0, y 2 2 2 2 1: (20 - 18) / sqrt(6 * 4) = 0.408
    // a in the quizzes: x 1 1 0 1, y 1 0 0 0: (4 - 3) / sqrt(3 * 3) = 0.333; in the
    // one Pre-Test nothing varies. Over every kind a is (5 * 0.408 + 4 * 0.333) / 9
    // = 0.375, where the raw scores of Tests and quizzes pooled would make
    // (63 - 56) / sqrt(14 * 44) = 0.282.
    // Upper groups, the top 3 of 5 Tests (2 of 4 quizzes, the one Pre-Test):
    //   a: t1, t2 right, a third of t3, t4 (right) and t5 (answer 2): 2.667 of 3
    //      right, 0.889; in the quizzes z1 and a third of z2, z4, z5 (2 right):
    //      1.667 of 2, 0.833; over every kind with p1: (2.667 + 1.667 + 1) / 6 = 0.889
    //   b: t1, t2 right, t4 answer 3: 0.667;  d: 3 of the four at y 2, half right: 0.500,
    //      answer 4 as often: not mis-keyed
    //   c: t1, t2, t3 all chose answer 2, none right: mis-keyed (and p1 with them)
    // Only c is to check, from its 5 answers; the others are too few to judge.
    const struct
    {
        std::optional<TestKind> kind;
        const char* question;
        long long asked, right;
        std::optional<int> discrimination;
        int upperRight;
        std::vector<CheckReason> reasons;
        const char* first; // to check
    } cases[] = {
        {TestKind::Test, "a", 5, 4, 408, 889, {}, "c"},
        {TestKind::Test, "b", 5, 3, 167, 667, {}, "c"},
        {TestKind::Test, "c", 5, 2, -910, 0, {CheckReason::ProbablyMiskeyed}, "c"},
        {TestKind::Test, "d", 5, 2, 408, 500, {}, "c"},
        {std::nullopt, "a", 10, 8, 375, 889, {}, "c"},
        {std::nullopt, "c", 6, 2, -910, 0, {CheckReason::ProbablyMiskeyed}, "c"},
        // The quizzes never ask c, and nothing else is to check: the table keeps its order.
        {TestKind::Quiz, "a", 4, 3, 333, 833, {}, "a"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.question << (c.kind ? TestKindWord(*c.kind) : " every kind"));
        QuestionStats stats({std::nullopt, c.kind, std::nullopt});
        for (const ResponseRecord& test : KindsClass())
            stats.Add(test);
        const std::vector<QuestionFigures> table = stats.Table();
        const QuestionFigures& q = Find(table, c.question);
        EXPECT_EQ(q.asked, c.asked);
        EXPECT_EQ(q.right, c.right);
        EXPECT_EQ(q.discrimination, c.discrimination);
        EXPECT_EQ(q.upperRightShare, c.upperRight);
        EXPECT_EQ(q.reasons, c.reasons);
        EXPECT_FALSE(q.judged);
        EXPECT_EQ(quillet::ToCheckFirst(table).front()->question, c.first);
    }

    QuestionStats stats({std::nullopt, TestKind::Test, std::nullopt});
    for (const ResponseRecord& test : KindsClass())
        stats.Add(test);
    EXPECT_EQ(stats.Tests(), 5);
    EXPECT_EQ(stats.Table().size(), 4u); // f was asked in quizzes only

    // KR-20 = k / (k - 1) * (1 - (sum of p q) / (variance of the scores)):
    //   Tests: scores 3 3 2 2 1, variance 27/5 - 2.2^2 = 0.56; p q .16 + .24 * 3 = .88;
    //     4/3 * (1 - .88 / .56) = -0.762 (c and d pull against the rest)
    //   quizzes of Ch1: scores 2 1 2 0 1, variance 10/5 - 1.2^2 = 0.56; each question's
    //     p q weighted by the tests asking it: a 3 of 4 right, 4 * 3/16; b 2 of 3 and
    //     f 1 of 3, 3 * 2/9 each; (0.75 + 0.667 + 0.667) / 5 = 0.417; 2 * (1 - .417 / .56) = 0.512
    //   the Pre-Test: one test, none.
    std::vector<std::tuple<TestKind, std::string, long long, long long, std::optional<int>>> reliability;
    for (const quillet::ReliabilityFigures& r : stats.Reliability())
        reliability.emplace_back(r.kind, r.quizChapter, r.questions, r.tests, r.alpha);
    EXPECT_EQ(reliability, (decltype(reliability){{TestKind::Test, "", 4, 5, -762},
                                                  {TestKind::PreTest, "", 2, 1, std::nullopt},
                                                  {TestKind::Quiz, "Ch1", 2, 5, 512}}));

    // Every kind counts, by answers: Ch1 Tests 7 of 10, Pre-Test 1 of 1, quizzes 6 of 10.
    const auto bank = CCourseReader::LoadText("!Networks\n@Ch2\n@Ch1\n");
    std::vector<std::tuple<std::string, std::array<long long, 3>, std::array<long long, 3>>> chapters;
    for (const quillet::ChapterFigures& chapter : stats.Chapters(bank.get()))
        chapters.emplace_back(chapter.chapter, chapter.asked, chapter.right);
    EXPECT_EQ(chapters,
              (decltype(chapters){{"Ch2", {10, 1, 0}, {4, 0, 0}}, {"Ch1", {10, 1, 10}, {7, 1, 6}}}));
}
