#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>

namespace orvane {

class DomainResult;
class HistoryStore;

// One accepted search. Its results are read from the store the first time they are
// asked for, so listing thousands of searches stays cheap.
class SearchRecord : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString query READ query CONSTANT)
    Q_PROPERTY(QDateTime timestamp READ timestamp CONSTANT)
    Q_PROPERTY(int resultCount READ resultCount NOTIFY resultsChanged)
    Q_PROPERTY(int availableCount READ availableCount NOTIFY resultsChanged)

public:
    SearchRecord(QString query, QDateTime timestamp, QObject *parent = nullptr);

    QString query() const { return m_query; }
    QDateTime timestamp() const { return m_timestamp; }

    QList<DomainResult *> results() const;
    // Links the result to this record (and this record to the result).
    void addResult(DomainResult *result);

    int resultCount() const;
    int availableCount() const;

    qint64 persistentId() const { return m_id; }

signals:
    void resultsChanged();

private:
    friend class HistoryStore;
    void ensureResultsLoaded() const;

    QString m_query;
    QDateTime m_timestamp;
    mutable QList<DomainResult *> m_results;
    mutable bool m_resultsLoaded = true;
    // Counts known from the listing query, valid while the results are not loaded.
    int m_storedResultCount = 0;
    int m_storedAvailableCount = 0;
    QPointer<HistoryStore> m_store;
    qint64 m_id = 0;
    // Removed from the store: results that still arrive for it are never written.
    bool m_removed = false;
};

} // namespace orvane
