// Each lab machine and teacher logs in to the record server as a role of
// its own (quillet-records db add-machine, add-teacher), and a lab machine
// reads its credential itself: what one machine does with its credential
// touches no other, and a credential file that is not root's is refused.
// The server is a real one that the tests start and stop.
#include <pwd.h>
#include <unistd.h>

#include "platform/IniFile.h"
#include "records/MachineCredential.h"
#include "records/PgRecordStore.h"
#include "records/RecordServer.h"
#include "records/RecordsTestSupport.h"

namespace
{
using quillet::RecordStore;
using quillet::StoreError;
using quillet::StoreStatus;

recordserver::RecordServer* g_server = nullptr;
std::string g_skip;

// The tool's exit status; `said` receives all it wrote.
int Tool(const std::string& arguments, std::string* said = nullptr)
{
    return recordserver::Capture(std::string(QUILLET_RECORDS_TOOL) + " " + arguments + " 2>&1", said);
}

// Logs the student in, registering him the first time, and saves a result.
StoreStatus Save(RecordStore& store, const std::string& name)
{
    RecordStore::Login login = store.LogIn({name, "pw"});
    if (login.status.error == StoreError::NotHeld)
        login = store.Register({name, "pw"});
    if (!login.session)
        return login.status;
    CResultEntry result;
    result.m_strTitle = "Networks";
    result.m_nRight = 15;
    result.m_nTotal = 20;
    result.m_timeGraded = 1'765'000'000;
    result.m_spanTaken = 300;
    return login.session->AddResult(result, {}).status;
}

class MachineLogins : public recordtest::RecordDirTest
{
  protected:
    void SetUp() override
    {
        RecordDirTest::SetUp();
        if (!g_server)
            GTEST_SKIP() << g_skip;
        for (auto& [name, value] : m_env)
            value = std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt;
        // Neither the user's settings nor the environment names a server.
        ::setenv("XDG_CONFIG_HOME", (m_dir + "/config").c_str(), 1);
        ::unsetenv("QUILLET_RECORDS_DATABASE");
    }

    void TearDown() override
    {
        for (const auto& [name, value] : m_env)
            value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
        RecordDirTest::TearDown();
    }

    static std::string Owner() { return "'" + g_server->Connection("quillet_owner") + "'"; }

    // Adds the machine; its credential file.
    std::string AddMachine(const std::string& name)
    {
        const std::string file = m_dir + "/" + name + ".record-server";
        std::string said;
        EXPECT_EQ(
            Tool("db add-machine " + Owner() + " " + name + " --server " + g_server->Dir() + " --out " + file,
                 &said),
            0)
            << said;
        return file;
    }

    std::unique_ptr<RecordStore> OpenWith(const std::string& credential)
    {
        ::setenv("QUILLET_RECORD_SERVER_FILE", credential.c_str(), 1);
        return RecordStore::Open();
    }

    std::pair<const char*, std::optional<std::string>> m_env[3] = {
        {"XDG_CONFIG_HOME", {}}, {"QUILLET_RECORDS_DATABASE", {}}, {"QUILLET_RECORD_SERVER_FILE", {}}};
};

// The backends of a role, as the server lists them.
std::string Backends(const std::string& role)
{
    std::string pids;
    g_server->Psql("quillet_admin",
                   "SELECT string_agg(pid::text, ',' ORDER BY pid) FROM pg_stat_activity WHERE usename = '" +
                       role + "'",
                   &pids);
    return pids;
}
}

