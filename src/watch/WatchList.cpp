#include "watch/WatchList.h"

#include "engine/DomainName.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace orvane {

namespace {

QDateTime fromStored(const QVariant &value)
{
    return value.isNull() ? QDateTime() : QDateTime::fromMSecsSinceEpoch(value.toLongLong(), Qt::UTC);
}

QVariant toStored(const QDateTime &at)
{
    return at.isValid() ? QVariant(at.toMSecsSinceEpoch()) : QVariant(QMetaType(QMetaType::LongLong));
}

QString errorText(const QSqlQuery &query)
{
    const QSqlError error = query.lastError();
    return error.databaseText().trimmed().isEmpty() ? error.text().trimmed() : error.databaseText().trimmed();
}

} // namespace

WatchList::WatchList(QString connectionName, QObject *parent)
    : QAbstractListModel(parent), m_connectionName(std::move(connectionName))
{
    load();
}

void WatchList::load()
{
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT domain, tld, added_at, last_checked_at, last_availability_raw"
                                   " FROM watched_domain ORDER BY added_at, domain")))
        return;
    while (query.next()) {
        WatchedDomain entry{query.value(0).toString(), query.value(1).toString(), fromStored(query.value(2)),
                            fromStored(query.value(3)), domainAvailabilityFromRaw(query.value(4).toString())};
        m_entries.append(entry);
    }
}

int WatchList::indexOf(const QString &domain) const
{
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).domain == domain)
            return int(i);
    }
    return -1;
}

bool WatchList::contains(const QString &domain) const
{
    return indexOf(domain) >= 0;
}

std::expected<void, QString> WatchList::watch(const QString &domain, const QString &tld,
                                              std::optional<DomainAvailability> seen, const QDateTime &now)
{
    if (contains(domain))
        return {};
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.prepare(QStringLiteral("INSERT INTO watched_domain (domain, tld, added_at, last_checked_at, last_availability_raw)"
                                 " VALUES (?, ?, ?, ?, ?)"));
    query.addBindValue(domain);
    query.addBindValue(tld);
    query.addBindValue(now.toMSecsSinceEpoch());
    query.addBindValue(seen ? QVariant(now.toMSecsSinceEpoch()) : QVariant(QMetaType(QMetaType::LongLong)));
    query.addBindValue(seen ? QVariant(rawString(*seen)) : QVariant(QMetaType(QMetaType::QString)));
    if (!query.exec())
        return std::unexpected(errorText(query));
    beginInsertRows({}, count(), count());
    m_entries.append({domain, tld, now, seen ? now : QDateTime(), seen});
    endInsertRows();
    emit countChanged();
    emit watchedChanged(domain);
    return {};
}

std::expected<void, QString> WatchList::stopWatching(const QString &domain)
{
    const int row = indexOf(domain);
    if (row < 0)
        return {};
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.prepare(QStringLiteral("DELETE FROM watched_domain WHERE domain = ?"));
    query.addBindValue(domain);
    if (!query.exec())
        return std::unexpected(errorText(query));
    beginRemoveRows({}, row, row);
    m_entries.removeAt(row);
    endRemoveRows();
    emit countChanged();
    emit watchedChanged(domain);
    return {};
}

std::expected<void, QString> WatchList::recordCheck(const QString &domain, DomainAvailability availability, const QDateTime &at)
{
    const int row = indexOf(domain);
    if (row < 0)
        return {};
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.prepare(QStringLiteral("UPDATE watched_domain SET last_checked_at = ?, last_availability_raw = ? WHERE domain = ?"));
    query.addBindValue(toStored(at));
    query.addBindValue(rawString(availability));
    query.addBindValue(domain);
    if (!query.exec())
        return std::unexpected(errorText(query));
    m_entries[row].lastCheckedAt = at;
    m_entries[row].lastAvailability = availability;
    emit dataChanged(index(row), index(row), {AvailabilityRole, LastCheckedRole});
    return {};
}

int WatchList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant WatchList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const WatchedDomain &entry = m_entries.at(index.row());
    switch (role) {
    case DomainRole: return entry.domain;
    case ShownDomainRole: return DomainName::shown(entry.domain);
    case TldRole: return entry.tld;
    case AvailabilityRole: return entry.lastAvailability ? rawString(*entry.lastAvailability) : QString();
    case LastCheckedRole: return entry.lastCheckedAt;
    default: return {};
    }
}

QHash<int, QByteArray> WatchList::roleNames() const
{
    return {{DomainRole, "domain"},
            {TldRole, "tld"},
            {AvailabilityRole, "availability"},
            {LastCheckedRole, "lastChecked"},
            {ShownDomainRole, "shownDomain"}};
}

} // namespace orvane
