#include "search/ListModels.h"

#include "engine/DomainName.h"
#include "watch/WatchList.h"

#include <QTimerEvent>

namespace orvane {

LiveResultsModel::LiveResultsModel(QObject *parent) : QAbstractListModel(parent)
{
    m_tick.setInterval(1000);
    connect(&m_tick, &QTimer::timeout, this, [this] {
        for (const int row : std::as_const(m_waiting))
            emit dataChanged(index(row), index(row), {WaitingRole});
    });
}

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
    case AvailabilityRole: return QVariant::fromValue(row.availability);
    case RawResponseRole: return row.rawResponse;
    case ErrorMessageRole: return row.errorMessage.value_or(QString());
    case HasErrorRole: return row.errorMessage.has_value();
    case ExpiresAtRole: return row.expiresAt;
    case HasRawRole: return !row.rawResponse.isEmpty() || row.errorMessage.has_value();
    case ExpandedRole: return m_expanded.value(index.row());
    case WaitingRole: return waitingText(row);
    case WaitingHostRole: return row.waitingHost;
    case ShownDomainRole: return m_shown.at(index.row()).domain;
    case LookAlikeHintRole: return m_shown.at(index.row()).hint;
    case WatchedRole: return m_watchList && m_watchList->contains(row.domain);
    default: return {};
    }
}

QString LiveResultsModel::lookAlikeHint(const QString &domain)
{
    switch (DomainName::lookAlike(domain)) {
    case DomainName::LookAlike::mixedScripts: return tr("mixed scripts");
    case DomainName::LookAlike::wholeScript: return tr("look-alike letters");
    case DomainName::LookAlike::none: break;
    }
    return {};
}

QHash<int, QByteArray> LiveResultsModel::roleNames() const
{
    return {{IdRole, "rowId"},         {TldRole, "tld"},
            {DomainRole, "domain"},    {AvailabilityRole, "availability"},
            {RawResponseRole, "rawResponse"}, {ErrorMessageRole, "errorMessage"},
            {HasErrorRole, "hasError"},       {ExpiresAtRole, "expiresAt"},
            {HasRawRole, "hasRaw"},           {ExpandedRole, "expanded"},
            {WaitingRole, "waiting"},         {WaitingHostRole, "waitingHost"},
            {ShownDomainRole, "shownDomain"}, {LookAlikeHintRole, "lookAlikeHint"},
            {WatchedRole, "watched"}};
}

void LiveResultsModel::setWatchList(WatchList *list)
{
    if (m_watchList)
        disconnect(m_watchList, nullptr, this, nullptr);
    m_watchList = list;
    if (list) {
        connect(list, &WatchList::watchedChanged, this, [this](const QString &domain) {
            for (int i = 0; i < m_rows.size(); ++i) {
                if (m_rows.at(i).domain == domain)
                    emit dataChanged(index(i), index(i), {WatchedRole});
            }
        });
    }
    if (!m_rows.isEmpty())
        emit dataChanged(index(0), index(count() - 1), {WatchedRole});
}

int LiveResultsModel::availableCount() const
{
    return m_available;
}

QStringList LiveResultsModel::availableDomains() const
{
    QStringList domains;
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).availability == DomainAvailability::available)
            domains << m_shown.at(i).domain;
    }
    return domains;
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
    beginResetModel();
    // The reset tells the views everything, what was still waiting included.
    m_notifyTimer.stop();
    m_firstChanged = m_lastChanged = -1;
    m_changedRoles.clear();
    m_rows = rows;
    m_positions.clear();
    m_expanded = QList<bool>(m_rows.size(), false); // new rows start collapsed
    m_shown.clear();
    m_waiting.clear();
    m_tick.stop();
    m_available = 0;
    QHash<QString, Shown> seen; // the rows of a search share their name
    for (int i = 0; i < m_rows.size(); ++i) {
        const QString &domain = m_rows.at(i).domain;
        auto found = seen.constFind(domain);
        if (found == seen.cend())
            found = seen.insert(domain, Shown{DomainName::shown(domain), lookAlikeHint(domain)});
        m_shown.append(found.value());
        m_positions.insert(m_rows.at(i).id, i);
        m_available += m_rows.at(i).availability == DomainAvailability::available;
    }
    endResetModel();
    if (count() != countBefore)
        emit countChanged();
    if (std::exchange(m_availableTold, m_available) != m_available)
        emit availableCountChanged();
}