TEST_F(MachineLogins, AMachineAttackingWithItsOwnCredentialCutsOffNoOther)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "a machine's credential file must be root's own: run the tests as root";
    const std::string a = "quillet_machine_attack_a";
    const std::string b = "quillet_machine_attack_b";
    const std::string fileA = AddMachine("attack_a");
    const std::string fileB = AddMachine("attack_b");
    const quillet::MachineCredential credentialA = quillet::MachineCredential::Read(fileA);
    ASSERT_TRUE(credentialA.Found() && credentialA.Problem().empty()) << credentialA.Problem();
    g_server->AddPassword(a, credentialA.Password());

    const auto storeA = OpenWith(fileA);
    const auto storeB = OpenWith(fileB);
    const StoreStatus firstA = Save(*storeA, "ann_a");
    ASSERT_TRUE(firstA) << firstA.reason;
    ASSERT_TRUE(Save(*storeB, "bob_b"));
    const std::string backendsA = Backends(a);
    const std::string backendsB = Backends(b);
    ASSERT_NE(backendsB, "\n");

    const struct
    {
        std::string sql;
        bool allowed;
    } attacks[] = {
        // PostgreSQL lets any role set its own defaults: the client sends its own at connect.
        {"ALTER ROLE " + a + " SET default_transaction_read_only = on", true},
        {"ALTER ROLE " + a + " SET statement_timeout = 1", true},
        {"SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename <> current_user", false},
        {"SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = '" + b + "'", false},
        {"ALTER ROLE " + b + " PASSWORD 'x'", false},
        {"ALTER ROLE " + b + " SET statement_timeout = 1", false},
        {"ALTER ROLE " + b + " CONNECTION LIMIT 0", false},
        // Its own backends it may end: its own machine's client connects again.
        {"SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = current_user AND pid <> "
         "pg_backend_pid()",
         true},
    };
    // The attacker's own sessions are no more bound by his role's defaults than the client's.
    const std::string ownSettings = "PGOPTIONS='-c default_transaction_read_only=off -c statement_timeout=0'";
    for (const auto& attack : attacks)
    {
        std::string said;
        EXPECT_EQ(g_server->Psql(a, attack.sql, &said, ownSettings) == 0, attack.allowed)
            << attack.sql << "\n"
            << said;
        EXPECT_TRUE(Save(*storeB, "bob_b")) << attack.sql;
        // On the connection it had: nothing of B's was ended.
        EXPECT_EQ(Backends(b), backendsB) << attack.sql;
    }
    EXPECT_NE(Backends(a), backendsA);
    const StoreStatus savedA = Save(*storeA, "ann_a");
    EXPECT_TRUE(savedA) << savedA.reason;

    // A new password of its own cuts off its own machine alone.
    ASSERT_EQ(g_server->Psql(a, "ALTER ROLE " + a + " PASSWORD 'x'", nullptr, ownSettings), 0);
    const RecordStore::Login cutOff = OpenWith(fileA)->LogIn({"ann_a", "pw"});
    EXPECT_EQ(cutOff.status.error, StoreError::Refused);
    EXPECT_NE(cutOff.status.reason.find("does not let this machine in"), std::string::npos)
        << cutOff.status.reason;
    EXPECT_TRUE(Save(*OpenWith(fileB), "bob_b"));
    for (const char* name : {"attack_a", "attack_b"})
        EXPECT_EQ(Tool("db remove-machine " + Owner() + " " + name), 0);
}

