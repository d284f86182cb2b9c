#include "history/HistoryListModel.h"

#include "engine/DomainName.h"

#include "history/HistoryStore.h"
#include "history/SearchRecord.h"

namespace orvane {

HistoryListModel::HistoryListModel(HistoryStore *store, QObject *parent) : QAbstractListModel(parent), m_store(store)
{
    // The whole history is read once; after that the list follows the store's changes one
    // record at a time, so a search never makes it read thousands of records again.
    connect(store, &HistoryStore::recordInserted, this, &HistoryListModel::insertRecord);
    connect(store, &HistoryStore::recordRemoved, this, &HistoryListModel::removeRecord);
    connect(store, &HistoryStore::saved, this, [this] {
        if (rowCount() > 0)
            emit dataChanged(index(0), index(rowCount() - 1), {ResultCountRole, AvailableCountRole});
    });
    reload();
}

void HistoryListModel::insertRecord(SearchRecord *record)
{
    // Newest first: a new search goes above every record that is not newer.
    int row = 0;
    while (row < m_records.size() && m_records.at(row) && m_records.at(row)->timestamp() > record->timestamp())
        ++row;
    beginInsertRows({}, row, row);
    m_records.insert(row, record);
    endInsertRows();
    connect(record, &SearchRecord::resultsChanged, this, [this, record] { refreshCounts(record); });
    emit countChanged();
}

void HistoryListModel::removeRecord(SearchRecord *record)
{
    const int row = int(m_records.indexOf(record));
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_records.removeAt(row);
    endRemoveRows();
    disconnect(record, nullptr, this, nullptr); // a removal that fails comes back as an insert
    emit countChanged();
}

void HistoryListModel::refreshCounts(SearchRecord *record)
{
    const int row = int(m_records.indexOf(record));
    if (row >= 0)
        emit dataChanged(index(row), index(row), {ResultCountRole, AvailableCountRole});
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
    case ShownQueryRole: return DomainName::shown(record->query());
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
            {AvailableCountRole, "availableCount"},
            {ShownQueryRole, "shownQuery"}};
}

} // namespace orvane
