// A class's results at a glance, as the class report shows them.
#include <gtest/gtest.h>

#include "records/ClassSummary.h"

namespace
{
using quillet::ClassSummary;

struct Result
{
    const char* student;
    TestKind kind;
    const char* chapter;
    int right, total;
    quillet::TimeStamp graded;
};

std::unique_ptr<CStudentRoster> Roster(const std::vector<Result>& results)
{
    auto roster = std::make_unique<CStudentRoster>();
    for (const Result& r : results)
    {
        roster->AddStudent(r.student, "");
        auto entry = std::make_unique<CResultEntry>();
        entry->m_kind = r.kind;
        entry->m_strTitle = "Networks";
        entry->m_strChapter = r.chapter;
        entry->m_nRight = r.right;
        entry->m_nTotal = r.total;
        entry->m_timeGraded = r.graded;
        EXPECT_TRUE(roster->AddResult(r.student, "", std::move(entry)));
    }
    return roster;
}
}

TEST(ClassSummary, ScoresSpreadAndEachStudentsCourse)
{
    const auto roster = Roster({
        {"ann", TestKind::Test, "", 8, 20, 500},    // 40
        {"ann", TestKind::PreTest, "", 3, 20, 100}, // 15, graded before her Test
        {"bob", TestKind::Test, "", 11, 20, 200},   // 55
        {"cat", TestKind::Test, "", 14, 20, 300},   // 70
        {"cat", TestKind::Test, "", 17, 20, 400},   // 85
        {"dan", TestKind::Test, "", 20, 20, 600},   // 100
        {"dan", TestKind::Test, "", 0, 0, 700},     // no score
        {"eve", TestKind::Quiz, "Ch2", 7, 10, 100}, // 70
        {"eve", TestKind::Quiz, "Ch2", 8, 10, 200}, // 80
        {"eve", TestKind::Quiz, "Ch3", 1, 3, 300},  // 33
        {"eve", TestKind::Quiz, "Ch1", 5, 10, 400}, // 50
    });
    const ClassSummary summary(*roster, {});

    EXPECT_EQ(summary.Students(), 5);
    EXPECT_EQ(summary.Count(TestKind::Test), 6);
    EXPECT_EQ(summary.Count(TestKind::PreTest), 1);
    EXPECT_EQ(summary.Count(TestKind::Quiz), 4);
    EXPECT_EQ(summary.TestScores(), (std::vector<int>{40, 55, 70, 85, 100}));
    const struct
    {
        double q, score;
    } quantiles[] = {{0, 40}, {0.25, 55}, {0.5, 70}, {0.75, 85}, {1, 100}, {0.1, 46}, {0.6, 76}};
    for (const auto& c : quantiles)
        EXPECT_DOUBLE_EQ(summary.TestQuantile(c.q), c.score) << c.q;
    EXPECT_EQ(summary.Distribution(), (std::array<int, 10>{0, 0, 0, 0, 1, 1, 0, 1, 1, 1}));

    std::vector<std::string> overTime;
    for (const ClassSummary::StudentScores& student : summary.OverTime())
    {
        std::string line = student.name + ":";
        for (const ClassSummary::Score& score : student.scores)
            line += " " + std::to_string(score.graded) + "=" + std::to_string(score.percent) +
                    (score.preTest ? "p" : "");
        overTime.push_back(line);
    }
    EXPECT_EQ(overTime, (std::vector<std::string>{"ann: 100=15p 500=40", "bob: 200=55", "cat: 300=70 400=85",
                                                  "dan: 600=100"}));
}

TEST(ClassSummary, OnlyAdmittedResultsCount)
{
    const auto roster = Roster({
        {"ann", TestKind::Test, "", 5, 20, 100},
        {"ann", TestKind::Test, "", 15, 20, 300},
        {"bob", TestKind::Test, "", 10, 20, 100},
    });
    roster->GetStudent(1)->m_results[0]->m_strTitle = "Other";
    const struct
    {
        const char* name;
        quillet::TimeStamp since; // 0: any time
        const char* course;       // null: any course
        std::optional<TestKind> kind;
        int students;
        std::vector<int> scores;
    } cases[] = {
        {"everything", 0, nullptr, std::nullopt, 2, {25, 50, 75}},
        {"since", 200, nullptr, std::nullopt, 1, {75}},
        {"course", 0, "Networks", std::nullopt, 1, {25, 75}},
        // Each part has its kind: the filter's own is not looked at.
        {"kind", 0, nullptr, TestKind::Quiz, 2, {25, 50, 75}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        quillet::ResultFilter filter;
        if (c.since != 0)
            filter.since = c.since;
        if (c.course)
            filter.course = c.course;
        filter.kind = c.kind;
        const ClassSummary summary(*roster, filter);
        EXPECT_EQ(summary.Students(), c.students);
        EXPECT_EQ(summary.TestScores(), c.scores);
    }
}
