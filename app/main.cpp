#include <QApplication>

#include "app/QuilletApp.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("quillet"));
    CQuilletApp app;
    return app.InitInstance(std::vector<std::string>(argv + 1, argv + argc));
}
