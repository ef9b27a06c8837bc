// The logged-in student's history of one test: which results belong to it,
// the queries over them, and recording a new one.
#include "records/FileRecordStore.h"
#include "records/RecordsTestSupport.h"
#include "records/ResultHistory.h"

using namespace recordtest;

namespace
{
const char* const kCourse = "Sample Course";

// qLine 1: a quiz result followed by a q line, as the reader marks it.
std::unique_ptr<CResultEntry> Result(TestKind kind, const std::string& title, const std::string& chapter,
                                     int right = 0, int total = 20, int qLine = 0)
{
    return std::make_unique<CResultEntry>(CResultEntry{
        kind, kind == TestKind::Quiz && qLine != 0, title, chapter, 0, 0, right, total, std::nullopt, {}});
}

class History : public RecordDirTest
{
  protected:
    void SetUp() override
    {
        RecordDirTest::SetUp();
        ASSERT_TRUE(m_roster.AddStudent("amy", "pw"));
        ASSERT_TRUE(m_roster.AddStudent("bob", "pw"));
        m_history.m_pRoster = &m_roster;
        m_history.m_strUserName = "amy";
        m_history.m_strCourseTitle = kCourse;
    }

    void Run(TestKind kind, const std::string& chapter = "")
    {
        m_history.m_kind = kind;
        m_history.m_strQuizChapter = chapter;
    }

    void Add(std::unique_ptr<CResultEntry> entry, const std::string& name = "amy")
    {
        ASSERT_TRUE(m_roster.AddResult(name, "pw", std::move(entry)));
    }

    // The four answers: right answers of the latest result (-1: none), the count, the
    // average, and the right answers of the previous results.
    using Answers = std::tuple<int, int, int, std::vector<int>>;
    Answers Ask() const
    {
        const CResultEntry* latest = m_history.FindLatestResult();
        std::vector<int> rights;
        for (const CResultEntry* entry : m_history.GetPreviousResults())
            rights.push_back(entry->m_nRight);
        return {latest ? latest->m_nRight : -1, m_history.CountResults(), m_history.AverageScore(), rights};
    }

    CStudentRoster m_roster;
    CResultHistory m_history;
};
}

TEST_F(History, SameTestNeedsTheKindTheExactTitleAndTheExactChapter)
{
    const struct
    {
        std::unique_ptr<CResultEntry> entry;
        bool test, preTest, quizIntro;
    } cases[] = {
        {Result(TestKind::Test, kCourse, ""), true, false, false},
        {Result(TestKind::PreTest, kCourse, ""), false, true, false},
        {Result(TestKind::Quiz, kCourse, "Intro"), false, false, true},
        {Result(TestKind::Quiz, kCourse, "Intro", 0, 20, 1), false, false, true},
        {Result(TestKind::Quiz, kCourse, "intro"), false, false, false},
        {Result(TestKind::Quiz, kCourse, "Intro "), false, false, false},
        {Result(TestKind::Quiz, "Other Course", "Intro"), false, false, false},
        {Result(TestKind::Test, "Other Course", ""), false, false, false},
        {Result(TestKind::Test, "sample course", ""), false, false, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(Fields(*c.entry)));
        Run(TestKind::Test);
        EXPECT_EQ(m_history.IsSameTest(*c.entry), c.test);
        Run(TestKind::PreTest);
        EXPECT_EQ(m_history.IsSameTest(*c.entry), c.preTest);
        Run(TestKind::Quiz, "Intro");
        EXPECT_EQ(m_history.IsSameTest(*c.entry), c.quizIntro);
    }
}

TEST_F(History, AveragePoolsAllAnswersOfThisTest)
{
    const std::pair<std::vector<std::pair<int, int>>, int> cases[] = {
        {{{17, 20}, {12, 20}}, 72}, {{{0, 20}}, 0},          {{{5, 0}, {3, 0}}, 0}, {{}, 0},
        {{{20, 20}}, 100},          {{{1, 2}, {10, 10}}, 91}}; // not (50 + 100) / 2
    for (const auto& [results, average] : cases)
    {
        CStudentRoster roster;
        ASSERT_EQ(roster.AddStudent("amy", "pw"), 1);
        ASSERT_EQ(roster.AddResult("amy", "pw", Result(TestKind::Test, "Other Course", "", 20)), 1);
        for (const auto& [right, total] : results)
        {
            ASSERT_EQ(roster.AddResult("amy", "pw", Result(TestKind::Test, kCourse, "", right, total)), 1);
            ASSERT_EQ(roster.AddResult("amy", "pw", Result(TestKind::PreTest, kCourse, "", 0, 20)), 1);
        }
        m_history.m_pRoster = &roster;
        EXPECT_EQ(m_history.AverageScore(), average) << testing::PrintToString(results);
        EXPECT_EQ(m_history.CountResults(), static_cast<int>(results.size()));
    }
}

