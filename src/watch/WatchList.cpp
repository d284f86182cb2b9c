#include "watch/WatchList.h"

#include "engine/DomainName.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
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

QString errorText(const QSqlError &error)
{
    return error.databaseText().trimmed().isEmpty() ? error.text().trimmed() : error.databaseText().trimmed();
}

QString errorText(const QSqlQuery &query)
{
    return errorText(query.lastError());
}

QVariant statusesToStored(const QStringList &statuses)
{
    if (statuses.isEmpty())
        return QVariant(QMetaType(QMetaType::QString));
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(statuses)).toJson(QJsonDocument::Compact));
}

QStringList statusesFromStored(const QVariant &value)
{
    QStringList statuses;
    for (const QJsonValue &status : QJsonDocument::fromJson(value.toString().toUtf8()).array())
        statuses << status.toString();
    return statuses;
}

std::optional<DomainAvailability> verdictOf(DomainAvailability availability)
{
    if (availability == DomainAvailability::available || availability == DomainAvailability::taken)
        return availability;
    return std::nullopt;
}

} // namespace

WatchList::WatchList(QString connectionName, QObject *parent)
    : QAbstractListModel(parent), m_connectionName(std::move(connectionName))
{
    const auto entries = read(m_connectionName);
    if (entries)
        m_entries = *entries;
    else
        setProblem(QCoreApplication::translate("WatchList", "Could not read the watched domains: %1: %2")
                       .arg(QSqlDatabase::database(m_connectionName, false).databaseName(), entries.error()));
}

std::expected<QList<WatchedDomain>, QString> WatchList::read(const QString &connectionName)
{
    const QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")))
        return std::unexpected(errorText(query));
    QStringList tables;
    while (query.next())
        tables << query.value(0).toString();
    if (query.lastError().isValid())
        return std::unexpected(errorText(query));
    if (!tables.isEmpty() && !tables.contains(QStringLiteral("orvane_meta")))
        return std::unexpected(QStringLiteral("not an Orvane history database"));
    if (!tables.contains(QStringLiteral("watched_domain")))
        return QList<WatchedDomain>{}; // nothing written yet, or a file from before watching

    // A file from before the verdict had a column of its own has only the last answer.
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM pragma_table_info('watched_domain') WHERE name = 'last_verdict_raw'"))
        || !query.next())
        return std::unexpected(errorText(query));
    const bool verdictColumn = query.value(0).toInt() > 0;
    // Nor what the registry said of the registration, from before names were followed to release.
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM pragma_table_info('watched_domain') WHERE name = 'rdap_statuses'"))
        || !query.next())
        return std::unexpected(errorText(query));
    const bool lifecycleColumns = query.value(0).toInt() > 0;
    if (!query.exec(QStringLiteral("SELECT domain, tld, added_at, last_checked_at, last_availability_raw, %1, %2"
                                   " FROM watched_domain ORDER BY added_at, domain")
                        .arg(verdictColumn ? QStringLiteral("last_verdict_raw") : QStringLiteral("NULL"),
                             lifecycleColumns ? QStringLiteral("rdap_statuses, expires_at, last_changed_at, deletion_at")
                                              : QStringLiteral("NULL, NULL, NULL, NULL"))))
        return std::unexpected(errorText(query));
    QList<WatchedDomain> entries;
    while (query.next()) {
        WatchedDomain entry{query.value(0).toString(), query.value(1).toString(), fromStored(query.value(2)),
                            fromStored(query.value(3)), domainAvailabilityFromRaw(query.value(4).toString()),
                            domainAvailabilityFromRaw(query.value(5).toString()),
                            {statusesFromStored(query.value(6)), fromStored(query.value(7)), fromStored(query.value(8)),
                             fromStored(query.value(9))}};
        if (!verdictColumn && entry.lastAvailability)
            entry.lastVerdict = verdictOf(*entry.lastAvailability);
        entries.append(entry);
    }
    if (query.lastError().isValid())
        return std::unexpected(errorText(query));
    return entries;
}

