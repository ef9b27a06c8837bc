#include <gtest/gtest.h>

#include "CourseBuilders.h"
#include "course/TestRun.h"

namespace
{
using quillet::TestRun;
using Move = TestRun::Move;

// Three chapters of 12 multiple-choice and 4 true/false questions each.
std::unique_ptr<TestRun> Draw(TestKind kind, std::uint32_t seed = 7)
{
    CRandom random(seed);
    auto bank = testbank::MakeCourse({12, 12, 12}, {4, 4, 4});
    bank->SetName("Networks");
    if (kind == TestKind::Quiz)
        return TestRun::DrawQuiz(std::move(bank), 2, random);
    return TestRun::DrawTest(std::move(bank), kind == TestKind::PreTest, random);
}

int Wrong(const CQuestion& q)
{
    return (q.GetCorrect() + 1) % (q.IsTrueFalse() ? 2 : q.GetAnswerCount());
}

class TestRunKinds : public testing::TestWithParam<TestKind>
{
};

INSTANTIATE_TEST_SUITE_P(AllKinds, TestRunKinds,
                         testing::Values(TestKind::Test, TestKind::PreTest, TestKind::Quiz),
                         [](const auto& info)
                         {
                             return std::string(TestKindWord(info.param)) == "Pre-Test"
                                        ? std::string("PreTest")
                                        : std::string(TestKindWord(info.param));
                         });
}

TEST_P(TestRunKinds, WalkingPastEitherEndStaysOnTheEndQuestion)
{
    const auto run = Draw(GetParam());
    ASSERT_NE(run, nullptr);
    const std::vector<const CQuestion*> questions = run->GetQuestions();
    ASSERT_EQ(run->Begin(), questions.front());

    EXPECT_FALSE(run->Go(Move::Previous));
    EXPECT_EQ(run->GetCurrent(), questions.front());

    for (std::size_t i = 1; i < questions.size(); ++i)
    {
        ASSERT_TRUE(run->Go(Move::Next));
        EXPECT_EQ(run->GetCurrent(), questions[i]) << "step " << i;
    }
    EXPECT_FALSE(run->Go(Move::Next));
    EXPECT_EQ(run->GetCurrent(), questions.back());
    // The position came back too, not only the pointer: one step back is
    // the question before the last.
    ASSERT_TRUE(run->Go(Move::Previous));
    EXPECT_EQ(run->GetCurrent(), questions[questions.size() - 2]);
}

TEST_P(TestRunKinds, SearchesFindTheMarkedQuestionOrGoBackToTheStart)
{
    const auto run = Draw(GetParam());
    const std::vector<const CQuestion*> questions = run->GetQuestions();
    run->Begin();
    ASSERT_TRUE(run->Go(Move::Next));
    const CQuestion* start = run->GetCurrent();

    const Move searches[] = {Move::NextFlagged, Move::PreviousFlagged};
    for (const Move search : searches)
    {
        EXPECT_FALSE(run->Go(search));
        EXPECT_EQ(run->GetCurrent(), start);
    }

    // Flag the sixth question, answer every other one but the fourth.
    for (std::size_t i = 2; i < questions.size(); ++i)
    {
        ASSERT_TRUE(run->Go(Move::Next));
        if (i == 5)
            run->ToggleFlag();
        if (i != 3)
            run->ChooseAnswer(0);
    }
    run->Begin();
    run->ChooseAnswer(0);
    ASSERT_TRUE(run->Go(Move::NextFlagged));
    EXPECT_EQ(run->GetCurrent(), questions[5]);
    ASSERT_TRUE(run->Go(Move::PreviousUnanswered));
    EXPECT_EQ(run->GetCurrent(), questions[3]);
    ASSERT_TRUE(run->Go(Move::PreviousUnanswered));
    EXPECT_EQ(run->GetCurrent(), questions[1]);
    EXPECT_FALSE(run->Go(Move::PreviousUnanswered));
    EXPECT_EQ(run->GetCurrent(), questions[1]);
    ASSERT_TRUE(run->Go(Move::NextUnanswered));
    EXPECT_EQ(run->GetCurrent(), questions[3]);
    EXPECT_FALSE(run->Go(Move::NextUnanswered));
    EXPECT_EQ(run->GetCurrent(), questions[3]);
}

TEST_P(TestRunKinds, AWalkThatMayNotGoBackLeavesNoQuestionUntilRestored)
{
    const auto run = Draw(GetParam());
    run->Begin();
    ASSERT_TRUE(run->Go(Move::Next));
    const CQuestion* second = run->GetCurrent();
    EXPECT_FALSE(run->Go(Move::NextFlagged, false));
    EXPECT_EQ(run->GetCurrent(), nullptr);
    run->RestorePosition();
    EXPECT_EQ(run->GetCurrent(), second);
}

