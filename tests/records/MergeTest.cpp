// Joining rosters of several machines.
#include <gtest/gtest.h>

#include "records/RecordFile.h"

namespace
{
std::unique_ptr<CStudentRoster> Parse(const std::string& text)
{
    return CStudentRoster::ParseRecordText(text);
}

// The right counts of a student's results, in order.
std::vector<int> Rights(const CStudentRoster& roster, const std::string& name)
{
    std::vector<int> rights;
    if (const CStudentRecord* student = roster.GetStudent(roster.FindStudent(name)))
        for (const auto& result : student->m_results)
            rights.push_back(result->m_nRight);
    return rights;
}
}

TEST(Merge, EachPasswordOfAClashingNameKeepsOneNumber)
{
    // "bob (3)" was already taken by x; a password seen again joins its student.
    const auto into = Parse("ubob\npa\nubob (3)\npx\n");
    const struct
    {
        std::string password, name;
    } rows[] = {{"b", "bob (2)"}, {"c", "bob (4)"}, {"x", "bob (3)"}, {"a", "bob"},
                {"b", "bob (2)"}, {"d", "bob (5)"}, {"c", "bob (4)"}};
    std::string text;
    std::vector<std::string> renamed;
    for (std::size_t i = 0; i < std::size(rows); ++i)
    {
        text += "ubob\np" + rows[i].password + "\ntA\nd20261208120000\nr" + std::to_string(i) + "\n";
        if (rows[i].password != "a")
            renamed.push_back("bob -> " + rows[i].name);
    }
    const quillet::MergeOutcome outcome = quillet::MergeRoster(*into, *Parse(text), true);
    EXPECT_EQ(outcome.conflicts, renamed);
    EXPECT_EQ(outcome.students, 3);
    for (std::size_t i = 0; i < std::size(rows); ++i)
    {
        const std::vector<int> rights = Rights(*into, rows[i].name);
        EXPECT_NE(std::find(rights.begin(), rights.end(), static_cast<int>(i)), rights.end())
            << i << " in " << rows[i].name;
    }
}

TEST(Merge, ANameHeldAThousandTimesIsNumberedInOrderAndMergesAgainAsDuplicates)
{
    std::string text;
    for (int i = 1; i <= 1000; ++i)
        text += "uamy\np" + std::to_string(i) + "\ntA\nd20261201100000\nr10\n";
    const auto lab = Parse(text);
    CStudentRoster merged;
    const quillet::MergeOutcome first = quillet::MergeRoster(merged, *lab, true);
    EXPECT_EQ(first.students, 1000);
    EXPECT_EQ(first.conflicts.back(), "amy -> amy (1000)");
    EXPECT_EQ(merged.GetStudent(merged.FindStudent("amy (999)"))->m_strPassword, "999");
    const quillet::MergeOutcome again = quillet::MergeRoster(merged, *lab, true);
    EXPECT_EQ(std::tuple(again.students, again.results, again.duplicates), std::tuple(0, 0, 1000));
}

TEST(Merge, ResultsJoinOnceInDateOrderHoweverOftenTheStudentComes)
{
    // 40 results, newest first, on 6 December from 12:59 back; the last two on the 1st at noon.
    std::string text = "uann\npw\n";
    for (int r = 0; r < 40; ++r)
        text += "tA\nd202612" + (r < 38 ? "0612" + std::to_string(59 - r) : "011200") + "00\nr" +
                std::to_string(r) + "\n";
    const auto into = Parse("uann\npw\ntA\nd20261206125600\nr3\ntA\nd20261203120000\nr99\n");
    std::string fifty;
    for (int copy = 0; copy < 50; ++copy)
        fifty += text;
    const quillet::MergeOutcome outcome = quillet::MergeRoster(*into, *Parse(fifty));
    EXPECT_EQ(outcome.results, 39); // 3 was there
    EXPECT_EQ(outcome.duplicates, 50 * 40 - 39);
    std::vector<int> expected = {38, 39, 99};
    for (int r = 37; r >= 0; --r)
        expected.push_back(r);
    EXPECT_EQ(Rights(*into, "ann"), expected);
}

TEST(Merge, ANameTheFileCannotHoldIsLeftOut)
{
    const char text[] = "ua\0b\np\nuc\np\n";
    CStudentRoster into;
    EXPECT_EQ(quillet::MergeRoster(into, *Parse(std::string(text, sizeof text - 1))).students, 1);
    EXPECT_EQ(into.FindStudent("c"), 0);
}

TEST(Merge, ARegradedCopyOfAResultIsTheSameResultAndItsRegradeIsKept)
{
    // One result graded 12, regraded to 13 on one machine's copy; the other copy holds it as graded.
    // The few-results path compares one by one, the many-results path by a set: both are tried.
    for (const int others : {0, 20})
    {
        std::string filler;
        for (int r = 0; r < others; ++r)
            filler += "tB\nd202601011200" + std::string(r < 10 ? "0" : "") + std::to_string(r) + "\nr01\n";
        const auto into = Parse("uann\npw\n" + filler + "tA\nd20261206125600\nr12\na20\n");
        const auto from = Parse("uann\npw\ntA\nd20261206125600\nr13\na20\ng1765400000 12\n");
        const quillet::MergeOutcome outcome = quillet::MergeRoster(*into, *from);
        EXPECT_EQ(std::tuple(outcome.results, outcome.duplicates), std::tuple(0, 1)) << others;
        const CResultEntry& kept = *into->GetStudent(0)->m_results.back();
        EXPECT_EQ(kept.m_nRight, 13) << others;
        EXPECT_EQ(kept.m_regrades, (std::vector<CRegrade>{{1765400000, 12}})) << others;
        // Merged again the other way round, the regrade is not undone.
        quillet::MergeRoster(*into, *Parse("uann\npw\ntA\nd20261206125600\nr12\na20\n"));
        EXPECT_EQ(into->GetStudent(0)->m_results.back()->m_nRight, 13) << others;
    }
}
