#include "history/HistoryStore.h"

#include "history/CodePoints.h"
#include "history/HistorySchema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QSet>
#include <QRegularExpression>
#include <QUuid>
#include <QVersionNumber>

namespace orvane {

namespace {

QSqlDatabase database(const QString &connection)
{
    return QSqlDatabase::database(connection, false);
}

QString errorText(const QSqlError &error)
{
    const QString database = error.databaseText().trimmed();
    return database.isEmpty() ? error.text().trimmed() : database;
}

// A null QString binds as SQL NULL; the text columns want the empty text instead.
QString text(const QString &value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

// SQLite's word that the file is damaged: SQLITE_CORRUPT or SQLITE_NOTADB, extended codes included.
bool isDamage(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    return ok && (code == 11 || code == 26);
}

// What to say when SQLite cannot read the file: its own word when the file is damaged.
HistoryStore::OpenError readError(const QString &format, const QString &path, const QSqlError &error)
{
    if (isDamage(error))
        return {QStringLiteral("%1 is damaged: %2").arg(path, errorText(error)), true};
    return {format.arg(path, errorText(error))};
}

// The tables and columns save() and fetchAll() use, as the stored version has them.
std::expected<bool, QSqlError> hasOurTables(const QSqlDatabase &db, const QVersionNumber &version)
{
    QHash<QString, QStringList> wanted{
        {QStringLiteral("search_record"), {"id", "query", "timestamp"}},
        {QStringLiteral("domain_result"),
         {"id", "record_id", "tld", "domain", "availability_raw", "raw_response", "error_message", "checked_at"}},
    };
    if (version >= QVersionNumber(1, 1, 0)) {
        wanted[QStringLiteral("domain_result")] << QStringLiteral("expires_at");
        wanted.insert(QStringLiteral("watched_domain"), {"domain", "tld", "added_at", "last_checked_at", "last_availability_raw"});
    }
    if (version >= QVersionNumber(1, 2, 0))
        wanted[QStringLiteral("watched_domain")] << QStringLiteral("last_verdict_raw");
    if (version >= QVersionNumber(1, 3, 0))
        wanted[QStringLiteral("watched_domain")] << QStringLiteral("rdap_statuses") << QStringLiteral("expires_at")
                                                 << QStringLiteral("last_changed_at") << QStringLiteral("deletion_at");
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        QSqlQuery columns(db);
        if (!columns.exec(QStringLiteral("PRAGMA table_info(%1)").arg(it.key())))
            return std::unexpected(columns.lastError());
        QStringList present;
        while (columns.next())
            present << columns.value(1).toString();
        if (columns.lastError().isValid())
            return std::unexpected(columns.lastError());
        for (const QString &column : it.value()) {
            if (!present.contains(column))
                return false;
        }
    }
    return true;
}

QDateTime fromStored(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

} // namespace

QString HistoryStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/history.sqlite");
}

std::expected<std::unique_ptr<HistoryStore>, HistoryStore::OpenError> HistoryStore::open(const QString &path, Options options)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return std::unexpected(OpenError{QStringLiteral("Could not create the folder %1.").arg(info.absolutePath())});
    const auto damaged = [&path](const QString &reason) {
        return OpenError{QStringLiteral("%1 is damaged: %2").arg(path, reason), true};
    };

