// The shared record file as a lab uses it: many writers in separate
// processes, files it must not replace, links and accounts of other users,
// a full disk, and the pending results that wait for the next save.
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <cstring>
#include <thread>

#include "records/FileRecordStore.h"
#include "records/RecordFile.h"
#include "records/RecordsTestSupport.h"

namespace
{
using namespace recordtest;
using quillet::CRecordFile;
using RecordFile = recordtest::RecordDirTest;

std::vector<std::string> TemporaryFiles(const std::string& dir)
{
    std::vector<std::string> left;
    for (const std::string& name : recordtest::FolderEntries(dir))
        if (name.rfind(std::string(".") + kRecordFileName + ".", 0) == 0)
            left.push_back(name);
    return left;
}

int ResultsOf(const CStudentRoster& roster, const std::string& name)
{
    return roster.GetResultCount(roster.FindStudent(name));
}

// Every student's name, in file order; none without a file.
std::vector<std::string> Names(const CStudentRoster* roster)
{
    std::vector<std::string> names;
    for (int i = 0; roster && i < roster->GetStudentCount(); ++i)
        names.push_back(roster->GetStudent(i)->m_strName);
    return names;
}

}

TEST_F(RecordFile, EightWritersAtOnceLoseNothing)
{
    std::vector<Writer> writers;
    for (int k = 0; k < 8; ++k)
        writers.push_back(StartWriter({RecordPath(), "s" + std::to_string(k), "50"}));
    for (Writer& writer : writers)
        EXPECT_EQ(Finish(writer), 0);

    const CRecordFile::Reading reading = CRecordFile(RecordPath()).Read();
    ASSERT_TRUE(reading.status) << reading.status.reason;
    ASSERT_EQ(reading.roster->GetStudentCount(), 8);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(ResultsOf(*reading.roster, "s" + std::to_string(k)), 50) << k;
    EXPECT_EQ(TemporaryFiles(m_dir), std::vector<std::string>());
}

TEST_F(RecordFile, AWriterKilledWhileHoldingTheLockHoldsNobodyUp)
{
    Writer holder = StartWriter({RecordPath(), "holder", "1", "--hold"});
    char said[16] = {};
    ASSERT_GT(::read(holder.output, said, sizeof said - 1), 0);
    ASSERT_STREQ(said, "holding\n");

    std::vector<Writer> writers;
    for (int k = 0; k < 3; ++k)
        writers.push_back(StartWriter({RecordPath(), "s" + std::to_string(k), "20"}));
    // A change that cannot get the lock in time says so and writes nothing.
    const quillet::FileStatus waited = CRecordFile(RecordPath(), 300)
                                           .Update(
                                               [](CStudentRoster& roster)
                                               {
                                                   roster.AddStudent("late", "pw");
                                                   return std::string();
                                               });
    EXPECT_FALSE(waited);
    EXPECT_NE(waited.reason.find("kept it locked"), std::string::npos) << waited.reason;
    ASSERT_EQ(::kill(holder.pid, SIGKILL), 0);
    EXPECT_EQ(Finish(holder), 128 + SIGKILL);
    for (Writer& writer : writers)
        EXPECT_EQ(Finish(writer), 0);

    const CRecordFile::Reading reading = CRecordFile(RecordPath()).Read();
    ASSERT_TRUE(reading.status);
    EXPECT_EQ(reading.roster->GetStudentCount(), 3);
    EXPECT_EQ(reading.roster->FindStudent("holder"), -1);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(ResultsOf(*reading.roster, "s" + std::to_string(k)), 20);
}

