#include <gtest/gtest.h>

#include "CourseBuilders.h"

using testbank::MakeChapter;
using testbank::MakeCourse;

TEST(ModelLists, HundredEntriesFitTheCallerKeepsWhatIsRefusedAndGetAtStaysInside)
{
    auto chapter = MakeChapter("C", 100);
    auto question = testbank::MakeChoice("extra");
    EXPECT_EQ(chapter->Add(std::move(question)), 0);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(question->GetText(), "extra");
    EXPECT_EQ(chapter->GetCount(), 100);

    auto course = MakeCourse(std::vector<int>(100, 0));
    auto extra = MakeChapter("extra", 1);
    EXPECT_EQ(course->Add(std::move(extra)), 0);
    ASSERT_NE(extra, nullptr);
    EXPECT_EQ(course->GetCount(), 100);

    EXPECT_EQ(CChapter().Add(nullptr), 0);
    EXPECT_EQ(CCourse().Add(nullptr), 0);

    EXPECT_EQ(chapter->GetAt(-1), nullptr);
    EXPECT_EQ(chapter->GetAt(100), nullptr);
    EXPECT_EQ(chapter->GetAt(99)->GetText(), "C.100");
    EXPECT_EQ(course->GetAt(-1), nullptr);
    EXPECT_EQ(course->GetAt(100), nullptr);
    EXPECT_EQ(course->GetAt(99)->GetName(), "Ch100");
}

TEST(ChapterPosition, StartsAtZeroAndAcceptsMinusOneToCount)
{
    EXPECT_EQ(CChapter().GetPosition(), 0);
    EXPECT_EQ(CCourse().GetPosition(), -1);
    const struct
    {
        int position;
        int result;
    } cases[] = {{-2, 0}, {-1, 1}, {0, 1}, {3, 1}, {4, 0}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.position);
        auto chapter = MakeChapter("C", 3);
        chapter->SetPosition(1);
        EXPECT_EQ(chapter->SetPosition(c.position), c.result);
        EXPECT_EQ(chapter->GetPosition(), c.result ? c.position : 1);
    }
}

TEST(CoursePosition, SetPositionParksChaptersBeforeAtTheirEndAndAfterBeforeTheirStart)
{
    auto course = MakeCourse({2, 3, 4, 1});
    course->GetAt(1)->SetPosition(2);
    course->GetAt(3)->SetPosition(1);
    ASSERT_EQ(course->SetPosition(1), 1);
    const auto positions = [&]
    {
        std::vector<int> p;
        for (int i = 0; i < course->GetCount(); ++i)
            p.push_back(course->GetAt(i)->GetPosition());
        return p;
    };
    EXPECT_EQ(positions(), (std::vector<int>{2, 2, -1, -1})); // chapter 1 keeps its own position
    ASSERT_EQ(course->SetPosition(4), 1);
    EXPECT_EQ(positions(), (std::vector<int>{2, 3, 4, 1}));
    EXPECT_EQ(course->SetPosition(5), 0);
    EXPECT_EQ(course->SetPosition(-2), 0);
    EXPECT_EQ(course->GetPosition(), 4);
    ASSERT_EQ(course->SetPosition(-1), 1);
    EXPECT_EQ(positions(), (std::vector<int>{-1, -1, -1, -1}));
}
