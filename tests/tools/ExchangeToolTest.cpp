// quillet-bank import and export, run as a teacher runs them, and the
// Moodle XML reader and writer behind them.
#include "ImportReport.h"
#include "Repeated.h"
#include "ToolFixture.h"
#include "course/CourseReader.h"
#include "exchange/MoodleXml.h"

namespace
{
class ExchangeTool : public ToolFixture
{
  protected:
    std::string Write(const std::string& name, const std::string& text) const
    {
        std::ofstream(PathOf(name), std::ios::binary) << text;
        return PathOf(name);
    }
    ToolRun Tool(const std::vector<std::string>& args) const { return Run(QUILLET_BANK_TOOL, args); }
};

// Every feature the bank holds, bar the topic.
constexpr const char* kFullBank =
    "!Full\n@Net/works <&>\n#Is 1=1 ~ {a} #1: \"c\" & <d>?\n%Hint: #2\n"
    "^yes = {y}\n}note ~ &amp;\n^no # x\n^maybe\n}n2\n$Sky\n^False\n}wet\n"
    "@/Two/\n$Sea\n%salt\n^True\n#Caf\xc3\xa9 \xe2\x82\xac\n^a\n^b\n^c\n^d\n^e\n^f\n";
}

TEST_F(ExchangeTool, ImportReportsEachSkippedQuestionAndWritesTheBank)
{
    const std::string gift =
        Write("Networks 101.gift", "$CATEGORY: top/Basics\n\nQ1 {=a ~b}\n\nShort {=a}\n\n"
                                   "$CATEGORY: More\n\nQ2 {T}\n");
    const ToolRun run = Tool({"import", "--from", "gift", gift, PathOf("out.blh")});
    EXPECT_EQ(run.exit, 0);
    EXPECT_EQ(run.err, gift + ":5: skipped: short answer (only = answers)\n"
                              "2 questions imported in 2 chapters, 1 skipped\n");
    const auto course = CCourseReader().Load(PathOf("out.blh"));
    ASSERT_TRUE(course);
    EXPECT_EQ(quillet::CourseToBankText(*course), "!Networks 101\n@Basics\n#Q1\n^a\n^b\n@More\n$Q2\n^True\n");

    EXPECT_EQ(Tool({"import", "--from", "aiken", "--title", "Quiz",
                    Write("q.txt", "Q\nA. x\nB. y\nANSWER: B\n"), PathOf("out.txt")})
                  .exit,
              0);
    EXPECT_EQ(ReadFile(PathOf("out.txt")), "!Quiz\n@Quiz\n#Q\n^y\n^x\n");
}

TEST_F(ExchangeTool, CheckNamesTheLinesOfTheFileItReadsAndReimportKeepsTheTitle)
{
    const std::string gift =
        Write("week.gift", "// Week 1\n$CATEGORY: Basics\n\nFive {=a ~b ~c ~d ~e}\n\nEssay {}\n");
    const ToolRun checked = Tool({"check", "--from", "gift", gift});
    EXPECT_EQ(checked.exit, 1);
    EXPECT_EQ(checked.out,
              gift +
                  ": warning: the bank has 1 multiple-choice question: a Test draws 20, so every Test asks "
                  "the same ones; add more for draws that differ\n" +
                  gift +
                  ":2: warning: chapter has 1 question, fewer than the 10 a quiz asks: its quiz is "
                  "shorter, and the same questions every time\n" +
                  gift +
                  ":4: warning: question has 5 answers: a test shows four of them, the right one "
                  "always among them\n" +
                  gift + ":6: skipped: essay (an empty answer block)\n");

    // The bank text made of it is checked at its own lines, and keeps its
    // title when imported again.
    const std::string bank = PathOf("week.txt");
    ASSERT_EQ(Tool({"import", "--from", "gift", "--title", "Networks", gift, bank}).exit, 0);
    const ToolRun text = Tool({"check", bank});
    EXPECT_EQ(text.exit, 0) << text.err;
    EXPECT_NE(text.out.find(bank + ":3: warning: question has 5 answers"), std::string::npos) << text.out;
    ASSERT_EQ(Tool({"import", "--from", "gift", gift, bank}).exit, 0);
    EXPECT_EQ(ReadFile(bank).substr(0, 10), "!Networks\n");
    ASSERT_EQ(Tool({"import", "--from", "gift", "--title", "Other", gift, bank}).exit, 0);
    EXPECT_EQ(ReadFile(bank).substr(0, 7), "!Other\n");
}

