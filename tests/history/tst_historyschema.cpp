#include "HistorySchema.h"
#include "HistoryStore.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

using namespace orvane;

namespace {

// A copy of a history file the first release wrote: two searches, five results.
QString firstReleaseCopy(const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    QFile::copy(QStringLiteral(ORVANE_TEST_DATA "/history-1.0.0.sqlite"), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

QByteArray bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList rows(QSqlDatabase db, const QString &sql)
{
    QStringList result;
    QSqlQuery query(db);
    if (!query.exec(sql))
        return {query.lastError().text()};
    while (query.next()) {
        QStringList fields;
        for (int i = 0; i < query.record().count(); ++i)
            fields << query.value(i).toString();
        result << fields.join(QLatin1Char('|'));
    }
    return result;
}

struct Connection {
    QString name = QUuid::createUuid().toString();
    QSqlDatabase db;
    explicit Connection(const QString &path)
    {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
    }
    ~Connection()
    {
        db.close();
        db = {};
        QSqlDatabase::removeDatabase(name);
    }
};

const QString everyRecord = QStringLiteral(
    "SELECT r.query, r.timestamp, d.tld, d.domain, d.availability_raw, d.raw_response, d.error_message, d.checked_at"
    " FROM search_record r JOIN domain_result d ON d.record_id = r.id ORDER BY d.id");

} // namespace

class TestHistorySchema : public QObject
{
    Q_OBJECT
private slots:
    // Opening a first-release file upgrades it in place and reads every record as before.
    void upgradeKeepsEveryRecord()
    {
        QTemporaryDir dir;
        const QString path = firstReleaseCopy(dir);
        QStringList before;
        {
            Connection c(path);
            before = rows(c.db, everyRecord);
            QCOMPARE(before.size(), 5);
        }
        {
            auto store = HistoryStore::open(path);
            QVERIFY2(store, store ? "" : qPrintable(store.error()));
            QStringList read;
            for (SearchRecord *record : (*store)->fetchAll()) {
                for (DomainResult *result : record->results())
                    read << record->query() + '|' + result->domain() + '|' + result->availabilityRaw() + '|'
                                + result->rawResponse() + '|' + result->errorMessageText();
            }
            QCOMPARE(read, (QStringList{
                               "bücherei|bücherei.de|unknown|Status: connect\n€ ünïcode|",
                               "bücherei|bücherei.com|available|No match for \"XN--BCHEREI-C2A.COM\".|",
                               "lumalink|lumalink.com|taken|Domain Name: LUMALINK.COM\nRegistrar: Example Registrar|",
                               "lumalink|lumalink.ai|available|Domain not registered. (RDAP returned 404.)|",
                               "lumalink|lumalink.io|error||WHOIS query timed out",
                           }));
        }
        Connection c(path);
        QCOMPARE(rows(c.db, everyRecord), before);
        QCOMPARE(rows(c.db, "SELECT value FROM orvane_meta WHERE key = 'schemaVersion'"), QStringList{"1.1.0"});
        QCOMPARE(rows(c.db, "SELECT COUNT(*) FROM domain_result WHERE expires_at IS NULL"), QStringList{"5"});
    }

    // A step that fails after others succeeded (here: a table in the way of a new one) leaves
    // the whole file as it was.
    void failedUpgradeLeavesTheFileAlone()
    {
        QTemporaryDir dir;
        const QString path = firstReleaseCopy(dir);
        {
            Connection c(path);
            QVERIFY(QSqlQuery(c.db).exec("CREATE TABLE watched_domain (x)"));
        }
        const QByteArray original = bytes(path);
        {
            Connection c(path);
            const auto upgraded = HistorySchema::upgrade(c.db, QVersionNumber(1, 0, 0));
            QVERIFY(!upgraded);
            QVERIFY2(upgraded.error().contains("watched_domain"), qPrintable(upgraded.error()));
        }
        QCOMPARE(bytes(path), original);
    }

    // A new file and an upgraded one have the same tables.
    void newFileMatchesUpgradedFile()
    {
        QTemporaryDir dir;
        const QString upgradedPath = firstReleaseCopy(dir);
        const QString freshPath = dir.filePath(QStringLiteral("fresh.sqlite"));
        const QString tables = QStringLiteral("SELECT name, sql FROM sqlite_master ORDER BY name");
        Connection upgraded(upgradedPath);
        QVERIFY(HistorySchema::upgrade(upgraded.db, QVersionNumber(1, 0, 0)));
        Connection fresh(freshPath);
        QVERIFY(HistorySchema::create(fresh.db));
        QCOMPARE(rows(fresh.db, tables), rows(upgraded.db, tables));
    }
};

QTEST_GUILESS_MAIN(TestHistorySchema)
#include "tst_historyschema.moc"
