#include "watch/WatchScheduler.h"

#include <QTest>

using namespace orvane;

class TestWatchScheduler : public QObject
{
    Q_OBJECT
private slots:
    // Two days of a long watch list on a simulated clock: every limit holds at every check, and
    // every domain still gets its turns.
    void limitsHoldOverDays()
    {
        const QDateTime start = QDateTime::fromString(QStringLiteral("2026-12-01T08:00:00Z"), Qt::ISODate);
        WatchScheduler scheduler(start);
        QList<WatchScheduler::Entry> entries;
        for (int i = 0; i < 40; ++i) {
            // Half were checked an hour before the start, half never.
            entries.append({QStringLiteral("name%1.t%2").arg(i).arg(i % 3), QStringLiteral("host%1").arg(i % 3),
                            i % 2 ? start.addSecs(-3600) : QDateTime()});
        }
        QHash<QString, QList<QDateTime>> byDomain;
        QHash<QString, QDateTime> lastByHost;
        QDateTime lastAny;
        QDateTime now = start;
        const QDateTime end = start.addDays(2);
        int checks = 0;
        while (now < end) {
            const auto due = scheduler.nextDue(entries, now);
            QVERIFY(due && *due >= now);
            now = *due;
            const auto domain = scheduler.take(entries, now);
            QVERIFY2(domain, "nextDue promised a domain");
            auto entry = std::find_if(entries.begin(), entries.end(), [&](const auto &e) { return e.domain == *domain; });
            QVERIFY(now >= start.addSecs(60));
            if (lastAny.isValid())
                QVERIFY(lastAny.secsTo(now) >= 10);
            if (lastByHost.contains(entry->host))
                QVERIFY(lastByHost.value(entry->host).secsTo(now) >= 60);
            if (entry->lastChecked.isValid())
                QVERIFY(entry->lastChecked.secsTo(now) >= 6 * 3600);
            entry->lastChecked = now;
            lastByHost.insert(entry->host, now);
            lastAny = now;
            byDomain[*domain].append(now);
            ++checks;
        }
        QCOMPARE(byDomain.size(), entries.size());
        for (const auto &times : std::as_const(byDomain))
            QVERIFY(times.size() >= 7); // 48 hours at one check per 6 hours, less the start
        QVERIFY(checks < 40 * 9);
    }

    void nothingBeforeTheStartDelay()
    {
        const QDateTime start = QDateTime::currentDateTimeUtc();
        WatchScheduler scheduler(start);
        const QList<WatchScheduler::Entry> entries{{QStringLiteral("a.com"), QStringLiteral("h"), {}}};
        QVERIFY(!scheduler.take(entries, start));
        QVERIFY(!scheduler.take(entries, start.addSecs(59)));
        QCOMPARE(scheduler.take(entries, start.addSecs(60)), std::optional<QString>(QStringLiteral("a.com")));
        QVERIFY(!scheduler.take(entries, start.addSecs(3600))); // the caller has not stored the check yet
        QVERIFY(!scheduler.nextDue({}, start));
        // Of two due domains the one never checked goes first, then the one that waited longest.
        const QList<WatchScheduler::Entry> due{{"old.com", "h1", start.addSecs(-7 * 3600)},
                                               {"older.com", "h2", start.addSecs(-9 * 3600)}, {"new.com", "h3", {}}};
        WatchScheduler fresh(start);
        QCOMPARE(fresh.take(due, start.addSecs(60)), std::optional<QString>("new.com"));
        QCOMPARE(fresh.take(due, start.addSecs(70)), std::optional<QString>("older.com"));
    }
};

QTEST_GUILESS_MAIN(TestWatchScheduler)
#include "tst_watchscheduler.moc"
