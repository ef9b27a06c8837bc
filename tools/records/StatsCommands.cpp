#include "tools/records/StatsCommands.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "course/CourseReader.h"
#include "records/AnswerGrid.h"
#include "records/BankKeys.h"
#include "records/ClassSummary.h"
#include "tools/records/ClassReport.h"
#include "tools/records/RecordsFormat.h"
#include "tools/records/StatsFormat.h"

namespace quillet
{
namespace
{
constexpr const char* kStatsUsage =
    "usage: quillet-records stats STORE [--bank BANK] [--since YYYY-MM-DD] [--kind test|pretest|quiz|all] "
    "[--json | --csv]\n"
    "       quillet-records report --html OUT.html STORE [--bank BANK] [--since YYYY-MM-DD] "
    "[--kind test|pretest|quiz|all]\n";

int Usage(const std::string& problem = {})
{
    if (!problem.empty())
        std::fprintf(stderr, "quillet-records: %s\n", problem.c_str());
    std::fputs(kStatsUsage, stderr);
    return 2;
}

enum class Format
{
    Text,
    Json,
    Csv,
};

struct Options
{
    std::string store;
    std::string html;
    std::string bank;
    std::string since;
    ResultFilter filter{std::nullopt, TestKind::Test, std::nullopt}; // Tests unless --kind says otherwise
    Format format = Format::Text;
};

std::optional<TimeStamp> ParseDate(const std::string& text)
{
    const bool shaped =
        text.size() == 10 && text[4] == '-' && text[7] == '-' &&
        std::all_of(text.begin(), text.end(), [](char c) { return c == '-' || (c >= '0' && c <= '9'); });
    if (!shaped)
        return std::nullopt;
    return MakeLocalTime(AtoiField(text, 0, 4), AtoiField(text, 5, 2), AtoiField(text, 8, 2), 0, 0, 0);
}

// The options of stats, or of report --html when `report`; says what is
// wrong with them and answers nothing when they do not read.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, bool report)
{
    Options options;
    bool formatGiven = false;
    bool kindGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--bank" && hasValue && options.bank.empty())
            options.bank = args[++i];
        else if (arg == "--since" && hasValue && options.since.empty())
        {
            options.since = args[++i];
            options.filter.since = ParseDate(options.since);
            if (!options.filter.since)
            {
                Usage("--since takes a date as YYYY-MM-DD, not \"" + TerminalText(options.since) + "\"");
                return std::nullopt;
            }
        }
        else if (arg == "--html" && report && hasValue && options.html.empty())
            options.html = args[++i];
        else if (arg == "--kind" && hasValue && !kindGiven)
        {
            kindGiven = true;
            const std::string& kind = args[++i];
            if (kind == "all")
                options.filter.kind.reset();
            else if (kind == "test" || kind == "pretest" || kind == "quiz")
                options.filter.kind = kind == "test"      ? TestKind::Test
                                      : kind == "pretest" ? TestKind::PreTest
                                                          : TestKind::Quiz;
            else
            {
                Usage("--kind is test, pretest, quiz or all");
                return std::nullopt;
            }
        }
        else if ((arg == "--json" || arg == "--csv") && !report && !formatGiven)
        {
            formatGiven = true;
            options.format = arg == "--json" ? Format::Json : Format::Csv;
        }
        else if (!arg.starts_with("--") && options.store.empty())
            options.store = arg;
        else
        {
            Usage();
            return std::nullopt;
        }
    }
    if (options.store.empty() || (report && options.html.empty()))
    {
        Usage();
        return std::nullopt;
    }
    return options;
}

// The bank, its course then limiting the results to its title; true
// without one.
bool ReadBank(Options& options, BankFile& bank)
{
    if (options.bank.empty())
        return true;
    bank = ReadBankFile(options.bank);
    if (!bank.course)
    {
        std::fprintf(stderr, "quillet-records: %s\n", TerminalText(bank.problem).c_str());
        return false;
    }
    options.filter.course = bank.course->GetName();
    return true;
}

// Tallies the answers that the store keeps, and sets them in the grid when
// there is one; false, having said why, when they cannot be read. What
// there is to tell of those read is told too.
bool Tally(RecordSource& source, const BankKeys* keys, QuestionStats& stats, AnswerGrid* grid,
           StatsInput& input)
{
    const SourceStatus read = source.Responses(
        [&](ResponseRecord& record)
        {
            // Answers kept by their place alone are named by their text when
            // they were drawn from the very bank given.
            if (keys)
                keys->KeyAnswers(record);
            stats.Add(record);
            if (grid)
                grid->Add(record);
        },
        &input.unreadable);
    if (read.Error() != SourceError::None)
        std::fprintf(stderr, "quillet-records: %s\n", read.ErrorText().c_str());
    return !read.Failed();
}

// A bank whose title matches no graded test while others are kept: its
// title may have changed since.
void WarnAboutOtherCourses(const QuestionStats& stats, const Options& options)
{
    if (stats.Tests() > 0 || stats.OtherCourses().empty())
        return;
    std::string others;
    for (const std::string& course : stats.OtherCourses())
        others += (others.empty() ? "\"" : ", \"") + TerminalText(course) + "\"";
    std::fprintf(stderr,
                 "quillet-records: no graded test of the course \"%s\" of %s; the answers kept are of %s\n",
                 TerminalText(*options.filter.course).c_str(), options.bank.c_str(), others.c_str());
}

// The store's answers tallied into `stats`, made with the filter the bank
// completed; false, told, when they cannot be read.
bool TallyQuestions(const Options& options, RecordSource& source, const BankFile& bank, QuestionStats& stats,
                    StatsInput& input, AnswerGrid* grid = nullptr)
{
    input.stats = &stats;
    input.kind = options.filter.kind;
    std::optional<BankKeys> keys;
    if (bank.course)
        keys.emplace(*bank.course, BankIdentity{options.bank, bank.storedSize, bank.storedHash});
    if (!Tally(source, keys ? &*keys : nullptr, stats, grid, input))
        return false;
    WarnAboutOtherCourses(stats, options);
    input.table = stats.Table(bank.course.get());
    input.chapters = stats.Chapters(bank.course.get());
    input.reliability = stats.Reliability();
    return true;
}
}

