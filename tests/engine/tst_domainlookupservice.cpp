#include "engine/DomainLookupService.h"
#include "FakeHttpServer.h"
#include "FakeTlsServer.h"
#include "FakeWhoisServer.h"

#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

class TestDomainLookupService : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<FakeHttpServer> m_http;
    std::unique_ptr<FakeWhoisServer> m_whois;
    int m_files = 0;

    LookupConfiguration configuration(int rdapIdleMs = 300)
    {
        LookupConfiguration c;
        c.bootstrap.source = m_http->url("/dns.json");
        c.bootstrap.store.fileName = m_dir.filePath(QStringLiteral("defaults-%1.ini").arg(++m_files));
        c.bootstrap.timeout = std::chrono::milliseconds(2000);
        c.rdapLimits = HttpLimits{std::chrono::milliseconds(rdapIdleMs), std::chrono::milliseconds(std::max(2000, rdapIdleMs))};
        c.whois.servers = {{".test", "127.0.0.1"}, {".io", "127.0.0.1"}};
        c.whois.referralHost = QStringLiteral("127.0.0.1");
        c.whois.connection.port = m_whois->port();
        c.whois.connection.timeout = std::chrono::milliseconds(1000);
        c.maxWait = std::chrono::milliseconds(0); // a 429 falls back at once (waiting: tst_registryscheduler)
        return c;
    }

    QString check(const QString &tld, int rdapIdleMs = 300)
    {
        DomainLookupService service(configuration(rdapIdleMs));
        const auto result = QCoro::waitFor(service.check("name", tld));
        return result ? rawString(result->availability) + '|' + result->rawResponse : result.error().description();
    }

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("com.pellunor.Orvane.lookup.debug=true")); }

    void init()
    {
        m_http = std::make_unique<FakeHttpServer>();
        m_whois = std::make_unique<FakeWhoisServer>();
        m_http->serveBootstrap({QStringLiteral("test")});
        m_whois->setDefault({"Domain Name: from whois\nRegistrar: R\n"});
    }

    // RDAP first; WHOIS whenever RDAP gives no answer, and the log says why.
    void fallback_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<FakeHttpServer::Route>("route");
        QTest::addColumn<QString>("tld");
        QTest::addColumn<bool>("whoisSilent");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("log"); // the lookup's line: "critical|text" or "debug|text"
        const QString rdap = QStringLiteral("/rdap/domain/name.test");
        const QString viaWhois = QStringLiteral("taken|Domain Name: from whois\nRegistrar: R");
        FakeHttpServer::Route hang;
        hang.hang = true;
        QTest::newRow("404 is final") << rdap << FakeHttpServer::Route{404} << ".test" << false
                                      << "available|Domain not registered. (RDAP returned 404.)" << "";
        QTest::newRow("unclear is final") << rdap << FakeHttpServer::Route{200, {}, R"({"objectClassName":"entity"})"} << ".test" << false
                                          << "unknown|Unexpected RDAP response." << "";
        QTest::newRow("429") << rdap << FakeHttpServer::Route{429} << ".test" << false << viaWhois
                             << "critical|.test: RDAP failed (RDAP rate limit exceeded), falling back to WHOIS";
        QTest::newRow("transport failure") << rdap << hang << ".test" << false << viaWhois
                                           << "critical|.test: RDAP failed (RDAP network error: The request timed out.), falling back to WHOIS";
        QTest::newRow("no RDAP entry") << rdap << FakeHttpServer::Route{404} << ".io" << false << viaWhois
                                       << "debug|.io: no RDAP entry, using WHOIS";
        QTest::newRow("bootstrap unreachable") << "/dns.json" << FakeHttpServer::Route{500} << ".test" << false << viaWhois
                                               << "debug|.test: no RDAP entry, using WHOIS";
        QTest::newRow("both failing: the WHOIS error") << rdap << FakeHttpServer::Route{503} << ".test" << true << "WHOIS query timed out"
                                                       << "critical|.test: RDAP failed (RDAP HTTP error 503), falling back to WHOIS";
    }
    void fallback()
    {
        QFETCH(QString, path); QFETCH(FakeHttpServer::Route, route); QFETCH(QString, tld); QFETCH(bool, whoisSilent);
        QFETCH(QString, expected); QFETCH(QString, log);
        if (!log.isEmpty())
            QTest::ignoreMessage(log.startsWith("debug|") ? QtDebugMsg : QtCriticalMsg, qPrintable(log.section('|', 1)));
        m_http->setRoute(path, route);
        if (whoisSilent)
            m_whois->setDefault({.silent = true});
        QCOMPARE(check(tld), expected);
        QCOMPARE(m_whois->queries(), expected.startsWith("taken") || whoisSilent ? QStringList{"name" + tld} : QStringList());
    }

    // A TLD in Unicode, as the settings may hold one, is asked about in its ASCII form.
    void internationalTLDAskedInASCII()
    {
        m_http->serveBootstrap({QStringLiteral("xn--e1aybc")});
        QCOMPARE(check(QStringLiteral(".\u0442\u0435\u0441\u0442")), "available|Domain not registered. (RDAP returned 404.)");
        QCOMPARE(m_http->requestCount("/rdap/domain/name.xn--e1aybc"), 1);
    }

    // Background checks are spread by registry host: the RDAP server, else the WHOIS server
    // configured (never the built-in table's), else the TLD.
    void registryHost()
    {
        LookupConfiguration c = configuration();
        c.whois.servers = {{".io", "whois.configured.test"}};
        DomainLookupService service(c);
        QCoro::waitFor(service.rdap()->bootstrap()->ensureLoaded());
        QCOMPARE(service.registryHost(".test"), QStringLiteral("127.0.0.1"));
        QCOMPARE(service.registryHost(".io"), QStringLiteral("whois.configured.test"));
        QCOMPARE(service.registryHost(".com"), QStringLiteral(".com"));
    }

    // Connections opened as the window shows carry the search that follows; none are opened on a
    // metered network or from a stale bootstrap copy, and a host only once within the interval.
    void preconnect_data()
    {
        QTest::addColumn<bool>("metered");
        QTest::addColumn<bool>("stale");
        QTest::addColumn<int>("times");
        QTest::addColumn<int>("opened");
        QTest::addColumn<int>("connections"); // for the preconnect and the check together
        QTest::newRow("ahead, then carrying the check") << false << false << 1 << 1 << 1;
        QTest::newRow("once within the interval") << false << false << 2 << 1 << 1;
        QTest::newRow("metered network") << true << false << 1 << 0 << 1;
        QTest::newRow("stale bootstrap: fetched first") << false << true << 1 << 0 << 2;
    }
    void preconnect()
    {
        QFETCH(bool, metered); QFETCH(bool, stale); QFETCH(int, times); QFETCH(int, opened); QFETCH(int, connections);
        FakeHttpServer::Route kept{404};
        kept.keepAlive = true;
        m_http->setRoute("/rdap/help", kept);
        m_http->setRoute("/rdap/domain/name.test", kept);
        HttpClient client;
        LookupConfiguration c = configuration();
        c.http = c.bootstrap.http = &client;
        QCoro::waitFor(RDAPBootstrap(c.bootstrap).ensureLoaded());
        c.isMetered = [metered] { return metered; };
        if (stale)
            c.bootstrap.now = [] { return QDateTime::currentDateTimeUtc().addDays(8); };
        DomainLookupService service(c);
        const int before = m_http->connectionCount();
        for (int i = 0; i < times; ++i)
            QCoro::waitFor(service.preconnect({".test"}));
        QCOMPARE(m_http->requestCount("/rdap/help"), opened);
        QCOMPARE(QCoro::waitFor(service.check("name", ".test"))->availability, DomainAvailability::available);
        QCOMPARE(m_http->connectionCount() - before, connections);
    }

    // After a server failed to prove who it is, plain-text WHOIS would let the same attacker
    // answer; a connection that merely broke in the handshake is the network, and WHOIS answers.
    void tlsFailure_data()
    {
        QTest::addColumn<bool>("reset");
        QTest::newRow("untrusted certificate") << false;
        QTest::newRow("reset in the handshake") << true;
    }
    void tlsFailure()
    {
        QFETCH(bool, reset);
        FakeTlsServer untrusted;
        BrokenTlsServer resetting(true);
        const QUrl base = reset ? resetting.url("/rdap/") : untrusted.url("/rdap/");
        m_http->setRoute("/dns.json", FakeHttpServer::Route{200, {}, FakeHttpServer::bootstrapFile({{{"test"}, {base.toString()}}})});
        const QString outcome = check(".test", 30000); // loading the system's authorities is slow under sanitizers
        if (reset) {
            QCOMPARE(outcome, QStringLiteral("taken|Domain Name: from whois\nRegistrar: R"));
        } else {
            QVERIFY2(outcome.startsWith("error|RDAP secure connection failed with 127.0.0.1: "), qPrintable(outcome));
            QVERIFY(m_whois->queries().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestDomainLookupService)
#include "tst_domainlookupservice.moc"
