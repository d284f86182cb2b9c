#include "FakeHttpServer.h"
#include "HttpConnection.h"

#include <QFile>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTest>

using namespace orvane;

namespace {

QString summary(const HttpOutcome &outcome)
{
    switch (outcome.kind) {
    case HttpOutcome::Kind::response:
        return QStringLiteral("response|%1|%2").arg(outcome.status).arg(QString::fromLatin1(outcome.body));
    case HttpOutcome::Kind::transportError:
        return QStringLiteral("error|") + outcome.errorText;
    case HttpOutcome::Kind::tooLarge:
        return QStringLiteral("tooLarge");
    case HttpOutcome::Kind::notHttp:
        return QStringLiteral("notHttp");
    }
    return {};
}

const HttpLimits testLimits{std::chrono::seconds(5), std::chrono::seconds(10), 64};

// An HTTPS server with the test certificate that sends one scripted answer per connection.
class TlsServer
{
public:
    explicit TlsServer(QByteArray answer)
    {
        QFile certFile(QStringLiteral(ORVANE_TEST_DATA "/untrusted.crt"));
        QFile keyFile(QStringLiteral(ORVANE_TEST_DATA "/untrusted.key"));
        certFile.open(QIODevice::ReadOnly);
        keyFile.open(QIODevice::ReadOnly);
        certificate = QSslCertificate(certFile.readAll());
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(certificate);
        tls.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa));
        server.setSslConfiguration(tls);
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QSslServer::pendingConnectionAvailable, &server, [this, answer] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                QObject::connect(socket, &QIODevice::readyRead, socket, [socket, answer] {
                    request += socket->readAll();
                    if (request.contains("\r\n\r\n")) {
                        socket->write(answer);
                        socket->disconnectFromHost();
                    }
                });
            }
        });
    }
    QUrl url(const QString &path) const { return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(server.serverPort()).arg(path)); }

    QSslServer server;
    QSslCertificate certificate;
    static inline QByteArray request;
};

} // namespace

class TestHttpConnection : public QObject
{
    Q_OBJECT

private slots:
    // Each answer is sent whole and again one byte at a time; both must read the same.
    void framing_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<bool>("keepOpen");
        QTest::addColumn<QString>("expected");
        const QList<std::tuple<const char *, QByteArray, bool, QString>> rows{
            {"length, connection left open", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", true, "response|200|hello"},
            {"chunked with extension and trailer",
             "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, Chunked\r\n\r\n5;x=1\r\nhello\r\n6\r\n world\r\n0\r\nX-T: 1\r\n\r\n", true,
             "response|200|hello world"},
            {"until the connection ends", "HTTP/1.0 404 Not Found\r\n\r\n{}", false, "response|404|{}"},
            {"interim answer first", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 404 Gone\r\nContent-Length: 2\r\n\r\n{}", true,
             "response|404|{}"},
            {"bare line feeds and a folded header", "HTTP/1.1 200 OK\nX-A: 1\n 2\ncontent-length: 2\n\nok", true, "response|200|ok"},
            {"no body for 204", "HTTP/1.1 204 No Content\r\n\r\n", true, "response|204|"},
            {"length beyond the cap", "HTTP/1.1 200 OK\r\nContent-Length: 65\r\n\r\n", true, "tooLarge"},
            {"chunks beyond the cap", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n20\r\n" + QByteArray(32, 'a') + "\r\n21\r\n", true,
             "tooLarge"},
            {"unframed body beyond the cap", "HTTP/1.1 200 OK\r\n\r\n" + QByteArray(65, 'a'), true, "tooLarge"},
            {"not http", "SSH-2.0-OpenSSH_9.2\r\n", true, "error|The server did not answer in HTTP."},
            {"status line without a code", "HTTP/1.1 OK\r\n\r\n", true, "error|The server did not answer in HTTP."},
            {"cut short in the body", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", false,
             "error|The connection closed before the whole response arrived."},
            {"cut short between chunks", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n", false,
             "error|The connection closed before the whole response arrived."},
            {"bad chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", true,
             "error|The server sent a malformed HTTP response."},
            {"bad length", "HTTP/1.1 200 OK\r\nContent-Length: 1x\r\n\r\n", true, "error|The server sent a malformed HTTP response."},
            {"header line without a colon", "HTTP/1.1 200 OK\r\nnonsense\r\n\r\n", true,
             "error|The server sent a malformed HTTP response."},
            {"head beyond its cap", "HTTP/1.1 200 OK\r\nX-Long: " + QByteArray(HttpResponseReader::maxHeadBytes, 'a'), true,
             "error|The server sent a malformed HTTP response."},
        };
        for (const auto &[name, raw, keepOpen, expected] : rows) {
            QTest::newRow(name) << raw << keepOpen << expected;
            if (raw.size() < 1024)
                QTest::addRow("%s, dripped", name) << raw << keepOpen << expected;
        }
    }
    void framing()
    {
        QFETCH(QByteArray, raw);
        QFETCH(bool, keepOpen);
        QFETCH(QString, expected);
        FakeHttpServer server;
        FakeHttpServer::Route route;
        route.raw = raw;
        route.keepOpen = keepOpen;
        route.drip = QByteArray(QTest::currentDataTag()).endsWith("dripped");
        server.setRoute("/r", route);
        const HttpOutcome outcome = QCoro::waitFor(HttpConnection::get(server.url("/r"), {}, testLimits));
        QCOMPARE(summary(outcome), expected);
    }