TEST_F(ExchangeTool, ExitStatusTellsNothingImportedFromUnreadable)
{
    struct Case
    {
        const char* format;
        std::string input;
        int exit;
    };
    const Case cases[] = {
        {"gift", Write("none.gift", "Essay {}\n"), 1},
        {"aiken", PathOf("missing.txt"), 2},
        {"moodle-xml", PathOf(""), 2},
        {"moodle-xml", Write("broken.xml", "<quiz><question type=\"truefalse\">"), 2},
        {"moodle-xml", Write("html.xml", "<html><body/></html>"), 2},
    };
    for (const Case& c : cases)
    {
        const ToolRun run = Tool({"import", "--from", c.format, c.input, PathOf("never.blh")});
        EXPECT_EQ(run.exit, c.exit) << c.input << "\n" << run.err;
        EXPECT_FALSE(std::filesystem::exists(PathOf("never.blh"))) << c.input;
    }
}

TEST_F(ExchangeTool, ExportedFilesImportBackToTheSameBank)
{
    const std::string bank = Write("full.txt", kFullBank);
    for (const std::string format : {"gift", "moodle-xml"})
    {
        const ToolRun out = Tool({"export", "--to", format, bank, PathOf("exported")});
        EXPECT_EQ(out.exit, 0) << out.err;
        EXPECT_EQ(out.err, "");
        const ToolRun in =
            Tool({"import", "--from", format, "--title", "Full", PathOf("exported"), PathOf("back.txt")});
        EXPECT_EQ(in.exit, 0) << in.err;
        EXPECT_EQ(ReadFile(PathOf("back.txt")), kFullBank) << format;
    }
    // Well formed as xmllint reads it.
    Tool({"export", "--to", "moodle-xml", bank, PathOf("full.xml")});
    const ToolRun lint = Run("xmllint", {"--noout", PathOf("full.xml")});
    EXPECT_EQ(lint.exit, 0) << lint.err;
}

TEST_F(ExchangeTool, RefusesToWriteOverItsInputByAnyName)
{
    const std::string gift = Write("same.gift", "Q {=a ~b}\n");
    const std::string bank = Write("bank.txt", "!T\n@C\n#Q\n^a\n^b\n");
    std::filesystem::create_hard_link(gift, PathOf("hard.gift"));
    std::filesystem::create_symlink(gift, PathOf("soft.gift"));
    std::filesystem::create_directory(PathOf("sub"));
    struct Case
    {
        std::vector<std::string> args;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {{"import", "--from", "gift"}, gift, gift},
        {{"import", "--from", "gift"}, gift, PathOf("sub/../same.gift")},
        {{"import", "--from", "gift"}, gift, PathOf("hard.gift")},
        {{"import", "--from", "aiken"}, PathOf("soft.gift"), gift},
        {{"export", "--to", "gift"}, bank, bank},
    };
    for (const Case& c : cases)
    {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {c.in, c.out});
        const ToolRun run = Tool(args);
        EXPECT_EQ(run.exit, 2) << c.out;
        EXPECT_EQ(run.err, "quillet-bank: " + c.out + " is the input file " + c.in +
                               " itself; give the output another name\n");
    }
    EXPECT_EQ(ReadFile(gift), "Q {=a ~b}\n");
    EXPECT_EQ(ReadFile(bank), "!T\n@C\n#Q\n^a\n^b\n");
    // Nothing was written beside them either: no temporary file is left.
    const auto entries = std::distance(std::filesystem::directory_iterator(m_dir), {});
    EXPECT_EQ(entries, 7); // the five above, and the tool's out and err
}

