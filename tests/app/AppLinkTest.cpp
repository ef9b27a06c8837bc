// Start-up and the player link, run through CQuilletApp::InitInstance in this
// process. The player is a double serving its title from a thread of its own,
// so that the program's blocking sends are answered; once it is the player
// program itself. Every box and the window are answered from timers.
#include <QAction>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLockFile>
#include <QMessageBox>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <cstdio>
#include <fstream>
#include <optional>
#include <unistd.h>
#include <utility>

#include "app/IniFile.h"
#include "app/PlayerLink.h"
#include "app/QuilletApp.h"
#include "course/Complement.h"
#include "testwin/QuilletDlg.h"
#include "testwin/WindowTestSupport.h"

using namespace quillet::link;
using Sent = std::optional<qint64>;

namespace
{
const QByteArray kPlayer = "Tovrin Test Player";
const QString kNoTopic = "alertBox: No Topic!|Question has no topic.";

// The marker of a running copy: the text of string 108 made file-safe.
QString LockPath()
{
    return qEnvironmentVariable("XDG_RUNTIME_DIR") + "/Wrenfield-Training-Application-Quillet.lock";
}

// "hide", "show", "raise", or "<command>/<dwData>:<block in hex>".
QString Name(const LinkRequest& r)
{
    static const char* const kinds[] = {"", "hide", "show", "raise"};
    if (r.kind != LinkKind::Message)
        return kinds[int(r.kind)];
    const QByteArray block(reinterpret_cast<const char*>(r.block.data()), qsizetype(r.block.size()));
    return QString("%1/%2:%3").arg(r.command).arg(r.data).arg(QString(block.toHex(' ')));
}

// A send to a window of this thread has to leave it free to answer.
Sent SendOff(const QByteArray& title, const LinkRequest& request)
{
    Sent result;
    std::unique_ptr<QThread> thread(QThread::create([&] { result = Send(title, request); }));
    thread->start();
    while (!thread->wait(5))
        QCoreApplication::processEvents();
    return result;
}

// The player: serves its title from a thread of its own and notes every request.
class PlayerDouble
{
  public:
    PlayerDouble()
    {
        m_server->SetHandler([this](const LinkRequest& r) {
            const QMutexLocker lock(&m_mutex);
            m_seen << Name(r);
            return r.kind == LinkKind::Message ? qint64(r.command) : qint64(1);
        });
        m_thread.start();
        m_server->moveToThread(&m_thread);
        bool listening = false;
        QMetaObject::invokeMethod(m_server, [&] { listening = m_server->Listen(kPlayer); },
                                  Qt::BlockingQueuedConnection);
        if (!listening)
            QTest::qFail("the player double cannot serve its title", __FILE__, __LINE__);
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
            QMetaObject::invokeMethod(m_server, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
        m_server = nullptr;
    }
    // The requests since the last call, as "hide, show, ...".
    QString Take()
    {
        const QMutexLocker lock(&m_mutex);
        return std::exchange(m_seen, QStringList()).join(", ");
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
    QStringList m_messages; // the texts of the start-up message boxes, in turn
    QString Messages() const { return m_messages.join(" | "); }
    int m_run = 0;

    QString IniPath() const { return m_home.filePath("config/tovrin.ini"); }
    std::string Ini() const { return IniPath().toStdString(); }
    void WriteIni(const QByteArray& bytes)
    {
        QFile file(IniPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    QByteArray ReadIni() const
    {
        QFile file(IniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }

    // Two chapters of one question each, every question with this topic.
    std::string Bank(const QByteArray& title = "Networks", const QByteArray& topic = "Intro")
    {
        std::string text = "!" + title.toStdString() + "\n";
        for (const char* c : {"1", "2"})
            text += std::string("@Ch") + c + "\n#Question " + c + "\n" +
                    (topic.isEmpty() ? "" : "&" + topic.toStdString() + "\n") + "^right\n^wrong\n^wrong\n^wrong\n";
        const std::string path = m_home.filePath(QString("bank%1.blh").arg(++m_run)).toStdString();
        std::ofstream(path, std::ios::binary) << quillet::Complemented(text);
        return path;
    }

    struct Run
    {
        QString messages;
        int windows = 0;
    };

    // Starts the program with the arguments; `script` acts inside the window,
    // which is then left through File > Exit.
    Run Start(CQuilletApp& app, const std::vector<std::string>& args,
              const std::function<void(CQuilletDlg&)>& script = {})
    {
        m_messages.clear();
        int windows = 0;
        bool stuck = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal->property("seen").toBool())
                return;
            modal->setProperty("seen", true);
            auto* w = qobject_cast<CQuilletDlg*>(modal);
            if (modal->objectName() == "startupMessage")
            {
                m_messages << static_cast<QMessageBox*>(modal)->text();
                static_cast<QMessageBox*>(modal)->done(QMessageBox::Ok);
            }
            else if (w)
                QTimer::singleShot(0, w, [w, first = windows++ == 0, &script] {
                    QApplication::setActiveWindow(w);
                    (void)QTest::qWaitForWindowActive(w);
                    if (first && script)
                        script(*w);
                    for (int i = 0; i < 3 && w->isVisible(); ++i)
                        w->findChild<QAction*>("exitAction")->trigger();
                });
        });
        // A box or window nobody closes ends the run and fails the test.
        QTimer watchdog;
        connect(&watchdog, &QTimer::timeout, [&] {
            stuck = true;
            watchdog.setInterval(500);
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dialog->done(-1);
        });
        poll.start(10);
        watchdog.start(60000);
        app.InitInstance(args);
        if (stuck)
            QTest::qFail("a box or the window was left open", __FILE__, __LINE__);
        return {Messages(), windows};
    }

  public:
    // Made before the application object, which reads the runtime folder.
    AppLinkTest()
    {
        QDir(m_home.path()).mkpath("config");
        QDir(m_home.path()).mkpath("runtime");
        QFile::setPermissions(m_home.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_home.filePath("runtime")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath("config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath("data")));
    }

  private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QCOMPARE((QFile::permissions(m_home.filePath("runtime")) & 0x0777).toInt(), 0x0700);
    }

    // A fresh record file and an ini file naming the player.
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
        if (ini == "<none>")
            QFile::remove(IniPath());
        else
            WriteIni(ini);
        PlayerDouble player;
        CQuilletApp app;
        const Run run = Start(app, {Bank()});
        QCOMPARE(run.messages, kPlayerMissing);
        QCOMPARE(run.windows, 0);
        QCOMPARE(player.Take(), "");
        QCOMPARE(ReadIni(), ini);
        QLockFile probe(LockPath()); // no running copy was marked
        QVERIFY(probe.tryLock(0));
    }

    void captionGoesToTheIniAfterThePlayerIsHidden_data()
    {
        QTest::addColumn<QByteArray>("course");
        QTest::addColumn<QStringList>("more");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("keyThere");
        QTest::newRow("test, key replaced") << QByteArray("Networks") << QStringList() << "Test for Networks" << true;
        QTest::newRow("pre-test, key added") << QByteArray("Networks") << QStringList{"/pre"}
                                             << "Pre-Test for Networks" << false;
        QTest::newRow("quiz") << QByteArray("Networks") << QStringList{"2"}
                              << "Skillstep Quiz for Networks: Chapter 2" << true;
        QTest::newRow("no course") << QByteArray() << QStringList() << "Quillet" << false;
        QTest::newRow("Windows-1252 title") << QByteArray("Caf\xe9") << QStringList() << "Test for Caf\u00e9" << true;
    }
    void captionGoesToTheIniAfterThePlayerIsHidden()
    {
        QFETCH(QByteArray, course);
        QFETCH(QStringList, more);
        QFETCH(QString, caption);
        QFETCH(bool, keyThere);
        const QByteArray head = "; player\r\n[Old]\r\nCURRENT_TITLE_QUILLET=other\r\n[new]\r\n"
                                "  current_title = " + kPlayer + " \r\nVolume=7\r\n";
        const QByteArray tail = "\r\n[Last]\r\nx=1";
        WriteIni(head + (keyThere ? "current_title_quillet=old\r\n" : "") + tail);
        std::vector<std::string> args;
        if (!course.isEmpty())
            args.push_back(Bank(course));
        for (const QString& arg : more)
            args.push_back(arg.toStdString());
        PlayerDouble player;
        CQuilletApp app;
        const Run run = Start(app, args, [&](CQuilletDlg& w) {
            QCOMPARE(player.Take(), "hide");
            QCOMPARE(w.windowTitle(), caption);
            QCOMPARE(ReadIni(), head + "CURRENT_TITLE_QUILLET=" + caption.toUtf8() + "\r\n" + tail);
            // The window answers under the title the player reads.
            const std::string title = quillet::ini::ReadValue(Ini(), "New", "CURRENT_TITLE_QUILLET");
            QCOMPARE(SendOff(QByteArray::fromStdString(title), MakeMessage(7)), Sent(7));
        });
        QCOMPARE(run.messages, "");
        QCOMPARE(run.windows, 1);
    }

    void secondCopyIsRefusedAndRaisesThePlayer()
    {
        PlayerDouble player;
        {
            CQuilletApp first;
            const Run run = Start(first, {Bank()}, [&](CQuilletDlg& w) {
                QCOMPARE(player.Take(), "hide");
                const QByteArray ini = ReadIni();
                for (int copy = 0; copy < 2; ++copy) // the first refused copy must not free the marker
                {
                    CQuilletApp second;
                    QCOMPARE(second.InitInstance({Bank()}), 0);
                }
                QCOMPARE(Messages(), QString(kAlreadyRunning) + " | " + kAlreadyRunning);
                QCOMPARE(player.Take(), "raise, raise");
                QCOMPARE(ReadIni(), ini);
                QCOMPARE(QApplication::activeModalWidget(), &w);
                QCOMPARE(SendOff(w.windowTitle().toUtf8(), MakeMessage(7)), Sent(7));
            });
            QCOMPARE(run.windows, 1);
        }
        QLockFile probe(LockPath()); // the first copy freed it as it ended
        QVERIFY(probe.tryLock(0));
    }

    void markerOfAnotherProcess_data()
    {
        QTest::addColumn<bool>("killed");
        QTest::newRow("copy running") << false;
        QTest::newRow("copy killed") << true;
    }
    void markerOfAnotherProcess()
    {
        QFETCH(bool, killed);
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), {"--hold-lock", LockPath()});
        QVERIFY(holder.waitForReadyRead(10000));
        QCOMPARE(holder.readAll(), QByteArray("locked\n"));
        if (killed)
        {
            holder.kill();
            QVERIFY(holder.waitForFinished(5000));
            QVERIFY(QFile::exists(LockPath()));
        }
        PlayerDouble player;
        {
            CQuilletApp app;
            const Run run = Start(app, {Bank()});
            QCOMPARE(run.messages, killed ? "" : kAlreadyRunning);
            QCOMPARE(run.windows, killed ? 1 : 0);
            QCOMPARE(player.Take().section(", ", 0, 0), killed ? "hide" : "raise");
        }
        holder.kill();
        holder.waitForFinished(5000);
    }

