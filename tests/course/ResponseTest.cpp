#include <gtest/gtest.h>

#include "CourseBuilders.h"
#include "course/Response.h"

namespace
{
// The bank's answer text of a response, for checking where it points.
const std::string* BankAnswer(const CCourse& bank, const quillet::Response& response)
{
    for (int c = 0; c < bank.GetCount(); ++c)
        if (bank.GetAt(c)->GetName() == response.chapter)
            for (int q = 0; q < bank.GetAt(c)->GetCount(); ++q)
                if (const CQuestion* question = bank.GetAt(c)->GetAt(q);
                    quillet::QuestionKey(question->GetText()) == response.question)
                    return question->GetAnswerText(response.answer);
    return nullptr;
}
}

TEST(Responses, EachDrawnQuestionPointsAtItsBankQuestionAndTheAnswerChosen)
{
    CRandom random(4);
    auto run = quillet::TestRun::DrawTest(testbank::MakeCourse({6, 6}, {2, 2}), true, random);
    ASSERT_NE(run, nullptr);
    // Answered in turn: the right one, another one, none; every third flagged.
    int i = 0;
    for (CQuestion* q = run->Begin(); q;
         q = run->Go(quillet::TestRun::Move::Next) ? run->GetCurrent() : nullptr, ++i)
    {
        if (i % 3 == 0)
            run->ChooseAnswer(q->GetCorrect());
        else if (i % 3 == 1)
            run->ChooseAnswer((q->GetCorrect() + 1) % q->GetAnswerCount());
        if (i % 3 == 2)
            run->ToggleFlag();
    }
    const std::vector<quillet::Response> responses = quillet::ResponsesOf(*run);
    const std::vector<const CQuestion*> drawn = run->GetQuestions();
    ASSERT_EQ(responses.size(), drawn.size());
    for (std::size_t k = 0; k < drawn.size(); ++k)
    {
        SCOPED_TRACE(drawn[k]->GetText());
        const quillet::Response& response = responses[k];
        EXPECT_EQ(response.chapter, drawn[k]->GetText().substr(0, 3)); // "Ch1.4" is of "Ch1"
        EXPECT_EQ(response.right, !drawn[k]->IsNotCorrect());
        EXPECT_EQ(response.flagged, k % 3 == 2);
        if (k % 3 == 2)
        {
            EXPECT_EQ(response.answer, -1);
            continue;
        }
        // The answer is kept by its place in the bank, however it was shuffled.
        const std::string* text = BankAnswer(run->GetBank(), response);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(*text, *drawn[k]->GetAnswerText(drawn[k]->GetAnswer()));
        // A bank lists the right answer first; a statement's answers are True and False.
        if (!drawn[k]->IsTrueFalse())
        {
            EXPECT_EQ(response.answer == 0, response.right);
        }
    }
}
