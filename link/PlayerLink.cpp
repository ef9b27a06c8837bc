#include "link/PlayerLink.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "platform/Folders.h"

namespace quillet::link
{
namespace
{
// More than any pair of programs needs; a flood of connections cannot pile up.
constexpr std::size_t kMaxConnections = 16;

int Remaining(const QDeadlineTimer& deadline)
{
    return static_cast<int>(std::max<qint64>(0, deadline.remainingTime()));
}
}

// One accepted client: reads its frames into a bounded buffer and answers each
// request in turn.
class LinkConnection : public QObject
{
  public:
    LinkConnection(CLinkServer* server, QLocalSocket* socket)
        : QObject(server), m_server(server), m_socket(socket), m_idle(this), m_frame(this)
    {
        socket->setParent(this);
        // Qt stops reading from the socket once this much waits unread.
        socket->setReadBufferSize(static_cast<qint64>(kMaxRequestSize));
        m_idle.setSingleShot(true);
        m_idle.setInterval(server->m_idleTimeoutMs);
        connect(&m_idle, &QTimer::timeout, this, &LinkConnection::Drop);
        // A frame has this long from its first byte to its last: a client
        // that trickles bytes cannot hold its place.
        m_frame.setSingleShot(true);
        m_frame.setInterval(server->m_frameTimeoutMs);
        connect(&m_frame, &QTimer::timeout, this, &LinkConnection::Drop);
        connect(socket, &QLocalSocket::readyRead, this, &LinkConnection::Serve);
        connect(socket, &QLocalSocket::disconnected, this, &QObject::deleteLater);
        m_idle.start();
        QTimer::singleShot(0, this, &LinkConnection::Serve);
    }

    void Drop()
    {
        m_dropped = true;
        m_idle.stop();
        m_frame.stop();
        m_socket->abort();
        deleteLater();
    }

    bool IsDropped() const { return m_dropped; }
    // Between requests: nothing read of a next one, no request being answered.
    bool IsIdle() const { return m_buffer.empty() && !m_busy; }

  private:
    void Fill()
    {
        const qint64 room = static_cast<qint64>(kMaxRequestSize - m_buffer.size());
        const qint64 count = std::min(room, m_socket->bytesAvailable());
        if (count <= 0)
            return;
        const std::size_t old = m_buffer.size();
        m_buffer.resize(old + static_cast<std::size_t>(count));
        const qint64 got = m_socket->read(reinterpret_cast<char*>(m_buffer.data() + old), count);
        m_buffer.resize(old + static_cast<std::size_t>(std::max<qint64>(got, 0)));
        if (got > 0 && old == 0)
        {
            m_idle.stop();
            m_frame.start();
        }
    }

    void Serve()
    {
        // A handler that runs an event loop of its own may see more data
        // arrive; it is read when the handler returns.
        if (m_busy)
            return;
        const QPointer<LinkConnection> alive(this);
        for (;;)
        {
            Fill();
            LinkRequest request;
            const DecodeResult decoded = DecodeRequest(m_buffer, request);
            if (decoded.status == DecodeStatus::Malformed)
                return Drop();
            if (decoded.status == DecodeStatus::NeedMore)
                return;
            m_buffer.erase(m_buffer.begin(),
                           m_buffer.begin() + static_cast<std::ptrdiff_t>(decoded.consumed));
            m_idle.stop();
            m_frame.stop();
            m_busy = true;
            // A copy: the handler may replace itself.
            const CLinkServer::Handler handler = m_server->m_handler;
            const qint64 result = handler ? handler(request) : 0;
            if (!alive)
                return;
            m_busy = false;
            if (m_socket->state() != QLocalSocket::ConnectedState)
                return;
            const std::vector<std::uint8_t> reply = EncodeReply(result);
            m_socket->write(reinterpret_cast<const char*>(reply.data()), static_cast<qint64>(reply.size()));
            // The next frame, if it has begun, gets its own time.
            if (m_buffer.empty())
                m_idle.start();
            else
                m_frame.start();
        }
    }

