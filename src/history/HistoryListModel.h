#pragma once

#include <QAbstractListModel>
#include <QPointer>

namespace orvane {

class HistoryStore;
class SearchRecord;

// The sidebar's live query: every saved search, newest first, following each change of the store.
class HistoryListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    // ShownQueryRole: the name as shown, a look-alike with its ASCII form beside it.
    enum Role { RecordRole = Qt::UserRole + 1, QueryRole, TimestampRole, ResultCountRole, AvailableCountRole, ShownQueryRole };

    explicit HistoryListModel(HistoryStore *store, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    int count() const { return int(m_records.size()); }
    Q_INVOKABLE orvane::SearchRecord *recordAt(int row) const;

signals:
    void countChanged();

private:
    void reload();
    void insertRecord(SearchRecord *record);
    void removeRecord(SearchRecord *record);
    void refreshCounts(SearchRecord *record);

    QPointer<HistoryStore> m_store;
    QList<QPointer<SearchRecord>> m_records;
};

} // namespace orvane
