// The yardstick of bench/startup.sh: a bare Qt window of the test window's
// size, which marks its first paint as Quillet does and does nothing else.
#include <QApplication>
#include <QWidget>
#include <cstdlib>

#include "app/StartupMarks.h"

int main(int argc, char** argv)
{
    CStartupMarks::Mark("main");
    QApplication application(argc, argv);
    CStartupMarks::Mark("application");
    CStartupMarks::MarkFirstPaint();
    QWidget window;
    const int width = argc > 2 ? std::atoi(argv[1]) : 632;
    const int height = argc > 2 ? std::atoi(argv[2]) : 450;
    window.setFixedSize(width, height);
    window.show();
    return QApplication::exec();
}
