#include "output/ResultsText.h"

#include "output/ResultsDoc.h"

#include "CourseBuilders.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

namespace
{
constexpr quillet::TimeStamp kAfternoon = 1796739013; // 2026-12-08 14:10:13 UTC
constexpr quillet::TimeStamp kMorning = 1803891900;   // 2027-03-01 09:05:00 UTC
constexpr quillet::TimeStamp kMidnight = 1796689800;  // 2026-12-08 00:30:00 UTC

class ResultsTextTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
    }

    static CResultEntry Entry(bool test, bool preTest, int right, int total, quillet::TimeStamp graded = 0,
                              quillet::TimeSpan taken = 0)
    {
        CResultEntry entry;
        entry.SetStoredKind(test, preTest);
        entry.m_strTitle = "Intro Course";
        entry.m_strChapter = test ? "" : "Ch2";
        entry.m_nRight = right;
        entry.m_nTotal = total;
        entry.m_timeGraded = graded;
        entry.m_spanTaken = taken;
        return entry;
    }
};
}

TEST_F(ResultsTextTest, KindWordAndSubjectFollowTheStoredFlags)
{
    // The subject starts as mail filters know it, then tells whose result of what it is.
    const struct
    {
        bool test, preTest;
        const char* word;
        const char* subject;
        const char* file;
    } cases[] = {
        {true, true, "Pre-Test", "Pre-Test Results: Dana Reyes, Intro Course, 1/2",
         "Intro Course Pre-Test Results 2026-12-08.pdf"},
        {true, false, "Test", "Test Results: Dana Reyes, Intro Course, 1/2",
         "Intro Course Test Results 2026-12-08.pdf"},
        {false, false, "Quiz", "Quiz Results: Dana Reyes, Intro Course: Ch2, 1/2",
         "Intro Course Quiz Results 2026-12-08.pdf"},
        {false, true, "Quiz", "Quiz Results: Dana Reyes, Intro Course: Ch2, 1/2",
         "Intro Course Quiz Results 2026-12-08.pdf"},
    };
    const std::string student = "Dana Reyes";
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.word);
        const CResultEntry entry = Entry(c.test, c.preTest, 1, 2, kAfternoon);
        EXPECT_STREQ(quillet::ResultKindWord(entry), c.word);
        CResultsDoc doc;
        doc.m_pResult = &entry;
        doc.m_pStudentName = &student;
        std::string subject, body;
        doc.ComposeResultsText(subject, body);
        EXPECT_EQ(subject, c.subject);
        EXPECT_EQ(doc.PrintFileName(), c.file);
    }
}

TEST_F(ResultsTextTest, PrintFileNameIsOneNameWhateverTheTitleHolds)
{
    CResultEntry entry = Entry(1, 0, 1, 2, kAfternoon);
    entry.m_strTitle = "TCP/IP \\ Basics\tI";
    CResultsDoc doc;
    doc.m_pResult = &entry;
    doc.m_bCertificate = true;
    EXPECT_EQ(doc.PrintFileName(), "TCP-IP - Basics-I Certificate 2026-12-08.pdf");
}

TEST_F(ResultsTextTest, ComparePreviousListsRowsInTheOrderGivenUnderTheHeader)
{
    CResultEntry ninth = Entry(1, 0, 9, 10, kAfternoon, 3725);
    CResultEntry full = Entry(1, 0, 20, 20, kMorning, 25 * 3600 + 3 * 60);
    CResultEntry empty = Entry(1, 0, 0, 0, kMidnight, 0);
    EXPECT_EQ(quillet::ComparePreviousText({}), "date      time     speed        score   \n");
    EXPECT_EQ(quillet::ComparePreviousText({&ninth, &full, &empty}),
              "date      time     speed        score   \n"
              "12/08/2026  02:10PM  01:02:05   9/10   90%\n"
              "03/01/2027  09:05AM  01:03:00  20/20  100%\n"
              "12/08/2026  12:30AM  00:00:00   0/0    0%\n");
}

TEST_F(ResultsTextTest, NationalAverageAddressCarriesTheScoreAndEncodesTheTitle)
{
    const struct
    {
        const char* title;
        int right, total;
        quillet::TimeSpan taken;
        const char* query;
    } cases[] = {
        {"Intro Course", 17, 20, 12 * 60 + 5, "?TN=%22Intro%20Course%22&TQ=20&CQ=17&HT=00&MT=12&ST=05"},
        {"Intro Course", 17, 20, 25 * 3600 + 3 * 60,
         "?TN=%22Intro%20Course%22&TQ=20&CQ=17&HT=01&MT=03&ST=00"},
        {"R&D #1: 100% + m\xC3\xA1s", 3, 4, 59,
         "?TN=%22R%26D%20%231%3A%20100%25%20%2B%20m%C3%A1s%22&TQ=4&CQ=3&HT=00&MT=00&ST=59"},
        {"a-b.c_d~e/f?g=h;'\x7F", 0, 1, 3600,
         "?TN=%22a-b.c_d~e%2Ff%3Fg%3Dh%3B%27%7F%22&TQ=1&CQ=0&HT=01&MT=00&ST=00"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.title);
        CResultEntry entry = Entry(1, 0, c.right, c.total, 0, c.taken);
        entry.m_strTitle = c.title;
        EXPECT_EQ(quillet::NationalAverageAddress(entry),
                  std::string("http://www.pellmark.example/tovrin/worldave.asp") + c.query);
        EXPECT_EQ(quillet::NationalAverageAddress(entry, "http://other.example/w.asp"),
                  std::string("http://other.example/w.asp") + c.query);
    }
}