TEST_F(ExchangeTool, ExportReportsWhatItDrops)
{
    const std::string bank = Write("topic.txt", "!T\n@C\n#Lonely\n^only\n#Q\n&Video 1\n^a\n^b\n");
    EXPECT_EQ(Tool({"export", "--to", "gift", bank, PathOf("t.gift")}).err,
              "quillet-bank: dropped: question 1 of chapter \"C\", as it has fewer than two answers\n"
              "quillet-bank: dropped: 1 topics (GIFT has no place for them)\n");
}

TEST(MoodleXml, ReadsHtmlCdataEntitiesAndSkipsOtherTypes)
{
    const quillet::Import import = quillet::ImportMoodleXml(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<quiz>\n"
        "<question type=\"category\"><category><text>$course$/top/Net//works</text></category></question>\n"
        "<question type=\"multichoice\">\n"
        "  <questiontext format=\"html\"><text><![CDATA[<p>What is a "
        "<b>LAN</b>&nbsp;&amp;\nwhy?</p>]]></text>"
        "</questiontext>\n"
        "  <generalfeedback format=\"plain_text\"><text>&lt;Think&gt;</text></generalfeedback>\n"
        "  <answer fraction=\"50\"><text>Wide</text></answer>\n"
        "  <answer fraction=\"100\" format=\"html\"><text>&lt;i&gt;Local&lt;/i&gt;</text>"
        "<feedback><text>Yes</text></feedback></answer>\n"
        "</question>\n"
        "<question type=\"truefalse\"><questiontext><text>Sky</text></questiontext>\n"
        "  <answer fraction=\"0\"><text>true</text><feedback><text>No</text></feedback></answer>\n"
        "  <answer fraction=\"100\"><text>false</text></answer></question>\n"
        "<question type=\"multichoice\"><single>false</single><questiontext><text>Q</text></questiontext>"
        "</question>\n"
        "<question type=\"essay\"><questiontext><text>Why?</text></questiontext></question>\n"
        "</quiz>\n",
        "T");
    ASSERT_EQ(import.imported, 2);
    EXPECT_EQ(quillet::CourseToBankText(*import.course),
              "!T\n@Net/works\n#What is a LAN & why?\n%<Think>\n^Local\n}Yes\n^Wide\n$Sky\n^False\n}No\n");
    ASSERT_EQ(import.notes.size(), 3u);
    EXPECT_EQ(import.notes[0].line, 4);
    EXPECT_EQ(import.notes[0].text, "the partial credit of \"Wide\" is dropped; it counts as wrong");
    EXPECT_EQ(import.notes[1].text, "several right answers (a multiple-answer question)");
    EXPECT_EQ(import.notes[2].text, "essay question");
}

