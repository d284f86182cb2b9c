#pragma once

// A registry stand-in for the latency bench that costs as little CPU as a loopback server can:
// one thread, epoll, no per-connection objects beyond a small record. Real registries are other
// machines; on a small test box every cycle the stand-in spends is taken from the program being
// measured, so it must stay out of the way.
//
// It speaks just enough HTTP/1.1 (GET, one request per connection) or WHOIS. Every answer goes
// out `latency` ms after its request arrived, then the connection is closed; HTTP answers set up
// as immediate (the bootstrap file) go out at once.

#include <QByteArray>
#include <QHash>
#include <QString>

#include <chrono>
#include <deque>

class LeanRegistry
{
public:
    enum class Protocol { http, whois };

    // `whoisAnswer` is what every WHOIS query gets.
    LeanRegistry(Protocol protocol, std::chrono::milliseconds latency, QByteArray whoisAnswer = {});
    LeanRegistry(const LeanRegistry &) = delete;
    LeanRegistry &operator=(const LeanRegistry &) = delete;

    quint16 port() const { return m_port; }

    // Paths not listed answer 404 at once.
    void setHttpAnswer(const QByteArray &path, int status, const QByteArray &body, bool delayed);

    // Serves until the process ends.
    [[noreturn]] void run();

private:
    struct Answer {
        QByteArray bytes;
        bool delayed = false;
    };
    struct Connection;
    struct Pending {
        std::chrono::steady_clock::time_point due;
        Connection *connection;
        QByteArray bytes;
    };

    void listen();
    void accept();
    void readFrom(Connection *connection);
    void schedule(Connection *connection, const QByteArray &bytes, bool delayed);
    void sendDue();

    Protocol m_protocol;
    int m_epoll = -1;
    int m_listener = -1;
    quint16 m_port = 0;
    std::chrono::milliseconds m_latency;
    QByteArray m_whoisAnswer;
    QHash<QByteArray, Answer> m_http;
    std::deque<Pending> m_queue; // the latency is the same for every answer: arrival order is due order
    // When the queries of one search arrived (ORVANE_BENCH_TIMELINE), steady clock.
    std::chrono::steady_clock::time_point m_firstQuery, m_lastQuery;
    int m_queries = 0;
};
