// The test window: opening it on the login page, and one paint of a
// question page and of the results page, offscreen.
#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include "course/CourseReader.h"
#include "records/FileRecordStore.h"
#include "testwin/QuilletDlg.h"
#include "testwin/SkinPrompts.h"

namespace
{
std::unique_ptr<CCourse> Bank()
{
    std::string text = "!Benchmark Course\n";
    for (int c = 1; c <= 6; ++c)
    {
        text += "@Chapter " + std::to_string(c) + "\n";
        for (int q = 1; q <= 15; ++q)
            text += "#Which of these statements about question " + std::to_string(q) +
                    " of this chapter is right?\n^The first answer\n^The second answer\n^The third "
                    "answer\n^The fourth answer\n";
    }
    return CCourseReader::LoadText(text);
}

// The record file of a student who exists already, so that logging in asks
// nothing: see main.
std::string g_recordFile;

std::unique_ptr<CQuilletDlg> Window()
{
    auto window = std::make_unique<CQuilletDlg>(std::make_unique<quillet::FileRecordStore>(g_recordFile),
                                                std::make_unique<CSkinPrompts>());
    auto course = Bank();
    CRandom random(5);
    window->SetRun(quillet::TestRun::DrawTest(std::move(course), false, random));
    return window;
}

void BM_OpenToLoginPage(benchmark::State& state)
{
    for (auto _ : state)
    {
        auto window = Window();
        window->OnInitDialog();
        window->show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(window.get());
    }
}
BENCHMARK(BM_OpenToLoginPage)->Unit(benchmark::kMillisecond);

void BM_PaintPage(benchmark::State& state)
{
    const bool results = state.range(0) == 1;
    auto window = Window();
    window->OnInitDialog();
    window->show();
    window->findChild<QLineEdit*>(QStringLiteral("control1021"))->setText(QStringLiteral("student"));
    window->OnLoginNext();
    if (results)
    {
        QTimer::singleShot(0,
                           []
                           {
                               if (QWidget* prompt = QApplication::activeModalWidget())
                                   prompt->findChild<QAbstractButton*>(QStringLiteral("okButton"))->click();
                           });
        for (int i = 0; i < 20 && window->GetPage() == PageTest; ++i)
            window->OnNext();
    }
    QImage image(window->size(), QImage::Format_RGB32);
    for (auto _ : state)
        window->render(&image);
    state.SetLabel(results ? "results page" : "question page");
    if (results != (window->GetPage() == PageResults))
        state.SkipWithError("the window is not on the page to measure");
}
BENCHMARK(BM_PaintPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The journals of the tests left open go to the account's data folder: a scratch one.
    QTemporaryDir records;
    qputenv("XDG_DATA_HOME", records.path().toLocal8Bit());
    QApplication app(argc, argv);
    g_recordFile = records.filePath(QString::fromLatin1(kRecordFileName)).toStdString();
    quillet::FileRecordStore(g_recordFile).Register({"student", ""});

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