    // Look at the file before SQLite does: nothing below may write to a file that is not ours.
    if (info.exists() && info.size() > 0) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return std::unexpected(OpenError{QStringLiteral("Could not read %1: %2").arg(path, file.errorString())});
        if (file.read(16) != QByteArray("SQLite format 3\0", 16))
            return std::unexpected(damaged(QStringLiteral("file is not a database"))); // SQLite's words for it
    }

    const QString connection = QStringLiteral("orvane-history-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    // Every query is gone before the connection is dropped on failure.
    const std::optional<OpenError> failure = [&]() -> std::optional<OpenError> {
        const auto failed = [&](const QString &format, const QSqlError &error) { return readError(format, path, error); };
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(options.busyTimeoutMs));
        if (!db.open())
            return failed(QStringLiteral("Could not open %1: %2"), db.lastError());

        QSqlQuery tables(db);
        if (!tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")))
            return failed(QStringLiteral("Could not read %1: %2"), tables.lastError());
        QStringList names;
        while (tables.next())
            names << tables.value(0).toString();
        if (tables.lastError().isValid())
            return failed(QStringLiteral("Could not read %1: %2"), tables.lastError());
        tables.finish(); // a statement left open keeps a read lock that an upgrade would deadlock on

        if (names.contains(QStringLiteral("orvane_meta"))) {
            // Anything this schema cannot read as its own — a newer version, a version that is
            // no number, tables or columns missing — is refused alike: opening it would only
            // make every later save fail.
            QSqlQuery version(db);
            QString stored;
            if (!version.exec(QStringLiteral("SELECT value FROM orvane_meta WHERE key = 'schemaVersion'")))
                return failed(QStringLiteral("Could not read %1: %2"), version.lastError());
            if (version.next())
                stored = version.value(0).toString();
            else if (version.lastError().isValid())
                return failed(QStringLiteral("Could not read %1: %2"), version.lastError());
            version.finish();
            static const QRegularExpression number(QStringLiteral("^[0-9]{1,9}(\\.[0-9]{1,9})*$"));
            const QVersionNumber storedVersion = QVersionNumber::fromString(stored);
            const auto ours = number.match(stored).hasMatch() && storedVersion <= QVersionNumber::fromString(schemaVersion)
                                  ? hasOurTables(db, storedVersion)
                                  : false;
            if (!ours)
                return failed(QStringLiteral("Could not read %1: %2"), ours.error());
            if (!*ours)
                return OpenError{QStringLiteral("%1 was written by a newer version of Orvane (history schema %2).").arg(path, stored)};
            if (storedVersion < QVersionNumber::fromString(schemaVersion)) {
                if (const auto upgraded = HistorySchema::upgrade(db, storedVersion); !upgraded)
                    return OpenError{QStringLiteral("Could not upgrade %1 to history schema %2: %3").arg(path, schemaVersion, upgraded.error())};
            }
        } else if (!names.isEmpty()) {
            return OpenError{QStringLiteral("%1 is not an Orvane history database.").arg(path)};
        } else {
            if (const auto created = HistorySchema::create(db); !created)
                return OpenError{QStringLiteral("Could not create %1: %2").arg(path, created.error())};
        }

        QSqlQuery pragma(db);
        pragma.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
        if (!pragma.exec(QStringLiteral("PRAGMA foreign_keys = ON")))
            return failed(QStringLiteral("Could not open %1: %2"), pragma.lastError());
        return std::nullopt;
    }();
    if (failure) {
        QSqlDatabase::database(connection, false).close();
        QSqlDatabase::removeDatabase(connection);
        return std::unexpected(*failure);
    }
    return std::unique_ptr<HistoryStore>(new HistoryStore(path, connection));
}

QString HistoryStore::asidePath(const QString &path, const QDateTime &now)
{
    const QFileInfo info(path);
    const QString stamp = now.toLocalTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString aside;
    for (int n = 1; aside.isEmpty() || QFileInfo::exists(aside); ++n) {
        aside = info.dir().filePath(QStringLiteral("%1-damaged-%2%3.%4")
                                        .arg(info.completeBaseName(), stamp,
                                             n > 1 ? QStringLiteral("-%1").arg(n) : QString(), info.suffix()));
    }
    return aside;
}

