// What a student can do with his lab machine's login to the record server,
// tried against a real server the tests start: each attack fails, or
// touches no other machine and no other student.
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "records/PgConnection.h"
#include "records/PgRecordStore.h"
#include "records/RecordServer.h"
#include "records/StudentRoster.h"

namespace
{
using quillet::RecordStore;
using quillet::StoreError;

recordserver::RecordServer* g_server = nullptr;
std::string g_skip;

// The standard output of a shell command, and its exit status in `status`.
std::string Shell(const std::string& command, int* status = nullptr)
{
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string text;
    char buffer[4096];
    while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
        text.append(buffer, got);
    const int ended = ::pclose(pipe);
    if (status)
        *status = WIFEXITED(ended) ? WEXITSTATUS(ended) : -1;
    return text;
}

int Count(const std::string& text, const std::string& word)
{
    int n = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
        ++n;
    return n;
}

// Waits until the server shows a backend of `role` doing what `state` says.
bool AwaitBackend(const std::string& condition)
{
    for (int tries = 0; tries < 100; ++tries)
    {
        std::string seen;
        g_server->Psql("quillet_admin", "SELECT count(*) FROM pg_stat_activity WHERE " + condition, &seen);
        if (seen != "0\n" && !seen.empty())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

class ServerAttack : public testing::Test
{
  protected:
    void SetUp() override
    {
        if (!g_server)
            GTEST_SKIP() << g_skip;
    }
};
}

// Guesses on one name from one machine, made every way that could take a
// try back (a rollback, a cancel, twenty connections at once): at most five
// are ever answered, and the right password from another machine is let in.
TEST_F(ServerAttack, TriesOnANameAreCountedWhateverTheCallerDoes)
{
    const std::string own = g_server->NewMachine();
    ASSERT_TRUE(quillet::PgRecordStore(own).Register({"target", "right"}).status);
    ASSERT_TRUE(g_server->AddMachine("guesser"));
    // Unknown name and wrong password: one answer, so names cannot be listed.
    EXPECT_EQ(g_server->Try("guesser", "nobody-at-all", "x").status, "refused");
    EXPECT_EQ(g_server->Try("guesser", "target", "wrong").status, "refused");

    const std::string script = g_server->Dir() + "/guess.sql";
    std::ofstream(script) << "SELECT quillet.try_login('target', 'guess') AS t \\gset\n"
                             "SELECT CASE WHEN :'t' = 'wait' THEN 'wait' "
                             "ELSE (SELECT status::text FROM quillet.try_answer(:'t')) END;\n"
                             "SELECT quillet.try_login('target', 'guess2') AS t \\gset\n"
                             "SELECT CASE WHEN :'t' = 'wait' THEN 'wait' "
                             "ELSE (SELECT status::text FROM quillet.try_answer(:'t')) END;\n";
    const std::string psql = "psql -X -q -A -t '" + g_server->Connection("guesser") + "'";
    const std::string said = Shell(
        // The answer read inside the try's own transaction, then rolled back.
        "echo \"BEGIN; SELECT quillet.try_login('target', 'g') AS t \\gset\n"
        "SELECT status FROM quillet.try_answer(:'t'); ROLLBACK;\" | " +
        psql +
        " 2>&1;"
        // Cancelled while the hash is computed.
        "echo \"SET statement_timeout = 1; SELECT quillet.try_login('target', 'g');\" | " +
        psql +
        " 2>&1;"
        // Twenty machines' worth of connections at once.
        "for i in $(seq 20); do " +
        psql + " -f " + script + " 2>&1 & done; wait");
    EXPECT_NE(said.find("answered once it is committed"), std::string::npos) << said;
    // One wrong password on the name was answered above.
    EXPECT_LE(Count(said, "refused"), 5 - 1) << said;
    EXPECT_GE(Count(said, "wait"), 30) << said;

    EXPECT_EQ(g_server->Try("guesser", "target", "right").status, "wait");
    const RecordStore::Login elsewhere = quillet::PgRecordStore(own).LogIn({"target", "right"});
    EXPECT_TRUE(elsewhere.status) << elsewhere.status.reason;
}

// A machine that holds its transactions open holds no other student's
// rows: logins, saves and journals of students elsewhere go on.
TEST_F(ServerAttack, AnOpenTransactionLocksNoOtherStudent)
{
    const std::string other = g_server->NewMachine();
    ASSERT_TRUE(quillet::PgRecordStore(other).Register({"alice", "pw"}).status);
    ASSERT_TRUE(g_server->AddMachine("holder"));
    const std::string token = g_server->Try("holder", "mallory", "pw", "register").token;
    ASSERT_EQ(token.size(), 64u);
    const std::string held =
        "psql -X -q '" + g_server->Connection("holder") +
        "' -c \"BEGIN; SELECT quillet.try_login('alice', 'x'); SELECT quillet.try_register('alice', 'x'); "
        "SELECT quillet.try_register('newcomer', 'x'); SELECT quillet.keep_journal('" +
        token + "', 'k', 'j'); SELECT quillet.history('" + token +
        "'); SELECT pg_sleep(60);\" >/dev/null 2>&1 & echo $!";
    const int pid = std::stoi(Shell(held));
    ASSERT_TRUE(AwaitBackend("usename = 'holder' AND wait_event = 'PgSleep'"));

    quillet::PgRecordStore store(other);
    const RecordStore::Login login = store.LogIn({"alice", "pw"});
    ASSERT_TRUE(login.session) << login.status.reason;
    const quillet::JournalKey key{"alice", "Networks", TestKind::Test, 0};
    EXPECT_TRUE(login.session->KeepJournal(key, "journal\n"));
    CResultEntry result;
    result.m_strTitle = "Networks";
    result.m_nRight = 12;
    result.m_nTotal = 20;
    result.m_timeGraded = 1'765'000'000;
    const quillet::RecordSession::Saved saved = login.session->AddResult(result, {});
    EXPECT_TRUE(saved.status) << saved.status.reason;
    EXPECT_EQ(quillet::PgRecordStore(other).Register({"newcomer2", "pw"}).status.error, StoreError::None);

    ::kill(pid, SIGKILL);
    g_server->Psql("quillet_admin",
                   "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = 'holder'");
}

// Registrations from one machine are ten a minute; every further one waits.
TEST_F(ServerAttack, RegistrationsFromOneMachineAreBounded)
{
    ASSERT_TRUE(g_server->AddMachine("registrar"));
    std::string answers;
    std::string expected;
    for (int i = 0; i < 11; ++i)
    {
        answers += g_server->Try("registrar", "crowd-" + std::to_string(i), "pw", "register").status + " ";
        expected += i < 10 ? "accepted " : "wait ";
    }
    EXPECT_EQ(answers, expected);
}

// A student's saves are bounded: no loop of them fills the server's disk,
// while a result sent again after a lost answer still goes through.
TEST_F(ServerAttack, ResultsOfOneStudentAreBoundedAnHour)
{
    ASSERT_TRUE(g_server->AddMachine("saver"));
    const std::string token = g_server->Try("saver", "busy", "pw", "register").token;
    const auto add = [&](const std::string& keys)
    {
        return g_server->Psql("saver",
                              "SELECT count(*) FROM " + keys + " k, LATERAL quillet.add_result('" + token +
                                  "', k.key, true, false, 'T', '', 1765000000, NULL, 60, 10, 20, NULL, NULL, "
                                  "NULL, NULL) r");
    };
    EXPECT_EQ(add("(SELECT 'key-' || g AS key FROM generate_series(1, 120) g)"), 0);
    EXPECT_NE(add("(SELECT 'key-121' AS key)"), 0);
    EXPECT_EQ(add("(SELECT 'key-7' AS key)"), 0);
    // A key held for another result is a clash, told.
    std::string said;
    EXPECT_NE(g_server->Psql("saver",
                             "SELECT count(*) FROM quillet.add_result('" + token +
                                 "', 'key-7', true, false, 'Other', '', 1765000000, NULL, 60, 10, 20, "
                                 "NULL, NULL, NULL, NULL)",
                             &said),
              0);
    EXPECT_NE(said.find("held under the same key"), std::string::npos) << said;
}

// A password's every byte counts, on the server and in a record file that
// holds the server's hash; an account hashed the old way (its first 72 bytes)
// still logs in, and is hashed anew.
TEST_F(ServerAttack, PasswordsLongerThanBlowfishReadsCountWhole)
{
    const std::string password(100, 'a');
    const std::string samePrefix = std::string(72, 'a') + std::string(28, 'b');
    ASSERT_TRUE(g_server->AddMachine("long_passwords"));
    ASSERT_EQ(g_server->Try("long_passwords", "long", password, "register").status, "accepted");
    EXPECT_EQ(g_server->Try("long_passwords", "long", samePrefix).status, "refused");
    EXPECT_EQ(g_server->Try("long_passwords", "long", password).status, "accepted");
    std::string hash;
    g_server->Psql("quillet_admin", "SELECT password_hash FROM quillet.students WHERE name = 'long'", &hash);
    hash = hash.substr(0, hash.find('\n'));
    EXPECT_TRUE(CStudentRoster::PasswordMatches(hash, password));
    EXPECT_FALSE(CStudentRoster::PasswordMatches(hash, samePrefix));

    ASSERT_EQ(g_server->Psql("quillet_admin",
                             "UPDATE quillet.students SET password_hash = quillet_crypto.crypt('" + password +
                                 "', quillet_crypto.gen_salt('bf', 6)) WHERE name = 'long'"),
              0);
    EXPECT_EQ(g_server->Try("long_passwords", "long", password).status, "accepted");
    EXPECT_EQ(g_server->Try("long_passwords", "long", samePrefix).status, "refused");
}

// An import whose connection is ended in the middle says so and leaves
// nothing of itself; nothing of it is sent again outside its transaction.
TEST_F(ServerAttack, AnImportWhoseConnectionEndsFailsAndLeavesNothing)
{
    const std::string text = g_server->Dir() + "/import.txt";
    {
        std::ofstream out(text);
        for (int s = 0; s < 300; ++s)
            out << "uimported-" << s << "\npimported\ntNetworks\nd20260101100000\ns000500\nr10\na20\n";
    }
    const std::string file = g_server->Dir() + "/import.blh";
    ASSERT_EQ(
        std::system((std::string(QUILLET_RECORDS_TOOL " encode '") + text + "' '" + file + "'").c_str()), 0);
    // The results table held, so that the import waits there until it is ended.
    const int locker = std::stoi(Shell("psql -X -q '" + g_server->Connection("quillet_admin") +
                                       "' -c 'BEGIN; LOCK TABLE quillet.results; SELECT pg_sleep(60)' "
                                       ">/dev/null 2>&1 & echo $!"));
    ASSERT_TRUE(AwaitBackend("query LIKE '%LOCK TABLE%' AND wait_event = 'PgSleep'"));
    const std::string import = g_server->Dir() + "/import.out";
    const std::string ended = g_server->Dir() + "/import.status";
    Shell(std::string("(" QUILLET_RECORDS_TOOL " db import '") + g_server->Connection("quillet_admin") +
          "' '" + file + "' >" + import + " 2>&1; echo $? >" + ended + ") >/dev/null 2>&1 &");
    ASSERT_TRUE(AwaitBackend("application_name = 'quillet' AND wait_event_type = 'Lock'"));
    g_server->Psql("quillet_admin", "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                    "WHERE application_name = 'quillet' AND wait_event_type = 'Lock'");
    int status = -1;
    for (int tries = 0; tries < 300 && status < 0; ++tries)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::ifstream(ended) >> status;
    }
    ::kill(locker, SIGKILL);
    g_server->Psql("quillet_admin", "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                    "WHERE query LIKE '%LOCK TABLE%' AND pid <> pg_backend_pid()");
    std::string said;
    std::getline(std::ifstream(import), said, '\0');
    EXPECT_EQ(status, 1) << said;
    EXPECT_NE(said.find("nothing was imported"), std::string::npos) << said;
    EXPECT_EQ(said.find("added"), std::string::npos) << said;
    std::string held;
    g_server->Psql("quillet_admin", "SELECT count(*) FROM quillet.students WHERE name LIKE 'imported-%'",
                   &held);
    EXPECT_EQ(held, "0\n");
}

// A backend that stops answering (frozen, or a network gone quiet) is given
// up within the call's limits and the call made on a new connection,
// instead of holding the window; so is one ended between calls.
TEST_F(ServerAttack, NoCallWaitsWithoutEnd)
{
    quillet::PgConnection db(g_server->Connection("quillet_admin"), {500, 200});
    const quillet::PgConnection::Result pid = db.Exec("SELECT pg_backend_pid()");
    ASSERT_TRUE(pid.status) << pid.status.reason;
    const pid_t backend = static_cast<pid_t>(quillet::PgConnection::Number(pid.rows[0][0]));
    ASSERT_EQ(::kill(backend, SIGSTOP), 0);
    const quillet::PgConnection::Result frozen = db.Exec("SELECT pg_backend_pid()");
    ::kill(backend, SIGCONT);
    ASSERT_TRUE(frozen.status) << frozen.status.reason;
    EXPECT_NE(quillet::PgConnection::Number(frozen.rows[0][0]), backend);

    const quillet::PgConnection::Result again = db.Exec("SELECT pg_backend_pid()");
    ASSERT_TRUE(again.status) << again.status.reason;
    g_server->Psql("quillet_admin", "SELECT pg_terminate_backend(" + *again.rows[0][0] + ")");
    EXPECT_TRUE(db.Exec("SELECT 1").status);
}

// A machine whose login the server refuses (a password changed, a role
// removed) is told so, not that the server is out of reach.
TEST_F(ServerAttack, AMachineTheServerDoesNotLetInIsToldSo)
{
    const RecordStore::Login login =
        quillet::PgRecordStore(g_server->Connection("no_such_machine") + " password=x")
            .LogIn({"anyone", "pw"});
    EXPECT_EQ(login.status.error, StoreError::Refused);
    EXPECT_NE(login.status.reason.find("does not let this machine in"), std::string::npos)
        << login.status.reason;
}

// Records of an older version, read by a newer program: the teacher and the
// student are told to have them upgraded; a role that may not upgrade them is
// told what a superuser runs first.
TEST_F(ServerAttack, OlderRecordsAndMissingRightsAreToldWithWhatToRun)
{
    // The first version, as its owner made it.
    ASSERT_TRUE(g_server->AddMachine("older_owner"));
    ASSERT_EQ(g_server->Psql("quillet_admin", "CREATE DATABASE older OWNER older_owner"), 0);
    const std::string older = "host=" + g_server->Dir() + " dbname=older user=";
    int status = 0;
    const std::string made = Shell(
        "psql -X -q -v ON_ERROR_STOP=1 '" + older + "older_owner' -c '" +
            "CREATE SCHEMA quillet; CREATE TABLE quillet.schema_version (version integer); "
            "INSERT INTO quillet.schema_version VALUES (1);' -f " QUILLET_SQL_DIR "/001-schema.sql 2>&1",
        &status);
    ASSERT_EQ(status, 0) << made;
    const std::string said =
        Shell(std::string(QUILLET_RECORDS_TOOL " stats '") + older + "quillet_admin' 2>&1", &status);
    EXPECT_NE(status, 0);
    EXPECT_NE(said.find("run quillet-records db init"), std::string::npos) << said;
    ASSERT_TRUE(g_server->AddMachine("older_machine"));
    const RecordStore::Login login = quillet::PgRecordStore(older + "older_machine").LogIn({"anyone", "pw"});
    EXPECT_NE(login.status.reason.find("run quillet-records db init"), std::string::npos)
        << login.status.reason;

    ASSERT_TRUE(g_server->AddMachine("stranger"));
    const std::string refused =
        Shell(std::string(QUILLET_RECORDS_TOOL " db init '") + older + "stranger' 2>&1", &status);
    EXPECT_NE(status, 0);
    EXPECT_NE(refused.find("ALTER DATABASE \"older\" OWNER TO \"stranger\";"), std::string::npos) << refused;
    // Its owner, no superuser, upgrades it; pgcrypto is then out of the students' reach.
    const std::string upgraded =
        Shell(std::string(QUILLET_RECORDS_TOOL " db init '") + older + "older_owner' 2>&1", &status);
    EXPECT_EQ(status, 0) << upgraded;
    EXPECT_NE(g_server->Psql("older_machine", "SELECT quillet_crypto.gen_random_bytes(8)"), 0);
}

int main(int argc, char** argv)
{
    return recordserver::RunTests(argc, argv, g_server, g_skip);
}
