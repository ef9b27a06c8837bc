#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

// Runs a dialog's modal loop and acts on it from inside the loop, as a
// student would; answers what the loop answered.
template <typename Dialog> int RunModal(Dialog& dialog, std::function<void(QWidget&)> act)
{
    QTimer::singleShot(0,
                       [act]
                       {
                           if (QWidget* modal = QApplication::activeModalWidget())
                           {
                               QApplication::setActiveWindow(modal);
                               (void)QTest::qWaitForWindowActive(modal);
                               act(*modal);
                           }
                       });
    // A dialog the action failed to close ends the run with -1, not a hang.
    QTimer::singleShot(5000, &dialog, [&dialog] { dialog.done(-1); });
    return dialog.DoModal();
}
