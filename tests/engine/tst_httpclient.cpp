#include "FakeHttpServer.h"
#include "FakeTlsServer.h"
#include "net/HttpClient.h"

#include <QElapsedTimer>
#include <QTest>

using namespace orvane;

namespace {

QString summary(const HttpOutcome &outcome)
{
    switch (outcome.kind) {
    case HttpOutcome::Kind::response: return QStringLiteral("response|%1|%2").arg(outcome.status).arg(QString::fromLatin1(outcome.body));
    case HttpOutcome::Kind::transportError: return QStringLiteral("error|") + outcome.errorText;
    case HttpOutcome::Kind::tlsFailure: return QStringLiteral("tls|") + outcome.host;
    case HttpOutcome::Kind::invalid: return QStringLiteral("invalid");
    case HttpOutcome::Kind::tooLarge: return QStringLiteral("tooLarge");
    case HttpOutcome::Kind::notHttp: return QStringLiteral("notHttp");
    }
    return {};
}

const HttpLimits testLimits{std::chrono::seconds(5), std::chrono::seconds(10), 64};
// Loading the system's authorities takes seconds under the sanitizers' slow unwinding.
const HttpLimits patient{std::chrono::seconds(30), std::chrono::seconds(30), 64};
const QString testCA = QStringLiteral(ORVANE_TEST_DATA "/untrusted.crt");

} // namespace

