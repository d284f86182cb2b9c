#pragma once

#include "engine/DomainAvailability.h"
#include "watch/ReleaseEstimate.h"

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
    std::optional<DomainAvailability> lastAvailability; // the last answer, unclear and errors included
    std::optional<DomainAvailability> lastVerdict; // the last definitive one: available or taken
    RegistrationLifecycle lifecycle; // what the last "taken" answer said of the registration

    // When the name should come free, from its last "taken" answer; see estimateRelease().
    std::optional<ReleaseEstimate> releaseEstimate() const { return estimateRelease(tld, lifecycle, lastCheckedAt); }
};

// The domains the user watches, kept in the history file's watched_domain table and shown as
// the sidebar's "Watching" list, in the order they were added. Changes are written at once.
class WatchList : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    // Why the list or a check could not be read or written, with the file's path; else empty.
    Q_PROPERTY(QString problem READ problem NOTIFY problemChanged)

public:
    // AvailabilityRole: the last answer, a DomainAvailability, undefined before the first check.
    // ShownDomainRole: the domain as shown, a look-alike with its ASCII form beside it.
    // ReleasePhaseRole: releasePhaseKey() of a name on its way to release, "" otherwise (a
    // country's name past its expiry, whose rules are its own, included); ReleaseAroundRole,
    // ReleaseBasisRole ("deletionEvent", "pendingDelete", "redemption", "expiry") and
    // ReleaseSinceRole: its estimate, invalid and "" without one.
    enum Role { DomainRole = Qt::UserRole + 1, TldRole, AvailabilityRole, LastCheckedRole, ShownDomainRole,
                ReleasePhaseRole, ReleaseAroundRole, ReleaseBasisRole, ReleaseSinceRole };

    // `connectionName` names an open QSqlDatabase connection to a history file.
    explicit WatchList(QString connectionName, QObject *parent = nullptr);

    // The watched domains of the history file on that connection, without writing to it: none
    // for a file from before watching existed; SQLite's reason when it cannot be read.
    static std::expected<QList<WatchedDomain>, QString> read(const QString &connectionName);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    const QList<WatchedDomain> &entries() const { return m_entries; }
    int count() const { return int(m_entries.size()); }
    QString problem() const { return m_problem; }
    Q_INVOKABLE bool contains(const QString &domain) const;

    // Starts watching; the verdict the user saw, if any, is the first one known.
    std::expected<void, QString> watch(const QString &domain, const QString &tld,
                                       std::optional<DomainAvailability> seen, const QDateTime &now);
    std::expected<void, QString> stopWatching(const QString &domain);
    // Keeps the answer, and as the verdict when it is one, in the list even when the file
    // cannot take it (then `problem` says so): the program goes on from what it last saw.
    // A "taken" answer brings what it said of the registration; a free name has none; an
    // unclear answer, an error, or a "taken" that says nothing more (WHOIS standing in for a
    // failed RDAP) leaves the last one, so that a phase once announced is not announced again.
    std::expected<void, QString> recordCheck(const QString &domain, DomainAvailability availability, const QDateTime &at,
                                             const RegistrationLifecycle &lifecycle = {});

signals:
    void countChanged();
    void problemChanged();
    // A domain started or stopped being watched.
    void watchedChanged(const QString &domain);

private:
    int indexOf(const QString &domain) const;
    void setProblem(const QString &problem);

    QString m_connectionName;
    QList<WatchedDomain> m_entries;
    QString m_problem;
};

} // namespace orvane