    void playTopicOnTheReviewPage_data()
    {
        QTest::addColumn<QByteArray>("topic");
        QTest::addColumn<bool>("playerUp");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("messages");
        QTest::newRow("five-byte topic") << QByteArray("Intro") << true
                                         << "hide, show, raise, 1026/0:49 6e 74 72 6f 00" << QStringList() << "";
        QTest::newRow("Windows-1252 bytes kept") << QByteArray("Caf\xe9") << true
                                                 << "hide, show, raise, 1026/0:43 61 66 e9 00" << QStringList() << "";
        QTest::newRow("no topic") << QByteArray() << true << "hide" << QStringList{kNoTopic} << "";
        QTest::newRow("player gone") << QByteArray("Intro") << false << "hide" << QStringList() << kPlayerNotFound;
    }
    void playTopicOnTheReviewPage()
    {
        QFETCH(QByteArray, topic);
        QFETCH(bool, playerUp);
        QFETCH(QString, sent);
        QFETCH(QStringList, boxes);
        QFETCH(QString, messages);
        PlayerDouble player;
        CQuilletApp app;
        Start(app, {Bank("Networks", topic)}, [&](CQuilletDlg& w) {
            ToReview(w);
            if (!playerUp)
                player.Quit();
            QCOMPARE(windowtest::Answering({{"okButton"}}, [&] { Click(w, IDC_PLAY_TOPIC); }), boxes);
            QCOMPARE(Messages(), messages);
            QCOMPARE(player.Take(), sent);
        });
    }

