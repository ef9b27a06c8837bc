#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>

#include "CourseBuilders.h"

using testbank::Describe;
using testbank::MakeChapter;
using testbank::MakeCourse;
using testbank::Texts;

namespace
{
struct QuotaCase
{
    const char* name;
    std::vector<int> choice;
    std::vector<int> statements;
    int all;
    std::vector<int> expected;
};

class TestQuotas : public testing::TestWithParam<QuotaCase>
{
};
}

TEST_P(TestQuotas, SectionsTakeTheirShareOfDistinctQuestionsNumberedAcrossTheTest)
{
    const QuotaCase& c = GetParam();
    const auto bank = MakeCourse(c.choice, c.statements);
    CRandom random(99);
    const auto test = bank->DrawTest(20, c.all, random);
    EXPECT_EQ(test->GetName(), "");
    EXPECT_EQ(test->GetPosition(), -1);
    ASSERT_EQ(test->GetCount(), bank->GetCount());
    std::vector<int> counts;
    std::set<std::string> seen;
    int number = 1;
    for (int s = 0; s < test->GetCount(); ++s)
    {
        const CChapter& section = *test->GetAt(s);
        counts.push_back(section.GetCount());
        EXPECT_EQ(section.GetName(), bank->GetAt(s)->GetName());
        for (int q = 0; q < section.GetCount(); ++q)
        {
            const CQuestion& question = *section.GetAt(q);
            SCOPED_TRACE(question.GetText());
            EXPECT_EQ(question.GetNumber(), number++);
            EXPECT_EQ(question.GetText().rfind(section.GetName() + ".", 0), 0u)
                << "drawn from another chapter";
            EXPECT_TRUE(seen.insert(question.GetText()).second) << "drawn twice";
            EXPECT_TRUE(c.all != 0 || !question.IsTrueFalse()) << "statement in a Test";
        }
    }
    EXPECT_EQ(counts, c.expected);
    EXPECT_EQ(test->GetQuestionCount(), std::accumulate(c.expected.begin(), c.expected.end(), 0));
}

INSTANTIATE_TEST_SUITE_P(
    DrawTest, TestQuotas,
    testing::Values(QuotaCase{"TenThreeTen", {10, 3, 10}, {}, 0, {9, 3, 8}},
                    QuotaCase{"SevenChapters", std::vector<int>(7, 5), {}, 0, {3, 3, 3, 3, 3, 3, 2}},
                    QuotaCase{"ThirtyChapters", std::vector<int>(30, 2), {}, 0, {1, 1, 1, 1, 1, 1, 1, 1,
                                                                                 1, 1, 1, 1, 1, 1, 1, 1,
                                                                                 1, 1, 1, 1, 0, 0, 0, 0,
                                                                                 0, 0, 0, 0, 0, 0}},
                    QuotaCase{"TwelveEligibleInAll", {5, 0, 4, 3}, {}, 0, {5, 0, 4, 3}},
                    QuotaCase{"TopUpOverManyPasses", {1, 25}, {}, 0, {1, 19}},
                    QuotaCase{"TestLeavesStatementsOut", {2, 2}, {10, 10}, 0, {2, 2}},
                    QuotaCase{"PreTestTakesStatements", {2, 2}, {10, 10}, 1, {10, 10}},
                    QuotaCase{"StatementChapterEmptyInTest", {10, 0}, {0, 10}, 0, {10, 0}},
                    QuotaCase{"StatementChapterFullInPreTest", {10, 0}, {0, 10}, 1, {10, 10}},
                    QuotaCase{"NoQuestionsAtAll", {0, 0}, {}, 1, {0, 0}}),
    [](const testing::TestParamInfo<QuotaCase>& info) { return info.param.name; });