std::expected<void, QString> HistoryStore::moveAside(const QString &path, const QString &aside)
{
    // The journal goes with the file it belongs to: left behind, SQLite would replay it into the
    // new history.
    for (const QString &extra : {QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")}) {
        QFile journal(path + extra);
        if (journal.exists() && !journal.rename(aside + extra))
            return std::unexpected(QStringLiteral("Could not move %1 aside: %2").arg(journal.fileName(), journal.errorString()));
    }
    QFile file(path);
    if (!file.rename(aside))
        return std::unexpected(QStringLiteral("Could not move %1 aside: %2").arg(path, file.errorString()));
    return {};
}

HistoryStore::HistoryStore(QString path, QString connectionName)
    : m_path(std::move(path)), m_connectionName(std::move(connectionName))
{
}

HistoryStore::~HistoryStore()
{
    database(m_connectionName).close();
    QSqlDatabase::removeDatabase(m_connectionName);
}

void HistoryStore::insert(SearchRecord *record)
{
    if (record->m_store == this)
        return;
    record->m_store = this;
    record->setParent(this);
    m_pendingRecords.append(record);
    for (DomainResult *result : record->m_results)
        insert(result);
    emit recordInserted(record);
    emit changed();
}

void HistoryStore::insert(DomainResult *result)
{
    // A search still running when its record was deleted keeps delivering results; writing
    // them would point at a record that is gone and fail every later save.
    if (result->m_record && result->m_record->m_removed)
        return;
    if (result->m_id == 0 && !m_pendingResultSet.contains(result)) {
        m_pendingResults.append(result);
        m_pendingResultSet.insert(result);
    }
}

DomainResult *HistoryStore::recordResult(SearchRecord *record, const QString &tld, const QString &domain,
                                         DomainAvailability availability, const QString &text,
                                         const std::optional<QString> &error, const QDateTime &expiresAt)
{
    auto *result = new DomainResult(tld, domain, rawString(availability), leftCodePoints(text, storedResponseLimit), error,
                                    QDateTime::currentDateTimeUtc());
    result->setExpiresAt(expiresAt);
    record->addResult(result); // the record tells its store
    return result;
}

void HistoryStore::resultAdded(SearchRecord *record, DomainResult *result)
{
    Q_UNUSED(record)
    insert(result);
}

void HistoryStore::remove(SearchRecord *record)
{
    if (record->m_store != this || record->m_removed)
        return;
    record->m_removed = true;
    if (m_pendingRecords.removeOne(record)) {
        m_pendingResults.removeIf([this, record](DomainResult *r) {
            if (r->record() != record)
                return false;
            m_pendingResultSet.remove(r);
            return true;
        });
    } else if (!m_pendingRemovals.contains(record)) {
        m_pendingRemovals.append(record);
    }
    m_identity.remove(record->m_id);
    emit recordRemoved(record);
    emit changed();
}

void HistoryStore::cancelRemovals()
{
    const QList<SearchRecord *> restored = std::exchange(m_pendingRemovals, {});
    for (SearchRecord *record : restored) {
        record->m_removed = false;
        m_identity.insert(record->m_id, record);
        emit recordInserted(record);
    }
    if (!restored.isEmpty())
        emit changed();
}

bool HistoryStore::hasChanges() const
{
    return !m_pendingRecords.isEmpty() || !m_pendingResults.isEmpty() || !m_pendingRemovals.isEmpty();
}

std::expected<void, QString> HistoryStore::save()
{
    if (!hasChanges())
        return {};
    QSqlDatabase db = database(m_connectionName);
    if (!db.transaction())
        return std::unexpected(errorText(db.lastError()));

    // Ids are handed out only once the transaction has committed.
    QHash<SearchRecord *, qint64> newRecordIds;
    QHash<DomainResult *, qint64> newResultIds;
    auto rollback = [&db](const QSqlError &error) {
        db.rollback();
        return std::unexpected(errorText(error));
    };

    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT INTO search_record (query, timestamp) VALUES (?, ?)"));
    for (SearchRecord *record : std::as_const(m_pendingRecords)) {
        query.addBindValue(text(record->query()));
        query.addBindValue(record->timestamp().toMSecsSinceEpoch());
        if (!query.exec())
            return rollback(query.lastError());
        newRecordIds.insert(record, query.lastInsertId().toLongLong());
    }

    query.prepare(QStringLiteral("INSERT INTO domain_result (record_id, tld, domain, availability_raw, raw_response,"
                                 " error_message, checked_at, expires_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    for (DomainResult *result : std::as_const(m_pendingResults)) {
        SearchRecord *record = result->record();
        if (record && record->m_removed)
            continue; // inserted first, linked to a deleted record afterwards
        QVariant recordId;
        if (record)
            recordId = record->m_id ? record->m_id : newRecordIds.value(record);
        query.addBindValue(recordId);
        query.addBindValue(text(result->tld()));
        query.addBindValue(text(result->domain()));
        query.addBindValue(text(result->availabilityRaw()));
        query.addBindValue(text(result->rawResponse()));
        query.addBindValue(result->errorMessage() ? QVariant(*result->errorMessage()) : QVariant());
        query.addBindValue(result->checkedAt().toMSecsSinceEpoch());
        query.addBindValue(result->expiresAt().isValid() ? QVariant(result->expiresAt().toMSecsSinceEpoch())
                                                         : QVariant(QMetaType(QMetaType::LongLong)));
        if (!query.exec())
            return rollback(query.lastError());
        newResultIds.insert(result, query.lastInsertId().toLongLong());
    }

    query.prepare(QStringLiteral("DELETE FROM search_record WHERE id = ?"));
    for (SearchRecord *record : std::as_const(m_pendingRemovals)) {
        query.addBindValue(record->m_id);
        if (!query.exec())
            return rollback(query.lastError());
    }

    if (!db.commit())
        return rollback(db.lastError());

    for (auto it = newRecordIds.cbegin(); it != newRecordIds.cend(); ++it) {
        it.key()->m_id = it.value();
        m_identity.insert(it.value(), it.key());
    }
    for (auto it = newResultIds.cbegin(); it != newResultIds.cend(); ++it)
        it.key()->m_id = it.value();
    m_pendingRecords.clear();
    m_pendingResults.clear();
    m_pendingResultSet.clear();
    m_pendingRemovals.clear();
    emit saved();
    emit changed();
    return {};
}

QList<SearchRecord *> HistoryStore::fetchAll()
{
    QList<SearchRecord *> records;
    QSqlQuery query(database(m_connectionName));
    query.setForwardOnly(true);
    const bool ok = query.exec(QStringLiteral(
        "SELECT r.id, r.query, r.timestamp, COUNT(d.id), COALESCE(SUM(d.availability_raw = 'available'), 0)"
        " FROM search_record r LEFT JOIN domain_result d ON d.record_id = r.id"
        " GROUP BY r.id ORDER BY r.timestamp DESC, r.id DESC"));
    if (!ok)
        m_readFailure = readError(QStringLiteral("Could not read %1: %2"), m_path, query.lastError());
    if (ok) {
        QSet<qint64> removed;
        for (SearchRecord *record : std::as_const(m_pendingRemovals))
            removed.insert(record->m_id);
        while (query.next()) {
            const qint64 id = query.value(0).toLongLong();
            if (removed.contains(id))
                continue;
            SearchRecord *record = m_identity.value(id);
            if (!record) {
                record = new SearchRecord(query.value(1).toString(), fromStored(query.value(2).toLongLong()), this);
                record->m_id = id;
                record->m_store = this;
                record->m_resultsLoaded = false;
                m_identity.insert(id, record);
            }
            if (!record->m_resultsLoaded) {
                record->m_storedResultCount = query.value(3).toInt();
                record->m_storedAvailableCount = query.value(4).toInt();
            }
            records.append(record);
        }
        if (query.lastError().isValid())
            m_readFailure = readError(QStringLiteral("Could not read %1: %2"), m_path, query.lastError());
        else
            m_readFailure.reset();
    }
    for (SearchRecord *record : std::as_const(m_pendingRecords))
        records.append(record);
    std::stable_sort(records.begin(), records.end(), [](const SearchRecord *a, const SearchRecord *b) {
        return a->timestamp() > b->timestamp();
    });
    return records;
}

void HistoryStore::loadResults(SearchRecord *record)
{
    if (!record->m_id)
        return;
    QSqlQuery query(database(m_connectionName));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id, tld, domain, availability_raw, raw_response, error_message, checked_at,"
                                 " expires_at FROM domain_result WHERE record_id = ? ORDER BY id"));
    query.addBindValue(record->m_id);
    if (!query.exec())
        return;
    while (query.next()) {
        const QVariant error = query.value(5);
        auto *result = new DomainResult(query.value(1).toString(), query.value(2).toString(), query.value(3).toString(),
                                        query.value(4).toString(),
                                        error.isNull() ? std::nullopt : std::optional<QString>(error.toString()),
                                        fromStored(query.value(6).toLongLong()), record);
        result->m_id = query.value(0).toLongLong();
        if (!query.value(7).isNull())
            result->m_expiresAt = fromStored(query.value(7).toLongLong());
        result->m_record = record;
        record->m_results.append(result);
    }
}

} // namespace orvane
