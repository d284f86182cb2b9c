#pragma once

#include "engine/DomainAvailability.h"
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
};

// The WHOIS half of the engine: finds a TLD's WHOIS server (table, then IANA referral),
// sends the query line and reads the verdict out of the answer.
class WhoisClient : public QObject
{
    Q_OBJECT
public:
    using Options = WhoisClientOptions;

    explicit WhoisClient(Options options = {}, QObject *parent = nullptr);

    QCoro::Task<std::expected<CheckResult, WhoisError>> lookup(QString name, QString tld);
    QCoro::Task<std::expected<QString, WhoisError>> server(QString tld);

    const QHash<QString, QString> &serverCache() const { return m_serverCache; }
    double timeoutSeconds() const { return double(m_options.connection.timeout.count()) / 1000.0; }

    // The server named by the first line that starts with "refer:", if any.
    static std::optional<QString> referral(const QString &answer);

private:
    QCoro::Task<std::expected<QString, WhoisError>> exchange(const QString &server, const QByteArray &payload);

    Options m_options;
    QHash<QString, QString> m_serverCache;
};

} // namespace orvane