TEST(ChapterDraw, QuizHoldsAtMostNDistinctQuestionsNumberedFromOne)
{
    const auto four = MakeChapter("Four", 4);
    CRandom random(5);
    const auto quiz = four->Draw(10, random);
    EXPECT_EQ(quiz->GetName(), "Four");
    EXPECT_EQ(quiz->GetPosition(), 0);
    ASSERT_EQ(quiz->GetCount(), 4);
    auto texts = Texts(*quiz);
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, Texts(*four));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(quiz->GetAt(i)->GetNumber(), i + 1);

    const auto big = MakeChapter("Big", 9, 6);
    const auto drawn = Texts(*big->Draw(10, random));
    EXPECT_EQ(std::set<std::string>(drawn.begin(), drawn.end()).size(), 10u);
    const auto choice = big->DrawChoice(10, random);
    EXPECT_EQ(choice->GetCount(), 9);
    EXPECT_EQ(choice->GetChoiceCount(), 9);
    EXPECT_EQ(big->Draw(0)->GetCount(), 0);
    EXPECT_EQ(CChapter().Draw(10)->GetCount(), 0);
    EXPECT_EQ(CCourse().DrawTest(20, 1)->GetCount(), 0);
}

// Seed 1 gives the well-known rand() sequence 41, 18467, 6334, 26500, 19169,
// 15724, 11478, 29358, 26962, 24464, 5705, 28145, 23281, 16827, 9961, 491, 2995.
// Each pick takes one value (mod 211, mod the questions left), then one value
// per answer for its shuffle (mod 61, mod the answers left), probing forward:
//   41 -> 1: C.2;       45 % 3 = 0, 51 % 2 = 1, 26 % 1 = 0 -> 2: a b c
//   179 % 3 = 2: C.3;   47 % 3 = 2, 10 % 2 = 0, 17 % 1 = 0 -> 1: b c a
//   165 % 2 = 1, 1 and 2 taken -> 3: C.4;  3 % 3 = 0, 32 % 2 = 0 -> 1, 24 -> 2: a b c
//   71 % 1 = 0: C.1;    52 % 3 = 1, 18 % 2 = 0, 3 % 1 = 0 -> 2: b a c
TEST(ChapterDraw, EachPickIsFollowedAtOnceByItsAnswerShuffle)
{
    CRandom check(1);
    for (int value : {41, 18467, 6334, 26500, 19169})
        ASSERT_EQ(check.Next(), value);

    CRandom random(1);
    const auto quiz = MakeChapter("C", 4)->Draw(4, random);
    EXPECT_EQ(testbank::Texts(*quiz), (std::vector<std::string>{"C.2", "C.3", "C.4", "C.1"}));
    const char* expected[] = {
        "#C.2 correct=0 hint= topic= answers=C.2/0;C.2/1;C.2/2;",
        "#C.3 correct=2 hint= topic= answers=C.3/1;C.3/2;C.3/0;",
        "#C.4 correct=0 hint= topic= answers=C.4/0;C.4/1;C.4/2;",
        "#C.1 correct=1 hint= topic= answers=C.1/1;C.1/0;C.1/2;",
    };
    for (int i = 0; i < quiz->GetCount(); ++i)
        EXPECT_EQ(Describe(*quiz->GetAt(i)), expected[i]) << "pick " << i;
    EXPECT_EQ(random.Next(), 2995) << "the draw should use exactly 16 values";

    CRandom first(77);
    CRandom second(77);
    const auto bank = MakeCourse({7, 4, 9}, {3, 3, 3});
    EXPECT_EQ(Describe(*bank->DrawTest(20, 1, first)), Describe(*bank->DrawTest(20, 1, second)));
}

