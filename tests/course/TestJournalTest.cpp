#include <gtest/gtest.h>

#include "CourseBuilders.h"
#include "course/TestJournal.h"

namespace
{
using quillet::TestRun;
using Move = TestRun::Move;

// Three chapters of 12 multiple-choice questions (with a note, and two equal
// answers in every fourth) and 4 true/false statements.
std::unique_ptr<CCourse> Bank()
{
    auto bank = testbank::MakeCourse({12, 12, 12}, {4, 4, 4});
    bank->SetName("Networks");
    for (int c = 0; c < bank->GetCount(); ++c)
        for (int i = 0; i < 12; i += 4)
        {
            CQuestion* q = bank->GetAt(c)->GetAt(i);
            q->SetNote(1, "see the router");
            q->AddAnswer(*q->GetAnswerText(2));
        }
    return bank;
}

std::unique_ptr<TestRun> Draw(TestKind kind, std::uint32_t seed)
{
    CRandom random(seed);
    return kind == TestKind::Quiz ? TestRun::DrawQuiz(Bank(), 2, random)
                                  : TestRun::DrawTest(Bank(), kind == TestKind::PreTest, random);
}

// What a student sees of a question, and what he did with it.
std::string Shown(const CQuestion& q)
{
    std::string shown = std::to_string(q.GetNumber()) + ") " + q.GetText() + " [";
    for (int i = 0; i < q.GetAnswerCount(); ++i)
        shown += *q.GetAnswerText(i) + (q.GetNote(i) ? "{" + *q.GetNote(i) + "}" : "") + ";";
    return shown + "] correct " + std::to_string(q.GetCorrect()) + " answer " +
           std::to_string(q.GetAnswer()) + (q.IsFlagged() ? " flagged" : "");
}

std::vector<std::string> ShownAll(const TestRun& run)
{
    std::vector<std::string> all;
    for (const CQuestion* q : run.GetQuestions())
        all.push_back(Shown(*q));
    return all;
}

const quillet::BankIdentity kBank{"/banks/networks.blh", 4096, 0x1234};

class Journals : public testing::TestWithParam<TestKind>
{
};
INSTANTIATE_TEST_SUITE_P(AllKinds, Journals,
                         testing::Values(TestKind::Test, TestKind::PreTest, TestKind::Quiz));
}

