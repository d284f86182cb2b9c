#pragma once

#include "engine/DomainAvailability.h"
#include "net/HttpClient.h"
#include "engine/RDAPBootstrap.h"
#include "engine/RDAPError.h"
#include "engine/RegistryScheduler.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>

#include <qcoro/qcorotask.h>

#include <expected>
#include <optional>

namespace orvane {

// Asks a TLD's registry over RDAP whether one domain is registered.
class RDAPClient : public QObject
{
    Q_OBJECT
public:
    // 10 s without data and 15 s for the whole exchange, as the platform session would allow.
    static HttpLimits defaultLimits() { return HttpLimits{std::chrono::seconds(10), std::chrono::seconds(15)}; }

    // `http` null: the process's shared client. `scheduler` null: every query is sent at once,
    // and a 429 is the answer.
    explicit RDAPClient(RDAPBootstrap *bootstrap, HttpLimits limits = defaultLimits(), HttpClient *http = nullptr,
                        RegistryScheduler *scheduler = nullptr, QObject *parent = nullptr);

    // With a scheduler, a registry that answers 429 is asked again once it lets us (and the whole
    // host waits meanwhile), until `budget` runs out: then the query fails with rateLimited.
    QCoro::Task<std::expected<CheckResult, RDAPError>> queryDomain(QString name, QString tld, WaitBudget *budget = nullptr);

    RDAPBootstrap *bootstrap() const { return m_bootstrap; }

    // The verdict for an HTTP answer to a domain query: status first, then the body.
    static std::expected<CheckResult, RDAPError> interpretResponse(int status, const QByteArray &body);
    // A Retry-After value (delta-seconds or an HTTP-date) as a wait from `now`; nothing when it
    // names no wait ahead, or cannot be read.
    static std::optional<std::chrono::seconds> retryAfter(const QByteArray &value, const QDateTime &now);

    // The interesting members of an RDAP domain object as aligned text, or nothing.
    static std::optional<QString> render(const QByteArray &body);
    static std::optional<QString> registrarName(const QJsonObject &entity);
    // The "expiration" event's date, or an invalid date when the answer names none.
    static QDateTime expirationDate(const QJsonObject &domain);
    // The date of the first event with that action (any letter case), or an invalid date.
    static QDateTime eventDate(const QJsonObject &domain, QLatin1StringView action);

private:
    RDAPBootstrap *m_bootstrap;
    HttpLimits m_limits;
    HttpClient *m_http;
    QPointer<RegistryScheduler> m_scheduler;
};

} // namespace orvane
