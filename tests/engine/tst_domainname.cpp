#include "DomainAvailability.h"
#include "DomainName.h"

#include <QTest>

using namespace orvane;

class TestDomainName : public QObject
{
    Q_OBJECT
private slots:
    void availabilityRawStrings_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<bool>("valid");
        QTest::newRow("exact") << "available" << true;
        QTest::newRow("capital") << "Available" << false;
        QTest::newRow("leading space") << " available" << false;
        QTest::newRow("checking") << "checking" << true;
        QTest::newRow("other") << "maybe" << false;
    }
    void availabilityRawStrings()
    {
        QFETCH(QString, raw);
        QFETCH(bool, valid);
        const auto value = domainAvailabilityFromRaw(raw);
        QCOMPARE(value.has_value(), valid);
        if (valid)
            QCOMPARE(rawString(*value), raw);
    }

    void normalize_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("name");
        QTest::newRow("pasted domain") << "  MyName.COM \n" << "myname";
        QTest::newRow("three labels") << "www.example.co.uk" << "www";
        QTest::newRow("leading dot") << ".com" << "";
        QTest::newRow("spaces only") << "   " << "";
    }
    void normalize()
    {
        QFETCH(QString, query);
        QFETCH(QString, name);
        QCOMPARE(DomainName::normalize(query), name);
    }

    void validate_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "orvane" << true;
        QTest::newRow("63 chars") << QString(63, QLatin1Char('a')) << true;
        QTest::newRow("64 chars") << QString(64, QLatin1Char('a')) << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("leading hyphen") << "-abc" << false;
        QTest::newRow("trailing hyphen") << "abc-" << false;
        QTest::newRow("double hyphen") << "a--b" << true;
        QTest::newRow("digits only") << "12345" << true;
        QTest::newRow("accented") << QStringLiteral("caf\u00e9") << true;
        QTest::newRow("inner space") << "my name" << false;
        QTest::newRow("underscore") << "my_name" << false;
        QTest::newRow("upper case (not normalised)") << "ABC" << false;
        // Digits are 0-9 only: others would be sent as raw UTF-8 or as a form nobody typed.
        QTest::newRow("superscript digit") << QStringLiteral("ab\u00b2") << false;
        QTest::newRow("arabic-indic digits") << QStringLiteral("ab\u0661\u0662") << false;
        QTest::newRow("roman numeral") << QStringLiteral("\u2177") << false;
        QTest::newRow("full-width digits") << QStringLiteral("\uff11\uff12") << false;
        // The DNS keeps "--" in third and fourth place for encodings.
        QTest::newRow("hyphens in 3rd and 4th place") << "ab--cd" << false;
        QTest::newRow("hyphens in 4th and 5th place") << "abc--d" << true;
        QTest::newRow("ASCII form of an international name") << "xn--bcher-kva" << true;
        QTest::newRow("xn-- that decodes to nothing valid") << "xn--a" << false;
        QTest::newRow("xn-- of a symbol") << "xn--e28h" << false;
        QTest::newRow("symbol") << QStringLiteral("\U0001F600") << false;
        QTest::newRow("ligature mapped to other letters") << QStringLiteral("\ufb01sh") << false;
    }
    void validate()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(DomainName::isValid(name), valid);
    }

    // Shown in Unicode, asked for in ASCII, whichever form was typed.
    void internationalNames_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("ascii");
        QTest::newRow("unicode") << QStringLiteral("B\u00fccher") << QStringLiteral("b\u00fccher") << "xn--bcher-kva";
        QTest::newRow("ascii form") << "XN--BCHER-KVA.de" << QStringLiteral("b\u00fccher") << "xn--bcher-kva";
        QTest::newRow("decomposed accent") << QStringLiteral("cafe\u0301") << QStringLiteral("caf\u00e9") << "xn--caf-dma";
        QTest::newRow("other script") << QStringLiteral("\u65e5\u672c") << QStringLiteral("\u65e5\u672c") << "xn--wgv71a";
        QTest::newRow("plain") << "orvane" << "orvane" << "orvane";
    }
    void internationalNames()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, ascii);
        const QString name = DomainName::normalize(typed);
        QCOMPARE(DomainName::displayForm(name), shown);
        QCOMPARE(DomainName::toAscii(shown), ascii);
        QCOMPARE(DomainName::toUnicode(ascii + ".com"), shown + ".com");
    }
};

QTEST_GUILESS_MAIN(TestDomainName)
#include "tst_domainname.moc"
