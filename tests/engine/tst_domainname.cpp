#include "engine/DomainAvailability.h"
#include "engine/DomainName.h"

#include <QTest>

using namespace orvane;

class TestDomainName : public QObject
{
    Q_OBJECT
private slots:
    // Stored verdicts read back exactly: anything else is no verdict at all.
    void availabilityRawStrings()
    {
        for (const auto value : allDomainAvailabilities)
            QVERIFY(domainAvailabilityFromRaw(rawString(value)) == value);
        for (const char *raw : {"Available", " available", "maybe"})
            QVERIFY(!domainAvailabilityFromRaw(QString::fromLatin1(raw)));
    }

    // What a typed name becomes: the form shown and the form the registries are asked about.
    void names_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown"); // "-" when refused
        QTest::addColumn<QString>("ascii");
        const auto refused = [](const char *tag, const QString &typed) { QTest::newRow(tag) << typed << "-" << "-"; };
        QTest::newRow("plain") << "orvane" << "orvane" << "orvane";
        QTest::newRow("pasted domain") << "  MyName.COM \n" << "myname" << "myname";
        QTest::newRow("three labels") << "www.example.co.uk" << "www" << "www";
        QTest::newRow("63 chars") << QString(63, 'a') << QString(63, 'a') << QString(63, 'a');
        QTest::newRow("double hyphen") << "a--b" << "a--b" << "a--b";
        QTest::newRow("hyphens in 4th and 5th place") << "abc--d" << "abc--d" << "abc--d";
        QTest::newRow("digits only") << "1234567890" << "1234567890" << "1234567890";
        QTest::newRow("unicode") << QStringLiteral("B\u00fccher") << QStringLiteral("b\u00fccher") << "xn--bcher-kva";
        QTest::newRow("ascii form") << "XN--BCHER-KVA.de" << QStringLiteral("b\u00fccher") << "xn--bcher-kva";
        QTest::newRow("decomposed accent") << QStringLiteral("cafe\u0301") << QStringLiteral("caf\u00e9") << "xn--caf-dma";
        QTest::newRow("other script") << QStringLiteral("\u65e5\u672c") << QStringLiteral("\u65e5\u672c") << "xn--wgv71a";
        refused("leading dot", ".com");
        refused("spaces only", "   ");
        refused("64 chars", QString(64, 'a'));
        refused("leading hyphen", "-abc");
        refused("trailing hyphen", "abc-");
        refused("hyphen before a letter beyond ASCII", QStringLiteral("-b\u00fccher"));
        refused("inner space", "my name");
        refused("underscore", "my_name");
        // Digits are 0-9 only: others would be sent as raw UTF-8 or as a form nobody typed.
        refused("superscript digit", QStringLiteral("ab\u00b2"));
        refused("arabic-indic digits", QStringLiteral("ab\u0661\u0662"));
        refused("devanagari digit", QStringLiteral("\u0915\u0967"));
        // The DNS keeps "--" in third and fourth place for encodings.
        refused("hyphens in 3rd and 4th place", "ab--cd");
        refused("xn-- that decodes to nothing valid", "xn--a");
        refused("xn-- of a symbol", "xn--e28h");
        refused("symbol", QStringLiteral("\U0001F600"));
        refused("ligature mapped to other letters", QStringLiteral("\ufb01sh"));
        refused("ligature beside a letter beyond ASCII", QStringLiteral("\ufb01sch\u00fc"));
    }
    void names()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, ascii);
        const QString name = DomainName::normalize(typed);
        QCOMPARE(DomainName::displayForm(name).value_or("-"), shown);
        QCOMPARE(DomainName::toAscii(name).value_or("-"), ascii);
        QCOMPARE(DomainName::isValid(name), shown != "-");
        if (shown != "-")
            QCOMPARE(DomainName::toUnicode(ascii + ".com"), shown + ".com");
    }
};

QTEST_GUILESS_MAIN(TestDomainName)
#include "tst_domainname.moc"
