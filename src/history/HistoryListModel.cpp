#include "HistoryListModel.h"

#include "HistoryStore.h"

namespace orvane {

HistoryListModel::HistoryListModel(HistoryStore *store, QObject *parent) : QAbstractListModel(parent), m_store(store)
{
    connect(store, &HistoryStore::changed, this, &HistoryListModel::reload);
    reload();
}

void HistoryListModel::reload()
{
    const int before = count();
    beginResetModel();
    m_records.clear();
    if (m_store) {
        for (SearchRecord *record : m_store->fetchAll())
            m_records.append(record);
    }
    endResetModel();
    if (count() != before)
        emit countChanged();
}

int HistoryListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

SearchRecord *HistoryListModel::recordAt(int row) const
{
    return row >= 0 && row < m_records.size() ? m_records.at(row).data() : nullptr;
}

QVariant HistoryListModel::data(const QModelIndex &index, int role) const
{
    const SearchRecord *record = recordAt(index.row());
    if (!record)
        return {};
    switch (role) {
    case RecordRole: return QVariant::fromValue(const_cast<SearchRecord *>(record));
    case Qt::DisplayRole:
    case QueryRole: return record->query();
    case TimestampRole: return record->timestamp();
    case ResultCountRole: return record->resultCount();
    case AvailableCountRole: return record->availableCount();
    default: return {};
    }
}

QHash<int, QByteArray> HistoryListModel::roleNames() const
{
    return {{RecordRole, "record"},
            {QueryRole, "query"},
            {TimestampRole, "timestamp"},
            {ResultCountRole, "resultCount"},
            {AvailableCountRole, "availableCount"}};
}

} // namespace orvane
