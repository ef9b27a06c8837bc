#include "tools/bank/BankCheck.h"

#include <algorithm>
#include <unordered_map>

#include "course/Complement.h"
#include "course/CourseReader.h"
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
}

BankCheckResult CheckStoredBank(std::string stored)
{
    BankCheckResult result;
    result.readable = true;
    CFindingCollector collector;
    result.course = CCourseReader::LoadStored(std::move(stored), &collector);
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
                if (question.GetAnswerCount() < 2)
                    collector.findings.push_back(
                        {collector.questionLines[&question], "question has fewer than two answers"});
                if (question.GetAnswerCount() > CQuestion::kShownAnswers)
                    collector.findings.push_back(
                        {collector.questionLines[&question],
                         "question has " + std::to_string(question.GetAnswerCount()) +
                             " answers: a test shows four of them, the right one always among them",
                         true});
            }
        }
    }
    std::stable_sort(collector.findings.begin(), collector.findings.end(),
                     [](const BankFinding& a, const BankFinding& b) { return a.line < b.line; });
    result.findings = std::move(collector.findings);
    return result;
}

BankCheckResult CheckBankFile(const std::string& path)
{
    std::string stored;
    if (!ReadWholeFile(path, stored))
        return {};
    return CheckStoredBank(std::move(stored));
}
}