TEST_P(TestRunKinds, CountsTakeUnansweredQuestionsAsNotRight)
{
    const auto run = Draw(GetParam());
    const int total = GetParam() == TestKind::Quiz ? quillet::kQuizSize : quillet::kTestSize;
    ASSERT_EQ(run->GetQuestionCount(), total);

    // Right, wrong, unanswered in turn.
    int i = 0;
    for (CQuestion* q = run->Begin(); q; q = run->Go(Move::Next) ? run->GetCurrent() : nullptr, ++i)
    {
        if (i % 3 == 0)
            run->ChooseAnswer(q->GetCorrect());
        else if (i % 3 == 1)
            run->ChooseAnswer(Wrong(*q));
    }
    ASSERT_EQ(i, total);
    const int right = (total + 2) / 3;
    const int answered = right + (total + 1) / 3;
    EXPECT_EQ(run->GetAnsweredCount(), answered);
    EXPECT_EQ(run->GetScore().right, right);
    EXPECT_EQ(run->GetScore().total, total);

    if (GetParam() == TestKind::Quiz)
        return;
    int sectionRight = 0, sectionTotal = 0;
    for (const quillet::SectionScore& section : quillet::SectionScores(*run->GetDrawnTest()))
    {
        sectionRight += section.right;
        sectionTotal += section.total;
    }
    EXPECT_EQ(std::make_pair(sectionRight, sectionTotal), std::make_pair(right, total));
}

TEST_P(TestRunKinds, ReviewVisitsOnlyTheQuestionsNotRight)
{
    const auto run = Draw(GetParam());
    const std::vector<const CQuestion*> questions = run->GetQuestions();
    for (CQuestion* q = run->Begin(); q; q = run->Go(Move::Next) ? run->GetCurrent() : nullptr)
        run->ChooseAnswer(q->GetCorrect());
    EXPECT_EQ(run->BeginReview(), nullptr);

    // The first two questions are answered wrongly and the last not at all.
    run->Begin();
    run->ChooseAnswer(Wrong(*run->GetCurrent()));
    run->Go(Move::Next);
    run->ChooseAnswer(Wrong(*run->GetCurrent()));
    while (run->Go(Move::Next))
    {
    }
    run->ChooseAnswer(run->GetCurrent()->GetAnswer());
    ASSERT_EQ(run->BeginReview(), questions[0]);
    ASSERT_TRUE(run->Go(Move::NextNotCorrect));
    EXPECT_EQ(run->GetCurrent(), questions[1]);
    ASSERT_TRUE(run->Go(Move::NextNotCorrect));
    EXPECT_EQ(run->GetCurrent(), questions.back());
    EXPECT_FALSE(run->Go(Move::NextNotCorrect));
    EXPECT_EQ(run->GetCurrent(), questions.back());
}

TEST_P(TestRunKinds, RetakeDrawsAFreshTestOfTheSameKindAndSize)
{
    const auto run = Draw(GetParam());
    const std::vector<const CQuestion*> before = run->GetQuestions();
    run->Begin();
    run->ChooseAnswer(0);
    run->ToggleFlag();
    run->Start(100);
    run->Stop(160);
    run->Grade();
    run->MarkRecorded();

    CRandom random(17);
    run->Retake(random);
    EXPECT_EQ(run->GetKind(), GetParam());
    EXPECT_EQ(run->GetQuestionCount(), static_cast<int>(before.size()));
    EXPECT_EQ(run->GetAnsweredCount(), 0);
    EXPECT_EQ(run->GetCurrent(), run->GetQuestions().front());
    EXPECT_FALSE(run->GetCurrent()->IsFlagged());
    EXPECT_FALSE(run->IsResultPending());
    bool trueFalse = false;
    for (const CQuestion* q : run->GetQuestions())
    {
        trueFalse |= q->IsTrueFalse();
        if (GetParam() == TestKind::Quiz)
        {
            EXPECT_EQ(q->GetText().rfind("Ch2.", 0), 0u) << q->GetText();
        }
    }
    // A draw may leave them all out by chance; a few more draws may not.
    for (int more = 0; more < 5 && !trueFalse; ++more)
    {
        run->Retake(random);
        for (const CQuestion* q : run->GetQuestions())
            trueFalse |= q->IsTrueFalse();
    }
    EXPECT_EQ(trueFalse, GetParam() != TestKind::Test) << "true/false statements only outside a Test";
}

TEST(TestRun, NoRunWithoutABankOrForAChapterTheBankLacks)
{
    EXPECT_EQ(TestRun::DrawTest(nullptr, false), nullptr);
    for (const int chapter : {0, 4, -1})
        EXPECT_EQ(TestRun::DrawQuiz(testbank::MakeCourse({3, 3, 3}), chapter), nullptr) << chapter;
}
