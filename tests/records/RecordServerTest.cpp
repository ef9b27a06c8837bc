// The records on a PostgreSQL server, as lab machines and teachers use them,
// beside the record file: one behaviour for both stores, what a lab
// machine's role may not do, many machines at once, and moving records in
// and out, and the banks whose results it scores itself. The server is a
// real one that the tests start and stop.
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <thread>

#include "CourseBuilders.h"
#include "course/CourseReader.h"
#include "course/Response.h"
#include "records/FileRecordStore.h"
#include "records/PgRecordStore.h"
#include "records/RecordServer.h"
#include "records/RecordSource.h"
#include "records/RecordsTestSupport.h"
#include "records/StudentSession.h"

namespace
{
using namespace recordtest;
using quillet::RecordSession;
using quillet::RecordStore;
using quillet::StoreError;

recordserver::RecordServer* g_server = nullptr;
std::string g_skip;

CResultEntry Result(int right, quillet::TimeStamp graded)
{
    CResultEntry result;
    result.m_strTitle = "Networks";
    result.m_nRight = right;
    result.m_nTotal = 20;
    result.m_timeGraded = graded;
    result.m_spanTaken = 300;
    return result;
}

std::vector<int> Rights(const std::vector<CResultEntry>& results)
{
    std::vector<int> rights;
    for (const CResultEntry& result : results)
        rights.push_back(result.m_nRight);
    return rights;
}

// Each test on a fresh folder and a fresh server database state of its own:
// names carry the test's number.
class Stores : public RecordDirTest, public testing::WithParamInterface<std::string>
{
  protected:
    void SetUp() override
    {
        RecordDirTest::SetUp();
        if (!g_server)
            GTEST_SKIP() << g_skip;
        static int run = 0;
        m_name = "student" + std::to_string(++run) + "-" + std::to_string(::getpid());
        m_machine = g_server->NewMachine();
    }

    // Away: the record file's lock held by another copy, or a server
    // without a socket.
    std::unique_ptr<RecordStore> Open(bool away = false)
    {
        if (GetParam() == "server")
            return std::make_unique<quillet::PgRecordStore>(
                away ? "host=" + m_dir + "/none dbname=quillet user=lab" : m_machine);
        if (away)
        {
            m_holder = StartWriter({RecordPath(), "holder", "1", "--hold"});
            char said[16] = {};
            EXPECT_GT(::read(m_holder.output, said, sizeof said - 1), 0);
        }
        else if (m_holder.pid > 0)
        {
            ::kill(m_holder.pid, SIGKILL);
            Finish(m_holder);
            m_holder = {};
        }
        return std::make_unique<quillet::FileRecordStore>(RecordPath(), 200);
    }

    std::string m_name;
    std::string m_machine;
    Writer m_holder;
};

INSTANTIATE_TEST_SUITE_P(FileAndServer, Stores, testing::Values("file", "server"));
}

