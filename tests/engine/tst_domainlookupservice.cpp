#include "DomainLookupService.h"
#include "FakeHttpServer.h"
#include "FakeWhoisServer.h"
#include "LogCapture.h"

#include <QFile>
#include <QSslKey>
#include <QSslServer>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;
using Result = std::expected<CheckResult, WhoisError>;

class TestDomainLookupService : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<FakeHttpServer> m_http;
    std::unique_ptr<FakeWhoisServer> m_whois;
    int m_files = 0;

    std::unique_ptr<DomainLookupService> service(int whoisTimeoutMs = 3000, int rdapIdleMs = 300)
    {
        LookupConfiguration c;
        c.bootstrap.source = m_http->url("/dns.json");
        c.bootstrap.store.fileName = m_dir.filePath(QStringLiteral("defaults-%1.ini").arg(++m_files));
        c.bootstrap.timeout = std::chrono::milliseconds(2000);
        c.rdapLimits = HttpLimits{std::chrono::milliseconds(rdapIdleMs), std::chrono::milliseconds(std::max(2000, rdapIdleMs))};
        c.whois.servers = {{".test", "127.0.0.1"}, {".io", "127.0.0.1"}};
        c.whois.referralHost = QStringLiteral("127.0.0.1");
        c.whois.connection.port = m_whois->port();
        c.whois.connection.timeout = std::chrono::milliseconds(whoisTimeoutMs);
        return std::make_unique<DomainLookupService>(c);
    }

    static QString describe(const Result &result)
    {
        return result ? rawString(result->availability) + '|' + result->rawResponse : result.error().description();
    }

private slots:
    void init()
    {
        m_http = std::make_unique<FakeHttpServer>();
        m_whois = std::make_unique<FakeWhoisServer>();
        m_http->serveBootstrap({QStringLiteral("test")});
        m_whois->setDefault({"Domain Name: from whois\nRegistrar: R\n"});
    }

    void rdapAnswerIsFinal_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::newRow("404") << 404 << QByteArray() << "available|Domain not registered. (RDAP returned 404.)";
        QTest::newRow("unknown class") << 200 << QByteArray(R"({"objectClassName":"entity"})") << "unknown|Unexpected RDAP response.";
    }
    void rdapAnswerIsFinal()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        m_http->setRoute("/rdap/domain/name.test", FakeHttpServer::Route{status, {}, body});
        auto lookup = service();
        QCOMPARE(describe(QCoro::waitFor(lookup->check("name", ".test"))), expected);
        QVERIFY(m_whois->queries().isEmpty());
    }

    void rdapFailureFallsBackToWhois_data()
    {
        QTest::addColumn<FakeHttpServer::Route>("route");
        QTest::addColumn<QString>("tld");
        QTest::addColumn<QString>("logLine");
        FakeHttpServer::Route hang;
        hang.hang = true;
        QTest::newRow("429") << FakeHttpServer::Route{429} << ".test"
                             << "com.pellunor.Orvane.lookup|error|.test: RDAP failed (RDAP rate limit exceeded), falling back to WHOIS";
        QTest::newRow("embedded errorCode") << FakeHttpServer::Route{200, {}, R"({"errorCode":200})"} << ".test"
                                            << "com.pellunor.Orvane.lookup|error|.test: RDAP failed (RDAP HTTP error 200), falling back to WHOIS";
        QTest::newRow("transport failure") << hang << ".test"
                                           << "com.pellunor.Orvane.lookup|error|.test: RDAP failed (RDAP network error: The request timed out.), falling back to WHOIS";
        QTest::newRow("200 that is not an RDAP object") << FakeHttpServer::Route{200, {}, "<html>taken</html>"} << ".test"
                                                        << "com.pellunor.Orvane.lookup|error|.test: RDAP failed (RDAP server returned invalid response), falling back to WHOIS";
        QTest::newRow("no RDAP entry") << FakeHttpServer::Route{404} << ".io"
                                       << "com.pellunor.Orvane.lookup|debug|.io: no RDAP entry, using WHOIS";
    }
    void rdapFailureFallsBackToWhois()
    {
        QFETCH(FakeHttpServer::Route, route);
        QFETCH(QString, tld);
        QFETCH(QString, logLine);
        m_http->setRoute("/rdap/domain/name.test", route);
        LogCapture log;
        auto lookup = service();
        QCOMPARE(describe(QCoro::waitFor(lookup->check("name", tld))), QStringLiteral("taken|Domain Name: from whois\nRegistrar: R"));
        QCOMPARE(log.lines("com.pellunor.Orvane.lookup"), QStringList{logLine});
        QCOMPARE(m_whois->queries(), QStringList{"name" + tld});
    }

    // After a server failed to prove who it is, plain-text WHOIS would let the same attacker answer.
    void tlsFailureEndsTheCheckWithoutWhois()
    {
        QFile certFile(QStringLiteral(ORVANE_TEST_DATA "/untrusted.crt"));
        QFile keyFile(QStringLiteral(ORVANE_TEST_DATA "/untrusted.key"));
        QVERIFY(certFile.open(QIODevice::ReadOnly) && keyFile.open(QIODevice::ReadOnly));
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(QSslCertificate(certFile.readAll()));
        tls.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa));
        QSslServer server;
        server.setSslConfiguration(tls);
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        m_http->setRoute("/dns.json", FakeHttpServer::Route{200, {}, FakeHttpServer::bootstrapFile(
            {{{"test"}, {QStringLiteral("https://127.0.0.1:%1/rdap/").arg(server.serverPort())}}})});
        auto lookup = service(3000, 30000); // loading the system's authorities is slow under sanitizers
        const QString outcome = describe(QCoro::waitFor(lookup->check("name", ".test")));
        QVERIFY2(outcome.startsWith("error|RDAP secure connection failed with 127.0.0.1: "), qPrintable(outcome));
        QVERIFY(m_whois->queries().isEmpty());
    }

    void bothFailingGivesTheWhoisError()
    {
        m_http->setRoute("/rdap/domain/name.test", FakeHttpServer::Route{503});
        m_whois->setDefault({.silent = true});
        auto lookup = service(300);
        QCOMPARE(describe(QCoro::waitFor(lookup->check("name", ".test"))), QStringLiteral("WHOIS query timed out"));
    }

    void unreachableBootstrapSendsEverythingToWhois()
    {
        m_http->setRoute("/dns.json", FakeHttpServer::Route{500});
        LogCapture log;
        auto lookup = service();
        std::vector<QCoro::Task<Result>> checks;
        checks.push_back(lookup->check("a", ".test"));
        checks.push_back(lookup->check("b", ".io"));
        for (auto &check : checks)
            QVERIFY(QCoro::waitFor(check).has_value());
        QStringList lines = log.lines("com.pellunor.Orvane.lookup");
        lines.sort();
        QCOMPARE(lines, (QStringList{"com.pellunor.Orvane.lookup|debug|.io: no RDAP entry, using WHOIS",
                                     "com.pellunor.Orvane.lookup|debug|.test: no RDAP entry, using WHOIS"}));
    }
};

QTEST_GUILESS_MAIN(TestDomainLookupService)
#include "tst_domainlookupservice.moc"
