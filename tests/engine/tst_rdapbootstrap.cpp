#include "engine/Version.h"
#include "FakeHttpServer.h"
#include "engine/RDAPBootstrap.h"

#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

using namespace orvane;

namespace {
const QDateTime fixedNow = QDateTime(QDate(2026, 6, 1), QTime(12, 0), Qt::UTC);
const QByteArray storedMap = "{\".com\":\"https://disk/\"}";
}

class TestRDAPBootstrap : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<FakeHttpServer> m_server;

    RDAPBootstrap::Options options(int timeoutMs = 2000) const
    {
        return {.source = m_server->url("/dns.json"), .store = {m_dir.filePath("defaults.ini")},
                .timeout = std::chrono::milliseconds(timeoutMs), .maxBodyBytes = 256 * 1024, .now = [] { return fixedNow; }};
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
        QTest::addColumn<QString>("expected"); // "tld url" pairs, or "refused"
        QTest::newRow("case folded, first URL")
            << FakeHttpServer::bootstrapFile({{{"COM", "Net"}, {"https://a.example/rdap/", "http://b.example/"}}})
            << ".com https://a.example/rdap/ .net https://a.example/rdap/";
        QTest::newRow("https before an earlier http")
            << FakeHttpServer::bootstrapFile({{{"com"}, {"http://plain.example/", "https://a.example/", "https://b.example/"}}})
            << ".com https://a.example/";
        QTest::newRow("only http") << FakeHttpServer::bootstrapFile({{{"com"}, {"http://plain.example/"}}}) << ".com http://plain.example/";
        QTest::newRow("empty URL list") << FakeHttpServer::bootstrapFile({{{"com"}, {}}, {{"io"}, {"https://io.example/"}}}) << ".io https://io.example/";
        QTest::newRow("empty TLD list") << FakeHttpServer::bootstrapFile({{{}, {"https://x.example/"}}}) << "";
        QTest::newRow("one member") << QByteArray("{\"services\":[[[\"com\"]]]}") << "";
        QTest::newRow("extra members ignored") << QByteArray("{\"services\":[[[\"com\"],[\"https://c/\"],[\"x\"]]]}") << ".com https://c/";
        QTest::newRow("later entry wins")
            << FakeHttpServer::bootstrapFile({{{"com"}, {"https://first/"}}, {{"COM"}, {"https://second/"}}}) << ".com https://second/";
        QTest::newRow("not json") << QByteArray("<html>") << "refused";
        QTest::newRow("no services") << QByteArray("{\"version\":\"1.0\"}") << "refused";
        QTest::newRow("entry not a list") << QByteArray("{\"services\":[\"com\"]}") << "refused";
        QTest::newRow("entry not a list of lists") << QByteArray("{\"services\":[[\"com\",\"https://x/\"]]}") << "refused";
        QTest::newRow("number among texts") << QByteArray("{\"services\":[[[\"com\",1],[\"https://x/\"]]]}") << "refused";
    }
    void parse()
    {
        QFETCH(QByteArray, file); QFETCH(QString, expected);
        const auto parsed = RDAPBootstrap::parse(file);
        QStringList pairs;
        for (auto it = parsed.value_or(RDAPBootstrap::Registry{}).cbegin(); parsed && it != parsed->cend(); ++it)
            pairs << it.key() << it.value();
        QCOMPARE(parsed ? pairs.join(' ') : QStringLiteral("refused"), expected);
    }

    void fetchSucceedsAndWritesDiskCopy()
    {
        m_server->serveBootstrap({QStringLiteral("test"), QStringLiteral("example")});
        RDAPBootstrap bootstrap(options());
        QCoro::waitFor(bootstrap.ensureLoaded());
        QCOMPARE(bootstrap.registry().keys(), (QStringList{".example", ".test"}));
        QCOMPARE(bootstrap.registry().value(".test"), m_server->url("/rdap/").toString());
        QCOMPARE(bootstrap.lastFetch(), std::optional<QDateTime>(fixedNow));
        const auto headers = m_server->lastHeaders("/dns.json");
        QCOMPARE(headers.value("user-agent"), QByteArray(orvane::userAgent));
        QCOMPARE(headers.value("accept"), QByteArray("application/json"));

        // The disk copy serves the next object without another request.
        RDAPBootstrap second(options());
        QCoro::waitFor(second.ensureLoaded());
        QCOMPARE(second.registry(), bootstrap.registry());
        QCOMPARE(m_server->requestCount("/dns.json"), 1);
    }

    void failedFetchIsSwallowed_data()
    {
        QTest::addColumn<FakeHttpServer::Route>("route");
        QTest::newRow("500 with a file") << FakeHttpServer::Route{500, {}, FakeHttpServer::bootstrapFile({{{"com"}, {"https://x/"}}})};
        QTest::newRow("all entries skipped") << FakeHttpServer::Route{200, {}, FakeHttpServer::bootstrapFile({{{"com"}, {}}})};
        QTest::newRow("not json") << FakeHttpServer::Route{200, {}, "<html>maintenance</html>"};
        QTest::newRow("no answer (time-out)") << FakeHttpServer::Route{.hang = true};
    }
    void failedFetchIsSwallowed()
    {
        QFETCH(FakeHttpServer::Route, route);
        m_server->setRoute("/dns.json", route);
        // A short time limit only where waiting it out is the point: elsewhere it would race the
        // next request's set-up on a loaded machine.
        auto o = options(route.hang ? 300 : 5000);
        RDAPBootstrap bootstrap(o);
        QCoro::waitFor(bootstrap.ensureLoaded());
        QVERIFY(bootstrap.registry().isEmpty());
        QVERIFY(!bootstrap.lastFetch());
        QVERIFY(!QSettings(o.store.fileName, QSettings::IniFormat).contains(RDAPBootstrap::cacheKey));
        // With no copy to serve, no back-off: the next call tries the network again.
        QCOMPARE(m_server->requestCount("/dns.json"), 1);
        QCoro::waitFor(bootstrap.ensureLoaded());
        QCOMPARE(m_server->requestCount("/dns.json"), 2);
    }

    // What a stored copy is worth, by its age and what it holds.
    void diskCopy_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QVariant>("date");
        QTest::addColumn<int>("serverStatus");
        QTest::addColumn<int>("expectedRequests");
        QTest::addColumn<QString>("expectedComURL");
        const auto aged = [](qint64 seconds) { return QVariant(fixedNow.addSecs(-seconds)); };
        QTest::newRow("3 days: fresh") << storedMap << aged(3 * 86400) << 200 << 0 << "https://disk/";
        QTest::newRow("exactly 7 days: fresh") << storedMap << aged(604800) << 200 << 0 << "https://disk/";
        QTest::newRow("a day ahead: fresh") << storedMap << aged(-86400) << 200 << 0 << "https://disk/";
        QTest::newRow("more than a day ahead: refreshed") << storedMap << aged(-86401) << 200 << 1 << "https://net/";
        QTest::newRow("8 days: refreshed") << storedMap << aged(8 * 86400) << 200 << 1 << "https://net/";
        QTest::newRow("8 days, fetch fails: old copy") << storedMap << aged(8 * 86400) << 500 << 1 << "https://disk/";
        QTest::newRow("no date: refreshed") << storedMap << QVariant() << 200 << 1 << "https://net/";
        QTest::newRow("garbage bytes") << QByteArray("\x00\xff garbage", 10) << QVariant("not a date") << 500 << 1 << "";
        QTest::newRow("array") << QByteArray("[\".com\"]") << aged(0) << 500 << 1 << "";
        QTest::newRow("non-text value") << QByteArray("{\".com\":1}") << aged(0) << 500 << 1 << "";
    }
    void diskCopy()
    {
        QFETCH(QByteArray, data); QFETCH(QVariant, date); QFETCH(int, serverStatus); QFETCH(int, expectedRequests);
        QFETCH(QString, expectedComURL);
        storeCopy(data, date);
        m_server->setRoute("/dns.json", FakeHttpServer::Route{serverStatus, {}, FakeHttpServer::bootstrapFile({{{"com"}, {"https://net/"}}})});
        RDAPBootstrap bootstrap(options());
        QCoro::waitFor(bootstrap.ensureLoaded());
        QCOMPARE(m_server->requestCount("/dns.json"), expectedRequests);
        QCOMPARE(bootstrap.registry().value(".com"), expectedComURL);
    }

    // IANA unreachable: the stale copy serves at once, and nobody asks again for ten minutes.
    void failedRefreshOfAStaleCopyWaitsTenMinutes()
    {
        storeCopy(storedMap, fixedNow.addDays(-8));
        m_server->setRoute("/dns.json", FakeHttpServer::Route{500});
        auto clock = std::make_shared<QDateTime>(fixedNow);
        auto o = options();
        o.now = [clock] { return *clock; };
        for (const auto &[step, expectedRequests] : {std::pair{0, 1}, std::pair{599, 1}, std::pair{2, 2}}) {
            *clock = clock->addSecs(step);
            RDAPBootstrap bootstrap(o);
            QCoro::waitFor(bootstrap.ensureLoaded());
            QCOMPARE(bootstrap.registry().value(".com"), QStringLiteral("https://disk/"));
            QCOMPARE(m_server->requestCount("/dns.json"), expectedRequests);
        }
    }

    // The desktop program refreshes at start; a search that comes meanwhile waits for that fetch.
    void searchJoinsTheBackgroundRefresh()
    {
        const QByteArray file = FakeHttpServer::bootstrapFile({{{"com"}, {"https://net/"}}});
        m_server->setRoute("/dns.json", FakeHttpServer::Route{.body = file, .delayMs = 200});
        RDAPBootstrap::refreshInBackground(options());
        QTRY_COMPARE(m_server->requestCount("/dns.json"), 1);
        RDAPBootstrap search(options());
        QCoro::waitFor(search.ensureLoaded());
        QCOMPARE(search.registry().value(".com"), QStringLiteral("https://net/"));
        QCOMPARE(m_server->requestCount("/dns.json"), 1);
    }
};

QTEST_GUILESS_MAIN(TestRDAPBootstrap)
#include "tst_rdapbootstrap.moc"