TEST_F(ResultsTextTest, NationalAverageQueryJoinsThePagesOwnAndBadAddressesGiveNone)
{
    const std::string query = "TN=%22Intro%20Course%22&TQ=20&CQ=17&HT=00&MT=12&ST=05";
    const struct
    {
        const char* page;
        std::string address; // empty: refused
    } rows[] = {
        {"http://x.example/avg?x=1", "http://x.example/avg?x=1&" + query},
        {"http://x.example/avg?x=1&", "http://x.example/avg?x=1&" + query},
        {"http://x.example/avg?", "http://x.example/avg?" + query},
        {"https://x.example/avg#top", "https://x.example/avg?" + query + "#top"},
        {"HTTPS://ann@x.example:8080", "HTTPS://ann@x.example:8080?" + query},
        {"http://[::1]/a%20b;c=d/@:", "http://[::1]/a%20b;c=d/@:?" + query},
        {"http://x.example/a`b", ""},
        {"http://x.example/%zz", ""},
        {"http://x.example/{avg}", ""},
        {"http://x.example/caf\u00e9", ""},
        {"http://x.example/a#b#c", ""},
        {"http://x.example:99999/", ""},
        {"http:///avg", ""},
        {"javascript:alert(1)", ""},
    };
    CResultEntry entry = Entry(1, 0, 17, 20, 0, 12 * 60 + 5);
    for (const auto& row : rows)
        EXPECT_EQ(quillet::NationalAverageAddress(entry, row.page), row.address) << row.page;
}

TEST_F(ResultsTextTest, TestBodyHasEveryLineThenTheBreakdownThenTheFooter)
{
    auto course = testbank::MakeCourse({3, 0, 2});
    course->GetAt(0)->GetAt(0)->SetAnswer(0);
    course->GetAt(0)->GetAt(1)->SetAnswer(1);
    course->GetAt(0)->GetAt(2)->SetAnswer(0);
    const CResultEntry entry = Entry(1, 0, 17, 20, kAfternoon, 3725);
    const std::string student = "Dana Reyes";
    CResultsDoc doc;
    doc.m_pResult = &entry;
    doc.m_pTest = course.get();
    doc.m_pStudentName = &student;
    doc.m_nTimesTaken = 3;
    doc.m_nAverage = 80;
    std::string subject, body;
    doc.ComposeResultsText(subject, body);
    EXPECT_EQ(body, "Test Results for Intro Course\n"
                    "\n"
                    "Date and time of Test: 12/08/2026  02:10 PM\n"
                    "Student: Dana Reyes\n"
                    "\n"
                    "Test Duration: 01:02:05\n"
                    "Total Number of Questions: 20\n"
                    "Number of Correct Answers: 17\n"
                    "This Test Taken: 3\n"
                    "Average for this Test: 80%\n"
                    "Percent Correct: 85%\n"
                    "\n"
                    "Chapter 1: Ch1    66% (2/3)\n"
                    "Chapter 2: Ch2    0% (0/0)\n"
                    "Chapter 3: Ch3    0% (0/2)\n"
                    "\n"
                    "\n"
                    "This report was generated by Quillet.");

    // A Pre-Test reads the same with its own word wherever the kind is named.
    const CResultEntry pre = Entry(1, 1, 17, 20, kAfternoon, 3725);
    doc.m_pResult = &pre;
    std::string preBody;
    doc.ComposeResultsText(subject, preBody);
    for (std::size_t at = 0; (at = body.find("Test", at)) != std::string::npos; at += 8)
        body.replace(at, 4, "Pre-Test");
    EXPECT_EQ(preBody, body);
}

TEST_F(ResultsTextTest, QuizBodyNamesTheChapterAndEndsWithThreeEmptyLinesAndTheFooter)
{
    auto course = testbank::MakeCourse({2});
    const CResultEntry entry = Entry(0, 0, 2, 3, kMidnight, 59);
    CResultsDoc doc;
    doc.m_pResult = &entry;
    doc.m_pTest = course.get(); // left over from an earlier test: not for a quiz
    std::string subject, body;
    doc.ComposeResultsText(subject, body);
    const std::string head =
        "Quiz Results for Intro Course: Ch2\n\nDate and time of Quiz: 12/08/2026  12:30 AM\n";
    EXPECT_EQ(body.substr(0, head.size()), head);
    const std::string tail = "Percent Correct: 66%\n\n\n\nThis report was generated by Quillet.";
    ASSERT_GE(body.size(), tail.size());
    EXPECT_EQ(body.substr(body.size() - tail.size()), tail);
}

TEST_F(ResultsTextTest, BreakdownStopsAfterTenChapters)
{
    auto course = testbank::MakeCourse(std::vector<int>(12, 1));
    const CResultEntry entry = Entry(1, 0, 0, 12);
    CResultsDoc doc;
    doc.m_pResult = &entry;
    doc.m_pTest = course.get();
    std::string subject, body;
    doc.ComposeResultsText(subject, body);
    EXPECT_NE(body.find("\nChapter 10: Ch10    0% (0/1)\n"), std::string::npos);
    EXPECT_EQ(body.find("Chapter 11"), std::string::npos);
}

TEST_F(ResultsTextTest, MissingReportFieldsGiveSafeText)
{
    CResultsDoc doc;
    std::string subject = "stale", body = "stale";
    doc.ComposeResultsText(subject, body);
    EXPECT_EQ(subject, "");
    EXPECT_EQ(body, "");

    const CResultEntry entry = Entry(1, 0, 0, 0);
    doc.m_pResult = &entry;
    doc.ComposeResultsText(subject, body);
    EXPECT_NE(body.find("\nStudent: \n"), std::string::npos);
    EXPECT_NE(body.find("\nPercent Correct: 0%\n"), std::string::npos);
}
