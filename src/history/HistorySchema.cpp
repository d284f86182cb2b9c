#include "history/HistorySchema.h"

#include <QSqlError>
#include <QSqlQuery>

#include <span>

namespace orvane {

namespace {

// The first version's tables, as the first release wrote them.
const char *const firstVersion[] = {
    "CREATE TABLE orvane_meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)",
    "CREATE TABLE search_record (id INTEGER PRIMARY KEY, query TEXT NOT NULL, timestamp INTEGER NOT NULL)",
    "CREATE INDEX search_record_by_time ON search_record (timestamp DESC)",
    "CREATE TABLE domain_result (id INTEGER PRIMARY KEY,"
    " record_id INTEGER REFERENCES search_record (id) ON DELETE CASCADE,"
    " tld TEXT NOT NULL, domain TEXT NOT NULL, availability_raw TEXT NOT NULL,"
    " raw_response TEXT NOT NULL, error_message TEXT, checked_at INTEGER NOT NULL)",
    "CREATE INDEX domain_result_by_record ON domain_result (record_id)",
    "INSERT INTO orvane_meta (key, value) VALUES ('schemaVersion', '1.0.0')",
};

// 1.1.0: when a taken domain's registration expires, and the domains the user watches.
const char *const toVersion110[] = {
    "ALTER TABLE domain_result ADD COLUMN expires_at INTEGER",
    "CREATE TABLE watched_domain (domain TEXT PRIMARY KEY, tld TEXT NOT NULL, added_at INTEGER NOT NULL,"
    " last_checked_at INTEGER, last_availability_raw TEXT)",
};

// 1.2.0: a watched domain's last definitive verdict (free or taken), kept apart from the last
// answer, which may be unclear or an error; a notification compares with the verdict.
const char *const toVersion120[] = {
    "ALTER TABLE watched_domain ADD COLUMN last_verdict_raw TEXT",
    "UPDATE watched_domain SET last_verdict_raw = last_availability_raw"
    " WHERE last_availability_raw IN ('available', 'taken')",
};

// 1.3.0: what a watched domain's registry last said of the registration (its RDAP status values
// and the dates of its expiration, last change and deletion), from which its release is estimated.
const char *const toVersion130[] = {
    "ALTER TABLE watched_domain ADD COLUMN rdap_statuses TEXT",
    "ALTER TABLE watched_domain ADD COLUMN expires_at INTEGER",
    "ALTER TABLE watched_domain ADD COLUMN last_changed_at INTEGER",
    "ALTER TABLE watched_domain ADD COLUMN deletion_at INTEGER",
};

struct Step {
    QVersionNumber version;
    std::span<const char *const> statements;
};

const Step steps[] = {
    {QVersionNumber(1, 1, 0), toVersion110},
    {QVersionNumber(1, 2, 0), toVersion120},
    {QVersionNumber(1, 3, 0), toVersion130},
};

QString errorText(const QSqlError &error)
{
    const QString database = error.databaseText().trimmed();
    return database.isEmpty() ? error.text().trimmed() : database;
}

std::expected<void, QString> runSteps(QSqlDatabase &db, QVersionNumber from, bool fresh)
{
    // The write lock comes first, so that a second program opening the file at the same moment
    // waits for this upgrade (the busy timeout) instead of failing halfway through its own, and
    // then finds the work done.
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return std::unexpected(errorText(query.lastError()));
    if (query.exec(QStringLiteral("SELECT value FROM orvane_meta WHERE key = 'schemaVersion'")) && query.next()) {
        from = QVersionNumber::fromString(query.value(0).toString());
        fresh = false;
    }
    query.finish();
    const QVersionNumber current = QVersionNumber::fromString(HistorySchema::currentVersion());
    if (!fresh && from >= current) {
        db.rollback();
        if (from > current) // a newer program got there first
            return std::unexpected(QStringLiteral("it was written by a newer version of Orvane (history schema %1)").arg(from.toString()));
        return {}; // another program did it while this one waited
    }
    auto run = [&](std::span<const char *const> statements) {
        for (const char *statement : statements) {
            if (!query.exec(QString::fromLatin1(statement)))
                return false;
        }
        return true;
    };
    bool ok = !fresh || run(firstVersion);
    for (const Step &step : steps) {
        if (!ok)
            break;
        if (step.version <= from)
            continue;
        ok = run(step.statements);
    }
    if (ok) {
        query.prepare(QStringLiteral("UPDATE orvane_meta SET value = ? WHERE key = 'schemaVersion'"));
        query.addBindValue(HistorySchema::currentVersion());
        ok = query.exec() && query.numRowsAffected() == 1;
    }
    if (!ok || !db.commit()) {
        const QString error = !ok ? errorText(query.lastError()) : errorText(db.lastError());
        db.rollback();
        return std::unexpected(error.isEmpty() ? QStringLiteral("the schema version could not be recorded") : error);
    }
    return {};
}

} // namespace

const QString &HistorySchema::currentVersion()
{
    static const QString version = QStringLiteral("1.3.0");
    return version;
}

std::expected<void, QString> HistorySchema::create(QSqlDatabase db)
{
    return runSteps(db, QVersionNumber(1, 0, 0), true);
}

std::expected<void, QString> HistorySchema::upgrade(QSqlDatabase db, const QVersionNumber &from)
{
    return runSteps(db, from, false);
}

} // namespace orvane
