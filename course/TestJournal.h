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
// text is stored twice. The text format, one item per line:
//
//   quillet-journal 2
//   student NAME / course TITLE / kind Test|Pre-Test|Quiz / chapter N
//   bank PATH / size BYTES / hash HEX (FNV-1a, 64 bits, of the bank's bytes)
//   saved EPOCH / elapsed SECONDS / current INDEX / count N
//   q CHAPTER QUESTION ANSWER FLAG ORDER   (N lines; ORDER is a,b,c or - for
//                                           true/false)
//
// It keeps no right answers: the bank tells them when the test is put back.
// Journals of format 1, which had CORRECT before ANSWER, are read too.
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
};

struct Journal
{
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

// Puts the journal's test back into the run: the same questions, answer
// order, answers, flags and current question. Answers "" when it did, else
// why the journal does not fit (another course, kind, chapter or bank, a
// changed bank, another size of test, a question the bank does not hold);
// then the run is left as it was.
std::string ResumeFromJournal(TestRun& run, const Journal& journal, const BankIdentity& bank);

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
