#include "engine/RDAPBootstrap.h"

#include "engine/ApplicationIdentity.h"
#include "engine/Logging.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QCoreApplication>
#include <QHash>
#include <QPointer>

namespace orvane {

namespace {

// What every bootstrap object of the process with the same source and store shares.
struct SharedFetch {
    std::optional<Completion<std::optional<RDAPBootstrap::Registry>>> inFlight;
    std::optional<QDateTime> lastFailure;
};

QHash<QString, SharedFetch> &sharedFetches()
{
    static QHash<QString, SharedFetch> fetches;
    return fetches;
}

} // namespace

RDAPBootstrap::RDAPBootstrap(Options options, QObject *parent)
    : QObject(parent), m_options(std::move(options))
{
    if (!m_options.http)
        m_options.http = HttpClient::shared();
}

bool RDAPBootstrap::isFresh() const
{
    if (!m_lastFetch || m_registry.isEmpty())
        return false;
    const qint64 age = m_lastFetch->secsTo(m_options.now());
    return age <= maximumAgeSeconds && age >= -toleratedFutureSeconds;
}

QString RDAPBootstrap::sharedKey() const
{
    return m_options.source.toString() + QLatin1Char('\n') + m_options.store.fileName;
}

QCoro::Task<> RDAPBootstrap::ensureLoaded()
{
    if (!m_loadedFromDisk) {
        loadFromDisk();
        m_loadedFromDisk = true;
    }
    if (isFresh())
        co_return;

    const QString key = sharedKey();
    const auto now = m_options.now;
    QPointer<RDAPBootstrap> self(this);
    {
        const SharedFetch &shared = sharedFetches()[key];
        if (!m_registry.isEmpty() && shared.lastFailure) {
            const qint64 sinceFailure = shared.lastFailure->secsTo(now());
            if (sinceFailure >= 0 && sinceFailure < retryAfterFailureSeconds)
                co_return; // the stale copy serves at once
        }
        if (shared.inFlight) {
            const auto inFlight = *shared.inFlight;
            const auto fetched = co_await inFlight.wait();
            if (self && fetched) {
                m_registry = *fetched;
                m_lastFetch = now();
            }
            co_return;
        }
    }

    Completion<std::optional<Registry>> done;
    sharedFetches()[key].inFlight = done;
    auto result = co_await fetch();
    SharedFetch &shared = sharedFetches()[key];
    shared.inFlight.reset();
    if (!result) {
        if (self) // not when the fetch ended only because its owner went away
            shared.lastFailure = now();
        qCCritical(lcBootstrap, "Bootstrap fetch failed: %s", qUtf8Printable(result.error()));
        done.complete(std::nullopt);
        co_return;
    }
    shared.lastFailure.reset();
    done.complete(*result);
    if (!self)
        co_return;
    m_registry = std::move(*result);
    m_lastFetch = now();
    saveToDisk();
    qCInfo(lcBootstrap, "Loaded RDAP bootstrap: %lld TLDs", static_cast<long long>(m_registry.size()));
}

std::optional<RDAPBootstrap::Registry> RDAPBootstrap::freshRegistry()
{
    // The background refresh at start writes to disk through an object of its own.
    if (!isFresh()) {
        loadFromDisk();
        m_loadedFromDisk = true;
    }
    return isFresh() ? std::optional(m_registry) : std::nullopt;
}

void RDAPBootstrap::refreshInBackground(Options options, std::function<void(const Registry &)> loaded)
{
    auto *bootstrap = new RDAPBootstrap(std::move(options), QCoreApplication::instance());
    [](QPointer<RDAPBootstrap> refresher, std::function<void(const Registry &)> told) -> QCoro::Task<> {
        co_await refresher->ensureLoaded();
        if (refresher) {
            if (told)
                told(refresher->registry());
            refresher->deleteLater();
        }
    }(bootstrap, std::move(loaded));
}

QCoro::Task<std::expected<RDAPBootstrap::Registry, QString>> RDAPBootstrap::fetch()
{
    const qint64 maxBodyBytes = m_options.maxBodyBytes;
    const QList<HttpHeader> headers{{"User-Agent", userAgent}, {"Accept", "application/json"}};
    const HttpOutcome outcome = co_await m_options.http->get(
        m_options.source, headers,
        HttpLimits{m_options.timeout, m_options.timeout, maxBodyBytes}, this);

    switch (outcome.kind) {
    case HttpOutcome::Kind::transportError:
    case HttpOutcome::Kind::tlsFailure:
        co_return std::unexpected(outcome.errorText);
    case HttpOutcome::Kind::tooLarge:
        co_return std::unexpected(QStringLiteral("The bootstrap file is larger than %1 bytes.").arg(maxBodyBytes));
    case HttpOutcome::Kind::notHttp:
    case HttpOutcome::Kind::invalid:
        co_return std::unexpected(QStringLiteral("The server returned a bad response (%1).").arg(outcome.errorText));
    case HttpOutcome::Kind::response:
        break;
    }
    if (outcome.status != 200)
        co_return std::unexpected(
            QStringLiteral("The server returned a bad response (HTTP %1).").arg(outcome.status));
    auto parsed = parse(outcome.body);
    if (!parsed)
        co_return std::unexpected(parsed.error());
    if (parsed->isEmpty())
        co_return std::unexpected(QStringLiteral("The bootstrap file lists no usable TLD."));
    co_return *parsed;
}

std::expected<RDAPBootstrap::Registry, QString> RDAPBootstrap::parse(const QByteArray &data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError)
        return std::unexpected(QStringLiteral("The bootstrap file is not valid JSON: ") + error.errorString());
    if (!document.isObject())
        return std::unexpected(QStringLiteral("The bootstrap file is not a JSON object."));
    const QJsonValue services = document.object().value(QStringLiteral("services"));
    if (!services.isArray())
        return std::unexpected(QStringLiteral("The bootstrap file has no \"services\" list."));