// Moodle's own cases, read as Moodle reads them as far as a bank can hold
// them (question/format/xml/tests/xmlformat_test.php, its fixtures, and
// format.php).
TEST(MoodleXml, ReadsMoodlesCasesAsMoodleDoes)
{
    const struct
    {
        const char* source;
        const char* question; // within <quiz>, from line 1
        const char* outcome;
    } cases[] = {
        {"test_import_multichoice_19, one right: answers and feedback of no format take the question's",
         "<question type=\"multichoice\"><questiontext format=\"html\"><text>Which is the even number?</text>"
         "</questiontext><generalfeedback><text><![CDATA[The even <b>number</b> is 2.]]></text>"
         "</generalfeedback><answer "
         "fraction=\"0\"><text>1</text><feedback><text><![CDATA[<p>Odd</p>]]></text>"
         "</feedback></answer><answer fraction=\"100\"><text><![CDATA[<b>2</b>]]></text></answer></question>",
         "!T\n@T\n#Which is the even number?\n%The even number is 2.\n^2\n^1\n}Odd\n"},
        {"test_import_truefalse_19: the right answer's feedback has no place",
         "<question type=\"truefalse\"><questiontext format=\"html\"><text>The answer is true.</text>"
         "</questiontext><generalfeedback><text>General feedback: You should have chosen true.</text>"
         "</generalfeedback><answer fraction=\"100\"><text>true</text><feedback><text>Well done!</text>"
         "</feedback></answer><answer fraction=\"0\"><text>false</text><feedback><text>Doh!</text></feedback>"
         "</answer></question>",
         "!T\n@T\n$The answer is true.\n%General feedback: You should have chosen true.\n^True\n}Doh!\n"
         "1: warning: the feedback on the right answer, \"Well done!\", is dropped: a true/false statement "
         "holds one note, the feedback on a wrong answer\n"},
        {"fixtures/truefalse.xml, Moodle acronym (False): inline tags leave no blank",
         "<question type=\"truefalse\"><questiontext format=\"html\"><text><![CDATA[<p>Moodle <img "
         "src=\"@@PLUGINFILE@@/logo.jpg\" alt=\"Moodle logo\" /> is an acronym for <span "
         "style=\"font-style: italic;\">Modular Object-Oriented Dynamic Learning "
         "Education</span>.</p>]]></text>"
         "</questiontext><answer fraction=\"0\" format=\"moodle_auto_format\"><text>true</text>"
         "<feedback format=\"html\"><text><![CDATA[<p><img src=\"@@PLUGINFILE@@/thumbdown.jpg\" /> Your "
         "answer is incorrect.</p>]]></text></feedback></answer><answer fraction=\"100\" "
         "format=\"moodle_auto_format\"><text>false</text><feedback format=\"html\"><text><![CDATA[<p><img "
         "src=\"@@PLUGINFILE@@/thumbup.jpg\" /> Your answer is correct.</p>]]></text></feedback></answer>"
         "</question>",
         "!T\n@T\n$Moodle is an acronym for Modular Object-Oriented Dynamic Learning Education.\n^False\n"
         "}Your answer is incorrect.\n1: warning: the feedback on the right answer, \"Your answer is "
         "correct.\", "
         "is dropped: a true/false statement holds one note, the feedback on a wrong answer\n"},
        {"format.php import_truefalse, an old file: the first answer is true, the second false",
         "<question type=\"truefalse\"><questiontext><text>Q</text></questiontext><answer fraction=\"0\">"
         "<text>Wahr</text></answer><answer fraction=\"100\"><text>Falsch</text><feedback><text>Right"
         "</text></feedback></answer></question>",
         "!T\n@T\n$Q\n^False\n}Right\n"
         "1: warning: the answers are not \"true\" and \"false\": \"Wahr\" is taken as true and \"Falsch\" "
         "as "
         "false, as Moodle does\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(testimport::ImportReport(
                      quillet::ImportMoodleXml(std::string("<quiz>") + c.question + "</quiz>", "T")),
                  c.outcome)
            << c.source;
}

namespace
{
std::string Statement(std::string_view text)
{
    return "<question type=\"truefalse\"><questiontext><text>" + std::string(text) +
           "</text></questiontext><answer fraction=\"100\"><text>true</text></answer></question>";
}
}

TEST(MoodleXml, ReadsItsDeclaredEncodingInAnyCaseBetweenEitherQuote)
{
    // Windows-1252 in a file that says UTF-8, or says nothing, is read as
    // Windows-1252; a file naming another encoding is decoded as it says.
    const char* const declarations[] = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
        "<?xml version='1.0' encoding='UTF-8'?>",
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>",
        "<?xml version=\"1.0\" encoding = 'Utf-8' ?>",
        "<?xml version=\"1.0\" encoding=\"UTF8\"?>",
        "<?xml version=\"1.0\"?>",
        "",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>",
    };
    for (const char* declaration : declarations)
    {
        const quillet::Import import = quillet::ImportMoodleXml(
            std::string(declaration) + "<quiz>" + Statement("Caf\xe9") + "</quiz>", "T");
        EXPECT_EQ(import.error, "") << declaration;
        EXPECT_EQ(testimport::ImportReport(import), "!T\n@T\n$Caf\xc3\xa9\n^True\n") << declaration;
    }
}

