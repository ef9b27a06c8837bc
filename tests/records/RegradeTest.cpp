// Regrading a class against an edited bank, the same on a record file and on
// a record server of the test's own: which results change, which are left as
// they were and why, and that a second run changes nothing.
#include <map>

#include "course/Course.h"
#include "records/FileRecordStore.h"
#include "records/PgRecordStore.h"
#include "records/RecordServer.h"
#include "records/RecordSource.h"
#include "records/RecordsTestSupport.h"
#include "records/ResultRegrade.h"

namespace
{
using namespace recordtest;
using quillet::RegradeReport;

recordserver::RecordServer* g_server = nullptr;
std::string g_skip;

// A question: its text, answers and the place of the right one.
struct Q
{
    std::string text;
    std::vector<std::string> answers;
    int right;
};

std::unique_ptr<CCourse> BankOf(const std::string& title, const std::vector<Q>& questions)
{
    auto chapter = std::make_unique<CChapter>();
    chapter->SetName("Ch1");
    for (const Q& q : questions)
    {
        auto question = std::make_unique<CQuestion>();
        question->SetText(q.text);
        for (const std::string& answer : q.answers)
            question->AddAnswer(answer);
        question->SetCorrect(q.right);
        chapter->Add(std::move(question));
    }
    auto bank = std::make_unique<CCourse>();
    bank->SetName(title);
    bank->Add(std::move(chapter));
    return bank;
}

const std::vector<Q> kFirst = {
    {"Capital of France?", {"Lyon", "Paris", "Nice"}, 0}, // mis-keyed: Paris is right
    {"2 + 2?", {"3", "4"}, 1},
    {"Largest planet?", {"Mars", "Jupiter"}, 1},
};

// What each student chose, by the answer's text; "" for none.
const std::map<std::string, std::vector<std::string>> kChoices = {
    {"ann", {"Paris", "4", "Jupiter"}},
    {"bob", {"Lyon", "4", "Mars"}},
    {"cy", {"", "3", "Jupiter"}},
};

const struct Edit
{
    const char* name;
    std::vector<Q> bank;
    std::map<std::string, std::pair<int, int>> changed; // student: before, after
    int unchanged;
    int left;
    long long answersGone;
    // Answers kept before they had keys, and whether the bank given is the
    // very version they were drawn from.
    bool placeOnly = false;
    bool sameVersion = false;
    bool earlierGiven = false; // the version they were drawn from, beside the bank
} kEdits[] = {
    {"ReKeyed",
     {{"Capital of France?", {"Lyon", "Paris", "Nice"}, 1}, kFirst[1], kFirst[2]},
     {{"ann", {2, 3}}, {"bob", {2, 1}}},
     1,
     0,
     0},
    {"AnswersReordered",
     {{"Capital of France?", {"Nice", "Paris", "Lyon"}, 2}, kFirst[1], kFirst[2]},
     {},
     3,
     0,
     0},
    // Fixed in one go: re-keyed and its answers reordered.
    {"ReKeyedAndReordered",
     {{"Capital of France?", {"Paris", "Nice", "Lyon"}, 0}, kFirst[1], kFirst[2]},
     {{"ann", {2, 3}}, {"bob", {2, 1}}},
     1,
     0,
     0},
    // A wrong answer's text edited: who chose it keeps his mark.
    {"AnswerTextEdited",
     {{"Capital of France?", {"Lyons", "Paris", "Nice"}, 1}, kFirst[1], kFirst[2]},
     {{"ann", {2, 3}}},
     2,
     0,
     1},
    {"QuestionTextEdited", {kFirst[0], {"Two plus two?", {"3", "4"}, 1}, kFirst[2]}, {}, 0, 3, 0},
    {"QuestionRemoved", {kFirst[0], kFirst[1]}, {}, 0, 3, 0},
    {"PlaceOnlyOfThisVersion", kFirst, {}, 3, 0, 0, true, true},
    {"PlaceOnlyOfAnotherVersion", kFirst, {}, 0, 3, 0, true, false},
    {"PlaceOnlyReadInTheEarlierVersionGiven",
     {{"Capital of France?", {"Nice", "Paris", "Lyon"}, 1}, kFirst[1], kFirst[2]},
     {{"ann", {2, 3}}, {"bob", {2, 1}}},
     1,
     0,
     0,
     true,
     false,
     true},
};

std::string Base(const std::string& student)
{
    return student.substr(0, student.find('@'));
}

class Regrade : public RecordDirTest, public testing::WithParamInterface<std::tuple<std::string, Edit>>
{
  protected:
    void SetUp() override
    {
        RecordDirTest::SetUp();
        if (Server() && !g_server)
            GTEST_SKIP() << g_skip;
    }

    bool Server() const { return std::get<0>(GetParam()) == "server"; }
    const Edit& TheEdit() const { return std::get<1>(GetParam()); }
    // Each case has a course of its own on the one server.
    std::string Course() const { return std::string("Course ") + TheEdit().name; }
    std::string Where() const { return Server() ? g_server->Connection("quillet_admin") : RecordPath(); }