TEST_F(MachineLogins, AddMachineRefusesBadAndTakenNamesAndRemoveMachineEndsAndDropsTheRole)
{
    const std::string server = " --server " + g_server->Dir() + " --out " + m_dir + "/out.record-server";
    const struct
    {
        std::string arguments;
        int status;
        const char* said;
    } cases[] = {
        {"db add-machine " + Owner() + " Bad-Name" + server, 1, "a name is 1 to 40 of a-z, 0-9 and _"},
        {"db add-machine " + Owner() + " ''" + server, 1, "a name is 1 to 40"},
        {"db add-machine " + Owner() + " " + std::string(41, 'a') + server, 1, "a name is 1 to 40"},
        {"db add-machine " + Owner() + " \"x'; DROP ROLE lab; --\"" + server, 1, "a name is 1 to 40"},
        {"db add-machine " + Owner() + " taken", 1, "give --server"},
        {"db add-machine " + Owner() + " taken" + server, 0, "quillet_machine_taken can log in"},
        {"db add-machine " + Owner() + " taken" + server, 1,
         "quillet_machine_taken exists already; quillet-records db remove-machine drops it first"},
        {"db add-machine '" + g_server->Connection("lab") + "' other" + server, 1, "needs CREATEROLE"},
        {"db remove-machine " + Owner() + " never_added", 1, "has no such machine"},
    };
    for (const auto& c : cases)
    {
        std::string said;
        EXPECT_EQ(Tool(c.arguments, &said), c.status) << c.arguments << "\n" << said;
        EXPECT_NE(said.find(c.said), std::string::npos) << c.arguments << "\n" << said;
    }

    // The credential's connection, open in a transaction when the machine is removed.
    const std::string credential = m_dir + "/out.record-server";
    EXPECT_EQ(std::filesystem::status(credential).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    quillet::PgConnection held(quillet::ini::ReadValue(credential, "Records", "Database"),
                               quillet::kStudentLimits,
                               quillet::ini::ReadValue(credential, "Records", "Password"));
    ASSERT_TRUE(held.Begin());
    ASSERT_TRUE(held.Exec("SELECT 1").status);
    std::string said;
    EXPECT_EQ(Tool("db remove-machine " + Owner() + " taken", &said), 0) << said;
    EXPECT_NE(said.find("1 of its connections ended"), std::string::npos) << said;
    const quillet::PgConnection::Result after = held.Exec("SELECT 1");
    EXPECT_TRUE(after.unreachable) << after.status.reason;
    held.Rollback();
    g_server->Psql("quillet_admin", "SELECT count(*) FROM pg_roles WHERE rolname = 'quillet_machine_taken'",
                   &said);
    EXPECT_EQ(said, "0\n");
}

TEST_F(MachineLogins, TheCredentialFileCountsOnlyAsRootsOwnThatNobodyElseMayChange)
{
    const bool root = ::geteuid() == 0;
    const std::string good = recordtest::ReadBytes(AddMachine("file_check"));
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    const struct
    {
        const char* name;
        std::string text;
        ::mode_t mode;
        bool rootsOwn;
        bool link;
        const char* told; // empty: the server is reached; null: the record folder is used
    } cases[] = {
        {"root's own, 0640", good, 0640, true, false, ""},
        {"another's", good, 0640, false, false, "(it is not root's own file); ask the administrator"},
        {"group-writable", good, 0660, true, false, "(others than root may change it)"},
        {"a link to root's own", good, 0640, true, true, "(it is a symbolic link)"},
        {"naming no server", "[Records]\nPassword=x\n", 0640, true, false, "(it names no record server)"},
        {"missing", "", 0, true, false, nullptr},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        // Only root makes a file root's own; another's is the tests' own then.
        if (c.rootsOwn && c.told && !root)
            continue;
        const std::string file = m_dir + "/credential";
        const std::string target = m_dir + "/credential.target";
        std::filesystem::remove(file);
        if (c.told)
        {
            std::ofstream(c.link ? target : file) << c.text;
            ASSERT_EQ(::chmod((c.link ? target : file).c_str(), c.mode), 0);
            if (!c.rootsOwn && root)
            {
                ASSERT_EQ(::chown(file.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
            }
            if (c.link)
                std::filesystem::create_symlink(target, file);
        }
        const auto store = OpenWith(file);
        const RecordStore::Login login = store->LogIn({"nobody_yet", "pw"});
        if (!c.told)
        {
            EXPECT_TRUE(store->Place().starts_with("the record folder")) << store->Place();
            continue;
        }
        if (!*c.told)
        {
            // Only the server, reached with the machine's password, knows he is new.
            EXPECT_EQ(login.status.error, StoreError::NotHeld) << login.status.reason;
            continue;
        }
        EXPECT_EQ(login.status.error, StoreError::Unavailable);
        EXPECT_NE(login.status.reason.find("the record server cannot be reached: " + file +
                                           " cannot be used " + c.told),
                  std::string::npos)
            << login.status.reason;
    }
    EXPECT_EQ(Tool("db remove-machine " + Owner() + " file_check"), 0);
    if (!root)
        GTEST_SKIP() << "root's own files were left out: run the tests as root";
}

int main(int argc, char** argv)
{
    return recordserver::RunTests(argc, argv, g_server, g_skip);
}
