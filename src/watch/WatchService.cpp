#include "watch/WatchService.h"

#include "engine/DomainLookupService.h"

#include <qcoro/qcorotask.h>

namespace orvane {

WatchService::WatchService(WatchList *list, DomainLookupService *lookup, Clock clock, HostOf hostOf,
                           WatchScheduler::Limits limits, QObject *parent, HostsReady hostsReady)
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
    for (const WatchedDomain &entry : m_list->entries())
        result.append({entry.domain, m_hostOf(entry.tld), entry.lastCheckedAt});
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
    QCoro::connect(std::move(task), this, [this, self, entry](const std::expected<CheckResult, WhoisError> &result) {
        if (!self)
            return;
        m_checking = false;
        const DomainAvailability now = result ? result->availability : DomainAvailability::error;
        if (m_list && m_list->contains(entry.domain)) {
            m_list->recordCheck(entry.domain, now, m_clock());
            if (now == DomainAvailability::available && entry.lastAvailability != DomainAvailability::available)
                emit becameAvailable(entry.domain);
        }
        emit checked(entry.domain);
        reschedule();
    });
}

} // namespace orvane
