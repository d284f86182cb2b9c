#include "FakeWhoisServer.h"
#include "engine/WhoisConnection.h"

#include <QSocketNotifier>
#include <QTest>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

using namespace orvane;
using Answer = std::expected<QString, WhoisError>;
using Script = FakeWhoisServer::Script;

namespace {

// An HTTP CONNECT proxy on 127.0.0.1 that keeps the request line of every tunnel asked for and
// joins each tunnel to `forwardPort` on loopback, whatever host it names; or refuses them all.
class FakeConnectProxy : public QObject
{
public:
    FakeConnectProxy(quint16 forwardPort, bool refuse) : m_forwardPort(forwardPort), m_refuse(refuse)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *client = m_server.nextPendingConnection())
                connect(client, &QTcpSocket::readyRead, this, [this, client] { openTunnel(client); });
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    const QList<QByteArray> &requests() const { return m_requests; }

private:
    void openTunnel(QTcpSocket *client)
    {
        if (!client->canReadLine() || !client->peek(4096).contains("\r\n\r\n"))
            return;
        client->disconnect(this);
        const QByteArray head = client->read(client->peek(4096).indexOf("\r\n\r\n") + 4);
        m_requests << head.left(head.indexOf("\r\n"));
        if (m_refuse) {
            client->write("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n");
            client->disconnectFromHost();
            return;
        }
        auto *upstream = new QTcpSocket(client);
        connect(upstream, &QTcpSocket::connected, client, [client] { client->write("HTTP/1.1 200 Connection established\r\n\r\n"); });
        connect(client, &QTcpSocket::readyRead, upstream, [client, upstream] { upstream->write(client->readAll()); });
        connect(upstream, &QTcpSocket::readyRead, client, [client, upstream] { client->write(upstream->readAll()); });
        connect(upstream, &QTcpSocket::disconnected, client, [client] { client->disconnectFromHost(); });
        upstream->connectToHost(QHostAddress::LocalHost, m_forwardPort);
    }

    QTcpServer m_server;
    quint16 m_forwardPort;
    bool m_refuse;
    QList<QByteArray> m_requests;
};

} // namespace

class TestWhoisConnection : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakeWhoisServer> m_server;

    WhoisConnection::Options options(int timeoutMs) const
    {
        return {.port = m_server->port(), .timeout = std::chrono::milliseconds(timeoutMs)};
    }

    static QString describe(const Answer &answer)
    {
        return answer ? QStringLiteral("text:") + *answer : QStringLiteral("error:") + answer.error().description();
    }

