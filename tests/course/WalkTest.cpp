#include <gtest/gtest.h>

#include "CourseBuilders.h"

using testbank::MakeChapter;
using testbank::MakeCourse;

namespace
{
std::string TextOf(const CQuestion* question)
{
    return question ? question->GetText() : "none";
}

// Puts the course at its k-th question, counted over the whole test.
void GoTo(CCourse& course, int k)
{
    ASSERT_NE(course.First(), nullptr);
    for (int i = 0; i < k; ++i)
        ASSERT_NE(course.Next(), nullptr);
}
}

TEST(ChapterWalk, NextFromLastQuestionGivesNoneAndParksPastTheEndPreviousBeforeTheStartGoesToMinusTwo)
{
    auto chapter = MakeChapter("C", 3);
    EXPECT_EQ(TextOf(chapter->Last()), "C.3");
    EXPECT_EQ(chapter->Next(), nullptr);
    EXPECT_EQ(chapter->GetPosition(), 3);
    EXPECT_EQ(chapter->GetCurrent(), nullptr);
    EXPECT_EQ(TextOf(chapter->Previous()), "C.3");

    EXPECT_EQ(TextOf(chapter->First()), "C.1");
    EXPECT_EQ(chapter->Previous(), nullptr);
    EXPECT_EQ(chapter->Previous(), nullptr);
    EXPECT_EQ(chapter->GetPosition(), -2);
    EXPECT_EQ(chapter->GetCurrent(), nullptr);

    CChapter empty;
    EXPECT_EQ(empty.Last(), nullptr);
    EXPECT_EQ(empty.GetPosition(), -1);
    empty.SetPosition(0);
    EXPECT_EQ(empty.First(), nullptr);
    EXPECT_EQ(empty.GetPosition(), -1);
}

TEST(ChapterSearch, SearchesSkipTheStartingQuestionAndNeverWrap)
{
    // C.1 flagged; C.2 right; C.3 flagged, wrong; C.4 and C.5 unanswered, C.5 flagged.
    auto chapter = MakeChapter("C", 5);
    for (int i : {0, 2, 4})
        chapter->GetAt(i)->SetFlagged(1);
    chapter->GetAt(1)->SetAnswer(0);
    chapter->GetAt(2)->SetAnswer(1);
    using Query = CQuestion* (CChapter::*)();
    const struct
    {
        int start;
        Query query;
        const char* name;
        const char* found;
        int end;
    } cases[] = {
        {0, &CChapter::NextFlagged, "NextFlagged", "C.3", 2},
        {4, &CChapter::NextFlagged, "NextFlagged", "none", 5},
        {-1, &CChapter::NextFlagged, "NextFlagged", "C.1", 0},
        {4, &CChapter::PreviousFlagged, "PreviousFlagged", "C.3", 2},
        {0, &CChapter::PreviousFlagged, "PreviousFlagged", "none", -1},
        {0, &CChapter::NextUnanswered, "NextUnanswered", "C.4", 3},
        {3, &CChapter::PreviousUnanswered, "PreviousUnanswered", "C.1", 0},
        {5, &CChapter::PreviousUnanswered, "PreviousUnanswered", "C.5", 4},
        {5, &CChapter::NextUnanswered, "NextUnanswered", "none", 6},
        {0, &CChapter::NextNotCorrect, "NextNotCorrect", "C.3", 2},
        {2, &CChapter::PreviousNotCorrect, "PreviousNotCorrect", "C.1", 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.name << " from " << c.start);
        ASSERT_EQ(chapter->SetPosition(c.start), 1);
        EXPECT_EQ(TextOf((chapter.get()->*c.query)()), c.found);
        EXPECT_EQ(chapter->GetPosition(), c.end);
    }
}

TEST(CourseWalk, NextAndPreviousReadTheSectionsAsOneSequenceOverEmptyOnes)
{
    auto test = MakeCourse({0, 2, 0, 0, 3, 0});
    const std::vector<std::string> order = {"Ch2.1", "Ch2.2", "Ch5.1", "Ch5.2", "Ch5.3"};
    std::vector<std::string> forward;
    for (CQuestion* q = test->Next(); q; q = test->Next()) // before the start, Next is First
        forward.push_back(q->GetText());
    EXPECT_EQ(forward, order);
    EXPECT_EQ(test->GetPosition(), 6);
    EXPECT_EQ(test->Next(), nullptr);
    EXPECT_EQ(test->GetPosition(), 6);

    std::vector<std::string> backward;
    for (CQuestion* q = test->Previous(); q; q = test->Previous()) // past the end, Previous is Last
        backward.insert(backward.begin(), q->GetText());
    EXPECT_EQ(backward, order);
    EXPECT_EQ(test->GetPosition(), -1);
}

