// The record file: reading, writing, and the roster operations on it.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

#include "records/RecordsTestSupport.h"

using namespace recordtest;

namespace
{
// One student with an empty password, a test result and then a chapter quiz result.
const std::string kExample = "ustudent1\np\ntSample Course\nd19990614093015\ns001230\nr17\na20\n"
                             "tSample Course\ncChapter One\nd19990615101500\ns000505\nr08\na10\n";

std::unique_ptr<CStudentRoster> Parse(const std::string& text)
{
    return CStudentRoster::ParseRecordText(text);
}

mode_t ModeOf(const std::string& path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

using Roster = RecordDirTest;

// A zone and its offset east of UTC in mid-June 1999.
class ExampleInZone : public RecordDirTest, public testing::WithParamInterface<std::pair<std::string, long>>
{
};
}

TEST_P(ExampleInZone, ReadsItsFieldsAndGoesThroughTheFileByteForByte)
{
    const auto [zone, offset] = GetParam();
    if (!UseTimeZone(zone))
        GTEST_SKIP() << zone << " is not installed";
    StoreText(RecordPath(), kExample);
    const auto roster = ReadRecordFile();
    ASSERT_TRUE(roster && roster->GetStudentCount() == 1 && roster->GetResultCount(0) == 2);
    EXPECT_EQ(roster->GetStudent(0)->m_strName, "student1");
    EXPECT_EQ(roster->GetStudent(0)->m_strPassword, "");
    EXPECT_EQ(
        Fields(*roster->GetResult(0, 0)),
        EntryFields(1, 0, "Sample Course", "", UtcSeconds(1999, 6, 14, 9, 30, 15) - offset, 750, 17, 20));
    EXPECT_EQ(Fields(*roster->GetResult(0, 1)),
              EntryFields(0, 0, "Sample Course", "Chapter One", UtcSeconds(1999, 6, 15, 10, 15, 0) - offset,
                          305, 8, 10));

    std::filesystem::remove(RecordPath());
    ASSERT_TRUE(WriteRecordFile(*roster));
    const std::string stored = ReadBytes(RecordPath());
    EXPECT_EQ(stored.substr(0, 10),
              "\x8A\x8C\x8B\x8A\x9B\x9A\x91\x8B\xCE\xF5"); // "ustudent1" and a line feed
    EXPECT_EQ(stored, quillet::Complemented(kExample));
    EXPECT_EQ(ReadRecordFile()->ComposeRecordText(), kExample);
}

INSTANTIATE_TEST_SUITE_P(Zones, ExampleInZone,
                         testing::Values(std::pair<std::string, long>("UTC", 0),
                                         std::pair<std::string, long>("America/New_York", -4 * 3600),
                                         std::pair<std::string, long>("Australia/Lord_Howe",
                                                                      10 * 3600 + 1800)),
                         [](const auto& info)
                         {
                             std::string name = info.param.first;
                             std::replace(name.begin(), name.end(), '/', '_');
                             return name;
                         });

TEST_F(Roster, AnyLineEndAndAMissingLastLineEndReadTheSame)
{
    for (const std::string eol : {"\n", "\r\n", "\r", "\n\n", "\r\r\n"})
    {
        std::string text;
        for (char c : kExample)
            text += c == '\n' ? eol : std::string(1, c);
        for (const std::string& variant : {text, text.substr(0, text.size() - eol.size())})
        {
            SCOPED_TRACE(testing::PrintToString(variant));
            StoreText(RecordPath(), variant);
            const auto roster = ReadRecordFile();
            EXPECT_EQ(roster ? roster->ComposeRecordText() : "", kExample);
        }
    }
    EXPECT_EQ(Parse("uann\npsecret")->GetStudent(0)->m_strPassword, "secret");
    for (const std::string empty : {"u\np\n", "u\n", "u"})
        EXPECT_EQ(Parse(empty)->ComposeRecordText(), "u\np\n") << empty; // empty name and password
}

TEST_F(Roster, CountsAreDecimalAndWrittenWithAtLeastTwoDigits)
{
    const std::string head = "uann\np\ntC\nd19990614093015\ns000000\n";
    for (const auto& [line, value, written] :
         {std::tuple("08", 8, "08"), {"100", 100, "100"}, {"5", 5, "05"}, {"", 0, "00"}, {"12abc", 12, "12"}})
    {
        const auto roster = Parse(head + "r" + line + "\na" + line + "\n");
        EXPECT_EQ(roster->GetResult(0, 0)->m_nRight, value) << line;
        EXPECT_EQ(roster->GetResult(0, 0)->m_nTotal, value) << line;
        EXPECT_EQ(roster->ComposeRecordText(), head + "r" + written + "\na" + written + "\n");
    }
}

TEST_F(Roster, TimeTakenLosesWholeDaysWhenWritten)
{
    const auto roster = Parse("uamy\np\ntC\nd19700101000000\ns000000\nr00\na00\n");
    roster->GetResult(0, 0)->m_spanTaken = 86400 + 2 * 3600 + 3 * 60 + 4;
    const std::string text = roster->ComposeRecordText();
    EXPECT_EQ(text, "uamy\np\ntC\nd19700101000000\ns020304\nr00\na00\n");
    EXPECT_EQ(Parse(text)->GetResult(0, 0)->m_spanTaken, 7384);
}

TEST_F(Roster, ValidDateIsRewrittenInTheCurrentZoneAndAnyOtherAsRead)
{
    const auto utcRead = Parse(kExample);
    // A student's results are read when first asked for: here, in UTC.
    ASSERT_NE(utcRead->GetResult(0, 0), nullptr);
    if (!UseTimeZone("America/New_York"))
        GTEST_SKIP() << "America/New_York is not installed";
    EXPECT_NE(utcRead->ComposeRecordText().find("\nd19990614053015\n"), std::string::npos);
    // Before 1970, month 13, no digits, nothing, too short, 31 February, hour 24,
    // second 60, the hour skipped in spring, trailing blank; last the hour
    // repeated in autumn, which is a time. Each after a quiz result with a q line.
    for (const std::string date :
         {"19690101000000", "19991332000000", "abc", "", "1999", "19990231120000", "19990614240000",
          "19990614093060", "20240310023000", "19990614093015 ", "20241103013000"})
    {
        const std::string text = "uann\npx\ntC\ncCh\nd" + date + "\ns000102\nr03\na10\nq\n";
        const auto roster = Parse(text);
        const CResultEntry& quiz = *roster->GetResult(0, 0);
        EXPECT_EQ((std::tuple(quiz.m_kind, quiz.m_bQuizMarkedPreTest, quiz.m_spanTaken)),
                  (std::tuple(TestKind::Quiz, true, 62)))
            << date;
        EXPECT_EQ(roster->ComposeRecordText(), text);
    }
}

TEST_F(Roster, MalformedLinesAreIgnoredAndMissingFieldsStayZero)
{
    const auto roster =
        Parse("pstray\ntStray\nr99\nuann\nr55\ncNone\nXjunk\n7\nUupper\nzz\npone\ntCourse\nxwhat\n"
              "a20\nubob\nr12\na30\n");
    ASSERT_TRUE(roster && roster->GetStudentCount() == 2 && roster->GetResultCount(0) == 1);
    EXPECT_EQ(roster->GetStudent(0)->m_strPassword, "one");
    EXPECT_EQ(Fields(*roster->GetResult(0, 0)), EntryFields(1, 0, "Course", "", 0, 0, 0, 20));
    EXPECT_EQ(roster->GetResultCount(1), 0);
}

TEST_F(Roster, FilesWithoutStudentsGiveNoRoster)
{
    for (const std::string text : {"", "\n\r\n", "pabc\ntCourse\nr10\n", "Uupper\n"})
    {
        StoreText(RecordPath(), text);
        EXPECT_EQ(ReadRecordFile(), nullptr) << testing::PrintToString(text);
    }
    std::filesystem::remove(RecordPath());
    EXPECT_EQ(ReadRecordFile(), nullptr);
    std::filesystem::create_directory(RecordPath());
    EXPECT_EQ(ReadRecordFile(), nullptr);
}

TEST_F(Roster, SameNameTwiceKeepsBothAndLookupsFindTheFirst)
{
    const std::string text = "uamy\npone\nuamy\nptwo\ntC\nd19990614093015\ns000000\nr01\na02\n";
    const auto roster = Parse(text);
    EXPECT_EQ(roster->GetStudentCount(), 2);
    EXPECT_EQ(roster->FindStudent("amy"), 0);
    EXPECT_EQ(roster->CheckPassword("amy", "two"), 0);
    EXPECT_EQ(roster->AddResult("amy", "two", std::make_unique<CResultEntry>()), 0);
    EXPECT_EQ(roster->ComposeRecordText(), text);
}

TEST_F(Roster, AddStudentRefusesTakenNamesAndLineBreaks)
{
    CStudentRoster roster;
    ASSERT_EQ(roster.AddStudent("amy", "pw"), 1);
    for (const auto& [name, password] :
         {std::pair("amy", "other"), {"a\nb", ""}, {"a\rb", ""}, {"bob", "p\nw"}, {"bob", "p\rw"}})
        EXPECT_EQ(roster.AddStudent(name, password), 0) << testing::PrintToString(std::pair(name, password));
    for (const char* name : {"Amy", "amy ", ""})
        EXPECT_EQ(roster.AddStudent(name, ""), 1) << name;
    EXPECT_EQ(roster.ComposeRecordText(), "uamy\nppw\nuAmy\np\nuamy \np\nu\np\n");
}

TEST_F(Roster, AddResultNeedsTheStudentThePasswordAndAnEntry)
{
    CStudentRoster roster;
    ASSERT_EQ(roster.AddStudent("amy", "pw"), 1);
    auto entry = std::make_unique<CResultEntry>();
    CResultEntry* const raw = entry.get();
    EXPECT_EQ(roster.AddResult("amy", "PW", std::move(entry)), 0);
    EXPECT_EQ(roster.AddResult("bob", "pw", std::move(entry)), 0);
    EXPECT_EQ(roster.AddResult("amy", "pw", nullptr), 0);
    EXPECT_EQ(entry.get(), raw) << "a refused entry stays with the caller";
    EXPECT_EQ(roster.GetResultCount(0), 0);
    EXPECT_EQ(roster.AddResult("amy", "pw", std::move(entry)), 1);
    EXPECT_EQ(entry, nullptr);
    EXPECT_EQ(roster.GetResult(0, 0), raw);
}

TEST_F(Roster, IndexesOutOfRangeGiveNothing)
{
    const auto roster = Parse(kExample + "ubob\n");
    EXPECT_EQ(roster->GetStudent(1)->m_strName, "bob");
    for (const int student : {-1, 2})
        EXPECT_TRUE(roster->GetStudent(student) == nullptr && roster->GetResultCount(student) == 0)
            << student;
    for (const auto& [student, result] : {std::pair(0, -1), {0, 2}, {-1, 0}, {1, 0}, {2, 0}})
        EXPECT_EQ(roster->GetResult(student, result), nullptr) << student << ", " << result;
    EXPECT_EQ(roster->GetResult(0, 1)->m_strChapter, "Chapter One");
}

TEST_F(Roster, LargeRosterGoesBackByteForByte)
{
    const std::string text = BigRecordText(2000, 50, "L");
    EXPECT_TRUE(Parse(text)->ComposeRecordText() == text);
}

TEST_F(Roster, NewFolderAndFileAreOwnerOnlyAndAnExistingFileKeepsItsMode)
{
    const std::string nested = m_dir + "/lab/shared";
    setenv("QUILLET_RECORD_DIR", nested.c_str(), 1);
    ASSERT_TRUE(WriteRecordFile(*Parse(kExample)));
    EXPECT_EQ(ModeOf(m_dir + "/lab"), 0700u);
    EXPECT_EQ(ModeOf(nested), 0700u);
    EXPECT_EQ(ModeOf(nested + "/" + kRecordFileName), 0600u);
    for (const mode_t mode : {0640, 0444, 0604})
    {
        ASSERT_EQ(::chmod((nested + "/" + kRecordFileName).c_str(), mode), 0);
        EXPECT_TRUE(WriteRecordFile(*Parse("u" + std::to_string(mode))));
        EXPECT_EQ(ModeOf(nested + "/" + kRecordFileName), mode);
        EXPECT_EQ(ReadBytes(nested + "/" + kRecordFileName),
                  quillet::Complemented("u" + std::to_string(mode) + "\np\n"));
    }
}

TEST_F(Roster, FailedWriteLeavesTheOldFileAsItWas)
{
    const auto roster = Parse(BigRecordText(50, 5, "new"));
    const std::pair<mode_t, std::function<bool()>> cases[] = {
        // A read-only folder; root writes there anyway, so the child gives up root first.
        {0555, [] { return geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0); }},
        // A file size limit that cuts the write halfway.
        {0700, []
         {
             const rlimit limit{1000, 1000};
             return std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && setrlimit(RLIMIT_FSIZE, &limit) == 0;
         }}};
    for (const auto& [folderMode, prepare] : cases)
    {
        SCOPED_TRACE(folderMode);
        StoreText(RecordPath(), kExample);
        ASSERT_EQ(::chmod(m_dir.c_str(), folderMode), 0);
        const pid_t child = fork();
        if (child == 0)
            _exit(prepare() ? WriteRecordFile(*roster) : 255);
        int status = -1;
        waitpid(child, &status, 0);
        ASSERT_EQ(::chmod(m_dir.c_str(), 0700), 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        EXPECT_EQ(ReadBytes(RecordPath()), quillet::Complemented(kExample));
        EXPECT_EQ(FolderEntries(m_dir), std::vector<std::string>{kRecordFileName});
    }
    // Where a folder stands in the file's place.
    std::filesystem::remove(RecordPath());
    std::filesystem::create_directory(RecordPath());
    EXPECT_FALSE(WriteRecordFile(*roster));
    EXPECT_EQ(FolderEntries(m_dir), std::vector<std::string>{kRecordFileName});
    EXPECT_TRUE(std::filesystem::is_empty(RecordPath()));
}
