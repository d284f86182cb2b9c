#include "FakeWhoisServer.h"
#include "engine/WhoisClient.h"

#include <QFile>
#include <QTest>

using namespace orvane;

class TestWhoisClient : public QObject
{
    Q_OBJECT
private slots:
    void referralLine_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("host");
        QTest::newRow("upper case REFER") << "% IANA\nREFER: whois.nic.zz\n" << "whois.nic.zz";
        QTest::newRow("CR LF, blanks around") << "domain: X\r\nrefer:\twhois.nic.zz \r\nstatus: x" << "whois.nic.zz";
        QTest::newRow("leading blanks") << "   refer: whois.nic.zz\n" << "<none>";
        QTest::newRow("blank host") << "refer:   \t\n" << "<none>";
        QTest::newRow("first refer line decides") << "refer:\nrefer: whois.nic.zz\n" << "<none>";
        QFile iana(QStringLiteral(ORVANE_TEST_DATA "/whois-answers/whois.iana.org__tld__status_not_assigned.txt"));
        QVERIFY(iana.open(QIODevice::ReadOnly));
        QTest::newRow("real IANA answer without referral") << QString::fromUtf8(iana.readAll()) << "<none>";
    }
    void referralLine()
    {
        QFETCH(QString, answer); QFETCH(QString, host);
        QCOMPARE(WhoisClient::referral(answer).value_or("<none>"), host);
    }

    // Each row is looked up twice: what the server saw tells what was cached.
    void lookup_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("tld");
        QTest::addColumn<QByteArray>("ianaAnswer");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QList<QByteArray>>("queries");
        const QString taken = QStringLiteral("taken|Domain Name: X\nRegistrar: Y");
        const QString noServer = QStringLiteral("No WHOIS server known for .zz");
        const QList<QByteArray> askedTwice{"zz\r\n", "zz\r\n"};
        QTest::newRow("table, TLD in capitals") << "example" << "COM" << QByteArray() << taken
                                                << QList<QByteArray>{"example.com\r\n", "example.com\r\n"};
        QTest::newRow("table, name in capitals") << "MyName" << ".io" << QByteArray() << taken
                                                 << QList<QByteArray>{"myname.io\r\n", "myname.io\r\n"};
        QTest::newRow("referral followed, then cached") << "a" << "ZZ" << QByteArray("% IANA\r\nrefer: whois.nic.zz\r\n")
                                                        << "available|No match" << QList<QByteArray>{"zz\r\n", "a.zz\r\n", "a.zz\r\n"};
        QTest::newRow("referral to the server asked") << "a" << ".zz" << QByteArray("refer: WHOIS.IANA.TEST.\n") << noServer << askedTwice;
        QTest::newRow("referral to an IPv4 address") << "a" << ".zz" << QByteArray("refer: 127.0.0.2\n") << noServer << askedTwice;
        QTest::newRow("referral to an IPv6 address") << "a" << ".zz" << QByteArray("refer: [::1]\n") << noServer << askedTwice;
        QTest::newRow("no referral") << "a" << ".zz" << QByteArray("% no such TLD\n") << noServer << askedTwice;
        QTest::newRow("empty TLD") << "a" << "" << QByteArray() << "Invalid TLD: ." << QList<QByteArray>{};
        QTest::newRow("CR LF in TLD") << "a" << ".com\r\nevil.com" << QByteArray()
                                      << QStringLiteral("Invalid TLD: .com\uFFFD\uFFFDevil.com") << QList<QByteArray>{};
        QTest::newRow("line separator in name") << QStringLiteral("a\u2028b") << ".com" << QByteArray() << "Invalid TLD: .com" << QList<QByteArray>{};
    }
    void lookup()
    {
        QFETCH(QString, name); QFETCH(QString, tld); QFETCH(QByteArray, ianaAnswer); QFETCH(QString, expected);
        QFETCH(QList<QByteArray>, queries);
        FakeWhoisServer server;
        server.setDefault({"Domain Name: X\r\nRegistrar: Y\r\n"});
        server.setAnswer("zz", ianaAnswer);
        server.setAnswer("a.zz", QByteArray("No match"));
        WhoisClient::Options o;
        o.servers = {{".com", "whois.nic.com"}, {".io", "whois.nic.io"}};
        o.referralHost = QStringLiteral("whois.iana.test");
        o.overrideHost = QStringLiteral("127.0.0.1"); // every exchange goes here, whatever the host named
        o.connection.port = server.port();
        o.connection.timeout = std::chrono::milliseconds(3000);
        WhoisClient whois(o);
        for (int i = 0; i < 2; ++i) {
            const auto result = QCoro::waitFor(whois.lookup(name, tld));
            QCOMPARE(result ? rawString(result->availability) + '|' + result->rawResponse : result.error().description(), expected);
        }
        QCOMPARE(server.rawQueries(), queries);
    }
};

QTEST_GUILESS_MAIN(TestWhoisClient)
#include "tst_whoisclient.moc"
