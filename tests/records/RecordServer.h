#pragma once

// A PostgreSQL server of the tests' own (pg-server.sh), with Quillet's
// records set up by quillet-records db init, a lab machine's role, a
// teacher's, and quillet_owner, who makes the logins of machines and
// teachers (CREATEROLE, no superuser); passwords come from a pgpass file,
// as libpq reads them.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace recordserver
{
// The exit status of a shell command, -1 when it did not end by itself;
// `out` receives what it wrote on standard output.
inline int Capture(const std::string& command, std::string* out = nullptr)
{
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char buffer[4096];
    while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
        text.append(buffer, got);
    const int status = ::pclose(pipe);
    if (out)
        *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class RecordServer
{
  public:
    // Empty when the server could not be started; `skip` then says why.
    bool Start(std::string& skip)
    {
        std::string dir = std::filesystem::temp_directory_path().string() + "/quillet-server-XXXXXX";
        if (!::mkdtemp(dir.data()))
            return false;
        m_dir = dir;
        const int started =
            std::system(("bash " QUILLET_PG_SERVER " start " + m_dir + " >" + m_dir + "/start.log").c_str());
        if (WEXITSTATUS(started) == 77 || started != 0)
        {
            std::ifstream said(m_dir + "/start.log");
            std::getline(said, skip);
            if (WEXITSTATUS(started) != 77)
                skip = "the server did not start: " + skip;
            std::filesystem::remove_all(m_dir);
            m_dir.clear();
            return false;
        }
        std::string password;
        std::ifstream(m_dir + "/admin.password") >> password;
        AddPassword("quillet_admin", password);
        AddPassword("lab", "lab-password");
        AddPassword("teacher", "teacher-password");
        AddPassword("quillet_owner", "owner-password");
        ::setenv("PGPASSFILE", (m_dir + "/pgpass").c_str(), 1);
        const bool ready =
            std::system((std::string(QUILLET_RECORDS_TOOL " db init '") + Connection("quillet_admin") +
                         "' >/dev/null")
                            .c_str()) == 0 &&
            Psql("quillet_admin",
                 "CREATE ROLE lab LOGIN PASSWORD 'lab-password' IN ROLE quillet_student;"
                 "CREATE ROLE teacher LOGIN PASSWORD 'teacher-password' IN ROLE quillet_teacher;"
                 "CREATE ROLE quillet_owner LOGIN CREATEROLE PASSWORD 'owner-password';"
                 "ALTER DATABASE quillet OWNER TO quillet_owner") == 0;
        if (!ready)
            skip = "the records could not be set up on the server";
        return ready;
    }

    ~RecordServer()
    {
        if (m_dir.empty())
            return;
        std::system(("bash " QUILLET_PG_SERVER " stop " + m_dir).c_str());
        std::filesystem::remove_all(m_dir);
    }

    std::string Connection(const std::string& user) const
    {
        return "host=" + m_dir + " dbname=quillet user=" + user;
    }

    // psql as `user`, stopping at the first error; its exit status.
    // `environment` ("PGOPTIONS=...") goes before the command.
    int Psql(const std::string& user, const std::string& sql, std::string* out = nullptr,
             const std::string& environment = {}) const
    {
        return Capture(environment + " psql -X -q -A -t -v ON_ERROR_STOP=1 '" + Connection(user) + "' -c \"" +
                           sql + "\" 2>&1",
                       out);
    }

    // Lets psql and the tools log in as `user` (the pgpass file, owner-only).
    void AddPassword(const std::string& user, const std::string& password) const
    {
        std::ofstream(m_dir + "/pgpass", std::ios::app) << "*:*:*:" << user << ":" << password << "\n";
        std::filesystem::permissions(m_dir + "/pgpass", std::filesystem::perms::owner_read |
                                                            std::filesystem::perms::owner_write);
    }

    // Another lab machine's login role, as the administrator gives each
    // machine one; true when made.
    bool AddMachine(const std::string& role) const
    {
        AddPassword(role, "machine-password");
        return Psql("quillet_admin", "CREATE ROLE " + role +
                                         " LOGIN PASSWORD 'machine-password' IN ROLE quillet_student") == 0;
    }

    // The connection of a lab machine of its own, so that the tries of one
    // test do not count against another's.
    std::string NewMachine() const
    {
        static int made = 0;
        const std::string role = "machine" + std::to_string(++made);
        return AddMachine(role) ? Connection(role) : std::string();
    }

    // A try to log in (or register) as `user`'s machine, and its answer read
    // once the try has committed, as the program does: "accepted", "refused",
    // "name_taken" or "wait", and the session's token when accepted.
    struct Answer
    {
        std::string status;
        std::string token;
    };
    Answer Try(const std::string& user, const std::string& name, const std::string& password,
               const std::string& how = "login") const
    {
        std::string tried;
        Psql(user, "SELECT quillet.try_" + how + "('" + name + "', '" + password + "')", &tried);
        tried = tried.substr(0, tried.find('\n'));
        if (tried.size() != 64)
            return {tried, {}};
        std::string answer;
        Psql(user, "SELECT status || ' ' || coalesce(token, '') FROM quillet.try_answer('" + tried + "')",
             &answer);
        answer = answer.substr(0, answer.find('\n'));
        const std::size_t space = answer.find(' ');
        return {answer.substr(0, space), space == std::string::npos ? "" : answer.substr(space + 1)};
    }

    const std::string& Dir() const { return m_dir; }

  private:
    std::string m_dir;
};

// Runs the tests with a server started for them, when one can be: `server`
// points at it, else `skip` says why. Tests that skipped for want of a
// server read as skipped to CTest.
inline int RunTests(int argc, char** argv, RecordServer*& server, std::string& skip)
{
    testing::InitGoogleTest(&argc, argv);
    RecordServer started;
    if (started.Start(skip))
        server = &started;
    else
        std::printf("%s\n", skip.c_str());
    const int failed = RUN_ALL_TESTS();
    return failed != 0 ? failed : server ? 0 : 77;
}
}
