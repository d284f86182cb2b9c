#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class QObject;

namespace orvane {

// One outgoing TCP connection that reports through callbacks, from the event loop of the thread
// that opened it; only `sent` may also come from inside send(). Nothing comes after close().
//
// Plain connections race the host's addresses (happy eyeballs) on Qt's sockets, the same code
// on every platform.
class TcpStream
{
public:
    struct Events {
        std::function<void()> connected;                 // ready for send()
        std::function<void()> sent;                      // all bytes handed to send() have left
        std::function<void(const QByteArray &)> received;
        std::function<void()> ended;                     // the peer closed its side in order
        // The connection could not be made or broke. `reset` when the peer reset it.
        std::function<void(const QString &text, bool reset)> failed;
    };

    // How long an attempt at one address may go unanswered before the next address is tried too.
    static constexpr std::chrono::milliseconds defaultStagger{250};

    // `addresses`, when given, are raced instead of what `host` resolves to.
    static std::unique_ptr<TcpStream> open(const QString &host, quint16 port, Events events,
                                           std::chrono::milliseconds stagger = defaultStagger,
                                           const QList<QHostAddress> &addresses = {});

    virtual ~TcpStream() = default;
    virtual void send(const QByteArray &bytes) = 0;
    // Ends the connection at once (a reset if data is still unread); no event follows.
    virtual void close() = 0;
};

} // namespace orvane
