// Loading and drawing from banks up to the format's limits: 100 chapters of
// 100 questions, each with six noted answers, a hint and a topic.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "HostileImport.h"
#include "course/Complement.h"
#include "course/CourseReader.h"
#include "exchange/GiftFormat.h"
#include "platform/Files.h"

namespace
{
std::string Sentence(const char* what, int a, int b, std::size_t length)
{
    std::string text = std::string(what) + " " + std::to_string(a) + "." + std::to_string(b) + ": ";
    static const std::string filler =
        "the quick brown fox jumps over the lazy dog while the router forwards packets to the gateway ";
    while (text.size() < length)
        text += filler.substr(0, std::min(filler.size(), length - text.size()));
    return text;
}

std::string MakeBankText(int chapters, int questions)
{
    std::string text = "!Benchmark Course at the Limits\n";
    for (int c = 0; c < chapters; ++c)
    {
        text += "@" + Sentence("Chapter", c, 0, 40) + "\n";
        for (int q = 0; q < questions; ++q)
        {
            text += "#" + Sentence("Question", c, q, 140) + "\n";
            text += "%" + Sentence("Hint", c, q, 90) + "\n";
            text += "&" + Sentence("Topic", c, q, 40) + "\n";
            for (int a = 0; a < 6; ++a)
            {
                text += "^" + Sentence("Answer", q, a, 45) + "\n";
                text += "}" + Sentence("Note", q, a, 70) + "\n";
            }
        }
    }
    return text;
}

// The stored bank of a given size, written once per process to a temporary file.
struct BankFile
{
    explicit BankFile(int chapters)
    {
        stored = quillet::Complemented(MakeBankText(chapters, 100));
        path = (std::filesystem::temp_directory_path() /
                ("quillet-bench-" + std::to_string(::getpid()) + "-" + std::to_string(chapters) + ".blh"))
                   .string();
        quillet::ReplaceFile(path, stored);
    }
    ~BankFile() { std::remove(path.c_str()); }

    std::string stored;
    std::string path;
};

const BankFile& Bank(int chapters)
{
    static BankFile b10(10), b25(25), b50(50), b100(100);
    switch (chapters)
    {
    case 10:
        return b10;
    case 25:
        return b25;
    case 50:
        return b50;
    default:
        return b100;
    }
}

void BM_LoadBankFile(benchmark::State& state)
{
    const BankFile& bank = Bank(static_cast<int>(state.range(0)));
    for ([[maybe_unused]] auto _ : state)
    {
        auto course = CCourseReader().Load(bank.path);
        benchmark::DoNotOptimize(course.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bank.stored.size()));
    state.counters["file_bytes"] = static_cast<double>(bank.stored.size());
}
BENCHMARK(BM_LoadBankFile)->Arg(10)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_LoadStoredBytes(benchmark::State& state)
{
    const BankFile& bank = Bank(100);
    for ([[maybe_unused]] auto _ : state)
    {
        auto course = CCourseReader::LoadStored(bank.stored);
        benchmark::DoNotOptimize(course.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bank.stored.size()));
}
BENCHMARK(BM_LoadStoredBytes)->Unit(benchmark::kMillisecond);

const CCourse& LoadedBank()
{
    static const auto course = CCourseReader::LoadStored(Bank(100).stored);
    return *course;
}

void BM_DrawTest(benchmark::State& state)
{
    const CCourse& course = LoadedBank();
    CRandom random(12345);
    for ([[maybe_unused]] auto _ : state)
    {
        auto test = course.DrawTest(20, static_cast<int>(state.range(0)), random);
        benchmark::DoNotOptimize(test.get());
    }
}
BENCHMARK(BM_DrawTest)->ArgName("pretest")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_DrawQuiz(benchmark::State& state)
{
    const CChapter& chapter = *LoadedBank().GetAt(42);
    CRandom random(12345);
    for ([[maybe_unused]] auto _ : state)
    {
        auto quiz = chapter.Draw(10, random);
        benchmark::DoNotOptimize(quiz.get());
    }
}
BENCHMARK(BM_DrawQuiz)->Unit(benchmark::kMicrosecond);

// Hostile GIFT: time per byte stays the same as the input grows.
// An [html] text of '&' with no ';': each '&' may begin an entity.
void BM_ImportGiftAmpersands(benchmark::State& state)
{
    TimeImport(state, "[html]" + std::string(static_cast<std::size_t>(state.range(0)), '&') + " {=a ~b}",
               quillet::ImportGift);
}
BENCHMARK(BM_ImportGiftAmpersands)->Apply(HostileSizes)->Complexity(benchmark::oN);

// Braces opened within braces, and lines of entity names that never end.
void BM_ImportGiftNestedBraces(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0));
    TimeImport(state,
               "Q " + std::string(size / 2, '{') + "=a ~b" + std::string(size / 2, '}') + "\n\n[html]" +
                   Repeated("&amp\n", size / 5) + " {T}",
               quillet::ImportGift);
}
BENCHMARK(BM_ImportGiftNestedBraces)->Apply(HostileSizes)->Complexity(benchmark::oN);
}