TEST_F(History, PreviousResultsAreTheEightNewestOldestFirst)
{
    Run(TestKind::Quiz, "Intro");
    for (int i = 1; i <= 11; ++i)
    {
        Add(Result(TestKind::Quiz, kCourse, "Intro", i, 10));
        Add(Result(TestKind::Quiz, kCourse, "Later", 100 + i, 10));
        Add(Result(TestKind::Test, kCourse, "", 200 + i));
        if (i == 3)
        {
            EXPECT_EQ(Ask(), Answers(3, 3, 20, {1, 2, 3}));
        }
    }
    Add(Result(TestKind::Quiz, kCourse, "Intro", 99), "bob");
    EXPECT_EQ(Ask(), Answers(11, 11, 60, {4, 5, 6, 7, 8, 9, 10, 11}));
}

TEST_F(History, QuizResultWithAQLineReadFromTheFileStillCountsForItsQuiz)
{
    StoreText(RecordPath(), "uamy\npw\ntSample Course\ncIntro\nd19990614093015\ns000505\nr08\na10\nq\n");
    const auto roster = ReadRecordFile();
    m_history.m_pRoster = roster.get();
    Run(TestKind::Quiz, "Intro");
    EXPECT_EQ(Ask(), Answers(8, 1, 80, {8}));
    Run(TestKind::PreTest);
    EXPECT_EQ(Ask(), Answers(-1, 0, 0, {}));
}

TEST_F(History, NoRosterOrNoSuchStudentIsAnEmptyHistory)
{
    Add(Result(TestKind::Test, kCourse, "", 17));
    for (const auto& [name, roster] :
         {std::pair<std::string, CStudentRoster*>("amy", nullptr), {"nobody", &m_roster}, {"Amy", &m_roster}})
    {
        m_history.m_pRoster = roster;
        m_history.m_strUserName = name;
        EXPECT_EQ(Ask(), Answers(-1, 0, 0, {})) << name;
    }
}

TEST_F(History, TheFirstStudentOfTheNameIsTheOneAsked)
{
    const auto roster = CStudentRoster::ParseRecordText("uamy\ntSample Course\nr05\na10\n"
                                                        "uamy\ntSample Course\nr09\na10\ntSample Course\n");
    m_history.m_pRoster = roster.get();
    EXPECT_EQ(Ask(), Answers(5, 1, 50, {5}));
}

TEST_F(History, ThisRunsResultIsStoredAsTheFileKeepsIt)
{
    const quillet::TimeStamp end = UtcSeconds(1999, 6, 14, 9, 30, 15);
    for (const TestKind kind : {TestKind::Test, TestKind::PreTest, TestKind::Quiz})
    {
        SCOPED_TRACE(TestKindWord(kind));
        std::filesystem::remove(RecordPath());
        Run(kind, "Intro"); // a test run has no chapter to record
        m_history.m_timeStart = end - 754;
        m_history.m_timeEnd = end;
        const auto amy = quillet::FileRecordStore().Register({"amy", "pw"});
        ASSERT_TRUE(amy.session);
        ASSERT_TRUE(amy.session->AddResult(m_history.MakeResult(7, 20), {}).status);

        const bool quiz = kind == TestKind::Quiz;
        const bool preTest = kind == TestKind::PreTest;
        const auto stored = ReadRecordFile();
        ASSERT_TRUE(stored && stored->GetResultCount(0) == 1);
        EXPECT_EQ(Fields(*stored->GetResult(0, 0)),
                  EntryFields(!quiz, preTest, kCourse, quiz ? "Intro" : "", end, 754, 7, 20));
        EXPECT_EQ(stored->ComposeRecordText(),
                  std::string("uamy\nppw\ntSample Course\n") + (quiz ? "cIntro\n" : "") +
                      "d19990614093015\ns001234\nr07\na20\n" + (preTest ? "q\n" : ""));
    }
}
