#include "engine/Version.h"
#include "FakeHttpServer.h"
#include "engine/RDAPClient.h"

#include <QTemporaryDir>
#include <QTest>

using namespace orvane;
using Result = std::expected<CheckResult, RDAPError>;

namespace {

// "availability|text", "|expiry" when there is one, or the error description.
QString describe(const Result &result)
{
    if (!result)
        return result.error().description();
    const QString expiry = result->expiresAt.isValid() ? '|' + result->expiresAt.toString(Qt::ISODate) : QString();
    return rawString(result->availability) + '|' + result->rawResponse + expiry;
}

const QByteArray fullDomainObject = R"({
  "objectClassName": "domain", "ldhName": "EXAMPLE.TEST", "handle": "2336799_DOMAIN_TEST-VRSN",
  "status": ["client delete prohibited", "client transfer prohibited"],
  "events": [{"eventAction": "Registration", "eventDate": "1995-08-14T04:00:00Z"},
             {"eventAction": "expiration", "eventDate": "2027-08-13T04:00:00Z"},
             {"eventAction": "last changed", "eventDate": "2024-08-14T07:01:34Z"},
             {"eventAction": "transfer", "eventDate": "TTT"},
             {"eventAction": "reregistration", "eventDate": "2020-01-01T00:00:00Z"}, {"eventAction": "expiration", "eventDate": 5}],
  "entities": [{"roles": ["registrar"], "handle": "376",
                "vcardArray": ["vcard", [["version", {}, "text", "4.0"], ["fn", {}, "text", "RESERVED-Internet Assigned Numbers Authority"]]]},
               {"roles": ["technical"], "handle": "IGNORED"}, {"roles": ["registrar"], "handle": "9999"}],
  "nameservers": [{"ldhName": "A.IANA-SERVERS.NET"}, {"unicodeName": "skipped"}, {"ldhName": "B.IANA-SERVERS.NET"}]
})";

const char *fullDomainText = "Domain Name:    EXAMPLE.TEST\n"
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

} // namespace

class TestRDAPClient : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<FakeHttpServer> m_server;
    int m_files = 0;

    std::unique_ptr<RDAPClient> client()
    {
        const RDAPBootstrap::Options options{.source = m_server->url("/dns.json"),
                                             .store = {m_dir.filePath(QStringLiteral("defaults-%1.ini").arg(++m_files))},
                                             .timeout = std::chrono::milliseconds(2000)};
        return std::make_unique<RDAPClient>(new RDAPBootstrap(options), HttpLimits{std::chrono::milliseconds(300), std::chrono::milliseconds(3000), 256 * 1024});
    }

