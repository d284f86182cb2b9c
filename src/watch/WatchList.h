#pragma once

#include "engine/DomainAvailability.h"

#include <QAbstractListModel>
#include <QDateTime>
#include <QList>
#include <QString>

#include <expected>

namespace orvane {

struct WatchedDomain {
    QString domain; // name and TLD, as shown
    QString tld;    // with its leading full stop
    QDateTime addedAt;
    QDateTime lastCheckedAt; // invalid until the first check
    std::optional<DomainAvailability> lastAvailability;
};

// The domains the user watches, kept in the history file's watched_domain table and shown as
// the sidebar's "Watching" list, in the order they were added. Changes are written at once.
class WatchList : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    // ShownDomainRole: the domain as shown, a look-alike with its ASCII form beside it.
    enum Role { DomainRole = Qt::UserRole + 1, TldRole, AvailabilityRole, LastCheckedRole, ShownDomainRole };

    // `connectionName` names an open QSqlDatabase connection to a history file.
    explicit WatchList(QString connectionName, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    const QList<WatchedDomain> &entries() const { return m_entries; }
    int count() const { return int(m_entries.size()); }
    Q_INVOKABLE bool contains(const QString &domain) const;

    // Starts watching; the verdict the user saw, if any, is the first one known.
    std::expected<void, QString> watch(const QString &domain, const QString &tld,
                                       std::optional<DomainAvailability> seen, const QDateTime &now);
    std::expected<void, QString> stopWatching(const QString &domain);
    std::expected<void, QString> recordCheck(const QString &domain, DomainAvailability availability, const QDateTime &at);

signals:
    void countChanged();
    // A domain started or stopped being watched.
    void watchedChanged(const QString &domain);

private:
    void load();
    int indexOf(const QString &domain) const;

    QString m_connectionName;
    QList<WatchedDomain> m_entries;
};

} // namespace orvane
