#include "engine/DomainLookupService.h"
#include "FakeHttpServer.h"
#include "FakeWhoisServer.h"
#include "history/HistorySchema.h"
#include "watch/WatchList.h"
#include "watch/WatchService.h"

#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

class TestWatchService : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    // One round of checks against registries that answer free, taken, unclear and not at all:
    // exactly one announcement, for the domain that was taken and is now free, and every
    // verdict stored in the history file.
    void onlyAFreshlyFreeDomainIsAnnounced()
    {
        FakeHttpServer http;
        FakeWhoisServer whois;
        http.serveBootstrap({QStringLiteral("test")});
        http.setJson("/rdap/domain/lumalink.test", 404, "{}");
        http.setJson("/rdap/domain/stillfree.test", 404, "{}");
        http.setJson("/rdap/domain/gone.test", 200, R"({"objectClassName":"domain","ldhName":"gone.test"})");
        http.setJson("/rdap/domain/murky.test", 200, R"({"objectClassName":"entity"})");
        http.setJson("/rdap/domain/broken.test", 500, "{}");
        whois.setDefault({"% no referral here\n"});

        LookupConfiguration c;
        c.bootstrap.source = http.url("/dns.json");
        c.bootstrap.store.fileName = m_dir.filePath(QStringLiteral("defaults.ini"));
        c.whois.servers = {};
        c.whois.referralHost = QStringLiteral("127.0.0.1");
        c.whois.connection.port = whois.port();
        DomainLookupService lookup(c);

        const QString path = m_dir.filePath(QStringLiteral("history.sqlite"));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("watch"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QVERIFY(HistorySchema::create(db));
        {
            WatchList list(QStringLiteral("watch"));
            const QDateTime added = QDateTime::currentDateTimeUtc().addDays(-1);
            for (const char *name : {"lumalink", "gone", "murky", "broken"})
                QVERIFY(list.watch(QString::fromLatin1(name) + ".test", ".test", DomainAvailability::taken, added));
            QVERIFY(list.watch("stillfree.test", ".test", DomainAvailability::available, added));
            // What was seen when watching began is stored: after a restart it is no news.
            QCOMPARE(WatchList(QStringLiteral("watch")).entries().last().lastAvailability, DomainAvailability::available);

            WatchScheduler::Limits limits;
            limits.startDelay = limits.gap = limits.perHost = std::chrono::seconds(0);
            WatchService service(
                &list, &lookup, [] { return QDateTime::currentDateTimeUtc(); }, [](const QString &tld) { return tld; }, limits);
            QSignalSpy checked(&service, &WatchService::checked);
            QSignalSpy announced(&service, &WatchService::becameAvailable);
            QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 5, 15000);
            QCOMPARE(announced.size(), 1);
            QCOMPARE(announced.first().first().toString(), QStringLiteral("lumalink.test"));
        }
        WatchList reread(QStringLiteral("watch"));
        QStringList verdicts;
        for (const WatchedDomain &entry : reread.entries())
            verdicts << entry.domain + '=' + (entry.lastAvailability ? rawString(*entry.lastAvailability) : "none");
        QCOMPARE(verdicts, (QStringList{"broken.test=error", "gone.test=taken", "lumalink.test=available",
                                        "murky.test=unknown", "stillfree.test=available"}));
        db.close();
    }
};

QTEST_GUILESS_MAIN(TestWatchService)
#include "tst_watchservice.moc"
