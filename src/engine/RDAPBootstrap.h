#pragma once

#include "Completion.h"
#include "HttpFetch.h"
#include "SettingsLocation.h"

#include <QDateTime>
#include <QMap>
#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

#include <qcoro/qcorotask.h>

#include <expected>
#include <functional>
#include <optional>

namespace orvane {

struct RDAPBootstrapOptions {
    QUrl source = QUrl(QStringLiteral("https://data.iana.org/rdap/dns.json"));
    SettingsLocation store;
    std::chrono::milliseconds timeout{10000};
    qint64 maxBodyBytes = 8 * 1024 * 1024;
    // Injected so tests can age the disk copy without waiting.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTimeUtc(); };
};

// The IANA DNS bootstrap file (RFC 9224): which RDAP server serves which TLD.
// Loaded lazily, refreshed after seven days, kept on disk in the user-defaults store.
class RDAPBootstrap : public QObject
{
    Q_OBJECT
public:
    using Registry = QMap<QString, QString>;

    using Options = RDAPBootstrapOptions;
    static constexpr qint64 maximumAgeSeconds = 604800;
    static inline const QString cacheKey = QStringLiteral("rdap.bootstrap.cache");
    static inline const QString cacheDateKey = QStringLiteral("rdap.bootstrap.cacheDate");

    explicit RDAPBootstrap(Options options = {}, QObject *parent = nullptr);

    // Never fails: afterwards registry() holds the best mapping there is (fresh, disk copy, or empty).
    QCoro::Task<> ensureLoaded();

    const Registry &registry() const { return m_registry; }
    std::optional<QDateTime> lastFetch() const { return m_lastFetch; }

    // Decodes the file and maps ".tld" to the first base URL of its entry.
    static std::expected<Registry, QString> parse(const QByteArray &data);

private:
    QCoro::Task<std::expected<Registry, QString>> fetch();
    void loadFromDisk();
    void saveToDisk();

    Options m_options;
    QNetworkAccessManager m_network;
    Registry m_registry;
    std::optional<QDateTime> m_lastFetch;
    bool m_loadedFromDisk = false;
    // Calls that arrive while a fetch is under way wait for that one instead of starting their own.
    std::optional<Completion<bool>> m_fetchInFlight;
};

} // namespace orvane
