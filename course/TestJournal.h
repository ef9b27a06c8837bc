#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "course/TestRun.h"

// The journal of a test in progress: what it takes to put a drawn test back
// exactly as the student left it, after Escape, a crash or a power cut. Each
// drawn question is kept by its place in the bank (its chapter, its index in
// the chapter, and the bank index of each answer in the drawn order), so no
// text is stored twice, and by keys of its texts, so that it is still found
// when the teacher has edited other questions of the bank since. The text
// format, one item per line:
//
//   quillet-journal 3
//   student NAME / course TITLE / kind Test|Pre-Test|Quiz / chapter N
//   bank PATH / size BYTES / hash HEX (FNV-1a, 64 bits, of the bank's bytes)
//   saved EPOCH / elapsed SECONDS / current INDEX / count N
//   q CHAPTER QUESTION ANSWER FLAG ORDER NAMEKEY TEXTKEY ANSWERKEYS
//       (N lines; ORDER is a,b,c or - for true/false; the keys are
//        QuestionKey of the chapter's name, of the question's text and of
//        each answer's text as drawn, k1,k2,k3 or - for true/false)
//
// It keeps no right answers: the bank tells them when the test is put back.
// Journals of format 2, without the keys, and of format 1, which also had
// CORRECT before ANSWER, are read too; they only fit the very bank they were
// drawn from.
namespace quillet
{
// FNV-1a, 64 bits: the bank's fingerprint in a journal.
std::uint64_t HashBytes(std::string_view bytes);

struct JournalEntry
{
    int chapter = 0;  // in the bank
    int question = 0; // in that chapter of the bank
    int answer = -1;
    bool flagged = false;
    std::vector<int> order; // bank index of each answer as drawn; empty for true/false
    // Who the question is, wherever the bank holds it now; empty before format 3.
    std::string chapterKey;              // of its chapter's name
    std::string questionKey;             // of its text
    std::vector<std::string> answerKeys; // of each answer's text as drawn; empty for true/false
};

struct Journal
{
    int format = 3;
    std::string student;
    std::string course;
    TestKind kind = TestKind::Test;
    int chapter = 0;
    BankIdentity bank;
    TimeStamp saved = 0;
    TimeSpan elapsed = 0;
    int current = -1; // index in test order
    std::vector<JournalEntry> entries;

    int Answered() const;
};

// Every drawn question of the run in test order, by its place in the bank;
// nothing when a drawn question is not found there.
std::optional<std::vector<JournalEntry>> DrawnEntries(const TestRun& run);

// The journal of the run as it stands; empty when a drawn question is not
// found in the bank.
std::string ComposeJournal(const TestRun& run, const std::string& student, const BankIdentity& bank,
                           TimeSpan elapsed, TimeStamp now);
// Nothing when the text is not a whole journal.
std::optional<Journal> ParseJournal(std::string_view text);

// What a bank edited since did to a journal's test: the questions put back
// afresh, unanswered, by their number in the resumed test, and those left
// out, by the number they had.
struct JournalChanges
{
    std::vector<int> changed;
    std::vector<int> leftOut;

    bool Any() const { return !changed.empty() || !leftOut.empty(); }
    bool operator==(const JournalChanges&) const = default;
};

// Puts the journal's test back into the run: the same questions, answer
// order, answers, flags and current question. Answers "" when it did, else
// why the journal does not fit (another course, kind, chapter or bank, a
// changed bank, another size of test, a question the bank does not hold);
// then the run is left as it was.
// A journal of format 3 also fits a bank that has changed since: each
// question is found by its chapter's name and its texts. One whose text or
// drawn answers are no longer there is put back as the bank now holds it
// (drawn afresh with `random`), when its old place in its chapter holds a
// question not in the test yet, else left out; `changes` tells which. When
// no question is found unchanged the journal does not fit.
std::string ResumeFromJournal(TestRun& run, const Journal& journal, const BankIdentity& bank,
                              JournalChanges* changes = nullptr, CRandom& random = CRandom::Global());

// Whose unfinished test a journal keeps: one per student, course, kind and
// chapter.
struct JournalKey
{
    std::string student;
    std::string course;
    TestKind kind = TestKind::Test;
    int chapter = 0;
};

// The journal's file name for a student's test of a course.
std::string JournalFileName(const JournalKey& key);
inline constexpr const char* kJournalPrefix = "unfinished-";
inline constexpr const char* kJournalSuffix = ".journal";
}
