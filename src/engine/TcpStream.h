#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class QObject;

namespace orvane {

// One outgoing TCP connection that reports through callbacks, from the event loop of the thread
// that opened it; only `sent` may also come from inside send(). Nothing comes after close().
//
// A search opens a connection per TLD, a thousand at once on long lists. Plain connections
// (WHOIS, http) therefore go through one epoll set per thread on Linux, watched by a single
// socket notifier: QTcpSocket costs about as much again as everything else a check does, and
// the GLib event loop searches its lists of notifiers on every change. Elsewhere, and for TLS,
// the connection is a QTcpSocket or QSslSocket.
class TcpStream
{
public:
    enum class Transport {
        plain, // the cheapest plain connection the platform has
        qt,    // QTcpSocket
        tls,   // QSslSocket, verified against the system's certificate authorities
    };

    struct Events {
        std::function<void()> connected;                 // ready for send(); with TLS after the handshake
        std::function<void()> sent;                      // all bytes handed to send() have left
        std::function<void(const QByteArray &)> received;
        std::function<void()> ended;                     // the peer closed its side in order
        // The connection could not be made or broke. `reset` when the peer reset it.
        std::function<void(const QString &text, bool reset)> failed;
    };

    // The plain transport in use: `plain`, or `qt` when ORVANE_TCP=qt is set (to compare them).
    static Transport plainTransport();

    static std::unique_ptr<TcpStream> open(Transport transport, const QString &host, quint16 port, Events events);

    virtual ~TcpStream() = default;
    virtual void send(const QByteArray &bytes) = 0;
    // Ends the connection at once (a reset if data is still unread); no event follows.
    virtual void close() = 0;
};

} // namespace orvane
