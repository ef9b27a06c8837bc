#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <utility>

#include "CourseBuilders.h"
#include "course/Complement.h"

using testbank::Describe;
using testbank::JoinLines;

namespace
{
class CIssueLog : public CBankObserver
{
  public:
    void OnIgnoredLine(int line, BankLineIssue issue) override { issues.emplace_back(line, issue); }
    std::vector<std::pair<int, BankLineIssue>> issues;
};

std::string Loaded(std::vector<std::string_view> lines)
{
    const auto course = testbank::MakeBank(lines);
    return course ? Describe(*course) : "none";
}
}

TEST(BankReader, LinesBuildTheCourseTheyDescribe)
{
    const struct
    {
        std::vector<std::string_view> lines;
        const char* course;
    } cases[] = {
        {{"!A", "@Ch1", "#Q1", "^right", "^wrong", "%hint", "&topic"},
         "!A\n@Ch1\n#Q1 correct=0 hint=hint topic=topic answers=right;wrong;\n"},
        {{"!  Spaced  ", "@ Ch "}, "!  Spaced  \n@ Ch \n"},
        {{"!First", "@Ch", "#Q", "!Second", "#Q2"},
         "!Second\n@Ch\n#Q correct=0 hint= topic= answers=\n"
         "#Q2 correct=0 hint= topic= answers=\n"},
        {{"@Early", "#Q", "!A", "@Ch"}, "!A\n@Ch\n"},
        {{"!A", "#Lost", "^a", "%h", "@Ch", "#Kept", "^k"},
         "!A\n@Ch\n#Kept correct=0 hint= topic= answers=k;\n"},
        {{"!A", "@C", "#Q", "^1", "^2", "^3", "^4", "^5", "^6", "^7"},
         "!A\n@C\n#Q correct=0 hint= topic= answers=1;2;3;4;5;6;\n"},
        {{"!A", "@C", "#Q", "}early", "^a", "^b", "}on b", "^c"},
         "!A\n@C\n#Q correct=0 hint= topic= answers=a;b{on b};c;\n"},
        {{"!A", "@C", "$S", "}on false"},
         "!A\n@C\n$S correct=0 hint= topic= answers=True;False{on false};\n"},
        {{"!A", "@Ch2", "$Q", "^False"}, "!A\n@Ch2\n$Q correct=1 hint= topic= answers=True;False;\n"},
        {{"!A", "@Ch2", "$Q", "^false"}, "!A\n@Ch2\n$Q correct=0 hint= topic= answers=True;False;\n"},
        {{"!A", "@C", "$Q", "^False", "^FALSE", "^True "},
         "!A\n@C\n$Q correct=1 hint= topic= answers=True;False;\n"},
        {{"!A", "@C", "$Q", "^False", "^True"}, "!A\n@C\n$Q correct=0 hint= topic= answers=True;False;\n"},
        {{"!A", "@Ch1", "#Q1", "#Q2", "@Ch2", "%late", "^late", "#Q3"},
         "!A\n@Ch1\n#Q1 correct=0 hint= topic= answers=\n#Q2 correct=0 hint=late topic= answers=late;\n"
         "@Ch2\n#Q3 correct=0 hint= topic= answers=\n"},
        {{"!A", "|:Ch", "@Ch", "#Q", "|x", "^a"}, "!A\n@Ch\n#Q correct=0 hint= topic= answers=a;\n"},
        {{"|T", "|:Ch", "|Q", "A1", "A2", "!x", "#y", "%z", "|:", "|"},
         "!T\n@Ch\n#Q correct=0 hint= topic= answers=A1;A2;!x;#y;%z;\n@\n# correct=0 hint= topic= "
         "answers=\n"},
        {{"|T", "|Q0", "A0", "|:Ch", "|Q1", "A1"}, "!T\n@Ch\n#Q1 correct=0 hint= topic= answers=A1;\n"},
        {{"@Ch", "#Q", "^a"}, "none"},
        {{""}, "none"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(JoinLines(c.lines, " | "));
        EXPECT_EQ(Loaded(c.lines), c.course);
    }
}

TEST(BankReader, EveryKindOfLineBreakLoadsTheSameCourse)
{
    const std::vector<std::string_view> lines = {"!Course", "@Ch1", "#Q1", "^a",     "}note", "^b",
                                                 "%h",      "@Ch2", "$S",  "^False", "&t"};
    const std::string reference = Loaded(lines);
    ASSERT_EQ(reference.substr(0, 13), "!Course\n@Ch1\n");
    for (const char* eol : {"\r\n", "\r", "\n\r", "\n\n"})
    {
        SCOPED_TRACE(testing::PrintToString(eol));
        const auto course = CCourseReader::LoadText(JoinLines(lines, eol) + eol);
        ASSERT_NE(course, nullptr);
        EXPECT_EQ(Describe(*course), reference);
    }
}

TEST(BankReader, StoredBytesAreComplementedAndTheTextEndsAtTheFirstNul)
{
    EXPECT_EQ(quillet::Complemented("abc"), "\x9e\x9d\x9c");
    const std::string stored = quillet::Complemented("!T\n@Ch1\n") + '\xff' + quillet::Complemented("@Ch2\n");
    const auto course = CCourseReader::LoadStored(stored);
    ASSERT_NE(course, nullptr);
    EXPECT_EQ(Describe(*course), "!T\n@Ch1\n");
    EXPECT_EQ(CCourseReader::LoadStored("\xff" + quillet::Complemented("!T")), nullptr);
    EXPECT_EQ(CCourseReader::LoadStored(""), nullptr);
    EXPECT_EQ(CCourseReader::LoadText(std::string("#Q\n\0!A\n@Ch", 10)), nullptr);
}

TEST(BankReader, LoadReadsAStoredFileAndGivesNoneForAMissingOne)
{
    const std::string path = (std::filesystem::path(testing::TempDir()) / "reader-test.blh").string();
    std::ofstream(path, std::ios::binary) << quillet::Complemented("!On disk\r\n@Ch\r\n#Q\r\n^a\r\n");
    const auto course = CCourseReader().Load(path);
    std::filesystem::remove(path);
    ASSERT_NE(course, nullptr);
    EXPECT_EQ(Describe(*course), "!On disk\n@Ch\n#Q correct=0 hint= topic= answers=a;\n");
    EXPECT_EQ(CCourseReader().Load(path), nullptr);
}

TEST(BankReader, FolderNamedInsteadOfABankGivesNoneWithoutThrowing)
{
    // A folder opens for reading but cannot be read; start-up must go on without a course.
    std::unique_ptr<CCourse> course;
    EXPECT_NO_THROW(course = CCourseReader().Load(testing::TempDir()));
    EXPECT_EQ(course, nullptr);
}

TEST(BankReader, ChaptersAndQuestionsOverTheLimitAreDroppedWithTheirLines)
{
    std::string text = "!A\n@Full\n";
    for (int i = 1; i <= 101; ++i)
        text += "#Q" + std::to_string(i) + "\n^a" + std::to_string(i) + "\n";
    for (int i = 2; i <= 100; ++i)
        text += "@Ch" + std::to_string(i) + "\n";
    text += "#Last\n@Ch101\n%stray\n#Q101\n@Ch102\n#Q102\n";
    CIssueLog log;
    const auto course = CCourseReader::LoadText(text, &log);
    ASSERT_NE(course, nullptr);
    ASSERT_EQ(course->GetCount(), 100);
    ASSERT_EQ(course->GetAt(0)->GetCount(), 100);
    EXPECT_EQ(Describe(*course->GetAt(0)->GetAt(99)), "#Q100 correct=0 hint= topic= answers=a100;");
    EXPECT_EQ(Describe(*course->GetAt(99)->GetAt(0)), "#Last correct=0 hint= topic= answers=");
    const std::vector<std::pair<int, BankLineIssue>> expected = {
        {203, BankLineIssue::TooManyQuestions}, {204, BankLineIssue::NoQuestion},
        {305, BankLineIssue::TooManyChapters},  {306, BankLineIssue::NoQuestion},
        {307, BankLineIssue::NoChapter},        {308, BankLineIssue::TooManyChapters},
        {309, BankLineIssue::NoChapter}};
    EXPECT_EQ(log.issues, expected);
}

TEST(BankReader, IgnoredLinesAreReportedWithEditorLineNumbers)
{
    // CR LF is one line break, a lone CR or LF another; empty lines count.
    CIssueLog log;
    const std::string text = JoinLines({"~note", "!T", "#Q", "^a", "", "@C", "#Q1", "}n", "^1", "^2", "^3",
                                        "^4", "^5", "^6", "^7", "$S", "^yes", "|x\r~a\n\r~b"},
                                       "\r\n");
    ASSERT_NE(CCourseReader::LoadText(text, &log), nullptr);
    const std::vector<std::pair<int, BankLineIssue>> expected = {
        {1, BankLineIssue::NoCourse},        {3, BankLineIssue::NoChapter},
        {4, BankLineIssue::NoQuestion},      {8, BankLineIssue::NoteBeforeAnswer},
        {15, BankLineIssue::TooManyAnswers}, {17, BankLineIssue::BadTruthValue},
        {18, BankLineIssue::UnknownKind},    {19, BankLineIssue::UnknownKind},
        {21, BankLineIssue::UnknownKind}};
    EXPECT_EQ(log.issues, expected);
}