void LiveResultsModel::setOutcome(int row, DomainAvailability availability, const QString &text,
                                  const std::optional<QString> &error, const QDateTime &expiresAt)
{
    if (row < 0 || row >= m_rows.size())
        return;
    LiveResult &result = m_rows[row];
    QList<int> roles;
    const bool wasAvailable = result.availability == DomainAvailability::available;
    if (result.availability != availability) {
        result.availability = availability;
        roles << AvailabilityRole;
    }
    if (result.rawResponse != text) {
        result.rawResponse = text;
        roles << RawResponseRole;
    }
    if (result.errorMessage != error) {
        result.errorMessage = error;
        roles << ErrorMessageRole << HasErrorRole;
    }
    if (result.expiresAt != expiresAt) {
        result.expiresAt = expiresAt;
        roles << ExpiresAtRole;
    }
    if (!result.waitingHost.isEmpty()) {
        result.waitingHost.clear();
        result.waitingUntil = {};
        roles << WaitingRole << WaitingHostRole;
        m_waiting.remove(row);
        if (m_waiting.isEmpty())
            m_tick.stop();
    }
    if (roles.isEmpty())
        return;
    if (roles.contains(RawResponseRole) || roles.contains(ErrorMessageRole))
        roles << HasRawRole;
    const bool isAvailable = availability == DomainAvailability::available;
    m_available += int(isAvailable) - int(wasAvailable);
    markChanged(row, roles);
}

void LiveResultsModel::markChanged(int row, const QList<int> &roles)
{
    m_firstChanged = m_firstChanged < 0 ? row : std::min(m_firstChanged, row);
    m_lastChanged = std::max(m_lastChanged, row);
    for (int role : roles) {
        if (!m_changedRoles.contains(role))
            m_changedRoles << role;
    }
    if (!m_notifyTimer.isActive())
        m_notifyTimer.start(notifyIntervalMs, Qt::PreciseTimer, this);
}

void LiveResultsModel::flush()
{
    m_notifyTimer.stop();
    if (m_firstChanged >= 0) {
        const QModelIndex first = index(m_firstChanged);
        const QModelIndex last = index(m_lastChanged);
        const QList<int> roles = std::exchange(m_changedRoles, {});
        m_firstChanged = m_lastChanged = -1;
        emit dataChanged(first, last, roles);
    }
    if (std::exchange(m_availableTold, m_available) != m_available)
        emit availableCountChanged();
}

void LiveResultsModel::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_notifyTimer.timerId())
        flush();
    else
        QAbstractListModel::timerEvent(event);
}

void LiveResultsModel::setExpanded(int row, bool expanded)
{
    if (row < 0 || row >= m_expanded.size() || m_expanded.at(row) == expanded)
        return;
    m_expanded[row] = expanded;
    const QModelIndex at = index(row);
    emit dataChanged(at, at, {ExpandedRole});
}

void LiveResultsModel::setWaiting(int row, const QString &host, const QDateTime &until)
{
    if (row < 0 || row >= m_rows.size())
        return;
    LiveResult &result = m_rows[row];
    const QDateTime at = host.isEmpty() ? QDateTime() : until;
    if (result.waitingHost == host && result.waitingUntil == at)
        return;
    result.waitingHost = host;
    result.waitingUntil = at;
    if (host.isEmpty())
        m_waiting.remove(row);
    else
        m_waiting.insert(row);
    if (m_waiting.isEmpty())
        m_tick.stop();
    else if (!m_tick.isActive())
        m_tick.start();
    markChanged(row, {WaitingRole, WaitingHostRole});
}

QString LiveResultsModel::waitingText(const LiveResult &row) const
{
    if (row.waitingHost.isEmpty())
        return {};
    const qint64 left = std::max<qint64>(1, (QDateTime::currentDateTimeUtc().msecsTo(row.waitingUntil) + 999) / 1000);
    return tr("Registry asked to wait \u2014 retrying in %1 s").arg(left);
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
