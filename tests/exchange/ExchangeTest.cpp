// GIFT and Aiken in and out of a bank, judged by the bank text they give.
#include <gtest/gtest.h>

#include "ImportReport.h"
#include "Repeated.h"
#include "course/Chapter.h"
#include "course/CourseReader.h"
#include "course/InputReader.h"
#include "course/Question.h"
#include "exchange/AikenFormat.h"
#include "exchange/GiftFormat.h"

namespace
{
using Reader = quillet::Import (*)(std::string_view, const std::string&);

struct Case
{
    const char* name;
    Reader read;
    const char* input;
    const char* bank; // the bank text of the import, title "T", then its notes
};

using testimport::Bank;
using testimport::ImportReport;
using testimport::Notes;

class Importing : public testing::TestWithParam<Case>
{
};

TEST_P(Importing, GivesTheBankAndItsNotes)
{
    const quillet::Import import = GetParam().read(GetParam().input, "T");
    EXPECT_EQ(ImportReport(import), GetParam().bank);
}

constexpr Reader kGift = &quillet::ImportGift;
constexpr Reader kAiken = &quillet::ImportAiken;

INSTANTIATE_TEST_SUITE_P(
    Gift, Importing,
    testing::Values(
        Case{"ChoiceWithFeedback", kGift,
             "// a comment\n::Q1::[plain] What is a LAN? {\n  ~Wide#Too big\n  =Local#Yes\n  ~Metro\n  "
             "####Think small\n}\n",
             "!T\n@T\n#What is a LAN?\n%Think small\n^Local\n}Yes\n^Wide\n}Too big\n^Metro\n"},
        Case{"MissingWord", kGift, "Grant is {=Grant ~Lincoln} in Grant's tomb.",
             "!T\n@T\n#Grant is _____ in Grant's tomb.\n^Grant\n^Lincoln\n"},
        // The blank takes the braces' place and nothing else: no blank is
        // added before a full stop, nor lost beside the text.
        Case{"MissingWordBeforeAFullStop", kGift, "Jesus Christ was from {=Nazareth ~Jerusalem}.",
             "!T\n@T\n#Jesus Christ was from _____.\n^Nazareth\n^Jerusalem\n"},
        Case{"MissingWordInsideAWord", kGift, "The plural of mouse is {=mi ~mou}ce, not mouses.",
             "!T\n@T\n#The plural of mouse is _____ce, not mouses.\n^mi\n^mou\n"},
        Case{"TrueFalseAnyCase", kGift, "The sky is blue {t}\n\nWater is dry {FALSE#It is wet#Right}",
             "!T\n@T\n$The sky is blue\n^True\n$Water is dry\n^False\n}It is wet\n"
             "3: warning: the feedback on the right answer, \"Right\", is dropped: a true/false statement "
             "holds "
             "one note, the feedback on a wrong answer\n"},
        Case{"Escapes", kGift, "Is 1\\=1 \\{really\\}\\: a\\\\b\\nc? {=yes\\#1 ~no\\~}",
             "!T\n@T\n#Is 1=1 {really}: a\\b c?\n^yes#1\n^no~\n"},
        Case{"Html", kGift, "[html]<p>A &amp; B&nbsp;&lt;C&gt;</p><br>D {=<b>x</b> ~y}",
             "!T\n@T\n#A & B <C> D\n^x\n^y\n"},
        // Entities up to the longest there is, and some just past it.
        Case{"EntityLengths", kGift,
             "[html]&#x010FFFF;|&#0000065;|&#x00000041;|&hellip;|&hellip2;|&amp {=a ~b}",
             "!T\n@T\n#\xF4\x8F\xBF\xBF|A|&#x00000041;|\xE2\x80\xA6|&hellip2;|&amp\n^a\n^b\n"},
        Case{"LinesJoinedAndTrimmed", kGift, "  First\r\n  line {\r\n=a\r\n~b}\r\n",
             "!T\n@T\n#First line\n^a\n^b\n"},
        Case{"CategoriesByLastPartContinued", kGift,
             "$CATEGORY: top/a/Net//works\n\nQ1 {=a ~b}\n\n$CATEGORY: Other\nQ2 {=a ~b}\n\n$CATEGORY: "
             "x/Net//works\n\n"
             "Q3 {=a ~b}",
             "!T\n@Net/works\n#Q1\n^a\n^b\n#Q3\n^a\n^b\n@Other\n#Q2\n^a\n^b\n"},
        Case{"Windows1252", kGift, "Caf\xe9? {=Oui ~Non}", "!T\n@T\n#Caf\xc3\xa9?\n^Oui\n^Non\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GiftImport, SkipsWhatABankCannotAskWithTheLineAndReason)
{
    const quillet::Import import = quillet::ImportGift("Short {=a =b}\n"
                                                       "\n"
                                                       "Many {~%50%a ~%50%b}\n"
                                                       "\n"
                                                       "Two right {=a =b ~c}\n"
                                                       "\n"
                                                       "Match {=a -> 1 =b -> 2 =c -> 3}\n"
                                                       "\n"
                                                       "Number {#3:0.5}\n"
                                                       "\n"
                                                       "Essay {}\n"
                                                       "\n"
                                                       "Just a description.\n"
                                                       "\n"
                                                       "Seven {=a ~b ~c ~d ~e ~f ~g}\n"
                                                       "\n"
                                                       "Partial {~%50%half =right}\n",
                                                       "T");
    EXPECT_EQ(Notes(import), "1: skipped: short answer (only = answers)\n"
                             "3: skipped: several right answers (no = answer)\n"
                             "5: skipped: several right answers (more than one = answer)\n"
                             "7: skipped: matching question\n"
                             "9: skipped: numerical question\n"
                             "11: skipped: essay (an empty answer block)\n"
                             "13: skipped: description (no answer block)\n"
                             "15: skipped: more than six answers\n"
                             "17: warning: the partial credit of \"half\" is dropped; it counts as wrong\n");
    EXPECT_EQ(Bank(import), "!T\n@T\n#Partial\n^right\n^half\n");
}

TEST(GiftImport, ReportsWhatOverflowsTheBanksLimits)
{
    std::string input;
    for (int i = 0; i < 101; ++i)
        input += "Q {=a ~b}\n\n";
    for (int c = 0; c < 100; ++c)
        input += "$CATEGORY: c" + std::to_string(c) + "\n\nQ {=a ~b}\n\n";
    const quillet::Import import = quillet::ImportGift(input, "T");
    EXPECT_EQ(import.imported, 199);
    EXPECT_EQ(import.skipped, 2);
    EXPECT_EQ(import.course->GetCount(), 100);
    EXPECT_EQ(Notes(import),
              "201: skipped: chapter \"T\" already holds 100 questions\n"
              "601: skipped: the course already holds 100 chapters, so chapter \"c99\" has no room\n");
}

INSTANTIATE_TEST_SUITE_P(
    Aiken, Importing,
    testing::Values(
        Case{"BothOptionStylesRightAnswerFirst", kAiken,
             "What is 2+2?\nA. 3\nB) 4\nC. 5\nANSWER: B\n\nNext?\nA) x\nB) y\nANSWER: a",
             "!T\n@T\n#What is 2+2?\n^4\n^3\n^5\n#Next?\n^x\n^y\n"},
        Case{"NoBlankLineNeededAfterTheAnswer", kAiken,
             "Q1\nA. x\nB. y\nANSWER: A\nQ2\nA. x\nB. y\nANSWER: B\n", "!T\n@T\n#Q1\n^x\n^y\n#Q2\n^y\n^x\n"},
        Case{"BrokenPatternSkipsOnlyThatQuestion", kAiken,
             "\nBroken\nA. x\nC. y\nANSWER: A\n\nGood\nA. x\nB. y\nANSWER: A",
             "!T\n@T\n#Good\n^x\n^y\n2: skipped: line 4 is neither option B nor an ANSWER: line\n"},
        Case{"AnswerNamesNoOption", kAiken, "Q\nA. x\nB. y\nANSWER: C",
             "1: skipped: the ANSWER: line names no option\n"},
        Case{"OneOption", kAiken, "Q\nA. x\nANSWER: A", "1: skipped: fewer than two options\n"},
        Case{"SevenOptions", kAiken, "Q\nA. a\nB. b\nC. c\nD. d\nE. e\nF. f\nG. g\nANSWER: A",
             "1: skipped: more than six options\n"},
        Case{"NoAnswerLine", kAiken, "Q\nA. x\nB. y\n\nR\n",
             "1: skipped: no ANSWER: line after the options\n"
             "5: skipped: a question line with no options\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Moodle's own cases, each read as Moodle reads it, as far as a bank can
// hold it (question/format/gift/tests/giftformat_test.php and format.php).
INSTANTIATE_TEST_SUITE_P(
    MoodleGift, Importing,
    testing::Values(
        // test_import_multichoice: a marker sets its part's format, and goes.
        Case{"MarkersOnAnswersAndFeedback", kGift,
             "::Q2:: What's between orange and green in the spectrum?\n{\n    =yellow # right; good!\n"
             "    ~red # [html]wrong, it's <b>yellow</b>\n    ~[plain]blue # wrong, it's yellow\n}",
             "!T\n@T\n#What's between orange and green in the spectrum?\n^yellow\n}right; good!\n^red\n"
             "}wrong, it's yellow\n^blue\n}wrong, it's yellow\n"},
        // test_import_match: the question's [html] is the answers' format,
        // unless one has its own.
        Case{"QuestionFormatIsTheAnswers", kGift,
             "[html]Match the <b>activity</b>. {=[plain]<b>Forum</b> ~<i>Chat</i>#<p>no</p>}",
             "!T\n@T\n#Match the activity.\n^<b>Forum</b>\n^Chat\n}no\n"},
        // test_import_shortanswer_with_general_feedback, on a choice.
        Case{"MarkerOnGeneralFeedback", kGift,
             "Which is the best animal?{=Frog#Good! ~Cat ####[html]Here is <i>some</i> general feedback!}",
             "!T\n@T\n#Which is the best animal?\n%Here is some general feedback!\n^Frog\n}Good!\n^Cat\n"},
        // test_import_multichoice_multi and _multi_tricky: without an =
        // answer, every ~ answer of positive weight is to be ticked.
        Case{"WeightsWithoutARightAnswer", kGift,
             "Q {\n~%50%yellow # right; good!\n~%-100%red # [html]wrong\n~%50%off-beige\n}\n\n"
             "Q {\n~%100%yellow # right; good!\n~%-50%red # wrong\n~%-50%blue # wrong\n}\n\nOnly one?{~a}",
             "1: skipped: several right answers (no = answer)\n"
             "7: skipped: a multiple-answer question (no = answer; \"yellow\" is the one answer of positive "
             "weight)\n"
             "13: skipped: no right answer (no = answer, and no ~ answer of positive weight)\n"},
        // format.php: a weight follows ~ only, as %, minus signs, one or two
        // digits, a point and digits, %; any other % is text.
        Case{"WeightRule", kGift, "Sale {=%50% off ~%-33.3%a ~ %5%b ~%5 c ~%x%d ~%.5%e}",
             "!T\n@T\n#Sale\n^%50% off\n^a\n^b\n^%5 c\n^%x%d\n^%.5%e\n"
             "1: warning: the partial credit of \"b\" is dropped; it counts as wrong\n"},
        // test_import_truefalse and the fixture's question with general
        // feedback: one note, the wrong answer's; the right one's is told.
        Case{
            "StatementFeedbacks", kGift,
            "::Q1:: 42 is the Absolute Answer to everything.{\nFALSE#42 is the Ultimate Answer.#You gave the "
            "right answer.\n####This is, of course, a Hitchiker's Guide to the Galaxy reference.}\n\n"
            "Right only {T##[html]<p>Yes</p>}",
            "!T\n@T\n$42 is the Absolute Answer to everything.\n"
            "%This is, of course, a Hitchiker's Guide to the Galaxy reference.\n^False\n"
            "}42 is the Ultimate Answer.\n$Right only\n^True\n}Yes\n"
            "1: warning: the feedback on the right answer, \"You gave the right answer.\", is dropped: a "
            "true/false statement holds one note, the feedback on a wrong answer\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// question/format/aiken/tests/aikenformat_test.php, test_readquestions, on
// fixtures/aiken_errors.txt a few lines at a time (its too few answers and
// unfinished question are OneOption and NoAnswerLine above).
INSTANTIATE_TEST_SUITE_P(
    MoodleAiken, Importing,
    testing::Values(
        Case{"QuestionNotStarted", kAiken, "A) Question not started\n\nANSWER: Question not started",
             "1: skipped: option A with no question line before it\n"
             "3: skipped: an ANSWER: line with no question line before it\n"},
        Case{"NoSpaceAfterTheLetter", kAiken,
             "A second good question\nA)Incorrect (No space)\nB)Correct (No space)\nANSWER: B",
             "!T\n@T\n#A second good question\n^Correct (No space)\n^Incorrect (No space)\n"},
        // A stray option starts no question: the next line does.
        Case{"StrayOptionsThenAQuestion", kAiken,
             "Q\nA. x\nB. y\nANSWER: A\nC. z\nD. w\nNext\nA. a\nB. b\nANSWER: B",
             "!T\n@T\n#Q\n^x\n^y\n#Next\n^b\n^a\n5: skipped: option C with no question line before it\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GiftExport, ImportsBackTheSameBankTopicsAside)
{
    const auto course =
        CCourseReader::LoadText("!Title\n@Net/works {x}\n#Is 1=1 ~ {a} #1: c\\d?\n%Hint: #2\n&topic\n"
                                "^yes = {y}\n}note ~\n^no # x\n^maybe\n}n2\n$Sky\n^False\n}wet\n"
                                "@Two\n$Sea\n^True\n%salt\n#[html] // not a comment\n^a\n^b\n");
    std::vector<std::string> dropped;
    const std::string gift = quillet::ExportGift(*course, dropped);
    const quillet::Import back = quillet::ImportGift(gift, "Title");
    EXPECT_EQ(Notes(back), "");
    EXPECT_EQ(Bank(back), "!Title\n@Net/works {x}\n#Is 1=1 ~ {a} #1: c\\d?\n%Hint: #2\n"
                          "^yes = {y}\n}note ~\n^no # x\n^maybe\n}n2\n$Sky\n^False\n}wet\n"
                          "@Two\n$Sea\n%salt\n^True\n#[html] // not a comment\n^a\n^b\n");
    EXPECT_EQ(dropped, std::vector<std::string>{"1 topics (GIFT has no place for them)"});
}

// Shapes made to wear a reader out: each is read in one pass and gives what
// an ordinary file of its kind would.
TEST(HostileImport, EachShapeGivesItsBankOrSkip)
{
    constexpr std::size_t kBig = 1 << 20;
    const std::string amps(kBig, '&');
    const std::string xs(kBig, 'x');
    const std::string e9(kBig, '\xE9');
    struct Hostile
    {
        const char* name;
        Reader read;
        std::string input;
        std::string outcome;
    };
    const Hostile cases[] = {
        {"GiftAmpersandRun", kGift, "[html]" + amps + " {=a ~b}", "!T\n@T\n#" + amps + "\n^a\n^b\n"},
        {"GiftEntityNamesNeverClosed", kGift, "[html]" + Repeated("&amp", kBig / 4) + "&lt; {T}",
         "!T\n@T\n$" + Repeated("&amp", kBig / 4) + "<\n^True\n"},
        {"GiftNestedBraces", kGift, "Q " + std::string(kBig, '{') + "=a ~b" + std::string(kBig, '}'),
         "1: skipped: the answer block holds no = or ~ answers\n"},
        {"GiftEscapeRun", kGift, Repeated("\\{", kBig / 2) + " {=a ~b}",
         "!T\n@T\n#" + std::string(kBig / 2, '{') + "\n^a\n^b\n"},
        {"GiftLongLineThenCountedOn", kGift, "// c\n" + xs + " {=a ~b}\n\nEssay {}",
         "!T\n@T\n#" + xs + "\n^a\n^b\n4: skipped: essay (an empty answer block)\n"},
        {"GiftBlankLineRun", kGift, std::string(kBig, '\n') + "Essay {}",
         std::to_string(kBig + 1) + ": skipped: essay (an empty answer block)\n"},
        {"AikenLongLines", kAiken, xs + "\nA. " + xs + "\nB) b\nANSWER: B",
         "!T\n@T\n#" + xs + "\n^b\n^" + xs + "\n"},
        {"AikenOptionFlood", kAiken, "Q\n" + Repeated("A. x\n", kBig / 5) + "\nR\nA. x\nB. y\nANSWER: A",
         "!T\n@T\n#R\n^x\n^y\n1: skipped: line 3 is neither option B nor an ANSWER: line\n"},
        {"AikenWindows1252RunCrOnly", kAiken, "Q\rA. " + e9 + "\rB. b\rANSWER: A",
         "!T\n@T\n#Q\n^" + Repeated("\xC3\xA9", kBig) + "\n^b\n"},
    };
    for (const Hostile& c : cases)
    {
        const std::string report = ImportReport(c.read(c.input, "T"));
        EXPECT_TRUE(report == c.outcome)
            << c.name << " gave " << report.size() << " bytes: " << report.substr(0, 120);
    }
}

TEST(InputReader, PiecesOfAnySizeJoinToTheWholeText)
{
    using namespace std::string_literals;
    // Sequences of two, three and four bytes, stray continuation bytes, a
    // NUL and a Windows-1252 byte, after a byte order mark.
    const std::string bytes = "\xEF\xBB\xBF"
                              "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\x80\x80\x80\x80\x80\0\xE9"s;
    const std::string text =
        "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80" + Repeated("\xE2\x82\xAC", 5) + " \xC3\xA9";
    for (std::size_t size = 1; size <= 6; ++size)
    {
        quillet::InputReader input(bytes);
        std::string piece;
        std::string joined;
        while (input.NextPiece(piece, size))
            joined += piece;
        EXPECT_EQ(joined, text) << "pieces of " << size;
    }
}
}
