#include "engine/DomainLookupService.h"
#include "FakeHttpServer.h"
#include "FakeWhoisServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

// Registries that say "slow down", over loopback: every check ends with the registry's own
// answer, or falls back as it did before; none reads "available" because of a limit.
class TestRegistryScheduler : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<FakeHttpServer> m_http;
    std::unique_ptr<FakeWhoisServer> m_whois;
    int m_stores = 0;

    LookupConfiguration configuration(RegistryScheduler *scheduler)
    {
        LookupConfiguration c;
        c.bootstrap.source = m_http->url("/dns.json");
        c.bootstrap.store.fileName = m_dir.filePath(QStringLiteral("defaults-%1.ini").arg(++m_stores));
        c.whois.servers = {{".test", "127.0.0.1"}, {".w", "127.0.0.1"}};
        c.whois.connection.port = m_whois->port();
        c.whois.connection.timeout = std::chrono::milliseconds(2000);
        c.scheduler = scheduler;
        return c;
    }

    QString rdapKey() const { return RegistryScheduler::key(RegistryScheduler::Protocol::rdap, "127.0.0.1", m_http->port()); }

    using Checks = std::vector<QCoro::Task<std::expected<CheckResult, LookupError>>>;

    // Starts checks of `prefix`0 ... under `tld` at once; `told` hears each check that is held back.
    static Checks start(DomainLookupService &service, int n, const QString &tld, QStringList *told = nullptr,
                        const QString &prefix = QStringLiteral("name"))
    {
        Checks checks;
        for (int i = 0; i < n; ++i) {
            checks.push_back(service.check(prefix + QString::number(i), tld,
                                           [told, waiting = std::make_shared<bool>(false)](const QString &host, const QDateTime &at) {
                                               if (told && !host.isEmpty() && !*waiting)
                                                   *told << host + (at > QDateTime::currentDateTimeUtc() ? " later" : " now");
                                               *waiting = !host.isEmpty();
                                           }));
        }
        return checks;
    }

    // Each outcome as "availability|text", or the error.
    static QStringList outcomes(Checks &checks)
    {
        QStringList texts;
        for (auto &check : checks) {
            const auto result = QCoro::waitFor(check);
            texts << (result ? rawString(result->availability) + '|' + result->rawResponse : result.error().description());
        }
        return texts;
    }

