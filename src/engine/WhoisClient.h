#pragma once

#include "engine/DomainAvailability.h"
#include "engine/RegistryScheduler.h"
#include "engine/WhoisConnection.h"
#include "engine/WhoisError.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>

#include <qcoro/qcorotask.h>

#include <expected>

namespace orvane {

// The registries' published WHOIS servers, in table order (TLD in normal form, host).
const QList<QPair<QString, QString>> &knownServers();
// The TLD column of knownServers(), sorted ascending.
QStringList knownServerTLDs();

struct WhoisClientOptions {
    QList<QPair<QString, QString>> servers = knownServers();
    QString referralHost = QStringLiteral("whois.iana.org");
    WhoisConnection::Options connection;
    // When set, every exchange (referral included) goes to this host instead.
    QString overrideHost;
    // Paces the exchanges per server; null: each is sent at once, and a refusal is the answer.
    RegistryScheduler *scheduler = nullptr;
};

// The WHOIS half of the engine: finds a TLD's WHOIS server (table, then IANA referral),
// sends the query line and reads the verdict out of the answer.
class WhoisClient : public QObject
{
    Q_OBJECT
public:
    using Options = WhoisClientOptions;

    explicit WhoisClient(Options options = {}, QObject *parent = nullptr);

    // With a scheduler, a server that refuses ("too many requests", "wait 5 seconds", a refused
    // connection after it answered before) is asked again once it lets us, until `budget` runs out.
    QCoro::Task<std::expected<CheckResult, WhoisError>> lookup(QString name, QString tld, WaitBudget *budget = nullptr);
    QCoro::Task<std::expected<QString, WhoisError>> server(QString tld, WaitBudget *budget = nullptr);

    const QHash<QString, QString> &serverCache() const { return m_serverCache; }
    // The server a query about `tld` goes to, when known without asking anyone.
    std::optional<QString> knownServer(const QString &tld) const;
    double timeoutSeconds() const { return double(m_options.connection.timeout.count()) / 1000.0; }

    // The server named by the first line that starts with "refer:", if any.
    static std::optional<QString> referral(const QString &answer);
    // The wait a refusal names ("try again in 30 seconds", "wait 5 seconds"), if any.
    static std::optional<std::chrono::seconds> namedWait(const QString &answer);

private:
    // One exchange in its turn at the server. For a domain query (`readsVerdict`), an answer
    // that reads as a refusal is told to the scheduler as one, and asked again while the budget allows.
    QCoro::Task<std::expected<QString, WhoisError>> exchange(QString server, QByteArray payload, WaitBudget *budget,
                                                             bool readsVerdict = false);

    Options m_options;
    QHash<QString, QString> m_serverCache;
};

} // namespace orvane
