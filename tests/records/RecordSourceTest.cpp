// What a teacher reads of a class, the same from a record file and from a
// record server: one class written to each through its store reads back
// through RecordSource as the same students, results, answers and journals.
// The server is a real one that the test starts and stops.
#include <map>
#include <sys/stat.h>

#include <algorithm>
#include <functional>

#include "records/FileRecordStore.h"
#include "records/JournalFolders.h"
#include "records/PgRecordStore.h"
#include "records/RecordServer.h"
#include "records/RecordSource.h"
#include "records/RecordsTestSupport.h"

namespace
{
using namespace recordtest;
using quillet::RecordSource;
using quillet::SourceError;

recordserver::RecordServer* g_server = nullptr;
std::string g_skip;

// The class, in the order its results were saved: each student's oldest first.
const struct Sitting
{
    const char* student;
    TestKind kind;
    const char* chapter; // a quiz's
    quillet::TimeStamp graded;
    int right;
    std::vector<quillet::Response> answers; // none: a result kept without its answers
} kClass[] = {
    {"ann",
     TestKind::Test,
     "",
     1'765'000'000,
     1,
     {{"Ch1", "00000000000000a1", 0, true, false, {}},
      {"Ch2 \u00fcber", "00000000000000b1", -1, false, true, {}}}},
    {"ann",
     TestKind::Quiz,
     "Ch2 \u00fcber",
     1'765'000'300,
     0,
     {{"Ch2 \u00fcber", "00000000000000b1", 2, false, false, {}}}},
    {"bob", TestKind::PreTest, "", 1'765'000'100, 1, {{"Ch1", "00000000000000a1", 0, true, true, {}}}},
    {"Zo\u00eb", TestKind::Test, "", 1'765'000'200, 15, {}},
};
// The journals of tests left unfinished, with the student who left each.
const struct Unfinished
{
    quillet::JournalKey key;
    const char* text;
} kUnfinished[] = {
    {{"bob", "Networks", TestKind::Quiz, 2}, "bob's quiz\n"},
    {{"Zo\u00eb", "Networks", TestKind::Test, 0}, "Zo\u00eb's test\n"},
};

CResultEntry ResultOf(const Sitting& sitting)
{
    CResultEntry result;
    result.m_kind = sitting.kind;
    result.m_strTitle = "Networks";
    result.m_strChapter = sitting.chapter;
    result.m_timeGraded = sitting.graded;
    result.m_spanTaken = 120;
    result.m_nRight = sitting.right;
    result.m_nTotal = 20;
    return result;
}

std::string NameOnly(const std::string& journal)
{
    return journal.substr(journal.rfind('/') + 1);
}

class Sources : public RecordDirTest, public testing::WithParamInterface<std::string>
{
  protected:
    void SetUp() override
    {
        RecordDirTest::SetUp();
        if (Server() && !g_server)
            GTEST_SKIP() << g_skip;
    }

    bool Server() const { return GetParam() == "server"; }

    // Where the class is read from, as a teacher names it.
    std::string Where() const { return Server() ? g_server->Connection("teacher") : RecordPath(); }

    std::unique_ptr<quillet::RecordStore> Store() const
    {
        if (Server())
            return std::make_unique<quillet::PgRecordStore>(g_server->NewMachine());
        return std::make_unique<quillet::FileRecordStore>(RecordPath());
    }
};

INSTANTIATE_TEST_SUITE_P(FileAndServer, Sources, testing::Values("file", "server"));
}

TEST_P(Sources, AClassReadsBackAsItWasSaved)
{
    // A lab folder that every account writes to: each account's journals go
    // in a folder of its own there.
    ASSERT_EQ(::chmod(m_dir.c_str(), 0770), 0);
    const auto store = Store();
    std::vector<std::string> students;
    std::string answered;
    std::map<std::string, std::unique_ptr<quillet::RecordSession>> sessions;
    for (const Sitting& sitting : kClass)
    {
        const quillet::Student student{sitting.student, "pw"};
        std::unique_ptr<quillet::RecordSession>& session = sessions[student.name];
        if (!session)
        {
            students.push_back(student.name);
            quillet::RecordStore::Login registered = store->Register(student);
            ASSERT_TRUE(registered.status) << registered.status.reason;
            session = std::move(registered.session);
        }
        const quillet::ResultAnswers answers{{"/banks/net.blh", 10, 0xabc}, sitting.answers};
        ASSERT_TRUE(session->AddResult(ResultOf(sitting), answers).status);
        if (!sitting.answers.empty())
            answered +=
                quillet::CResponseFile::Compose({student.name, sitting.kind, "Networks", sitting.chapter,
                                                 sitting.graded, answers.bank, sitting.answers});
        for (const Unfinished& unfinished : kUnfinished)
            EXPECT_TRUE(unfinished.key.student != student.name ||
                        session->KeepJournal(unfinished.key, unfinished.text));
    }

    const auto source = RecordSource::Open(Where());
    const RecordSource::RosterRead read = source->Students();
    ASSERT_FALSE(read.status.Failed()) << read.status.ErrorText();
    ASSERT_EQ(read.roster->GetStudentCount(), static_cast<int>(students.size()));
    for (int s = 0; s < read.roster->GetStudentCount(); ++s)
    {
        const CStudentRecord& student = *read.roster->GetStudent(s);
        EXPECT_EQ(student.m_strName, students[static_cast<std::size_t>(s)]);
        // A teacher never reads a password off the server.
        EXPECT_EQ(student.m_strPassword, Server() ? "" : "pw");
        std::vector<EntryFields> expected;
        for (const Sitting& sitting : kClass)
            if (student.m_strName == sitting.student)
                expected.push_back(Fields(ResultOf(sitting)));
        std::vector<EntryFields> results;
        for (const auto& result : student.m_results)
            results.push_back(Fields(*result));
        EXPECT_EQ(results, expected) << student.m_strName;
    }

    // Compared as the responses file writes them, which a failure shows readably.
    std::string responses;
    int unreadable = -1;
    const quillet::SourceStatus visited = source->Responses(
        [&](quillet::ResponseRecord& record) { responses += quillet::CResponseFile::Compose(record); },
        &unreadable);
    EXPECT_EQ(visited.Error(), SourceError::None) << visited.ErrorText();
    EXPECT_EQ(unreadable, 0);
    EXPECT_EQ(responses, answered);

    const RecordSource::JournalsRead journals = source->Journals();
    ASSERT_FALSE(journals.status.Failed()) << journals.status.ErrorText();
    ASSERT_EQ(journals.journals.size(), std::size(kUnfinished));
    for (const Unfinished& unfinished : kUnfinished)
    {
        const auto found = std::find_if(journals.journals.begin(), journals.journals.end(),
                                        [&](const quillet::UnfinishedJournal& journal) {
                                            return NameOnly(journal.name) == JournalFileName(unfinished.key);
                                        });
        ASSERT_NE(found, journals.journals.end()) << unfinished.text;
        EXPECT_TRUE(found->readable);
        EXPECT_EQ(found->text, unfinished.text);
        // Named by the student on the server, by the account's folder in a lab folder.
        const std::string folder = found->name.substr(0, found->name.find('/'));
        EXPECT_TRUE(Server() ? folder == unfinished.key.student : quillet::IsJournalFolderName(folder))
            << found->name;
    }
    EXPECT_TRUE(std::is_sorted(journals.journals.begin(), journals.journals.end(),
                               [](const auto& a, const auto& b) { return a.name < b.name; }));
}

TEST_P(Sources, AnswersOfAnyTextReadBackInTheirOrder)
{
    // Texts that a server quotes or escapes in an array, and more answers
    // than sort alike as text and as numbers.
    const char* const texts[] = {
        "tab\there", "NULL", "", "{a,\"b\"}\\c", "new\nline", "comma, space", "\u00dcber \u6f22\u5b57"};
    Sitting sitting{"awkward", TestKind::Test, "", 1'765'000'400, 0, {}};
    for (int i = 0; i < 12; ++i)
    {
        const std::string text = texts[i % std::size(texts)];
        const int answer = i % 3 - 1;
        sitting.answers.push_back({text, text + std::to_string(i), answer, answer == 0, i % 4 == 0,
                                   answer < 0 ? "" : quillet::HashText(0xa0 + i)});
        sitting.right += answer == 0;
    }
    CResultEntry result = ResultOf(sitting);
    result.m_nTotal = static_cast<int>(sitting.answers.size());
    const quillet::ResultAnswers answers{{"/banks/net.blh", 10, 0xabc}, sitting.answers};
    quillet::RecordStore::Login registered = Store()->Register({sitting.student, "pw"});
    ASSERT_TRUE(registered.status) << registered.status.reason;
    ASSERT_TRUE(registered.session->AddResult(result, answers).status);

    std::string responses;
    const quillet::SourceStatus visited = RecordSource::Open(Where())->Responses(
        [&](quillet::ResponseRecord& record)
        {
            if (record.student == sitting.student)
                responses += quillet::CResponseFile::Compose(record);
        });
    EXPECT_EQ(visited.Error(), SourceError::None) << visited.ErrorText();
    EXPECT_EQ(responses, quillet::CResponseFile::Compose({sitting.student, sitting.kind, "Networks", "",
                                                          sitting.graded, answers.bank, sitting.answers}));
}

TEST_P(Sources, WhatCannotBeReadSaysWhyByItsCode)
{
    const auto students = [](RecordSource& source) { return source.Students().status; };
    const auto responses = [](RecordSource& source)
    { return source.Responses([](quillet::ResponseRecord&) {}); };
    const auto journals = [](RecordSource& source) { return source.Journals().status; };
    StoreText(RecordPath(), "pnobody\n");
    const std::string nowhere = m_dir + "/nowhere/" + kRecordFileName;
    const std::string away = "host=" + m_dir + "/none dbname=quillet user=teacher";
    const std::string lab = Server() ? g_server->NewMachine() : "";
    const struct
    {
        bool server;
        std::string where;
        std::function<quillet::SourceStatus(RecordSource&)> read;
        SourceError error;
    } cases[] = {
        {false, nowhere, students, SourceError::Missing},
        {false, RecordPath(), students, SourceError::NoStudents},
        {false, nowhere, responses, SourceError::Missing},
        {false, RecordPath(), responses, SourceError::NothingKept},
        {false, nowhere, journals, SourceError::Missing},
        {true, away, students, SourceError::Unreachable},
        {true, away, responses, SourceError::Unreachable},
        {true, away, journals, SourceError::Unreachable},
        // A lab machine's role has no right to the teachers' views.
        {true, lab, students, SourceError::Refused},
        {true, lab, responses, SourceError::Refused},
        {true, lab, journals, SourceError::Refused},
    };
    for (const auto& c : cases)
    {
        if (c.server != Server())
            continue;
        SCOPED_TRACE(c.where);
        const quillet::SourceStatus status = c.read(*RecordSource::Open(c.where));
        EXPECT_EQ(status.Error(), c.error) << status.ErrorText();
        EXPECT_NE(status.ErrorText(), "");
    }
}

int main(int argc, char** argv)
{
    return recordserver::RunTests(argc, argv, g_server, g_skip);
}
