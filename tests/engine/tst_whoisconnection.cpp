#include "FakeWhoisServer.h"
#include "engine/WhoisConnection.h"

#include <QTest>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

using namespace orvane;
using Answer = std::expected<QString, WhoisError>;
using Script = FakeWhoisServer::Script;

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
        QFETCH(Script, script);
        QFETCH(QString, expected);
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
        // it never answers. Listed first, it must cost one stagger delay, not the time limit.
        const int hole = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{.sin_family = AF_INET, .sin_port = htons(m_server->port()),
                            .sin_addr = {htonl(0x7f000002)}}; // 127.0.0.2
        QVERIFY(::bind(hole, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
        QVERIFY(::listen(hole, 0) == 0);
        std::vector<int> fillers;
        for (int i = 0; i < 2; ++i) {
            fillers.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
            ::connect(fillers.back(), reinterpret_cast<sockaddr *>(&address), sizeof address);
        }
        m_server->setAnswer(QStringLiteral("a.test"), Script{"found\r\n"});
        auto o = options(3000);
        o.addresses = {QHostAddress(QStringLiteral("127.0.0.2")), QHostAddress::LocalHost};
        const Answer answer = QCoro::waitFor(WhoisConnection::query("whois.test", "a.test\r\n", o));
        for (int fd : fillers)
            ::close(fd);
        ::close(hole);
        QCOMPARE(describe(answer), QStringLiteral("text:found\r\n"));
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
