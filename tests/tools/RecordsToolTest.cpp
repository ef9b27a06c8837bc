// Runs the built quillet-records on record files written to a temporary folder.
#include "ToolFixture.h"

namespace
{
// The sample student of the administrators' guide.
constexpr const char* kSampleText = "ustudent1\np\ntSample Course\nd19990614093015\ns001230\nr17\na20\n"
                                    "tSample Course\ncChapter One\nd19990615101500\ns000505\nr08\na10\n";

// ann: a test, a pre-test, ten quizzes of Ch1 (1 to 10 of 10 right), one of Ch2, a second
// test and a test of another course; bob: one test of course A. Graded at noon on
// successive days from 1 June 1999.
std::string HistoryText()
{
    int day = 0;
    const auto result = [&](const std::string& head, int right, int total, const std::string& tail = "")
    {
        ++day;
        return head + "d199906" + (day < 10 ? "0" : "") + std::to_string(day) + "120000\ns000505\nr" +
               std::to_string(right) + "\na" + std::to_string(total) + "\n" + tail;
    };
    // One result a statement: the days must follow the results' order.
    std::string text = "uann\npsecret\n";
    text += result("tA\n", 11, 20);
    text += result("tA\n", 5, 20, "q\n");
    for (int right = 1; right <= 10; ++right)
        text += result("tA\ncCh1\n", right, 10);
    text += result("tA\ncCh2\n", 7, 10);
    text += result("tA\n", 15, 20);
    text += result("tB\n", 19, 20);
    text += "ubob\np\n";
    return text + result("tA\n", 20, 20);
}

// Every "right" count of a JSON text, in order.
std::vector<int> Rights(const std::string& json)
{
    std::vector<int> rights;
    for (std::size_t at = 0; (at = json.find("\"right\":", at)) != std::string::npos;)
        rights.push_back(static_cast<int>(std::strtol(json.c_str() + (at += 8), nullptr, 10)));
    return rights;
}

class RecordsTool : public ToolFixture
{
  protected:
    std::string WriteRecords(const std::string& name, const std::string& text) const
    {
        return WriteStored(name, text);
    }

    ToolRun Tool(const std::vector<std::string>& args) const { return Run(QUILLET_RECORDS_TOOL, args); }

    // The words of `line`, F standing for `file`.
    ToolRun Tool(const std::string& line, const std::string& file) const
    {
        std::vector<std::string> args;
        std::istringstream words(line);
        for (std::string word; words >> word;)
            args.push_back(word == "F" ? file : word);
        return Tool(args);
    }
};
}

TEST_F(RecordsTool, DumpPrintsStudentsAndResultsInTheFixedKeyOrder)
{
    const std::string file = WriteRecords(
        "dump.blh", std::string(kSampleText) +
                        "uteacher\nps3cret\ntSample Course\nd20000101000000\ns010000\nr100\na100\nq\n");
    const ToolRun run = Tool({"dump", file});
    EXPECT_EQ(run.exit, 0) << run.err;
    // 1999-06-14 09:30:15 UTC is 929352615; a day, 44 minutes and 45 seconds later is 929441700.
    EXPECT_EQ(
        run.out,
        R"({"students":[{"name":"student1","password":"","results":[)"
        R"({"test":true,"pretest":false,"title":"Sample Course","chapter":"","graded":"1999-06-14T09:30:15",)"
        R"("graded_epoch":929352615,"taken":750,"right":17,"total":20},)"
        R"({"test":false,"pretest":false,"title":"Sample Course","chapter":"Chapter One",)"
        R"("graded":"1999-06-15T10:15:00","graded_epoch":929441700,"taken":305,"right":8,"total":10}]},)"
        R"({"name":"teacher","password":"s3cret","results":[{"test":true,"pretest":true,)"
        R"("title":"Sample Course","chapter":"","graded":"2000-01-01T00:00:00","graded_epoch":946684800,)"
        R"("taken":3600,"right":100,"total":100}]}]})"
        "\n");
}

