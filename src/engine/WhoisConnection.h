#pragma once

#include "engine/WhoisError.h"
#include "net/ProxyTunnel.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <expected>
#include <functional>

namespace orvane {

struct WhoisConnectionOptions {
    quint16 port = 43;
    std::chrono::milliseconds timeout{10000};
    // A server that streams without end is cut off here, and the exchange fails: a truncated
    // answer could lack the very lines that decide the verdict.
    qint64 maxAnswerBytes = 1024 * 1024;
    // Delay before the next of a host's addresses is tried alongside a silent one.
    std::chrono::milliseconds stagger{250};
    // When set, these addresses are raced instead of what the host name resolves to.
    QList<QHostAddress> addresses;
    // The proxy the exchange must go through, as the environment names it; none: direct.
    std::optional<ProxySetting> proxy = proxyFromEnvironment();
    // Told the running total after every chunk that arrives (progress display, tests).
    std::function<void(qint64)> received;
};

// One WHOIS exchange (RFC 3912): connect, send the query line, read until the server
// closes, return what arrived. The first event to finish the exchange decides its result.
// How many run at once per server is the registry scheduler's business (WhoisClient).
class WhoisConnection
{
public:
    using Options = WhoisConnectionOptions;

    // `context` owns the exchange while it runs: destroying it cancels the exchange,
    // which then returns the partial answer, or `cancelled` when nothing had arrived.
    static QCoro::Task<std::expected<QString, WhoisError>> query(QString server, QByteArray payload,
                                                                 Options options, QObject *context = nullptr);
};

} // namespace orvane
