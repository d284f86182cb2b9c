#include "history/HistoryListModel.h"
#include "history/HistoryStore.h"
#include "RawDatabase.h"

#include <QFile>
#include <QSqlQuery>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

namespace {

QDateTime at(int minutes)
{
    return QDateTime(QDate(2026, 12, 1), QTime(9, 0), Qt::UTC).addSecs(minutes * 60).addMSecs(123);
}

QByteArray bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

SearchRecord *addSearch(HistoryStore &store, const QString &query, const QDateTime &when, const QStringList &availabilities)
{
    auto *record = new SearchRecord(query, when);
    store.insert(record);
    int i = 0;
    for (const QString &availability : availabilities) {
        const QString tld = QStringLiteral(".t%1").arg(i++);
        const auto error = availability == "error" ? std::optional<QString>("WHOIS query timed out") : std::nullopt;
        auto *result = new DomainResult(tld, query + tld, availability, "raw " + tld, error, when.addSecs(1));
        if (availability == "taken")
            result->setExpiresAt(when.addDays(365));
        store.insert(result);
        record->addResult(result);
    }
    return record;
}

// Each result as its fields joined by "|", record by record, newest record first.
QStringList read(const QList<SearchRecord *> &records)
{
    QStringList fields;
    for (SearchRecord *record : records)
        for (DomainResult *r : record->results())
            fields << QStringList{record->query(), r->domain(), r->availabilityRaw(), rawString(r->availability()), r->rawResponse(),
                                  r->errorMessage().value_or("-"), r->expiresAt().toString(Qt::ISODateWithMs)}.join('|');
    return fields;
}

} // namespace

class TestHistoryStore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

