#include <QApplication>

#include "app/CommandLine.h"
#include "app/FontPreload.h"
#include "app/QuilletApp.h"
#include "app/StartupMarks.h"
#include "app/WindowSystem.h"
#include "platform/ProgramOptions.h"
#include "platform/Version.h"

int main(int argc, char** argv)
{
    // Before the QApplication, which needs a display.
    if (const auto status = quillet::AnswerInfoOption("quillet", quillet::kQuilletUsage, argc, argv))
        return *status;
    CStartupMarks::Mark("main");
    CWindowSystem windowSystem;
    if (!windowSystem.Usable())
        return 1;
    CFontPreload fonts;
    QApplication application(argc, argv);
    windowSystem.Started();
    fonts.Wait();
    CStartupMarks::Mark("application");
    CStartupMarks::MarkFirstPaint();
    QGuiApplication::setDesktopFileName(QString::fromLatin1(quillet::kAppId));
    CQuilletApp app;
    return app.InitInstance(std::vector<std::string>(argv + 1, argv + argc));
}
