#include "app/HistoryActions.h"

namespace orvane {

HistoryActions::HistoryActions(HistoryStore *store, HistoryListModel *history, WatchList *watchList, QObject *parent)
    : QObject(parent), m_store(store), m_history(history), m_watchList(watchList)
{
}

void HistoryActions::deleteRecord(SearchRecord *record)
{
    if (!record)
        return;
    m_store->remove(record);
    (void)m_store->save(); // a failed save is ignored: the record stays deleted here
}

void HistoryActions::clearHistory()
{
    for (SearchRecord *record : m_store->fetchAll())
        m_store->remove(record);
    (void)m_store->save();
}

void HistoryActions::watch(const QString &domain, const QString &tld, const QString &availabilityRaw)
{
    (void)m_watchList->watch(domain, tld, domainAvailabilityFromRaw(availabilityRaw), QDateTime::currentDateTimeUtc());
}

void HistoryActions::stopWatching(const QString &domain)
{
    (void)m_watchList->stopWatching(domain);
}

} // namespace orvane