TEST(AnswerShuffle, CorrectIndexAndNotesFollowTheirAnswers)
{
    auto source = testbank::MakeChoice("Q", 6);
    for (int i = 0; i < 6; ++i)
        source->SetNote(i, "note of " + *source->GetAnswerText(i));
    source->SetCorrect(2);
    std::set<std::string> orders;
    for (std::uint32_t seed = 1; seed <= 40; ++seed)
    {
        SCOPED_TRACE(seed);
        CRandom random(seed);
        const auto copy = source->CloneShuffled(random);
        ASSERT_EQ(copy->GetAnswerCount(), 6);
        EXPECT_EQ(*copy->GetAnswerText(copy->GetCorrect()), "Q/2");
        std::string order;
        for (int k = 0; k < 6; ++k)
        {
            order += copy->GetAnswerText(k)->back();
            ASSERT_NE(copy->GetNote(k), nullptr);
            EXPECT_EQ(*copy->GetNote(k), "note of " + *copy->GetAnswerText(k));
        }
        EXPECT_TRUE(std::is_permutation(order.begin(), order.end(), "012345")) << order;
        orders.insert(order);
    }
    EXPECT_GT(orders.size(), 20u) << "forty seeds should give many different orders";
}

TEST(AnswerShuffle, StatementIsCopiedAsItIsAndDrawsNoValueWhileEachAnswerDrawsOne)
{
    CRandom random(123);
    EXPECT_EQ(Describe(*testbank::MakeTrueFalse("S", 0)->CloneShuffled(random)),
              "$S correct=1 hint= topic= answers=True;False;");
    EXPECT_EQ(Describe(*testbank::MakeChoice("none", 0)->CloneShuffled(random)),
              "#none correct=0 hint= topic= answers=");
    EXPECT_EQ(Describe(*testbank::MakeChoice("one", 1)->CloneShuffled(random)),
              "#one correct=0 hint= topic= answers=one/0;");
    testbank::MakeChoice("four", 4)->CloneShuffled(random);
    CRandom reference(123);
    for (int i = 0; i < 5; ++i)
        reference.Next();
    EXPECT_EQ(random.Next(), reference.Next()) << "1 + 4 answers should have drawn 5 values";
}

TEST(AnswerShuffle, RightAnswerOfFiveOrSixIsAlwaysAmongTheFourShown)
{
    std::set<int> places;
    for (const int count : {5, 6})
        for (int correct = 0; correct < count; ++correct)
        {
            auto source = testbank::MakeChoice("Q", count);
            source->SetCorrect(correct);
            for (std::uint32_t seed = 1; seed <= 300; ++seed)
            {
                CRandom random(seed);
                const auto copy = source->CloneShuffled(random);
                ASSERT_LT(copy->GetCorrect(), CQuestion::kShownAnswers) << count << " answers, seed " << seed;
                ASSERT_EQ(*copy->GetAnswerText(copy->GetCorrect()), "Q/" + std::to_string(correct));
                places.insert(copy->GetCorrect());
            }
        }
    EXPECT_EQ(places, (std::set<int>{0, 1, 2, 3}));
}

TEST(DrawIndependence, AnsweringTheDrawLeavesTheBankAndEitherOutlivesTheOther)
{
    auto bank = MakeCourse({5, 5}, {2, 2});
    const std::string bankBefore = testbank::Describe(*bank);
    auto test = bank->DrawTest(20, 1);
    for (CQuestion* q = test->First(); q; q = test->Next())
    {
        q->SetAnswer(1);
        q->SetFlagged(1);
    }
    ASSERT_EQ(test->GetAnsweredCount(), 14);
    EXPECT_EQ(bank->GetAnsweredCount(), 0);
    for (const CQuestion* q = bank->First(); q; q = bank->Next())
    {
        EXPECT_FALSE(q->IsFlagged()) << q->GetText();
        EXPECT_EQ(q->GetNumber(), 1) << q->GetText();
    }

    const std::string testBefore = Describe(*test);
    auto quiz = bank->GetAt(0)->Draw(10);
    bank.reset();
    EXPECT_EQ(Describe(*test), testBefore);
    EXPECT_EQ(quiz->GetCount(), 7);

    bank = MakeCourse({5, 5}, {2, 2});
    test = bank->DrawTest(20, 1);
    test.reset();
    EXPECT_EQ(testbank::Describe(*bank), bankBefore);
}
