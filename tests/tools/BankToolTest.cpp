// Runs the built quillet-bank on banks written to a temporary folder.
#include "ToolFixture.h"
#include "course/CourseReader.h"
#include "tools/bank/BankJson.h"

namespace
{
// Chapters "Ch1" ... of `choice` two-answer questions "Q<c>.<n>" and `statements` true/false ones.
std::string BankText(int chapters, int choice, int statements)
{
    std::string text = "!Generated\n";
    for (int c = 1; c <= chapters; ++c)
    {
        text += "@Ch" + std::to_string(c) + "\n";
        for (int q = 1; q <= choice; ++q)
            text += "#Q" + std::to_string(c) + "." + std::to_string(q) + "\n^right\n^wrong\n";
        for (int q = 1; q <= statements; ++q)
            text += "$S" + std::to_string(c) + "." + std::to_string(q) + "\n^True\n";
    }
    return text;
}

// The number of drawn questions, checking that they are numbered 1, 2, ... in order.
int NumberedQuestions(const std::string& json)
{
    std::size_t at = 0;
    int n = 0;
    while ((at = json.find("\"number\":" + std::to_string(n + 1) + "}", at)) != std::string::npos)
        ++n;
    EXPECT_EQ(json.find("\"number\":" + std::to_string(n + 1) + "}"), std::string::npos) << "out of order";
    return n;
}

class BankTool : public ToolFixture
{
  protected:
    std::string WriteBank(const std::string& name, const std::string& text) const
    {
        return WriteStored(name, text);
    }

    ToolRun Tool(const std::vector<std::string>& args) const { return Run(QUILLET_BANK_TOOL, args); }
};
}

TEST_F(BankTool, DumpPrintsTheCourseAsJsonInItsFixedKeyOrder)
{
    const std::string bank =
        WriteBank("demo.blh", "!Demo\n@Basics\n#Two plus two?\n^Four\n}Adds up\n^Five\n"
                              "%Count\n&Arithmetic 1\n$Water is dry\n^False\n}It is wet\n@Later\n");
    const ToolRun run = Tool({"dump", bank});
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(
        run.out,
        R"({"title":"Demo","chapters":[{"name":"Basics","questions":[)"
        R"({"text":"Two plus two?","truefalse":false,"truth":1,"correct":0,"hint":"Count",)"
        R"("topic":"Arithmetic 1","answers":["Four","Five"],"notes":["Adds up",null,null,null,null,null]},)"
        R"({"text":"Water is dry","truefalse":true,"truth":0,"correct":1,"hint":"","topic":"",)"
        R"("answers":["True","False"],"notes":[null,"It is wet",null,null,null,null]}]},)"
        R"({"name":"Later","questions":[]}]})"
        "\n");
}

TEST_F(BankTool, DumpEscapesBytesThatAreNotUtf8AndPassesValidUtf8Through)
{
    // Latin-1, valid 2- and 4-byte UTF-8, an overlong form, a cut sequence, a surrogate.
    const std::string bank = WriteBank("bytes.blh", "!Caf\xe9\n@Caf\xc3\xa9\n#\"q\" \\ \x01\t\n^\xc0\xaf\n"
                                                    "^\xe2\x82\n^\xf0\x9f\x98\x80\n^\xed\xa0\x80\n");
    const ToolRun run = Tool({"dump", bank});
    ASSERT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(
        run.out,
        "{\"title\":\"Caf\\u00e9\",\"chapters\":[{\"name\":\"Caf\xc3\xa9\",\"questions\":["
        R"({"text":"\"q\" \\ \u0001\t","truefalse":false,"truth":1,"correct":0,"hint":"","topic":"",)"
        "\"answers\":[\"\\u00c0\\u00af\",\"\\u00e2\\u0082\",\"\xf0\x9f\x98\x80\",\"\\u00ed\\u00a0\\u0080\"],"
        R"("notes":[null,null,null,null,null,null]}]}]})"
        "\n");
}

