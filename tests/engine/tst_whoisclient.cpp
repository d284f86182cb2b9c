#include "FakeWhoisServer.h"
#include "WhoisClient.h"

#include <QFile>
#include <QTest>

using namespace orvane;
using Lookup = std::expected<CheckResult, WhoisError>;

class TestWhoisClient : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakeWhoisServer> m_server;

    std::unique_ptr<WhoisClient> client()
    {
        WhoisClient::Options o;
        o.servers = {{".com", "127.0.0.1"}, {".io", "127.0.0.1"}};
        o.referralHost = QStringLiteral("127.0.0.1");
        o.connection.port = m_server->port();
        o.connection.timeout = std::chrono::milliseconds(3000);
        return std::make_unique<WhoisClient>(o);
    }

    static QString describe(const Lookup &result)
    {
        return result ? rawString(result->availability) + '|' + result->rawResponse : result.error().description();
    }

private slots:
    void init() { m_server = std::make_unique<FakeWhoisServer>(); }

    void queryLineFromTable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("tld");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("COM") << "example" << "COM" << QByteArray("example.com\r\n");
        QTest::newRow("com") << "example" << "com" << QByteArray("example.com\r\n");
        QTest::newRow(".com") << "Example" << ".com" << QByteArray("example.com\r\n");
        QTest::newRow("MyName .io") << "MyName" << ".io" << QByteArray("myname.io\r\n");
    }
    void queryLineFromTable()
    {
        QFETCH(QString, name);
        QFETCH(QString, tld);
        QFETCH(QByteArray, line);
        m_server->setDefault({"Domain Name: X\r\nRegistrar: Y\r\n"});
        auto whois = client();
        const Lookup result = QCoro::waitFor(whois->lookup(name, tld));
        QCOMPARE(describe(result), QStringLiteral("taken|Domain Name: X\nRegistrar: Y"));
        QCOMPARE(m_server->rawQueries(), QList<QByteArray>{line});
    }

    void referralIsFollowedOnceAndCached()
    {
        m_server->setAnswer("ninja", QByteArray("% IANA WHOIS server\r\n\r\ndomain:       NINJA\r\nrefer:        localhost\r\n"));
        m_server->setAnswer("dojo.ninja", QByteArray("No match for \"DOJO.NINJA\".\n"));
        auto whois = client();
        QCOMPARE(describe(QCoro::waitFor(whois->lookup("dojo", ".ninja"))), QStringLiteral("available|No match for \"DOJO.NINJA\"."));
        QCOMPARE(whois->serverCache().value(".ninja"), QStringLiteral("localhost"));
        QCOMPARE(describe(QCoro::waitFor(whois->lookup("dojo", "NINJA"))), QStringLiteral("available|No match for \"DOJO.NINJA\"."));
        QCOMPARE(m_server->queries(), (QStringList{"ninja", "dojo.ninja", "dojo.ninja"}));
    }

    void referralAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("expected");
        QTest::newRow("upper case REFER") << QByteArray("REFER: localhost\n") << "available|No match";
        QTest::newRow("CR LF") << QByteArray("domain: X\r\nrefer:\tlocalhost \r\n") << "available|No match";
        QTest::newRow("leading blanks") << QByteArray("   refer: localhost\n") << "No WHOIS server known for .zz";
        QTest::newRow("blank host") << QByteArray("refer:   \t\n") << "No WHOIS server known for .zz";
        QTest::newRow("first refer line decides") << QByteArray("refer:\nrefer: localhost\n") << "No WHOIS server known for .zz";
        QTest::newRow("back to the server asked") << QByteArray("refer: 127.0.0.1\n") << "No WHOIS server known for .zz";
        QTest::newRow("literal IPv4 address") << QByteArray("refer: 127.0.0.2\n") << "No WHOIS server known for .zz";
        QTest::newRow("literal IPv6 address") << QByteArray("refer: ::1\n") << "No WHOIS server known for .zz";
        QFile iana(QStringLiteral(ORVANE_TEST_DATA "/whois-answers/whois.iana.org__tld__status_not_assigned.txt"));
        QVERIFY(iana.open(QIODevice::ReadOnly));
        QTest::newRow("real IANA answer without referral") << iana.readAll() << "No WHOIS server known for .zz";
    }
    void referralAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, expected);
        m_server->setAnswer("zz", answer);
        m_server->setAnswer("a.zz", QByteArray("No match"));
        auto whois = client();
        QCOMPARE(describe(QCoro::waitFor(whois->lookup("a", ".zz"))), expected);
        QCOMPARE(whois->serverCache().contains(".zz"), expected.startsWith("available"));
        if (!expected.startsWith("available")) {
            // A failed referral is not remembered: the next lookup asks again.
            QCoro::waitFor(whois->lookup("a", ".zz"));
            QCOMPARE(m_server->queries(), (QStringList{"zz", "zz"}));
        }
    }

    void refusedBeforeAnyTraffic_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("tld");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty tld") << "a" << "" << "Invalid TLD: .";
        QTest::newRow("lone dot") << "a" << "." << "Invalid TLD: .";
        QTest::newRow("CR LF in tld") << "a" << ".com\r\nevil.com" << QStringLiteral("Invalid TLD: .com\uFFFD\uFFFDevil.com");
        QTest::newRow("space in tld") << "a" << ".co m" << "Invalid TLD: .co m";
        QTest::newRow("tab in name") << "a\tb" << ".com" << "Invalid TLD: .com";
        QTest::newRow("NUL in name") << QString::fromUtf8("a\0b", 3) << ".com" << "Invalid TLD: .com";
    }
    void refusedBeforeAnyTraffic()
    {
        QFETCH(QString, name);
        QFETCH(QString, tld);
        QFETCH(QString, expected);
        auto whois = client();
        QCOMPARE(describe(QCoro::waitFor(whois->lookup(name, tld))), expected);
        QVERIFY(m_server->queries().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestWhoisClient)
#include "tst_whoisclient.moc"
