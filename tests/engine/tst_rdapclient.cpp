#include "FakeHttpServer.h"
#include "LogCapture.h"
#include "RDAPClient.h"

#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

namespace {

const char *fullDomainObject = R"({
  "objectClassName": "domain",
  "ldhName": "EXAMPLE.TEST",
  "handle": "2336799_DOMAIN_TEST-VRSN",
  "status": ["client delete prohibited", "client transfer prohibited"],
  "events": [
    {"eventAction": "Registration", "eventDate": "1995-08-14T04:00:00Z"},
    {"eventAction": "expiration", "eventDate": "2027-08-13T04:00:00Z"},
    {"eventAction": "last changed", "eventDate": "2024-08-14T07:01:34Z"},
    {"eventAction": "transfer", "eventDate": "TTT"},
    {"eventAction": "reregistration", "eventDate": "2020-01-01T00:00:00Z"},
    {"eventAction": "last update of RDAP database", "eventDate": "2026-01-01T00:00:00Z"},
    {"eventAction": "expiration", "eventDate": 5}
  ],
  "entities": [
    {"roles": ["registrar"], "handle": "376",
     "vcardArray": ["vcard", [["version", {}, "text", "4.0"], ["fn", {}, "text", "RESERVED-Internet Assigned Numbers Authority"]]]},
    {"roles": ["technical"], "handle": "IGNORED"},
    {"roles": ["registrar"], "handle": "9999"},
    {"roles": ["Registrar"], "handle": "WRONG-CASE"}
  ],
  "nameservers": [{"ldhName": "A.IANA-SERVERS.NET"}, {"unicodeName": "skipped"}, {"ldhName": "B.IANA-SERVERS.NET"}]
})";

const char *fullDomainText =
    "Domain Name:    EXAMPLE.TEST\n"
    "Registry ID:    2336799_DOMAIN_TEST-VRSN\n"
    "Status:         client delete prohibited, client transfer prohibited\n"
    "Registered:     1995-08-14\n"
    "Expires:        2027-08-13\n"
    "Last Updated:   2024-08-14\n"
    "Last Transfer:  TTT\n"
    "Registrar:      RESERVED-Internet Assigned Numbers Authority\n"
    "Registrar:      9999\n"
    "Name Servers:\n"
    "    A.IANA-SERVERS.NET\n"
    "    B.IANA-SERVERS.NET";

using Result = std::expected<CheckResult, RDAPError>;

} // namespace

class TestRDAPClient : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<FakeHttpServer> m_server;

    std::unique_ptr<RDAPClient> client(HttpLimits limits = {std::chrono::milliseconds(2000), std::chrono::milliseconds(3000)})
    {
        RDAPBootstrap::Options options;
        options.source = m_server->url("/dns.json");
        options.store.fileName = m_dir.filePath(QStringLiteral("defaults-%1.ini").arg(++m_files));
        options.timeout = std::chrono::milliseconds(2000);
        limits.maxBodyBytes = 256 * 1024;
        return std::make_unique<RDAPClient>(new RDAPBootstrap(options), limits);
    }
    int m_files = 0;

