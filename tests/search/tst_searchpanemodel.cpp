#include "settings/AppSettings.h"
#include "FakeHttpServer.h"
#include "FakeWhoisServer.h"
#include "history/HistoryListModel.h"
#include "history/HistoryStore.h"
#include "RawDatabase.h"
#include "search/SearchPaneModel.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

namespace {

struct CountingGong : Gong {
    void playGong() override { ++played; }
    int played = 0;
};

QStringList rowsOf(const LiveResultsModel *model)
{
    QStringList rows;
    for (const LiveResult &row : model->rows())
        rows << row.domain + ' ' + rawString(row.availability) + (row.errorMessage ? " [" + *row.errorMessage + ']' : QString());
    return rows;
}

} // namespace

class TestSearchPaneModel : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<FakeHttpServer> m_http;
    std::unique_ptr<FakeWhoisServer> m_whois;
    std::unique_ptr<HistoryStore> m_store;
    std::unique_ptr<AppSettings> m_settings;
    std::shared_ptr<CountingGong> m_gong;
    int m_n = 0;

    // A pane searching `tlds`, all in the catalogue and enabled.
    std::unique_ptr<SearchPaneModel> model(const QStringList &tlds)
    {
        m_settings->setTlds(tlds);
        m_settings->setEnabledTLDs(tlds);
        LookupConfiguration c;
        c.bootstrap.source = m_http->url("/dns.json");
        c.bootstrap.store.fileName = m_dir.filePath(QStringLiteral("defaults-%1.ini").arg(m_n));
        c.whois.servers = {{".io", "127.0.0.1"}};
        c.whois.referralHost = QStringLiteral("127.0.0.1");
        c.whois.connection.port = m_whois->port();
        auto m = std::make_unique<SearchPaneModel>(c, ClaudeCLIOptions{}, m_store.get(), m_settings.get());
        m->setGong(m_gong);
        return m;
    }

    static void start(SearchPaneModel &m, const QString &query) { m.setQuery(query); m.search(); }

    // Searches for `query` and waits until the run has ended.
    static bool searched(SearchPaneModel &m, const QString &query)
    {
        start(m, query);
        return QTest::qWaitFor([&m] { return !m.isSearching(); });
    }

    int storedRows(const QString &sql) const { return RawDatabase(m_store->path()).count(sql); }

    // An RDAP answer that comes after `ms` milliseconds.
    void answerSlowly(const QString &path, int ms, int status = 404) { m_http->setRoute(path, {status, {}, "{}", ms}); }

