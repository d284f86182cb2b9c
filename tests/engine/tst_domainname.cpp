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
        QTest::newRow("sharp s kept (non-transitional)") << QStringLiteral("stra\u00dfe") << QStringLiteral("stra\u00dfe") << "xn--strae-oqa";
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
        refused("arabic tatweel (IDNA2008 disallows it)", QStringLiteral("\u0627\u0640\u0628"));
        refused("ligature mapped to other letters", QStringLiteral("\ufb01sh"));
        refused("ligature beside a letter beyond ASCII", QStringLiteral("\ufb01sch\u00fc"));
    }
    void names()
    {
        QFETCH(QString, typed); QFETCH(QString, shown); QFETCH(QString, ascii);
        const QString name = DomainName::normalize(typed);
        QCOMPARE(DomainName::displayForm(name).value_or("-"), shown);
        QCOMPARE(DomainName::toAscii(name).value_or("-"), ascii);
        QCOMPARE(DomainName::isValid(name), shown != "-");
        if (shown != "-")
            QCOMPARE(DomainName::toUnicode(ascii + ".com"), shown + ".com");
    }

    // A name that could pass for another is shown with its ASCII form beside it; ordinary
    // names, of one script or none beyond ASCII, as they are. Labels are judged one by one.
    void lookAlikes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("kind");
        const auto same = [](const char *tag, const QString &name) { QTest::newRow(tag) << name << name << int(DomainName::LookAlike::none); };
        QTest::newRow("Cyrillic a among Latin") << QStringLiteral("\u0430pple.com") << QStringLiteral("\u0430pple.com (xn--pple-43d.com)")
                                               << int(DomainName::LookAlike::mixedScripts);
        QTest::newRow("all Cyrillic, looks Latin") << QStringLiteral("\u0430\u0440\u0440\u04cf\u0435.com")
                                                   << QStringLiteral("\u0430\u0440\u0440\u04cf\u0435.com (xn--80ak6aa92e.com)")
                                                   << int(DomainName::LookAlike::wholeScript);
        same("ASCII", QStringLiteral("apple.com"));
        same("accented Latin", QStringLiteral("b\u00fccher.de"));
        same("Cyrillic word under .com", QStringLiteral("\u043f\u0440\u0438\u043c\u0435\u0440.com"));
        same("Latin with katakana", QStringLiteral("sony\u30b9\u30c8\u30a2.jp"));
    }
    void lookAlikes()
    {
        QFETCH(QString, name); QFETCH(QString, shown); QFETCH(int, kind);
        QCOMPARE(int(DomainName::lookAlike(name)), kind);
        QCOMPARE(DomainName::shown(name), shown);
    }
};

QTEST_GUILESS_MAIN(TestDomainName)
#include "tst_domainname.moc"
