// One save of the journal of a test in progress, as the window makes it after
// every change: composing the journal and replacing its file (with fsync).
// A 20-question Test from a bank of 7 chapters, and the worst case of a
// custom bank: 100 questions of 6 answers with notes, all from one chapter
// of 100, so that finding each drawn question in the bank takes longest.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

#include "course/TestJournal.h"
#include "platform/Files.h"

namespace
{
std::unique_ptr<CCourse> Bank(int chapters, int questions)
{
    auto bank = std::make_unique<CCourse>();
    bank->SetName("Home and Small-Office Networking");
    for (int c = 0; c < chapters; ++c)
    {
        auto chapter = std::make_unique<CChapter>();
        chapter->SetName("Chapter " + std::to_string(c + 1));
        for (int q = 0; q < questions; ++q)
        {
            auto question = std::make_unique<CQuestion>();
            question->SetText("Which device forwards packets between networks, question " +
                              std::to_string(q) + "?");
            question->SetHint("Think of what joins the home network to the Internet.");
            question->SetTopic("Routers and switches");
            for (int a = 0; a < 6; ++a)
            {
                question->AddAnswer("An answer of some length, number " + std::to_string(a));
                question->SetNote(a, "A note on why answer " + std::to_string(a) + " is or is not right.");
            }
            chapter->Add(std::move(question));
        }
        bank->Add(std::move(chapter));
    }
    return bank;
}

std::unique_ptr<quillet::TestRun> Run(int questions)
{
    CRandom random(5);
    if (questions == quillet::kTestSize)
        return quillet::TestRun::DrawTest(Bank(7, 16), false, random);
    auto run = quillet::TestRun::DrawQuiz(Bank(1, questions), 1, random);
    // Every question of the chapter, shuffled, in reverse bank order.
    auto all = std::make_unique<CChapter>();
    const CChapter& chapter = *run->GetBank().GetAt(0);
    for (int q = chapter.GetCount() - 1; q >= 0; --q)
        all->Add(chapter.GetAt(q)->CloneShuffled(random));
    std::vector<std::unique_ptr<CChapter>> sections;
    sections.push_back(std::move(all));
    run->Restore(std::move(sections));
    return run;
}

void Answer(quillet::TestRun& run)
{
    int i = 0;
    for (CQuestion* q = run.Begin(); q; q = run.Go(quillet::TestRun::Move::Next) ? run.GetCurrent() : nullptr)
        if (++i % 2)
            run.ChooseAnswer(i % 4);
}

void BM_ComposeJournal(benchmark::State& state)
{
    const auto run = Run(static_cast<int>(state.range(0)));
    Answer(*run);
    const quillet::BankIdentity bank{"/usr/share/quillet/sample-course.blh", 123456, 0x1234};
    for (auto _ : state)
    {
        const std::string text = quillet::ComposeJournal(*run, "student", bank, 600, 1'765'000'000);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_ComposeJournal)->Arg(quillet::kTestSize)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_SaveJournal(benchmark::State& state)
{
    const auto run = Run(static_cast<int>(state.range(0)));
    Answer(*run);
    const quillet::BankIdentity bank{"/usr/share/quillet/sample-course.blh", 123456, 0x1234};
    const std::string path = std::filesystem::temp_directory_path() /
                             ("quillet-bench-journal-" + std::to_string(::getpid()) + ".journal");
    for (auto _ : state)
    {
        const std::string text = quillet::ComposeJournal(*run, "student", bank, 600, 1'765'000'000);
        if (!quillet::ReplaceFile(path, text, true))
            state.SkipWithError("the journal could not be written");
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_SaveJournal)->Arg(quillet::kTestSize)->Arg(100)->Unit(benchmark::kMicrosecond)->UseRealTime();
}