    // Every entry must be a list of lists of text, or the whole file is refused.
    const QJsonArray entries = services.toArray();
    for (const QJsonValue &entry : entries) {
        if (!entry.isArray())
            return std::unexpected(QStringLiteral("A bootstrap service entry is not a list."));
        for (const QJsonValue &member : entry.toArray()) {
            if (!member.isArray())
                return std::unexpected(QStringLiteral("A bootstrap service entry is not a list of lists."));
            for (const QJsonValue &text : member.toArray()) {
                if (!text.isString())
                    return std::unexpected(QStringLiteral("A bootstrap service entry holds a non-text value."));
            }
        }
    }

    Registry map;
    for (const QJsonValue &entryValue : entries) {
        const QJsonArray entry = entryValue.toArray();
        if (entry.size() < 2)
            continue;
        const QJsonArray tlds = entry.at(0).toArray();
        const QJsonArray urls = entry.at(1).toArray();
        if (urls.isEmpty() || tlds.isEmpty())
            continue;
        // Where a registry lists both, its https server: the answer decides a verdict.
        QString baseURL = urls.at(0).toString();
        for (const QJsonValue &url : urls) {
            if (url.toString().startsWith(QLatin1String("https:"), Qt::CaseInsensitive)) {
                baseURL = url.toString();
                break;
            }
        }
        for (const QJsonValue &tld : tlds)
            map.insert(QLatin1Char('.') + tld.toString().toLower(), baseURL);
    }
    return map;
}

void RDAPBootstrap::loadFromDisk()
{
    auto store = m_options.store.open();
    const QVariant data = store->value(cacheKey);
    if (data.isValid()) {
        const QJsonDocument document = QJsonDocument::fromJson(data.toByteArray());
        if (document.isObject()) {
            Registry map;
            bool allText = true;
            const QJsonObject object = document.object();
            for (auto it = object.begin(); it != object.end(); ++it) {
                if (!it.value().isString()) {
                    allText = false;
                    break;
                }
                map.insert(it.key(), it.value().toString());
            }
            if (allText)
                m_registry = std::move(map);
        }
    }
    const QVariant date = store->value(cacheDateKey);
    if (date.typeId() == QMetaType::QDateTime && date.toDateTime().isValid())
        m_lastFetch = date.toDateTime();
    qCDebug(lcBootstrap, "Loaded %lld TLDs from disk cache", static_cast<long long>(m_registry.size()));
}

void RDAPBootstrap::saveToDisk()
{
    QJsonObject object;
    for (auto it = m_registry.cbegin(); it != m_registry.cend(); ++it)
        object.insert(it.key(), it.value());
    auto store = m_options.store.open();
    store->setValue(cacheKey, QJsonDocument(object).toJson(QJsonDocument::Compact));
    if (m_lastFetch)
        store->setValue(cacheDateKey, *m_lastFetch);
    store->sync();
}

} // namespace orvane
