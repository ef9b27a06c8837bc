// The answers behind graded results, as the responses file keeps them.
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "records/RecordsTestSupport.h"
#include "records/ResponseFile.h"

namespace
{
using quillet::CResponseFile;
using quillet::ResponseRecord;
using Responses = recordtest::RecordDirTest;

ResponseRecord Record(const std::string& student, const std::string& chapter)
{
    return {student,
            TestKind::Quiz,
            "Course\twith a tab",
            chapter,
            1'765'000'000,
            {"/banks/a\\b.blh", 1234, 0xfedcba9876543210ull},
            {{chapter, "00000000000000ab", 2, false, true, "1234567890abcdef"},
             {chapter, "00000000000000cd", -1, false, false, {}}}};
}
}

TEST_F(Responses, WhatIsWrittenReadsBackAndWhatDoesNotReadIsCounted)
{
    const ResponseRecord odd = Record("ann\\one\nline", "Ch\r1");
    const ResponseRecord plain = Record("bob", "Ch2");
    const std::string text = CResponseFile::Compose(odd) + CResponseFile::Compose(plain);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6); // no field breaks a line
    const struct
    {
        const char* name;
        std::string text;
        std::vector<ResponseRecord> records;
        int unreadable;
    } cases[] = {
        {"whole", text, {odd, plain}, 0},
        {"a test line that does not read, and its answers",
         "t\tnot a time\n" + text.substr(text.find("\nr") + 1),
         {plain},
         1},
        {"an answer line that does not read", text + "r\tCh2\tkey\t9\t1\n", {odd, plain}, 1},
        {"answers before any test", "r\tCh2\tkey\t1\t1\t0\n" + text, {odd, plain}, 1},
        {"cut in its last line", text.substr(0, text.size() - 4), {odd, Record("bob", "Ch2")}, 1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        int unreadable = -1;
        std::vector<ResponseRecord> read = CResponseFile::Parse(c.text, &unreadable);
        if (std::string(c.name) == "cut in its last line")
        {
            ASSERT_EQ(read.size(), 2u);
            EXPECT_EQ(read[1].responses.size(), 1u);
            read[1].responses.push_back(plain.responses[1]);
        }
        EXPECT_EQ(read, c.records);
        EXPECT_EQ(unreadable, c.unreadable);
    }
}

TEST_F(Responses, AppendedBlocksFollowEachOtherWithTheRecordFilesPermissions)
{
    const struct
    {
        mode_t folder;
        mode_t file;
    } cases[] = {{0700, 0600}, {02770, 0660}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.folder);
        const std::string folder = m_dir + "/" + std::to_string(c.folder);
        std::filesystem::create_directory(folder);
        ASSERT_EQ(::chmod(folder.c_str(), c.folder), 0);
        const CResponseFile file = CResponseFile::Beside(folder + "/" + kRecordFileName);
        ASSERT_TRUE(file.Append(CResponseFile::Compose(Record("ann", "Ch1"))));
        ASSERT_TRUE(file.Append(CResponseFile::Compose(Record("bob", "Ch2"))));
        std::vector<ResponseRecord> read;
        ASSERT_TRUE(file.Read(read));
        EXPECT_EQ(read, (std::vector<ResponseRecord>{Record("ann", "Ch1"), Record("bob", "Ch2")}));
        struct stat info
        {
        };
        ASSERT_EQ(::stat(file.GetPath().c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, c.file);
    }
}

TEST_F(Responses, AnAppendThatFindsTheDiskFullLeavesNoPartOfItBehind)
{
    if (!recordtest::Root())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const std::string disk = m_dir + "/disk";
    std::filesystem::create_directory(disk);
    ASSERT_EQ(::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k"), 0) << std::strerror(errno);
    const CResponseFile file(disk + "/answers");
    const std::string first = CResponseFile::Compose(Record("ann", "Ch1"));
    ASSERT_TRUE(file.Append(first));
    ResponseRecord huge = Record("bob", "Ch2");
    huge.responses.resize(5'000, huge.responses[0]);
    const quillet::FileStatus full = file.Append(CResponseFile::Compose(huge));
    const std::string after = recordtest::ReadBytes(disk + "/answers");
    ::umount(disk.c_str());
    EXPECT_FALSE(full);
    EXPECT_EQ(after, first);
}