    void requestCarriesHostHeadersAndTarget()
    {
        FakeHttpServer server;
        server.setJson("/rdap/domain/x.test?a=b", 404, "{}");
        const HttpOutcome outcome = QCoro::waitFor(
            HttpConnection::get(server.url("/rdap/domain/x.test?a=b"), {{"Accept", "application/rdap+json"}}, testLimits));
        QCOMPARE(summary(outcome), QStringLiteral("response|404|{}"));
        const auto headers = server.lastHeaders("/rdap/domain/x.test?a=b");
        QCOMPARE(headers.value("host"), QByteArray("127.0.0.1:") + QByteArray::number(server.port()));
        QCOMPARE(headers.value("accept"), QByteArray("application/rdap+json"));
        QCOMPARE(headers.value("connection"), QByteArray("close"));
    }

    void redirects_data()
    {
        QTest::addColumn<int>("hops");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one relative hop") << 1 << "response|404|{}";
        QTest::newRow("as many hops as allowed") << HttpConnection::maxRedirects << "response|404|{}";
        QTest::newRow("one hop too many") << HttpConnection::maxRedirects + 1 << "error|Too many redirects";
    }
    void redirectsThatCannotBeFollowed_data()
    {
        QTest::addColumn<QByteArray>("location");
        QTest::addColumn<QString>("expected");
        QTest::newRow("another protocol") << QByteArray("ftp://127.0.0.1/x") << "error|Protocol \"ftp\" is unknown";
        QTest::newRow("no host") << QByteArray("http:///x") << "error|Invalid URL: ";
    }
    void redirectsThatCannotBeFollowed()
    {
        QFETCH(QByteArray, location);
        QFETCH(QString, expected);
        FakeHttpServer server;
        server.setRoute("/r", FakeHttpServer::Route{301, {{"Location", location}}, {}});
        const HttpOutcome outcome = QCoro::waitFor(HttpConnection::get(server.url("/r"), {}, testLimits));
        QVERIFY2(summary(outcome).startsWith(expected), qPrintable(summary(outcome)));
    }
    void redirects()
    {
        QFETCH(int, hops);
        QFETCH(QString, expected);
        FakeHttpServer server;
        for (int i = 0; i < hops; ++i) {
            const QByteArray next = i + 1 == hops ? "/end" : "/hop" + QByteArray::number(i + 1);
            server.setRoute(QStringLiteral("/hop%1").arg(i), FakeHttpServer::Route{i % 2 ? 307 : 302, {{"Location", next}}, {}});
        }
        server.setJson("/end", 404, "{}");
        const HttpOutcome outcome = QCoro::waitFor(HttpConnection::get(server.url("/hop0"), {}, testLimits));
        QCOMPARE(summary(outcome), expected);
        QCOMPARE(server.requestCount("/end"), hops <= HttpConnection::maxRedirects ? 1 : 0);
    }

    void tls_data()
    {
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("expected");
        QTest::newRow("trusted certificate") << true << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\n{}")
                                             << "response|404|{}";
        QTest::newRow("redirect from https to http refused")
            << true << QByteArray("HTTP/1.1 301 Moved\r\nLocation: http://127.0.0.1:1/\r\nContent-Length: 0\r\n\r\n")
            << "error|Insecure redirect";
        QTest::newRow("untrusted certificate") << false << QByteArray("HTTP/1.1 404 Not Found\r\n\r\n") << "error|SSL handshake failed: ";
    }
    void tls()
    {
        QFETCH(bool, trusted);
        QFETCH(QByteArray, answer);
        QFETCH(QString, expected);
        TlsServer server(answer);
        const QSslConfiguration original = QSslConfiguration::defaultConfiguration();
        if (trusted) {
            QSslConfiguration trusting = original;
            trusting.addCaCertificate(server.certificate);
            QSslConfiguration::setDefaultConfiguration(trusting);
        }
        TlsServer::request.clear();
        const HttpOutcome outcome = QCoro::waitFor(HttpConnection::get(server.url("/rdap/domain/a.test"), {}, testLimits));
        QSslConfiguration::setDefaultConfiguration(original);
        QVERIFY2(summary(outcome).startsWith(expected), qPrintable(summary(outcome)));
        if (trusted)
            QVERIFY(TlsServer::request.startsWith("GET /rdap/domain/a.test HTTP/1.1\r\nHost: 127.0.0.1:"));
    }

    void destroyingTheContextCancels()
    {
        FakeHttpServer server;
        FakeHttpServer::Route hang;
        hang.hang = true;
        server.setRoute("/hang", hang);
        auto context = std::make_unique<QObject>();
        auto task = HttpConnection::get(server.url("/hang"), {}, testLimits, context.get());
        QTRY_COMPARE(server.requestCount("/hang"), 1);
        context.reset();
        QCOMPARE(summary(QCoro::waitFor(task)), QStringLiteral("error|Operation canceled"));
    }
};

QTEST_GUILESS_MAIN(TestHttpConnection)
#include "tst_httpconnection.moc"