private slots:
    void init()
    {
        m_http = std::make_unique<FakeHttpServer>();
        m_whois = std::make_unique<FakeWhoisServer>();
        m_http->serveBootstrap({QStringLiteral("test")});
        m_whois->setDefault({"Domain Name: from whois\nRegistrar: R\n"});
    }

    // Eight checks at a host with room for four: the other four are told to wait, wait what the
    // registry asked (or 1 s without a word) and get its answer; a wait beyond what a check may
    // spend sends them to WHOIS at once, as a failed RDAP query always did.
    void rdapLimit_data()
    {
        QTest::addColumn<QString>("retryAfter");
        QTest::addColumn<bool>("waits");
        QTest::newRow("seconds") << "1" << true;
        QTest::newRow("HTTP-date") << "date" << true;
        QTest::newRow("no header") << "" << true;
        QTest::newRow("above 120 s") << "100000" << false;
    }
    void rdapLimit()
    {
        QFETCH(QString, retryAfter); QFETCH(bool, waits);
        m_http->setLimit(FakeHttpServer::Limit{4, 4, [retryAfter] {
            if (retryAfter != "date")
                return retryAfter.toLatin1();
            return QLocale::c().toString(QDateTime::currentDateTimeUtc().addSecs(2), "ddd, dd MMM yyyy hh:mm:ss 'GMT'").toLatin1();
        }});
        if (!waits)
            QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("^\\.test: RDAP failed \\(RDAP rate limit exceeded\\), falling back to WHOIS$"));
        RegistryScheduler scheduler({});
        DomainLookupService service(configuration(&scheduler));
        QStringList told;
        Checks checks = start(service, 8, ".test", &told);
        const QStringList texts = outcomes(checks);
        const QString rdap = "available|Domain not registered. (RDAP returned 404.)";
        const QString whois = "taken|Domain Name: from whois\nRegistrar: R";
        QCOMPARE(texts.count(rdap), waits ? 8 : 4);
        QCOMPARE(texts.count(whois), waits ? 0 : 4);
        QCOMPARE(m_http->limitedCount(), 4);
        QCOMPARE(told, waits ? QStringList(4, "127.0.0.1 later") : QStringList());
        const auto state = scheduler.state(rdapKey());
        QVERIFY2(state.window < 16, "a 429 halves the window");
        if (!waits) {
            const qint64 pause = QDateTime::currentDateTimeUtc().secsTo(state.pausedUntil);
            QVERIFY2(pause > 110 && pause <= 120, qPrintable(QString::number(pause)));
        }
    }

    // A pause is the host's, not the search's: a second search does not ask while it holds.
    void pauseSharedByTwoSearches()
    {
        m_http->setLimit(FakeHttpServer::Limit{3, 2, [] { return QByteArray("1"); }});
        RegistryScheduler scheduler({});
        DomainLookupService first(configuration(&scheduler));
        DomainLookupService second(configuration(&scheduler));
        Checks firstSearch = start(first, 3, ".test");
        QTRY_COMPARE(m_http->limitedCount(), 1);
        QStringList told;
        Checks secondSearch = start(second, 1, ".test", &told, "other");
        const QStringList texts = outcomes(firstSearch) + outcomes(secondSearch);
        QCOMPARE(texts, QStringList(4, "available|Domain not registered. (RDAP returned 404.)"));
        QCOMPARE(m_http->limitedCount(), 1);
        QCOMPARE(told, QStringList{"127.0.0.1 later"});
    }

    // A WHOIS server that refuses ("wait 1 seconds") is asked again, as often as the budget
    // allows; the window starts at four at once.
    void whoisRefusalsRetried()
    {
        m_whois->setLimit({2, 4, "Too many requests, please wait 1 seconds\n"});
        m_whois->setDefault({.answer = "No match for the domain\n", .delayMs = 100});
        RegistryScheduler scheduler({});
        DomainLookupService service(configuration(&scheduler));
        Checks checks = start(service, 8, ".w");
        QCOMPARE(outcomes(checks), QStringList(8, "available|No match for the domain"));
        QVERIFY(m_whois->queries().size() > 8);
        QCOMPARE(m_whois->openAtFirstAnswer(), 4);
    }

    // A token bucket (40 a second, 10 at once) and a client sending faster than it refills:
    // what it let through after its first refusal bounds the rate on both sides.
    void rateFromWhatFollowsARefusal_data()
    {
        QTest::addColumn<double>("interval"); // between sends, in seconds
        QTest::addColumn<int>("together");    // sent at the same moment, reaching it in any order
        QTest::addColumn<int>("sends");
        QTest::addColumn<double>("widest");   // of the bounds; 0: none to be found
        QTest::newRow("paced at 60 a second") << 1.0 / 60 << 1 << 60 << 4.0;
        QTest::newRow("six at once, ten times a second") << 0.1 << 6 << 60 << 12.0;
        QTest::newRow("one round trip after the refusal") << 1.0 / 60 << 1 << 38 << 40.0;
        QTest::newRow("nothing after the refusal") << 1.0 / 60 << 1 << 60 << 0.0;
    }
    void rateFromWhatFollowsARefusal()
    {
        QFETCH(double, interval); QFETCH(int, together); QFETCH(int, sends); QFETCH(double, widest);
        constexpr double rate = 40, burst = 10;
        double tokens = burst, last = 0;
        std::vector<SentRequest> sent;
        for (int i = 0; i < sends; ++i) {
            const double at = (i / together) * interval + (i % together) * 1e-4; // a group arrives spread a little
            tokens = std::min(burst, tokens + (at - last) * rate);
            last = at;
            const bool ok = tokens >= 1;
            tokens -= ok ? 1 : 0;
            sent.push_back({at, ok});
            if (!ok && widest == 0)
                break;
        }
        std::reverse(sent.begin(), sent.end()); // heard in any order
        const auto bounds = rateAfterRefusal(sent, 0.002);
        QCOMPARE(bounds.has_value(), widest > 0);
        if (!bounds)
            return;
        QVERIFY2(bounds->low <= rate && rate <= bounds->high && bounds->high - bounds->low <= widest,
                 qPrintable(QStringLiteral("%1 .. %2").arg(bounds->low).arg(bounds->high)));
    }

    // A kept pace holds for a day after the host last refused, then the host is asked afresh:
    // a pace learned too low would otherwise never rise again. Files from before the pace had
    // a date of its own count from when the host was last heard.
    void keptPaceLastsADay_data()
    {
        QTest::addColumn<int>("refusedAgo"); // seconds; -1: no date of its own
        QTest::addColumn<int>("heardAgo");   // seconds
        QTest::addColumn<double>("paced");
        QTest::newRow("refused an hour ago") << 3600 << 60 << 2.0;
        QTest::newRow("refused two days ago, heard since") << 2 * 86400 << 60 << 0.0;
        QTest::newRow("no date, heard an hour ago") << -1 << 3600 << 2.0;
        QTest::newRow("no date, heard two days ago") << -1 << 2 * 86400 << 0.0;
        QTest::newRow("a day old in a second, while the program runs") << 86400 - 1 << 60 << 2.0;
    }
    void keptPaceLastsADay()
    {
        QFETCH(int, refusedAgo); QFETCH(int, heardAgo); QFETCH(double, paced);
        const QString key = RegistryScheduler::key(RegistryScheduler::Protocol::rdap, "rdap.example", 443);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QJsonObject entry{{"host", "rdap.example"}, {"window", 4}, {"rate", 2}, {"burst", 50},
                          {"learnedAt", now.addSecs(-heardAgo).toString(Qt::ISODateWithMs)}};
        if (refusedAgo >= 0)
            entry.insert("rateAt", now.addSecs(-refusedAgo).toString(Qt::ISODateWithMs));
        RegistryScheduler::Options options;
        options.paceFile = m_dir.filePath(QStringLiteral("pace-%1.json").arg(++m_stores));
        QFile file(options.paceFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(QJsonObject{{"hosts", QJsonObject{{key, entry}}}}).toJson());
        file.close();
        RegistryScheduler scheduler(options);
        QCOMPARE(scheduler.state(key).rate, paced);
        if (refusedAgo != 86400 - 1)
            return;
        // The day runs out in the next second: the host's next request goes unpaced.
        QTRY_VERIFY(QDateTime::currentDateTimeUtc() >= now.addSecs(1));
        WaitBudget budget;
        QCoro::waitFor(scheduler.take(key, "rdap.example", RegistryScheduler::Protocol::rdap, &budget, nullptr));
        QCOMPARE(scheduler.state(key).rate, 0.0);
    }

    // A search that goes away takes its waiting requests with it, there and then.
    void cancellationEmptiesTheQueue()
    {
        for (int i = 0; i < 30; ++i)
            m_http->setRoute(QStringLiteral("/rdap/domain/name%1.test").arg(i), FakeHttpServer::Route{.hang = true});
        RegistryScheduler scheduler({});
        auto service = std::make_unique<DomainLookupService>(configuration(&scheduler));
        Checks checks = start(*service, 30, ".test");
        QTRY_COMPARE(scheduler.state(rdapKey()).inFlight, 16);
        QCOMPARE(scheduler.state(rdapKey()).queued, 14);
        service.reset();
        QCOMPARE(scheduler.state(rdapKey()).queued, 0);
        QCOMPARE(outcomes(checks), QStringList(30, "Cancelled"));
        QCOMPARE(scheduler.state(rdapKey()).inFlight, 0);
    }
};

QTEST_GUILESS_MAIN(TestRegistryScheduler)
#include "tst_registryscheduler.moc"