// Shapes made to wear the reader out: each is read in one pass, with no
// recursion, and gives what an ordinary file would, or a skip.
TEST(MoodleXml, HostileShapesGiveTheirBankOrSkip)
{
    constexpr std::size_t kBig = 1 << 20;
    const std::string wrong =
        "<answer fraction=\"0\"><text>w</text><feedback><text>No</text></feedback></answer>";
    struct Case
    {
        const char* name;
        std::string xml;
        std::string outcome;
    };
    const Case cases[] = {
        {"NestedWithinTheLimit",
         "<quiz><question type=\"truefalse\">" + Repeated("<a>", 990) + "x" + Repeated("</a>", 990) +
             "<questiontext><text>Q</text></questiontext><answer fraction=\"100\"><text>true</text></answer>"
             "</question></quiz>",
         "!T\n@T\n$Q\n^True\n"},
        {"NestedPastTheLimit",
         "<quiz>\n" + Statement("First") + "\n<question type=\"truefalse\">\n" + Repeated("<a>", 60000) +
             Repeated("</a>", 60000) + "</question>\n" + Statement("Never read") + "</quiz>",
         "!T\n@T\n$First\n^True\n"
         "3: skipped: elements nested more than 1000 deep at line 4; the file is read no further\n"},
        {"OpenedOnly", "<quiz>" + Repeated("<a>", 60000),
         "1: skipped: elements nested more than 1000 deep at line 1; the file is read no further\n"},
        {"AmpersandRun",
         "<quiz><question type=\"truefalse\"><questiontext format=\"html\"><text>" + Repeated("&amp;", kBig) +
             "</text></questiontext><answer fraction=\"100\"><text>true</text></answer></question></quiz>",
         "!T\n@T\n$" + std::string(kBig, '&') + "\n^True\n"},
        {"EntityNamesNeverClosed",
         "<quiz><question type=\"truefalse\"><questiontext format=\"html\"><text>" +
             Repeated("&amp;amp", kBig / 4) +
             "&amp;lt;</text></questiontext><answer "
             "fraction=\"100\"><text>true</text></answer></question></quiz>",
         "!T\n@T\n$" + Repeated("&amp", kBig / 4) + "<\n^True\n"},
        {"LongCdata", "<quiz>" + Statement("<![CDATA[" + std::string(kBig, 'x') + "]]>") + "</quiz>",
         "!T\n@T\n$" + std::string(kBig, 'x') + "\n^True\n"},
        {"AnswerFlood",
         "<quiz>\n<question type=\"multichoice\"><questiontext><text>Q</text></questiontext>" +
             Repeated(wrong, kBig / 100) +
             "<answer fraction=\"100\"><text>r</text></answer></question></quiz>",
         "2: skipped: more than six answers\n"},
        // A statement is judged by its first right and first wrong answer,
        // however many come before.
        {"TruthAfterManyWrongAnswers",
         "<quiz><question type=\"truefalse\"><questiontext><text>Q</text></questiontext>" +
             Repeated(wrong, 10) + "<answer fraction=\"100\"><text>false</text></answer></question></quiz>",
         "!T\n@T\n$Q\n^False\n}No\n"
         "1: warning: the answers are not \"true\" and \"false\": \"w\" is taken as true and \"w\" as false, "
         "as Moodle does\n"},
    };
    for (const Case& c : cases)
    {
        const quillet::Import import = quillet::ImportMoodleXml(c.xml, "T");
        EXPECT_EQ(import.error, "") << c.name;
        const std::string report = testimport::ImportReport(import);
        EXPECT_TRUE(report == c.outcome)
            << c.name << " gave " << report.size() << " bytes: " << report.substr(0, 160);
    }
}
