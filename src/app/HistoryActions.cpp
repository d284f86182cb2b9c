#include "app/HistoryActions.h"

namespace orvane {

HistoryActions::HistoryActions(HistoryStore *store, HistoryListModel *history, WatchList *watchList, QObject *parent)
    : QObject(parent), m_store(store), m_history(history), m_watchList(watchList)
{
}

void HistoryActions::report(const std::expected<void, QString> &outcome, const QString &action)
{
    const QString failure = outcome ? QString() : QStringLiteral("%1: %2: %3").arg(action, m_store->path(), outcome.error());
    if (failure == m_failure)
        return;
    m_failure = failure;
    emit failureChanged();
}

void HistoryActions::dismissFailure()
{
    report({}, {});
}

void HistoryActions::deleteRecord(SearchRecord *record)
{
    if (!record)
        return;
    const QString query = record->query();
    m_store->remove(record);
    const auto saved = m_store->save();
    if (!saved)
        m_store->cancelRemovals();
    report(saved, tr("Could not delete the search “%1”").arg(query));
}

void HistoryActions::clearHistory()
{
    for (SearchRecord *record : m_store->fetchAll())
        m_store->remove(record);
    const auto saved = m_store->save();
    if (!saved)
        m_store->cancelRemovals();
    report(saved, tr("Could not clear the history"));
}

void HistoryActions::watch(const QString &domain, const QString &tld, DomainAvailability availability)
{
    // A name still being checked has no verdict yet: the watch checks it first.
    const auto seen = availability == DomainAvailability::checking ? std::nullopt : std::optional(availability);
    report(m_watchList->watch(domain, tld, seen, QDateTime::currentDateTimeUtc()),
           tr("Could not watch %1").arg(domain));
}

void HistoryActions::stopWatching(const QString &domain)
{
    report(m_watchList->stopWatching(domain), tr("Could not stop watching %1").arg(domain));
}

} // namespace orvane