private slots:
    void init() { m_server = std::make_unique<FakeWhoisServer>(); }

    // The first event to end the exchange decides it, and the connection is closed either way.
    void exchange_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<QString>("expected");
        QTest::newRow("answer and close") << Script{"Domain Name: a.test\r\n"} << "text:Domain Name: a.test\r\n";
        QTest::newRow("close with nothing") << Script{""} << "text:";
        QTest::newRow("chunks then end of stream") << Script{.chunks = {"first ", "second ", "third"}} << "text:first second third";
        QTest::newRow("reset after data") << Script{.answer = "partial answer", .reset = true} << "error:Read failed: Connection reset by peer";
        QTest::newRow("reset before data") << Script{.reset = true} << "error:Read failed: Connection reset by peer";
        QTest::newRow("invalid UTF-8 kept leniently") << Script{QByteArray("Domain Name: caf\xe9.test\r\n")}
                                                      << QStringLiteral("text:Domain Name: caf\uFFFD.test\r\n");
        QTest::newRow("silent server") << Script{.silent = true} << "error:WHOIS query timed out";
        QTest::newRow("drip feed") << Script{.chunks = QList<QByteArray>(200, "x")} << "error:WHOIS query timed out";
        QTest::newRow("endless answer") << Script{.endless = 64 * 1024 * 1024} << "error:Read failed: Answer too large";
    }
    void exchange()
    {
        QFETCH(Script, script); QFETCH(QString, expected);
        m_server->setAnswer(QStringLiteral("a.test"), script);
        QCOMPARE(describe(QCoro::waitFor(WhoisConnection::query("127.0.0.1", "a.test\r\n", options(2000)))), expected);
        QCOMPARE(m_server->rawQueries(), QList<QByteArray>{"a.test\r\n"});
        QTRY_COMPARE(m_server->openConnections(), 0);
    }

    void silentAddressIsRacedPast()
    {
#ifndef Q_OS_LINUX
        QSKIP("a listener that drops connection attempts is made with Linux's accept queue");
#else
        // A listener whose accept queue is full drops new attempts: like a broken IPv6 path,
        // it never answers. Listed first, it must cost one stagger delay, not the time limit;
        // and once the other address has won, the attempt left behind is closed: freed while the
        // answer is awaited, the listener would see it connect at its SYN's retry (1 s) and get
        // the query a second time.
        const int hole = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in address{.sin_family = AF_INET, .sin_port = htons(m_server->port()),
                            .sin_addr = {htonl(0x7f000002)}}; // 127.0.0.2
        QVERIFY(::bind(hole, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
        QVERIFY(::listen(hole, 0) == 0);
        std::vector<int> fillers;
        for (int i = 0; i < 2; ++i) {
            fillers.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
            ::connect(fillers.back(), reinterpret_cast<sockaddr *>(&address), sizeof address);
        }
        m_server->setAnswer(QStringLiteral("a.test"), Script{.answer = "found\r\n", .delayMs = 1500});
        auto o = options(3000);
        o.addresses = {QHostAddress(QStringLiteral("127.0.0.2")), QHostAddress::LocalHost};
        auto task = WhoisConnection::query("whois.test", "a.test\r\n", o);
        QTRY_COMPARE(m_server->queries().size(), 1);
        std::vector<int> accepted;
        QSocketNotifier accepting(hole, QSocketNotifier::Read);
        connect(&accepting, &QSocketNotifier::activated, this, [&] {
            for (int fd; (fd = ::accept4(hole, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0;)
                accepted.push_back(fd);
        });
        const Answer answer = QCoro::waitFor(task);
        QByteArray sentThere;
        for (int fd : accepted) {
            char buffer[64];
            if (const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0); got > 0)
                sentThere.append(buffer, got);
            ::close(fd);
        }
        for (int fd : fillers)
            ::close(fd);
        ::close(hole);
        QCOMPARE(describe(answer), QStringLiteral("text:found\r\n"));
        QCOMPARE(sentThere, QByteArray());
#endif
    }

    void connectionFailures_data()
    {
        QTest::addColumn<QString>("host");
        QTest::newRow("refused") << "127.0.0.1";
        QTest::newRow("unresolvable") << "no..such..host";
    }
    void connectionFailures()
    {
        QFETCH(QString, host);
        auto o = options(3000);
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost, 0);
        o.port = closed.serverPort();
        closed.close();
        const Answer answer = QCoro::waitFor(WhoisConnection::query(host, "a.test\r\n", o));
        QVERIFY2(describe(answer).startsWith("error:Connection failed: waiting: "), qPrintable(describe(answer)));
    }

    // With a proxy set, WHOIS goes through it or not at all. The host name is the proxy's to
    // resolve ("whois.nic.test" resolves nowhere), and a refusal names the proxy.
    void throughProxy_data()
    {
        QTest::addColumn<QString>("proxyKind"); // tunnel, refuse, down
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("expected"); // PROXY stands for the proxy's address
        QTest::newRow("tunnel") << "tunnel" << "whois.nic.test" << "text:No match\r\n";
        QTest::newRow("proxy refuses") << "refuse" << "whois.nic.test"
                                       << "error:Connection failed: waiting: proxy http://PROXY: CONNECT tunnel failed, response 403";
        QTest::newRow("proxy not listening") << "down" << "whois.nic.test" << "error:Connection failed: waiting: proxy http://PROXY: ";
        QTest::newRow("host in no_proxy") << "refuse" << "127.0.0.1" << "text:No match\r\n";
    }
    void throughProxy()
    {
        QFETCH(QString, proxyKind); QFETCH(QString, host); QFETCH(QString, expected);
        m_server->setDefault(Script{"No match\r\n"});
        FakeConnectProxy proxy(m_server->port(), proxyKind == "refuse");
        QTcpServer down;
        down.listen(QHostAddress::LocalHost, 0);
        const quint16 proxyPort = proxyKind == "down" ? down.serverPort() : proxy.port();
        down.close();
        auto o = options(3000);
        if (host != "127.0.0.1")
            o.port = 43;
        const QString address = QStringLiteral("127.0.0.1:%1").arg(proxyPort);
        o.proxy = ProxySetting{address, QStringLiteral("localhost, 127.0.0.0/8")};
        const QString got = describe(QCoro::waitFor(WhoisConnection::query(host, "a.test\r\n", o)));
        QVERIFY2(got.startsWith(QString(expected).replace("PROXY", address)), qPrintable(got));
        QCOMPARE(m_server->queries(), proxyKind == "tunnel" || host == "127.0.0.1" ? QStringList{"a.test"} : QStringList());
        QCOMPARE(proxy.requests(), proxyKind == "down" || host == "127.0.0.1" ? QList<QByteArray>()
                                                                              : QList<QByteArray>{"CONNECT whois.nic.test:43 HTTP/1.1"});
    }

    // The proxy WHOIS takes is the one RDAP's HTTPS requests take, and no_proxy as libcurl reads it.
    void proxyFromEnvironment_data()
    {
        QTest::addColumn<QString>("environment"); // NAME=value;...
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("proxy"); // "-": direct
        QTest::newRow("none") << "" << "whois.nic.test" << "-";
        QTest::newRow("https first") << "http_proxy=h:1;all_proxy=a:1;https_proxy=s:1" << "whois.nic.test" << "s:1";
        QTest::newRow("HTTPS_PROXY") << "all_proxy=a:1;HTTPS_PROXY=S:1" << "whois.nic.test" << "S:1";
        QTest::newRow("all_proxy before http_proxy") << "http_proxy=h:1;ALL_PROXY=A:1" << "whois.nic.test" << "A:1";
        QTest::newRow("http_proxy last") << "http_proxy=h:1" << "whois.nic.test" << "h:1";
        QTest::newRow("HTTP_PROXY ignored") << "HTTP_PROXY=H:1" << "whois.nic.test" << "-";
        QTest::newRow("no_proxy domain") << "https_proxy=s:1;no_proxy=example.org,.nic.test" << "whois.nic.test" << "-";
        QTest::newRow("no_proxy suffix is not a domain") << "https_proxy=s:1;no_proxy=ic.test" << "whois.nic.test" << "s:1";
        QTest::newRow("NO_PROXY star") << "https_proxy=s:1;NO_PROXY=*" << "whois.nic.test" << "-";
        QTest::newRow("no_proxy network") << "https_proxy=s:1;no_proxy=10.0.0.0/8" << "10.1.2.3" << "-";
        QTest::newRow("no_proxy IPv6") << "https_proxy=s:1;no_proxy=::1" << "::1" << "-";
    }
    void proxyFromEnvironment()
    {
        QFETCH(QString, environment); QFETCH(QString, host); QFETCH(QString, proxy);
        QProcessEnvironment env;
        for (const QString &pair : environment.split(';', Qt::SkipEmptyParts))
            env.insert(pair.section('=', 0, 0), pair.section('=', 1));
        const auto setting = orvane::proxyFromEnvironment(env);
        QCOMPARE(setting && !bypassesProxy(host, setting->noProxy) ? setting->url : QStringLiteral("-"), proxy);
    }

    // Destroying the context keeps what arrived, if anything.
    void cancellation_data()
    {
        QTest::addColumn<bool>("afterData");
        QTest::newRow("before data") << false;
        QTest::newRow("after data") << true;
    }
    void cancellation()
    {
        QFETCH(bool, afterData);
        m_server->setDefault(afterData ? Script{.answer = "partial", .neverClose = true} : Script{.silent = true});
        auto context = std::make_unique<QObject>();
        qint64 received = 0;
        auto o = options(5000);
        o.received = [&received](qint64 total) { received = total; };
        auto task = WhoisConnection::query("127.0.0.1", "a.test\r\n", o, context.get());
        if (afterData)
            QTRY_COMPARE(received, qint64(7));
        else
            QTRY_COMPARE(m_server->queries().size(), 1);
        context.reset();
        QCOMPARE(describe(QCoro::waitFor(task)), afterData ? QStringLiteral("text:partial") : QStringLiteral("error:Cancelled"));
        QTRY_COMPARE(m_server->openConnections(), 0);
    }
};

QTEST_GUILESS_MAIN(TestWhoisConnection)
#include "tst_whoisconnection.moc"
