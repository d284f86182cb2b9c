#pragma once

#include "engine/DomainAvailability.h"
#include "watch/WatchList.h"
#include "watch/WatchScheduler.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

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

    WatchService(WatchList *list, DomainLookupService *lookup, Clock clock, HostOf hostOf,
                 WatchScheduler::Limits limits, QObject *parent = nullptr);

signals:
    void becameAvailable(const QString &domain);
    // A watched name entered its redemption period or pending delete (releasePhaseKey()).
    void releasePhaseEntered(const QString &domain, const QString &phase);
    void checked(const QString &domain);

private:
    void reschedule();
    void checkNext();
    QList<WatchScheduler::Entry> entries() const;

    QPointer<WatchList> m_list;
    QPointer<DomainLookupService> m_lookup;
    Clock m_clock;
    HostOf m_hostOf;
    WatchScheduler m_scheduler;
    QTimer m_timer;
    bool m_checking = false;
};

} // namespace orvane