private slots:
    void init()
    {
        m_path = m_dir.filePath(QStringLiteral("%1-%2/history.sqlite").arg(QTest::currentTestFunction(), QTest::currentDataTag()));
    }

    void saveCloseReopenReadsBackIdentically()
    {
        {
            auto store = *HistoryStore::open(m_path);
            addSearch(*store, "older", at(0), {"taken"});
            addSearch(*store, "newer", at(5), {"available", "taken", "error", "unknown", "bogus"});
            QSignalSpy changed(store.get(), &HistoryStore::changed);
            QVERIFY(store->save());
            QCOMPARE(changed.count(), 1);
            QVERIFY(!store->hasChanges());
        }
        RawDatabase raw(m_path);
        QCOMPARE(raw.rows("SELECT value FROM orvane_meta WHERE key = 'schemaVersion'"), QStringList{"1.3.0"});
        QCOMPARE(raw.rows("PRAGMA journal_mode"), QStringList{"wal"});
        auto store = *HistoryStore::open(m_path);
        const QList<SearchRecord *> records = store->fetchAll();
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[0]->timestamp(), at(5));
        QCOMPARE(records[0]->availableCount(), 1); // counted in the file, before the results are read
        QCOMPARE(records[0]->results().at(4)->record(), records[0]);
        QCOMPARE(records[0]->results().at(4)->checkedAt(), at(5).addSecs(1));
        // The stored text that is no raw string reads back as unknown.
        QCOMPARE(read(records), (QStringList{"newer|newer.t0|available|available|raw .t0|-|",
                                             "newer|newer.t1|taken|taken|raw .t1|-|2027-12-01T09:05:00.123Z",
                                             "newer|newer.t2|error|error|raw .t2|WHOIS query timed out|",
                                             "newer|newer.t3|unknown|unknown|raw .t3|-|",
                                             "newer|newer.t4|bogus|unknown|raw .t4|-|",
                                             "older|older.t0|taken|taken|raw .t0|-|2027-12-01T09:00:00.123Z"}));
        QCOMPARE(store->fetchAll(), records); // one object per stored record
    }

    // Opening a first-release file upgrades it in place, reads every record as before, and
    // leaves it with the same tables a new file gets.
    void upgradeKeepsEveryRecord()
    {
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        QVERIFY(QFile::copy(QStringLiteral(ORVANE_TEST_DATA "/history-1.0.0.sqlite"), m_path));
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
        const QString everyRecord = QStringLiteral("SELECT r.query, r.timestamp, d.tld, d.domain, d.availability_raw, d.raw_response,"
                                                   " d.error_message, d.checked_at FROM search_record r JOIN domain_result d ON d.record_id = r.id ORDER BY d.id");
        const QStringList before = RawDatabase(m_path).rows(everyRecord);
        QCOMPARE(before.size(), 5);
        {
            auto store = HistoryStore::open(m_path);
            QVERIFY2(store, store ? "" : qPrintable(store.error().message));
            QCOMPARE(read((*store)->fetchAll()),
                     (QStringList{"bücherei|bücherei.de|unknown|unknown|Status: connect\n€ ünïcode|-|",
                                  "bücherei|bücherei.com|available|available|No match for \"XN--BCHEREI-C2A.COM\".|-|",
                                  "lumalink|lumalink.com|taken|taken|Domain Name: LUMALINK.COM\nRegistrar: Example Registrar|-|",
                                  "lumalink|lumalink.ai|available|available|Domain not registered. (RDAP returned 404.)|-|",
                                  "lumalink|lumalink.io|error|error||WHOIS query timed out|"}));
        }
        RawDatabase raw(m_path);
        QCOMPARE(raw.rows(everyRecord), before);
        QCOMPARE(raw.rows("SELECT value FROM orvane_meta WHERE key = 'schemaVersion'"), QStringList{"1.3.0"});
        const QString fresh = m_dir.filePath(QStringLiteral("fresh.sqlite"));
        QVERIFY(HistoryStore::open(fresh));
        const QString tables = QStringLiteral("SELECT name, sql FROM sqlite_master ORDER BY name");
        QCOMPARE(RawDatabase(fresh).rows(tables), raw.rows(tables));
    }

    // A file of the release before opens: only the step it lacks runs.
    void previousSchemaOpens()
    {
        QVERIFY(HistoryStore::open(m_path));
        {
            RawDatabase raw(m_path);
            for (const char *column : {"rdap_statuses", "expires_at", "last_changed_at", "deletion_at"})
                QVERIFY(raw.exec(QStringLiteral("ALTER TABLE watched_domain DROP COLUMN ") + QLatin1String(column)));
            QVERIFY(raw.exec("UPDATE orvane_meta SET value = '1.2.0' WHERE key = 'schemaVersion'"));
        }
        const auto store = HistoryStore::open(m_path);
        QVERIFY2(store, store ? "" : qPrintable(store.error().message));
        RawDatabase raw(m_path);
        QCOMPARE(raw.rows("SELECT value FROM orvane_meta WHERE key = 'schemaVersion'"), QStringList{"1.3.0"});
        QCOMPARE(raw.rows("SELECT COUNT(deletion_at) FROM watched_domain"), QStringList{"0"});
    }

    void refusedFilesAreLeftUntouched_data()
    {
        QTest::addColumn<QByteArray>("content"); // the file's bytes, or SQL run on a new database
        QTest::addColumn<QString>("message");    // %1: the file's path
        const QByteArray meta = "CREATE TABLE orvane_meta (key TEXT PRIMARY KEY, value TEXT NOT NULL);";
        const QByteArray tables = "CREATE TABLE search_record (id INTEGER PRIMARY KEY, query TEXT, timestamp INTEGER);"
                                  "CREATE TABLE domain_result (id INTEGER PRIMARY KEY, record_id INTEGER, tld TEXT, domain TEXT,"
                                  " availability_raw TEXT, raw_response TEXT, error_message TEXT, checked_at INTEGER);";
        auto version = [&](const char *value) { return meta + tables + "INSERT INTO orvane_meta VALUES ('schemaVersion', '" + value + "');"; };
        const QString notOurs = "%1 is not an Orvane history database.";
        const QString newer = "%1 was written by a newer version of Orvane (history schema %2).";
        QTest::newRow("text file") << QByteArray("these are my notes, not a database\n") << "%1 is damaged: file is not a database";
        QTest::newRow("corrupt header") << QByteArray("SQLite format 3\0", 16) + QByteArray(4096, '\x5a')
                                        << "%1 is damaged: file is not a database";
        QTest::newRow("corrupt page") << QByteArray("PAGE:orvane_meta") << "%1 is damaged: database disk image is malformed";
        QTest::newRow("someone else's database") << QByteArray("SQL:CREATE TABLE photos (id INTEGER PRIMARY KEY);") << notOurs;
        QTest::newRow("newer schema") << "SQL:" + version("2.0.0") << newer.arg("%1", "2.0.0");
        QTest::newRow("version v2") << "SQL:" + version("v2") << newer.arg("%1", "v2");
        QTest::newRow("empty version") << "SQL:" + version("") << newer.arg("%1", "");
        QTest::newRow("no tables") << "SQL:" + meta + "INSERT INTO orvane_meta VALUES ('schemaVersion', '1.0.0');" << newer.arg("%1", "1.0.0");
        QTest::newRow("column missing") << "SQL:" + version("1.0.0") + "ALTER TABLE domain_result DROP COLUMN checked_at;"
                                        << newer.arg("%1", "1.0.0");
        QTest::newRow("1.1.0 without its watch list") << "SQL:" + version("1.1.0") + "ALTER TABLE domain_result ADD COLUMN expires_at INTEGER;"
                                                      << newer.arg("%1", "1.1.0");
        QTest::newRow("upgrade fails midway") << "SQL:" + version("1.0.0") + "CREATE TABLE watched_domain (x);"
                                              << "Could not upgrade %1 to history schema 1.3.0: table watched_domain already exists";
    }
    void refusedFilesAreLeftUntouched()
    {
        QFETCH(QByteArray, content); QFETCH(QString, message);
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        if (content.startsWith("PAGE:")) { // a history file with one table's page overwritten
            QVERIFY(HistoryStore::open(m_path));
            QVERIFY(RawDatabase::damage(m_path, QString::fromLatin1(content.mid(5))));
        } else if (content.startsWith("SQL:")) {
            RawDatabase raw(m_path);
            for (const QByteArray &statement : content.mid(4).split(';'))
                QVERIFY2(statement.isEmpty() || raw.exec(QString::fromUtf8(statement)), statement.constData());
        } else {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        }
        const QByteArray before = bytes(m_path);
        const auto store = HistoryStore::open(m_path);
        QVERIFY(!store);
        QCOMPARE(store.error().message, message.arg(m_path));
        QVERIFY(bytes(m_path) == before);
        QVERIFY(!QFile::exists(m_path + "-wal"));
        QCOMPARE(store.error().damaged, message.contains("damaged"));
    }

    void failedSaveKeepsPendingAndSavedData_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("undo");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("ownConnection"); // the fault on the store's own connection
        QTest::newRow("another writer holds the file") << "BEGIN EXCLUSIVE" << "ROLLBACK" << "locked" << false;
        QTest::newRow("its transaction cannot start") << "BEGIN" << "ROLLBACK" << "cannot start a transaction within a transaction" << true;
        // The record and the first result are written before the second result fails:
        // only the one transaction keeps them out of the file.
        QTest::newRow("fails halfway") << "CREATE TRIGGER fail BEFORE INSERT ON domain_result WHEN NEW.tld = '.t1'"
                                          " BEGIN SELECT RAISE(ABORT, 'disk trouble'); END"
                                       << "DROP TRIGGER fail" << "disk trouble" << false;
    }
    void failedSaveKeepsPendingAndSavedData()
    {
        QFETCH(QString, fault); QFETCH(QString, undo); QFETCH(QString, message); QFETCH(bool, ownConnection);
        auto store = *HistoryStore::open(m_path, HistoryStore::Options{50});
        addSearch(*store, "first", at(0), {"available"});
        QVERIFY(store->save());

        addSearch(*store, "second", at(1), {"taken", "available"});
        RawDatabase other(m_path);
        QSqlQuery own(QSqlDatabase::database(store->connectionName()));
        QVERIFY(ownConnection ? own.exec(fault) : other.exec(fault));
        const auto failed = store->save();
        QVERIFY2(!failed && failed.error().contains(message), failed ? "saved" : qPrintable(failed.error()));
        QVERIFY(store->hasChanges());
        QCOMPARE(store->fetchAll().size(), 2);
        QVERIFY(ownConnection ? own.exec(undo) : other.exec(undo));
        const QString counts = QStringLiteral("SELECT (SELECT COUNT(*) FROM search_record), (SELECT COUNT(*) FROM domain_result)");
        QCOMPARE(other.rows(counts), QStringList{"1|1"});

        QVERIFY(store->save());
        QVERIFY(!store->hasChanges());
        QCOMPARE(other.rows(counts), QStringList{"2|3"});
    }

    void listModelFollowsTheStore()
    {
        auto store = *HistoryStore::open(m_path);
        HistoryListModel model(store.get());
        QSignalSpy count(&model, &HistoryListModel::countChanged);
        SearchRecord *a = addSearch(*store, "alpha", at(0), {"available", "taken"});
        addSearch(*store, "beta", at(3), {"taken"});
        QVERIFY(store->save());
        QCOMPARE(model.count(), 2);
        QCOMPARE(model.data(model.index(0), HistoryListModel::QueryRole).toString(), QStringLiteral("beta"));
        QCOMPARE(model.data(model.index(1), HistoryListModel::AvailableCountRole).toInt(), 1);
        QCOMPARE(model.data(model.index(1), HistoryListModel::ResultCountRole).toInt(), 2);
        store->remove(a);
        QCOMPARE(model.count(), 1);
        QCOMPARE(count.count(), 3);
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "tst_historystore.moc"
