// Reading and composing record files of growing size: both should grow
// linearly with the number of results. Times are those of the machine's
// time zone (TZ).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "course/Complement.h"
#include "platform/Files.h"
#include "records/RecordFile.h"
#include "records/StudentRoster.h"

namespace
{
// Results spread over every day of 2026 at every hour, daylight-saving
// changes included, as a year of a lab's results are.
std::string RecordText(int students, int resultsEach)
{
    std::string text;
    int n = 0;
    for (int s = 0; s < students; ++s)
    {
        text += "ustudent" + std::to_string(s) + "\npsecret" + std::to_string(s) + "\n";
        for (int r = 0; r < resultsEach; ++r, ++n)
        {
            std::tm day{0, 0, 0, 1 + n % 365, 0, 126, 0, 0, 0, 0, nullptr};
            timegm(&day);
            char date[32];
            std::snprintf(date, sizeof date, "%04d%02d%02d%02d%02d%02d", day.tm_year + 1900, day.tm_mon + 1,
                          day.tm_mday, n % 24, n % 60, n * 7 % 60);
            text += "tHome and Small-Office Networking\ncChapter 3: DHCP and DNS\nd";
            text += date;
            text += "\ns001230\nr08\na10\n";
        }
    }
    return text;
}

void BM_ComposeRecordText(benchmark::State& state)
{
    const auto roster = CStudentRoster::ParseRecordText(RecordText(static_cast<int>(state.range(0)), 100));
    std::size_t bytes = 0;
    for (auto _ : state)
    {
        const std::string text = roster->ComposeRecordText();
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["results"] = static_cast<double>(state.range(0) * 100);
}
BENCHMARK(BM_ComposeRecordText)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_ParseRecordText(benchmark::State& state)
{
    const std::string text = RecordText(static_cast<int>(state.range(0)), 100);
    for (auto _ : state)
    {
        // Every result read, not only the names a save needs.
        auto roster = CStudentRoster::ParseRecordText(text);
        int results = 0;
        for (int i = 0; i < roster->GetStudentCount(); ++i)
            results += roster->GetResultCount(i);
        benchmark::DoNotOptimize(results);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["results"] = static_cast<double>(state.range(0) * 100);
}
BENCHMARK(BM_ParseRecordText)->Arg(10)->Arg(100)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

// One lab machine's save of one result into a record file of 200 students
// with state.range(0) results in all: lock, read, add, write beside, fsync,
// rename, as every graded test does.
void BM_SaveOneResult(benchmark::State& state)
{
    char folder[] = "/tmp/quillet-save-XXXXXX";
    if (!::mkdtemp(folder))
        return state.SkipWithError("no temporary folder");
    const std::string path = std::string(folder) + "/quillet2.blh";
    const int each = static_cast<int>(state.range(0) / 200);
    if (!quillet::ReplaceFile(path, quillet::Complemented(RecordText(200, each))))
        return state.SkipWithError("cannot write the record file");
    const quillet::CRecordFile file(path);
    int n = 0;
    for (auto _ : state)
    {
        CResultEntry result;
        result.m_strTitle = "Home and Small-Office Networking";
        result.m_nRight = 17;
        result.m_nTotal = 20;
        result.m_timeGraded = 1'800'000'000 + ++n;
        const quillet::FileStatus saved = file.Update(
            [&](CStudentRoster& roster)
            {
                roster.AddResult("student" + std::to_string(n % 200), "secret" + std::to_string(n % 200),
                                 std::make_unique<CResultEntry>(result));
                return std::string();
            });
        if (!saved)
            state.SkipWithError(saved.reason.c_str());
    }
    std::filesystem::remove_all(folder);
    state.counters["results"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_SaveOneResult)->Arg(2000)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);
}