TEST_F(BankTool, BankThatCannotBeLoadedIsNamedWithItsReasonAndFails)
{
    const std::string untitled = WriteBank("untitled.blh", "@Ch\n#Q\n^a\n");
    const std::string empty = WriteBank("empty.blh", "");
    const std::pair<std::string, std::string> cases[] = {
        {untitled, "The file " + untitled + " is not a question bank: it has no title line."},
        {empty, "The question bank " + empty + " is empty."},
        {PathOf("missing.blh"),
         "The question bank " + PathOf("missing.blh") + " could not be opened: no such file."},
        {m_dir.string(),
         "The question bank " + m_dir.string() + " could not be opened: it is a folder, not a regular file."},
        {"/dev/zero", "The question bank /dev/zero could not be opened: it is a device, not a regular file."},
    };
    for (const auto& [bank, message] : cases)
    {
        const std::vector<std::string> commands[] = {{"dump", bank}, {"draw", bank, "--seed", "1", "--test"}};
        for (const auto& args : commands)
        {
            SCOPED_TRACE(args[0] + " " + bank);
            const ToolRun run = Tool(args);
            EXPECT_EQ(run.exit, 1);
            EXPECT_EQ(run.err, "quillet-bank: " + message + "\n");
            EXPECT_EQ(run.out, "");
        }
    }
}