    // The class's Tests of the first bank, one each, with their answers.
    void SitTheClass()
    {
        const auto bank = BankOf(Course(), kFirst);
        std::unique_ptr<quillet::RecordStore> store;
        if (Server())
            store = std::make_unique<quillet::PgRecordStore>(g_server->NewMachine());
        else
            store = std::make_unique<quillet::FileRecordStore>(RecordPath());
        quillet::TimeStamp graded = 1'765'000'000;
        for (const auto& [student, choices] : kChoices)
        {
            // Each case's students are its own on the one server.
            quillet::RecordStore::Login login = store->Register({student + "@" + TheEdit().name, "pw"});
            ASSERT_TRUE(login.status) << login.status.reason;
            std::vector<quillet::Response> responses;
            const CChapter& chapter = *bank->GetAt(0);
            for (int q = 0; q < chapter.GetCount(); ++q)
            {
                const CQuestion& question = *chapter.GetAt(q);
                quillet::Response response{"Ch1", quillet::QuestionKey(question.GetText()), -1, false, false,
                                           {}};
                for (int a = 0; a < question.GetAnswerCount(); ++a)
                    if (*question.GetAnswerText(a) == choices[static_cast<std::size_t>(q)])
                        response = {
                            "Ch1",
                            response.question,
                            a,
                            a == question.GetCorrect(),
                            false,
                            TheEdit().placeOnly ? "" : quillet::QuestionKey(choices[static_cast<std::size_t>(q)])};
                responses.push_back(response);
            }
            CResultEntry result;
            result.m_strTitle = Course();
            result.m_timeGraded = graded += 60;
            result.m_spanTaken = 300;
            result.m_nTotal = 3;
            for (const quillet::Response& response : responses)
                result.m_nRight += response.right ? 1 : 0;
            ASSERT_TRUE(
                login.session->AddResult(result, {{"/banks/first.blh", 100, 0x1111}, responses}).status);
        }
    }

    RegradeReport Run(const CCourse& bank, bool dryRun, quillet::TimeStamp now)
    {
        const quillet::BankKeys keys(bank, TheEdit().sameVersion
                                               ? quillet::BankIdentity{"/banks/first.blh", 100, 0x1111}
                                               : quillet::BankIdentity{"/banks/second.blh", 200, 0x2222});
        const auto first = BankOf(Course(), kFirst);
        std::vector<quillet::BankKeys> earlier;
        if (TheEdit().earlierGiven)
            earlier.emplace_back(*first, quillet::BankIdentity{"/banks/first.blh", 100, 0x1111});
        RegradeReport report;
        const quillet::StoreStatus status =
            quillet::ResultRegrade::Open(Where())->Run(keys, earlier, dryRun, now, report);
        EXPECT_TRUE(status) << status.reason;
        return report;
    }

    // Each student's score and the scores it replaced, as a teacher reads them.
    std::map<std::string, std::pair<int, std::vector<int>>> Scores()
    {
        std::map<std::string, std::pair<int, std::vector<int>>> scores;
        const auto source =
            quillet::RecordSource::Open(Server() ? g_server->Connection("teacher") : RecordPath());
        const quillet::RecordSource::RosterRead read = source->Students();
        EXPECT_FALSE(read.status.Failed()) << read.status.ErrorText();
        for (int s = 0; read.roster && s < read.roster->GetStudentCount(); ++s)
            for (const auto& result : read.roster->GetStudent(s)->m_results)
                if (result->m_strTitle == Course())
                {
                    auto& [right, before] = scores[Base(read.roster->GetStudent(s)->m_strName)];
                    right = result->m_nRight;
                    for (const CRegrade& regrade : result->m_regrades)
                        before.push_back(regrade.m_nRight);
                }
        return scores;
    }
};

INSTANTIATE_TEST_SUITE_P(FileAndServer, Regrade,
                         testing::Combine(testing::Values("file", "server"), testing::ValuesIn(kEdits)),
                         [](const auto& info)
                         { return std::get<0>(info.param) + "_" + std::get<1>(info.param).name; });
}

TEST_P(Regrade, ChangesWhatTheEditChangesAndKeepsTheScoresItReplaced)
{
    ASSERT_NO_FATAL_FAILURE(SitTheClass());
    const Edit& edit = TheEdit();
    const auto bank = BankOf(Course(), edit.bank);
    const auto before = Scores();

    const RegradeReport dry = Run(*bank, true, 1'766'000'000);
    EXPECT_EQ(dry.changed.size(), edit.changed.size());
    EXPECT_EQ(Scores(), before) << "a dry run writes nothing";

    const RegradeReport report = Run(*bank, false, 1'766'000'000);
    std::map<std::string, std::pair<int, int>> changed;
    for (const RegradeReport::Change& change : report.changed)
        changed[Base(change.test.student)] = {change.before, change.after};
    EXPECT_EQ(changed, edit.changed);
    EXPECT_EQ(report.unchanged, edit.unchanged);
    EXPECT_EQ(static_cast<int>(report.left.size()), edit.left);
    EXPECT_EQ(report.answersGone, edit.answersGone);
    EXPECT_EQ(report.withoutAnswers, 0);

    const auto after = Scores();
    for (const auto& [student, score] : before)
    {
        const auto found = edit.changed.find(student);
        const std::pair<int, std::vector<int>> expected =
            found == edit.changed.end()
                ? score
                : std::pair<int, std::vector<int>>{found->second.second, {score.first}};
        EXPECT_EQ(after.at(student), expected) << student;
    }

    const RegradeReport again = Run(*bank, false, 1'766'000'100);
    EXPECT_TRUE(again.changed.empty());
    EXPECT_EQ(Scores(), after) << "a second regrade changes nothing";
}

int main(int argc, char** argv)
{
    return recordserver::RunTests(argc, argv, g_server, g_skip);
}
