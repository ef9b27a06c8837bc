#include <gtest/gtest.h>

#include "CourseBuilders.h"

using testbank::Describe;
using testbank::MakeChoice;

TEST(QuestionDefaults, NewQuestionIsUnansweredUnflaggedMultipleChoiceWithNoAnswers)
{
    CQuestion q;
    EXPECT_EQ(q.GetAnswer(), -1);
    EXPECT_TRUE(q.IsNotCorrect());
    EXPECT_FALSE(q.IsFlagged());
    EXPECT_EQ(q.GetCorrect(), 0);
    EXPECT_EQ(q.GetNumber(), 1);
    EXPECT_EQ(q.GetTrue(), 1);
    EXPECT_FALSE(q.IsTrueFalse());
    EXPECT_EQ(q.GetAnswerCount(), 0);
    EXPECT_EQ(q.GetAnswerText(0), nullptr);
    EXPECT_EQ(q.GetNote(0), nullptr);
}

TEST(QuestionAnswers, SixAnswersAtMostAndTrueFalseAnswersAreTheSharedTrueAndFalse)
{
    auto q = MakeChoice("Q", 6);
    EXPECT_EQ(q->AddAnswer("seventh"), 0);
    EXPECT_EQ(q->GetAnswerCount(), 6);
    EXPECT_EQ(*q->GetAnswerText(5), "Q/5");
    EXPECT_EQ(q->GetAnswerText(-1), nullptr);
    EXPECT_EQ(q->GetAnswerText(6), nullptr);
    q->SetTrueFalse(1);
    EXPECT_EQ(q->GetAnswerCount(), 2);
    EXPECT_EQ(q->GetAnswerText(0), &kTrueText);
    EXPECT_EQ(q->GetAnswerText(1), &kFalseText);
    EXPECT_EQ(kTrueText, "True");
    EXPECT_EQ(kFalseText, "False");
    EXPECT_EQ(q->GetAnswerText(2), nullptr);
    EXPECT_EQ(q->GetAnswerText(-1), nullptr);
}

TEST(QuestionAnswers, TruthValueMovesTheCorrectIndexThatGradingUses)
{
    auto q = testbank::MakeTrueFalse("S", 0);
    EXPECT_EQ(q->GetCorrect(), 1);
    q->SetAnswer(1);
    EXPECT_FALSE(q->IsNotCorrect());
    q->SetTrue(1);
    EXPECT_EQ(q->GetCorrect(), 0);
    EXPECT_TRUE(q->IsNotCorrect());
}

TEST(QuestionAnswers, SetCorrectTakesZeroAlwaysAndOtherwiseOnlyAStoredAnswerIndex)
{
    const struct
    {
        int answers;
        bool trueFalse;
        int index;
        int result;
    } cases[] = {{0, false, 0, 1},  {0, false, 1, 0}, {3, false, 2, 1}, {3, false, 3, 0},
                 {3, false, -1, 0}, {6, false, 5, 1}, {0, true, 1, 0},  {0, true, 0, 1}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message()
                     << c.answers << " answers, t/f " << c.trueFalse << ", index " << c.index);
        auto q = MakeChoice("Q", c.answers);
        q->SetTrueFalse(c.trueFalse ? 1 : 0);
        if (c.answers > 1)
            q->SetCorrect(1);
        const int before = q->GetCorrect();
        EXPECT_EQ(q->SetCorrect(c.index), c.result);
        EXPECT_EQ(q->GetCorrect(), c.result ? c.index : before);
    }
}

TEST(QuestionNotes, OnlySixSlotsHoldNotesAndAnEmptyNoteIsNotAbsent)
{
    CQuestion q;
    EXPECT_EQ(q.SetNote(-1, "x"), 0);
    EXPECT_EQ(q.SetNote(6, "x"), 0);
    EXPECT_EQ(q.GetNote(6), nullptr);
    EXPECT_EQ(q.SetNote(5, "last"), 1);
    EXPECT_EQ(q.SetNote(0, ""), 1);
    ASSERT_NE(q.GetNote(0), nullptr);
    EXPECT_EQ(*q.GetNote(0), "");
    EXPECT_EQ(*q.GetNote(5), "last");
    EXPECT_EQ(q.SetNote(5, std::nullopt), 1);
    EXPECT_EQ(q.GetNote(5), nullptr);
}

TEST(QuestionClone, CopyKeepsTheContentStartsTheStudentStateAfreshAndSharesNothing)
{
    auto source = MakeChoice("Q", 3);
    source->SetHint("hint");
    source->SetTopic("topic");
    source->SetNote(1, "note 1");
    source->SetCorrect(2);
    source->SetAnswer(1);
    source->SetFlagged(1);
    source->SetNumber(7);

    auto copy = source->Clone();
    EXPECT_EQ(Describe(*copy), "#Q correct=2 hint=hint topic=topic answers=Q/0;Q/1{note 1};Q/2;");
    EXPECT_EQ(copy->GetAnswer(), -1);
    EXPECT_FALSE(copy->IsFlagged());
    EXPECT_EQ(copy->GetNumber(), 1);
    copy->SetNote(1, "changed");
    copy->AddAnswer("extra");
    EXPECT_EQ(Describe(*source), "#Q correct=2 hint=hint topic=topic answers=Q/0;Q/1{note 1};Q/2;");

    // A true/false statement keeps its truth value and its note, which the review shows.
    auto statement = testbank::MakeTrueFalse("S", 0);
    statement->SetNote(1, "why false");
    EXPECT_EQ(Describe(*statement->Clone()), "$S correct=1 hint= topic= answers=True;False{why false};");
    EXPECT_EQ(statement->Clone()->GetTrue(), 0);
}
