#pragma once

#include "app/AppSingleton.h"
#include "history/HistoryListModel.h"
#include "history/HistoryStore.h"
#include "watch/WatchList.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <expected>

namespace orvane {

// What the windows may do to what the user saved: the searches and the watched domains.
class HistoryActions : public QObject, public AppSingleton<HistoryActions>
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(orvane::HistoryListModel *history READ history CONSTANT)
    Q_PROPERTY(orvane::WatchList *watchList READ watchList CONSTANT)
    // Why the last action could not be carried out, with the file's path; empty after one that was.
    Q_PROPERTY(QString failure READ failure NOTIFY failureChanged)

public:
    HistoryActions(HistoryStore *store, HistoryListModel *history, WatchList *watchList, QObject *parent = nullptr);

    HistoryListModel *history() const { return m_history; }
    WatchList *watchList() const { return m_watchList; }
    QString failure() const { return m_failure; }

    // A deletion that cannot be written is taken back: the list shows what the file still holds.
    Q_INVOKABLE void deleteRecord(orvane::SearchRecord *record);
    Q_INVOKABLE void clearHistory();
    // Starts or stops checking a domain again in the background (a taken row's "Watch"), with
    // the verdict the user saw (none while it is still being checked).
    Q_INVOKABLE void watch(const QString &domain, const QString &tld, orvane::DomainAvailability availability);
    Q_INVOKABLE void stopWatching(const QString &domain);
    Q_INVOKABLE void dismissFailure();

signals:
    void failureChanged();

private:
    void report(const std::expected<void, QString> &outcome, const QString &action);

    HistoryStore *m_store;
    HistoryListModel *m_history;
    WatchList *m_watchList;
    QString m_failure;
};

} // namespace orvane
