#pragma once

// Marks on the way from launch to the first painted window, for
// bench/startup.sh: with QUILLET_STARTUP_MARKS set, each is a line
// "startup-mark WHAT MICROSECONDS" on stderr, the wall clock since the epoch,
// so that a script can set them against the moment it launched the program.
// Without it they cost one look at a flag. Header only: the bare window of
// the benchmark prints the same marks without linking the program.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>

class CStartupMarks
{
  public:
    static void Mark(const char* what)
    {
        if (!Enabled())
            return;
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        std::fprintf(
            stderr, "startup-mark %s %lld\n", what,
            static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
    }

    // Marks "painted" once the program's first window has been painted and
    // put on the screen, as the student first sees it: a window paints all
    // its widgets and flushes them in one go, so the mark waits for the
    // first paint event to be over.
    static void MarkFirstPaint()
    {
        if (Enabled() && QCoreApplication::instance())
            QCoreApplication::instance()->installEventFilter(new FirstPaint(QCoreApplication::instance()));
    }

  private:
    static bool Enabled()
    {
        static const bool enabled = std::getenv("QUILLET_STARTUP_MARKS") != nullptr;
        return enabled;
    }

    class FirstPaint : public QObject
    {
      public:
        explicit FirstPaint(QObject* parent) : QObject(parent) {}

      protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint && watched->isWidgetType())
            {
                QCoreApplication::instance()->removeEventFilter(this);
                QTimer::singleShot(0, [] { Mark("painted"); });
                deleteLater();
            }
            return false;
        }
    };
};
