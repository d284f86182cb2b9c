#include "engine/RDAPClient.h"

#include "engine/ApplicationIdentity.h"
#include "engine/Logging.h"
#include "engine/LookupText.h"
#include "engine/TextRules.h"

#include <QJsonArray>
#include <QLocale>
#include <QJsonDocument>
#include <QPointer>

#include <algorithm>
#include <climits>
#include <cmath>

namespace orvane {

namespace {

QString padded(const QString &label)
{
    return (label + QString(18, QLatin1Char(' '))).left(16);
}

std::optional<QJsonObject> parseObject(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

QString eventLabel(const QString &action)
{
    const QString lower = action.toLower();
    if (lower == QLatin1String("registration"))
        return QStringLiteral("Registered:");
    if (lower == QLatin1String("expiration"))
        return QStringLiteral("Expires:");
    if (lower == QLatin1String("last changed"))
        return QStringLiteral("Last Updated:");
    if (lower == QLatin1String("transfer"))
        return QStringLiteral("Last Transfer:");
    return {};
}

QString eventDay(const QString &date)
{
    const QStringList pieces = date.split(QLatin1Char('T'), Qt::SkipEmptyParts);
    return pieces.isEmpty() ? date : pieces.first();
}

// A header from the network goes into the log as printable ASCII.
QByteArray escapedForLog(const QByteArray &value)
{
    QByteArray out;
    for (const char c : value)
        out += (c >= 0x20 && c < 0x7f) ? QByteArray(1, c) : QByteArray("?");
    return out;
}

bool isIntegral(const QJsonValue &value)
{
    if (!value.isDouble())
        return false;
    // Only whole numbers within the 64-bit range: converting anything else would be undefined.
    const double number = value.toDouble();
    return std::isfinite(number) && std::trunc(number) == number && number >= -9.2e18 && number <= 9.2e18;
}

} // namespace

RDAPClient::RDAPClient(RDAPBootstrap *bootstrap, HttpLimits limits, HttpClient *http, RegistryScheduler *scheduler,
                       QObject *parent)
    : QObject(parent), m_bootstrap(bootstrap), m_limits(limits), m_http(http ? http : HttpClient::shared()),
      m_scheduler(scheduler)
{
    if (!m_bootstrap->parent())
        m_bootstrap->setParent(this);
}

QCoro::Task<std::expected<CheckResult, RDAPError>> RDAPClient::queryDomain(QString name, QString tld, WaitBudget *budget)
{
    const QString dottedTLD = normalizeTLD(tld);
    const QString domain = name.toLower() + dottedTLD;

    QPointer<RDAPClient> self(this);
    co_await m_bootstrap->ensureLoaded();
    if (!self)
        co_return std::unexpected(RDAPError::networkError(cancelledDescription()));

    const auto &registry = m_bootstrap->registry();
    // A registry serves the names under its TLD, second-level suffixes (".co.uk") included:
    // the longest entry that matches wins (RFC 9224).
    auto entry = registry.constFind(dottedTLD);
    for (qsizetype dot = dottedTLD.indexOf(QLatin1Char('.'), 1); entry == registry.cend() && dot > 0;
         dot = dottedTLD.indexOf(QLatin1Char('.'), dot + 1))
        entry = registry.constFind(dottedTLD.mid(dot));
    if (entry == registry.cend())
        co_return std::unexpected(RDAPError::notSupportedForTLD(dottedTLD));

    QString base = entry.value();
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    const QUrl url(base + QStringLiteral("domain/") + domain, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()
        || (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http")))
        co_return std::unexpected(RDAPError::invalidURL());

    qCDebug(lcRDAP, "Querying %s", qUtf8Printable(url.toString()));

    const QList<HttpHeader> headers{{"Accept", "application/rdap+json"},
                                    {"User-Agent", userAgent},
                                    {"Cache-Control", "no-cache"},
                                    {"Pragma", "no-cache"}};
    const QString host = url.host();
    const QString key = RegistryScheduler::key(RegistryScheduler::Protocol::rdap, host,
                                               url.port(url.scheme() == QLatin1String("https") ? 443 : 80));
    WaitBudget ownBudget;
    if (!budget)
        budget = &ownBudget;
    for (;;) {
        RegistryTurn turn;
        if (m_scheduler) {
            turn = co_await m_scheduler->take(key, host, RegistryScheduler::Protocol::rdap, budget, this);
            if (!self || turn.status() == RegistryTurn::Status::cancelled)
                co_return std::unexpected(RDAPError::networkError(cancelledDescription()));
            if (turn.status() == RegistryTurn::Status::outOfBudget)
                co_return std::unexpected(RDAPError::rateLimited());
        }
        const HttpOutcome outcome = co_await m_http->get(url, headers, m_limits, this);
        if (!self)
            co_return std::unexpected(RDAPError::networkError(cancelledDescription()));
        switch (outcome.kind) {
        case HttpOutcome::Kind::transportError:
            co_return std::unexpected(RDAPError::networkError(outcome.errorText));
        case HttpOutcome::Kind::tlsFailure:
            co_return std::unexpected(RDAPError::tlsFailure(outcome.host, outcome.errorText));
        case HttpOutcome::Kind::notHttp:
        case HttpOutcome::Kind::invalid:
        case HttpOutcome::Kind::tooLarge:
            if (!outcome.errorText.isEmpty())
                qCDebug(lcRDAP, "Invalid answer from %s: %s", qUtf8Printable(host), qUtf8Printable(outcome.errorText));
            co_return std::unexpected(RDAPError::invalidResponse());
        case HttpOutcome::Kind::response:
            break;
        }
        auto verdict = interpretResponse(outcome.status, outcome.body);
        if (verdict || verdict.error().kind() != RDAPError::Kind::rateLimited || !m_scheduler) {
            turn.answered(outcome.multiplexed ? 0 : int(m_http->maxHostConnections()));
            if (verdict) {
                verdict->method = QStringLiteral("rdap");
                verdict->server = host;
            }
            co_return verdict;
        }
        qCInfo(lcRDAP, "%s answered 429 for %s (Retry-After: %s)", qUtf8Printable(host), qUtf8Printable(domain),
               outcome.retryAfter.isEmpty() ? "none" : escapedForLog(outcome.retryAfter).constData());
        turn.limited(retryAfter(outcome.retryAfter, QDateTime::currentDateTimeUtc()));
    }
}

std::optional<std::chrono::seconds> RDAPClient::retryAfter(const QByteArray &value, const QDateTime &now)
{
    const QByteArray text = value.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    // A wait of nothing, or a date gone by, names no wait: retried at once, a busy registry would
    // be asked again and again; the usual back-off serves better.
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        bool ok = false;
        const qint64 seconds = text.size() > 9 ? 999999999 : text.toLongLong(&ok);
        return seconds > 0 ? std::optional(std::chrono::seconds(seconds)) : std::nullopt;
    }
    // IMF-fixdate, and the two obsolete forms HTTP still asks recipients to read. The day's name
    // is left aside: a wrong one must not hide the date.
    const QLocale c = QLocale::c();
    const QString date = QString::fromLatin1(text).simplified();
    const QString undated = date.section(QLatin1Char(' '), 1);
    QDateTime at;
    for (const char *format : {"dd MMM yyyy hh:mm:ss 'GMT'", "dd-MMM-yy hh:mm:ss 'GMT'", "MMM d hh:mm:ss yyyy"}) {
        at = c.toDateTime(undated, QString::fromLatin1(format));
        if (at.isValid())
            break;
    }
    if (!at.isValid())
        return std::nullopt;
    if (at.date().year() < 1970)
        at = at.addYears(100); // a two-digit year of the obsolete form
    at.setTimeSpec(Qt::UTC);
    const qint64 seconds = now.secsTo(at);
    return seconds > 0 ? std::optional(std::chrono::seconds(seconds)) : std::nullopt;
}

std::expected<CheckResult, RDAPError> RDAPClient::interpretResponse(int status, const QByteArray &body)
{
    if (status == 429)
        return std::unexpected(RDAPError::rateLimited());
    if (status == 404) {
        // Captive portals and proxies answer 404 with a page of their own: no registry spoke.
        if (!body.trimmed().isEmpty() && QJsonDocument::fromJson(body).isNull())
            return std::unexpected(RDAPError::invalidResponse());
        return CheckResult{DomainAvailability::available, lookupText::text(lookupText::notRegistered404)};
    }
    if (status != 200)
        return std::unexpected(RDAPError::httpError(status));

    const auto object = parseObject(body);
    if (!object)
        return std::unexpected(RDAPError::invalidResponse()); // an HTML page, nothing, a list: no registry said "taken"
    const QJsonValue errorCode = object->value(QStringLiteral("errorCode"));
    if (isIntegral(errorCode)) {
        const auto code = static_cast<qint64>(errorCode.toDouble());
        qCDebug(lcRDAP, "HTTP 200 with embedded errorCode %lld", static_cast<long long>(code));
        if (code == 429)
            return std::unexpected(RDAPError::rateLimited());
        if (code == 404)
            return CheckResult{DomainAvailability::available, lookupText::text(lookupText::notRegistered)};
        return std::unexpected(RDAPError::httpError(static_cast<int>(std::clamp<qint64>(code, INT_MIN, INT_MAX))));
    }
    const QJsonValue objectClass = object->value(QStringLiteral("objectClassName"));
    if (objectClass.isString() && objectClass.toString().toLower() != QLatin1String("domain")) {
        qCCritical(lcRDAP, "Unexpected objectClassName: %s", qUtf8Printable(objectClass.toString()));
        return CheckResult{DomainAvailability::unknown, render(body).value_or(lookupText::text(lookupText::unexpectedRDAP))};
    }
    CheckResult taken{DomainAvailability::taken,
                      render(body).value_or(lookupText::text(lookupText::registered200)),
                      expirationDate(*object)};
    // What the watch needs to tell when a name it follows will be released.
    for (const QJsonValue &value : object->value(QStringLiteral("status")).toArray()) {
        if (value.isString())
            taken.statuses << value.toString().toLower();
    }
    taken.lastChangedAt = eventDate(*object, QLatin1StringView("last changed"));
    taken.deletionAt = eventDate(*object, QLatin1StringView("deletion"));
    return taken;
}

QDateTime RDAPClient::expirationDate(const QJsonObject &domain)
{
    return eventDate(domain, QLatin1StringView("expiration"));
}

QDateTime RDAPClient::eventDate(const QJsonObject &domain, QLatin1StringView action)
{
    const QJsonArray events = domain.value(QStringLiteral("events")).toArray();
    for (const QJsonValue &event : events) {
        const QJsonObject object = event.toObject();
        if (object.value(QStringLiteral("eventAction")).toString().compare(action, Qt::CaseInsensitive) != 0)
            continue;
        const QString text = object.value(QStringLiteral("eventDate")).toString();
        QDateTime at = QDateTime::fromString(text, Qt::ISODateWithMs);
        if (!at.isValid())
            at = QDateTime::fromString(text, Qt::ISODate);
        if (at.isValid())
            return at.toUTC();
    }
    return {};
}

std::optional<QString> RDAPClient::render(const QByteArray &body)
{
    const auto parsed = parseObject(body);
    if (!parsed)
        return std::nullopt;
    const QJsonObject &object = *parsed;
    QStringList lines;

    if (const QJsonValue name = object.value(QStringLiteral("ldhName")); name.isString())
        lines << padded(QStringLiteral("Domain Name:")) + name.toString();
    if (const QJsonValue handle = object.value(QStringLiteral("handle")); handle.isString() && !handle.toString().isEmpty())
        lines << padded(QStringLiteral("Registry ID:")) + handle.toString();

    if (const QJsonValue status = object.value(QStringLiteral("status")); status.isArray()) {
        const QJsonArray values = status.toArray();
        QStringList texts;
        bool allText = !values.isEmpty();
        for (const QJsonValue &value : values) {
            if (!value.isString()) {
                allText = false;
                break;
            }
            texts << value.toString();
        }
        if (allText)
            lines << padded(QStringLiteral("Status:")) + texts.join(QStringLiteral(", "));
    }

    if (const QJsonValue events = object.value(QStringLiteral("events")); events.isArray()) {
        const QJsonArray list = events.toArray();
        const bool allObjects = std::all_of(list.begin(), list.end(), [](const QJsonValue &v) { return v.isObject(); });
        if (allObjects) {
            for (const QJsonValue &value : list) {
                const QJsonObject event = value.toObject();
                const QJsonValue action = event.value(QStringLiteral("eventAction"));
                const QJsonValue date = event.value(QStringLiteral("eventDate"));
                if (!action.isString() || !date.isString())
                    continue;
                const QString label = eventLabel(action.toString());
                if (!label.isEmpty())
                    lines << padded(label) + eventDay(date.toString());
            }
        }
    }

    if (const QJsonValue entities = object.value(QStringLiteral("entities")); entities.isArray()) {
        const QJsonArray list = entities.toArray();
        const bool allObjects = std::all_of(list.begin(), list.end(), [](const QJsonValue &v) { return v.isObject(); });
        if (allObjects) {
            for (const QJsonValue &value : list) {
                const QJsonObject entity = value.toObject();
                const QJsonValue roles = entity.value(QStringLiteral("roles"));
                if (!roles.isArray())
                    continue;
                const QJsonArray roleList = roles.toArray();
                const bool rolesAreText = std::all_of(roleList.begin(), roleList.end(), [](const QJsonValue &v) { return v.isString(); });
                if (!rolesAreText || !roleList.contains(QJsonValue(QStringLiteral("registrar"))))
                    continue;
                if (const auto registrar = registrarName(entity))
                    lines << padded(QStringLiteral("Registrar:")) + *registrar;
            }
        }
    }

    if (const QJsonValue nameservers = object.value(QStringLiteral("nameservers")); nameservers.isArray()) {
        const QJsonArray list = nameservers.toArray();
        const bool allObjects = std::all_of(list.begin(), list.end(), [](const QJsonValue &v) { return v.isObject(); });
        QStringList names;
        if (allObjects) {
            for (const QJsonValue &value : list) {
                const QJsonValue name = value.toObject().value(QStringLiteral("ldhName"));
                if (name.isString())
                    names << QStringLiteral("    ") + name.toString();
            }
        }
        if (!names.isEmpty()) {
            lines << QStringLiteral("Name Servers:");
            lines << names;
        }
    }

    if (lines.isEmpty())
        return std::nullopt;
    return lines.join(QLatin1Char('\n'));
}

std::optional<QString> RDAPClient::registrarName(const QJsonObject &entity)
{
    const QJsonValue vcard = entity.value(QStringLiteral("vcardArray"));
    if (vcard.isArray()) {
        const QJsonArray card = vcard.toArray();
        if (card.size() >= 2 && card.at(1).isArray()) {
            const QJsonArray properties = card.at(1).toArray();
            const bool allLists = std::all_of(properties.begin(), properties.end(), [](const QJsonValue &v) { return v.isArray(); });
            if (allLists) {
                for (const QJsonValue &value : properties) {
                    const QJsonArray property = value.toArray();
                    if (property.size() >= 4 && property.at(0) == QJsonValue(QStringLiteral("fn")) && property.at(3).isString())
                        return property.at(3).toString();
                }
            }
        }
    }
    const QJsonValue handle = entity.value(QStringLiteral("handle"));
    if (handle.isString())
        return handle.toString();
    return std::nullopt;
}

} // namespace orvane
