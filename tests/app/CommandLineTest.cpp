#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "CourseBuilders.h"
#include "app/CommandLine.h"
#include "course/Complement.h"

namespace
{
// Five chapters of 2 multiple-choice and 4 true/false questions each: a Test
// can hold only 10 questions, a Pre-Test 20, a quiz 6. "missing.blh" does not load.
struct FakeBanks
{
    std::vector<std::string> asked;

    quillet::BankLoader Loader()
    {
        return [this](const std::string& path) -> std::unique_ptr<CCourse>
        {
            asked.push_back(path);
            if (path == "missing.blh")
                return nullptr;
            auto course = testbank::MakeCourse({2, 2, 2, 2, 2}, {4, 4, 4, 4, 4});
            course->SetName("Title of " + path);
            return course;
        };
    }
};

using Args = std::vector<std::string>;

std::unique_ptr<quillet::TestRun> Prepare(const Args& arguments, CRandom& random, FakeBanks& banks)
{
    return quillet::PrepareTest(quillet::PartsFromArguments(arguments), random, banks.Loader());
}
}

TEST(PrepareTest, ArgumentsChoosePathAndKindOfTest)
{
    const struct
    {
        Args arguments;
        const char* path;
        TestKind kind;
        int chapter;
    } cases[] = {
        {{"/path with blank/bank.blh", "3"}, "/path with blank/bank.blh", TestKind::Quiz, 3},
        // An unquoted path with a blank reaches the program cut at the blank.
        {{"/path", "with", "blank/bank.blh", "3"}, "/path", TestKind::Test, 0},
        {{"bank.blh", "/pre"}, "bank.blh", TestKind::PreTest, 0},
        {{"bank.blh", "/Pre"}, "bank.blh", TestKind::PreTest, 0},
        {{"bank.blh", "/PREVIEW"}, "bank.blh", TestKind::Test, 0},
        {{"bank.blh/PRE"}, "bank.blh/PRE", TestKind::Test, 0},
        {{"bank.blh", "3", "/PRE"}, "bank.blh", TestKind::PreTest, 0},
        {{"bank.blh", "2", "x", "/pre"}, "bank.blh", TestKind::PreTest, 0},
        // Only the first argument that starts with /PRE is looked at.
        {{"bank.blh", "/PREVIEW", "/PRE"}, "bank.blh", TestKind::Test, 0},
        // The path is never taken for the switch.
        {{"my /pre folder/bank.blh"}, "my /pre folder/bank.blh", TestKind::Test, 0},
        {{"/PRE"}, "/PRE", TestKind::Test, 0},
        {{"bank.blh", "0"}, "bank.blh", TestKind::Test, 0},
        {{"bank.blh", "3a"}, "bank.blh", TestKind::Test, 0},
        {{"bank.blh", "6"}, "bank.blh", TestKind::Test, 0},
        {{"bank.blh", "+3"}, "bank.blh", TestKind::Test, 0},
        {{"bank.blh", " 3"}, "bank.blh", TestKind::Test, 0},
        {{"bank.blh", "\"3\""}, "bank.blh", TestKind::Test, 0},
        {{"bank.blh", "99999999999999999999"}, "bank.blh", TestKind::Test, 0},
        {{"bank.blh", "5"}, "bank.blh", TestKind::Quiz, 5},
        {{"bank.blh", "03"}, "bank.blh", TestKind::Quiz, 3},
        {{"bank.blh", "2", "4"}, "bank.blh", TestKind::Quiz, 2},
        {{"bank.blh"}, "bank.blh", TestKind::Test, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        FakeBanks banks;
        CRandom random(11);
        const auto run = Prepare(c.arguments, random, banks);
        EXPECT_EQ(banks.asked, std::vector<std::string>{c.path});
        ASSERT_NE(run, nullptr);
        EXPECT_EQ(run->GetCourseTitle(), std::string("Title of ") + c.path);
        EXPECT_EQ(run->GetKind(), c.kind);
        EXPECT_EQ(run->GetChapter(), c.chapter);
        EXPECT_EQ(run->GetDrawnTest() != nullptr, c.kind != TestKind::Quiz);
    }
}

TEST(PrepareTest, EachKindDrawsFromTheRightSource)
{
    FakeBanks banks;
    CRandom random(3);
    const auto quiz = Prepare({"bank.blh", "3"}, random, banks);
    ASSERT_NE(quiz, nullptr);
    EXPECT_EQ(quiz->GetChapterName(), "Ch3");
    EXPECT_EQ(quiz->GetQuestionCount(), 6);
    for (const CQuestion* q : quiz->GetQuestions())
        EXPECT_EQ(q->GetText().rfind("Ch3.", 0), 0u) << q->GetText();

    const auto test = Prepare({"bank.blh"}, random, banks);
    ASSERT_NE(test, nullptr);
    EXPECT_EQ(test->GetQuestionCount(), 10);
    for (const CQuestion* q : test->GetQuestions())
        EXPECT_FALSE(q->IsTrueFalse()) << q->GetText();

    const auto pre = Prepare({"bank.blh", "/PRE"}, random, banks);
    ASSERT_NE(pre, nullptr);
    EXPECT_EQ(pre->GetQuestionCount(), 20);
}

TEST(PrepareTest, NoArgumentsOrAnUnloadableBankGiveNoTest)
{
    const struct
    {
        Args arguments;
        std::vector<std::string> asked;
    } cases[] = {{{}, {}},
                 {{""}, {}},
                 {{"missing.blh", "2"}, {"missing.blh"}},
                 {{"missing.blh", "/PRE"}, {"missing.blh"}}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        FakeBanks banks;
        EXPECT_EQ(Prepare(c.arguments, CRandom::Global(), banks), nullptr);
        EXPECT_EQ(banks.asked, c.asked);
    }
}

TEST(PrepareTest, ArgumentsOneByOneReachAnyPathAndNameWhatTheBankLacks)
{
    const auto dir = std::filesystem::path(testing::TempDir()) / "quillet \"quoted\" test";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "bank \"1\".blh").string();
    std::ofstream(path, std::ios::binary)
        << quillet::Complemented("!Real bank\n@One\n$S1\n^True\n@Two\n$S2\n^False\n");
    const struct
    {
        std::vector<std::string> arguments;
        TestKind kind;
        std::string problem;
    } cases[] = {
        {{path, "2"}, TestKind::Quiz, ""},
        {{path, "x", "/pre"}, TestKind::PreTest, ""},
        {{path}, TestKind::Test, "The question bank " + path + " holds no questions for a Test."},
    };
    for (const auto& c : cases)
    {
        std::string problem = "stale";
        const auto run =
            quillet::PrepareTest(quillet::PartsFromArguments(c.arguments), CRandom::Global(), {}, &problem);
        ASSERT_NE(run, nullptr);
        EXPECT_EQ(run->GetKind(), c.kind);
        EXPECT_EQ(problem, c.problem);
    }
    std::string problem;
    EXPECT_EQ(quillet::PrepareTest(quillet::PartsFromArguments({(dir / "none.blh").string()}),
                                   CRandom::Global(), {}, &problem),
              nullptr);
    EXPECT_EQ(problem,
              "The question bank " + (dir / "none.blh").string() + " could not be opened: no such file.");
    std::filesystem::remove_all(dir);
}
