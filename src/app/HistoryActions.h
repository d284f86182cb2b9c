#pragma once

#include "app/AppSingleton.h"
#include "history/HistoryListModel.h"
#include "history/HistoryStore.h"
#include "watch/WatchList.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace orvane {

// What the windows may do to what the user saved: the searches and the watched domains.
class HistoryActions : public QObject, public AppSingleton<HistoryActions>
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(orvane::HistoryListModel *history READ history CONSTANT)
    Q_PROPERTY(orvane::WatchList *watchList READ watchList CONSTANT)

public:
    HistoryActions(HistoryStore *store, HistoryListModel *history, WatchList *watchList, QObject *parent = nullptr);

    HistoryListModel *history() const { return m_history; }
    WatchList *watchList() const { return m_watchList; }

    Q_INVOKABLE void deleteRecord(orvane::SearchRecord *record);
    Q_INVOKABLE void clearHistory();
    // Starts or stops checking a domain again in the background (a taken row's "Watch").
    Q_INVOKABLE void watch(const QString &domain, const QString &tld, const QString &availabilityRaw);
    Q_INVOKABLE void stopWatching(const QString &domain);

private:
    HistoryStore *m_store;
    HistoryListModel *m_history;
    WatchList *m_watchList;
};

} // namespace orvane
