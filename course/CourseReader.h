#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "course/Course.h"

// Why the loader passed over a line of a bank.
enum class BankLineIssue
{
    NoCourse,         // before the title line
    NoChapter,        // a question with no chapter to go into
    NoQuestion,       // a hint, topic, answer or note with no question
    TooManyChapters,  // the course already holds its 100 chapters
    TooManyQuestions, // the chapter already holds its 100 questions
    TooManyAnswers,   // the question already holds its 6 answers
    BadTruthValue,    // a true/false answer other than True or False
    NoteBeforeAnswer, // a note with no answer to belong to
    UnknownKind,      // a line that starts with no known kind character
};

const char* DescribeBankLineIssue(BankLineIssue issue);

// Told about the loader's work line by line, for authors' checks. Line
// numbers count as an editor does: CR LF is one line break.
class CBankObserver
{
  public:
    virtual ~CBankObserver() = default;
    virtual void OnIgnoredLine(int /*line*/, BankLineIssue /*issue*/) {}
    virtual void OnChapter(int /*line*/, const CChapter& /*chapter*/) {}
    virtual void OnQuestion(int /*line*/, const CQuestion& /*question*/) {}
};

// Reads a question bank. Stateless; never shows a message.
class CCourseReader
{
  public:
    // The course, or null when the file cannot be read or holds no title line.
    std::unique_ptr<CCourse> Load(const std::string& path, CBankObserver* observer = nullptr) const;

    // The same over the bytes as stored (complemented) ...
    static std::unique_ptr<CCourse> LoadStored(std::string stored, CBankObserver* observer = nullptr);
    // ... and over the plain text, read up to its first NUL.
    static std::unique_ptr<CCourse> LoadText(std::string_view text, CBankObserver* observer = nullptr);
};

namespace quillet
{
// A bank file read for the program: the course, the stored bytes' size and
// hash (its identity for a journal), and, when there is no course, why, in
// a sentence that names the file.
struct BankFile
{
    std::unique_ptr<CCourse> course;
    // The bytes themselves are not kept: a large bank is held once, as its course.
    std::size_t storedSize = 0;
    std::uint64_t storedHash = 0;
    std::string problem;
};
BankFile ReadBankFile(const std::string& path);
}