TEST_F(BankTool, WrongArgumentsPrintUsageAndExitTwo)
{
    const std::string bank = WriteBank("ok.blh", BankText(2, 3, 0));
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"bogus"},
        {"dump", bank, "--json"},
        {"draw", bank, "--test"},
        {"draw", bank, "--seed", "x", "--test"},
        {"draw", bank, "--seed", "1", "--quiz", "two"},
        {"encode", bank},
        {"check", bank, bank},
    };
    for (const auto& args : cases)
    {
        SCOPED_TRACE(testing::PrintToString(args));
        const ToolRun run = Tool(args);
        EXPECT_EQ(run.exit, 2);
        EXPECT_EQ(run.err.rfind("usage: quillet-bank", 0), 0u) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(BankTool, DrawWithTheSameSeedRepeatsItselfAndIsTheLibrarysDrawForThatSeed)
{
    const std::string bank = WriteBank("draw.blh", BankText(3, 8, 4));
    const ToolRun first = Tool({"draw", bank, "--seed", "2024", "--pretest"});
    ASSERT_EQ(first.exit, 0) << first.err;
    EXPECT_EQ(first.out, Tool({"draw", bank, "--pretest", "--seed", "2024"}).out);
    CRandom random(2024);
    const auto course = CCourseReader::LoadText(BankText(3, 8, 4));
    EXPECT_EQ(first.out, quillet::TestToJson(*course->DrawTest(20, 1, random), TestKind::PreTest) + "\n");
}

TEST_F(BankTool, DrawPrintsTheShapeOfEachKind)
{
    // Two chapters of 3 multiple-choice and 10 true/false questions: a Test holds only 6.
    const std::string bank = WriteBank("kinds.blh", BankText(2, 3, 10));
    const ToolRun test = Tool({"draw", bank, "--seed", "5", "--test"});
    EXPECT_EQ(test.out.rfind(R"({"kind":"test","sections":[{"name":"Ch1","questions":[)", 0), 0u) << test.out;
    EXPECT_EQ(test.out.find(R"("truefalse":true)"), std::string::npos);
    EXPECT_EQ(NumberedQuestions(test.out), 6);

    const ToolRun pre = Tool({"draw", bank, "--seed", "5", "--pretest"});
    EXPECT_EQ(pre.out.rfind(R"({"kind":"pretest","sections":[{"name":"Ch1","questions":[)", 0), 0u)
        << pre.out;
    EXPECT_NE(pre.out.find(R"("truefalse":true)"), std::string::npos);
    EXPECT_EQ(NumberedQuestions(pre.out), 20);

    const ToolRun quiz = Tool({"draw", bank, "--quiz", "2", "--seed", "5"});
    EXPECT_EQ(quiz.out.rfind(R"({"kind":"quiz","chapter":2,"name":"Ch2","questions":[)", 0), 0u) << quiz.out;
    EXPECT_EQ(quiz.out.find("Q1."), std::string::npos) << "drawn from another chapter";
    EXPECT_EQ(NumberedQuestions(quiz.out), 10);
    EXPECT_EQ(Tool({"draw", bank, "--seed", "5", "--quiz", "3"}).exit, 1);
}

TEST_F(BankTool, EncodeThenDecodeGivesBackTheSameBytes)
{
    std::string bytes = "!Title\r\n";
    for (int b = 0; b < 256; ++b)
        bytes += static_cast<char>(b);
    std::ofstream(PathOf("plain.txt"), std::ios::binary) << bytes;
    ASSERT_EQ(Tool({"encode", PathOf("plain.txt"), PathOf("stored.blh")}).exit, 0);
    EXPECT_EQ(ReadFile(PathOf("stored.blh")), quillet::Complemented(bytes));
    ASSERT_EQ(Tool({"decode", PathOf("stored.blh"), PathOf("back.txt")}).exit, 0);
    EXPECT_EQ(ReadFile(PathOf("back.txt")), bytes);
    EXPECT_EQ(Tool({"encode", PathOf("nothing.txt"), PathOf("out.blh")}).exit, 1);
}

TEST_F(BankTool, CheckPrintsFileLineAndMessageForEveryProblem)
{
    const std::string bank =
        WriteBank("flawed.blh", "~before title\r\n!Checked\r\n#No chapter\r\n@Ch1\r\n#Q1\r\n"
                                "}early\r\n^a\r\n^b\r\n$Statement\r\n^Maybe\r\n#Alone\r\n"
                                "^only\r\n@Empty\r\n@Ch3\r\n#Q3\r\n^x\r\n^y\r\n?odd\r\n");
    const ToolRun run = Tool({"check", bank});
    EXPECT_EQ(run.exit, 1);
    const auto line = [&](int number, const std::string& message)
    { return bank + ":" + std::to_string(number) + ": " + message + "\n"; };
    std::string problems;
    for (std::size_t start = 0, end = 0; start < run.out.size(); start = end + 1)
    {
        end = run.out.find('\n', start);
        if (run.out.find("warning: ", start) != run.out.find(": ", start) + 2)
            problems += run.out.substr(start, end + 1 - start);
    }
    EXPECT_EQ(problems, line(1, DescribeBankLineIssue(BankLineIssue::NoCourse)) +
                            line(3, DescribeBankLineIssue(BankLineIssue::NoChapter)) +
                            line(6, DescribeBankLineIssue(BankLineIssue::NoteBeforeAnswer)) +
                            line(10, DescribeBankLineIssue(BankLineIssue::BadTruthValue)) +
                            line(11, "question has fewer than two answers") +
                            line(13, "chapter has no questions") +
                            line(18, DescribeBankLineIssue(BankLineIssue::UnknownKind)));
    // Its small draws are warned of besides (BankTool.CheckWarnsOfDrawsThatRepeat...).
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
              bank +
                  ": warning: the bank has 3 multiple-choice questions: a Test draws 20, so every Test asks "
                  "the same ones; add more for draws that differ");

    const std::string untitled = WriteBank("untitled.blh", "@Ch\n");
    const ToolRun noTitle = Tool({"check", untitled});
    EXPECT_EQ(noTitle.exit, 1);
    EXPECT_EQ(noTitle.out, untitled + ":1: " + DescribeBankLineIssue(BankLineIssue::NoCourse) + "\n" +
                               untitled + ": no course: the file has no title line\n");

    const ToolRun clean = Tool({"check", WriteBank("clean.blh", BankText(3, 10, 2))});
    EXPECT_EQ(clean.exit, 0);
    EXPECT_EQ(clean.out + clean.err, "");

    // Five answers load and work: a warning, not a failure.
    const std::string five =
        WriteBank("five.blh", "!Five\n@Ch\n#Q\n^a\n^b\n^c\n^d\n^e\n" + BankText(2, 11, 0).substr(16));
    const ToolRun warned = Tool({"check", five});
    EXPECT_EQ(warned.exit, 0);
    EXPECT_EQ(warned.out, five +
                              ":3: warning: question has 5 answers: a test shows four of them, the right one "
                              "always among them\n");
}

