#include "tools/records/RegradeCommand.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "course/CourseReader.h"
#include "records/ResultRegrade.h"
#include "tools/records/RecordsFormat.h"

namespace quillet
{
namespace
{
constexpr const char* kRegradeUsage =
    "usage: quillet-records regrade STORE --bank BANK [--was EARLIER-BANK]... [--dry-run]\n";

std::string Named(const RegradedTest& test)
{
    std::string kind = TestKindWord(test.kind);
    if (test.kind == TestKind::Quiz)
        kind += " \"" + test.quizChapter + "\"";
    return TerminalText(test.student) + ", " + TerminalText(kind) + " of " +
           FormatLocalTime(test.graded, "%Y-%m-%d %H:%M:%S");
}

std::string Results(long long count)
{
    return std::to_string(count) + (count == 1 ? " result" : " results");
}
}

int RegradeCommand(const std::vector<std::string>& args)
{
    std::string store;
    std::string bankPath;
    std::vector<std::string> earlierPaths;
    bool dryRun = false;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        if (args[i] == "--bank" && i + 1 < args.size() && bankPath.empty())
            bankPath = args[++i];
        else if (args[i] == "--was" && i + 1 < args.size())
            earlierPaths.push_back(args[++i]);
        else if (args[i] == "--dry-run" && !dryRun)
            dryRun = true;
        else if (!args[i].starts_with("--") && store.empty())
            store = args[i];
        else
            store.clear(), bankPath.clear(), i = args.size();
    }
    if (store.empty() || bankPath.empty())
    {
        std::fputs(kRegradeUsage, stderr);
        return 2;
    }
    const BankFile bank = ReadBankFile(bankPath);
    if (!bank.course)
    {
        std::fprintf(stderr, "quillet-records: %s\n", TerminalText(bank.problem).c_str());
        return 1;
    }
    const BankKeys keys(*bank.course, {bankPath, bank.storedSize, bank.storedHash});
    // The versions that answers kept by their place alone were drawn from.
    std::vector<BankFile> earlierFiles;
    std::vector<BankKeys> earlier;
    for (const std::string& path : earlierPaths)
    {
        earlierFiles.push_back(ReadBankFile(path));
        if (!earlierFiles.back().course)
        {
            std::fprintf(stderr, "quillet-records: %s\n", TerminalText(earlierFiles.back().problem).c_str());
            return 1;
        }
    }
    for (std::size_t i = 0; i < earlierFiles.size(); ++i)
        earlier.emplace_back(
            *earlierFiles[i].course,
            BankIdentity{earlierPaths[i], earlierFiles[i].storedSize, earlierFiles[i].storedHash});
    RegradeReport report;
    const StoreStatus status =
        ResultRegrade::Open(store)->Run(keys, earlier, dryRun, std::time(nullptr), report);
    if (!status)
    {
        std::fprintf(stderr, "quillet-records: cannot regrade: %s\n", TerminalText(status.reason).c_str());
        return 1;
    }
    for (const RegradeReport::Change& change : report.changed)
        std::printf("%s: %d -> %d of %d\n", Named(change.test).c_str(), change.before, change.after,
                    change.test.total);
    for (const RegradeReport::Left& left : report.left)
        std::printf("left as it was: %s: %s\n", Named(left.test).c_str(), TerminalText(left.why).c_str());
    const std::string course = TerminalText(bank.course->GetName());
    std::printf("%s of %s %s, %lld unchanged%s\n",
                Results(static_cast<long long>(report.changed.size())).c_str(), course.c_str(),
                dryRun ? "would be regraded" : "regraded", report.unchanged,
                dryRun ? " (a dry run: nothing was written)" : "");
    if (std::any_of(report.left.begin(), report.left.end(),
                    [](const RegradeReport::Left& left)
                    { return left.reason == RegradeReport::Left::Reason::PlaceOnly; }))
        std::printf("answers kept before they had keys are read in the bank they were drawn from: give each "
                    "such version with --was BANK\n");
    if (report.answersGone > 0)
        std::printf("%lld answers no longer in the bank kept their mark\n", report.answersGone);
    if (report.withoutAnswers > 0)
        std::printf("%s of %s without kept answers could not be regraded\n",
                    Results(report.withoutAnswers).c_str(), course.c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
}
}
