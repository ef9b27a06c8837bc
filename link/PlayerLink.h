#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "link/LinkFrame.h"

class QLocalServer;

// How the test program and the video player find each other's windows and
// message them: every window the other side looks for by its exact title
// serves a user-only local socket named after that title.
// docs/player-link.md describes the protocol.
namespace quillet::link
{
inline constexpr int kFindTimeoutMs = 500;
inline constexpr int kSendTimeoutMs = 3000;
inline constexpr int kIdleTimeoutMs = 5000;
inline constexpr int kFrameTimeoutMs = 2000;

// $XDG_RUNTIME_DIR/quillet-link-<first 32 hex digits of SHA-256 of the title bytes>.
QString SocketPathFor(const QByteArray& exactTitle);

// Whether a window with that title is serving: a connection succeeds in time.
bool WindowExists(const QByteArray& exactTitle, int timeoutMs = kFindTimeoutMs);

// Sends one request and waits for its reply, never longer than the time-out
// in all. Blocks the calling thread like a sent window message: a handler on
// the other side must not send back to this thread synchronously. nullopt
// when no window answered: none serving, refused, timed out, or a bad reply.
std::optional<qint64> Send(const QByteArray& exactTitle, const LinkRequest& request,
                           int timeoutMs = kSendTimeoutMs);

// The serving side of a window: answers each request with its handler's result.
class CLinkServer : public QObject
{
    Q_OBJECT

  public:
    using Handler = std::function<qint64(const LinkRequest&)>;

    explicit CLinkServer(QObject* parent = nullptr);
    ~CLinkServer() override;

    // Serves under the title, replacing a socket file left by a program that
    // died, but never one that still answers: then it fails.
    bool Listen(const QByteArray& exactTitle);
    // Stops serving, drops every connection and removes the socket file.
    void Close();
    QString SocketPath() const;

    // Requests get 0 while no handler is set.
    void SetHandler(Handler handler);
    // A client that sends nothing for this long is dropped.
    void SetIdleTimeout(int ms);
    // A client whose request has not fully arrived this long after its first
    // byte is dropped, however it trickles.
    void SetFrameTimeout(int ms);

  private:
    void Accept();
    friend class LinkConnection;

    QLocalServer* m_server;
    Handler m_handler;
    int m_idleTimeoutMs = kIdleTimeoutMs;
    int m_frameTimeoutMs = kFrameTimeoutMs;
};
}