TEST_F(BankTool, CheckWarnsOfDrawsThatRepeatAndOfTextsTheWindowSetsSmallerOrScrolls)
{
    const std::string sentence = "How many bits long is the address that a switch learns on each port? ";
    const struct
    {
        const char* name;
        std::string bank;
        std::vector<std::string> warnings; // after "FILE:LINE: warning: " or "FILE: warning: "
    } cases[] = {
        {"large enough", BankText(3, 7, 3), {}},
        {"twenty choices",
         BankText(2, 10, 4),
         {"the bank has 20 multiple-choice questions: a Test draws 20, so every Test asks the same ones; add "
          "more "
          "for draws that differ"}},
        {"small chapter",
         BankText(2, 11, 0) + "@Ch3\n" + BankText(1, 8, 1).substr(16),
         {"chapter has 9 questions, fewer than the 10 a quiz asks: its quiz is shorter, and the same "
          "questions "
          "every time"}},
        {"long question",
         BankText(3, 10, 0) + "#" + sentence + sentence + sentence + "\n^a\n^b\n",
         {"question text is set in a smaller face to fit its box"}},
        {"question past the smallest face",
         BankText(3, 10, 0) + "#" + sentence + sentence + sentence + sentence + sentence + sentence +
             "\n^a\n^b\n",
         {"question text does not fit its box even in the smallest face: the student has to scroll it"}},
        {"long answers",
         BankText(3, 10, 0) + "#Q\n^a\n^" + sentence + sentence + "\n^" + sentence + sentence + sentence +
             sentence + sentence + "\n",
         {"answer 2 is set in a smaller face to fit its box",
          "answer 3 does not fit its box even in the smallest face: the student has to scroll it"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string bank = WriteBank("fit.blh", c.bank);
        const ToolRun run = Tool({"check", bank});
        EXPECT_EQ(run.exit, 0);
        EXPECT_EQ(run.err, "");
        std::vector<std::string> warnings;
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);)
            warnings.push_back(line.substr(line.find("warning: ") + 9));
        EXPECT_EQ(warnings, c.warnings) << run.out;
    }
}

TEST_F(BankTool, BundledSampleCourseIsCleanAndBigEnoughForEveryKindOfTest)
{
    const ToolRun run = Tool({"check", QUILLET_SAMPLE_BANK});
    EXPECT_EQ(run.exit, 0);
    EXPECT_EQ(run.err, "");
    // Three questions of more than four answers show that the right one is always offered.
    const std::string warning = ": warning: question has ";
    std::size_t warnings = 0;
    for (std::size_t at = run.out.find(warning); at != std::string::npos; at = run.out.find(warning, at + 1))
        ++warnings;
    EXPECT_EQ(warnings, 3u) << run.out;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 3) << run.out;
    const auto course = CCourseReader().Load(QUILLET_SAMPLE_BANK);
    ASSERT_NE(course, nullptr);
    EXPECT_GE(course->GetCount(), 6);
    for (int c = 0; c < course->GetCount(); ++c)
        EXPECT_GE(course->GetAt(c)->GetCount(), 12)
            << "chapter " << c + 1 << ": " << course->GetAt(c)->GetName();
}
