#include "FakeHttpServer.h"
#include "LogCapture.h"
#include "RDAPBootstrap.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

using namespace orvane;
using Registry = RDAPBootstrap::Registry;

namespace {
const QDateTime fixedNow = QDateTime(QDate(2026, 6, 1), QTime(12, 0), Qt::UTC);
}

class TestRDAPBootstrap : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<FakeHttpServer> m_server;

    RDAPBootstrap::Options options(int timeoutMs = 2000) const
    {
        RDAPBootstrap::Options o;
        o.source = m_server->url(QStringLiteral("/dns.json"));
        o.store.fileName = m_dir.filePath(QStringLiteral("defaults.ini"));
        o.timeout = std::chrono::milliseconds(timeoutMs);
        o.now = [] { return fixedNow; };
        return o;
    }

    void storeCopy(const QByteArray &data, const QVariant &date)
    {
        QSettings store(m_dir.filePath(QStringLiteral("defaults.ini")), QSettings::IniFormat);
        store.setValue(RDAPBootstrap::cacheKey, data);
        if (date.isValid())
            store.setValue(RDAPBootstrap::cacheDateKey, date);
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(m_dir.filePath(QStringLiteral("defaults.ini")));
        m_server = std::make_unique<FakeHttpServer>();
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Registry>("expected");
        QTest::newRow("case folded, first URL")
            << FakeHttpServer::bootstrapFile({{{"COM", "Net"}, {"https://a.example/rdap/", "http://b.example/"}}})
            << Registry{{".com", "https://a.example/rdap/"}, {".net", "https://a.example/rdap/"}};
        QTest::newRow("https before an earlier http")
            << FakeHttpServer::bootstrapFile({{{"com"}, {"http://plain.example/", "https://a.example/", "https://b.example/"}}})
            << Registry{{".com", "https://a.example/"}};
        QTest::newRow("empty URL list")
            << FakeHttpServer::bootstrapFile({{{"com"}, {}}, {{"io"}, {"https://io.example/"}}})
            << Registry{{".io", "https://io.example/"}};
        QTest::newRow("empty TLD list") << FakeHttpServer::bootstrapFile({{{}, {"https://x.example/"}}}) << Registry{};
        QTest::newRow("one member") << QByteArray("{\"services\":[[[\"com\"]]]}") << Registry{};
        QTest::newRow("extra members ignored")
            << QByteArray("{\"services\":[[[\"com\"],[\"https://c/\"],[\"x\"]]]}") << Registry{{".com", "https://c/"}};
        QTest::newRow("later entry wins")
            << FakeHttpServer::bootstrapFile({{{"com"}, {"https://first/"}}, {{"COM"}, {"https://second/"}}})
            << Registry{{".com", "https://second/"}};
    }
    void parse()
    {
        QFETCH(QByteArray, file);
        QFETCH(Registry, expected);
        const auto parsed = RDAPBootstrap::parse(file);
        QVERIFY(parsed.has_value());
        QCOMPARE(*parsed, expected);
    }

    void parseRefusesMalformedFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("not json") << QByteArray("<html>");
        QTest::newRow("no services") << QByteArray(R"({"version":"1.0"})");
        QTest::newRow("entry not a list of lists") << QByteArray("{\"services\":[[\"com\",\"https://x/\"]]}");
        QTest::newRow("number among texts") << QByteArray("{\"services\":[[[\"com\",1],[\"https://x/\"]]]}");
    }
    void parseRefusesMalformedFiles()
    {
        QFETCH(QByteArray, file);
        QVERIFY(!RDAPBootstrap::parse(file).has_value());
    }

    void fetchSucceedsAndWritesDiskCopy()
    {
        LogCapture log;
        m_server->serveBootstrap({QStringLiteral("test"), QStringLiteral("example")});
        RDAPBootstrap bootstrap(options());
        QCoro::waitFor(bootstrap.ensureLoaded());

        QCOMPARE(bootstrap.registry().size(), 2);
        QCOMPARE(bootstrap.registry().value(".test"), m_server->url("/rdap/").toString());
        QCOMPARE(bootstrap.lastFetch(), std::optional<QDateTime>(fixedNow));
        const auto headers = m_server->lastHeaders("/dns.json");
        QCOMPARE(headers.value("user-agent"), QByteArray("Orvane/1.1"));
        QCOMPARE(headers.value("accept"), QByteArray("application/json"));
        QVERIFY(log.contains("com.pellunor.Orvane.rdap.bootstrap|debug|Loaded 0 TLDs from disk cache"));
        QVERIFY(log.contains("com.pellunor.Orvane.rdap.bootstrap|info|Loaded RDAP bootstrap: 2 TLDs"));

        // The disk copy serves the next object without another request.
        RDAPBootstrap second(options());
        QCoro::waitFor(second.ensureLoaded());
        QCOMPARE(second.registry(), bootstrap.registry());
        QCOMPARE(m_server->requestCount("/dns.json"), 1);
    }

    void failedFetchIsSwallowed_data()
    {
        QTest::addColumn<FakeHttpServer::Route>("route");
        FakeHttpServer::Route notModified;
        notModified.status = 304;
        FakeHttpServer::Route serverError;
        serverError.status = 500;
        serverError.body = FakeHttpServer::bootstrapFile({{{"com"}, {"https://x/"}}});
        FakeHttpServer::Route emptyServices;
        emptyServices.body = R"({"services":[]})";
        FakeHttpServer::Route allSkipped;
        allSkipped.body = FakeHttpServer::bootstrapFile({{{"com"}, {}}});
        FakeHttpServer::Route notJson;
        notJson.body = "<html>maintenance</html>";
        FakeHttpServer::Route hang;
        hang.hang = true;
        FakeHttpServer::Route endless;
        endless.endlessBody = 64 * 1024 * 1024;
        FakeHttpServer::Route notHttp;
        notHttp.raw = "SSH-2.0-OpenSSH\r\n";
        QTest::newRow("304") << notModified;
        QTest::newRow("500") << serverError;
        QTest::newRow("empty services") << emptyServices;
        QTest::newRow("all entries skipped") << allSkipped;
        QTest::newRow("not json") << notJson;
        QTest::newRow("no answer (time-out)") << hang;
        QTest::newRow("body beyond the cap") << endless;
        QTest::newRow("not http") << notHttp;
    }
    void failedFetchIsSwallowed()
    {
        QFETCH(FakeHttpServer::Route, route);
        m_server->setRoute("/dns.json", route);
        LogCapture log;
        // A short time limit only where waiting it out is the point: elsewhere it would race the
        // next request's set-up on a loaded machine (the manager is still closing a flooded
        // connection when the second fetch starts).
        auto o = options(route.hang ? 300 : 5000);
        o.maxBodyBytes = 256 * 1024;
        RDAPBootstrap bootstrap(o);
        QCoro::waitFor(bootstrap.ensureLoaded());
        QVERIFY(bootstrap.registry().isEmpty());
        QVERIFY(!bootstrap.lastFetch());
        const QStringList failures = log.lines("com.pellunor.Orvane.rdap.bootstrap").filter("|error|Bootstrap fetch failed: ");
        QCOMPARE(failures.size(), 1);
        QVERIFY(!QSettings(o.store.fileName, QSettings::IniFormat).contains(RDAPBootstrap::cacheKey));

        // With no copy to serve, no back-off: the next call tries the network again.
        QCOMPARE(m_server->requestCount("/dns.json"), 1);
        QCoro::waitFor(bootstrap.ensureLoaded());
        QCOMPARE(m_server->requestCount("/dns.json"), 2);
    }

    void diskCopyAge_data()
    {
        QTest::addColumn<qint64>("ageSeconds");
        QTest::addColumn<int>("serverStatus");
        QTest::addColumn<int>("expectedRequests");
        QTest::addColumn<QString>("expectedComURL");
        QTest::newRow("3 days: fresh") << qint64(3 * 86400) << 200 << 0 << "https://disk/";
        QTest::newRow("exactly 7 days: fresh") << qint64(604800) << 200 << 0 << "https://disk/";
        QTest::newRow("a day ahead: fresh") << qint64(-86400) << 200 << 0 << "https://disk/";
        QTest::newRow("more than a day ahead: refreshed") << qint64(-86401) << 200 << 1 << "https://net/";
        QTest::newRow("8 days: refreshed") << qint64(8 * 86400) << 200 << 1 << "https://net/";
        QTest::newRow("8 days, fetch fails: old copy") << qint64(8 * 86400) << 500 << 1 << "https://disk/";
    }
    void diskCopyAge()
    {
        QFETCH(qint64, ageSeconds);
        QFETCH(int, serverStatus);
        QFETCH(int, expectedRequests);
        QFETCH(QString, expectedComURL);
        storeCopy("{\".com\":\"https://disk/\"}", fixedNow.addSecs(-ageSeconds));
        FakeHttpServer::Route route;
        route.status = serverStatus;
        route.body = FakeHttpServer::bootstrapFile({{{"com"}, {"https://net/"}}});
        m_server->setRoute("/dns.json", route);

        RDAPBootstrap bootstrap(options());
        QCoro::waitFor(bootstrap.ensureLoaded());
        QCOMPARE(m_server->requestCount("/dns.json"), expectedRequests);
        QCOMPARE(bootstrap.registry().value(".com"), expectedComURL);
    }

    // IANA unreachable: the stale copy serves at once, and nobody asks again for ten minutes.
    void failedRefreshOfAStaleCopyWaitsTenMinutes()
    {
        storeCopy("{\".com\":\"https://disk/\"}", fixedNow.addDays(-8));
        m_server->setRoute("/dns.json", FakeHttpServer::Route{500});
        auto clock = std::make_shared<QDateTime>(fixedNow);
        auto o = options();
        o.now = [clock] { return *clock; };
        const QList<qint64> steps{0, 599, 2};
        const QList<int> expectedRequests{1, 1, 2};
        for (qsizetype i = 0; i < steps.size(); ++i) {
            *clock = clock->addSecs(steps.at(i));
            RDAPBootstrap bootstrap(o);
            QCoro::waitFor(bootstrap.ensureLoaded());
            QCOMPARE(bootstrap.registry().value(".com"), QStringLiteral("https://disk/"));
            QCOMPARE(m_server->requestCount("/dns.json"), expectedRequests.at(i));
        }
    }

    // The desktop program refreshes at start; a search that comes meanwhile waits for that fetch.
    void searchJoinsTheBackgroundRefresh()
    {
        FakeHttpServer::Route slow{200, {}, FakeHttpServer::bootstrapFile({{{"com"}, {"https://net/"}}})};
        slow.delayMs = 200;
        m_server->setRoute("/dns.json", slow);
        RDAPBootstrap::refreshInBackground(options());
        QTRY_COMPARE(m_server->requestCount("/dns.json"), 1);
        RDAPBootstrap search(options());
        QCoro::waitFor(search.ensureLoaded());
        QCOMPARE(search.registry().value(".com"), QStringLiteral("https://net/"));
        QCOMPARE(m_server->requestCount("/dns.json"), 1);
    }

    void storedMapWithoutDateIsFetched()
    {
        storeCopy("{\".com\":\"https://disk/\"}", QVariant());
        m_server->serveBootstrap({QStringLiteral("com")});
        RDAPBootstrap bootstrap(options());
        QCoro::waitFor(bootstrap.ensureLoaded());
        QCOMPARE(m_server->requestCount("/dns.json"), 1);
        QCOMPARE(bootstrap.registry().value(".com"), m_server->url("/rdap/").toString());
        QSettings store(options().store.fileName, QSettings::IniFormat);
        QCOMPARE(store.value(RDAPBootstrap::cacheDateKey).toDateTime(), fixedNow);
        const auto copy = QJsonDocument::fromJson(store.value(RDAPBootstrap::cacheKey).toByteArray()).object();
        QCOMPARE(copy.value(".com").toString(), m_server->url("/rdap/").toString());
    }

    void unreadableDiskDataIsIgnored_data()
    {
        QTest::addColumn<QVariant>("data");
        QTest::newRow("garbage bytes") << QVariant(QByteArray("\x00\xff garbage", 10));
        QTest::newRow("array") << QVariant(QByteArray(R"([".com"])"));
        QTest::newRow("non-text value") << QVariant(QByteArray(R"({".com":1})"));
    }
    void unreadableDiskDataIsIgnored()
    {
        QFETCH(QVariant, data);
        storeCopy(data.toByteArray(), QStringLiteral("not a date"));
        m_server->setRoute("/dns.json", FakeHttpServer::Route{500});
        LogCapture log;
        RDAPBootstrap bootstrap(options());
        QCoro::waitFor(bootstrap.ensureLoaded());
        QVERIFY(bootstrap.registry().isEmpty());
        QVERIFY(!bootstrap.lastFetch());
        QVERIFY(log.contains("com.pellunor.Orvane.rdap.bootstrap|debug|Loaded 0 TLDs from disk cache"));
    }
};

QTEST_GUILESS_MAIN(TestRDAPBootstrap)
#include "tst_rdapbootstrap.moc"
