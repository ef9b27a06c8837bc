#include "tools/bank/BankCheck.h"

#include <algorithm>
#include <unordered_map>

#include "course/Complement.h"
#include "course/CourseReader.h"
#include "course/TestRun.h"
#include "platform/Files.h"

namespace quillet
{
namespace
{
class CFindingCollector : public CBankObserver
{
  public:
    void OnIgnoredLine(int line, BankLineIssue issue) override
    {
        findings.push_back({line, DescribeBankLineIssue(issue)});
    }
    void OnChapter(int line, const CChapter& chapter) override { chapterLines[&chapter] = line; }
    void OnQuestion(int line, const CQuestion& question) override { questionLines[&question] = line; }

    std::vector<BankFinding> findings;
    std::unordered_map<const CChapter*, int> chapterLines;
    std::unordered_map<const CQuestion*, int> questionLines;
};

// Chapters that give a quiz fewer questions than it asks, and a Test that
// can only ever draw the same questions.
void CheckDraws(const CCourse& course, CFindingCollector& collector)
{
    int choices = 0;
    for (int c = 0; c < course.GetCount(); ++c)
    {
        const CChapter& chapter = *course.GetAt(c);
        choices += chapter.GetChoiceCount();
        const int count = chapter.GetCount();
        if (count > 0 && count < kQuizSize)
            collector.findings.push_back(
                {collector.chapterLines[&chapter],
                 "chapter has " + std::to_string(count) + (count == 1 ? " question" : " questions") +
                     ", fewer than the " + std::to_string(kQuizSize) +
                     " a quiz asks: its quiz is shorter, and the same questions every time",
                 true});
    }
    if (choices > 0 && choices <= kTestSize)
        collector.findings.push_back(
            {0,
             "the bank has " + std::to_string(choices) + " multiple-choice " +
                 (choices == 1 ? "question" : "questions") + ": a Test draws " + std::to_string(kTestSize) +
                 ", so every Test asks the same ones; add more for draws that differ",
             true});
}

// What is found in a course that loaded, at the lines its chapters and
// questions were read from, after what the reading found; in line order.
BankCheckResult CheckCourse(std::unique_ptr<CCourse> course, CFindingCollector& collector,
                            const TextFitCheck& fit)
{
    BankCheckResult result;
    result.readable = true;
    result.course = std::move(course);
    if (result.course)
    {
        for (int c = 0; c < result.course->GetCount(); ++c)
        {
            const CChapter& chapter = *result.course->GetAt(c);
            if (chapter.GetCount() == 0)
                collector.findings.push_back({collector.chapterLines[&chapter], "chapter has no questions"});
            for (int q = 0; q < chapter.GetCount(); ++q)
            {
                const CQuestion& question = *chapter.GetAt(q);
                const int line = collector.questionLines[&question];
                if (question.GetAnswerCount() < 2)
                    collector.findings.push_back({line, "question has fewer than two answers"});
                if (question.GetAnswerCount() > CQuestion::kShownAnswers)
                    collector.findings.push_back(
                        {line,
                         "question has " + std::to_string(question.GetAnswerCount()) +
                             " answers: a test shows four of them, the right one always among them",
                         true});
                if (fit)
                    for (std::string& problem : fit(question))
                        collector.findings.push_back({line, std::move(problem), true});
            }
        }
        CheckDraws(*result.course, collector);
    }
    std::stable_sort(collector.findings.begin(), collector.findings.end(),
                     [](const BankFinding& a, const BankFinding& b) { return a.line < b.line; });
    result.findings = std::move(collector.findings);
    return result;
}
}

BankCheckResult CheckStoredBank(std::string stored, const TextFitCheck& fit)
{
    CFindingCollector collector;
    auto course = CCourseReader::LoadStored(std::move(stored), &collector);
    return CheckCourse(std::move(course), collector, fit);
}

BankCheckResult CheckBankText(std::string_view text, const TextFitCheck& fit)
{
    CFindingCollector collector;
    auto course = CCourseReader::LoadText(text, &collector);
    return CheckCourse(std::move(course), collector, fit);
}

BankCheckResult CheckBankFile(const std::string& path, const TextFitCheck& fit)
{
    std::string bytes;
    if (!ReadWholeFile(path, bytes))
        return {};
    return path.ends_with(".txt") ? CheckBankText(bytes, fit) : CheckStoredBank(std::move(bytes), fit);
}

BankCheckResult CheckImport(Import import, const TextFitCheck& fit)
{
    if (!import.error.empty())
        return {false, std::move(import.error), nullptr, {}};
    CFindingCollector collector;
    for (ImportNote& note : import.notes)
        collector.findings.push_back(
            {note.line, note.skipped ? "skipped: " + std::move(note.text) : std::move(note.text),
             !note.skipped});
    if (import.imported == 0)
        collector.findings.push_back({0, "no question can be imported"});
    const CCourse& course = *import.course;
    for (int c = 0; c < course.GetCount() && static_cast<std::size_t>(c) < import.lines.size(); ++c)
    {
        const CChapter& chapter = *course.GetAt(c);
        const ChapterLines& lines = import.lines[static_cast<std::size_t>(c)];
        collector.chapterLines[&chapter] = lines.line;
        for (int q = 0; q < chapter.GetCount() && static_cast<std::size_t>(q) < lines.questions.size(); ++q)
            collector.questionLines[chapter.GetAt(q)] = lines.questions[static_cast<std::size_t>(q)];
    }
    return CheckCourse(std::move(import.course), collector, fit);
}
}
