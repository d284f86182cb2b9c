#include "engine/WhoisInterpretation.h"

#include <QFile>
#include <QTest>

using namespace orvane;

// Verdicts and display text read from recorded answers: no server needed.
class TestWhoisInterpretation : public QObject
{
    Q_OBJECT
private slots:
    void realRegistryAnswers_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("verdict");
        QFile manifest(QStringLiteral(ORVANE_TEST_DATA "/whois-answers/manifest.tsv"));
        QVERIFY(manifest.open(QIODevice::ReadOnly | QIODevice::Text));
        int rows = 0;
        while (!manifest.atEnd()) {
            const QStringList fields = QString::fromUtf8(manifest.readLine()).trimmed().split(QLatin1Char('\t'));
            if (fields.size() == 3 && ++rows)
                QTest::newRow(qPrintable(fields[0])) << fields[0] << fields[2];
        }
        QCOMPARE(rows, 31);
    }
    void realRegistryAnswers()
    {
        QFETCH(QString, file); QFETCH(QString, verdict);
        QFile f(QStringLiteral(ORVANE_TEST_DATA "/whois-answers/") + file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString answer = QString::fromUtf8(f.readAll());
        QCOMPARE(rawString(interpretWhoisResponse(answer)), verdict);
        const QString shown = stripWhoisBoilerplate(answer);
        QCOMPARE(stripWhoisBoilerplate(shown), shown);
    }

    void verdicts_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("empty") << "" << "unknown";
        QTest::newRow("white space only") << " \r\n\t\r" << "unknown";
        QTest::newRow("no match") << "No match for \"EXAMPLE-XYZ.COM\"." << "available";
        QTest::newRow("free phrase, one record marker") << "Domain Name: a.com\nRegistrar: X\nThis service is free of charge." << "available";
        QTest::newRow("free phrase under a record") << "Domain Name: a.com\nRegistrar: X\nCreated: 2001-01-01\nOther names are available for registration." << "taken";
        QTest::newRow("refusal beats a bare line") << "Domain Name: a.com\nToo Many Requests" << "error";
        QTest::newRow("rate limit under a record") << "Domain Name: a.com\nRegistrar: X\nName Server: ns.a.com\nTERMS: queries are subject to a rate limit." << "taken";
        QTest::newRow("not available for registration") << "a.test is not available for registration" << "unknown";
        QTest::newRow("premium") << "a.test is a premium name" << "unknown";
        QTest::newRow("reserved by") << "Reserved by the registry" << "unknown";
        QTest::newRow("domain name line") << "DOMAIN NAME: a.com\nfoo\nbar\nbaz" << "taken";
        QTest::newRow("two comments, two lines") << "% a\n% b\nline one\nline two" << "available";
        QTest::newRow("two comments, three lines") << "% a\n% b\nline one\nline two\nline three" << "unknown";
        QTest::newRow("indented comments") << "  % a\n\t# b\n   %c\nline one\nline two" << "available";
        QTest::newRow("short record without a taken phrase") << "Created: 2020-01-01\nExpiry Date: 2030-01-01" << "unknown";
        QTest::newRow("short complaint") << "Error: invalid query" << "unknown";
        QTest::newRow("short status") << "Status: invalid" << "unknown";
        QTest::newRow("short reservation") << "RESERVED" << "unknown";
        QTest::newRow("short not permitted") << "% x\nName not permitted" << "unknown";
        QTest::newRow(">>> lines count") << ">>> one\n>>> two\n>>> three" << "unknown";
        QTest::newRow("not found before LF") << "a.test not found\nx\ny\nz" << "available";
        QTest::newRow("not found before CR LF") << "a.test not found\r\nx\r\ny\r\nz" << "available";
        QTest::newRow("not found before lone CR") << "a.test not found\rinvalid" << "available";
        // Refusals real registries send, which must never read as free.
        QTest::newRow("request limit exceeded") << "request limit exceeded for 127.0.0.1" << "error";
        QTest::newRow("connection limit") << "Your connection limit exceeded. Please slow down and try again later." << "error";
        QTest::newRow("access control limit") << "% Error: 55000000002 Connection refused; access control limit reached." << "error";
        QTest::newRow("too many connections") << "# Too many connections." << "error";
        QTest::newRow("go away") << "Please go away for 13 Seconds" << "error";
        QTest::newRow("too busy") << "Server too busy, try again later" << "error";
        QTest::newRow("temporarily unavailable") << "Service temporarily unavailable." << "error";
        QTest::newRow("quota") << "You have exceeded your quota of queries." << "error";
        QTest::newRow("wait seconds") << "Query refused for now.\nPlease wait 1 second before the next." << "error";
        QTest::newRow("refusal before a free line") << "Query limit exceeded\nNo match for a.test" << "error";

        // Blanks: tabs and padding before a colon read as one space.
        QTest::newRow("tab after a colon") << "Domain Name: a.test\nStatus:\t\tAVAILABLE" << "available";
        QTest::newRow("padded field names") << "Registrar\t: X\nCreation Date  : 2001-01-01\nNames are available for registration." << "taken";
        // Records in the RIPE style and others: two fields make a record, whatever else it says.
        QTest::newRow("admin-c, nserver") << "domain: a.test\nadmin-c: A1\nnserver: ns.a.test\nremarks: only available for registration under conditions" << "taken";
        QTest::newRow("holder-c, expire-date") << "holder-c: H1\nexpire-date: 2030-01-01\nAvailable for registration: no" << "unknown";
        QTest::newRow("tech-c, paid-till") << "tech-c: T1\npaid-till: 2030-01-01\nAvailable for registration: no" << "unknown";
        QTest::newRow("registration and expiration time") << "Registration Time: 2001-01-01\nExpiration Time: 2030-01-01\nAvailable for registration: no" << "unknown";
        QTest::newRow("nic-hdl, expires") << "nic-hdl: N1\nexpires: 2030-01-01\nAvailable for registration: no" << "unknown";
        // The first line says free: refusal words under it are legal text, unless a negation stands anywhere.
        QTest::newRow("free first, rate limit below") << "% Registry\nNo match for \"a.test\".\n\nQueries are subject to a rate limit." << "available";
        QTest::newRow("cannot be registered") << "a.test is available.\nIt cannot be registered." << "unknown";
        QTest::newRow("prohibited string") << "No entries found.\nThe name holds a prohibited string." << "unknown";
        QTest::newRow("domain not available") << "Domain not available" << "unknown";
        QTest::newRow("not allowed by") << "Not found: a.test\nRegistration is not allowed by policy." << "unknown";
        // A line that says free, below others that do not.
        const QString lead = QStringLiteral("Test Registry\nQuery a.test\n");
        QTest::newRow("ends with not found") << lead + "Domain a.tn not found" << "available";
        QTest::newRow("ends with is available") << lead + "a.test is available" << "available";
        QTest::newRow("available alone") << lead + "Available" << "available";
        QTest::newRow("free alone") << lead + "\tFree " << "available";
        QTest::newRow("not registered alone") << lead + "NOT REGISTERED" << "available";
        QTest::newRow("is not registered") << lead + "The name is not registered, ask us" << "available";
        QTest::newRow("is available.") << lead + "a.test is available. Ask us" << "available";
        QTest::newRow("nothing found") << lead + "Nothing found for this query" << "available";
        QTest::newRow("object_not_found") << lead + "ERROR:OBJECT_NOT_FOUND:a.test" << "available";
        QTest::newRow("does not exist") << lead + "That domain does not exist here" << "available";
        // Legal text in comment lines is no record.
        QTest::newRow("taken words in comments") << "% The registrant of a domain name\n# Domain Name: as asked\none\ntwo\nthree" << "unknown";
        QTest::newRow("comments only") << "% Test Registry WHOIS\n# server" << "unknown";
        QTest::newRow("copyright line") << "Query a.test\nCopyright Test Registry, all rights reserved." << "available";
    }
    void verdicts()
    {
        QFETCH(QString, answer); QFETCH(QString, verdict);
        QCOMPARE(rawString(interpretWhoisResponse(answer)), verdict);
    }

    void displayText_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty") << "" << "";
        QTest::newRow("last update marker") << "Domain Name: a.com\n\n>>> Last update of WHOIS database: 2026-01-01 <<<\n\nTerms apply." << "Domain Name: a.com";
        QTest::newRow("marker mid-line") << "Domain Name: a.com\nSee NOTICE: blah" << "Domain Name: a.com\nSee";
        QTest::newRow("banners trimmed, inside kept") << "% banner\n# more\n\nA: 1\n\n% inner\n  B: 2\n>>> end\n" << "A: 1\n\n% inner\n  B: 2";
        QTest::newRow("CR LF") << "% x\r\nA: 1\r\nB: 2\r\n" << "A: 1\nB: 2";
        QTest::newRow("case-insensitive marker") << "A: 1\nterms of use: none" << "A: 1";
        // Found by fuzzing: a lone CR before a comment sign used to survive the first pass.
        QTest::newRow("CR before a comment sign") << "\r%" << "";
    }
    void displayText()
    {
        QFETCH(QString, answer); QFETCH(QString, shown);
        QCOMPARE(stripWhoisBoilerplate(answer), shown);
        QCOMPARE(stripWhoisBoilerplate(shown), shown);
    }
};

QTEST_GUILESS_MAIN(TestWhoisInterpretation)
#include "tst_whoisinterpretation.moc"
