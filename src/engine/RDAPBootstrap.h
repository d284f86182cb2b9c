#pragma once

#include "net/Completion.h"
#include "net/HttpClient.h"
#include "engine/SettingsLocation.h"

#include <QDateTime>
#include <QMap>
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
    HttpClient *http = nullptr; // null: the process's shared client
};

// The IANA DNS bootstrap file (RFC 9224): which RDAP server serves which TLD.
// Loaded lazily, refreshed after seven days, kept on disk in the user-defaults store.
// All objects of the process with the same source and store share one fetch in flight and one
// memory of the last failure: after a failed refresh a stale copy serves for ten minutes without
// asking again, so an unreachable source does not hold every search for its time-out.
class RDAPBootstrap : public QObject
{
    Q_OBJECT
public:
    using Registry = QMap<QString, QString>;

    using Options = RDAPBootstrapOptions;
    static constexpr qint64 maximumAgeSeconds = 604800;
    static constexpr qint64 retryAfterFailureSeconds = 600;
    // A fetch date further ahead than this came from a clock that was wrong: the copy is stale.
    static constexpr qint64 toleratedFutureSeconds = 86400;
    static inline const QString cacheKey = QStringLiteral("rdap.bootstrap.cache");
    static inline const QString cacheDateKey = QStringLiteral("rdap.bootstrap.cacheDate");

    explicit RDAPBootstrap(Options options = {}, QObject *parent = nullptr);

    // Never fails: afterwards registry() holds the best mapping there is (fresh, disk copy, or empty).
    QCoro::Task<> ensureLoaded();

    // Brings a stale or missing disk copy up to date without anyone waiting for it; a search
    // that needs the file meanwhile joins this fetch. `loaded` is then told the mapping.
    static void refreshInBackground(Options options, std::function<void(const Registry &)> loaded = {});

    const Registry &registry() const { return m_registry; }
    // The mapping when the copy at hand (the disk's, read again while this one is stale) is
    // fresh; nothing otherwise. Never fetches, never waits.
    std::optional<Registry> freshRegistry();
    std::optional<QDateTime> lastFetch() const { return m_lastFetch; }

    // Decodes the file and maps ".tld" to the first https base URL of its entry (else its first).
    static std::expected<Registry, QString> parse(const QByteArray &data);

private:
    QCoro::Task<std::expected<Registry, QString>> fetch();
    void loadFromDisk();
    void saveToDisk();
    bool isFresh() const;
    QString sharedKey() const;

    Options m_options;
    Registry m_registry;
    std::optional<QDateTime> m_lastFetch;
    bool m_loadedFromDisk = false;
};

} // namespace orvane
