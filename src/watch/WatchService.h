#pragma once

#include "engine/DomainAvailability.h"
#include "watch/WatchList.h"
#include "watch/WatchScheduler.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include <functional>

namespace orvane {

class DomainLookupService;

// Checks the watched domains again in the background while the program runs, one at a time as
// the scheduler allows, and says when one that was not free has become free. Unclear answers
// and failures are recorded but never announced, and never count as the last word: only a
// registry's word that the name is free, after its last word was "taken", is news; and so is a
// taken name's registry saying that it entered redemption or pending delete.
class WatchService : public QObject
{
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;
    // The registry host that answers for a TLD, so that checks can be spread across hosts.
    using HostOf = std::function<QString(const QString &tld)>;
    // Ends when hostOf can answer (the registry table it reads is loaded); none: it always can.
    using HostsReady = std::function<QCoro::Task<>()>;
    // The longest sleep between two looks at the list. Timers stand still while the machine
    // sleeps, so a check due after a long sleep waits at most this much longer.
    static constexpr std::chrono::hours longestSleep{1};

    WatchService(WatchList *list, DomainLookupService *lookup, Clock clock, HostOf hostOf,
                 WatchScheduler::Limits limits, HostsReady hostsReady = {}, QObject *parent = nullptr);

    // When the service next looks for a due check; invalid when nothing is watched.
    QDateTime nextLook() const { return m_nextLook; }

signals:
    void becameAvailable(const QString &domain);
    // A watched name entered its redemption period or pending delete (releasePhaseKey()).
    void releasePhaseEntered(const QString &domain, const QString &phase);
    void checked(const QString &domain);

private:
    void reschedule();
    void checkNext();
    QCoro::Task<> waitForHosts();
    QList<WatchScheduler::Entry> entries() const;

    QPointer<WatchList> m_list;
    QPointer<DomainLookupService> m_lookup;
    Clock m_clock;
    HostOf m_hostOf;
    HostsReady m_hostsReady;
    WatchScheduler m_scheduler;
    QTimer m_timer;
    QDateTime m_nextLook;
    bool m_checking = false;
};

} // namespace orvane