TEST_F(RecordFile, WhatCannotBeReadIsNeverReplaced)
{
    const struct
    {
        const char* name;
        std::function<void(const std::string&)> make;
        const char* reason;
    } cases[] = {
        {"plain text never complemented",
         [](const std::string& path) { std::ofstream(path) << "uAnn\npsecret\n"; },
         "does not read as a record file"},
        {"random bytes", [](const std::string& path) { std::ofstream(path) << "\x01\x02garbage"; },
         "does not read as a record file"},
        {"a FIFO", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
         "it is a FIFO"},
        {"a folder", [](const std::string& path) { std::filesystem::create_directory(path); },
         "it is a folder"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(RecordPath());
        c.make(RecordPath());
        const std::string before = std::filesystem::is_regular_file(RecordPath())
                                       ? recordtest::ReadBytes(RecordPath())
                                       : std::string();
        const CRecordFile file(RecordPath());
        const CRecordFile::Reading reading = file.Read();
        EXPECT_FALSE(reading.status);
        EXPECT_NE(reading.status.reason.find(c.reason), std::string::npos) << reading.status.reason;

        bool changed = false;
        const quillet::FileStatus update = file.Update(
            [&](CStudentRoster&)
            {
                changed = true;
                return std::string();
            });
        EXPECT_FALSE(update);
        EXPECT_FALSE(changed);
        EXPECT_NE(update.reason.find("nothing was written"), std::string::npos) << update.reason;
        if (!before.empty())
        {
            EXPECT_EQ(recordtest::ReadBytes(RecordPath()), before);
        }
    }
}

TEST_F(RecordFile, TemporaryFilesOfAKilledWriterGoOnceTheyAreAMinuteOld)
{
    const std::string old = m_dir + "/." + kRecordFileName + ".AbC123";
    const std::string fresh = m_dir + "/." + kRecordFileName + ".XyZ789";
    std::ofstream(old) << "passwords";
    std::ofstream(fresh) << "passwords";
    const utimbuf minutesAgo{std::time(nullptr) - 120, std::time(nullptr) - 120};
    ASSERT_EQ(::utime(old.c_str(), &minutesAgo), 0);
    ASSERT_TRUE(CRecordFile(RecordPath())
                    .Update(
                        [](CStudentRoster& roster)
                        {
                            roster.AddStudent("Ann", "pw");
                            return std::string();
                        }));
    EXPECT_EQ(TemporaryFiles(m_dir),
              std::vector<std::string>{"." + std::string(kRecordFileName) + ".XyZ789"});
}

TEST_F(RecordFile, ALabFolderSharesNewFilesWithItsGroup)
{
    for (const mode_t folder : {mode_t(02770), mode_t(0700)})
    {
        SCOPED_TRACE(folder);
        std::filesystem::remove(RecordPath());
        ASSERT_EQ(::chmod(m_dir.c_str(), folder), 0);
        ASSERT_TRUE(CRecordFile(RecordPath())
                        .Update(
                            [](CStudentRoster& roster)
                            {
                                roster.AddStudent("Ann", "pw");
                                return std::string();
                            }));
        struct stat info
        {
        };
        ASSERT_EQ(::stat(RecordPath().c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, folder == 0700 ? 0600u : 0660u);
    }
}

TEST_F(RecordFile, APendingResultGoesInOnlyWithItsOwnStudentsSave)
{
    const CRecordFile file(RecordPath());
    ASSERT_TRUE(file.Update(
        [](CStudentRoster& roster)
        {
            roster.AddStudent("Ann", "pw");
            roster.AddStudent("Bob", "other");
            return std::string();
        }));
    CResultEntry result;
    result.m_strTitle = "Networks";
    result.m_nRight = 17;
    result.m_nTotal = 20;
    result.m_timeGraded = 1'765'000'000;
    quillet::FileRecordStore store(RecordPath());
    std::string keptIn;
    for (const quillet::Student& kept :
         std::initializer_list<quillet::Student>{{"Ann", "pw"},
                                                 {"Bob", "guessed"},
                                                 {"Cid", "new"},
                                                 {"Cid", "other"}}) // Cid twice: not the same student
        ASSERT_TRUE(store.Pending().Keep(kept, result, keptIn));
    EXPECT_EQ(keptIn, file.GetSharedPendingPath());

    // Who saves a result of his own, and then: results of Ann, Bob and Cid in
    // the record file (-1: not there), who still waits, and who was put aside.
    const struct
    {
        quillet::Student owner;
        int ann, bob, cid;
        std::vector<std::string> waiting, aside;
    } saves[] = {
        {{"Dee", "x"}, 0, 0, -1, {"Ann", "Bob", "Cid", "Cid"}, {}},
        {{"Ann", "pw"}, 2, 0, -1, {"Bob", "Cid", "Cid"}, {}},
        {{"Bob", "other"}, 2, 1, -1, {"Cid", "Cid"}, {"Bob"}},
        {{"Cid", "new"}, 2, 1, 2, {}, {"Bob", "Cid"}},
    };
    for (const auto& save : saves)
    {
        SCOPED_TRACE(save.owner.name);
        quillet::RecordStore::Login login = store.LogIn(save.owner);
        if (login.status.error == quillet::StoreError::NotHeld)
            login = store.Register(save.owner);
        ASSERT_TRUE(login.status) << login.status.reason;
        CResultEntry own = result;
        own.m_timeGraded += 600;
        const quillet::RecordSession::Saved saved = login.session->AddResult(own, {});
        ASSERT_TRUE(saved.status) << saved.status.reason;
        const std::string& setAside = saved.setAside;
        const std::unique_ptr<CStudentRoster> written = ReadRecordFile(RecordPath());
        EXPECT_EQ(std::make_tuple(ResultsOf(*written, "Ann"), ResultsOf(*written, "Bob"),
                                  written->FindStudent("Cid") < 0 ? -1 : ResultsOf(*written, "Cid")),
                  std::make_tuple(save.ann, save.bob, save.cid));
        EXPECT_EQ(Names(ReadRecordFile(file.GetSharedPendingPath()).get()), save.waiting);
        EXPECT_EQ(Names(ReadRecordFile(file.GetRefusedPath()).get()), save.aside);
        EXPECT_EQ(setAside.empty(), save.owner.name == "Dee" || save.owner.name == "Ann");
    }
}

TEST_F(RecordFile, AFullDiskLeavesTheOldFileAndSaysSo)
{
    if (!Root())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const std::string disk = m_dir + "/disk";
    std::filesystem::create_directory(disk);
    ASSERT_EQ(::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k"), 0) << std::strerror(errno);
    const CRecordFile file(disk + "/" + kRecordFileName);
    ASSERT_TRUE(file.Update(
        [](CStudentRoster& roster)
        {
            roster.AddStudent("Ann", "pw");
            return std::string();
        }));
    const std::string before = recordtest::ReadBytes(file.GetPath());
    const quillet::FileStatus full = file.Update(
        [](CStudentRoster& roster)
        {
            roster.AddStudent(std::string(100'000, 'x'), "pw");
            return std::string();
        });
    const std::vector<std::string> left = TemporaryFiles(disk);
    const std::string after = recordtest::ReadBytes(file.GetPath());
    ::umount(disk.c_str());
    EXPECT_FALSE(full);
    EXPECT_NE(full.reason.find("No space left on device"), std::string::npos) << full.reason;
    EXPECT_EQ(after, before);
    EXPECT_EQ(left, std::vector<std::string>());
}

TEST_F(RecordFile, AnotherAccountNeitherFollowsNorReplacesWhatItMustNot)
{
    if (!Root())
        GTEST_SKIP() << "a second account needs root and runuser";
    // A lab folder everybody may write to, as /tmp.
    ASSERT_EQ(::chmod(m_dir.c_str(), 01777), 0);

    // A record file of root's, readable by root only: nobody's copy must not
    // take it for missing and replace it.
    recordtest::StoreText(RecordPath(), "uAnn\npsecret\n");
    ASSERT_EQ(::chmod(RecordPath().c_str(), 0600), 0);
    const std::string before = recordtest::ReadBytes(RecordPath());
    Writer stranger = StartWriter({RecordPath(), "eve", "1"}, "nobody");
    EXPECT_EQ(Finish(stranger), 1);
    EXPECT_EQ(recordtest::ReadBytes(RecordPath()), before);

    // A link that nobody planted to a file of root's: root's copy refuses to
    // write through it, and the file it points at keeps its bytes.
    const std::string victim = m_dir + "/private.txt";
    std::ofstream(victim) << "private";
    std::filesystem::remove(RecordPath());
    const std::string plant = "ln -s " + victim + " " + RecordPath();
    ASSERT_EQ(std::system(("/usr/sbin/runuser -u nobody -- " + plant).c_str()), 0);
    const quillet::FileStatus refused = CRecordFile(RecordPath())
                                            .Update(
                                                [](CStudentRoster& roster)
                                                {
                                                    roster.AddStudent("Ann", "pw");
                                                    return std::string();
                                                });
    EXPECT_FALSE(refused);
    EXPECT_NE(refused.reason.find("symbolic link that belongs to another user"), std::string::npos)
        << refused.reason;
    EXPECT_EQ(recordtest::ReadBytes(victim), "private");
}

TEST_F(RecordFile, DatesReadAsMktimeHasThemInEveryZoneAndOnEveryDay)
{
    for (const char* zone : {"America/New_York", "Australia/Lord_Howe", "Europe/London", "UTC"})
    {
        SCOPED_TRACE(zone);
        if (!recordtest::UseTimeZone(zone))
            continue;
        // Every quarter hour of 2026, and a few dates that name no time.
        std::vector<std::string> dates = {"20260230120000", "20261301000000", "19691231235959",
                                          "2026010100000"};
        for (int day = 0; day < 365; ++day)
            for (int quarter = 0; quarter < 96; ++quarter)
            {
                std::tm parts{0, 0, 0, 1 + day, 0, 126, 0, 0, 0, 0, nullptr};
                timegm(&parts); // the calendar date of the day's number
                char date[32];
                std::snprintf(date, sizeof date, "%04d%02d%02d%02d%02d00", parts.tm_year + 1900,
                              parts.tm_mon + 1, parts.tm_mday, quarter / 4, quarter % 4 * 15);
                dates.push_back(date);
            }
        std::string text = "uAnn\npw\n";
        for (const std::string& date : dates)
            text += "tNet\nd" + date + "\n";
        const auto roster = CStudentRoster::ParseRecordText(text);
        ASSERT_EQ(roster->GetResultCount(0), static_cast<int>(dates.size()));
        for (std::size_t i = 0; i < dates.size(); ++i)
        {
            const std::string& d = dates[i];
            const auto field = [&](std::size_t at, std::size_t n) { return quillet::AtoiField(d, at, n); };
            const auto expected = quillet::MakeLocalTime(field(0, 4), field(4, 2), field(6, 2), field(8, 2),
                                                         field(10, 2), field(12, 2));
            const CResultEntry& entry = *roster->GetResult(0, static_cast<int>(i));
            ASSERT_EQ(entry.m_timeGraded, expected.value_or(0)) << d;
            const bool same = expected && quillet::FormatLocalTime(*expected, "%Y%m%d%H%M%S") == d;
            ASSERT_EQ(entry.m_strDateText.has_value(), !same) << d;
        }
    }
}