void WatchList::setProblem(const QString &problem)
{
    if (problem == m_problem)
        return;
    m_problem = problem;
    emit problemChanged();
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
    const std::optional<DomainAvailability> verdict = seen ? verdictOf(*seen) : std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.prepare(QStringLiteral("INSERT INTO watched_domain (domain, tld, added_at, last_checked_at, last_availability_raw,"
                                 " last_verdict_raw) VALUES (?, ?, ?, ?, ?, ?)"));
    query.addBindValue(domain);
    query.addBindValue(tld);
    query.addBindValue(now.toMSecsSinceEpoch());
    query.addBindValue(seen ? QVariant(now.toMSecsSinceEpoch()) : QVariant(QMetaType(QMetaType::LongLong)));
    query.addBindValue(seen ? QVariant(rawString(*seen)) : QVariant(QMetaType(QMetaType::QString)));
    query.addBindValue(verdict ? QVariant(rawString(*verdict)) : QVariant(QMetaType(QMetaType::QString)));
    if (!query.exec())
        return std::unexpected(errorText(query));
    beginInsertRows({}, count(), count());
    m_entries.append({domain, tld, now, seen ? now : QDateTime(), seen, verdict});
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

std::expected<void, QString> WatchList::recordCheck(const QString &domain, DomainAvailability availability, const QDateTime &at,
                                                    const RegistrationLifecycle &lifecycle)
{
    const int row = indexOf(domain);
    if (row < 0)
        return {};
    WatchedDomain &entry = m_entries[row];
    entry.lastCheckedAt = at;
    entry.lastAvailability = availability;
    if (const auto verdict = verdictOf(availability))
        entry.lastVerdict = verdict;
    if (availability == DomainAvailability::taken && !lifecycle.isEmpty())
        entry.lifecycle = lifecycle;
    else if (availability == DomainAvailability::available)
        entry.lifecycle = {};
    emit dataChanged(index(row), index(row),
                     {AvailabilityRole, LastCheckedRole, ReleasePhaseRole, ReleaseAroundRole, ReleaseBasisRole, ReleaseSinceRole});

    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.prepare(QStringLiteral("UPDATE watched_domain SET last_checked_at = ?, last_availability_raw = ?,"
                                 " last_verdict_raw = ?, rdap_statuses = ?, expires_at = ?, last_changed_at = ?,"
                                 " deletion_at = ? WHERE domain = ?"));
    query.addBindValue(toStored(at));
    query.addBindValue(rawString(availability));
    query.addBindValue(entry.lastVerdict ? QVariant(rawString(*entry.lastVerdict)) : QVariant(QMetaType(QMetaType::QString)));
    query.addBindValue(statusesToStored(entry.lifecycle.statuses));
    query.addBindValue(toStored(entry.lifecycle.expiresAt));
    query.addBindValue(toStored(entry.lifecycle.lastChangedAt));
    query.addBindValue(toStored(entry.lifecycle.deletionAt));
    query.addBindValue(domain);
    if (!query.exec()) {
        const QString reason = errorText(query);
        setProblem(QCoreApplication::translate("WatchList", "Could not record the check of %1: %2: %3")
                       .arg(domain, QSqlDatabase::database(m_connectionName, false).databaseName(), reason));
        return std::unexpected(reason);
    }
    setProblem({});
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
    case AvailabilityRole: return entry.lastAvailability ? QVariant::fromValue(*entry.lastAvailability) : QVariant();
    case LastCheckedRole: return entry.lastCheckedAt;
    default: break;
    }
    const auto estimate = entry.releaseEstimate();
    switch (role) {
    case ReleasePhaseRole: {
        const ReleasePhase phase = releasePhase(entry.lifecycle, entry.lastCheckedAt);
        const bool shown = estimate || phase == ReleasePhase::redemption || phase == ReleasePhase::pendingDelete;
        return shown ? releasePhaseKey(phase) : QString();
    }
    case ReleaseAroundRole: return estimate ? estimate->freeAround : QDateTime();
    case ReleaseSinceRole: return estimate ? estimate->since : QDateTime();
    case ReleaseBasisRole: return estimate ? releaseBasisKey(estimate->basis) : QString();
    default: return {};
    }
}

QHash<int, QByteArray> WatchList::roleNames() const
{
    return {{DomainRole, "domain"},
            {TldRole, "tld"},
            {AvailabilityRole, "availability"},
            {LastCheckedRole, "lastChecked"},
            {ShownDomainRole, "shownDomain"},
            {ReleasePhaseRole, "releasePhase"},
            {ReleaseAroundRole, "releaseAround"},
            {ReleaseBasisRole, "releaseBasis"},
            {ReleaseSinceRole, "releaseSince"}};
}

} // namespace orvane