TEST(CourseWalk, LastSkipsTrailingEmptySectionsAndAnAllEmptyTestHasNoQuestion)
{
    auto test = MakeCourse({2, 1, 0, 0});
    EXPECT_EQ(TextOf(test->Last()), "Ch2.1");
    EXPECT_EQ(test->GetPosition(), 1);
    EXPECT_EQ(test->GetAt(0)->GetPosition(), 2);

    auto empty = MakeCourse({0, 0, 0});
    empty->SetPosition(3);
    EXPECT_EQ(empty->First(), nullptr);
    EXPECT_EQ(empty->GetPosition(), -1);
    EXPECT_EQ(empty->Last(), nullptr);
    EXPECT_EQ(empty->NextFlagged(), nullptr);
    EXPECT_EQ(empty->GetPosition(), -1);
}

TEST(CourseSearch, SearchesCrossSectionsSkipTheCurrentQuestionAndNeverWrap)
{
    // Ch1.1 unanswered; Ch1.2 flagged, right; (Ch2 empty); Ch3.1 wrong; Ch3.2 unanswered; Ch3.3 flagged,
    // right.
    auto test = MakeCourse({2, 0, 3});
    test->GetAt(0)->GetAt(1)->SetFlagged(1);
    test->GetAt(0)->GetAt(1)->SetAnswer(0);
    test->GetAt(2)->GetAt(0)->SetAnswer(1);
    test->GetAt(2)->GetAt(2)->SetFlagged(1);
    test->GetAt(2)->GetAt(2)->SetAnswer(0);
    constexpr int kBefore = -1;
    constexpr int kPast = 99;
    using Query = CQuestion* (CCourse::*)();
    const struct
    {
        int start; // question over the whole test, or before the start / past the end
        Query query;
        const char* name;
        const char* found;
        int end;
    } cases[] = {
        {kBefore, &CCourse::NextUnanswered, "NextUnanswered", "Ch1.1", 0},
        {kBefore, &CCourse::NextFlagged, "NextFlagged", "Ch1.2", 0},
        {kBefore, &CCourse::PreviousFlagged, "PreviousFlagged", "none", -1},
        {kPast, &CCourse::PreviousFlagged, "PreviousFlagged", "Ch3.3", 2},
        {kPast, &CCourse::PreviousUnanswered, "PreviousUnanswered", "Ch3.2", 2},
        {kPast, &CCourse::NextFlagged, "NextFlagged", "none", 3},
        {1, &CCourse::NextFlagged, "NextFlagged", "Ch3.3", 2},
        {1, &CCourse::NextNotCorrect, "NextNotCorrect", "Ch3.1", 2},
        {1, &CCourse::PreviousFlagged, "PreviousFlagged", "none", -1},
        {2, &CCourse::PreviousUnanswered, "PreviousUnanswered", "Ch1.1", 0},
        {3, &CCourse::NextUnanswered, "NextUnanswered", "none", 3},
        {4, &CCourse::NextFlagged, "NextFlagged", "none", 3},
        {4, &CCourse::PreviousFlagged, "PreviousFlagged", "Ch1.2", 0},
        {4, &CCourse::PreviousNotCorrect, "PreviousNotCorrect", "Ch3.2", 2},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.name << " from " << c.start);
        if (c.start == kBefore || c.start == kPast)
            test->SetPosition(c.start == kBefore ? -1 : test->GetCount());
        else
            GoTo(*test, c.start);
        EXPECT_EQ(TextOf((test.get()->*c.query)()), c.found);
        EXPECT_EQ(test->GetPosition(), c.end);
    }
}

TEST(CourseSearch, RestoringTheSavedPositionsAfterAFailedSearchKeepsTheStudentInPlace)
{
    auto test = MakeCourse({2, 0, 3});
    test->GetAt(0)->GetAt(0)->SetFlagged(1);
    GoTo(*test, 3);
    const int course = test->GetPosition();
    const int chapter = test->GetAt(course)->GetPosition();
    EXPECT_EQ(test->NextFlagged(), nullptr);
    ASSERT_EQ(test->SetPosition(course), 1);
    ASSERT_EQ(test->GetAt(course)->SetPosition(chapter), 1);
    EXPECT_EQ(TextOf(test->GetCurrent()), "Ch3.2");
    EXPECT_EQ(TextOf(test->PreviousFlagged()), "Ch1.1");
    // Stepping over the empty second section both ways.
    EXPECT_EQ(TextOf(test->Next()), "Ch1.2");
    EXPECT_EQ(TextOf(test->Next()), "Ch3.1");
    EXPECT_EQ(test->GetPosition(), 2);
    EXPECT_EQ(TextOf(test->Previous()), "Ch1.2");
    EXPECT_EQ(test->GetPosition(), 0);
}