    void playerMessagesToTheTestWindow_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("afterTopic");
        QTest::addColumn<QString>("sent");
        QTest::newRow("1025 after Play Topic") << 1025 << true << "hide";
        QTest::newRow("1025 while hidden") << 1025 << false << "";
        QTest::newRow("1026") << 1026 << true << "";
        QTest::newRow("1024") << 1024 << true << "";
        QTest::newRow("0") << 0 << true << "";
    }
    void playerMessagesToTheTestWindow()
    {
        QFETCH(int, command);
        QFETCH(bool, afterTopic);
        QFETCH(QString, sent);
        PlayerDouble player;
        CQuilletApp app;
        Start(app, {Bank()}, [&](CQuilletDlg& w) {
            if (afterTopic)
            {
                ToReview(w);
                Click(w, IDC_PLAY_TOPIC);
            }
            QCOMPARE(player.Take().section(", ", 0, 0), "hide");
            QCOMPARE(SendOff(w.windowTitle().toUtf8(), MakeMessage(command, "x")), Sent(command));
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            QCOMPARE(player.Take(), sent);
        });
    }

    void closingTellsThePlayer_data()
    {
        QTest::addColumn<QString>("player");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("messages");
        QTest::newRow("player answering") << "up" << "raise, show, raise, 1025/0:" << "";
        QTest::newRow("no player at all") << "none" << "" << kPlayerNotFound;
        QTest::newRow("player quit meanwhile") << "quit" << "" << kPlayerNotFound;
        QTest::newRow("title gone from the ini") << "untitled" << "" << kPlayerNotFound;
        QTest::newRow("player never answers") << "silent" << "" << kPlayerNotFound;
    }
    void closingTellsThePlayer()
    {
        QFETCH(QString, player);
        QFETCH(QString, sent);
        QFETCH(QString, messages);
        std::optional<PlayerDouble> double_;
        if (player != "none" && player != "silent")
            double_.emplace();
        QLocalServer silent; // accepts and never answers
        if (player == "silent")
            QVERIFY(silent.listen(SocketPathFor(kPlayer)));
        QElapsedTimer clock;
        clock.start();
        {
            CQuilletApp app;
            Start(app, {Bank()}, [&](CQuilletDlg&) {
                if (double_)
                    QCOMPARE(double_->Take(), "hide");
                if (player == "quit")
                    double_->Quit();
                if (player == "untitled")
                    WriteIni("[New]\n");
            });
        }
        QCOMPARE(Messages(), messages);
        if (double_)
            QCOMPARE(double_->Take(), sent);
        QVERIFY2(clock.elapsed() < 30000, qPrintable(QString("took %1 ms").arg(clock.elapsed())));
    }