private slots:
    void init()
    {
        m_server = std::make_unique<FakeHttpServer>();
        m_server->serveBootstrap({QStringLiteral("test")});
    }

    // The verdict for an answer, from its status and body alone.
    void interpret_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected"); // "availability|text" or the error description
        const QString registered = QStringLiteral("taken|Domain is registered. (RDAP returned 200 OK.)");
        const QString invalid = QStringLiteral("RDAP server returned invalid response");
        QTest::newRow("404") << 404 << QByteArray("{}") << "available|Domain not registered. (RDAP returned 404.)";
        QTest::newRow("404 without a body") << 404 << QByteArray(" \r\n") << "available|Domain not registered. (RDAP returned 404.)";
        QTest::newRow("404 in plain text") << 404 << QByteArray("Not Found") << "RDAP server returned invalid response";
        QTest::newRow("429") << 429 << QByteArray() << "RDAP rate limit exceeded";
        QTest::newRow("403 with a domain") << 403 << QByteArray(R"({"ldhName":"x"})") << "RDAP HTTP error 403";
        QTest::newRow("errorCode 404") << 200 << QByteArray(R"({"errorCode":404,"ldhName":"x"})") << "available|Domain not registered.";
        QTest::newRow("errorCode 429") << 200 << QByteArray(R"({"errorCode":429})") << "RDAP rate limit exceeded";
        QTest::newRow("errorCode 200") << 200 << QByteArray(R"({"errorCode":200})") << "RDAP HTTP error 200";
        QTest::newRow("errorCode as text") << 200 << QByteArray(R"({"errorCode":"404"})") << registered;
        QTest::newRow("class Domain") << 200 << QByteArray(R"({"objectClassName":"Domain","ldhName":"a.test"})") << "taken|Domain Name:    a.test";
        QTest::newRow("class entity") << 200 << QByteArray(R"({"objectClassName":"entity"})") << "unknown|Unexpected RDAP response.";
        QTest::newRow("class entity rendered") << 200 << QByteArray(R"({"objectClassName":"entity","handle":"E1"})") << "unknown|Registry ID:    E1";
        QTest::newRow("class not a string") << 200 << QByteArray(R"({"objectClassName":7})") << registered;
        QTest::newRow("empty object") << 200 << QByteArray("{}") << registered;
        // Only a JSON object is an RDAP answer: nothing else says the name is taken.
        QTest::newRow("html") << 200 << QByteArray("<html><body>Registered</body></html>") << invalid;
        QTest::newRow("top-level array") << 200 << QByteArray("[1]") << invalid;
        QTest::newRow("empty body") << 200 << QByteArray() << invalid;
        // A taken row shows when the registration ends, read from the answer already fetched.
        QTest::newRow("expiry") << 200 << QByteArray(R"({"events":[{"eventAction":"expiration","eventDate":"2027-03-02T05:00:00Z"}]})")
                                << "taken|Expires:        2027-03-02|2027-03-02T05:00:00Z";
        QTest::newRow("expiry with fraction, offset, capital")
            << 200 << QByteArray(R"({"events":[{"eventAction":"Expiration","eventDate":"2027-03-02T07:00:00.5+02:00"}]})")
            << "taken|Expires:        2027-03-02|2027-03-02T05:00:00Z";
        QTest::newRow("expiry not a date") << 200 << QByteArray(R"({"events":[{"eventAction":"expiration","eventDate":"soon"}]})")
                                           << "taken|Expires:        soon";
        QTest::newRow("events not a list") << 200 << QByteArray(R"({"events":{"eventAction":"expiration"}})") << registered;
    }
    void interpret()
    {
        QFETCH(int, status); QFETCH(QByteArray, body); QFETCH(QString, expected);
        QCOMPARE(describe(RDAPClient::interpretResponse(status, body)), expected);
    }

    void render_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::newRow("full domain object") << fullDomainObject << fullDomainText;
        QTest::newRow("empty ldhName still a line") << QByteArray(R"({"ldhName":""})") << "Domain Name:    ";
        QTest::newRow("empty handle skipped") << QByteArray(R"({"handle":""})") << "<none>";
        QTest::newRow("empty status skipped") << QByteArray(R"({"status":[]})") << "<none>";
        QTest::newRow("role in other case") << QByteArray(R"({"entities":[{"roles":["Registrar"],"handle":"H1"}]})") << "<none>";
        QTest::newRow("registrar by handle") << QByteArray(R"({"entities":[{"roles":["registrar"],"handle":"H1","vcardArray":["vcard",[["n",{},"text","x"]]]}]})")
                                             << "Registrar:      H1";
        QTest::newRow("not json") << QByteArray("nope") << "<none>";
    }
    void render()
    {
        QFETCH(QByteArray, body); QFETCH(QString, expected);
        QCOMPARE(RDAPClient::render(body).value_or("<none>"), expected);
    }

    // What reaches the caller when no usable answer arrives.
    void queryFailures_data()
    {
        QTest::addColumn<QByteArray>("bootstrapFile"); // empty: .test served here
        QTest::addColumn<FakeHttpServer::Route>("route");
        QTest::addColumn<QString>("tld");
        QTest::addColumn<QString>("expected");
        const FakeHttpServer::Route hang{.hang = true}, notHttp{.raw = "SSH-2.0-OpenSSH_9.2\r\n\r\n"};
        QTest::newRow("tld not listed") << QByteArray() << hang << "ZZ" << "RDAP not supported for .zz";
        QTest::newRow("invalid base URL") << FakeHttpServer::bootstrapFile({{{"test"}, {"not a url"}}}) << hang << ".test" << "Invalid RDAP URL";
        QTest::newRow("base URL of another protocol") << FakeHttpServer::bootstrapFile({{{"test"}, {"ftp://registry.test/"}}}) << hang << ".test"
                                                      << "Invalid RDAP URL";
        QTest::newRow("idle limit") << QByteArray() << hang << ".test" << "RDAP network error: The request timed out.";
        QTest::newRow("garbage instead of http") << QByteArray() << notHttp << ".test" << "RDAP server returned invalid response";
    }
    void queryFailures()
    {
        QFETCH(QByteArray, bootstrapFile); QFETCH(FakeHttpServer::Route, route); QFETCH(QString, tld); QFETCH(QString, expected);
        if (!bootstrapFile.isEmpty())
            m_server->setRoute("/dns.json", FakeHttpServer::Route{200, {}, bootstrapFile});
        m_server->setRoute("/rdap/domain/name.test", route);
        auto rdap = client();
        QCOMPARE(describe(QCoro::waitFor(rdap->queryDomain("name", tld))), expected);
    }

    // What a Retry-After asks for; a wait of nothing or in the past names none (the back-off serves).
    void retryAfter_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("seconds"); // -1: none
        QTest::newRow("delta-seconds") << QByteArray(" 30 ") << 30;
        QTest::newRow("zero") << QByteArray("0") << -1;
        QTest::newRow("huge") << QByteArray("99999999999999999999") << 999999999;
        QTest::newRow("IMF-fixdate") << QByteArray("Wed, 21 Oct 2026 07:28:45 GMT") << 45;
        QTest::newRow("RFC 850 date") << QByteArray("Wednesday, 21-Oct-26 07:29:00 GMT") << 60;
        QTest::newRow("asctime date") << QByteArray("Wed Oct 21 07:28:10 2026") << 10;
        QTest::newRow("date gone by") << QByteArray("Wed, 21 Oct 2026 07:27:00 GMT") << -1;
        QTest::newRow("not a wait") << QByteArray("soon") << -1;
        QTest::newRow("negative") << QByteArray("-5") << -1;
    }
    void retryAfter()
    {
        QFETCH(QByteArray, value); QFETCH(int, seconds);
        const QDateTime now = QDateTime::fromString("2026-10-21T07:28:00Z", Qt::ISODate);
        const auto wait = RDAPClient::retryAfter(value, now);
        QCOMPARE(wait ? int(wait->count()) : -1, seconds);
    }

    void requestShape()
    {
        m_server->serveBootstrap({QStringLiteral("TeSt")}, QStringLiteral("/rdap")); // no slash at the end
        m_server->setJson("/rdap/domain/myname.test", 404, "{}");
        auto rdap = client();
        for (const QString &tld : {QStringLiteral(".TEST"), QStringLiteral("test")})
            QCOMPARE(describe(QCoro::waitFor(rdap->queryDomain("MyName", tld))), "available|Domain not registered. (RDAP returned 404.)");
        QCOMPARE(m_server->requestCount("/rdap/domain/myname.test"), 2);
        const auto headers = m_server->lastHeaders("/rdap/domain/myname.test");
        QCOMPARE(headers.value("accept"), QByteArray("application/rdap+json"));
        QCOMPARE(headers.value("user-agent"), QByteArray(orvane::userAgent));
        QCOMPARE(headers.value("cache-control"), QByteArray("no-cache"));
        QCOMPARE(headers.value("pragma"), QByteArray("no-cache"));
    }
};

QTEST_GUILESS_MAIN(TestRDAPClient)
#include "tst_rdapclient.moc"
