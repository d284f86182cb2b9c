#include "RDAPBootstrap.h"

#include "ApplicationIdentity.h"
#include "Logging.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>

namespace orvane {

RDAPBootstrap::RDAPBootstrap(Options options, QObject *parent)
    : QObject(parent), m_options(std::move(options))
{
    m_network.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

QCoro::Task<> RDAPBootstrap::ensureLoaded()
{
    if (!m_loadedFromDisk) {
        loadFromDisk();
        m_loadedFromDisk = true;
    }
    if (m_lastFetch && !m_registry.isEmpty()) {
        const qint64 age = m_lastFetch->secsTo(m_options.now());
        if (age <= maximumAgeSeconds)
            co_return;
    }
    if (m_fetchInFlight) {
        auto inFlight = *m_fetchInFlight;
        co_await inFlight.wait();
        co_return;
    }

    Completion<bool> done;
    m_fetchInFlight = done;
    QPointer<RDAPBootstrap> self(this);
    auto result = co_await fetch();
    if (!self) {
        done.complete(false);
        co_return;
    }
    if (!result) {
        qCCritical(lcBootstrap, "Bootstrap fetch failed: %s", qUtf8Printable(result.error()));
    } else {
        m_registry = std::move(*result);
        m_lastFetch = m_options.now();
        saveToDisk();
        qCInfo(lcBootstrap, "Loaded RDAP bootstrap: %lld TLDs", static_cast<long long>(m_registry.size()));
    }
    m_fetchInFlight.reset();
    done.complete(result.has_value());
}

QCoro::Task<std::expected<RDAPBootstrap::Registry, QString>> RDAPBootstrap::fetch()
{
    QNetworkRequest request(m_options.source);
    request.setRawHeader("User-Agent", userAgent);
    request.setRawHeader("Accept", "application/json");
    const HttpOutcome outcome = co_await httpGet(
        m_network, request, HttpLimits{m_options.timeout, m_options.timeout, m_options.maxBodyBytes});

    switch (outcome.kind) {
    case HttpOutcome::Kind::transportError:
        co_return std::unexpected(outcome.errorText);
    case HttpOutcome::Kind::tooLarge:
        co_return std::unexpected(QStringLiteral("The bootstrap file is larger than %1 bytes.")
                                      .arg(m_options.maxBodyBytes));
    case HttpOutcome::Kind::notHttp:
        co_return std::unexpected(QStringLiteral("The server returned a bad response (not HTTP)."));
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
        const QString baseURL = urls.at(0).toString();
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
