#include "app/CommandLine.h"

#include <algorithm>
#include <cctype>

#include "course/CourseReader.h"
#include "course/TestJournal.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace quillet
{
namespace
{
bool HasPreTestSwitch(std::string_view line)
{
    std::string upper(line);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    // Only the first " /PRE" counts, and only as a whole word: /PREVIEW does not.
    const auto at = upper.find(" /PRE");
    if (at == std::string::npos)
        return false;
    const auto start = at + 1;
    const auto stop = upper.find(' ', start);
    const std::string_view word =
        std::string_view(upper).substr(start, stop == std::string::npos ? std::string::npos : stop - start);
    return word == "/PRE";
}
}

std::string JoinArguments(const std::vector<std::string>& arguments)
{
    std::string line;
    for (std::size_t i = 0; i < arguments.size(); ++i)
    {
        const std::string& argument = arguments[i];
        if (i > 0)
            line += ' ';
        if (argument.find(' ') != std::string::npos)
            line += '"' + argument + '"';
        else
            line += argument;
    }
    return line;
}

CommandLineParts SplitCommandLine(std::string_view commandLine)
{
    const std::string_view line = TrimWhitespace(commandLine);
    CommandLineParts parts;
    parts.preTestSwitch = HasPreTestSwitch(line);

    const auto blank = line.find(' ');
    const auto quote = line.find('"');
    std::string_view path;
    std::size_t pathEnd = std::string_view::npos; // the character that ended the path
    if (blank == std::string_view::npos && quote == std::string_view::npos)
        path = line;
    else if (quote == std::string_view::npos || (blank != std::string_view::npos && blank < quote))
    {
        path = line.substr(0, blank);
        pathEnd = blank;
    }
    else if (quote > 0)
    {
        path = line.substr(0, quote);
        pathEnd = quote;
    }
    else
    {
        const auto closing = line.find('"', 1);
        path = line.substr(1, closing == std::string_view::npos ? std::string_view::npos : closing - 1);
        pathEnd = closing;
    }
    parts.bankPath = std::string(path);

    const std::string_view rest =
        pathEnd == std::string_view::npos ? std::string_view() : TrimWhitespace(line.substr(pathEnd + 1));
    const auto argumentEnd = rest.find_first_of(" \"");
    parts.secondArgument = std::string(rest.substr(0, argumentEnd));
    return parts;
}

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
        parts.preTestSwitch = parts.preTestSwitch || upper == "/PRE";
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

std::unique_ptr<TestRun> PrepareTest(std::string_view commandLine, CRandom& random, const BankLoader& loader,
                                     std::string* problem)
{
    if (TrimWhitespace(commandLine).empty())
    {
        if (problem)
            problem->clear();
        return nullptr;
    }
    return PrepareTest(SplitCommandLine(commandLine), random, loader, problem);
}
}
