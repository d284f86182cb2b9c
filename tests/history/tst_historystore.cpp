#include "HistoryListModel.h"
#include "HistoryStore.h"
#include "RawDatabase.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

namespace {

QDateTime at(int minutes)
{
    return QDateTime(QDate(2026, 12, 1), QTime(9, 0), Qt::UTC).addSecs(minutes * 60).addMSecs(123);
}

QByteArray digest(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

SearchRecord *addSearch(HistoryStore &store, const QString &query, const QDateTime &when, const QStringList &availabilities)
{
    auto *record = new SearchRecord(query, when);
    store.insert(record);
    int i = 0;
    for (const QString &availability : availabilities) {
        const QString tld = QStringLiteral(".t%1").arg(i++);
        auto *result = new DomainResult(tld, query + tld, availability, "raw " + tld,
                                        availability == "error" ? std::optional<QString>("WHOIS query timed out") : std::nullopt,
                                        when.addSecs(1));
        store.insert(result);
        record->addResult(result);
    }
    return record;
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

    void newFileRecordsSchemaVersionAndUsesWAL()
    {
        auto store = HistoryStore::open(m_path);
        QVERIFY2(store, qPrintable(store.error()));
        RawDatabase raw(m_path);
        QCOMPARE(raw.scalar("SELECT value FROM orvane_meta WHERE key = 'schemaVersion'").toString(), QStringLiteral("1.1.0"));
        QCOMPARE(raw.scalar("PRAGMA journal_mode").toString(), QStringLiteral("wal"));
    }

    void newRecordHasNoResultsUntilTheFirstArrives()
    {
        auto store = *HistoryStore::open(m_path);
        auto *record = new SearchRecord("orvane", at(0));
        store->insert(record);
        QVERIFY(record->results().isEmpty());
        QCOMPARE(store->fetchAll(), QList<SearchRecord *>{record});
        auto *result = new DomainResult(".com", "orvane.com", "available", "free", std::nullopt, at(1));
        store->insert(result);
        record->addResult(result);
        QCOMPARE(record->results(), QList<DomainResult *>{result});
        QCOMPARE(result->record(), record);
        QCOMPARE(record->availableCount(), 1);
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
        auto store = *HistoryStore::open(m_path);
        const QList<SearchRecord *> records = store->fetchAll();
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[0]->query(), QStringLiteral("newer"));
        QCOMPARE(records[0]->timestamp(), at(5));
        QCOMPARE(records[0]->resultCount(), 5);
        QCOMPARE(records[0]->availableCount(), 1);
        QCOMPARE(records[1]->query(), QStringLiteral("older"));

        const QList<DomainResult *> results = records[0]->results();
        QCOMPARE(results.size(), 5);
        QStringList seen;
        for (DomainResult *r : results) {
            QCOMPARE(r->record(), records[0]);
            QCOMPARE(r->domain(), "newer" + r->tld());
            QCOMPARE(r->rawResponse(), "raw " + r->tld());
            QCOMPARE(r->checkedAt(), at(5).addSecs(1));
            QCOMPARE(r->hasErrorMessage(), r->availabilityRaw() == "error");
            seen << rawString(r->availability());
        }
        seen.sort();
        // The stored text that is no raw string reads back as unknown.
        QCOMPARE(seen, (QStringList{"available", "error", "taken", "unknown", "unknown"}));
        QCOMPARE(store->fetchAll(), records); // one object per stored record
    }

    void deletingCascadesToResults()
    {
        auto store = *HistoryStore::open(m_path);
        SearchRecord *doomed = addSearch(*store, "doomed", at(0), {"taken", "taken", "available", "error", "unknown"});
        addSearch(*store, "kept", at(1), {"taken"});
        QVERIFY(store->save());
        store->remove(doomed);
        QCOMPARE(store->fetchAll().size(), 1);
        QVERIFY(store->save());
        RawDatabase raw(m_path);
        QCOMPARE(raw.count("SELECT COUNT(*) FROM domain_result"), 1);
        QCOMPARE(raw.count("SELECT COUNT(*) FROM domain_result WHERE record_id NOT IN (SELECT id FROM search_record)"), 0);
        QCOMPARE(raw.count("SELECT COUNT(*) FROM search_record"), 1);
    }

    void refusedFilesAreLeftUntouched_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("kind");
        QTest::newRow("text file") << QByteArray("these are my notes, not a database\n") << "not";
        QTest::newRow("corrupt database") << QByteArray("SQLite format 3\0", 16) + QByteArray(4096, '\x5a') << "corrupt";
        QTest::newRow("newer schema") << QByteArray() << "newer";
        QTest::newRow("someone else's database") << QByteArray() << "foreign";
    }
    void refusedFilesAreLeftUntouched()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, kind);
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        if (kind == "newer" || kind == "foreign") {
            RawDatabase raw(m_path);
            if (kind == "newer") {
                QVERIFY(raw.exec("CREATE TABLE orvane_meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)"));
                QVERIFY(raw.exec("INSERT INTO orvane_meta VALUES ('schemaVersion', '2.0.0')"));
            } else {
                QVERIFY(raw.exec("CREATE TABLE photos (id INTEGER PRIMARY KEY)"));
            }
        } else {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        const QByteArray before = digest(m_path);
        const auto store = HistoryStore::open(m_path);
        QVERIFY(!store);
        QVERIFY2(store.error().contains(m_path), qPrintable(store.error()));
        if (kind == "newer")
            QVERIFY(store.error().contains("newer version"));
        QCOMPARE(digest(m_path), before);
        QVERIFY(!QFile::exists(m_path + "-wal"));
    }

    void failedSaveKeepsPendingAndSavedData()
    {
        auto store = *HistoryStore::open(m_path, HistoryStore::Options{50});
        addSearch(*store, "first", at(0), {"available"});
        QVERIFY(store->save());

        addSearch(*store, "second", at(1), {"taken", "available"});
        RawDatabase other(m_path);
        QVERIFY(other.exec("BEGIN EXCLUSIVE")); // another writer holds the file
        const auto failed = store->save();
        QVERIFY(!failed);
        QVERIFY2(failed.error().contains("locked"), qPrintable(failed.error()));
        QVERIFY(store->hasChanges());
        QCOMPARE(store->fetchAll().size(), 2);
        QVERIFY(other.exec("ROLLBACK"));

        QVERIFY(store->save());
        QVERIFY(!store->hasChanges());
        RawDatabase raw(m_path);
        QCOMPARE(raw.count("SELECT COUNT(*) FROM search_record"), 2);
        QCOMPARE(raw.count("SELECT COUNT(*) FROM domain_result"), 3);
    }

    void listModelFollowsTheStore()
    {
        auto store = *HistoryStore::open(m_path);
        HistoryListModel model(store.get());
        QSignalSpy count(&model, &HistoryListModel::countChanged);
        QCOMPARE(model.count(), 0);
        SearchRecord *a = addSearch(*store, "alpha", at(0), {"available", "taken"});
        addSearch(*store, "beta", at(3), {"taken"});
        QVERIFY(store->save());
        QCOMPARE(model.count(), 2);
        QCOMPARE(model.data(model.index(0), HistoryListModel::QueryRole).toString(), QStringLiteral("beta"));
        QCOMPARE(model.data(model.index(1), HistoryListModel::AvailableCountRole).toInt(), 1);
        QCOMPARE(model.data(model.index(1), HistoryListModel::ResultCountRole).toInt(), 2);
        store->remove(a);
        QCOMPARE(model.count(), 1);
        QVERIFY(count.count() >= 2);
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "tst_historystore.moc"