    CLinkServer* m_server;
    QLocalSocket* m_socket;
    QTimer m_idle;
    QTimer m_frame;
    std::vector<std::uint8_t> m_buffer;
    bool m_busy = false;
    bool m_dropped = false;
};

namespace
{
std::vector<LinkConnection*> ConnectionsOf(const QObject& server)
{
    std::vector<LinkConnection*> connections;
    for (QObject* child : server.children())
        if (auto* connection = dynamic_cast<LinkConnection*>(child); connection && !connection->IsDropped())
            connections.push_back(connection);
    return connections;
}
}

QString SocketPathFor(const QByteArray& exactTitle)
{
    const QString dir = QString::fromStdString(RuntimeFolder());
    const QByteArray digest =
        QCryptographicHash::hash(exactTitle, QCryptographicHash::Sha256).toHex().left(32);
    return dir + QStringLiteral("/quillet-link-") + QString::fromLatin1(digest);
}

bool WindowExists(const QByteArray& exactTitle, int timeoutMs)
{
    const QString path = SocketPathFor(exactTitle);
    if (!QFileInfo::exists(path))
        return false;
    QLocalSocket socket;
    socket.connectToServer(path);
    const bool found = socket.waitForConnected(std::max(timeoutMs, 1));
    socket.abort();
    return found;
}

std::optional<qint64> Send(const QByteArray& exactTitle, const LinkRequest& request, int timeoutMs)
{
    const std::vector<std::uint8_t> frame = EncodeRequest(request);
    if (frame.empty())
        return std::nullopt;
    const QDeadlineTimer deadline(std::max(timeoutMs, 1));
    QLocalSocket socket;
    socket.connectToServer(SocketPathFor(exactTitle));
    if (!socket.waitForConnected(Remaining(deadline)))
        return std::nullopt;

    socket.write(reinterpret_cast<const char*>(frame.data()), static_cast<qint64>(frame.size()));
    while (socket.bytesToWrite() > 0)
    {
        if (deadline.hasExpired() || !socket.waitForBytesWritten(Remaining(deadline)))
            return std::nullopt;
    }

    std::vector<std::uint8_t> reply;
    for (;;)
    {
        const QByteArray got = socket.read(static_cast<qint64>(kReplySize - reply.size()));
        reply.insert(reply.end(), got.begin(), got.end());
        std::int64_t result = 0;
        const DecodeResult decoded = DecodeReply(reply, result);
        if (decoded.status == DecodeStatus::Complete)
            return result;
        if (decoded.status == DecodeStatus::Malformed)
            return std::nullopt;
        if (deadline.hasExpired() || !socket.waitForReadyRead(Remaining(deadline)))
            return std::nullopt;
    }
}

CLinkServer::CLinkServer(QObject* parent) : QObject(parent), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &CLinkServer::Accept);
}

CLinkServer::~CLinkServer()
{
    Close();
}

bool CLinkServer::Listen(const QByteArray& exactTitle)
{
    Close();
    const QString path = SocketPathFor(exactTitle);
    // Qt puts the socket in place with a rename, which would silently take
    // over a live one; two servers starting at once check and listen in turn.
    QLockFile turn(path + QStringLiteral(".lock"));
    if (!turn.tryLock(kFindTimeoutMs * 4))
        return false;
    if (QFileInfo::exists(path))
    {
        // Someone still answering owns the title; a file nobody answers on
        // was left by a program that died.
        if (WindowExists(exactTitle))
            return false;
        QLocalServer::removeServer(path);
    }
    return m_server->listen(path);
}

void CLinkServer::Close()
{
    // Closing removes the socket file, so that nobody finds a dead window.
    m_server->close();
    for (LinkConnection* connection : ConnectionsOf(*this))
        connection->Drop();
}

QString CLinkServer::SocketPath() const
{
    return m_server->fullServerName();
}

void CLinkServer::SetHandler(Handler handler)
{
    m_handler = std::move(handler);
}

void CLinkServer::SetIdleTimeout(int ms)
{
    m_idleTimeoutMs = std::max(ms, 1);
}

void CLinkServer::SetFrameTimeout(int ms)
{
    m_frameTimeoutMs = std::max(ms, 1);
}

void CLinkServer::Accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection())
    {
        const std::vector<LinkConnection*> connections = ConnectionsOf(*this);
        if (connections.size() >= kMaxConnections)
        {
            // The oldest that waits between requests makes room; with none,
            // the newcomer is turned away.
            const auto idle = std::find_if(connections.begin(), connections.end(),
                                           [](const LinkConnection* c) { return c->IsIdle(); });
            if (idle == connections.end())
            {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            (*idle)->Drop();
        }
        new LinkConnection(this, socket);
    }
}
}
