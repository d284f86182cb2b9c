#include "engine/DomainLookupService.h"
#include "engine/RDAPClient.h"
#include "FakeHttpServer.h"
#include "FakeWhoisServer.h"
#include "history/HistorySchema.h"
#include "history/HistoryStore.h"
#include "RawDatabase.h"
#include "watch/WatchList.h"
#include "watch/WatchScheduler.h"
#include "watch/ReleaseEstimate.h"
#include "watch/WatchService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace orvane;

class TestWatch : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<FakeHttpServer> m_http;
    std::unique_ptr<DomainLookupService> m_lookup;
    std::unique_ptr<RawDatabase> m_raw;

    // A service on the real clock, each TLD its own registry host, by default without any wait.
    static std::unique_ptr<WatchService> service(WatchList &list, DomainLookupService &lookup,
                                                 WatchScheduler::Limits limits = {{}, {}, {}, {}})
    {
        return std::make_unique<WatchService>(&list, &lookup, [] { return QDateTime::currentDateTimeUtc(); }, [](const QString &tld) { return tld; },
                                              limits);
    }

private slots:
    // RDAP for .test on loopback, and a new history file.
    void init()
    {
        const QString name = QString::fromLatin1(QTest::currentTestFunction()) + QTest::currentDataTag();
        m_http = std::make_unique<FakeHttpServer>();
        m_http->serveBootstrap({QStringLiteral("test")});
        m_lookup = std::make_unique<DomainLookupService>(
            LookupConfiguration{.bootstrap = {.source = m_http->url("/dns.json"), .store = {m_dir.filePath(name + ".ini")}}});
        m_raw = std::make_unique<RawDatabase>(m_dir.filePath(name + ".sqlite"));
        QVERIFY(m_raw->database().isOpen() && HistorySchema::create(m_raw->database()));
    }

    // Two days of a long watch list on a simulated clock: every limit holds at every check, and
    // every domain still gets its turns.
    void limitsHoldOverDays()
    {
        const QDateTime start = QDateTime::fromString(QStringLiteral("2026-12-01T08:00:00Z"), Qt::ISODate);
        WatchScheduler scheduler(start);
        QList<WatchScheduler::Entry> entries;
        for (int i = 0; i < 40; ++i) // half were checked an hour before the start, half never
            entries.append({QStringLiteral("name%1.t%2").arg(i).arg(i % 3), QStringLiteral("host%1").arg(i % 3),
                            i % 2 ? start.addSecs(-3600) : QDateTime()});
        QHash<QString, int> checksOf;
        QHash<QString, QDateTime> lastByHost;
        QDateTime lastAny, now = start;
        int checks = 0;
        while (now < start.addDays(2)) {
            const auto due = scheduler.nextDue(entries, now);
            QVERIFY(due && *due >= now);
            now = *due;
            const auto domain = scheduler.take(entries, now);
            QVERIFY2(domain, "nextDue promised a domain");
            auto entry = std::find_if(entries.begin(), entries.end(), [&](const auto &e) { return e.domain == *domain; });
            QVERIFY(now >= start.addSecs(60));
            QVERIFY(!lastAny.isValid() || lastAny.secsTo(now) >= 10);
            QVERIFY(!lastByHost.contains(entry->host) || lastByHost.value(entry->host).secsTo(now) >= 60);
            QVERIFY(!entry->lastChecked.isValid() || entry->lastChecked.secsTo(now) >= 6 * 3600);
            entry->lastChecked = lastAny = now;
            lastByHost.insert(entry->host, now);
            ++checksOf[*domain];
            ++checks;
        }
        QCOMPARE(checksOf.size(), entries.size());
        for (int times : std::as_const(checksOf))
            QVERIFY(times >= 7); // 48 hours at one check per 6 hours, less the start
        QVERIFY(checks < 40 * 9);
    }

    void nothingBeforeTheStartDelay()
    {
        const QDateTime start = QDateTime::currentDateTimeUtc();
        WatchScheduler scheduler(start);
        const QList<WatchScheduler::Entry> entries{{QStringLiteral("a.com"), QStringLiteral("h"), {}}};
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

    // A registry's RDAP answer, seen at noon on 1 March 2027, and when the name should come free:
    // "phase basis date", or nothing.
    void releaseEstimate_data()
    {
        QTest::addColumn<QString>("tld");
        QTest::addColumn<QStringList>("statuses");
        QTest::addColumn<QString>("events"); // action=date;...
        QTest::addColumn<QString>("expected");
        const QString changed = QStringLiteral("last changed=2027-02-27T18:00:00Z");
        QTest::newRow("pending delete") << ".com" << QStringList{"pending delete"} << changed
                                        << "pendingDelete pendingDelete 2027-03-04T18:00:00Z";
        QTest::newRow("redemption, also pending delete") << ".com" << QStringList{"redemption period", "pending delete"}
                                                         << "expiration=2028-01-05T00:00:00Z;last changed=2027-02-20T10:00:00Z"
                                                         << "redemption redemption 2027-03-27T10:00:00Z";
        QTest::newRow("redemption, EPP spelling") << ".org" << QStringList{"redemptionPeriod"} << "Last Changed=2027-02-25T00:00:00Z"
                                                  << "redemption redemption 2027-04-01T00:00:00Z";
        QTest::newRow("redemption, no last change") << ".com" << QStringList{"redemption period"} << "" << "";
        QTest::newRow("last change older than redemption") << ".com" << QStringList{"redemption period"}
                                                           << "last changed=2026-12-01T00:00:00Z" << "";
        QTest::newRow("deletion dated") << ".com" << QStringList{"pending delete"} << "deletion=2027-03-05T19:00:00Z;" + changed
                                        << "pendingDelete deletionEvent 2027-03-05T19:00:00Z";
        QTest::newRow("auto-renew grace, renewed ahead") << ".com" << QStringList{"auto renew period", "client hold"}
                                                         << "expiration=2028-02-10T00:00:00Z" << "expired expiry 2027-05-01T00:00:00Z";
        QTest::newRow("hold after expiry") << ".shop" << QStringList{"client hold"} << "expiration=2027-02-15T00:00:00Z"
                                           << "expired expiry 2027-05-06T00:00:00Z";
        QTest::newRow("hold after a renewal ahead") << ".com" << QStringList{"client hold"}
                                                    << "expiration=2028-02-10T00:00:00Z;last changed=2027-02-12T00:00:00Z"
                                                    << "expired expiry 2027-05-01T00:00:00Z";
        QTest::newRow("hold, expiry months ahead") << ".com" << QStringList{"server hold"}
                                                   << "expiration=2027-09-01T00:00:00Z;last changed=2027-02-01T00:00:00Z" << "";
        QTest::newRow("expired, no status") << ".xyz" << QStringList{} << "expiration=2027-02-20T00:00:00Z"
                                            << "expired expiry 2027-05-11T00:00:00Z";
        QTest::newRow("expired beyond its grace") << ".com" << QStringList{"client hold"} << "expiration=2026-11-01T00:00:00Z" << "";
        QTest::newRow("registered") << ".com" << QStringList{"client transfer prohibited"}
                                    << "expiration=2028-03-01T00:00:00Z;" + changed << "";
        QTest::newRow("country code") << ".io" << QStringList{"pending delete"} << changed << "";
        QTest::newRow("international country code") << QStringLiteral(".\u0440\u0444") << QStringList{"redemption period"}
                                                    << "last changed=2027-02-20T10:00:00Z" << "";
        QTest::newRow("international gTLD") << ".xn--ngbc5azd" << QStringList{"pending delete"} << changed
                                            << "pendingDelete pendingDelete 2027-03-04T18:00:00Z";
    }
    void releaseEstimate()
    {
        QFETCH(QString, tld); QFETCH(QStringList, statuses); QFETCH(QString, events); QFETCH(QString, expected);
        QJsonArray eventList;
        for (const QString &event : events.split(';', Qt::SkipEmptyParts))
            eventList.append(QJsonObject{{"eventAction", event.section('=', 0, 0)}, {"eventDate", event.section('=', 1)}});
        const QJsonObject answer{{"objectClassName", "domain"}, {"status", QJsonArray::fromStringList(statuses)}, {"events", eventList}};
        const auto result = RDAPClient::interpretResponse(200, QJsonDocument(answer).toJson());
        QVERIFY(result && result->availability == DomainAvailability::taken);
        const RegistrationLifecycle lifecycle{result->statuses, result->expiresAt, result->lastChangedAt, result->deletionAt};
        const auto estimate = estimateRelease(tld, lifecycle, QDateTime(QDate(2027, 3, 1), QTime(12, 0), Qt::UTC));
        const QString got = estimate ? QStringList{releasePhaseKey(estimate->phase), releaseBasisKey(estimate->basis),
                                                   estimate->freeAround.toString(Qt::ISODate)}.join(' ')
                                     : QString();
        QCOMPARE(got, expected);
    }

    // From a day before a name's expected release to two days after it, the name is checked
    // every 15 minutes; before and after, every 6 hours; its neighbour on the same registry
    // keeps its own pace.
    void checksCloseInOnAnExpectedRelease()
    {
        const QDateTime start(QDate(2027, 3, 1), QTime(0, 0), Qt::UTC);
        const QDateTime release = start.addDays(3).addSecs(18 * 3600);
        WatchScheduler scheduler(start);
        QList<WatchScheduler::Entry> entries{{"drop.com", "host", start, release}, {"other.com", "host", start, {}}};
        QHash<QString, QList<QDateTime>> checks;
        for (QDateTime now = start; now < release.addDays(4);) {
            now = *scheduler.nextDue(entries, now);
            const QString domain = *scheduler.take(entries, now);
            checks[domain] << now;
            std::ranges::find_if(entries, [&](const auto &e) { return e.domain == domain; })->lastChecked = now;
        }
        const QList<QDateTime> &drop = checks.value("drop.com");
        int close = 0;
        for (qsizetype i = 1; i < drop.size(); ++i) {
            const qint64 gap = drop[i - 1].secsTo(drop[i]);
            const bool near = drop[i - 1] >= release.addDays(-1) && drop[i] <= release.addDays(2);
            QVERIFY2(near ? gap >= 15 * 60 && gap <= 16 * 60 : gap >= 6 * 3600 || drop[i] == release.addDays(-1),
                     qPrintable(drop[i].toString(Qt::ISODate)));
            close += near;
        }
        QVERIFY(close >= 71 * 4 && close <= 72 * 4 + 1);
        for (qsizetype i = 1; i < checks.value("other.com").size(); ++i)
            QCOMPARE(checks.value("other.com")[i - 1].secsTo(checks.value("other.com")[i]), 6 * 3600);
    }

    // After a check the service sleeps until the next one is due: 15 minutes for a name about to
    // come free, else its 6 hours, an hour at a time (timers stand still while the machine sleeps).
    void sleepsUntilTheNextCheck_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("sleep"); // seconds
        const QString changed = QDateTime::currentDateTimeUtc().addDays(-4).toString(Qt::ISODate);
        QTest::newRow("a day before its release")
            << QStringLiteral(R"({"objectClassName":"domain","status":["pending delete"],"events":[{"eventAction":"last changed","eventDate":"%1"}]})")
                   .arg(changed)
                   .toUtf8()
            << 15 * 60;
        QTest::newRow("no release in sight") << QByteArray(R"({"objectClassName":"domain","status":["active"]})") << 3600;
    }
    void sleepsUntilTheNextCheck()
    {
        QFETCH(QByteArray, answer); QFETCH(int, sleep);
        m_http->setJson("/rdap/domain/drop.test", 200, answer);
        WatchList list(m_raw->database().connectionName());
        QVERIFY(list.watch("drop.test", ".test", DomainAvailability::taken, QDateTime::currentDateTimeUtc().addDays(-1)));
        WatchScheduler::Limits limits;
        limits.startDelay = std::chrono::seconds(0);
        const auto watch = service(list, *m_lookup, limits);
        QSignalSpy checked(watch.get(), &WatchService::checked);
        QVERIFY(checked.wait(10000));
        const QDateTime at = QDateTime::currentDateTimeUtc();
        QTRY_VERIFY(watch->nextLook() > at);
        QVERIFY2(std::abs(at.secsTo(watch->nextLook()) - sleep) <= 2, qPrintable(watch->nextLook().toString(Qt::ISODate)));
    }

    // A watched name goes through redemption and pending delete: each step is news once, also
    // across a restart, and what the registry said is kept with the name.
    void releasePhasesAnnouncedOnce()
    {
        const QString connection = m_raw->database().connectionName();
        QVERIFY(WatchList(connection).watch("drop.test", ".test", DomainAvailability::taken, QDateTime::currentDateTimeUtc()));
        const QString changed = QDateTime::currentDateTimeUtc().addDays(-1).toString(Qt::ISODate);
        const auto answer = [&](const QStringList &statuses) {
            const QJsonObject event{{"eventAction", "last changed"}, {"eventDate", changed}};
            return QJsonDocument(QJsonObject{{"objectClassName", "domain"}, {"status", QJsonArray::fromStringList(statuses)},
                                             {"events", QJsonArray{event}}})
                .toJson();
        };
        QStringList news;
        const auto run = [&](QList<QByteArray> answers) -> std::optional<WatchedDomain> {
            WatchList list(connection);
            const auto watch = service(list, *m_lookup);
            connect(watch.get(), &WatchService::releasePhaseEntered, [&](const QString &domain, const QString &phase) { news << domain + ' ' + phase; });
            connect(watch.get(), &WatchService::becameAvailable, [&](const QString &domain) { news << domain + " available"; });
            const auto serve = [&] { m_http->setJson("/rdap/domain/drop.test", 200, answers.first()); };
            serve();
            qsizetype remaining = answers.size();
            connect(watch.get(), &WatchService::checked, [&] { // before the next check starts
                if (--remaining > 0) {
                    answers.removeFirst();
                    serve();
                }
            });
            if (!QTest::qWaitFor([&] { return remaining <= 0; }, 10000))
                return std::nullopt;
            return list.entries().first();
        };
        // A registry's "taken" without a word on the registration (as WHOIS stands in for RDAP) changes nothing.
        const QByteArray nothingSaid = R"({"objectClassName":"domain"})";
        QVERIFY(run({answer({"active"}), answer({"redemption period", "pending delete"}), nothingSaid, answer({"redemption period"})}));
        const auto pending = run({answer({"redemption period"}), answer({"pending delete"})});
        QVERIFY(pending && pending->releaseEstimate());
        QCOMPARE(news, (QStringList{"drop.test redemption", "drop.test pendingDelete"}));
        QCOMPARE(WatchList(connection).entries().first().lifecycle, pending->lifecycle);
        QCOMPARE(pending->releaseEstimate()->freeAround, QDateTime::fromString(changed, Qt::ISODate).addDays(5));
    }

    // One round of checks against registries that answer free, taken, unclear and not at all:
    // exactly one announcement, for the domain that was taken and is now free, and every
    // verdict stored in the history file.
    void onlyAFreshlyFreeDomainIsAnnounced()
    {
        FakeWhoisServer whois;
        FakeHttpServer &http = *m_http;
        http.setJson("/rdap/domain/lumalink.test", 404, "{}");
        http.setJson("/rdap/domain/stillfree.test", 404, "{}");
        http.setJson("/rdap/domain/gone.test", 200, R"({"objectClassName":"domain","ldhName":"gone.test"})");
        http.setJson("/rdap/domain/murky.test", 200, R"({"objectClassName":"entity"})");
        http.setJson("/rdap/domain/broken.test", 500, "{}");
        // An international name is asked about in its ASCII form: sent as raw UTF-8, it would
        // meet the registry's "not found" and be announced as free.
        http.setJson("/rdap/domain/xn--bcher-kva.test", 200, R"({"objectClassName":"domain"})");
        whois.setDefault({"% no referral here\n"});

        LookupConfiguration c{.bootstrap = {.source = http.url("/dns.json"), .store = {m_dir.filePath(QStringLiteral("whois.ini"))}}};
        c.whois.servers = {};
        c.whois.referralHost = QStringLiteral("127.0.0.1");
        c.whois.connection.port = whois.port();
        DomainLookupService lookup(c);
        const QString connection = m_raw->database().connectionName();
        {
            WatchList list(connection);
            const QDateTime added = QDateTime::currentDateTimeUtc().addDays(-1);
            for (const QString &name : {QStringLiteral("lumalink"), QStringLiteral("gone"), QStringLiteral("murky"),
                                        QStringLiteral("broken"), QStringLiteral("b\u00fccher")})
                QVERIFY(list.watch(name + ".test", ".test", DomainAvailability::taken, added));
            QVERIFY(list.watch("stillfree.test", ".test", DomainAvailability::available, added));
            // What was seen when watching began is stored: after a restart it is no news.
            QCOMPARE(WatchList(connection).entries().last().lastAvailability, DomainAvailability::available);
            // Free, then a registry error: the error is shown, but the last word is still "free".
            QVERIFY(list.watch("flicker.test", ".test", DomainAvailability::available, added));
            QVERIFY(list.recordCheck("flicker.test", DomainAvailability::error, added.addSecs(60)));
            http.setJson("/rdap/domain/flicker.test", 404, "{}");

            const auto watch = service(list, lookup, {.perHost = {}, .gap = {}, .startDelay = {}}); // each checked once
            QSignalSpy checked(watch.get(), &WatchService::checked);
            QSignalSpy announced(watch.get(), &WatchService::becameAvailable);
            QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 7, 15000);
            QCOMPARE(announced.size(), 1);
            QCOMPARE(announced.first().first().toString(), QStringLiteral("lumalink.test"));
        }
        QStringList verdicts;
        const WatchList reread(connection);
        for (const WatchedDomain &entry : reread.entries())
            verdicts << entry.domain + '=' + (entry.lastAvailability ? rawString(*entry.lastAvailability) : "none");
        QCOMPARE(verdicts, (QStringList{"broken.test=error", QStringLiteral("b\u00fccher.test=taken"), "flicker.test=available", "gone.test=taken",
                                        "lumalink.test=available",
                                        "murky.test=unknown", "stillfree.test=available"}));
        QCOMPARE(http.requestCount("/rdap/domain/xn--bcher-kva.test"), 1);
    }

    // The disk is full when a watched domain turns free: one notification and a line that says
    // why it could not be kept, none again in that run; once more in the next run, which cannot
    // keep it either; once more in a run with room, which keeps it; then never again.
    void aFullDiskAnnouncesOncePerRun()
    {
        // A small disk of its own: a tmpfs in a private mount namespace, which takes root.
        QTemporaryDir disk;
        if (::geteuid() != 0 || ::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::mount("tmpfs", qPrintable(disk.path()), "tmpfs", 0, "size=256k") != 0)
            QSKIP("needs root, for a small file system of its own");
        const auto unmount = qScopeGuard([&] { ::umount2(qPrintable(disk.path()), MNT_DETACH); });
        m_http->setJson("/rdap/domain/lumalink.test", 404, "{}");
        const QString path = disk.filePath(QStringLiteral("history.sqlite"));
        const auto store = *HistoryStore::open(path);
        QVERIFY(WatchList(store->connectionName()).watch("lumalink.test", ".test", DomainAvailability::taken, QDateTime::currentDateTimeUtc()));
        QFile filler(disk.filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'f')) == 4096) {
        }
        QString problem;
        const auto run = [&](int checks) {
            WatchList list(store->connectionName());
            const auto watch = service(list, *m_lookup);
            QSignalSpy checked(watch.get(), &WatchService::checked);
            QSignalSpy announced(watch.get(), &WatchService::becameAvailable);
            const bool done = QTest::qWaitFor([&] { return checked.size() >= checks; }, 10000);
            problem = list.problem();
            return done ? int(announced.size()) : -1;
        };
        QCOMPARE(run(3), 1);
        QCOMPARE(problem, "Could not record the check of lumalink.test: " + path + ": database or disk is full");
        QCOMPARE(run(2), 1);
        filler.remove();
        QCOMPARE(run(2), 1);
        QCOMPARE(problem, QString());
        QCOMPARE(run(2), 0);
    }
};

QTEST_GUILESS_MAIN(TestWatch)
#include "tst_watch.moc"