TEST_F(RecordsTool, FileWithoutStudentsSaysNoStudentsAndFails)
{
    for (const std::string& file : {PathOf("missing.blh"), WriteRecords("empty.blh", ""),
                                    WriteRecords("orphans.blh", "pnobody\ntCourse\nr05\n")})
    {
        for (const std::string command : {"dump", "export-csv", "rewrite"})
        {
            SCOPED_TRACE(testing::Message() << command << ' ' << file);
            const ToolRun run =
                command == "rewrite" ? Tool({command, file, PathOf("copy.blh")}) : Tool({command, file});
            EXPECT_EQ(run.exit, 1);
            EXPECT_EQ(run.err, "no students\n");
            EXPECT_EQ(run.out, "");
            EXPECT_FALSE(std::filesystem::exists(PathOf("copy.blh")));
        }
    }
}

TEST_F(RecordsTool, EncodeThenDecodeGivesBackTheSameBytes)
{
    std::string bytes = "ustudent1\r\n";
    for (int b = 0; b < 256; ++b)
        bytes += static_cast<char>(b);
    std::ofstream(PathOf("plain.txt"), std::ios::binary) << bytes;
    ASSERT_EQ(Tool({"encode", PathOf("plain.txt"), PathOf("stored.blh")}).exit, 0);
    EXPECT_EQ(ReadFile(PathOf("stored.blh")), quillet::Complemented(bytes));
    const ToolRun decoded = Tool({"decode", PathOf("stored.blh")});
    EXPECT_EQ(decoded.exit, 0);
    EXPECT_EQ(decoded.out, bytes);

    EXPECT_EQ(Tool({"decode", PathOf("missing.blh")}).exit, 1);
    EXPECT_EQ(Tool({"encode", PathOf("missing.txt"), PathOf("out.blh")}).exit, 1);
    EXPECT_EQ(Tool({"encode", PathOf("plain.txt"), m_dir.string()}).exit, 1);
}

TEST_F(RecordsTool, RewriteKeepsACanonicalFileByteForByte)
{
    // An empty password, r100, a quiz marked as a pre-test, a date that is no date, no results.
    const std::string text = std::string(kSampleText) +
                             "tSample Course\ncChapter Two\nd19990231120000\ns235959\nr100\na100\nq\n"
                             "ustudent2\npsecret\n";
    ASSERT_EQ(Tool({"rewrite", WriteRecords("canonical.blh", text), PathOf("copy.blh")}).exit, 0);
    EXPECT_EQ(ReadFile(PathOf("copy.blh")), quillet::Complemented(text));

    // Not a byte copy: CR LF line ends come back as LF.
    ASSERT_EQ(Tool({"rewrite", WriteRecords("crlf.blh", "ua\r\npb\r\n"), PathOf("lf.blh")}).exit, 0);
    EXPECT_EQ(ReadFile(PathOf("lf.blh")), quillet::Complemented("ua\npb\n"));

    const ToolRun blocked = Tool({"rewrite", PathOf("canonical.blh"), m_dir.string()});
    EXPECT_EQ(blocked.exit, 1);
    EXPECT_NE(blocked.err, "");
}

TEST_F(RecordsTool, HistorySelectsOneTestAndListsItsNewestResultsOldestFirst)
{
    const std::string file = WriteRecords("history.blh", HistoryText());
    struct Case
    {
        const char* selection;
        int count;
        int average;
        std::vector<int> rights; // the latest, then the previous ones
    } const cases[] = {
        {"--user ann --course A --test", 2, 65, {15, 11, 15}},
        {"--pretest --user ann --course A", 1, 25, {5, 5}},
        // Ten quizzes of 1 to 10 right: 55 of 100 in all; the eight newest are listed.
        {"--user ann --course A --quiz Ch1", 10, 55, {10, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"--course A --quiz Ch2 --user ann", 1, 70, {7, 7}},
        {"--user bob --course A --test", 1, 100, {20, 20}},
        // Known course, not taken yet as a Pre-Test.
        {"--user ann --course B --pretest", 0, 0, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.selection);
        const ToolRun run = Tool(std::string("history F ") + c.selection, file);
        ASSERT_EQ(run.exit, 0) << run.err;
        const std::string counts =
            ",\"count\":" + std::to_string(c.count) + ",\"average\":" + std::to_string(c.average);
        EXPECT_NE(run.out.find(counts + ",\"previous\":["), std::string::npos) << run.out;
        EXPECT_EQ(Rights(run.out), c.rights);
        EXPECT_EQ(run.out.rfind("{\"latest\":null,", 0) == 0, c.count == 0);
    }
    // The table lists the previous results, oldest first.
    const std::string test = Tool("history F --user ann --course A --test", file).out;
    EXPECT_EQ(
        test.substr(test.find("\"table\":")),
        R"("table":"date      time     speed        score   \n06/01/1999  12:00PM  00:05:05  11/20   55%\n)"
        R"(06/14/1999  12:00PM  00:05:05  15/20   75%\n"})"
        "\n");
}

