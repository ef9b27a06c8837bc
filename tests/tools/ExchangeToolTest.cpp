// quillet-bank import and export, run as a teacher runs them, and the
// Moodle XML reader and writer behind them.
#include "ToolFixture.h"
#include "course/CourseReader.h"
#include "tools/bank/MoodleXml.h"

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
        "  <generalfeedback><text>&lt;Think&gt;</text></generalfeedback>\n"
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
