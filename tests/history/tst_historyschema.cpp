#include "history/HistorySchema.h"
#include "history/HistoryStore.h"
#include "RawDatabase.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
        const QStringList before = RawDatabase(path).rows(everyRecord);
        QCOMPARE(before.size(), 5);
        {
            auto store = HistoryStore::open(path);
            QVERIFY2(store, store ? "" : qPrintable(store.error())); // error() only on a failure
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
        RawDatabase raw(path);
        QCOMPARE(raw.rows(everyRecord), before);
        QCOMPARE(raw.rows("SELECT value FROM orvane_meta WHERE key = 'schemaVersion'"), QStringList{"1.1.0"});
        QCOMPARE(raw.rows("SELECT COUNT(*) FROM domain_result WHERE expires_at IS NULL"), QStringList{"5"});
    }

    // A new file and an upgraded one have the same tables.
    void newFileMatchesUpgradedFile()
    {
        QTemporaryDir dir;
        const QString tables = QStringLiteral("SELECT name, sql FROM sqlite_master ORDER BY name");
        RawDatabase upgraded(firstReleaseCopy(dir));
        QVERIFY(HistorySchema::upgrade(upgraded.database(), QVersionNumber(1, 0, 0)));
        RawDatabase fresh(dir.filePath(QStringLiteral("fresh.sqlite")));
        QVERIFY(HistorySchema::create(fresh.database()));
        QCOMPARE(fresh.rows(tables), upgraded.rows(tables));
    }
};

QTEST_GUILESS_MAIN(TestHistorySchema)
#include "tst_historyschema.moc"
