#include "watch/WatchService.h"

#include "engine/DomainLookupService.h"

#include <QLoggingCategory>

#include <qcoro/qcorotask.h>

namespace orvane {

namespace {
Q_LOGGING_CATEGORY(lcWatch, "com.pellunor.Orvane.watch", QtInfoMsg)
} // namespace

WatchService::WatchService(WatchList *list, DomainLookupService *lookup, Clock clock, HostOf hostOf,
                           WatchScheduler::Limits limits, HostsReady hostsReady, QObject *parent)
    : QObject(parent), m_list(list), m_lookup(lookup), m_clock(std::move(clock)), m_hostOf(std::move(hostOf)),
      m_hostsReady(std::move(hostsReady)), m_scheduler(m_clock(), limits)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &WatchService::checkNext);
    connect(list, &WatchList::watchedChanged, this, &WatchService::reschedule);
    reschedule();
}

QList<WatchScheduler::Entry> WatchService::entries() const
{
    QList<WatchScheduler::Entry> result;
    if (!m_list)
        return result;
    for (const WatchedDomain &entry : m_list->entries()) {
        const auto estimate = entry.releaseEstimate();
        result.append({entry.domain, m_hostOf(entry.tld), entry.lastCheckedAt, estimate ? estimate->freeAround : QDateTime()});
    }
    return result;
}

void WatchService::reschedule()
{
    if (m_checking)
        return; // the running check reschedules when it ends
    const QDateTime now = m_clock();
    const auto due = m_scheduler.nextDue(entries(), now);
    if (!due) {
        m_timer.stop();
        m_nextLook = {};
        return;
    }
    // Asleep until the next check is due; nothing wakes the program in between.
    const qint64 wait = std::clamp<qint64>(now.msecsTo(*due), 0, std::chrono::milliseconds(longestSleep).count());
    m_nextLook = now.addMSecs(wait);
    m_timer.start(int(wait));
}

QCoro::Task<> WatchService::waitForHosts()
{
    QPointer<WatchService> self(this);
    const HostsReady ready = std::exchange(m_hostsReady, nullptr);
    m_checking = true;
    co_await ready();
    if (!self)
        co_return;
    m_checking = false;
    checkNext();
}

void WatchService::checkNext()
{
    // Until the registry table is loaded, hosts would be guessed, and two checks of one
    // registry could pass for checks of two.
    if (m_hostsReady) {
        waitForHosts();
        return;
    }
    const auto domain = m_scheduler.take(entries(), m_clock());
    if (!domain || !m_lookup || !m_list) {
        reschedule();
        return;
    }
    const auto found = std::find_if(m_list->entries().begin(), m_list->entries().end(),
                                    [&](const WatchedDomain &entry) { return entry.domain == *domain; });
    const WatchedDomain entry = *found;
    m_checking = true;
    QPointer<WatchService> self(this);
    const QString name = entry.domain.chopped(entry.tld.size());
    auto task = m_lookup->check(name, entry.tld);
    QCoro::connect(std::move(task), this, [this, self, entry](const std::expected<CheckResult, LookupError> &result) {
        if (!self)
            return;
        m_checking = false;
        const DomainAvailability now = result ? result->availability : DomainAvailability::error;
        const QList<WatchedDomain> entries = m_list ? m_list->entries() : QList<WatchedDomain>();
        const auto current = std::find_if(entries.begin(), entries.end(),
                                          [&](const WatchedDomain &e) { return e.domain == entry.domain; });
        if (current != entries.end()) {
            // News is a registry's word that the name is free after its last definitive word
            // was "taken" (or there was none): an unclear answer or an error in between is no
            // word at all. The list keeps the new verdict even when the file cannot, so a
            // failed write never announces the same change twice in one run.
            const bool news = now == DomainAvailability::available && current->lastVerdict != DomainAvailability::available;
            RegistrationLifecycle lifecycle;
            if (result)
                lifecycle = {result->statuses, result->expiresAt, result->lastChangedAt, result->deletionAt};
            const QDateTime at = m_clock();
            // Entering redemption or pending delete is news once: the phase is kept with the name.
            const ReleasePhase before = releasePhase(current->lifecycle, current->lastCheckedAt);
            const ReleasePhase after = releasePhase(lifecycle, at);
            const bool phaseNews = now == DomainAvailability::taken && after != before
                                   && (after == ReleasePhase::redemption || after == ReleasePhase::pendingDelete);
            if (const auto stored = m_list->recordCheck(entry.domain, now, at, lifecycle); !stored)
                qCWarning(lcWatch, "Could not record the check of %s: %s", qUtf8Printable(entry.domain), qUtf8Printable(stored.error()));
            if (news)
                emit becameAvailable(entry.domain);
            if (phaseNews)
                emit releasePhaseEntered(entry.domain, releasePhaseKey(after));
        }
        emit checked(entry.domain);
        reschedule();
    });
}

} // namespace orvane