TEST_P(Stores, BehaveAlike)
{
    const auto store = Open();
    const quillet::Student ann{m_name, "pw"};
    const quillet::JournalKey key{m_name, "Networks", TestKind::Test, 0};
    EXPECT_EQ(store->LogIn(ann).status.error, StoreError::NotHeld);
    const RecordStore::Login registered = store->Register(ann);
    ASSERT_TRUE(registered.status) << registered.status.reason;
    // The server's login could not tell a held name: its registration says the password is wrong.
    EXPECT_EQ(store->Register({m_name, "other"}).status.error,
              GetParam() == "server" ? StoreError::WrongPassword : StoreError::NameTaken);
    // The server answers a wrong password as it answers a name it does not hold.
    const RecordStore::Login wrong = store->LogIn({m_name, "other"});
    EXPECT_EQ(wrong.status.error, GetParam() == "server" ? StoreError::NotHeld : StoreError::WrongPassword);
    EXPECT_EQ(wrong.session, nullptr);
    ASSERT_TRUE(registered.session->AddResult(Result(17, 1'765'000'000), {}).status);
    const RecordSession::Saved second = registered.session->AddResult(Result(12, 1'765'000'600), {});
    ASSERT_TRUE(second.status);
    EXPECT_EQ(Rights(second.results), (std::vector<int>{17, 12}));
    const RecordStore::Login login = store->LogIn(ann);
    ASSERT_TRUE(login.status);
    ASSERT_EQ(login.results.size(), 2u);
    EXPECT_EQ(login.results[0].m_strTitle, "Networks");
    EXPECT_EQ(login.results[0].m_timeGraded, 1'765'000'000);
    EXPECT_EQ(login.results[0].m_spanTaken, 300);

    RecordSession& session = *login.session;
    EXPECT_FALSE(session.ReadJournal(key).found);
    ASSERT_TRUE(session.KeepJournal(key, "first\n"));
    ASSERT_TRUE(session.KeepJournal(key, "second\n"));
    const RecordSession::JournalRead read = session.ReadJournal(key);
    EXPECT_TRUE(read.found && read.status);
    EXPECT_EQ(read.text, "second\n");
    EXPECT_EQ(session.KeepJournal(key, "").error, StoreError::Refused);
    session.RemoveJournal(key);
    EXPECT_FALSE(session.ReadJournal(key).found);
    ASSERT_TRUE(session.KeepJournal(key, "bad\n"));
    session.SetAsideJournal(key);
    EXPECT_FALSE(session.ReadJournal(key).found);
}

TEST_P(Stores, AResultKeptWhileTheStoreIsAwayGoesWithTheNextSave)
{
    ASSERT_TRUE(Open()->Register({m_name, "pw"}).status);
    const auto away = Open(true);
    EXPECT_EQ(away->LogIn({m_name, "pw"}).status.error, StoreError::Unavailable);
    std::string keptIn;
    ASSERT_TRUE(away->Pending().Keep({m_name, "pw"}, Result(5, 1'765'000'000), keptIn)) << keptIn;

    const auto back = Open();
    const RecordStore::Login login = back->LogIn({m_name, "pw"});
    ASSERT_TRUE(login.session) << login.status.reason;
    const RecordSession::Saved saved = login.session->AddResult(Result(9, 1'765'000'900), {});
    ASSERT_TRUE(saved.status) << saved.status.reason;
    EXPECT_EQ(Rights(saved.results), (std::vector<int>{5, 9}));
    EXPECT_EQ(saved.setAside, "");
    // Sent once: another save does not bring it again.
    EXPECT_EQ(Rights(login.session->AddResult(Result(1, 1'765'001'000), {}).results),
              (std::vector<int>{5, 9, 1}));
}

TEST_P(Stores, AResultKeptUnderAPasswordSinceChangedGoesAsideForTheTeacher)
{
    ASSERT_TRUE(Open()->Register({m_name, "old"}).status);
    std::string keptIn;
    ASSERT_TRUE(Open()->Pending().Keep({m_name, "old"}, Result(5, 1'765'000'000), keptIn));
    if (GetParam() == "server")
        ASSERT_EQ(g_server->Psql("quillet_admin", "UPDATE quillet.students SET password_hash = "
                                                  "quillet.password_hash('new') WHERE name = '" +
                                                      m_name + "'"),
                  0);
    else
        ASSERT_TRUE(quillet::CRecordFile(RecordPath())
                        .Update(
                            [&](CStudentRoster& roster)
                            {
                                roster.GetStudent(roster.FindStudent(m_name))->m_strPassword = "new";
                                return std::string();
                            }));

    const auto store = Open();
    // Told a wrong password as an unknown name, the server's machine lets the
    // result waiting here under it open a sitting of its own, with nothing of
    // the server's; the result still never reaches his records (below).
    const RecordStore::Login old = store->LogIn({m_name, "old"});
    EXPECT_EQ(old.status.error, GetParam() == "server" ? StoreError::None : StoreError::WrongPassword);
    EXPECT_EQ(Rights(old.results), GetParam() == "server" ? std::vector<int>{5} : std::vector<int>{});
    const RecordStore::Login login = store->LogIn({m_name, "new"});
    ASSERT_TRUE(login.session) << login.status.reason;
    const RecordSession::Saved saved = login.session->AddResult(Result(9, 1'765'000'900), {});
    ASSERT_TRUE(saved.status) << saved.status.reason;
    EXPECT_EQ(Rights(saved.results), (std::vector<int>{9}));
    EXPECT_EQ(saved.setAside, store->Pending().GetRefusedPath());
    const auto aside = ReadRecordFile(saved.setAside);
    ASSERT_TRUE(aside);
    EXPECT_EQ(aside->GetResultCount(aside->FindStudent(m_name)), 1);
    // Aside for good: the next save brings nothing of it.
    EXPECT_EQ(Rights(login.session->AddResult(Result(1, 1'765'001'000), {}).results),
              (std::vector<int>{9, 1}));
}

TEST_P(Stores, APendingFileThatDoesNotReadIsMovedAsideAndTold)
{
    ASSERT_TRUE(Open()->Register({m_name, "pw"}).status);
    const std::string pending =
        GetParam() == "server" ? quillet::PgRecordStore::PendingPath() : RecordPath() + ".pending";
    std::filesystem::create_directories(std::filesystem::path(pending).parent_path());
    std::filesystem::remove(pending + ".unreadable");
    StoreText(pending, "not a file of results\n");
    const std::string before = ReadBytes(pending);
    const RecordStore::Login login = Open()->LogIn({m_name, "pw"});
    ASSERT_TRUE(login.session) << login.status.reason;
    const RecordSession::Saved saved = login.session->AddResult(Result(9, 1'765'000'900), {});
    ASSERT_TRUE(saved.status) << saved.status.reason;
    EXPECT_EQ(Rights(saved.results), (std::vector<int>{9}));
    EXPECT_EQ(saved.unreadablePending, std::vector<std::string>{pending + ".unreadable"});
    EXPECT_EQ(ReadBytes(pending + ".unreadable"), before);
    // Results kept from now on have their place again.
    std::string keptIn;
    EXPECT_TRUE(Open()->Pending().Keep({m_name, "pw"}, Result(3, 1'765'001'000), keptIn));
    EXPECT_EQ(keptIn, pending);
    std::filesystem::remove(pending + ".unreadable");
}

TEST(RecordServer, APendingResultTheServerRefusesGoesAsideAndTheSaveGoesOn)
{
    if (!g_server)
        GTEST_SKIP() << g_skip;
    const std::string machine = g_server->NewMachine();
    ASSERT_TRUE(quillet::PgRecordStore(machine).Register({"refused-one", "pw"}).status);
    quillet::PgRecordStore store(machine);
    std::string keptIn;
    ASSERT_TRUE(store.Pending().Keep({"refused-one", "pw"}, Result(99, 1'765'000'000), keptIn));
    ASSERT_TRUE(store.Pending().Keep({"refused-one", "pw"}, Result(7, 1'765'000'100), keptIn));
    const RecordStore::Login login = store.LogIn({"refused-one", "pw"});
    ASSERT_TRUE(login.session) << login.status.reason;
    const RecordSession::Saved saved = login.session->AddResult(Result(9, 1'765'000'900), {});
    ASSERT_TRUE(saved.status) << saved.status.reason;
    EXPECT_EQ(Rights(saved.results), (std::vector<int>{7, 9}));
    EXPECT_EQ(saved.refusedIn, store.Pending().GetRefusedPath());
    EXPECT_TRUE(saved.setAside.empty());
    const auto aside = ReadRecordFile(saved.refusedIn);
    ASSERT_TRUE(aside);
    const CStudentRecord* kept = aside->GetStudent(aside->FindStudent("refused-one"));
    ASSERT_NE(kept, nullptr);
    ASSERT_EQ(kept->m_results.size(), 1u);
    EXPECT_EQ(kept->m_results[0]->m_nRight, 99);
    std::filesystem::remove(saved.refusedIn);
}

TEST(RecordServer, ALabMachinesRoleReachesNothingButItsOwnStudentThroughTheFunctions)
{
    if (!g_server)
        GTEST_SKIP() << g_skip;
    const std::string victim = g_server->Try("lab", "victim", "secret", "register").token;
    ASSERT_EQ(
        g_server->Psql("lab", "SELECT quillet.add_result('" + victim +
                                  "', 'victim-1', true, false, 'T', '', 1765000000, NULL, 60, 10, 20, NULL, "
                                  "NULL, NULL, NULL)"),
        0);
    const std::string thief = g_server->Try("lab", "thief", "pw", "register").token;
    const auto AddAsVictim = [&](const std::string& values)
    { return "SELECT quillet.add_result('" + victim + "', " + values + ")"; };
    const struct
    {
        const char* user;
        std::string sql;
        bool allowed;
    } cases[] = {
        {"lab", "SELECT count(*) FROM quillet.students", false},
        {"lab", "SELECT count(*) FROM quillet.results", false},
        {"lab", "SELECT count(*) FROM quillet.journals", false},
        {"lab", "SELECT count(*) FROM quillet.result_list", false},
        {"lab", "SELECT count(*) FROM quillet.login_tries", false},
        {"lab", "UPDATE quillet.results SET right_answers = 20", false},
        {"lab", "DELETE FROM quillet.results", false},
        {"lab", "SELECT count(*) FROM quillet.sessions", false},
        {"lab", "SELECT count(*) FROM quillet.history('forged')", false},
        {"lab",
         "SELECT quillet.add_result('forged', 'forged-1', true, false, 'T', '', 1, NULL, 1, 20, 20, NULL, "
         "NULL, NULL, "
         "NULL)",
         false},
        // Its results are read through history alone.
        {"lab", "SELECT count(*) FROM quillet.results_of(1)", false},
        {"lab", "SELECT quillet.keep_journal('forged', 'k', 'planted')", false},
        {"lab", "SELECT quillet.new_session(1)", false},
        {"lab", "SELECT quillet.keep_try(false, 'victim', 'accepted', 1)", false},
        {"lab", "SELECT quillet.password_matches('secret', '$2a$06$')", false},
        // Blowfish of any cost, or a temporary function, would let one machine burn the server's time.
        {"lab", "SELECT quillet_crypto.crypt('x', quillet_crypto.gen_salt('bf', 20))", false},
        {"lab", "CREATE TEMPORARY TABLE planted (x integer)", false},
        {"lab", "SELECT count(*) FROM quillet.history('" + victim + "')", true},
        // What no test gives is refused: a score out of range, answers that
        // disagree with it, a date before 2000, a journal of a megabyte and
        // more, or beyond a student's hundredth.
        {"lab",
         AddAsVictim("'v-2', true, false, 'T', '', 1765000000, NULL, 60, 99, 20, NULL, NULL, NULL, NULL"),
         false},
        {"lab",
         AddAsVictim("'v-3', true, false, 'T', '', 1765000000, NULL, 60, -5, 20, NULL, NULL, NULL, NULL"),
         false},
        {"lab", AddAsVictim("'v-4', true, false, 'T', '', 1, NULL, 60, 10, 20, NULL, NULL, NULL, NULL"),
         false},
        {"lab",
         AddAsVictim(
             "'v-5', true, false, 'T', '', 1765000000, NULL, 60, 0, 20, '/b', 1, 'ab', "
             "jsonb_build_array(jsonb_build_object('c', 'C', 'q', 'k', 'a', 0, 'r', true, 'f', false))"),
         false},
        {"lab", "SELECT quillet.keep_journal('" + victim + "', 'k', repeat('x', 1048577))", false},
        {"lab",
         "SELECT count(*) FROM generate_series(1, 101) g, LATERAL quillet.keep_journal('" + victim +
             "', 'k' || g, 'x') j",
         false},
        // Another student sending the victim's key stores his own result, and drops none of the victim's.
        {"lab",
         "SELECT count(*) FROM quillet.add_result('" + thief +
             "', 'victim-1', true, false, 'T', '', 1765000000, NULL, 60, 0, 20, NULL, NULL, NULL, NULL)",
         true},
        {"teacher", "SELECT count(*) FROM quillet.students", false},
        {"teacher", "SELECT quillet.try_login('victim', 'secret')", false},
        {"teacher", "SELECT count(*) FROM quillet.result_list", true},
        {"teacher", "SELECT count(*) FROM quillet.student_list", true},
    };
    for (const auto& c : cases)
    {
        std::string said;
        EXPECT_EQ(g_server->Psql(c.user, c.sql, &said) == 0, c.allowed) << c.user << ": " << c.sql << "\n"
                                                                        << said;
    }
    std::string right;
    g_server->Psql("quillet_admin", "SELECT right_answers FROM quillet.result_list WHERE name = 'victim'",
                   &right);
    EXPECT_EQ(right, "10\n");
    g_server->Psql("quillet_admin", "SELECT count(*) FROM quillet.result_list WHERE name = 'thief'", &right);
    EXPECT_EQ(right, "1\n");
    // Kept and set aside over and over, a student's journals aside stay ten.
    ASSERT_EQ(g_server->Psql("lab", "SELECT count(*) FROM generate_series(1, 12) g, LATERAL (SELECT "
                                    "quillet.keep_journal('" +
                                        victim + "', 'loop', 'x' || g), quillet.set_aside_journal('" +
                                        victim + "', 'loop')) j"),
              0);
    g_server->Psql(
        "quillet_admin",
        "SELECT count(*) FROM quillet.journals_aside a JOIN quillet.students s ON s.id = a.student_id "
        "WHERE s.name = 'victim'",
        &right);
    EXPECT_EQ(right, "10\n");
}

TEST(RecordServer, FiftyMachinesAtOnceLoseNoResultAndStoreNoneTwice)
{
    if (!g_server)
        GTEST_SKIP() << g_skip;
    // Fifty scram handshakes at once on a loaded two-core runner outlast a lab machine's four
    // seconds; what is tested here is what the server keeps, not how soon it answers.
    std::vector<Writer> clients;
    for (int k = 0; k < 50; ++k)
    {
        const std::string machine = "crowd_machine" + std::to_string(k);
        ASSERT_TRUE(g_server->AddMachine(machine));
        const std::string patient = g_server->Connection(machine) + " connect_timeout=120";
        clients.push_back(StartWriter({"--server", patient, "crowd" + std::to_string(k), "20"}));
    }
    for (Writer& client : clients)
        EXPECT_EQ(Finish(client), 0);
    std::string counts;
    g_server->Psql("quillet_admin",
                   "SELECT count(*), count(DISTINCT request_key) FROM quillet.result_list r "
                   "JOIN quillet.results USING (id) WHERE name LIKE 'crowd%'",
                   &counts);
    EXPECT_EQ(counts, "1000|1000\n");

    // A machine killed inside its transaction leaves nothing of it.
    const std::string psql =
        "psql -X -q '" + g_server->Connection("lab") + "' -c \"BEGIN; SELECT quillet.add_result('" +
        g_server->Try("lab", "killed", "pw", "register").token +
        "', 'killed-1', "
        "true, false, 'T', '', 1765000000, NULL, 1, 1, 20, NULL, NULL, NULL, NULL); SELECT "
        "pg_sleep(60);\" >/dev/null 2>&1 "
        "& echo $!";
    FILE* started = ::popen(psql.c_str(), "r");
    ASSERT_NE(started, nullptr);
    int pid = 0;
    ASSERT_EQ(std::fscanf(started, "%d", &pid), 1);
    ::pclose(started);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ::kill(pid, SIGKILL);
    std::string left;
    for (int tries = 0; tries < 50 && left != "0\n"; ++tries)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        g_server->Psql("quillet_admin", "SELECT count(*) FROM quillet.results WHERE request_key = 'killed-1'",
                       &left);
    }
    EXPECT_EQ(left, "0\n");
}

TEST(RecordServer, TwoSetUpsAtOnceBothSucceedAndApplyEachMigrationOnce)
{
    if (!g_server)
        GTEST_SKIP() << g_skip;
    ASSERT_EQ(g_server->Psql("quillet_admin", "CREATE DATABASE racing"), 0);
    std::string admin = g_server->Connection("quillet_admin");
    admin.replace(admin.find("dbname=quillet"), 14, "dbname=racing");
    const std::string init = std::string(QUILLET_RECORDS_TOOL) + " db init '" + admin + "' 2>&1";
    // Both started before either is waited for.
    FILE* first = ::popen(init.c_str(), "r");
    FILE* second = ::popen(init.c_str(), "r");
    ASSERT_TRUE(first && second);
    for (FILE* init : {first, second})
    {
        std::string said;
        char buffer[512];
        while (std::size_t got = std::fread(buffer, 1, sizeof buffer, init))
            said.append(buffer, got);
        const int status = ::pclose(init);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << said;
    }
    // At the newest version, each migration applied once.
    EXPECT_EQ(
        std::system((std::string(QUILLET_RECORDS_TOOL) + " db status '" + admin + "' >/dev/null").c_str()),
        0);
}

TEST(RecordServer, RecordFilesGoInAndComeOutWithTheSameResultsAndPasswords)
{
    if (!g_server)
        GTEST_SKIP() << g_skip;
    const std::string dir =
        std::filesystem::temp_directory_path().string() + "/quillet-move-" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    const std::string text = "umover\npsecret\ntNetworks\nd20261201100000\ns000505\nr10\na20\n"
                             "tNetworks\ncCh1\nd20261202100000\ns000100\nr07\na10\nq\n"
                             "umover2\np\ntNetworks\nd20261203100000\ns001000\nr20\na20\nq\n";
    StoreText(dir + "/in.blh", text);
    const std::string tool = QUILLET_RECORDS_TOOL;
    const std::string admin = "'" + g_server->Connection("quillet_admin") + "'";
    ASSERT_EQ(std::system((tool + " db import " + admin + " " + dir + "/in.blh >/dev/null").c_str()), 0);
    // Again: every result is there already, nothing twice.
    ASSERT_EQ(std::system((tool + " db import " + admin + " " + dir + "/in.blh >/dev/null").c_str()), 0);
    StoreText(dir + "/conflict.blh", "umover\npother\ntNetworks\nd20261205100000\ns000505\nr01\na20\n");
    EXPECT_EQ(WEXITSTATUS(std::system(
                  (tool + " db import " + admin + " " + dir + "/conflict.blh 2>/dev/null").c_str())),
              1);
    ASSERT_EQ(std::system((tool + " db export " + admin + " " + dir + "/out.blh").c_str()), 0);

    const auto in = CStudentRoster::ParseRecordText(text);
    const auto out = ReadRecordFile(dir + "/out.blh");
    ASSERT_TRUE(out);
    for (const char* name : {"mover", "mover2"})
    {
        const CStudentRecord* before = in->GetStudent(in->FindStudent(name));
        const CStudentRecord* after = out->GetStudent(out->FindStudent(name));
        ASSERT_TRUE(after) << name;
        ASSERT_EQ(after->m_results.size(), before->m_results.size()) << name;
        for (std::size_t i = 0; i < before->m_results.size(); ++i)
            EXPECT_EQ(Fields(*after->m_results[i]), Fields(*before->m_results[i])) << name << " " << i;
        // The export carries the hash, and the record file store checks it.
        EXPECT_NE(after->m_strPassword, before->m_strPassword);
        EXPECT_TRUE(out->CheckPassword(name, before->m_strPassword)) << name;
        EXPECT_FALSE(out->CheckPassword(name, "wrong")) << name;
    }
    std::filesystem::remove_all(dir);
}

TEST(RecordServer, ATeacherReadsItWithTheToolsAsARecordFileWithoutPasswords)
{
    if (!g_server)
        GTEST_SKIP() << g_skip;
    quillet::PgRecordStore lab(g_server->NewMachine());
    const RecordStore::Login reader = lab.Register({"reader", "secret"});
    ASSERT_TRUE(reader.status);
    const quillet::ResultAnswers answers{
        {"/b.blh", 10, 0xabc},
        {{"Ch1", "0000000000000001", 0, true, false, {}}, {"Ch1", "0000000000000002", -1, false, true, {}}}};
    ASSERT_TRUE(reader.session->AddResult(Result(15, 1'765'000'000), answers).status);
    std::string kept;
    g_server->Psql("quillet_admin",
                   "SELECT position, chapter, answer, is_right, flagged FROM quillet.response_list "
                   "WHERE name = 'reader' ORDER BY position",
                   &kept);
    EXPECT_EQ(kept, "0|Ch1|0|t|f\n1|Ch1||f|t\n");
    ASSERT_TRUE(reader.session->KeepJournal({"reader", "Networks", TestKind::Test, 0}, "not a journal\n"));
    const auto run = [](const std::string& arguments)
    {
        std::string out;
        if (FILE* pipe =
                ::popen((std::string(QUILLET_RECORDS_TOOL) + " " + arguments + " 2>&1").c_str(), "r"))
        {
            char buffer[4096];
            while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
                out.append(buffer, got);
            ::pclose(pipe);
        }
        return out;
    };
    const std::string teacher = "'" + g_server->Connection("teacher") + "'";
    const std::string dump = run("dump " + teacher);
    EXPECT_NE(dump.find(R"({"name":"reader","password":"","results":[{)"), std::string::npos) << dump;
    EXPECT_EQ(dump.find("secret"), std::string::npos);
    EXPECT_NE(run("export-csv " + teacher).find("reader,test,Networks,,"), std::string::npos);
    EXPECT_NE(run("history " + teacher + " --user reader --course Networks --test").find(R"("count":1)"),
              std::string::npos);
    EXPECT_NE(run("unfinished " + teacher).find(R"("readable":false)"), std::string::npos);
    // The lab machines' role reads none of it.
    EXPECT_NE(run("dump '" + g_server->Connection("lab") + "'").find("permission denied"), std::string::npos);
}

TEST(RecordServer, QuestionStatisticsReadFromTheServerAreThoseOfTheFile)
{
    if (!g_server)
        GTEST_SKIP() << g_skip;
    const std::string dir =
        std::filesystem::temp_directory_path().string() + "/quillet-stats-" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    quillet::FileRecordStore file(dir + "/" + kRecordFileName);
    // 24 students, one Test each in January 2030, after every other test's
    // results; answers that vary so that every figure has something to show.
    for (int k = 0; k < 24; ++k)
    {
        const quillet::Student student{"stats" + std::to_string(k), "pw"};
        const std::vector<quillet::Response> responses = {
            {"Ch1", "00000000000000a1", k < 14 ? 0 : 1, k < 14, false, {}},
            {"Ch1",
             "00000000000000a2",
             k % 3 == 0 && k < 18 ? 0
             : k % 4 == 0         ? -1
                                  : 1 + k % 2,
             k % 3 == 0 && k < 18,
             k % 5 == 0,
             {}},
            {"Ch2 \u00fcber",
             "00000000000000b1",
             k < 10 || k % 5 == 0 ? 0 : 2,
             k < 10 || k % 5 == 0,
             false,
             {}},
        };
        CResultEntry result = Result(0, 1'894'000'000 + k * 3600);
        result.m_nTotal = 3;
        for (const quillet::Response& response : responses)
            result.m_nRight += response.right ? 1 : 0;
        const quillet::ResultAnswers answers{{"/banks/net.blh", 10, 0xabc}, responses};
        quillet::PgRecordStore lab(g_server->NewMachine());
        for (RecordStore* store : std::initializer_list<RecordStore*>{&lab, &file})
        {
            const RecordStore::Login registered = store->Register(student);
            ASSERT_TRUE(registered.status);
            ASSERT_TRUE(registered.session->AddResult(result, answers).status);
        }
    }
    const auto stats = [](const std::string& store, const char* format)
    {
        std::string out;
        const std::string command = std::string(QUILLET_RECORDS_TOOL) + " stats '" + store +
                                    "' --since 2030-01-01 " + format + " 2>&1";
        if (FILE* pipe = ::popen(command.c_str(), "r"))
        {
            char buffer[4096];
            while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
                out.append(buffer, got);
            ::pclose(pipe);
        }
        return out;
    };
    for (const char* format : {"--json", "--csv", ""})
    {
        SCOPED_TRACE(format);
        const std::string fromServer = stats(g_server->Connection("teacher"), format);
        EXPECT_EQ(fromServer, stats(dir + "/" + kRecordFileName, format));
        EXPECT_EQ(fromServer.find("cannot"), std::string::npos) << fromServer;
    }
    EXPECT_TRUE(
        stats(g_server->Connection("teacher"), "--json").starts_with(R"({"tests":24,"responses":72,)"));
    std::filesystem::remove_all(dir);
}

namespace
{
// A loaded bank's results through the lab machines' role, each test as a student of its own.
class LoadedBanks : public RecordDirTest
{
  protected:
    void SetUp() override
    {
        RecordDirTest::SetUp();
        if (!g_server)
            GTEST_SKIP() << g_skip;
        static int run = 0;
        // Made once the folders are the test's: its pending file lies there.
        m_lab = std::make_unique<quillet::PgRecordStore>(g_server->Connection("lab"));
        RecordStore::Login login = m_lab->Register({"banked" + std::to_string(++run), "pw"});
        ASSERT_TRUE(login.status) << login.status.reason;
        m_session = std::move(login.session);
    }

    // quillet-records db COMMAND URL BANK as `user`: its exit status; `said` what it printed.
    int Db(const std::string& command, const std::string& bank, std::string& said,
           const char* user = "quillet_admin") const
    {
        const int status =
            std::system((std::string(QUILLET_RECORDS_TOOL) + " db " + command + " '" +
                         g_server->Connection(user) + "' " + bank + " >" + m_dir + "/said 2>&1")
                            .c_str());
        said = ReadBytes(m_dir + "/said");
        return WEXITSTATUS(status);
    }

    // Sent as the window sends a test, every question answered with its
    // shown answer i % 2, so that some are right and some wrong.
    RecordSession::Saved Send(quillet::TestRun& run, const std::string& bank, int claimed = -1,
                              const std::function<void(quillet::ResultAnswers&)>& forge = {})
    {
        for (int i = 0; i < run.GetQuestionCount(); ++i)
        {
            run.GoTo(i);
            run.ChooseAnswer(i % 2);
        }
        const quillet::BankFile file = quillet::ReadBankFile(bank);
        quillet::ResultAnswers answers{{bank, file.storedSize, file.storedHash}, quillet::ResponsesOf(run)};
        if (forge)
            forge(answers);
        CResultEntry result = Result(claimed < 0 ? run.GetScore().right : claimed, 1'765'000'000 + ++m_sent);
        result.m_nTotal = run.GetQuestionCount();
        return m_session->AddResult(result, answers);
    }

    std::unique_ptr<quillet::PgRecordStore> m_lab;
    std::unique_ptr<RecordSession> m_session;
    int m_sent = 0;
};

void ClaimAllRight(quillet::ResultAnswers& answers)
{
    for (quillet::Response& response : answers.responses)
        response.right = true;
}
}

TEST_F(LoadedBanks, ABankLoadedIntoTheServerHoldsTheKeysOfEveryTestDrawnFromIt)
{
    const std::string hash = quillet::HashText(quillet::ReadBankFile(QUILLET_SAMPLE_BANK).storedHash);
    std::string said;
    // Loaded again, it replaces itself.
    for (int load = 0; load < 2; ++load)
    {
        ASSERT_EQ(Db("bank add", QUILLET_SAMPLE_BANK, said), 0) << said;
        EXPECT_EQ(said, "bank Home and Small-Office Networking: 114 questions in 7 chapters loaded (hash " +
                            hash + ")\n");
    }
    EXPECT_EQ(Db("bank list", "", said, "teacher"), 0);
    EXPECT_TRUE(said.starts_with(hash + "  Home and Small-Office Networking: 114 questions")) << said;
    EXPECT_EQ(Db("bank add", QUILLET_SAMPLE_BANK, said, "lab"), 1);

    // Every chapter's quiz, statements true and false among them: the
    // server's score is the window's.
    CRandom random(7);
    for (int chapter = 1; chapter <= 7; ++chapter)
    {
        const auto run =
            quillet::TestRun::DrawQuiz(quillet::ReadBankFile(QUILLET_SAMPLE_BANK).course, chapter, random);
        const RecordSession::Saved saved = Send(*run, QUILLET_SAMPLE_BANK);
        ASSERT_TRUE(saved.status) << saved.status.reason;
        EXPECT_EQ(saved.results.back().m_nRight, run->GetScore().right) << chapter;
    }

    // Statements of one chapter and text, of other truths, cannot be told
    // apart: each is taken once, as the machine scored it.
    const std::string twins = m_dir + "/twins.blh";
    StoreText(twins, "!Twins\n@Ch\n$Same\n^True\n$Same\n^False\n#Other\n^right\n^wrong\n");
    ASSERT_EQ(Db("bank add", twins, said), 0);
    EXPECT_NE(said.find("2 questions share their chapter and text"), std::string::npos) << said;
    const auto run = quillet::TestRun::DrawQuiz(quillet::ReadBankFile(twins).course, 1, random);
    const RecordSession::Saved saved = Send(*run, twins);
    ASSERT_TRUE(saved.status) << saved.status.reason;
    EXPECT_EQ(saved.results.back().m_nRight, run->GetScore().right);
}

TEST_F(LoadedBanks, AForgedResultOfALoadedBankIsRefusedOrScoredByTheBank)
{
    std::string said;
    ASSERT_EQ(Db("bank add", QUILLET_SAMPLE_BANK, said), 0) << said;
    using Answers = quillet::ResultAnswers;
    std::unique_ptr<quillet::TestRun> run;
    const struct
    {
        const char* forgery;
        std::function<void(Answers&)> forge;
        const char* refused; // what the server says
        bool scoredByBank;   // else stored as sent
    } cases[] = {
        {"full marks claimed", [](Answers&) {}, nullptr, true},
        {"every answer claimed right", ClaimAllRight, nullptr, true},
        {"an answer past the last",
         [&](Answers& a) { a.responses[3].answer = run->GetQuestions()[3]->GetAnswerCount(); },
         "does not have", false},
        {"a question not in the bank", [](Answers& a) { a.responses[5].question[0] ^= 1; }, "bank does not",
         false},
        {"another chapter's", [](Answers& a) { a.responses[0].chapter = a.responses[19].chapter; },
         "bank does not", false},
        {"one question twice", [](Answers& a) { a.responses[1] = a.responses[0]; }, "more often", false},
        {"fewer answers than questions", [](Answers& a) { a.responses.pop_back(); }, "one answer for each",
         false},
        // A bank the server does not hold: taken as before.
        {"of another bank", [](Answers& a) { ClaimAllRight(a), a.bank.hash += 1; }, nullptr, false},
    };
    CRandom random(11);
    for (const auto& c : cases)
    {
        run = quillet::TestRun::DrawTest(quillet::ReadBankFile(QUILLET_SAMPLE_BANK).course, false, random);
        const RecordSession::Saved saved = Send(*run, QUILLET_SAMPLE_BANK, 20, c.forge);
        EXPECT_EQ(saved.status.error, c.refused ? StoreError::Refused : StoreError::None) << c.forgery;
        EXPECT_NE(saved.status.reason.find(c.refused ? c.refused : ""), std::string::npos) << c.forgery;
        if (!c.refused && saved.status)
        {
            EXPECT_EQ(saved.results.back().m_nRight, c.scoredByBank ? run->GetScore().right : 20)
                << c.forgery;
        }
    }

    // Answers' keys are the bank's too, whatever was sent: a teacher reads the real ones.
    run = quillet::TestRun::DrawTest(quillet::ReadBankFile(QUILLET_SAMPLE_BANK).course, false, random);
    ASSERT_TRUE(Send(*run, QUILLET_SAMPLE_BANK, -1,
                     [](Answers& a)
                     {
                         for (quillet::Response& response : a.responses)
                             response.answerKey = "ffffffffffffffff";
                     })
                    .status);
    std::vector<std::string> kept;
    quillet::RecordSource::Open(g_server->Connection("teacher"))
        ->Responses(
            [&](quillet::ResponseRecord& record)
            {
                kept.clear();
                for (const quillet::Response& response : record.responses)
                    kept.push_back(response.answerKey);
            });
    std::vector<std::string> real;
    for (const quillet::Response& response : quillet::ResponsesOf(*run))
        real.push_back(response.answerKey);
    EXPECT_EQ(kept, real);
}

int main(int argc, char** argv)
{
    return recordserver::RunTests(argc, argv, g_server, g_skip);
}