// How the program uses libcurl: what each kind of answer becomes, and the rules it adds.
class TestHttpClient : public QObject
{
    Q_OBJECT

private slots:
    void framing_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<bool>("keepOpen");
        QTest::addColumn<QString>("expected");
        const QByteArray deflated = qCompress(QByteArray("hello")).mid(4); // a zlib stream
        const QByteArray ok = "HTTP/1.1 200 OK\r\n";
        QTest::newRow("length, connection left open") << ok + "Content-Length: 5\r\n\r\nhello" << true << "response|200|hello";
        QTest::newRow("chunked") << ok + "Transfer-Encoding: chunked\r\n\r\n5;x=1\r\nhello\r\n0\r\n\r\n" << true << "response|200|hello";
        QTest::newRow("until the connection ends") << QByteArray("HTTP/1.0 404 Not Found\r\n\r\n{}") << false << "response|404|{}";
        QTest::newRow("deflate coding decoded")
            << ok + "Content-Encoding: deflate\r\nContent-Length: " + QByteArray::number(deflated.size()) + "\r\n\r\n" + deflated << true
            << "response|200|hello";
        QTest::newRow("coding nobody asked for") << ok + "Content-Encoding: x-rot13\r\nContent-Length: 2\r\n\r\n{}" << true << "invalid";
        QTest::newRow("two different lengths") << ok + "Content-Length: 2\r\nContent-Length: 12\r\n\r\n{}" << true << "invalid";
        QTest::newRow("cut short in the body") << ok + "Content-Length: 10\r\n\r\nabc" << false << "invalid";
        QTest::newRow("length beyond the cap") << ok + "Content-Length: 65\r\n\r\n" << true << "tooLarge";
        QTest::newRow("chunks one byte beyond the cap")
            << ok + "Transfer-Encoding: chunked\r\n\r\n20\r\n" + QByteArray(32, 'a') + "\r\n21\r\n" + QByteArray(33, 'a') + "\r\n" << true
            << "tooLarge";
        QTest::newRow("not http") << QByteArray("SSH-2.0-OpenSSH_9.2\r\n") << true << "notHttp";
    }
    void framing()
    {
        QFETCH(QByteArray, raw); QFETCH(bool, keepOpen); QFETCH(QString, expected);
        FakeHttpServer server;
        server.setRoute("/r", FakeHttpServer::Route{.raw = raw, .keepOpen = keepOpen});
        HttpClient client;
        QCOMPARE(summary(QCoro::waitFor(client.get(server.url("/r"), {}, testLimits))), expected);
    }

    // The headers given, content codings offered, nothing remembered between requests, and the
    // connection kept for the next one.
    void requestsShareAKeptConnection()
    {
        FakeHttpServer server;
        const FakeHttpServer::Route route{.headers = {{"Set-Cookie", "id=1"}}, .body = "{}", .keepAlive = true};
        server.setRoute("/a", route);
        server.setRoute("/b", route);
        HttpClient client;
        const QList<HttpHeader> headers{{"Accept", "application/rdap+json"}, {"Cache-Control", "no-cache"}};
        QCOMPARE(summary(QCoro::waitFor(client.get(server.url("/a"), headers, testLimits))), QStringLiteral("response|200|{}"));
        QCOMPARE(summary(QCoro::waitFor(client.get(server.url("/b"), headers, testLimits))), QStringLiteral("response|200|{}"));
        QCOMPARE(server.connectionCount(), 1);
        QCOMPARE(client.openSockets(), 1);
        const auto sent = server.lastHeaders("/b");
        QCOMPARE(sent.value("accept"), QByteArray("application/rdap+json"));
        QCOMPARE(sent.value("cache-control"), QByteArray("no-cache"));
        QVERIFY(!sent.value("accept-encoding").isEmpty());
        QVERIFY(!sent.contains("cookie"));
    }

    void redirects_data()
    {
        QTest::addColumn<int>("hops");
        QTest::addColumn<QByteArray>("lastLocation");
        QTest::addColumn<QString>("expected");
        QTest::newRow("as many hops as allowed") << HttpClient::maxRedirects << QByteArray("/end") << "response|404|{}";
        QTest::newRow("one hop too many") << HttpClient::maxRedirects + 1 << QByteArray("/end") << "error|Too many redirects";
        QTest::newRow("to an IP address") << 1 << QByteArray("http://127.0.0.1:%1/end") << "error|Redirect to an IP address refused";
        QTest::newRow("to another protocol") << 1 << QByteArray("ftp://localhost/end") << "error|Protocol \"ftp\" is unknown";
    }
    void redirects()
    {
        QFETCH(int, hops); QFETCH(QByteArray, lastLocation); QFETCH(QString, expected);
        FakeHttpServer server;
        for (int i = 0; i < hops; ++i) {
            const QByteArray next = i + 1 == hops ? lastLocation.replace("%1", QByteArray::number(server.port())) : "/hop" + QByteArray::number(i + 1);
            server.setRoute(QStringLiteral("/hop%1").arg(i), FakeHttpServer::Route{i % 2 ? 307 : 302, {{"Location", next}}, {}});
        }
        server.setJson("/end", 404, "{}");
        HttpClient client;
        QCOMPARE(summary(QCoro::waitFor(client.get(server.url("/hop0", QStringLiteral("localhost")), {}, testLimits))), expected);
        QCOMPARE(server.requestCount("/end"), expected.startsWith("response") ? 1 : 0);
    }

    void tls_data()
    {
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("cutOff");
        QTest::addColumn<QString>("expected");
        QTest::newRow("trusted certificate") << true << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\n{}") << false << "response|404|{}";
        // libcurl takes a close without close-notify for the end: a body framed by the close proves nothing.
        QTest::newRow("read to a close without close-notify") << true << QByteArray("HTTP/1.1 200 OK\r\n\r\n{}") << true << "invalid";
        QTest::newRow("chunked, then cut off") << true << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\n{}\r\n") << true << "invalid";
        QTest::newRow("redirect from https to http refused")
            << true << QByteArray("HTTP/1.1 301 Moved\r\nLocation: http://localhost:1/\r\nContent-Length: 0\r\n\r\n") << false << "error|Insecure redirect";
        QTest::newRow("untrusted certificate") << false << QByteArray("HTTP/1.1 404 Not Found\r\n\r\n") << false << "tls|127.0.0.1";
    }
    void tls()
    {
        QFETCH(bool, trusted); QFETCH(QByteArray, answer); QFETCH(bool, cutOff); QFETCH(QString, expected);
        FakeTlsServer server(answer, cutOff);
        HttpClient client(HttpClientOptions{trusted ? testCA : QString(), {}, 6});
        QCOMPARE(summary(QCoro::waitFor(client.get(server.url("/rdap/domain/a.test"), {}, patient))), expected);
        if (trusted)
            QVERIFY(server.request.startsWith("GET /rdap/domain/a.test HTTP/1.1\r\nHost: 127.0.0.1:"));
    }

    // The connection breaking in the middle of the handshake is the network failing, as before
    // one; only an answer that is no TLS at all counts against the server's identity.
    void brokenHandshake_data()
    {
        QTest::addColumn<QByteArray>("reply"); // sent once the ClientHello is in; empty: none
        QTest::addColumn<bool>("reset");
        QTest::addColumn<QString>("expected");
        QTest::newRow("reset") << QByteArray() << true << "error|";
        QTest::newRow("closed") << QByteArray() << false << "error|";
        QTest::newRow("not TLS") << QByteArray("HTTP/1.1 400 Bad Request\r\n\r\n") << false << "tls|127.0.0.1";
    }
    void brokenHandshake()
    {
        QFETCH(QByteArray, reply); QFETCH(bool, reset); QFETCH(QString, expected);
        BrokenTlsServer server(reset, reply);
        HttpClient client(HttpClientOptions{testCA, {}, 6});
        const QString outcome = summary(QCoro::waitFor(client.get(server.url("/"), {}, patient)));
        QVERIFY2(outcome.startsWith(expected), qPrintable(outcome));
    }

    // A server that never answers: each limit alone ends the exchange, and so does the owner.
    void unanswered_data()
    {
        QTest::addColumn<int>("idleMs");
        QTest::addColumn<int>("wholeMs");
        QTest::addColumn<QString>("expected");
        QTest::newRow("idle") << 200 << 0 << "error|" + timedOutDescription();
        QTest::newRow("whole exchange") << 20000 << 200 << "error|" + timedOutDescription();
        QTest::newRow("context destroyed") << 20000 << 0 << "error|" + cancelledDescription();
    }
    void unanswered()
    {
        QFETCH(int, idleMs); QFETCH(int, wholeMs); QFETCH(QString, expected);
        FakeHttpServer server;
        server.setRoute("/hang", FakeHttpServer::Route{.hang = true});
        HttpClient client;
        auto context = std::make_unique<QObject>();
        QElapsedTimer clock;
        clock.start();
        auto task = client.get(server.url("/hang"), {}, HttpLimits{std::chrono::milliseconds(idleMs), std::chrono::milliseconds(wholeMs), 64},
                               context.get());
        if (expected.endsWith(cancelledDescription())) {
            QTRY_COMPARE(server.requestCount("/hang"), 1);
            context.reset();
        }
        QCOMPARE(summary(QCoro::waitFor(task)), expected);
        QVERIFY2(clock.elapsed() < 10000, "the shorter limit must end the exchange");
        QCOMPARE(client.openSockets(), 0);
    }

    void proxyFromTheEnvironment()
    {
        FakeHttpServer proxy;
        proxy.setJson("http://registry.test/rdap/domain/a.test", 404, "{}");
        qputenv("http_proxy", proxy.url(QString()).toEncoded());
        HttpClient client;
        const HttpOutcome outcome = QCoro::waitFor(client.get(QUrl("http://registry.test/rdap/domain/a.test"), {}, testLimits));
        qunsetenv("http_proxy");
        QCOMPARE(summary(outcome), QStringLiteral("response|404|{}"));
    }
};

QTEST_GUILESS_MAIN(TestHttpClient)
#include "tst_httpclient.moc"