TEST_F(RecordsTool, HistoryAndReportNameAnUnknownStudentCourseOrChapterWithCloseMatches)
{
    const std::string file = WriteRecords("unknown.blh", HistoryText() + "uanne\np\n");
    const struct
    {
        const char* selection;
        std::string said; // after "quillet-records: FILE holds no "
    } cases[] = {
        {"--user Ann --course A --test", "student \"Ann\"; did you mean \"ann\" or \"anne\"?"},
        {"--user carl --course A --test", "student \"carl\""},
        {"--user ann --course a --test", "result of the course \"a\"; did you mean \"A\" or \"B\"?"},
        {"--user ann --course Networks --test", "result of the course \"Networks\""},
        {"--user ann --course A --quiz ch1", "quiz of the chapter \"ch1\"; did you mean \"Ch1\" or \"Ch2\"?"},
        {"--user ann --course A --quiz Ch3", "quiz of the chapter \"Ch3\"; did you mean \"Ch1\" or \"Ch2\"?"},
        // Quizzes of course B have no chapters at all.
        {"--user ann --course B --quiz Ch1", "quiz of the chapter \"Ch1\""},
    };
    for (const auto& c : cases)
        for (const char* command : {"history", "report"})
        {
            SCOPED_TRACE(std::string(command) + " " + c.selection);
            const ToolRun run = Tool(std::string(command) + " F " + c.selection, file);
            EXPECT_EQ(run.exit, 1);
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.err, "quillet-records: " + file + " holds no " + c.said + "\n");
        }
    // A student without results of a course that another's results know: nothing taken yet.
    const ToolRun untaken = Tool("history F --user anne --course A --quiz Ch2", file);
    EXPECT_EQ(untaken.exit, 0) << untaken.err;
    EXPECT_EQ(untaken.out, "{\"latest\":null,\"count\":0,\"average\":0,\"previous\":[],"
                           "\"table\":\"date      time     speed        score   \\n\"}\n");
    // No file, or one without students: nobody to select.
    for (const std::string& empty : {PathOf("missing.blh"), WriteRecords("empty.blh", "")})
    {
        const ToolRun run = Tool("history F --user ann --course A --test", empty);
        EXPECT_EQ(run.exit, 1);
        EXPECT_EQ(run.err, "no students\n");
    }
}

TEST_F(RecordsTool, ReportPrintsTheNewestResultsMailOrFailsWithoutOne)
{
    const std::string file = WriteRecords("report.blh", HistoryText());
    // No such student, chapter or kind.
    for (const char* line :
         {"report F --user carl --course A --test", "report F --user ann --course A --quiz Ch3",
          "report F --user bob --course A --pretest"})
    {
        SCOPED_TRACE(line);
        const ToolRun run = Tool(line, file);
        EXPECT_EQ(run.exit, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err, "");
    }
    EXPECT_EQ(Tool("report F --user ann --course A --test", PathOf("missing.blh")).exit, 1);

    const ToolRun quiz = Tool("report F --user ann --course A --quiz Ch1", file);
    ASSERT_EQ(quiz.exit, 0) << quiz.err;
    EXPECT_EQ(quiz.out.rfind("Quiz Results: ann, A: Ch1, 10/10\n\nQuiz Results for A: Ch1\n", 0), 0u)
        << quiz.out;
    for (const char* line :
         {"\nStudent: ann\n", "\nNumber of Correct Answers: 10\n", "\nThis Quiz Taken: 10\n",
          "\nAverage for this Quiz: 55%\n", "\nPercent Correct: 100%\n"})
        EXPECT_NE(quiz.out.find(line), std::string::npos) << line;

    const ToolRun pre = Tool("report F --pretest --course A --user ann", file);
    EXPECT_EQ(pre.out.rfind("Pre-Test Results: ann, A, 5/20\n\nPre-Test Results for A\n", 0), 0u) << pre.out;
}

