#pragma once

// Builders for courses in tests: banks from their text lines, and courses of
// numbered questions whose texts tell which chapter they came from.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "course/Course.h"
#include "course/CourseReader.h"

namespace testbank
{
inline std::string JoinLines(const std::vector<std::string_view>& lines, std::string_view eol = "\n")
{
    std::string text;
    for (auto line = lines.begin(); line != lines.end(); ++line)
        text += std::string(line == lines.begin() ? "" : eol) + std::string(*line);
    return text;
}

inline std::unique_ptr<CCourse> MakeBank(const std::vector<std::string_view>& lines,
                                         CBankObserver* observer = nullptr)
{
    return CCourseReader::LoadText(JoinLines(lines), observer);
}

// Answers "<text>/0", "<text>/1", ...; the first is the correct one, as in a bank.
inline std::unique_ptr<CQuestion> MakeChoice(const std::string& text, int answers = 3)
{
    auto question = std::make_unique<CQuestion>();
    question->SetText(text);
    for (int i = 0; i < answers; ++i)
        question->AddAnswer(text + "/" + std::to_string(i));
    return question;
}

inline std::unique_ptr<CQuestion> MakeTrueFalse(const std::string& text, bool truth = true)
{
    auto question = std::make_unique<CQuestion>();
    question->SetText(text);
    question->SetTrueFalse(true);
    question->SetTrue(truth);
    return question;
}

// Multiple-choice questions "<name>.1" ... followed by true/false ones "<name>.T1" ...
inline std::unique_ptr<CChapter> MakeChapter(const std::string& name, int choice, int statements = 0)
{
    auto chapter = std::make_unique<CChapter>();
    chapter->SetName(name);
    for (int i = 1; i <= choice; ++i)
        chapter->Add(MakeChoice(name + "." + std::to_string(i)));
    for (int i = 1; i <= statements; ++i)
        chapter->Add(MakeTrueFalse(name + ".T" + std::to_string(i)));
    return chapter;
}

// Chapters "Ch1", "Ch2", ... with the given numbers of questions.
inline std::unique_ptr<CCourse> MakeCourse(const std::vector<int>& choice,
                                           const std::vector<int>& statements = {})
{
    auto course = std::make_unique<CCourse>();
    for (std::size_t i = 0; i < choice.size(); ++i)
        course->Add(
            MakeChapter("Ch" + std::to_string(i + 1), choice[i], i < statements.size() ? statements[i] : 0));
    return course;
}

inline std::vector<std::string> Texts(const CChapter& chapter)
{
    std::vector<std::string> texts;
    for (int i = 0; i < chapter.GetCount(); ++i)
        texts.push_back(chapter.GetAt(i)->GetText());
    return texts;
}

// "#text correct=K hint=H topic=P answers=a{note};b;" ($ for a true/false question).
inline std::string Describe(const CQuestion& q)
{
    std::string out = (q.IsTrueFalse() ? "$" : "#") + q.GetText() +
                      " correct=" + std::to_string(q.GetCorrect()) + " hint=" + q.GetHint() +
                      " topic=" + q.GetTopic() + " answers=";
    for (int a = 0; a < q.GetAnswerCount(); ++a)
        out += *q.GetAnswerText(a) + (q.GetNote(a) ? "{" + *q.GetNote(a) + "}" : "") + ";";
    return out;
}

// The whole course, one line per title, chapter and question.
inline std::string Describe(const CCourse& course)
{
    std::string out = "!" + course.GetName() + "\n";
    for (int c = 0; c < course.GetCount(); ++c)
    {
        out += "@" + course.GetAt(c)->GetName() + "\n";
        for (int q = 0; q < course.GetAt(c)->GetCount(); ++q)
            out += Describe(*course.GetAt(c)->GetAt(q)) + "\n";
    }
    return out;
}
}