TEST_P(Journals, ATestPutBackFromItsJournalIsTheTestThatWasLeft)
{
    const auto left = Draw(GetParam(), 7);
    // Answers, a take-back, flags, and a walk to the seventh question.
    int i = 0;
    for (CQuestion* q = left->Begin(); q; q = left->Go(Move::Next) ? left->GetCurrent() : nullptr, ++i)
    {
        if (i % 3 != 2)
            left->ChooseAnswer(i % q->GetAnswerCount());
        if (i == 4)
            left->ChooseAnswer(q->GetAnswer());
        if (i % 4 == 1)
            left->ToggleFlag();
    }
    ASSERT_TRUE(left->GoTo(6));
    const std::string text = quillet::ComposeJournal(*left, "Ann", kBank, 754, 1'765'000'000);
    ASSERT_FALSE(text.empty());

    const auto journal = quillet::ParseJournal(text);
    ASSERT_TRUE(journal);
    EXPECT_EQ(journal->student, "Ann");
    EXPECT_EQ(journal->elapsed, 754);
    EXPECT_EQ(journal->Answered(), left->GetAnsweredCount());

    // A new start draws another test; the journal puts the old one back.
    const auto resumed = Draw(GetParam(), 99);
    ASSERT_NE(ShownAll(*resumed), ShownAll(*left));
    ASSERT_EQ(quillet::ResumeFromJournal(*resumed, *journal, kBank), "");
    EXPECT_EQ(ShownAll(*resumed), ShownAll(*left));
    EXPECT_EQ(resumed->GetCurrentIndex(), 6);
    EXPECT_EQ(resumed->GetAnsweredCount(), left->GetAnsweredCount());
    EXPECT_EQ(resumed->GetScore().right, left->GetScore().right);
    // The walks work on the restored test as on a drawn one.
    ASSERT_TRUE(resumed->Go(Move::Previous));
    EXPECT_EQ(resumed->GetCurrentIndex(), 5);
    if (left->GetDrawnTest())
    {
        EXPECT_EQ(quillet::SectionScores(*resumed->GetDrawnTest()).size(),
                  quillet::SectionScores(*left->GetDrawnTest()).size());
    }
}

TEST(Journal, OneThatDoesNotFitIsRefusedAndTheRunKeepsItsDraw)
{
    const auto left = Draw(TestKind::Test, 7);
    left->Begin();
    left->ChooseAnswer(1);
    const std::string text = quillet::ComposeJournal(*left, "Ann", kBank, 30, 1'765'000'000);
    const auto replace = [&](const std::string& from, const std::string& to)
    {
        std::string changed = text;
        changed.replace(changed.find(from), from.size(), to);
        return changed;
    };
    const std::string firstEntry =
        text.substr(text.find("\nq ") + 1, text.find('\n', text.find("\nq ") + 1) - text.find("\nq "));
    const struct
    {
        const char* name;
        std::string journal;
        quillet::BankIdentity bank;
        TestKind kind;
        std::string why; // empty: not even read
    } cases[] = {
        {"changed bank",
         text,
         {kBank.path, kBank.size, 0x9999},
         TestKind::Test,
         "the question bank has changed since"},
        {"quiz journal, test started", replace("kind Test", "kind Quiz"), kBank, TestKind::Test,
         "the journal is of another test"},
        {"test journal, pre-test started", text, kBank, TestKind::PreTest, "the journal is of another test"},
        {"another size", replace("count 20\n" + firstEntry, "count 19\n"), kBank, TestKind::Test,
         "the journal is of a test of another size"},
        {"cut short", text.substr(0, text.size() - 5), kBank, TestKind::Test, ""},
        {"another format", replace("quillet-journal 2", "quillet-journal 3"), kBank, TestKind::Test, ""},
        {"more time spent than there has been", replace("elapsed 30", "elapsed 9223372036854775807"), kBank,
         TestKind::Test, ""},
        {"less than no time spent", replace("elapsed 30", "elapsed -1"), kBank, TestKind::Test, ""},
        {"saved after the year 9999", replace("saved 1765000000", "saved 9223372036854775807"), kBank,
         TestKind::Test, ""},
        {"answers not a permutation",
         replace(firstEntry, firstEntry.substr(0, firstEntry.rfind(' ')) + " 0,0,0\n"), kBank, TestKind::Test,
         "a question of the journal is no longer the same in the bank"},
        {"a question the bank lacks", replace(firstEntry, "q 0 77 -1 0 0,1,2\n"), kBank, TestKind::Test,
         "a question of the journal is not in the bank"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const auto journal = quillet::ParseJournal(c.journal);
        if (c.why.empty())
        {
            EXPECT_FALSE(journal);
            continue;
        }
        ASSERT_TRUE(journal);
        const auto run = Draw(c.kind, 99);
        const std::vector<std::string> drawn = ShownAll(*run);
        EXPECT_EQ(quillet::ResumeFromJournal(*run, *journal, c.bank), c.why);
        EXPECT_EQ(ShownAll(*run), drawn);
    }
}

TEST(Journal, TheRightAnswersComeFromTheBankNotFromTheJournal)
{
    const auto left = Draw(TestKind::Test, 7);
    int n = 0;
    for (CQuestion* q = left->Begin(); q; q = left->Go(Move::Next) ? left->GetCurrent() : nullptr, ++n)
        left->ChooseAnswer(n % 2 ? q->GetCorrect() : (q->GetCorrect() + 1) % q->GetAnswerCount());
    const std::string text = quillet::ComposeJournal(*left, "Ann", kBank, 30, 1'765'000'000);
    ASSERT_EQ(text.rfind("quillet-journal 2\n", 0), 0u);

    // The first format kept a right answer on every line; one edited to
    // match every answer given must not make them right.
    std::string forged = "quillet-journal 1\n";
    for (std::size_t at = text.find('\n') + 1; at < text.size();)
    {
        const std::size_t end = text.find('\n', at);
        std::string line = text.substr(at, end - at);
        if (line.starts_with("q "))
        {
            std::size_t third = 0;
            for (int blank = 0; blank < 3; ++blank)
                third = line.find(' ', third + 1);
            const std::string answer = line.substr(third + 1, line.find(' ', third + 1) - third - 1);
            line.insert(third + 1, (answer == "-1" ? "0" : answer) + " ");
        }
        forged += line + "\n";
        at = end + 1;
    }
    for (const std::string& journal : {text, forged})
    {
        const auto parsed = quillet::ParseJournal(journal);
        ASSERT_TRUE(parsed);
        const auto resumed = Draw(TestKind::Test, 99);
        ASSERT_EQ(quillet::ResumeFromJournal(*resumed, *parsed, kBank), "");
        EXPECT_EQ(ShownAll(*resumed), ShownAll(*left));
        EXPECT_EQ(resumed->GetScore().right, left->GetScore().right);
    }
}
