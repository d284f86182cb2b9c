#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <chrono>
#include <optional>

namespace orvane {

// Decides which watched domain to check again, and when. Pure: the caller passes the time, so
// a test can run days of checks in a moment.
//
// Registries throttle clients that ask often, and a throttled answer is no verdict: each domain
// is checked at most once per `perDomain`, each registry host at most once per `perHost`, the
// checks are spread at least `gap` apart, and none starts before `startDelay` has passed since
// the program started (a start-up must not fire the whole list at once).
class WatchScheduler
{
public:
    struct Limits {
        std::chrono::seconds perDomain{6 * 3600};
        std::chrono::seconds perHost{60};
        std::chrono::seconds gap{10};
        std::chrono::seconds startDelay{60};
        // A name expected to come free is checked every `nearRelease` from `nearBefore` ahead of
        // the expected moment until `nearAfter` past it (the estimate is no more than that).
        std::chrono::seconds nearRelease{15 * 60};
        std::chrono::seconds nearBefore{24 * 3600};
        std::chrono::seconds nearAfter{48 * 3600};
    };

    struct Entry {
        QString domain;
        QString host; // the registry host that answers for the domain
        QDateTime lastChecked; // invalid when never checked
        QDateTime releaseAround; // when the name is expected to come free; invalid when unknown
    };

    explicit WatchScheduler(QDateTime startedAt);
    WatchScheduler(QDateTime startedAt, Limits limits);

    // The domain to check at `now`, if one is due; it is then counted as checked at `now`.
    std::optional<QString> take(const QList<Entry> &entries, const QDateTime &now);

    // The earliest moment take() may return a domain, or nothing when nothing is watched.
    std::optional<QDateTime> nextDue(const QList<Entry> &entries, const QDateTime &now) const;

private:
    QDateTime earliestFor(const Entry &entry) const;

    QDateTime m_startedAt;
    Limits m_limits;
    QDateTime m_lastCheck;
    QHash<QString, QDateTime> m_lastByHost;
    QHash<QString, QDateTime> m_lastByDomain; // checks taken this run, before the caller stored them
};

} // namespace orvane
