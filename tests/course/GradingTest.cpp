#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "course/Grading.h"

TEST(Grading, PercentTruncatesAndIsZeroWithoutQuestions)
{
    const int cases[][3] = {{17, 20, 85}, {2, 3, 66}, {0, 0, 0},
                            {5, 0, 0},    {3, -4, 0}, {INT_MAX, 1, INT_MAX}};
    for (const auto& c : cases)
        EXPECT_EQ(quillet::Percent(c[0], c[1]), c[2]) << c[0] << "/" << c[1];
}

TEST(Grading, EachLetterStartsAtItsBoundary)
{
    const struct
    {
        int percent;
        const char* letter;
        const char* article;
    } cases[] = {{0, "", ""},    {69, "", ""},    {70, "C", "a"},  {79, "C", "a"},    {80, "B", "a"},
                 {89, "B", "a"}, {90, "A", "an"}, {99, "A", "an"}, {100, "A+", "an"}, {-5, "", ""}};
    for (const auto& c : cases)
    {
        const quillet::Grade grade = quillet::GradeFor(c.percent);
        EXPECT_EQ(std::string(grade.letter), c.letter) << c.percent;
        EXPECT_EQ(std::string(grade.article), c.article) << c.percent;
    }
}

TEST(Grading, OnlyATestOfSeventyFivePercentEarnsACertificate)
{
    const struct
    {
        TestKind kind;
        int percent;
        bool earns;
    } cases[] = {{TestKind::Test, 74, false},     {TestKind::Test, 75, true},
                 {TestKind::Test, 100, true},     {TestKind::PreTest, 75, false},
                 {TestKind::PreTest, 100, false}, {TestKind::Quiz, 100, false}};
    for (const auto& c : cases)
        EXPECT_EQ(quillet::EarnsCertificate(c.kind, c.percent), c.earns)
            << TestKindWord(c.kind) << " " << c.percent;
}