    void pairWithThePlayerProgram()
    {
        const QByteArray title = "Pair Player";
        QFile::remove(IniPath());
        QProcess player;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        player.setProcessEnvironment(environment);
        player.start(QUILLET_PLAYER, {"--title", QString::fromUtf8(title)});
        const auto stop = qScopeGuard([&] {
            player.kill();
            player.waitForFinished(5000);
        });
        QVERIFY(player.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(quillet::ini::ReadValue(Ini(), "New", "CURRENT_TITLE") == title.toStdString() &&
                                     WindowExists(title),
                                 10000);
        const auto raise = [&] { return Send(title, MakeWindowRequest(LinkKind::Raise)); };
        CQuilletApp app;
        const Run run = Start(app, {Bank()}, [&](CQuilletDlg& w) {
            QCOMPARE(raise(), Sent(0)); // it answers whether it was showing: hidden
            const std::string testTitle = quillet::ini::ReadValue(Ini(), "New", "CURRENT_TITLE_QUILLET");
            QCOMPARE(QString::fromStdString(testTitle), w.windowTitle());
            QCOMPARE(SendOff(QByteArray::fromStdString(testTitle), MakeMessage(7)), Sent(7));
        });
        QCOMPARE(run.messages, "");
        QCOMPARE(run.windows, 1);
        QCOMPARE(raise(), Sent(1)); // shown again as the test closed
        QCOMPARE(quillet::ini::ReadValue(Ini(), "New", "CURRENT_TITLE"), title.toStdString());
    }
};

// `--hold-lock PATH`: a copy that holds the marker until it is killed.
int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--hold-lock") == 0)
    {
        QCoreApplication app(argc, argv);
        QLockFile lock(QString::fromLocal8Bit(argv[2]));
        if (!lock.tryLock(0))
            return 1;
        std::fputs("locked\n", stdout);
        std::fflush(stdout);
        ::pause();
        return 0;
    }
    AppLinkTest test;
    QApplication app(argc, argv);
    return QTest::qExec(&test, argc, argv);
}

#include "AppLinkTest.moc"
