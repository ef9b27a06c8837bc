// quillet-player [--title TITLE]: a small video player stand-in that the test
// program can find, message, hide and show.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "PlayerWindow.h"
#include "link/IniFile.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillet-player"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stand-in video player for Quillet."));
    parser.addHelpOption();
    const QCommandLineOption titleOption(QStringLiteral("title"),
                                         QStringLiteral("Window title to serve the link under."),
                                         QStringLiteral("TITLE"), QStringLiteral("Tovrin Video Player"));
    parser.addOption(titleOption);
    parser.process(app);

    const QByteArray title = parser.value(titleOption).toUtf8();
    CPlayerWindow window(title, quillet::ini::PlayerIniPath());
    if (!window.Start())
    {
        std::fprintf(stderr,
                     "quillet-player: cannot serve the title \"%s\": another player has it, "
                     "or the runtime folder is missing\n",
                     title.constData());
        return 1;
    }
    window.show();
    return QApplication::exec();
}
