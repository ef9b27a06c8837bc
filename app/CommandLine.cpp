#include "app/CommandLine.h"

#include <algorithm>
#include <cctype>

#include "course/CourseReader.h"
#include "course/TestJournal.h"
#include "platform/Files.h"

namespace quillet
{
int ChapterFromArgument(std::string_view argument, int chapterCount)
{
    if (argument.empty())
        return 0;
    long long value = 0;
    for (const char c : argument)
    {
        if (c < '0' || c > '9')
            return 0;
        // Any number past the chapter limit is out of range; stop before it
        // could overflow.
        value = std::min<long long>(value * 10 + (c - '0'), 1'000'000);
    }
    return value >= 1 && value <= chapterCount ? static_cast<int>(value) : 0;
}

CommandLineParts PartsFromArguments(const std::vector<std::string>& arguments)
{
    CommandLineParts parts;
    if (arguments.empty())
        return parts;
    parts.bankPath = arguments[0];
    if (arguments.size() > 1)
        parts.secondArgument = arguments[1];
    for (std::size_t i = 1; i < arguments.size(); ++i)
    {
        std::string upper = arguments[i];
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (upper.rfind("/PRE", 0) == 0)
        {
            parts.preTestSwitch = upper == "/PRE";
            break;
        }
    }
    return parts;
}

std::unique_ptr<TestRun> PrepareTest(const CommandLineParts& parts, CRandom& random, const BankLoader& loader,
                                     std::string* problem)
{
    if (problem)
        problem->clear();
    if (parts.bankPath.empty())
        return nullptr;
    // The bank is read once: its bytes give the course and the identity that
    // a journal of this test is checked against when it is resumed.
    BankIdentity identity{parts.bankPath};
    std::unique_ptr<CCourse> course;
    if (loader)
        course = loader(parts.bankPath);
    else
    {
        BankFile bank = ReadBankFile(parts.bankPath);
        identity.size = bank.storedSize;
        identity.hash = bank.storedHash;
        course = std::move(bank.course);
        if (problem)
            *problem = bank.problem;
    }
    if (!course)
        return nullptr;
    const int chapter = ChapterFromArgument(parts.secondArgument, course->GetCount());
    std::unique_ptr<TestRun> run = parts.preTestSwitch ? TestRun::DrawTest(std::move(course), true, random)
                                   : chapter != 0      ? TestRun::DrawQuiz(std::move(course), chapter, random)
                                                       : TestRun::DrawTest(std::move(course), false, random);
    if (!run)
        return nullptr;
    run->SetBankIdentity(std::move(identity));
    if (problem && run->GetQuestionCount() == 0)
        *problem = "The question bank " + parts.bankPath + " holds no questions for " +
                   (run->IsQuiz() ? "the quiz of chapter " + std::to_string(chapter)
                                  : std::string("a ") + TestKindWord(run->GetKind())) +
                   ".";
    return run;
}
}