bool AsksForClassReport(const std::vector<std::string>& args)
{
    return std::find(args.begin(), args.end(), "--html") != args.end();
}

int StatsCommand(const std::vector<std::string>& args, const ToolIo& io)
{
    std::optional<Options> options = ParseOptions(args, false);
    if (!options)
        return 2;
    BankFile bank;
    if (!ReadBank(*options, bank))
        return 1;
    QuestionStats stats(options->filter);
    StatsInput input;
    if (!TallyQuestions(*options, *RecordSource::Open(options->store), bank, stats, input))
        return 1;
    switch (options->format)
    {
    case Format::Json:
        return io.print(StatsJson(input) + "\n");
    case Format::Csv:
        return io.print(StatsCsv(input));
    case Format::Text:
        break;
    }
    return io.print(StatsText(input));
}

int ClassReportCommand(const std::vector<std::string>& args, const ToolIo& io)
{
    std::optional<Options> options = ParseOptions(args, true);
    if (!options)
        return 2;
    std::string problem;
    const std::optional<std::string> chartJs = ReadChartLibrary(problem);
    if (!chartJs)
    {
        std::fprintf(stderr, "quillet-records: no report written: %s\n", problem.c_str());
        return 1;
    }
    BankFile bank;
    if (!ReadBank(*options, bank))
        return 1;
    const auto source = RecordSource::Open(options->store);
    QuestionStats stats(options->filter);
    AnswerGrid grid(options->filter);
    StatsInput input;
    if (!TallyQuestions(*options, *source, bank, stats, input, &grid))
        return 1;
    const auto roster = io.readRecords(*source);
    if (!roster)
        return 1;
    const ClassSummary summary(*roster, options->filter);
    ClassReportInput report;
    report.summary = &summary;
    report.stats = &input;
    report.grid = &grid;
    report.course = bank.course ? bank.course->GetName() : std::string();
    report.since = options->since;
    report.chartJs = *chartJs;
    return io.write(options->html, ClassReportHtml(report));
}
}
