#include "app/Format.h"
#include "app/RelativeTimeClock.h"
#include "app/Translation.h"
#include "engine/WhoisError.h"

#include <QTest>
#include <QTimeZone>

using namespace orvane;

// How the windows write times, links and dates: pure functions, so rows of input and text.
class TestFormat : public QObject
{
    Q_OBJECT

private slots:
    // The program's texts as a user of that language gets them: its locale and the translation
    // the program ships for it, loaded as the program loads it.
    static void speak(const QString &language)
    {
        const QLocale locale(language == QLatin1String("de") ? QLocale(QLocale::German, QLocale::Germany)
                                                             : QLocale(QLocale::English, QLocale::UnitedKingdom));
        QLocale::setDefault(locale);
        QCOMPARE(installTranslation(locale), language);
    }
    void init() { speak(QStringLiteral("en")); }

    void relativeTime_data()
    {
        // And when the sidebar's clock next looks at it: at the next whole unit of the text
        // (seconds in tens, weeks and longer daily).
        QTest::addColumn<QString>("language");
        QTest::addColumn<qint64>("secondsAgo");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("nextLookS");
        QTest::newRow("0 s") << "en" << qint64(0) << "just now" << qint64(10);
        QTest::newRow("9 s") << "en" << qint64(9) << "just now" << qint64(1);
        QTest::newRow("10 s") << "en" << qint64(10) << "10 sec. ago" << qint64(10);
        QTest::newRow("59 s") << "en" << qint64(59) << "59 sec. ago" << qint64(1);
        QTest::newRow("60 s") << "en" << qint64(60) << "1 min. ago" << qint64(60);
        QTest::newRow("59 min") << "en" << qint64(3599) << "59 min. ago" << qint64(1);
        QTest::newRow("1 h") << "en" << qint64(3600) << "1 hr. ago" << qint64(3600);
        QTest::newRow("23 h") << "en" << qint64(86399) << "23 hr. ago" << qint64(1);
        QTest::newRow("1 day") << "en" << qint64(86400) << "1 day ago" << qint64(86400);
        QTest::newRow("2 days") << "en" << qint64(2 * 86400) << "2 days ago" << qint64(86400);
        QTest::newRow("1 week") << "en" << qint64(7 * 86400 + 5) << "1 wk. ago" << qint64(86400 - 5);
        QTest::newRow("1 month") << "en" << qint64(30 * 86400) << "1 mo. ago" << qint64(86400);
        QTest::newRow("1 year") << "en" << qint64(365 * 86400) << "1 yr. ago" << qint64(86400);
        QTest::newRow("future") << "en" << qint64(-120) << "in 2 min." << qint64(60);
        QTest::newRow("de: 0 s") << "de" << qint64(0) << "gerade eben" << qint64(10);
        QTest::newRow("de: 1 day") << "de" << qint64(86400) << "vor 1 Tag" << qint64(86400);
        QTest::newRow("de: 2 days") << "de" << qint64(2 * 86400) << "vor 2 Tagen" << qint64(86400);
    }
    void relativeTime()
    {
        QFETCH(QString, language); QFETCH(qint64, secondsAgo); QFETCH(QString, text); QFETCH(qint64, nextLookS);
        speak(language);
        const QDateTime now(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
        QCOMPARE(Format::relativeTime(now.addSecs(-secondsAgo), now), text);
        QCOMPARE(RelativeTimeClock::msUntilChange(now.addSecs(-secondsAgo), now), nextLookS * 1000);
    }

    void webLink_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("link");
        QTest::newRow("a domain") << "orvane.ai" << "https://orvane.ai";
        QTest::newRow("a path smuggled in") << "orvane.ai/login" << "";
        QTest::newRow("a user smuggled in") << "evil.example@orvane.ai" << "";
        QTest::newRow("a port smuggled in") << "orvane.ai:8080" << "";
        QTest::newRow("a query smuggled in") << "orvane.ai?next=evil" << "";
        QTest::newRow("nothing") << "" << "";
    }
    void webLink()
    {
        QFETCH(QString, domain); QFETCH(QString, link);
        QCOMPARE(Format().webLink(domain), link);
    }

    void dates_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expiry");
        QTest::addColumn<QString>("longDate");
        QTest::newRow("en") << "en" << "expires 2 March 2027" << "Tuesday, 2 March 2027 at 12:00";
        QTest::newRow("de") << "de" << "läuft am 2. März 2027 ab" << "Dienstag, 2. März 2027 um 12:00";
    }
    void dates()
    {
        QFETCH(QString, language); QFETCH(QString, expiry); QFETCH(QString, longDate);
        speak(language);
        const Format format;
        QCOMPARE(format.expiryText(QDateTime()), QString());
        const QDateTime noon(QDate(2027, 3, 2), QTime(12, 0), QTimeZone::systemTimeZone());
        QCOMPARE(format.expiryText(noon), expiry);
        QCOMPARE(format.longDate(noon, false), longDate);
        QVERIFY(format.longDate(noon, true).endsWith(' ' + noon.timeZoneAbbreviation()));
    }

    // A lookup's own text in the user's language, whether just met or kept in the history: the
    // English text the engine gives, read back against the texts it is made of.
    void lookupText_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("shown");
        const QString noServer = WhoisError::noServer(".zz").description();
        QTest::newRow("de") << "de" << noServer << "Kein WHOIS-Server für .zz bekannt";
        QTest::newRow("de: no detail") << "de" << WhoisError::timedOut().description() << "Zeitüberschreitung bei der WHOIS-Abfrage";
        QTest::newRow("de: detail of a detail") << "de" << "Connection failed: waiting: Connection refused"
                                                << "Verbindung fehlgeschlagen: beim Verbindungsaufbau: Connection refused";
        QTest::newRow("de: not ours") << "de" << "Registry closed for maintenance" << "Registry closed for maintenance";
    }
    void lookupText()
    {
        QFETCH(QString, language); QFETCH(QString, english); QFETCH(QString, shown);
        speak(language);
        QCOMPARE(Format::lookupText(english), shown);
        QCOMPARE(Format().cleanAnswer(english), shown);
    }
};

QTEST_GUILESS_MAIN(TestFormat)
#include "tst_format.moc"
