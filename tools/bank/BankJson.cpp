#include "tools/bank/BankJson.h"

#include <cstdio>

#include "platform/Json.h"

namespace quillet
{
namespace
{
void WriteQuestion(json::Writer& out, const CQuestion& question, bool withNumber)
{
    out.BeginObject();
    out.Key("text").String(question.GetText());
    out.Key("truefalse").Bool(question.IsTrueFalse());
    out.Key("truth").Number(question.GetTrue() ? 1 : 0);
    out.Key("correct").Number(question.GetCorrect());
    out.Key("hint").String(question.GetHint());
    out.Key("topic").String(question.GetTopic());
    out.Key("answers").BeginArray();
    for (int i = 0; i < question.GetAnswerCount(); ++i)
        out.String(*question.GetAnswerText(i));
    out.EndArray();
    out.Key("notes").BeginArray();
    for (int i = 0; i < CQuestion::kNoteSlots; ++i)
    {
        if (const std::string* note = question.GetNote(i))
            out.String(*note);
        else
            out.Null();
    }
    out.EndArray();
    if (withNumber)
        out.Key("number").Number(question.GetNumber());
    out.EndObject();
}

void WriteQuestions(json::Writer& out, const CChapter& chapter, bool withNumbers)
{
    out.Key("questions").BeginArray();
    for (int i = 0; i < chapter.GetCount(); ++i)
        WriteQuestion(out, *chapter.GetAt(i), withNumbers);
    out.EndArray();
}

std::string Format(const char* format, int a, int b = 0)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, a, b);
    return buffer;
}

void AppendQuestionText(std::string& out, const CQuestion& question, const std::string& label)
{
    out += label + question.GetText() + (question.IsTrueFalse() ? "  (true or false)\n" : "\n");
    for (int i = 0; i < question.GetAnswerCount(); ++i)
    {
        out += "      ";
        out += static_cast<char>('A' + i);
        out += i == question.GetCorrect() ? "* " : ". ";
        out += *question.GetAnswerText(i);
        out += '\n';
        if (const std::string* note = question.GetNote(i))
            out += "           note: " + *note + '\n';
    }
    if (!question.GetHint().empty())
        out += "      hint:  " + question.GetHint() + '\n';
    if (!question.GetTopic().empty())
        out += "      topic: " + question.GetTopic() + '\n';
}
}

std::string CourseToJson(const CCourse& course)
{
    json::Writer out;
    out.BeginObject();
    out.Key("title").String(course.GetName());
    out.Key("chapters").BeginArray();
    for (int c = 0; c < course.GetCount(); ++c)
    {
        const CChapter& chapter = *course.GetAt(c);
        out.BeginObject();
        out.Key("name").String(chapter.GetName());
        WriteQuestions(out, chapter, false);
        out.EndObject();
    }
    out.EndArray();
    out.EndObject();
    return out.Text();
}

std::string TestToJson(const CCourse& test, TestKind kind)
{
    json::Writer out;
    out.BeginObject();
    out.Key("kind").String(TestKindKey(kind));
    out.Key("sections").BeginArray();
    for (int c = 0; c < test.GetCount(); ++c)
    {
        out.BeginObject();
        out.Key("name").String(test.GetAt(c)->GetName());
        WriteQuestions(out, *test.GetAt(c), true);
        out.EndObject();
    }
    out.EndArray();
    out.EndObject();
    return out.Text();
}

std::string QuizToJson(const CChapter& quiz, int chapter)
{
    json::Writer out;
    out.BeginObject();
    out.Key("kind").String("quiz");
    out.Key("chapter").Number(chapter);
    out.Key("name").String(quiz.GetName());
    WriteQuestions(out, quiz, true);
    out.EndObject();
    return out.Text();
}

std::string CourseToText(const CCourse& course)
{
    int questions = 0;
    int statements = 0;
    for (int c = 0; c < course.GetCount(); ++c)
    {
        questions += course.GetAt(c)->GetCount();
        statements += course.GetAt(c)->GetCount() - course.GetAt(c)->GetChoiceCount();
    }
    std::string out = course.GetName() + '\n';
    out += Format("%d chapters, %d questions", course.GetCount(), questions);
    out += Format(" (%d multiple choice, %d true or false)\n", questions - statements, statements);
    for (int c = 0; c < course.GetCount(); ++c)
    {
        const CChapter& chapter = *course.GetAt(c);
        out += '\n' + Format("%d. ", c + 1) + chapter.GetName() +
               Format("  (%d questions)\n", chapter.GetCount());
        for (int q = 0; q < chapter.GetCount(); ++q)
            AppendQuestionText(out, *chapter.GetAt(q), Format("  %3d. ", q + 1));
    }
    return out;
}

std::string TestToText(const CCourse& test, TestKind kind)
{
    std::string out = std::string(TestKindWord(kind)) + Format(" of %d questions\n", test.GetQuestionCount());
    for (int c = 0; c < test.GetCount(); ++c)
    {
        const CChapter& section = *test.GetAt(c);
        out += '\n' + section.GetName() + Format("  (%d drawn)\n", section.GetCount());
        for (int q = 0; q < section.GetCount(); ++q)
            AppendQuestionText(out, *section.GetAt(q), Format("  %3d. ", section.GetAt(q)->GetNumber()));
    }
    return out;
}

std::string QuizToText(const CChapter& quiz, int chapter)
{
    std::string out = Format("Quiz on chapter %d: ", chapter) + quiz.GetName() +
                      Format(" (%d questions)\n\n", quiz.GetCount());
    for (int q = 0; q < quiz.GetCount(); ++q)
        AppendQuestionText(out, *quiz.GetAt(q), Format("  %3d. ", quiz.GetAt(q)->GetNumber()));
    return out;
}
}
