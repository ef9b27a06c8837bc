// The link over real local sockets, the stand-in player in this process, and
// the player program run on its own.
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <future>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "PlayerWindow.h"
#include "link/PlayerLink.h"
#include "platform/IniFile.h"

using namespace quillet::link;

namespace
{
QByteArray AsBytes(const std::vector<std::uint8_t>& frame)
{
    return QByteArray(reinterpret_cast<const char*>(frame.data()), static_cast<qsizetype>(frame.size()));
}

// Runs a blocking call on another thread while this one keeps serving.
template <typename Call> auto OffThread(Call call) -> decltype(call())
{
    decltype(call()) result{};
    std::unique_ptr<QThread> thread(QThread::create([&] { result = call(); }));
    thread->start();
    while (!thread->wait(5))
        QCoreApplication::processEvents();
    return result;
}

std::optional<qint64> SendOff(const QByteArray& title, const LinkRequest& request)
{
    return OffThread([&] { return Send(title, request); });
}

// A server that is not ours: it answers a request with `reply` (nothing when
// empty) and then hangs up or keeps silent, as `hangUp` says.
struct ScriptedServer
{
    ScriptedServer(const QByteArray& title, QByteArray reply, bool hangUp)
    {
        std::future<void> ready = listening.get_future();
        thread.reset(QThread::create(
            [path = SocketPathFor(title), reply, hangUp, this]
            {
                QLocalServer server;
                server.listen(path);
                listening.set_value();
                if (!server.waitForNewConnection(5000))
                    return;
                QLocalSocket* socket = server.nextPendingConnection();
                socket->waitForReadyRead(5000);
                if (!reply.isEmpty())
                {
                    socket->write(reply);
                    socket->waitForBytesWritten(1000);
                }
                if (!hangUp)
                    socket->waitForDisconnected(5000);
            }));
        thread->start();
        ready.wait();
    }
    ~ScriptedServer() { thread->wait(); }
    std::promise<void> listening;
    std::unique_ptr<QThread> thread;
};
}

class PlayerLinkTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_runtime;
    QTemporaryDir m_config;
    int m_titles = 0;

    QByteArray NewTitle() { return "Title " + QByteArray::number(++m_titles); }
    std::string IniPath() const { return m_config.filePath(QStringLiteral("tovrin.ini")).toStdString(); }

  private slots:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid() && m_config.isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }

    void requestsReachTheHandlerAndRepliesCarryItsResult()
    {
        CLinkServer server;
        std::vector<LinkRequest> seen;
        server.SetHandler(
            [&](const LinkRequest& request)
            {
                seen.push_back(request);
                return qint64{-4242};
            });
        const QByteArray title = NewTitle();
        QVERIFY(server.Listen(title));
        QCOMPARE(SendOff(title, MakeMessage(kCommandPlayTopic, "Intro")), std::optional<qint64>(-4242));
        QCOMPARE(SendOff(title, MakeWindowRequest(LinkKind::Hide)), std::optional<qint64>(-4242));
        LinkRequest largest = MakeMessage(7);
        largest.block.assign(kMaxBlockSize, 'x');
        QCOMPARE(SendOff(title, largest), std::optional<qint64>(-4242));
        QCOMPARE(seen.size(), std::size_t{3});
        QCOMPARE(seen[2], largest);
        QCOMPARE(seen[0].command, kCommandPlayTopic);
        QCOMPARE(seen[0].block, std::vector<std::uint8_t>({'I', 'n', 't', 'r', 'o', 0}));
        QCOMPARE(seen[1].kind, LinkKind::Hide);

        // Two requests in one write are answered in turn on one connection.
        server.SetHandler([](const LinkRequest& request) { return qint64(request.command) + 1; });
        QLocalSocket client;
        client.connectToServer(server.SocketPath());
        QVERIFY(client.waitForConnected(1000));
        client.write(AsBytes(EncodeRequest(MakeMessage(10))) + AsBytes(EncodeRequest(MakeMessage(20, "x"))));
        QTRY_COMPARE(client.bytesAvailable(), qint64{24});
        QCOMPARE(client.readAll(), AsBytes(EncodeReply(11)) + AsBytes(EncodeReply(21)));
    }

    void badOrSilentClientsAreDropped_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("idleMs");
        QTest::newRow("bad magic") << QByteArray("QLX") << 60000;
        QTest::newRow("unknown kind") << QByteArray("QLK1\x09", 5) << 60000;
        QTest::newRow("block over the bound")
            << QByteArray("QLK1\0\0\0\0\0\0\0\0\0\x01\0\x01\0", 17) << 60000;
        QTest::newRow("silent") << QByteArray() << 100;
        QTest::newRow("stops halfway") << AsBytes(EncodeRequest(MakeMessage(1026, "Intro"))).left(20) << 100;
    }
    void badOrSilentClientsAreDropped()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, idleMs);
        CLinkServer server;
        int handled = 0;
        server.SetHandler([&](const LinkRequest&) { return qint64(++handled); });
        server.SetIdleTimeout(idleMs);
        QVERIFY(server.Listen(NewTitle()));
        QLocalSocket client;
        client.connectToServer(server.SocketPath());
        QVERIFY(client.waitForConnected(1000));
        client.write(bytes);
        QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(handled, 0);
    }

    void tricklingOrIdleClientsCannotHoldEveryPlace()
    {
        CLinkServer server;
        int handled = 0;
        server.SetHandler([&](const LinkRequest&) { return qint64(++handled); });
        server.SetFrameTimeout(300);
        const QByteArray title = NewTitle();
        QVERIFY(server.Listen(title));
        // One byte of a request every 50 ms: dropped 300 ms after its first.
        QLocalSocket trickler;
        trickler.connectToServer(server.SocketPath());
        QVERIFY(trickler.waitForConnected(1000));
        const QByteArray frame = AsBytes(EncodeRequest(MakeMessage(1026, "Intro")));
        int sent = 0;
        QTimer drip;
        connect(&drip, &QTimer::timeout, [&] { trickler.write(frame.mid(sent++ % (frame.size() - 1), 1)); });
        drip.start(50);
        QTRY_COMPARE_WITH_TIMEOUT(trickler.state(), QLocalSocket::UnconnectedState, 3000);
        drip.stop();
        QVERIFY(sent >= 6);
        // Every place taken by a silent client: the oldest makes room for a request.
        std::vector<std::unique_ptr<QLocalSocket>> silent;
        for (int i = 0; i < 16; ++i)
        {
            silent.push_back(std::make_unique<QLocalSocket>());
            silent.back()->connectToServer(server.SocketPath());
            QVERIFY(silent.back()->waitForConnected(1000));
        }
        QTest::qWait(100);
        // Sent from another thread, so that this one serves.
        std::optional<qint64> reply;
        const std::unique_ptr<QThread> sender(
            QThread::create([&] { reply = Send(title, MakeMessage(7), 2000); }));
        sender->start();
        while (!sender->wait(5))
            QCoreApplication::processEvents();
        QCOMPARE(reply, std::optional<qint64>(1));
        QTRY_COMPARE(silent.front()->state(), QLocalSocket::UnconnectedState);
        QCOMPARE(silent.back()->state(), QLocalSocket::ConnectedState);
    }

    void sendGivesUpOnServersThatDoNotAnswerProperly_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("hangUp");
        QTest::newRow("silent") << QByteArray() << false;
        QTest::newRow("hangs up") << QByteArray() << true;
        QTest::newRow("bad magic") << QByteArray("QLK1\x02\x04\0\0\0\0\0\0", 12) << false;
        QTest::newRow("cut short") << QByteArray("QLR1\x02\x04", 6) << true;
    }
    void sendGivesUpOnServersThatDoNotAnswerProperly()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, hangUp);
        const QByteArray title = NewTitle();
        ScriptedServer server(title, reply, hangUp);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!Send(title, MakeMessage(kCommandPlayTopic, "Intro"), 300));
        QVERIFY2(clock.elapsed() < 4000, "Send overran its time-out");
    }

    void windowsAreFoundByTheirExactTitleOnlyWhileServing()
    {
        QCOMPARE(SocketPathFor("Tovrin Video Player"),
                 m_runtime.path() + "/quillet-link-5e4b765b85ab29c50a6f05b67ecab809");
        const QByteArray title = NewTitle();
        QVERIFY(!WindowExists(title));
        QVERIFY(!Send(title, MakeMessage(kCommandTestClosed)));
        CLinkServer server;
        QVERIFY(server.Listen(title));
        QVERIFY(WindowExists(title));
        QVERIFY(!WindowExists(title.toLower()) && !WindowExists(title + ' '));
        server.Close();
        QVERIFY(!QFileInfo::exists(SocketPathFor(title)));
        QVERIFY(!WindowExists(title));
    }

    void listenReplacesADeadSocketButNotALiveOne()
    {
        const QByteArray title = NewTitle();
        const QByteArray path = SocketPathFor(title).toUtf8();
        // What a player that died leaves behind: a socket file nobody listens on.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        QVERIFY(QFileInfo::exists(path));

        CLinkServer first;
        first.SetHandler([](const LinkRequest&) { return qint64{1}; });
        QVERIFY(first.Listen(title));
        struct stat info = {};
        QCOMPARE(::stat(path.constData(), &info), 0);
        QVERIFY(S_ISSOCK(info.st_mode));
        QCOMPARE(info.st_mode & 077, 0u); // the owner's alone

        CLinkServer second;
        QVERIFY(!second.Listen(title));
        QCOMPARE(SendOff(title, MakeMessage(kCommandPlayTopic, "x")), std::optional<qint64>(1));
    }

    void playerShowsTopicsAndObeysWindowRequests()
    {
        const QByteArray title = NewTitle();
        CPlayerWindow player(title, IniPath());
        QVERIFY(player.Start());
        player.show();
        QCOMPARE(player.windowTitle(), QString::fromUtf8(title));
        QCOMPARE(quillet::ini::ReadValue(IniPath(), "New", "CURRENT_TITLE"), title.toStdString());

        QCOMPARE(SendOff(title, MakeMessage(kCommandPlayTopic, "Caf\xc3\xa9 1")),
                 std::optional<qint64>(1026));
        QCOMPARE(player.findChild<QLabel*>("nowPlaying")->text(),
                 QString::fromUtf8("Now playing: Caf\xc3\xa9 1"));
        LinkRequest cut = MakeMessage(kCommandPlayTopic, std::string_view("A\0B", 3));
        QCOMPARE(SendOff(title, cut), std::optional<qint64>(1026));
        QCOMPARE(player.findChild<QLabel*>("nowPlaying")->text(), QString("Now playing: A"));
        const auto* log = player.findChild<QListWidget*>("log");
        QVERIFY(log->item(log->count() - 1)->text().endsWith("Now playing: A"));
        QCOMPARE(SendOff(title, MakeMessage(kCommandTestClosed)), std::optional<qint64>(1025));
        QCOMPARE(player.findChild<QLabel*>("status")->text(), QString("The test window closed"));

        // Window requests answer whether the window was showing before.
        const struct
        {
            LinkKind kind;
            qint64 answer;
            bool visibleAfter;
        } steps[] = {{LinkKind::Hide, 1, false},
                     {LinkKind::Hide, 0, false},
                     {LinkKind::Show, 0, true},
                     {LinkKind::Raise, 1, true}};
        for (const auto& step : steps)
        {
            QCOMPARE(SendOff(title, MakeWindowRequest(step.kind)), std::optional<qint64>(step.answer));
            QCOMPARE(player.isVisible(), step.visibleAfter);
        }
    }

    void backButtonLetsTheTestWindowHideThePlayer()
    {
        const QByteArray playerTitle = NewTitle();
        const QByteArray testTitle = NewTitle();
        CPlayerWindow player(playerTitle, IniPath());
        QVERIFY(player.Start());
        player.show();
        auto* back = player.findChild<QPushButton*>("backButton");
        auto* status = player.findChild<QLabel*>("status");

        QVERIFY(quillet::ini::WriteValue(IniPath(), "New", "CURRENT_TITLE_QUILLET", testTitle.toStdString()));
        back->click();
        QTRY_COMPARE(status->text(), QString("No test window answered"));

        // The test window answers 1025 by asking the player to hide, synchronously,
        // while the player still waits for that answer.
        QThread testThread;
        testThread.start();
        auto* testWindow = new CLinkServer;
        testWindow->moveToThread(&testThread);
        const auto stop = qScopeGuard(
            [&]
            {
                testWindow->deleteLater();
                testThread.quit();
                testThread.wait();
            });
        std::atomic<qint64> hideAnswer{-1};
        testWindow->SetHandler(
            [&](const LinkRequest& request)
            {
                if (request.command == kCommandHidePlayer)
                    hideAnswer = Send(playerTitle, MakeWindowRequest(LinkKind::Hide)).value_or(-2);
                return qint64(request.command);
            });
        bool listening = false;
        QMetaObject::invokeMethod(
            testWindow, [&] { listening = testWindow->Listen(testTitle); }, Qt::BlockingQueuedConnection);
        QVERIFY(listening);
        back->click();
        QTRY_COMPARE(status->text(), QString("Back to the test"));
        QCOMPARE(hideAnswer.load(), qint64{1});
        QVERIFY(!player.isVisible());
    }

    void playerProgramServesItsTitle_data()
    {
        QTest::addColumn<bool>("joined");
        QTest::newRow("--title X") << false;
        QTest::newRow("--title=X") << true;
    }
    void playerProgramServesItsTitle()
    {
        QFETCH(bool, joined);
        QTemporaryDir config;
        const QByteArray title = NewTitle();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", config.path());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess player;
        player.setProcessEnvironment(environment);
        // Qt's own -title would swallow the word after it.
        player.start(QUILLET_PLAYER, joined ? QStringList{"--title=" + QString::fromUtf8(title)}
                                            : QStringList{"--title", QString::fromUtf8(title)});
        QVERIFY(player.waitForStarted(5000));
        const std::string ini = config.filePath("tovrin.ini").toStdString();
        QTRY_VERIFY_WITH_TIMEOUT(quillet::ini::ReadValue(ini, "New", "CURRENT_TITLE") == title.toStdString(),
                                 10000);

        QCOMPARE(Send(title, MakeMessage(kCommandPlayTopic, "Intro")), std::optional<qint64>(1026));
        QCOMPARE(Send(title, MakeWindowRequest(LinkKind::Hide)), std::optional<qint64>(1));
        QCOMPARE(Send(title, MakeWindowRequest(LinkKind::Hide)), std::optional<qint64>(0)); // hidden already
        QVERIFY(QFileInfo::exists(SocketPathFor(title)));
        player.terminate();
        QVERIFY(player.waitForFinished(5000));
        QVERIFY(!QFileInfo::exists(SocketPathFor(title)));
    }
};

QTEST_MAIN(PlayerLinkTest)
#include "PlayerLinkTest.moc"
