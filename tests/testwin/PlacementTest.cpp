// Where a box appears on a real screen, as the student sees it: run by
// tests/placement/placement.sh under weston (Wayland) and under Xvfb with a
// window manager (X11). The test window opens on the login page, a box is
// raised through it, the whole screen is captured while the box is up, and
// the box must lie over the window's page, centred on it.
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <optional>

#include "WindowTestSupport.h"
#include "course/CourseReader.h"
#include "skin/ModalOverlay.h"
#include "testwin/ConfirmPasswordDlg.h"
#include "testwin/QuilletDlg.h"

using namespace quillet::skin;

namespace
{
// The whole screen: the compositor's own capture on Wayland, the root
// window on X11.
QImage Screen()
{
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
            QImage::Format_RGB32);
    QTemporaryDir dir;
    QProcess shooter;
    shooter.setWorkingDirectory(dir.path());
    shooter.start(QStringLiteral("weston-screenshooter"), {});
    if (!shooter.waitForFinished(10000) || shooter.exitCode() != 0)
        return {};
    const QStringList shots = QDir(dir.path()).entryList({QStringLiteral("*.png")});
    return shots.isEmpty() ? QImage()
                           : QImage(dir.filePath(shots.first())).convertToFormat(QImage::Format_RGB32);
}

// Within a few levels a channel: a compositor may round a colour.
bool Near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) <= 3 && std::abs(qGreen(a) - qGreen(b)) <= 3 &&
           std::abs(qBlue(a) - qBlue(b)) <= 3;
}

// Where `patch` lies on `screen`; nothing when nowhere.
std::optional<QPoint> Find(const QImage& screen, const QImage& patch)
{
    for (int y = 0; y + patch.height() <= screen.height(); ++y)
        for (int x = 0; x + patch.width() <= screen.width(); ++x)
        {
            bool same = true;
            for (int py = 0; py < patch.height() && same; ++py)
            {
                const auto* a = reinterpret_cast<const QRgb*>(screen.constScanLine(y + py)) + x;
                const auto* b = reinterpret_cast<const QRgb*>(patch.constScanLine(py));
                for (int px = 0; px < patch.width() && same; ++px)
                    same = Near(a[px], b[px]);
            }
            if (same)
                return QPoint(x, y);
        }
    return std::nullopt;
}

// Where `widget` lies on `screen`, found by a patch of its own picture.
std::optional<QRect> Locate(const QImage& screen, QWidget& widget, const QRect& patch)
{
    const QImage picture = widget.grab(patch).toImage().convertToFormat(QImage::Format_RGB32);
    const std::optional<QPoint> at = Find(screen, picture);
    if (!at)
        return std::nullopt;
    return QRect(*at - patch.topLeft(), widget.size());
}

// Centred on the window: above the page's centre by at most half of what
// the window has over its page (menu bar, title bar).
bool Centred(const QRect& page, const QRect& box)
{
    const QPoint off = box.center() - page.center();
    return page.contains(box) && std::abs(off.x()) <= 8 && off.y() <= 2 && off.y() >= -40;
}

QWidget* ShownBox()
{
    for (QWidget* widget : QApplication::allWidgets())
        if (qobject_cast<QDialog*>(widget) && widget->isVisible() && widget->objectName() != "quilletWindow")
            return widget;
    return nullptr;
}

// Opens a box with `open` and, once it is on the screen and has settled,
// finds where it lies against the page on `surface` and closes it with
// `close`. Answers what was wrong; empty when the box lay centred on the
// page. A box that is to take the keys (`keyed`) settles only once the
// keyboard is in it.
QString OpenAndPlace(QWidget& surface, const std::function<void()>& open,
                     const std::function<void(QWidget& box)>& close, bool keyed)
{
    QImage screen;
    QString problem;
    QRect shownBox;
    std::optional<QRect> page;
    QTimer timer;
    int waited = 0;
    QObject::connect(&timer, &QTimer::timeout,
                     [&]
                     {
                         QWidget* shown = ShownBox();
                         // Painted and on the screen: give the compositor a moment.
                         if (!shown || (waited += 100) < 700)
                             return;
                         screen = Screen();
                         problem.clear();
                         if (screen.isNull())
                             problem = QStringLiteral("no screen capture");
                         else if (const std::optional<QRect> at = Locate(screen, *shown, QRect(0, 0, 60, 24)))
                             shownBox = *at;
                         else
                             problem = QStringLiteral("the box is not on the screen");
                         // The page of the window: its left edge, which no box covers.
                         page = screen.isNull() ? std::nullopt
                                                : Locate(screen, surface, QRect(0, 0, 12, kSurfaceHeight));
                         const QWidget* focus = QApplication::focusWidget();
                         if (keyed && !(focus && shown->isAncestorOf(focus)))
                             problem = QStringLiteral("the keyboard is not in the box");
                         // A window manager may still move a box it has just mapped,
                         // most of all on a busy machine: looked at again until it
                         // has settled where the student would see it.
                         if (!(problem.isEmpty() && page && Centred(*page, shownBox)) && waited < 4000)
                             return;
                         timer.stop();
                         close(*shown);
                     });
    timer.start(100);
    open();
    if (waited == 0)
        return QStringLiteral("no box opened");
    if (!problem.isEmpty())
        return problem;
    if (!page)
        return QStringLiteral("the window is not on the screen");
    const QPoint off = shownBox.center() - page->center();
    if (!Centred(*page, shownBox))
        return QStringLiteral("box at %1,%2 (its centre %3,%4 from the page's), page at %5,%6")
            .arg(shownBox.x())
            .arg(shownBox.y())
            .arg(off.x())
            .arg(off.y())
            .arg(page->x())
            .arg(page->y());
    return {};
}