private slots:
    void init()
    {
        ++m_n;
        m_http = std::make_unique<FakeHttpServer>();
        m_whois = std::make_unique<FakeWhoisServer>();
        m_http->serveBootstrap({QStringLiteral("com"), QStringLiteral("ai")});
        m_http->setJson("/rdap/domain/orvane.com", 404, "{}");
        m_http->setJson("/rdap/domain/orvane.ai", 200, R"({"objectClassName":"domain","ldhName":"orvane.ai"})");
        m_whois->setAnswer("orvane.io", QByteArray("No match for \"ORVANE.IO\".\n"));
        m_store = *HistoryStore::open(m_dir.filePath(QStringLiteral("history-%1.sqlite").arg(m_n)), HistoryStore::Options{50});
        m_settings = std::make_unique<AppSettings>(SettingsLocation{m_dir.filePath(QStringLiteral("settings-%1.ini").arg(m_n))});
        m_gong = std::make_shared<CountingGong>();
    }

    void searchChecksEveryEnabledTLDInCatalogueOrder()
    {
        // A long answer is whole in its row and cut to 8000 characters in the store.
        const QString emoji = QString::fromUcs4(U"\U0001F600");
        m_whois->setAnswer("orvane.io", ("No match for ORVANE.IO\n" + emoji.repeated(10000 - 23)).toUtf8());
        auto m = model({".com", ".ai", ".io", ".zz"});
        const QString typed = QString::fromUtf8("\n Orvane.COM.example\u00a0\u2028\t");
        m->setQuery(typed);
        QSignalSpy searching(m.get(), &SearchPaneModel::isSearchingChanged);
        // The views hear of every answer, told what changed, with the free count already updated.
        QSet<int> told;
        connect(m->liveResults(), &QAbstractItemModel::dataChanged, this, [&](const QModelIndex &first, const QModelIndex &last, const QList<int> &roles) {
            QVERIFY(roles.contains(LiveResultsModel::AvailabilityRole));
            for (int row = first.row(); row <= last.row(); ++row) {
                const LiveResult &result = m->liveResults()->rows().at(row);
                QVERIFY(result.rawResponse.isEmpty() || roles.contains(LiveResultsModel::RawResponseRole));
                told << row;
            }
            const auto &rows = m->liveResults()->rows();
            QCOMPARE(m->liveResults()->availableCount(),
                     int(std::ranges::count(rows, DomainAvailability::available, &LiveResult::availability)));
        });
        m->search();
        QVERIFY(m->isSearching());
        QCOMPARE(rowsOf(m->liveResults()), (QStringList{"orvane.com checking", "orvane.ai checking", "orvane.io checking", "orvane.zz checking"}));
        QTRY_VERIFY(!m->isSearching());
        QCOMPARE(told.size(), 4); // all told by the time the search says it ended
        QCOMPARE(rowsOf(m->liveResults()), (QStringList{"orvane.com available", "orvane.ai taken", "orvane.io available",
                                                        "orvane.zz error [No WHOIS server known for .zz]"}));
        QCOMPARE(m->query(), typed);
        QCOMPARE(m->activeRecord()->query(), QStringLiteral("orvane"));
        QVERIFY2(!m->lastError().has_value(), qPrintable(m->lastErrorText()));
        QCOMPARE(searching.count(), 2);
        QCOMPARE(m_gong->played, 1); // two free domains, one gong
        QCOMPARE(storedRows("SELECT COUNT(*) FROM domain_result"), 4);
        QCOMPARE(storedRows("SELECT COUNT(*) FROM domain_result WHERE availability_raw = 'error' AND error_message = 'No WHOIS server known for .zz'"), 1);
        QCOMPARE(m->liveResults()->rows().at(2).rawResponse.toUcs4().size(), 10000);
        QCOMPARE(RawDatabase(m_store->path()).rows("SELECT LENGTH(raw_response), substr(raw_response, -1) FROM domain_result WHERE tld = '.io'"),
                 QStringList{"8000|" + emoji});
    }

    // A row held back by a registry says so, naming the host, until its answer comes; the
    // others say nothing of the kind.
    void rowSaysWhileARegistryHoldsItBack()
    {
        m_http->setLimit(FakeHttpServer::Limit{2, 1, [] { return QByteArray("1"); }});
        auto m = model({".com", ".ai"});
        start(*m, "orvane");
        const LiveResultsModel *rows = m->liveResults();
        const auto waiting = [rows](int row) { return rows->data(rows->index(row), LiveResultsModel::WaitingRole).toString(); };
        QTRY_VERIFY(!waiting(0).isEmpty() || !waiting(1).isEmpty());
        const int held = waiting(0).isEmpty() ? 1 : 0;
        QCOMPARE(waiting(1 - held), QString());
        QCOMPARE(waiting(held), QStringLiteral("Registry asked to wait \u2014 retrying in 1 s"));
        QCOMPARE(rows->data(rows->index(held), LiveResultsModel::WaitingHostRole).toString(), QStringLiteral("127.0.0.1"));
        QTRY_VERIFY(!m->isSearching());
        QCOMPARE(rowsOf(rows), (QStringList{"orvane.com available", "orvane.ai taken"}));
        QCOMPARE(waiting(held), QString());
        QVERIFY(m_whois->queries().isEmpty());
    }

    // An international name is shown and stored in Unicode, typed in either form, and asked for
    // in ASCII; a look-alike is shown with its ASCII form beside it, in its rows and in the
    // history; an ordinary name's rows look as they always did.
    void internationalNames()
    {
        auto m = model({".com"});
        const HistoryListModel history(m_store.get());
        const auto shown = [&](int role) { return m->liveResults()->index(0).data(role).toString(); };
        QVERIFY(searched(*m, "XN--BCHER-KVA"));
        QCOMPARE(rowsOf(m->liveResults()), QStringList{"b\u00fccher.com available"});
        QCOMPARE(m->activeRecord()->query(), QStringLiteral("b\u00fccher"));
        QCOMPARE(m_http->requestCount("/rdap/domain/xn--bcher-kva.com"), 1);
        QCOMPARE(storedRows("SELECT COUNT(*) FROM domain_result WHERE domain = 'b\u00fccher.com'"), 1);
        QCOMPARE(shown(LiveResultsModel::ShownDomainRole) + '|' + shown(LiveResultsModel::LookAlikeHintRole), QStringLiteral("b\u00fccher.com|"));

        QVERIFY(searched(*m, QStringLiteral("\u0430pple")));
        QCOMPARE(m_http->requestCount("/rdap/domain/xn--pple-43d.com"), 1);
        QCOMPARE(shown(LiveResultsModel::ShownDomainRole), QStringLiteral("\u0430pple.com (xn--pple-43d.com)"));
        QCOMPARE(shown(LiveResultsModel::LookAlikeHintRole), QStringLiteral("mixed scripts"));
        QCOMPARE(history.index(0).data(HistoryListModel::ShownQueryRole).toString(), QStringLiteral("\u0430pple (xn--pple-43d)"));
    }

    void refusedSearchChangesOnlyTheMessage_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("tlds");
        QTest::addColumn<QString>("message");
        QTest::newRow("bad name") << "-orvane" << QStringList{".com"} << "Enter a name (letters, digits, hyphens, no spaces or dots).";
        QTest::newRow("no TLD") << "orvane" << QStringList{} << "Select at least one TLD to check.";
    }
    void refusedSearchChangesOnlyTheMessage()
    {
        QFETCH(QString, query); QFETCH(QStringList, tlds); QFETCH(QString, message);
        auto m = model({".com", ".ai"});
        QVERIFY(searched(*m, "orvane"));
        const QStringList before = rowsOf(m->liveResults());
        SearchRecord *record = m->activeRecord();

        m_settings->setEnabledTLDs(tlds);
        m->setQuery(query);
        QSignalSpy anyRows(m->liveResults(), &QAbstractItemModel::modelReset);
        QSignalSpy searching(m.get(), &SearchPaneModel::isSearchingChanged);
        m->search();
        QCOMPARE(m->lastError().value_or("<none>"), message);
        QCOMPARE(anyRows.count(), 0);
        QCOMPARE(searching.count(), 0);
        QCOMPARE(rowsOf(m->liveResults()), before);
        QCOMPARE(m->activeRecord(), record);
        QCOMPARE(m_store->fetchAll().size(), 1);
    }

    void failedSaveShowsTheMessage()
    {
        auto m = model({".com"});
        RawDatabase other(m_store->path());
        QVERIFY(other.exec("BEGIN EXCLUSIVE")); // another writer holds the file
        start(*m, "orvane");
        QTRY_VERIFY(!m->isSearching());
        QVERIFY2(m->lastErrorText().startsWith("Could not save search history: database is locked"), qPrintable(m->lastErrorText()));
        QCOMPARE(rowsOf(m->liveResults()), QStringList{"orvane.com available"});
        QVERIFY(m_store->hasChanges()); // nothing lost: the next save writes it
    }

    void secondSearchWhileTheFirstRuns_data()
    {
        QTest::addColumn<bool>("newSearchBetween");
        QTest::newRow("Return again") << false;
        QTest::newRow("new search between") << true;
    }
    void secondSearchWhileTheFirstRuns()
    {
        QFETCH(bool, newSearchBetween);
        answerSlowly("/rdap/domain/orvane.com", 200, 200);
        answerSlowly("/rdap/domain/other.com", 1000, 200);
        auto m = model({".com", ".ai"});
        start(*m, "orvane");
        SearchRecord *first = m->activeRecord();
        if (newSearchBetween)
            m->newSearch();
        start(*m, "other");
        QTRY_VERIFY(first->persistentId() != 0); // the first run has ended and saved
        // The first run neither ends the second nor judges the gong by its rows.
        QVERIFY(m->isSearching());
        QCOMPARE(m_gong->played, 0);
        QCOMPARE(rowsOf(m->liveResults()), (QStringList{"other.com checking", "other.ai available"}));
        QTRY_VERIFY(!m->isSearching());
        QCOMPARE(m_gong->played, 1);
        QCOMPARE(rowsOf(m->liveResults()), (QStringList{"other.com taken", "other.ai available"}));
        QCOMPARE(storedRows("SELECT COUNT(*) FROM domain_result"), 4);
        QCOMPARE(storedRows("SELECT COUNT(*) FROM domain_result WHERE domain = 'orvane.com' AND availability_raw = 'taken'"), 1);
    }

    void deletingTheRunningSearchKeepsLaterOnesSaved_data()
    {
        QTest::addColumn<bool>("clearAll");
        QTest::newRow("delete it") << false;
        QTest::newRow("clear all history") << true;
    }
    void deletingTheRunningSearchKeepsLaterOnesSaved()
    {
        QFETCH(bool, clearAll);
        auto m = model({".com", ".ai"});
        QVERIFY(searched(*m, "older"));

        answerSlowly("/rdap/domain/orvane.com", 300);
        start(*m, "orvane");
        SearchRecord *running = m->activeRecord();
        QTRY_COMPARE(running->resultCount(), 1); // .ai answered, .com still out
        for (SearchRecord *record : clearAll ? m_store->fetchAll() : QList<SearchRecord *>{running})
            m_store->remove(record);
        QVERIFY(m_store->save());
        QTRY_VERIFY(!m->isSearching());
        QVERIFY2(!m->lastError(), qPrintable(m->lastErrorText()));
        QCOMPARE(rowsOf(m->liveResults()), (QStringList{"orvane.com available", "orvane.ai taken"}));

        QVERIFY(searched(*m, "later"));
        QVERIFY2(!m->lastError(), qPrintable(m->lastErrorText()));
        RawDatabase raw(m_store->path());
        QCOMPARE(raw.rows("SELECT group_concat(query, ' ') FROM (SELECT query FROM search_record ORDER BY id)"),
                 QStringList{clearAll ? "later" : "older later"});
        QCOMPARE(raw.count("SELECT COUNT(*) FROM domain_result"), clearAll ? 2 : 4);
        QCOMPARE(raw.count("SELECT COUNT(*) FROM domain_result WHERE domain LIKE 'orvane%'"), 0);
    }

    void runOutlivesItsModel()
    {
        answerSlowly("/rdap/domain/orvane.com", 200);
        auto m = model({".com", ".io"});
        start(*m, "orvane");
        m_settings->setPlayGongOnAvailable(false); // too late for the running search
        m.reset(); // the window content goes away mid-search
        QTRY_COMPARE(storedRows("SELECT COUNT(*) FROM domain_result"), 2);
        QTRY_COMPARE(m_gong->played, 1);
        QVERIFY(!m_store->hasChanges());
    }

    void showRecordAndNewSearch()
    {
        m_settings->setPlayGongOnAvailable(false);
        auto m = model({".io", ".com", ".ai"});
        QVERIFY(searched(*m, "orvane"));
        QCOMPARE(m_gong->played, 0); // free domains, but the gong was off
        SearchRecord *record = m->activeRecord();
        start(*m, "bad name");
        QVERIFY(m->lastError());
        m->newSearch();
        QVERIFY(!m->lastError());
        QCOMPARE(m->query(), QString());
        QCOMPARE(m->liveResults()->count(), 0);
        QVERIFY(!m->activeRecord());

        m->showRecord(record);
        QVERIFY(m->isHistoricalView());
        QCOMPARE(m->activeRecord(), record);
        QCOMPARE(m->query(), QStringLiteral("orvane"));
        QCOMPARE(rowsOf(m->liveResults()), (QStringList{"orvane.ai taken", "orvane.com available", "orvane.io available"}));

        // A refused search keeps the historical view.
        start(*m, "bad name");
        QVERIFY(m->isHistoricalView());
        QCOMPARE(m->liveResults()->count(), 3);
    }

    // Answers that arrive together reach the views as one notification for the rows they changed,
    // within a frame; a row's raw answer shows until new rows replace it.
    void answersReachTheViewsOncePerFrame()
    {
        LiveResultsModel rows;
        QList<LiveResult> list;
        for (int i = 0; i < 500; ++i)
            list.append(LiveResult{QUuid::createUuid(), QStringLiteral(".t%1").arg(i), QStringLiteral("n.t%1").arg(i)});
        rows.replaceAll(list);
        QSignalSpy changed(&rows, &QAbstractItemModel::dataChanged);
        QSignalSpy free(&rows, &LiveResultsModel::availableCountChanged);
        for (int i = 499; i >= 10; --i)
            rows.setOutcome(i, i % 2 ? DomainAvailability::available : DomainAvailability::taken, QStringLiteral("answer"), std::nullopt);
        QCOMPARE(rows.availableCount(), 245); // the rows themselves change at once
        QCOMPARE(changed.count(), 0);
        QTRY_COMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 10);
        QCOMPARE(changed.first().at(1).toModelIndex().row(), 499);
        QCOMPARE(free.count(), 1);

        rows.setExpanded(12, true);
        QCOMPARE(changed.count(), 2); // the user's own click shows at once
        QVERIFY(rows.data(rows.index(12), LiveResultsModel::ExpandedRole).toBool());
        QVERIFY(rows.data(rows.index(12), LiveResultsModel::HasRawRole).toBool());
        QVERIFY(!rows.data(rows.index(0), LiveResultsModel::HasRawRole).toBool());
        rows.setOutcome(0, DomainAvailability::taken, QStringLiteral("late"), std::nullopt);
        rows.replaceAll(list); // the late answer is told by the reset, not after it
        QVERIFY(!rows.data(rows.index(12), LiveResultsModel::ExpandedRole).toBool());
        QCOMPARE(free.count(), 2);
    }

    void brainstorm()
    {
        QTemporaryDir work;
        QFile output(work.filePath("out.json"));
        QVERIFY(output.open(QIODevice::WriteOnly) && output.write(R"([{"name":"Orvio","rationale":"short"},{"name":"vane"}])") > 0);
        output.close();
        qputenv("FAKE_CLAUDE_OUTPUT", output.fileName().toUtf8());
        qputenv("FAKE_CLAUDE_LOG", work.filePath("log").toUtf8());
        m_settings->setClaudeBinaryPath(QStringLiteral(ORVANE_FAKE_CLAUDE));
        SearchPaneModel unset(LookupConfiguration{.bootstrap = {.store = {m_dir.filePath("unset.ini")}}}); // no settings: nothing is enabled
        unset.setQuery("orvane");
        unset.suggest();
        QCOMPARE(unset.suggestionErrorText(), SearchPaneModel::suggestionsDisabled);

        auto m = model({".com", ".ai"});
        m_settings->setEnabledTLDs({".ai"}); // suggestions are asked for the whole catalogue

        m->setQuery(" -bad");
        m->suggest();
        QCOMPARE(m->suggestionErrorText(), QStringLiteral("Enter a valid name first."));

        m->setQuery("  Orvane.io ");
        m_settings->setUseClaudeForSuggestions(false);
        m->suggest();
        QCOMPARE(m->suggestionErrorText(), QStringLiteral("Claude suggestions are disabled in Settings."));

        m_settings->setUseClaudeForSuggestions(true);
        m->suggest();
        QVERIFY(m->isSuggesting());
        QTRY_VERIFY(!m->isSuggesting());
        QCOMPARE(m->suggestions()->count(), 2);
        QCOMPARE(m->suggestions()->items().at(0).name, QStringLiteral("orvio"));
        QFile prompt(work.filePath("log.prompt"));
        QVERIFY(prompt.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(prompt.readAll()), ClaudeCLIService::prompt("orvane", {".com", ".ai"}));

        // Picking one searches it; the list stays.
        m->useSuggestion("vane");
        QCOMPARE(m->activeRecord()->query(), QStringLiteral("vane"));
        QCOMPARE(m->suggestions()->count(), 2);
        QTRY_VERIFY(!m->isSearching());

        // A failing request keeps the old suggestions beside its message.
        qputenv("FAKE_CLAUDE_EXIT", "3"); qputenv("FAKE_CLAUDE_STDERR", "boom");
        m->suggest();
        QTRY_VERIFY(!m->isSuggesting());
        QCOMPARE(m->suggestionErrorText(), QStringLiteral("claude exited with code 3. boom"));
        QCOMPARE(m->suggestions()->count(), 2);
        qunsetenv("FAKE_CLAUDE_EXIT"); qunsetenv("FAKE_CLAUDE_STDERR");

        // A saved search shown is shown without the brainstorm of another.
        m->showRecord(m->activeRecord());
        QCOMPARE(m->suggestions()->count(), 0);
        QCOMPARE(m->suggestionErrorText(), QString());
    }
};

QTEST_GUILESS_MAIN(TestSearchPaneModel)
#include "tst_searchpanemodel.moc"
