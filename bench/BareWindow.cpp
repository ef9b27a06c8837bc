// The yardstick of bench/startup.sh: a bare Qt window of the test window's
// size, which marks its first paint as Quillet does and does nothing else.
#include <QApplication>
#include <QWidget>

#include "app/StartupMarks.h"

int main(int argc, char** argv)
{
    CStartupMarks::Mark("main");
    QApplication application(argc, argv);
    CStartupMarks::Mark("application");
    CStartupMarks::MarkFirstPaint();
    QWidget window;
    // The test window under Xvfb: its page and its menu bar.
    window.setFixedSize(632, 446);
    window.show();
    return QApplication::exec();
}
