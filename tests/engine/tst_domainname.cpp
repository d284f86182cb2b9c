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
        QTest::newRow("accented") << QStringLiteral("caf\u00e9") << false;
        QTest::newRow("decomposed accent") << QStringLiteral("cafe\u0301") << false;
        QTest::newRow("inner space") << "my name" << false;
        QTest::newRow("underscore") << "my_name" << false;
        QTest::newRow("arabic-indic digits") << QStringLiteral("abc\u0661\u0662") << true;
        QTest::newRow("upper case (not normalised)") << "ABC" << false;
    }
    void validate()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(DomainName::isValid(name), valid);
    }
};

QTEST_GUILESS_MAIN(TestDomainName)
#include "tst_domainname.moc"