private slots:
    void init()
    {
        m_server = std::make_unique<FakeHttpServer>();
        m_server->serveBootstrap({QStringLiteral("test")});
    }

    void statusDecisions_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected"); // "availability|text" or the error description

        QTest::newRow("404") << 404 << QByteArray("{}") << "available|Domain not registered. (RDAP returned 404.)";
        QTest::newRow("429") << 429 << QByteArray() << "RDAP rate limit exceeded";
        QTest::newRow("500") << 500 << QByteArray() << "RDAP HTTP error 500";
        QTest::newRow("403") << 403 << QByteArray(R"({"ldhName":"x"})") << "RDAP HTTP error 403";
        QTest::newRow("errorCode 404") << 200 << QByteArray(R"({"errorCode":404,"ldhName":"x"})") << "available|Domain not registered.";
        QTest::newRow("errorCode 429") << 200 << QByteArray(R"({"errorCode":429})") << "RDAP rate limit exceeded";
        QTest::newRow("errorCode 200") << 200 << QByteArray(R"({"errorCode":200})") << "RDAP HTTP error 200";
        QTest::newRow("errorCode as text") << 200 << QByteArray(R"({"errorCode":"404"})")
                                           << "taken|Domain is registered. (RDAP returned 200 OK.)";
        QTest::newRow("class Domain") << 200 << QByteArray(R"({"objectClassName":"Domain","ldhName":"a.test"})")
                                      << "taken|Domain Name:    a.test";
        QTest::newRow("class entity") << 200 << QByteArray(R"({"objectClassName":"entity"})") << "unknown|Unexpected RDAP response.";
        QTest::newRow("class entity rendered") << 200 << QByteArray(R"({"objectClassName":"entity","handle":"E1"})")
                                               << "unknown|Registry ID:    E1";
        QTest::newRow("class not a string") << 200 << QByteArray(R"({"objectClassName":7})")
                                            << "taken|Domain is registered. (RDAP returned 200 OK.)";
        QTest::newRow("empty object") << 200 << QByteArray("{}") << "taken|Domain is registered. (RDAP returned 200 OK.)";
        // Only a JSON object is an RDAP answer: nothing else says the name is taken.
        QTest::newRow("html") << 200 << QByteArray("<html><body>Registered</body></html>") << "RDAP server returned invalid response";
        QTest::newRow("top-level array") << 200 << QByteArray("[1]") << "RDAP server returned invalid response";
        QTest::newRow("empty body") << 200 << QByteArray() << "RDAP server returned invalid response";
    }
    void statusDecisions()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        m_server->setRoute("/rdap/domain/name.test", FakeHttpServer::Route{status, {}, body});
        LogCapture log;
        auto rdap = client();
        const Result result = QCoro::waitFor(rdap->queryDomain("name", ".test"));
        const QString actual = result ? rawString(result->availability) + '|' + result->rawResponse : result.error().description();
        QCOMPARE(actual, expected);
        if (QByteArray(QTest::currentDataTag()).startsWith("class entity"))
            QVERIFY(log.contains("com.pellunor.Orvane.rdap|error|Unexpected objectClassName: entity"));
        if (QByteArray(QTest::currentDataTag()).startsWith("errorCode 4"))
            QVERIFY(log.lines("com.pellunor.Orvane.rdap").filter("|debug|HTTP 200 with embedded errorCode 4").size() == 1);
    }

    void transportFailures_data()
    {
        QTest::addColumn<FakeHttpServer::Route>("route");
        QTest::addColumn<QString>("expected");
        FakeHttpServer::Route hang;
        hang.hang = true;
        FakeHttpServer::Route slow;
        slow.delayMs = 5000; // the whole-exchange limit (600 ms here) ends it first
        FakeHttpServer::Route midBody{200, {}, QByteArray(4000, 'x')};
        midBody.closeMidBody = true;
        FakeHttpServer::Route endless;
        endless.endlessBody = 64 * 1024 * 1024;
        FakeHttpServer::Route notHttp;
        notHttp.raw = "SSH-2.0-OpenSSH_9.2\r\n\r\n";
        FakeHttpServer::Route loop{302, {{"Location", "/rdap/domain/name.test"}}, {}};
        QTest::newRow("idle limit") << hang << "RDAP network error: The request timed out.";
        QTest::newRow("whole-exchange limit") << slow << "RDAP network error: The request timed out.";
        QTest::newRow("closed mid-body") << midBody << "RDAP server returned invalid response";
        QTest::newRow("body beyond the cap") << endless << "RDAP server returned invalid response";
        QTest::newRow("garbage instead of http") << notHttp << "RDAP server returned invalid response";
        QTest::newRow("redirect loop") << loop << "RDAP network error: ";
    }
    void transportFailures()
    {
        QFETCH(FakeHttpServer::Route, route);
        QFETCH(QString, expected);
        m_server->setRoute("/rdap/domain/name.test", route);
        const bool idle = QByteArray(QTest::currentDataTag()) == "idle limit";
        auto rdap = client({std::chrono::milliseconds(idle ? 300 : 3000), std::chrono::milliseconds(idle ? 5000 : 600)});
        const Result result = QCoro::waitFor(rdap->queryDomain("name", ".test"));
        QVERIFY(!result);
        QVERIFY2(result.error().description().startsWith(expected), qPrintable(result.error().description()));
    }

    void connectionRefused()
    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost, 0);
        const quint16 port = closed.serverPort();
        closed.close();
        m_server->setRoute("/dns.json", FakeHttpServer::Route{200, {}, FakeHttpServer::bootstrapFile({{{"test"}, {QStringLiteral("http://127.0.0.1:%1/").arg(port)}}})});
        auto rdap = client();
        const Result result = QCoro::waitFor(rdap->queryDomain("name", "test"));
        QVERIFY(!result);
        QCOMPARE(result.error().kind(), RDAPError::Kind::networkError);
        QVERIFY2(result.error().description().startsWith("RDAP network error: Failed to connect to 127.0.0.1"),
                 qPrintable(result.error().description()));
    }

    void registryGaps_data()
    {
        QTest::addColumn<QByteArray>("bootstrapFile");
        QTest::addColumn<QString>("tld");
        QTest::addColumn<QString>("expected");
        QTest::newRow("tld not listed") << FakeHttpServer::bootstrapFile({{{"test"}, {"http://127.0.0.1:1/"}}}) << "ZZ" << "RDAP not supported for .zz";
        QTest::newRow("registry empty") << QByteArray("broken") << ".test" << "RDAP not supported for .test";
        QTest::newRow("invalid base URL") << FakeHttpServer::bootstrapFile({{{"test"}, {"not a url"}}}) << ".test" << "Invalid RDAP URL";
    }
    void registryGaps()
    {
        QFETCH(QByteArray, bootstrapFile);
        QFETCH(QString, tld);
        QFETCH(QString, expected);
        m_server->setRoute("/dns.json", FakeHttpServer::Route{200, {}, bootstrapFile});
        auto rdap = client();
        const Result result = QCoro::waitFor(rdap->queryDomain("name", tld));
        QVERIFY(!result);
        QCOMPARE(result.error().description(), expected);
    }

    void requestShape_data()
    {
        QTest::addColumn<QString>("base");
        QTest::newRow("base without slash") << "/rdap";
        QTest::newRow("base with slash") << "/rdap/";
    }
    void requestShape()
    {
        QFETCH(QString, base);
        m_server->serveBootstrap({QStringLiteral("TeSt")}, base);
        m_server->setJson("/rdap/domain/myname.test", 404, "{}");
        LogCapture log;
        auto rdap = client();
        for (const QString &tld : {QStringLiteral(".TEST"), QStringLiteral("test")}) {
            const Result result = QCoro::waitFor(rdap->queryDomain("MyName", tld));
            QVERIFY(result);
            QCOMPARE(result->availability, DomainAvailability::available);
        }
        QCOMPARE(m_server->requestCount("/rdap/domain/myname.test"), 2);
        const auto headers = m_server->lastHeaders("/rdap/domain/myname.test");
        QCOMPARE(headers.value("accept"), QByteArray("application/rdap+json"));
        QCOMPARE(headers.value("user-agent"), QByteArray("Orvane/1.1"));
        QCOMPARE(headers.value("cache-control"), QByteArray("no-cache"));
        QCOMPARE(headers.value("pragma"), QByteArray("no-cache"));
        QVERIFY(log.contains("com.pellunor.Orvane.rdap|debug|Querying " + m_server->url("/rdap/domain/myname.test").toString()));
    }

    void concurrentQueriesShareOneBootstrapFetch()
    {
        FakeHttpServer::Route slowBootstrap{200, {}, FakeHttpServer::bootstrapFile({{{"test"}, {m_server->url("/rdap/").toString()}}})};
        slowBootstrap.delayMs = 100;
        m_server->setRoute("/dns.json", slowBootstrap);
        QStringList names;
        for (int i = 0; i < 25; ++i) {
            names << QStringLiteral("name%1").arg(i);
            m_server->setJson("/rdap/domain/" + names.last() + ".test", 404, "{}");
        }
        auto rdap = client();
        std::vector<QCoro::Task<Result>> queries;
        for (const QString &name : names)
            queries.push_back(rdap->queryDomain(name, ".test"));
        for (auto &query : queries)
            QCOMPARE(QCoro::waitFor(query).value().availability, DomainAvailability::available);
        QCOMPARE(m_server->requestCount("/dns.json"), 1);
        QCOMPARE(m_server->totalRequests(), 26);
    }

    // A taken row shows when the registration ends, read from the answer already fetched.
    void expiry_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expires"); // ISO in UTC, or empty
        QTest::newRow("expiration event") << QByteArray(R"({"events":[{"eventAction":"registration","eventDate":"2001-01-01T00:00:00Z"},)"
                                                        R"({"eventAction":"expiration","eventDate":"2027-03-02T05:00:00Z"}]})")
                                          << "2027-03-02T05:00:00Z";
        QTest::newRow("fraction and offset") << QByteArray(R"({"events":[{"eventAction":"Expiration","eventDate":"2027-03-02T07:00:00.5+02:00"}]})")
                                             << "2027-03-02T05:00:00Z";
        QTest::newRow("no expiration") << QByteArray(R"({"events":[{"eventAction":"last changed","eventDate":"2027-03-02T05:00:00Z"}]})") << "";
        QTest::newRow("not a date") << QByteArray(R"({"events":[{"eventAction":"expiration","eventDate":"soon"}]})") << "";
        QTest::newRow("events not a list") << QByteArray(R"({"events":{"eventAction":"expiration"}})") << "";
    }
    void expiry()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, expires);
        const auto result = RDAPClient::interpretResponse(200, body);
        QVERIFY(result);
        QCOMPARE(result->availability, DomainAvailability::taken);
        QCOMPARE(result->expiresAt.isValid() ? result->expiresAt.toString(Qt::ISODate) : QString(), expires);
    }

    void renderFullObject()
    {
        QCOMPARE(RDAPClient::render(fullDomainObject).value_or("<none>"), QString::fromUtf8(fullDomainText));
    }

    void renderEdges_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty ldhName still a line") << QByteArray(R"({"ldhName":""})") << "Domain Name:    ";
        QTest::newRow("empty handle skipped") << QByteArray(R"({"handle":""})") << "<none>";
        QTest::newRow("empty status skipped") << QByteArray(R"({"status":[]})") << "<none>";
        QTest::newRow("nameservers without names") << QByteArray(R"({"nameservers":[{},{"x":1}]})") << "<none>";
        QTest::newRow("registrar by handle") << QByteArray(R"({"entities":[{"roles":["registrar"],"handle":"H1","vcardArray":["vcard",[["n",{},"text","x"]]]}]})")
                                             << "Registrar:      H1";
        QTest::newRow("registrar without name") << QByteArray(R"({"entities":[{"roles":["registrar"]}]})") << "<none>";
        QTest::newRow("not json") << QByteArray("nope") << "<none>";
    }
    void renderEdges()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QCOMPARE(RDAPClient::render(body).value_or("<none>"), expected);
    }
};

QTEST_GUILESS_MAIN(TestRDAPClient)
#include "tst_rdapclient.moc"
