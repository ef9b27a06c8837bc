// quillet-player [--title TITLE]: a small video player stand-in that the test
// program can find, message, hide and show.
#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "PlayerWindow.h"
#include "platform/IniFile.h"
#include "platform/ProgramOptions.h"
#include "platform/Version.h"

namespace
{
constexpr const char* kDefaultTitle = "Tovrin Video Player";
constexpr const char* kUsage = "usage: quillet-player [--title TITLE] [Qt options]\n"
                               "       quillet-player --help | --version\n"
                               "A stand-in video player for Quillet, serving the player link under the\n"
                               "window title TITLE (default: Tovrin Video Player).\n";

int g_signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the event loop, so that the link's socket is
// removed as at a normal close, and no start after this one finds it stale.
void QuitOnSignals(QApplication& app)
{
    if (::pipe(g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QApplication::quit(); });
    struct sigaction action
    {
    };
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}
}

int main(int argc, char** argv)
{
    // Before the QApplication, which needs a display.
    if (const auto status = quillet::AnswerInfoOption("quillet-player", kUsage, argc, argv))
        return *status;
    // --title is taken out before Qt sees the arguments: on X11 Qt reads
    // -title and --title as its own window-title option.
    std::string title = kDefaultTitle;
    std::vector<char*> qtArguments{argv[0]};
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--title") == 0 && i + 1 < argc)
            title = argv[++i];
        else if (std::strncmp(argv[i], "--title=", 8) == 0)
            title = argv[i] + 8;
        else
            qtArguments.push_back(argv[i]);
    }
    int qtArgc = static_cast<int>(qtArguments.size());
    qtArguments.push_back(nullptr);
    QApplication app(qtArgc, qtArguments.data());
    QApplication::setApplicationName(QStringLiteral("quillet-player"));
    QApplication::setApplicationVersion(QString::fromLatin1(quillet::kVersion));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stand-in video player for Quillet."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(QStringLiteral("title"),
                                        QStringLiteral("Window title to serve the link under."),
                                        QStringLiteral("TITLE"), QString::fromLatin1(kDefaultTitle)));
    parser.process(app);

    QuitOnSignals(app);
    CPlayerWindow window(QByteArray::fromStdString(title), quillet::ini::PlayerIniPath());
    if (!window.Start())
    {
        std::fprintf(stderr,
                     "quillet-player: cannot serve the title \"%s\": another player has it, "
                     "or the runtime folder is missing\n",
                     title.c_str());
        return 1;
    }
    window.show();
    return QApplication::exec();
}