// A key as the student types it: to the control that has the focus.
void Type(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}
}

class PlacementTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_records;

  private slots:

    void boxOpensOverTheWindow_data()
    {
        QTest::addColumn<QString>("box");
        QTest::newRow("Confirm Password, a new student") << "confirm";
        QTest::newRow("No User Name") << "alert";
        QTest::newRow("a plain message box") << "message";
    }
    void boxOpensOverTheWindow()
    {
        QFETCH(QString, box);
        const auto opened =
            windowtest::WindowOn(QFile::encodeName(m_records.filePath(kRecordFileName)).toStdString());
        CQuilletDlg& window = *opened;
        window.OnInitDialog();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* user = window.findChild<QLineEdit*>(QStringLiteral("control1021"));
        auto* password = window.findChild<QLineEdit*>(QStringLiteral("control1022"));
        user->setText(box == "alert" ? QString() : QStringLiteral("newcomer"));
        password->setText(QStringLiteral("secret"));
        QWidget* surface = window.findChild<QWidget*>(QStringLiteral("pageSurface"));

        const QString problem = OpenAndPlace(
            *surface,
            [&]
            {
                if (box == "message")
                {
                    QMessageBox message(QMessageBox::NoIcon, QStringLiteral("Quillet"),
                                        QStringLiteral("A message."), QMessageBox::Ok, &window);
                    CModalOverlay::Exec(message);
                }
                else
                    window.OnLoginNext();
            },
            [](QWidget& shown) { qobject_cast<QDialog*>(&shown)->done(0); }, false);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    // A student with the keyboard alone: the grading prompt, Compare
    // Previous and the Keyboard box take the keys as they open, sit on the
    // page, close by key and give the focus back to what opened them.
    void boxesTakeTheKeyboard()
    {
        const std::string records = QFile::encodeName(m_records.filePath(kRecordFileName)).toStdString();
        quillet::FileRecordStore(records).Register({"student", "secret"});
        const auto opened = windowtest::WindowOn(records);
        CQuilletDlg& window = *opened;
        CRandom random(1);
        window.SetRun(
            quillet::TestRun::DrawTest(CCourseReader::LoadText(windowtest::Bank({2})), false, random));
        window.OnInitDialog();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.findChild<QLineEdit*>(QStringLiteral("control1021"))->setText(QStringLiteral("student"));
        window.findChild<QLineEdit*>(QStringLiteral("control1022"))->setText(QStringLiteral("secret"));
        // weston's headless backend has no seat to give the window the
        // keyboard: the test hands it over, as a compositor would.
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.OnLoginNext();
        QCOMPARE(window.GetPage(), PageTest);
        QWidget& surface = *window.findChild<QWidget*>(QStringLiteral("pageSurface"));

        // Nothing answered: Next on the last question asks whether to grade.
        Type(Qt::Key_PageDown);
        QString seen;
        QString problem = OpenAndPlace(
            surface, [] { Type(Qt::Key_PageDown); },
            [&](QWidget& box)
            {
                Type(Qt::Key_Tab);
                seen = QApplication::focusWidget()->objectName();
                Type(Qt::Key_Tab, Qt::ShiftModifier);
                seen += QLatin1Char(' ') + QApplication::focusWidget()->objectName();
                Type(Qt::Key_Return);
                if (box.isVisible())
                    qobject_cast<QDialog*>(&box)->done(0);
            },
            true);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(seen, QStringLiteral("cancelButton okButton"));
        QCOMPARE(window.GetPage(), PageResults);
        // A window manager may leave no window active as a box window closes.
        const auto activate = [&]
        {
            QApplication::setActiveWindow(&window);
            return QTest::qWaitForWindowActive(&window);
        };
        QVERIFY(activate());

        struct Walk
        {
            QKeyCombination key;
            Qt::Key close;
            QWidget* opener;
        };
        const Walk walks[] = {
            {QKeyCombination(Qt::AltModifier, Qt::Key_V), Qt::Key_Escape,
             window.Control(IDC_COMPARE_PREVIOUS)},
            {QKeyCombination(Qt::Key_F1), Qt::Key_Space, window.Control(IDC_COMPARE_PREVIOUS)},
            {QKeyCombination(Qt::Key_F1), Qt::Key_Return, window.Control(IDC_COMPARE_PREVIOUS)}};
        for (const Walk& walk : walks)
        {
            bool closed = false;
            problem = OpenAndPlace(
                surface, [&] { Type(walk.key.key(), walk.key.keyboardModifiers()); },
                [&](QWidget& box)
                {
                    Type(walk.close);
                    closed = !box.isVisible();
                    if (!closed)
                        qobject_cast<QDialog*>(&box)->done(0);
                },
                true);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
            QVERIFY(closed);
            QVERIFY(activate());
            QCOMPARE(QApplication::focusWidget(), walk.opener);
        }
    }
};

QTEST_MAIN(PlacementTest)
#include "PlacementTest.moc"