TEST_F(RecordsTool, ExportCsvQuotesWhereNeededAndEndsRowsInCrLf)
{
    const std::string file =
        WriteRecords("export.blh", "usmith, j\np\ntIntro, \"Basic\"\nd19990614093015\ns001230\nr17\na20\n"
                                   "tIntro, \"Basic\"\ncCh 1\nd19990615101500\ns000505\nr02\na03\n"
                                   "uplain\np\ntSay \"hi\"\nd20000101000000\ns010000\nr00\na00\nq\n");
    const ToolRun run = Tool({"export-csv", file});
    EXPECT_EQ(run.exit, 0) << run.err;
    // 2 of 3 is 66 per cent, truncated; no questions count as 0.
    EXPECT_EQ(run.out, "user,kind,course,chapter,graded,seconds,right,total,percent\r\n"
                       "\"smith, j\",test,\"Intro, \"\"Basic\"\"\",,1999-06-14T09:30:15,750,17,20,85\r\n"
                       "\"smith, j\",quiz,\"Intro, \"\"Basic\"\"\",Ch 1,1999-06-15T10:15:00,305,2,3,66\r\n"
                       "plain,pretest,\"Say \"\"hi\"\"\",,2000-01-01T00:00:00,3600,0,0,0\r\n");
}

TEST_F(RecordsTool, NamesAndTitlesReachNoSpreadsheetFormulaNorTerminalControl)
{
    const struct
    {
        std::string stored;
        std::string cell;  // in export-csv
        std::string shown; // in report, and warnings
    } rows[] = {
        {"=cmd|' /C calc'!A0", "\"'=cmd|' /C calc'!A0\"", "=cmd|' /C calc'!A0"},
        {"@SUM(1+1)", "\"'@SUM(1+1)\"", "@SUM(1+1)"},
        {"-2, x", "\"'-2, x\"", "-2, x"},
        {"\tTab", "\"'\tTab\"", "\tTab"},
        {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\"", "=HYPERLINK(\"x\")"},
        {"bell\a esc\x1b[31m del\x7F", "bell\\x07 esc\\x1b[31m del\\x7f", "bell\\x07 esc\\x1b[31m del\\x7f"},
        {"csi\xC2\x9B"
         "2J caf\xC3\xA9",
         "csi\\xc2\\x9b2J caf\xC3\xA9", "csi\\xc2\\x9b2J caf\xC3\xA9"},
        {"1252 \x93quoted\x94", "1252 \x93quoted\x94", "1252 \xE2\x80\x9Cquoted\xE2\x80\x9D"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.cell);
        // The name twice, for the warning; the title the same text.
        const std::string student =
            "u" + row.stored + "\np\nt" + row.stored + "\nd20000101000000\ns000010\nr01\na02\n";
        const std::string file = WriteRecords("cells.blh", student + student);
        const ToolRun csv = Tool({"export-csv", file});
        const std::string line = row.cell + ",test," + row.cell + ",,2000-01-01T00:00:00,10,1,2,50\r\n";
        const std::size_t header = csv.out.find('\n') + 1;
        EXPECT_EQ(csv.out.substr(0, header),
                  "user,kind,course,chapter,graded,seconds,right,total,percent\r\n");
        EXPECT_EQ(csv.out.substr(header), line + line);
        EXPECT_NE(csv.err.find(" student \"" + row.shown), std::string::npos) << csv.err;

        if (row.stored.find('\'') != std::string::npos)
            continue; // the fixture's shell quoting holds no apostrophe
        const ToolRun report = Tool({"report", file, "--user", row.stored, "--course", row.stored, "--test"});
        EXPECT_NE(report.out.find("\nTest Results for " + row.shown + "\n"), std::string::npos) << report.out;
        EXPECT_NE(report.out.find("\nStudent: " + row.shown + "\n"), std::string::npos) << report.out;

        // JSON has escapes of its own.
        const ToolRun dump = Tool({"dump", file});
        EXPECT_EQ(dump.out.find_first_of("\a\x1b"), std::string::npos) << dump.out;
    }
}

