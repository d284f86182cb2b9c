#include "ListModels.h"

namespace orvane {

int LiveResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant LiveResultsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_rows.size())
        return {};
    const LiveResult &row = m_rows.at(index.row());
    switch (role) {
    case IdRole: return row.id.toString(QUuid::WithoutBraces);
    case Qt::DisplayRole:
    case DomainRole: return row.domain;
    case TldRole: return row.tld;
    case AvailabilityRole: return rawString(row.availability);
    case RawResponseRole: return row.rawResponse;
    case ErrorMessageRole: return row.errorMessage.value_or(QString());
    case HasErrorRole: return row.errorMessage.has_value();
    default: return {};
    }
}

QHash<int, QByteArray> LiveResultsModel::roleNames() const
{
    return {{IdRole, "rowId"},         {TldRole, "tld"},
            {DomainRole, "domain"},    {AvailabilityRole, "availability"},
            {RawResponseRole, "rawResponse"}, {ErrorMessageRole, "errorMessage"},
            {HasErrorRole, "hasError"}};
}

int LiveResultsModel::availableCount() const
{
    return m_available;
}

int LiveResultsModel::indexOf(const QUuid &id) const
{
    return m_positions.value(id, -1);
}

void LiveResultsModel::replaceAll(const QList<LiveResult> &rows)
{
    if (rows == m_rows)
        return;
    const int countBefore = count();
    const int availableBefore = availableCount();
    beginResetModel();
    m_rows = rows;
    m_positions.clear();
    m_available = 0;
    for (int i = 0; i < m_rows.size(); ++i) {
        m_positions.insert(m_rows.at(i).id, i);
        m_available += m_rows.at(i).availability == DomainAvailability::available;
    }
    endResetModel();
    if (count() != countBefore)
        emit countChanged();
    if (availableCount() != availableBefore)
        emit availableCountChanged();
}

void LiveResultsModel::changed(int row, int role)
{
    const QModelIndex at = index(row);
    emit dataChanged(at, at, {role});
}

void LiveResultsModel::setAvailability(int row, DomainAvailability availability)
{
    if (row < 0 || row >= m_rows.size() || m_rows[row].availability == availability)
        return;
    const bool wasAvailable = m_rows[row].availability == DomainAvailability::available;
    m_rows[row].availability = availability;
    const bool isAvailable = availability == DomainAvailability::available;
    m_available += int(isAvailable) - int(wasAvailable);
    changed(row, AvailabilityRole);
    if (isAvailable != wasAvailable)
        emit availableCountChanged();
}

void LiveResultsModel::setRawResponse(int row, const QString &text)
{
    if (row < 0 || row >= m_rows.size() || m_rows[row].rawResponse == text)
        return;
    m_rows[row].rawResponse = text;
    changed(row, RawResponseRole);
}

void LiveResultsModel::setErrorMessage(int row, const std::optional<QString> &message)
{
    if (row < 0 || row >= m_rows.size() || m_rows[row].errorMessage == message)
        return;
    m_rows[row].errorMessage = message;
    const QModelIndex at = index(row);
    emit dataChanged(at, at, {ErrorMessageRole, HasErrorRole});
}

int SuggestionsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant SuggestionsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_items.size())
        return {};
    const NameSuggestion &item = m_items.at(index.row());
    switch (role) {
    case IdRole: return item.id.toString(QUuid::WithoutBraces);
    case Qt::DisplayRole:
    case NameRole: return item.name;
    case RationaleRole: return item.rationale;
    default: return {};
    }
}

QHash<int, QByteArray> SuggestionsModel::roleNames() const
{
    return {{IdRole, "suggestionId"}, {NameRole, "name"}, {RationaleRole, "rationale"}};
}

void SuggestionsModel::replaceAll(const QList<NameSuggestion> &items)
{
    if (items == m_items)
        return;
    const int before = count();
    beginResetModel();
    m_items = items;
    endResetModel();
    if (count() != before)
        emit countChanged();
}

} // namespace orvane
