#include "watch/WatchScheduler.h"

namespace orvane {

namespace {

QDateTime later(const QDateTime &a, const QDateTime &b)
{
    if (!a.isValid())
        return b;
    if (!b.isValid())
        return a;
    return std::max(a, b);
}

QDateTime plus(const QDateTime &at, std::chrono::seconds span)
{
    return at.isValid() ? at.addSecs(span.count()) : QDateTime();
}

} // namespace

WatchScheduler::WatchScheduler(QDateTime startedAt) : WatchScheduler(std::move(startedAt), Limits{})
{
}

WatchScheduler::WatchScheduler(QDateTime startedAt, Limits limits) : m_startedAt(std::move(startedAt)), m_limits(limits)
{
}

QDateTime WatchScheduler::earliestFor(const Entry &entry) const
{
    QDateTime earliest = plus(m_startedAt, m_limits.startDelay);
    earliest = later(earliest, plus(m_lastCheck, m_limits.gap));
    earliest = later(earliest, plus(m_lastByHost.value(entry.host), m_limits.perHost));
    const QDateTime lastChecked = later(entry.lastChecked, m_lastByDomain.value(entry.domain));
    QDateTime again = plus(lastChecked, m_limits.perDomain);
    if (entry.releaseAround.isValid() && lastChecked.isValid()) {
        const QDateTime near = later(plus(lastChecked, m_limits.nearRelease), entry.releaseAround.addSecs(-m_limits.nearBefore.count()));
        if (near <= entry.releaseAround.addSecs(m_limits.nearAfter.count()) && near < again)
            again = near;
    }
    return later(earliest, again);
}

std::optional<QString> WatchScheduler::take(const QList<Entry> &entries, const QDateTime &now)
{
    // Of the domains due now, the one that waited longest: never-checked ones first.
    const Entry *chosen = nullptr;
    QDateTime chosenLast;
    for (const Entry &entry : entries) {
        if (earliestFor(entry) > now)
            continue;
        const QDateTime last = later(entry.lastChecked, m_lastByDomain.value(entry.domain));
        if (!chosen || (!last.isValid() && chosenLast.isValid()) || (last.isValid() && chosenLast.isValid() && last < chosenLast)) {
            chosen = &entry;
            chosenLast = last;
        }
    }
    if (!chosen)
        return std::nullopt;
    m_lastCheck = now;
    m_lastByHost.insert(chosen->host, now);
    m_lastByDomain.insert(chosen->domain, now);
    return chosen->domain;
}

std::optional<QDateTime> WatchScheduler::nextDue(const QList<Entry> &entries, const QDateTime &now) const
{
    std::optional<QDateTime> next;
    for (const Entry &entry : entries) {
        const QDateTime at = std::max(earliestFor(entry), now);
        if (!next || at < *next)
            next = at;
    }
    return next;
}

} // namespace orvane
