#include "app/Format.h"
#include "app/RelativeTimeClock.h"

#include <QTest>
#include <QTimeZone>

using namespace orvane;

// How the windows write times, links and dates: pure functions, so rows of input and text.
class TestFormat : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void relativeTime_data()
    {
        // And when the sidebar's clock next looks at it: at the next whole unit of the text
        // (seconds in tens, weeks and longer daily).
        QTest::addColumn<qint64>("secondsAgo");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("nextLookS");
        QTest::newRow("0 s") << qint64(0) << "0 sec. ago" << qint64(10);
        QTest::newRow("59 s") << qint64(59) << "59 sec. ago" << qint64(1);
        QTest::newRow("60 s") << qint64(60) << "1 min. ago" << qint64(60);
        QTest::newRow("59 min") << qint64(3599) << "59 min. ago" << qint64(1);
        QTest::newRow("1 h") << qint64(3600) << "1 hr. ago" << qint64(3600);
        QTest::newRow("23 h") << qint64(86399) << "23 hr. ago" << qint64(1);
        QTest::newRow("1 day") << qint64(86400) << "1 day ago" << qint64(86400);
        QTest::newRow("2 days") << qint64(2 * 86400) << "2 days ago" << qint64(86400);
        QTest::newRow("1 week") << qint64(7 * 86400 + 5) << "1 wk. ago" << qint64(86400 - 5);
        QTest::newRow("1 month") << qint64(30 * 86400) << "1 mo. ago" << qint64(86400);
        QTest::newRow("1 year") << qint64(365 * 86400) << "1 yr. ago" << qint64(86400);
        QTest::newRow("future") << qint64(-120) << "in 2 min." << qint64(60);
    }
    void relativeTime()
    {
        QFETCH(qint64, secondsAgo);
        QFETCH(QString, text);
        QFETCH(qint64, nextLookS);
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
        QFETCH(QString, domain);
        QFETCH(QString, link);
        QCOMPARE(Format().webLink(domain), link);
    }

    void dates()
    {
        const Format format;
        QCOMPARE(format.expiryText(QDateTime()), QString());
        const QDateTime noon(QDate(2027, 3, 2), QTime(12, 0), QTimeZone::systemTimeZone());
        QCOMPARE(format.expiryText(noon), QStringLiteral("expires 2 Mar 2027"));
        QCOMPARE(format.longDate(noon, false), QStringLiteral("Tuesday, 2 March 2027 at 12:00"));
        QVERIFY(format.longDate(noon, true).endsWith(' ' + noon.timeZoneAbbreviation()));
    }
};

QTEST_GUILESS_MAIN(TestFormat)
#include "tst_format.moc"
