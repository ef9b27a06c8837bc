// Who answered what, for the class report's grid.
#include <gtest/gtest.h>

#include "records/AnswerGrid.h"

namespace
{
using quillet::AnswerGrid;
using quillet::Response;
using quillet::ResponseRecord;

ResponseRecord Graded(const std::string& student, quillet::TimeStamp graded, std::vector<Response> responses,
                      TestKind kind = TestKind::Test)
{
    return {student, kind, "Networks", "", graded, {"/b.blh", 1, 2}, std::move(responses)};
}
}

TEST(AnswerGrid, TheLatestTestTellsAndEachTimeCounts)
{
    AnswerGrid grid({std::nullopt, TestKind::Test, std::nullopt});
    // Merged files may hand the later test over first.
    grid.Add(Graded("ann", 200, {{"Ch1", "q1", 0, true, false, {}}, {"Ch1", "q2", -1, false, false, {}}}));
    grid.Add(Graded("ann", 100, {{"Ch1", "q1", 2, false, false, {}}, {"Ch1", "q2", 0, true, false, {}}}));
    grid.Add(Graded("ann", 300, {{"Ch1", "q3", 1, false, false, {}}}));
    grid.Add(Graded("bob", 100, {{"Ch1", "q1", 0, true, false, {}}}, TestKind::Quiz));

    EXPECT_EQ(grid.Students(), (std::set<std::string>{"ann"}));
    const struct
    {
        const char* question;
        long long asked, right;
        AnswerGrid::Outcome last;
        int answer;
    } cases[] = {
        {"q1", 2, 1, AnswerGrid::Outcome::Right, 0},
        {"q2", 2, 1, AnswerGrid::Outcome::None, -1},
        {"q3", 1, 0, AnswerGrid::Outcome::Wrong, 1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.question);
        const AnswerGrid::Cell* cell = grid.At("ann", "Ch1", c.question);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->asked, c.asked);
        EXPECT_EQ(cell->right, c.right);
        EXPECT_EQ(cell->last, c.last);
        EXPECT_EQ(cell->lastAnswer, c.answer);
    }
    EXPECT_EQ(grid.At("bob", "Ch1", "q1"), nullptr);
    EXPECT_EQ(grid.At("ann", "Ch2", "q1"), nullptr);
}

TEST(AnswerGrid, AClassTooLargeForAPageKeepsNoCells)
{
    AnswerGrid grid({});
    std::vector<Response> questions;
    for (int q = 0; q < 201; ++q)
        questions.push_back({"Ch1", "q" + std::to_string(q), 0, true, false, {}});
    // 248 students by 201 questions are 49,848 cells; one more student makes 50,049.
    for (int s = 0; s < 248; ++s)
        grid.Add(Graded("s" + std::to_string(s), s, questions));
    EXPECT_FALSE(grid.TooLarge());
    EXPECT_NE(grid.At("s0", "Ch1", "q0"), nullptr);
    grid.Add(Graded("s248", 248, questions));
    EXPECT_TRUE(grid.TooLarge());
    EXPECT_EQ(grid.At("s0", "Ch1", "q0"), nullptr);
}
