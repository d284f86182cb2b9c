#pragma once

#include "history/DomainResult.h"
#include "history/SearchRecord.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QObject>

#include <expected>
#include <memory>

namespace orvane {

// The saved searches, in a local SQLite file. Works like an object context: inserted
// and removed objects stay pending in memory until save() writes them all in one
// transaction. A failed save keeps everything pending and what was saved before intact.
class HistoryStore : public QObject
{
    Q_OBJECT
public:
    static inline const QString schemaVersion = QStringLiteral("1.3.0");
    // A stored answer keeps this many characters; the live row shows the whole text.
    static constexpr int storedResponseLimit = 8000;

    struct Options {
        int busyTimeoutMs = 5000; // how long an upgrade or a save waits for another writer
    };

    struct OpenError {
        QString message;
        bool damaged = false; // SQLite finds the file damaged; moveAside() makes room for a new one
    };

    // Opens the file, creating it when missing, and upgrades a file of an older schema in place.
    // A file that is not one of our history databases, one whose schema this version cannot
    // read (newer, a version that is no number, tables or columns missing), or one whose upgrade
    // fails is refused and left untouched.
    static std::expected<std::unique_ptr<HistoryStore>, OpenError> open(const QString &path, Options options);
    static std::expected<std::unique_ptr<HistoryStore>, OpenError> open(const QString &path) { return open(path, Options{}); }
    // Where a damaged file goes so that a new history can start: NAME-damaged-DATE.sqlite beside
    // it, a name not taken yet. moveAside() renames the file there, with its journal; nothing is
    // deleted.
    static QString asidePath(const QString &path, const QDateTime &now);
    static std::expected<void, QString> moveAside(const QString &path, const QString &aside);
    // history.sqlite in the application-data folder.
    static QString defaultPath();

    ~HistoryStore() override;

    QString path() const { return m_path; }
    // The database connection, for the tables that keep their own rows (the watch list).
    QString connectionName() const { return m_connectionName; }

    // Takes ownership; the record is pending until the next save().
    void insert(SearchRecord *record);
    void insert(DomainResult *result);
    // One finished check of `record`'s search, stored with it (the answer cut to
    // storedResponseLimit characters, checked now). When the record is in a store, the result
    // is pending there until the next save(); a record deleted meanwhile writes nothing.
    static DomainResult *recordResult(SearchRecord *record, const QString &tld, const QString &domain,
                                      DomainAvailability availability, const QString &text,
                                      const std::optional<QString> &error, const QDateTime &expiresAt);
    // The record and its results disappear at once from fetchAll(), from the file at save().
    // Results added to it afterwards (a search still running) are never written.
    void remove(SearchRecord *record);
    std::expected<void, QString> save();
    bool hasChanges() const;
    // After a failed save: the stored records whose removal was not written come back, so that
    // the list shows what the file still holds.
    void cancelRemovals();

    // Every record, newest first, pending inserts included.
    QList<SearchRecord *> fetchAll();
    // Why the last fetchAll() could not read the stored records, when it could not (a damaged
    // file says so); nothing after one that could.
    std::optional<OpenError> readFailure() const { return m_readFailure; }

signals:
    // Something changed; the finer signals below say what, so a list can follow cheaply.
    void changed();
    void recordInserted(orvane::SearchRecord *record);
    void recordRemoved(orvane::SearchRecord *record);
    void saved();

private:
    friend class SearchRecord;
    HistoryStore(QString path, QString connectionName);
    void loadResults(SearchRecord *record);
    void resultAdded(SearchRecord *record, DomainResult *result);

    QString m_path;
    QString m_connectionName;
    QHash<qint64, SearchRecord *> m_identity;
    QList<SearchRecord *> m_pendingRecords;
    QList<DomainResult *> m_pendingResults;
    QSet<DomainResult *> m_pendingResultSet; // membership without a scan of the list
    QList<SearchRecord *> m_pendingRemovals;
    std::optional<OpenError> m_readFailure;
};

} // namespace orvane
