#pragma once

// Question files of other quiz tools in and out of a bank: what every
// format's reader and writer shares. Quillet asks multiple-choice questions
// with one right answer and true/false statements; whatever else a file
// holds is reported, never guessed at.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "course/Course.h"

namespace quillet
{
// Something an import has to say about a line of its input.
struct ImportNote
{
    int line = 0;
    bool skipped = false; // a question left out; else a warning
    std::string text;     // the reason
};

// Where a chapter of the imported course starts in the input, and each of
// its questions, so that what is found in the course can name its line.
struct ChapterLines
{
    int line = 0;
    std::vector<int> questions;
};

// What an import made of a file.
struct Import
{
    std::unique_ptr<CCourse> course;
    std::vector<ImportNote> notes;
    // One for each chapter of the course, in its order.
    std::vector<ChapterLines> lines;
    // Set when the input cannot be read at all (XML that is not well formed).
    std::string error;
    int imported = 0;
    int skipped = 0;

    void Skip(int line, std::string reason);
    void Warn(int line, std::string text);
};

// Puts imported questions into chapters within the bank's limits: a chapter
// named again is continued, questions before any chapter go into one named
// after the course, and what does not fit is reported as skipped.
class CourseBuilder
{
  public:
    CourseBuilder(std::string title, Import& import);

    void StartChapter(std::string name, int line);
    void Add(std::unique_ptr<CQuestion> question, int line);
    // The course, with the chapters that received questions; their lines
    // go to the import.
    std::unique_ptr<CCourse> Finish();

  private:
    std::string m_title;
    Import& m_import;
    std::vector<std::unique_ptr<CChapter>> m_chapters;
    std::vector<ChapterLines> m_lines;
    CChapter* m_current = nullptr;
    ChapterLines* m_currentLines = nullptr;
    std::string m_pending; // the chapter the next question goes into
    int m_pendingLine = 0;
    bool m_named = false; // false until the input names a chapter
};

struct ChoiceAnswer
{
    std::string text;
    std::string note; // empty: none
    bool right = false;
};
// A multiple-choice question of one right answer, stored first as the bank
// has it; the others keep their order.
std::unique_ptr<CQuestion> MakeChoiceQuestion(std::string text, std::vector<ChoiceAnswer> answers,
                                              std::string hint);
std::unique_ptr<CQuestion> MakeStatement(std::string text, bool truth, std::string note, std::string hint);
// A statement holds one note, which the review shows with its right answer:
// the feedback on a wrong answer, else the one on the right answer. When
// both are given, the second is told as dropped.
std::string StatementNote(std::string wrong, std::string right, int line, Import& import);

// Line breaks, control characters and runs of blanks become one blank;
// trimmed.
std::string OneLine(std::string_view text);
// The same in place, for texts too large to copy.
void MakeOneLine(std::string& text);
// HTML as plain text: entities decoded, one line. A tag that breaks a line
// or a block (p, br, div, li, td ...) leaves a blank; any other (b, span,
// a, img ...) stands within the text and leaves nothing.
std::string HtmlToText(std::string_view html);

// The chapter a category path names: its last part, where "//" stands for
// a slash within a name.
std::string CategoryName(std::string_view path);
// A chapter name as the last part of a category path.
std::string CategoryPath(std::string_view name);

// Whether question `index` of the chapter can be written so that it
// imports back: each format asks for a text and, for multiple choice, two
// answers that are not empty. What cannot is added to `dropped`; the topics
// that the formats cannot hold are counted in `topics`.
bool Exportable(const CChapter& chapter, int index, std::vector<std::string>& dropped, int& topics);

// The bank as the text a bank file holds once complemented.
std::string CourseToBankText(const CCourse& course);
}
