// Start-up and the player link through CQuilletApp::InitInstance in this
// process. The player is a double that serves its title from a thread of its
// own, so that the program's blocking sends are answered; once it is the
// player program itself. Boxes and the window are answered from timers.
#include "app/InstanceLock.h"
#include <QAction>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QMessageBox>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <cstring>
#include <fstream>
#include <optional>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/QuilletApp.h"
#include "course/Complement.h"
#include "link/PlayerLink.h"
#include "platform/IniFile.h"
#include "skin/MessageDlgs.h"
#include "testwin/QuilletDlg.h"
#include "testwin/WindowTestSupport.h"

using namespace quillet::link;
using Sent = std::optional<qint64>;

namespace
{
const QByteArray kPlayer = "Tovrin Test Player";

// The marker of a running copy: the text of string 108, made file-safe.
QString LockPath()
{
    return qEnvironmentVariable("XDG_RUNTIME_DIR") + "/Wrenfield-Training-Application-Quillet.lock";
}

// A send to a window of this thread has to leave the thread free to answer.
Sent SendOff(const QByteArray& title, const LinkRequest& request)
{
    Sent result;
    std::unique_ptr<QThread> thread(QThread::create([&] { result = Send(title, request); }));
    thread->start();
    while (!thread->wait(5))
        QCoreApplication::processEvents();
    return result;
}

// The player: serves its title from a thread of its own and notes each request
// as "hide", "show", "raise" or "<command>/<dwData>:<block in hex>".
class PlayerDouble
{
  public:
    PlayerDouble()
    {
        m_server->SetHandler(
            [this](const LinkRequest& r)
            {
                const char* const kinds[] = {"", "hide", "show", "raise"};
                const QByteArray block(reinterpret_cast<const char*>(r.block.data()),
                                       qsizetype(r.block.size()));
                const QMutexLocker lock(&m_mutex);
                m_seen << (r.kind != LinkKind::Message
                               ? QString(kinds[int(r.kind)])
                               : QString("%1/%2:").arg(r.command).arg(r.data) + block.toHex(' '));
                return qint64(r.command);
            });
        m_thread.start();
        m_server->moveToThread(&m_thread);
        QMetaObject::invokeMethod(
            m_server, [this] { m_server->Listen(kPlayer); }, Qt::BlockingQueuedConnection);
    }
    ~PlayerDouble()
    {
        Quit();
        m_thread.quit();
        m_thread.wait();
    }
    void Quit()
    {
        if (m_server)
            QMetaObject::invokeMethod(
                m_server, [this] { delete std::exchange(m_server, nullptr); }, Qt::BlockingQueuedConnection);
    }
    // The requests since the last call, as "hide, show, ...".
    QString Take()
    {
        const QMutexLocker lock(&m_mutex);
        return std::exchange(m_seen, {}).join(", ");
    }

  private:
    QThread m_thread;
    CLinkServer* m_server = new CLinkServer;
    QMutex m_mutex;
    QStringList m_seen;
};

void Click(CQuilletDlg& w, int id)
{
    QVERIFY2(w.Control(id)->isVisible(), qPrintable(QString::number(id)));
    QTest::mouseClick(w.Control(id), Qt::LeftButton);
}

// Logs in as a new student, leaves every question open and opens the review.
void ToReview(CQuilletDlg& w)
{
    qobject_cast<QLineEdit*>(w.Control(IDC_USER_NAME))->setText("Ann");
    qobject_cast<QLineEdit*>(w.Control(IDC_PASSWORD))->setText("pw");
    windowtest::Answering({{"okButton", "pw"}}, [&] { Click(w, IDC_LOGIN_NEXT); });
    for (int i = 0; i < 30 && w.GetPage() == PageTest; ++i)
        windowtest::Answering({{"okButton"}}, [&] { Click(w, IDC_NEXT); });
    Click(w, IDC_REVIEW);
    QCOMPARE(w.GetPage(), int(PageReview));
}
}

class AppLinkTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QStringList m_messages; // the texts of the start-up message boxes
    int m_run = 0;

    QString Messages() const { return m_messages.join(" | "); }
    QString IniPath() const { return m_home.filePath("config/tovrin.ini"); }
    std::string Ini(const char* key) const
    {
        return quillet::ini::ReadValue(IniPath().toStdString(), "New", key);
    }
    QByteArray ReadIni() const
    {
        QFile file(IniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : "<none>";
    }
    void WriteIni(const QByteArray& bytes)
    {
        QFile file(IniPath());
        if (bytes == "<none>")
            return (void)file.remove();
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

    // Two chapters of one question each, every question with this topic.
    std::string Bank(const std::string& title = "Networks", const std::string& topic = "Intro")
    {
        std::string text = "!" + title + "\n";
        for (const std::string c : {"1", "2"})
            text += "@Ch" + c + "\n#Question " + c + "\n" + (topic.empty() ? "" : "&" + topic + "\n") +
                    "^right\n^wrong\n^wrong\n^wrong\n";
        const std::string path = m_home.filePath(QString("bank%1.blh").arg(++m_run)).toStdString();
        std::ofstream(path, std::ios::binary) << quillet::Complemented(text);
        return path;
    }

    // Runs the program: notes and closes its message boxes, lets `script` act
    // in the window, then leaves it by File > Exit. Answers how many windows
    // opened. A box or window still open after a minute fails the test.
    int Start(CQuilletApp& app, const std::vector<std::string>& args,
              const std::function<void(CQuilletDlg&)>& script = {})
    {
        m_messages.clear();
        int windows = 0;
        QElapsedTimer clock;
        clock.start();
        QTimer poll;
        connect(&poll, &QTimer::timeout,
                [&]
                {
                    QWidget* modal = QApplication::activeModalWidget();
                    if (modal && clock.elapsed() > 60000)
                    {
                        QTest::qFail(qPrintable("left open: " + modal->objectName()), __FILE__, __LINE__);
                        return static_cast<QDialog*>(modal)->done(-1);
                    }
                    if (!modal || modal->property("seen").toBool())
                        return;
                    modal->setProperty("seen", true);
                    if (auto* box = qobject_cast<QMessageBox*>(modal);
                        box && box->objectName() == "startupMessage")
                    {
                        m_messages << box->text();
                        box->done(QMessageBox::Ok);
                    }
                    else if (auto* skinned = qobject_cast<CMessageDlg*>(modal))
                    {
                        m_messages << QString::fromStdString(skinned->m_strText);
                        skinned->accept();
                    }
                    else if (auto* w = qobject_cast<CQuilletDlg*>(modal))
                        QTimer::singleShot(0, w,
                                           [w, first = windows++ == 0, &script]
                                           {
                                               QApplication::setActiveWindow(w);
                                               (void)QTest::qWaitForWindowActive(w);
                                               if (first && script)
                                                   script(*w);
                                               for (int i = 0; i < 3 && w->isVisible(); ++i)
                                                   w->findChild<QAction*>("exitAction")->trigger();
                                           });
                });
        poll.start(10);
        app.InitInstance(args);
        return windows;
    }

  public:
    // Before the application object exists: headless, temporary folders only.
    AppLinkTest()
    {
        for (const char* dir : {"config", "data", "runtime"})
            QDir(m_home.path()).mkpath(dir);
        QFile::setPermissions(m_home.filePath("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath("config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath("data")));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_home.filePath("runtime")));
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

  private slots:
    void initTestCase() { QVERIFY(m_home.isValid()); }

    void init()
    {
        qputenv("QUILLET_RECORD_DIR", QFile::encodeName(m_home.filePath(QString("records%1").arg(++m_run))));
        WriteIni("[New]\nCURRENT_TITLE=" + kPlayer + "\n");
    }

    void missingPlayerTitleEndsTheStart_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::newRow("no ini file") << QByteArray("<none>");
        QTest::newRow("key missing") << QByteArray("[New]\nVolume=7\n");
        QTest::newRow("key empty") << QByteArray("[New]\r\nCURRENT_TITLE=\r\n");
        QTest::newRow("only blanks") << QByteArray("[New]\nCURRENT_TITLE = \t \n");
        QTest::newRow("commented out") << QByteArray("[New]\n;CURRENT_TITLE=Tovrin Test Player\n");
        QTest::newRow("other section") << QByteArray("[Old]\nCURRENT_TITLE=Tovrin Test Player\n[New]\n");
    }
    void missingPlayerTitleEndsTheStart()
    {
        QFETCH(QByteArray, ini);
        WriteIni(ini);
        PlayerDouble player;
        CQuilletApp app;
        QCOMPARE(Start(app, {Bank()}), 0);
        QCOMPARE(Messages(), kPlayerMissing);
        QCOMPARE(player.Take(), "");
        QCOMPARE(ReadIni(), ini);
        QVERIFY(quillet::CInstanceLock().TryLock(LockPath().toStdString())); // no running copy was marked
    }

    void captionGoesToTheIniOnceThePlayerIsHidden_data()
    {
        QTest::addColumn<QString>("args"); // "bank": a bank file titled `course`
        QTest::addColumn<QByteArray>("course");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("keyThere");
        QTest::newRow("test, key replaced")
            << "bank" << QByteArray("Networks") << "Test for Networks" << true;
        QTest::newRow("pre-test, key added")
            << "bank /pre" << QByteArray("Networks") << "Pre-Test for Networks" << false;
        QTest::newRow("quiz") << "bank 2" << QByteArray("Networks")
                              << "Skillstep Quiz for Networks: Chapter 2" << true;
        QTest::newRow("no course") << "" << QByteArray() << "Quillet" << false;
        QTest::newRow("Windows-1252 title")
            << "bank" << QByteArray("Caf\xe9") << "Test for Caf\u00e9" << true;
    }
    void captionGoesToTheIniOnceThePlayerIsHidden()
    {
        QFETCH(QString, args);
        QFETCH(QByteArray, course);
        QFETCH(QString, caption);
        QFETCH(bool, keyThere);
        std::vector<std::string> arguments;
        for (const QString& arg : args.split(' ', Qt::SkipEmptyParts))
            arguments.push_back(arg == "bank" ? Bank(course.toStdString()) : arg.toStdString());
        const QByteArray head =
            "; player\r\n[Old]\r\nCURRENT_TITLE_QUILLET=other\r\n[new]\r\n  current_title = " + kPlayer +
            " \r\nVolume=7\r\n";
        const QByteArray tail = "\r\n[Last]\r\nx=1";
        WriteIni(head + (keyThere ? "current_title_quillet=old\r\n" : "") + tail);
        PlayerDouble player;
        CQuilletApp app;
        const int windows = Start(
            app, arguments,
            [&](CQuilletDlg& w)
            {
                QCOMPARE(player.Take(), "hide");
                QCOMPARE(w.windowTitle(), caption);
                QCOMPARE(ReadIni(), head + "CURRENT_TITLE_QUILLET=" + caption.toUtf8() + "\r\n" + tail);
                // The window answers under the title the player reads.
                QCOMPARE(SendOff(QByteArray::fromStdString(Ini("CURRENT_TITLE_QUILLET")), MakeMessage(7)),
                         Sent(7));
            });
        QCOMPARE(windows, 1);
        QCOMPARE(Messages(), "");
    }

    void unusableBankOrRuntimeFolderIsNamed()
    {
        PlayerDouble player;
        const QString missing = m_home.filePath("missing.blh");
        {
            CQuilletApp app;
            QCOMPARE(Start(app, {missing.toStdString()}), 1);
            QCOMPARE(Messages(), "The question bank " + missing + " could not be opened: no such file.");
        }
        // A runtime folder under a file cannot be made: no "already running".
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        QFile(m_home.filePath("plain")).open(QIODevice::WriteOnly);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_home.filePath("plain/runtime")));
        CQuilletApp app;
        QCOMPARE(Start(app, {Bank()}), 0);
        qputenv("XDG_RUNTIME_DIR", runtime);
        QCOMPARE(Messages(), "The runtime folder " + m_home.filePath("plain/runtime") +
                                 " cannot be used: Not a directory.");
    }

    void unwritableIniIsTold()
    {
        if (::geteuid() != 0)
            QSKIP("mounting a small tmpfs needs root");
        const QByteArray config = QFile::encodeName(m_home.filePath("config"));
        QVERIFY2(::mount("tmpfs", config.constData(), "tmpfs", 0, "size=4k") == 0, std::strerror(errno));
        const auto unmount = qScopeGuard([&] { ::umount(config.constData()); });
        WriteIni("[New]\nCURRENT_TITLE=" + kPlayer + "\n"); // the one page there is
        PlayerDouble player;
        CQuilletApp app;
        QCOMPARE(Start(app, {Bank()}), 1);
        QCOMPARE(Messages(),
                 "The player's settings file " + IniPath() +
                     " cannot be updated: No space left on device. The player cannot reach this window.");
    }

    void oneRunningCopy()
    {
        // A copy killed while running leaves its marker file behind.
        const pid_t child = fork();
        if (child == 0)
            _exit(quillet::CInstanceLock().TryLock(LockPath().toStdString()) ? 0 : 1);
        int status = -1;
        QCOMPARE(waitpid(child, &status, 0), child);
        QCOMPARE(status, 0);
        QVERIFY(QFile::exists(LockPath()));
        PlayerDouble player;
        {
            CQuilletApp first;
            const int windows =
                Start(first, {Bank()},
                      [&](CQuilletDlg& w)
                      {
                          QCOMPARE(player.Take(), "hide");
                          const QByteArray ini = ReadIni();
                          for (int copy = 0; copy < 2; ++copy) // a refused copy leaves the marker alone
                              QCOMPARE(CQuilletApp().InitInstance({Bank()}), 0);
                          QCOMPARE(Messages(), QString(kAlreadyRunning) + " | " + kAlreadyRunning);
                          QCOMPARE(player.Take(), "raise, raise");
                          QCOMPARE(ReadIni(), ini);
                          QCOMPARE(QApplication::activeModalWidget(), &w);
                          QCOMPARE(SendOff(w.windowTitle().toUtf8(), MakeMessage(7)), Sent(7));
                      });
            QCOMPARE(windows, 1);
        }
        QVERIFY(quillet::CInstanceLock().TryLock(
            LockPath().toStdString())); // the first copy freed it as it ended
    }

    void playTopicOnTheReviewPage_data()
    {
        QTest::addColumn<QByteArray>("topic");
        QTest::addColumn<bool>("playerUp");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("shown");
        QTest::newRow("five-byte topic")
            << QByteArray("Intro") << true << "hide, show, raise, 1026/0:49 6e 74 72 6f 00"
            << "";
        QTest::newRow("Windows-1252 bytes kept")
            << QByteArray("Caf\xe9") << true << "hide, show, raise, 1026/0:43 61 66 e9 00"
            << "";
        QTest::newRow("no topic") << QByteArray() << true << "hide"
                                  << "alertBox: No Topic!|Question has no topic.";
        QTest::newRow("player gone") << QByteArray("Intro") << false << "hide" << kPlayerNotFound;
    }
    void playTopicOnTheReviewPage()
    {
        QFETCH(QByteArray, topic);
        QFETCH(bool, playerUp);
        QFETCH(QString, sent);
        QFETCH(QString, shown);
        PlayerDouble player;
        CQuilletApp app;
        Start(app, {Bank("Networks", topic.toStdString())},
              [&](CQuilletDlg& w)
              {
                  ToReview(w);
                  if (!playerUp)
                      player.Quit();
                  m_messages += windowtest::Answering({{"okButton"}}, [&] { Click(w, IDC_PLAY_TOPIC); });
                  QCOMPARE(Messages(), shown);
                  QCOMPARE(player.Take(), sent);
                  // A retake hides the player that Play Topic showed, as the first start did.
                  if (topic == "Intro" && playerUp)
                  {
                      Click(w, IDC_EXIT);
                      Click(w, IDC_RETAKE);
                      QCOMPARE(player.Take(), "hide");
                  }
              });
    }

    // Only 1025 from the player hides it, and only when it is showing.
    void playerMessagesToTheTestWindow()
    {
        PlayerDouble player;
        CQuilletApp app;
        Start(app, {Bank()},
              [&](CQuilletDlg& w)
              {
                  const auto fromPlayer = [&](int command)
                  {
                      const Sent answer = SendOff(w.windowTitle().toUtf8(), MakeMessage(command, "x"));
                      QCoreApplication::sendPostedEvents();
                      QCoreApplication::processEvents();
                      return QString("%1: %2").arg(answer.value_or(-1)).arg(player.Take());
                  };
                  QCOMPARE(player.Take(), "hide");
                  QCOMPARE(fromPlayer(1025), "1025: ");
                  ToReview(w);
                  Click(w, IDC_PLAY_TOPIC);
                  QVERIFY(player.Take().startsWith("show, raise, 1026"));
                  const std::pair<int, const char*> steps[] = {
                      {1026, ""}, {0, ""}, {1024, ""}, {1025, "hide"}, {1025, ""}};
                  for (const auto& [command, sent] : steps)
                      QCOMPARE(fromPlayer(command), QString("%1: %2").arg(command).arg(sent));
              });
        QCOMPARE(Messages(), "");
    }

    void closingTellsThePlayer_data()
    {
        QTest::addColumn<QString>("player");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("messages");
        QTest::newRow("player answering") << "up"
                                          << "hide, raise, show, raise, 1025/0:"
                                          << "";
        QTest::newRow("player quit meanwhile") << "quit"
                                               << "hide" << kPlayerNotFound;
        QTest::newRow("title gone from the ini") << "untitled"
                                                 << "hide" << kPlayerNotFound;
    }
    void closingTellsThePlayer()
    {
        QFETCH(QString, player);
        QFETCH(QString, sent);
        QFETCH(QString, messages);
        std::optional<PlayerDouble> double_;
        double_.emplace();
        {
            CQuilletApp app;
            Start(app, {Bank()},
                  [&](CQuilletDlg&)
                  {
                      if (player == "quit")
                          double_->Quit();
                      if (player == "untitled")
                          WriteIni("[New]\n");
                  });
            // The copy is freed as the window closes, before the player is told.
            QVERIFY(quillet::CInstanceLock().TryLock(LockPath().toStdString()));
        }
        QCOMPARE(Messages(), messages);
        QCOMPARE(double_->Take(), sent);
    }

    void playerThatDoesNotAnswerIsMissingAtStart_data()
    {
        QTest::addColumn<QString>("player");
        QTest::newRow("no socket") << "none";
        QTest::newRow("socket left by a killed player") << "stale";
        QTest::newRow("accepts and never answers") << "silent";
    }
    void playerThatDoesNotAnswerIsMissingAtStart()
    {
        QFETCH(QString, player);
        QLocalServer silent;
        QVERIFY(player != "silent" || silent.listen(SocketPathFor(kPlayer)));
        if (player == "stale")
        {
            // Bound and never listened on: a connection is refused.
            const QByteArray path = QFile::encodeName(SocketPathFor(kPlayer));
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::memcpy(address.sun_path, path.constData(), std::min<std::size_t>(path.size(), 100));
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            QVERIFY(fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
            ::close(fd);
        }
        const auto cleanup = qScopeGuard([] { QFile::remove(SocketPathFor(kPlayer)); });
        CQuilletApp app;
        QCOMPARE(Start(app, {Bank()}), 0);
        QCOMPARE(Messages(), kPlayerMissing);
        QVERIFY(quillet::CInstanceLock().TryLock(LockPath().toStdString()));
    }

    void pairWithThePlayerProgram()
    {
        const QString title = "Pair Player";
        WriteIni("<none>");
        QProcess player;
        player.start(QUILLET_PLAYER, {"--title", title});
        const auto stop = qScopeGuard(
            [&]
            {
                player.kill();
                player.waitForFinished(5000);
            });
        QTRY_VERIFY_WITH_TIMEOUT(Ini("CURRENT_TITLE") == "Pair Player" && WindowExists(title.toUtf8()),
                                 10000);
        const auto raise = [&] { return Send(title.toUtf8(), MakeWindowRequest(LinkKind::Raise)); };
        CQuilletApp app;
        const int windows = Start(
            app, {Bank()},
            [&](CQuilletDlg& w)
            {
                QCOMPARE(raise(), Sent(0)); // the player answers whether it was showing
                QCOMPARE(QString::fromStdString(Ini("CURRENT_TITLE_QUILLET")), w.windowTitle());
                QCOMPARE(SendOff(QByteArray::fromStdString(Ini("CURRENT_TITLE_QUILLET")), MakeMessage(7)),
                         Sent(7));
            });
        QCOMPARE(windows, 1);
        QCOMPARE(Messages(), "");
        QCOMPARE(raise(), Sent(1)); // shown again as the test closed
        QCOMPARE(QString::fromStdString(Ini("CURRENT_TITLE")), title);
    }
};

int main(int argc, char** argv)
{
    AppLinkTest test; // sets the environment before the application reads it
    QApplication app(argc, argv);
    return QTest::qExec(&test, argc, argv);
}

#include "AppLinkTest.moc"
