#pragma once

// A fresh record folder per test, the time zone a test asks for, and the
// stored bytes of record files.

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <tuple>

#include "RecordFileSupport.h"
#include "course/Complement.h"
#include "records/StudentRoster.h"

extern "C" char** environ;

namespace recordtest
{
using testrecords::ReadRecordFile;
using testrecords::WriteRecordFile;

// Sets TZ; false when the zone is not installed (the C library then quietly uses UTC).
inline bool UseTimeZone(const std::string& zone)
{
    setenv("TZ", zone.c_str(), 1);
    tzset();
    return zone == "UTC" || std::filesystem::exists("/usr/share/zoneinfo/" + zone);
}

inline std::int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second)
{
    std::tm parts{second, minute, hour, day, month - 1, year - 1900, 0, 0, 0, 0, nullptr};
    return timegm(&parts);
}

inline std::string ReadBytes(const std::string& path)
{
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

// Stores a record text the way the program does: byte-complemented.
inline void StoreText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << quillet::Complemented(text);
}

inline std::vector<std::string> FolderEntries(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Test flag, pre-test flag, title, chapter, date, time taken, right, total.
using EntryFields = std::tuple<int, int, std::string, std::string, std::int64_t, std::int64_t, int, int>;

inline EntryFields Fields(const CResultEntry& e)
{
    return {e.StoredAsTest(), e.StoredAsPreTest(), e.m_strTitle, e.m_strChapter,
            e.m_timeGraded,   e.m_spanTaken,       e.m_nRight,   e.m_nTotal};
}

// `students` students of `results` test results each; `tag` tells texts apart.
inline std::string BigRecordText(int students, int results, const std::string& tag)
{
    std::string text;
    for (int s = 0; s < students; ++s)
    {
        text += "u" + tag + std::to_string(s) + "\npsecret\n";
        for (int r = 0; r < results; ++r)
            text += "tCourse " + tag + "\nd20010203040506\ns0010" + std::to_string(r % 6) + "0\nr1" +
                    std::to_string(r % 10) + "\na20\n";
    }
    return text;
}

struct Writer
{
    pid_t pid = -1;
    int output = -1; // its standard output
};

// The record writer where another account can run it: a build inside a
// folder that only its owner may enter (as mktemp -d makes) is out of that
// account's reach. A copy in a folder of its own, removed at exit.
inline std::string WriterForAnyone()
{
    struct Copy
    {
        std::string dir;
        std::string path = QUILLET_RECORD_WRITER;
        Copy()
        {
            std::string made = std::filesystem::temp_directory_path().string() + "/quillet-writer-XXXXXX";
            if (!::mkdtemp(made.data()))
                return;
            dir = made;
            std::error_code error;
            if (::chmod(dir.c_str(), 0755) == 0 &&
                std::filesystem::copy_file(QUILLET_RECORD_WRITER, dir + "/quillet_record_writer", error))
                path = dir + "/quillet_record_writer";
        }
        Copy(const Copy&) = delete;
        Copy& operator=(const Copy&) = delete;
        ~Copy() { std::filesystem::remove_all(dir); }
    };
    static const Copy copy;
    return copy.path;
}

// Starts quillet_record_writer, as `user` when one is named (runuser).
inline Writer StartWriter(const std::vector<std::string>& args, const std::string& user = {})
{
    std::vector<std::string> command;
    if (!user.empty())
        command = {"/usr/sbin/runuser", "-u", user, "--"};
    command.push_back(user.empty() ? std::string(QUILLET_RECORD_WRITER) : WriterForAnyone());
    command.insert(command.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : command)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    int pipe[2];
    if (::pipe(pipe) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe[0]);
    Writer writer;
    if (posix_spawn(&writer.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        writer.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    writer.output = pipe[0];
    return writer;
}

inline int Finish(Writer& writer)
{
    int status = 0;
    ::waitpid(writer.pid, &status, 0);
    ::close(writer.output);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Whether a second account can be used: root, with runuser.
inline bool Root()
{
    return ::geteuid() == 0 && ::access("/usr/sbin/runuser", X_OK) == 0;
}

// QUILLET_RECORD_DIR and XDG_DATA_HOME in a fresh folder and TZ at UTC, all
// put back afterwards.
class RecordDirTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        for (auto& [name, value] : m_saved)
            value = std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt;
        std::string pattern = testing::TempDir() + "quillet-records-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        setenv("QUILLET_RECORD_DIR", m_dir.c_str(), 1);
        // The user's own pending file and journals stay in the test's folder.
        setenv("XDG_DATA_HOME", (m_dir + "/data").c_str(), 1);
        UseTimeZone("UTC");
    }

    void TearDown() override
    {
        std::filesystem::remove_all(m_dir);
        for (const auto& [name, value] : m_saved)
            value ? setenv(name, value->c_str(), 1) : unsetenv(name);
        tzset();
    }

    std::string RecordPath() const { return m_dir + "/" + kRecordFileName; }

    std::string m_dir;
    std::pair<const char*, std::optional<std::string>> m_saved[3] = {
        {"QUILLET_RECORD_DIR", {}}, {"XDG_DATA_HOME", {}}, {"TZ", {}}};
};
}