TEST_F(RecordsTool, WrongArgumentsPrintUsageAndExitTwo)
{
    const std::string file = WriteRecords("usage.blh", kSampleText);
    for (const char* line :
         {"", "bogus F", "dump", "dump F F", "decode F F", "encode F", "rewrite F", "export-csv", "history",
          "history F --user a --course b", "history F --user a --test",
          "history F --user a --user b --course c --test", "report F --user a --course b --quiz",
          "report F --user a --course b --test --pretest", "report F --user a --course b --test x"})
    {
        SCOPED_TRACE(line);
        const ToolRun run = Tool(line, file);
        EXPECT_EQ(run.exit, 2);
        EXPECT_EQ(run.err.rfind("usage: quillet-records", 0), 0u) << run.err;
        EXPECT_EQ(run.out, "");
    }
    const ToolRun help = Tool({"--help"});
    EXPECT_EQ(help.exit, 0);
    EXPECT_EQ(help.out.rfind("usage: quillet-records", 0), 0u);
    EXPECT_EQ(help.err, "");
}

TEST_F(RecordsTool, MergeJoinsMachinesAndWritesNothingOnAConflictUnlessToldToRename)
{
    const std::string lab1 =
        WriteRecords("lab1.blh", "uann\npa\ntA\nd20261201100000\ns000505\nr10\na20\nubob\npb\n");
    const std::string lab2 =
        WriteRecords("lab2.blh", "uann\npa\ntA\nd20261201100000\ns000505\nr10\na20\n"
                                 "tA\nd20261130100000\ns000505\nr12\na20\nubob\npother\n");
    const ToolRun refused = Tool({"merge", PathOf("all.blh"), lab1, lab2});
    EXPECT_EQ(refused.exit, 1);
    EXPECT_NE(refused.err.find("conflict: " + lab2 + ": bob has another password here"), std::string::npos)
        << refused.err;
    EXPECT_FALSE(std::filesystem::exists(PathOf("all.blh")));

    const ToolRun renamed = Tool({"merge", "--rename-conflicts", PathOf("all.blh"), lab1, lab2});
    EXPECT_EQ(renamed.exit, 0) << renamed.err;
    EXPECT_NE(renamed.err.find("renamed: " + lab2 + ": bob -> bob (2)"), std::string::npos) << renamed.err;
    const ToolRun dump = Tool({"dump", PathOf("all.blh")});
    EXPECT_EQ(Rights(dump.out), (std::vector<int>{12, 10}));
    EXPECT_NE(dump.out.find(R"x("name":"bob (2)","password":"other")x"), std::string::npos) << dump.out;
}

TEST_F(RecordsTool, ANameHeldTwiceIsReportedNotCountedAsNothing)
{
    const std::string file =
        WriteRecords("twice.blh", "uann\npa\nuann\npb\ntA\nd20261201100000\ns000505\nr10\na20\n");
    const ToolRun run = Tool({"history", file, "--user", "ann", "--course", "A", "--test"});
    EXPECT_EQ(run.exit, 0);
    EXPECT_NE(run.err.find("holds the student \"ann\" more than once; only the first logs in"),
              std::string::npos)
        << run.err;
}

TEST_F(RecordsTool, UnfinishedListsTheJournalsOfAFolderAndWhichDoNotRead)
{
    std::ofstream(PathOf("unfinished-a.journal"))
        << "quillet-journal 2\nstudent ann\ncourse A\nkind Quiz\nchapter 2\nbank /b\nsize 1\nhash "
           "0000000000000001\n"
           "saved 1765000000\nelapsed 75\ncurrent 0\ncount 2\nq 1 0 1 0 0,1\nq 1 1 -1 1 1,0\n";
    std::ofstream(PathOf("unfinished-b.journal")) << "quillet-journal 2\nstudent cut";
    std::filesystem::create_directory(PathOf("journals-bob"));
    std::ofstream(PathOf("journals-bob/unfinished-c.journal")) << "quillet-journal 2\nstudent cut";
    std::ofstream(PathOf("other.txt")) << "not a journal";
    const ToolRun run = Tool({"unfinished", m_dir.string()});
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(
        run.out.rfind(R"({"unfinished":[{"file":"journals-bob/unfinished-c.journal","readable":false},)"
                      R"({"file":"unfinished-a.journal","readable":true,"student":"ann",)"
                      R"("course":"A","kind":"Quiz","chapter":2,"answered":1,"questions":2,"elapsed":75,)"
                      R"("saved":")",
                      0),
        0u)
        << run.out;
    EXPECT_NE(run.out.find(R"({"file":"unfinished-b.journal","readable":false}]})"), std::string::npos)
        << run.out;
    EXPECT_EQ(Tool({"unfinished", PathOf("missing")}).exit, 1);
}
