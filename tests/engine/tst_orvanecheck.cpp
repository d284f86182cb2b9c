#include "FakeHttpServer.h"
#include "FakeWhoisServer.h"
#include "RawDatabase.h"
#include "history/HistoryStore.h"
#include "watch/WatchList.h"
#include "engine/RegistryScheduler.h"
#include "engine/Version.h"
#include "engine/WhoisClient.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// How a test runs the tool.
struct How {
    bool registries = true; // point the tool at the fake registries
    QByteArray input;       // standard input
    QString environment;    // more NAME=VALUE, space-separated
    bool terminal = false;  // on a pseudo-terminal, through script(1)
};

// Runs the real orvane-check binary against the fake registries: one run per behaviour.
class TestOrvaneCheck : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<FakeHttpServer> m_http;
    std::unique_ptr<FakeWhoisServer> m_whois;

    struct Run {
        int exitCode = -1;
        QByteArray stdOut;
        QStringList out; // stdout lines, without empty ones
        QString err;
    };

    QString settingsFile() const { return m_home->filePath(".config/pellunor/Orvane.conf"); }

    // A scratch home, with more NAME=VALUE (space-separated).
    QProcessEnvironment environment(const QString &more = {}) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", m_home->path());
        env.insert("XDG_CONFIG_HOME", m_home->filePath(".config"));
        env.insert("XDG_DATA_HOME", m_home->filePath(".local/share"));
        env.remove("NO_COLOR");
        for (const QString &variable : more.split(' ', Qt::SkipEmptyParts))
            env.insert(variable.section('=', 0, 0), variable.section('=', 1));
        return env;
    }

    Run run(QStringList arguments, const How &how = {})
    {
        if (how.registries)
            arguments = QStringList{"--bootstrap", m_http->url("/dns.json").toString(), "--whois", "127.0.0.1", "--whois-port",
                                    QString::number(m_whois->port())}
                        + arguments;
        QString program = QStringLiteral(ORVANE_CHECK_BINARY);
        if (how.terminal) {
            QStringList quoted{program};
            for (const QString &a : arguments)
                quoted << "'" + a + "'";
            program = QStandardPaths::findExecutable("script");
            arguments = QStringList{"-qec", quoted.join(' '), "/dev/null"};
        }
        QProcess process;
        process.setProcessEnvironment(environment(how.environment));
        // The fake servers live on this thread: serve them while the tool runs.
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(program, arguments);
        process.write(how.input);
        process.closeWriteChannel();
        [&] { QVERIFY(finished.wait(30000)); }();
        const QByteArray out = process.readAllStandardOutput();
        return {process.exitCode(), out, QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts),
                QString::fromUtf8(process.readAllStandardError()).trimmed()};
    }

    static QStringList simplifiedSorted(QStringList lines)
    {
        for (QString &line : lines)
            line = line.simplified();
        lines.sort();
        return lines;
    }

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        m_http = std::make_unique<FakeHttpServer>();
        m_whois = std::make_unique<FakeWhoisServer>();
        m_http->serveBootstrap({QStringLiteral("com"), QStringLiteral("uk")});
        m_http->setJson("/rdap/domain/orvane.com", 404, "{}");
        m_http->setJson("/rdap/domain/orvane.co.uk", 404, "{}");
        m_whois->setAnswer("orvane.ai", QByteArray("Domain Name: orvane.ai\nRegistrar: Someone\n"));
        m_whois->setAnswer("ninja", QByteArray("refer: localhost\n"));
        m_whois->setAnswer("orvane.ninja", QByteArray("Too many requests\n"));
        m_whois->setAnswer("zz", QByteArray("% no such TLD\n"));
        m_whois->setAnswer("xn--p1ai", QByteArray("refer: whois.tcinet.test\n"));
        m_whois->setAnswer("orvane.xn--p1ai", QByteArray("No match for ORVANE.XN--P1AI\n"));
        m_whois->setAnswer("orvane.com.ai", QByteArray("No match for orvane.com.ai\n"));
        m_whois->setAnswer("late.ai", FakeWhoisServer::Script{.answer = "Domain Name: late.ai\nRegistrar: R\n", .delayMs = 3000});
    }

    // What is checked, and what is printed: one name, whole domains, names from standard
    // input or a file, the desktop program's TLDs, international names.
    void rows_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");        // standard input, or the --input file for "@file"
        QTest::addColumn<QStringList>("enabledTLDs"); // the desktop program's settings, if any
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err"); // standard error: what the user must know, no log lines

        const QString com = "orvane.com available Domain not registered. (RDAP returned 404.)";
        const QString ai = "orvane.ai taken Domain Name: orvane.ai";
        const auto summary = [](int n, int a, int t, int f) {
            return QStringLiteral("%1 checked: %2 available, %3 taken, 0 unclear, %4 failed").arg(n).arg(a).arg(t).arg(f);
        };
        const auto row = [](const char *name, const QStringList &arguments, const QStringList &rows, int exitCode,
                            const QString &err = {}, const QByteArray &input = {}, const QStringList &enabledTLDs = {}) {
            QTest::newRow(name) << arguments << input << enabledTLDs << rows << exitCode << err;
        };
        const QString zz = "orvane.zz error No WHOIS server known for .zz";
        row("default TLDs", {"Orvane"}, {com, ai, summary(2, 1, 1, 0)}, 0);
        row("desktop TLDs", {"orvane"}, {zz, summary(1, 0, 0, 1)}, 1, "", {}, {".zz"});
        row("exact domain", {"  Orvane.COM  "}, {com, summary(1, 1, 0, 0)}, 0);
        row("--tlds, each TLD once", {"--tlds", ".com,COM,.ai", "orvane", ".com"}, {com, ai, summary(2, 1, 1, 0)}, 0);
        // A second-level suffix is asked of its TLD's registry: .uk's RDAP server, .ai's WHOIS server.
        row("whole domains, public suffixes", {"www.orvane.com", "orvane.co.uk", "orvane.com.ai", "orvane.ai."},
            {com, ai, "orvane.co.uk available Domain not registered. (RDAP returned 404.)", "orvane.com.ai available No match for orvane.com.ai",
             summary(4, 3, 1, 0)}, 0,
            "orvane-check: note: www.orvane.com is checked as orvane.com, the domain a registry holds.");
        row("refusal and failure", {"--max-wait", "0", "orvane", ".ninja", ".ZZ"},
            {"orvane.ninja error Too many requests", zz, summary(2, 0, 0, 2)}, 1);
        row("standard input", {"-"}, {com, ai, summary(2, 1, 1, 0)}, 0, "", "orvane.com\n\n# a comment\n  orvane.ai\r\n");
        row("file, bad line", {"--input", "@file"}, {com, summary(1, 1, 0, 0)}, 1,
            "orvane-check: @file, line 1 (bad_name): not a name (letters, digits and hyphens, or a whole domain such as "
            "example.com)", "bad_name\norvane.com\n");
        row("--only-available", {"--only-available", "--max-wait", "0", "orvane", ".ai", ".ninja", ".com"}, {com, summary(3, 1, 1, 1)}, 1);
        row("--only-available, none", {"--only-available", "orvane", ".ai"}, {summary(1, 0, 1, 0)}, 3);
        row("--quiet, none", {"-q", "orvane", ".ai"}, {}, 3);
        row("--quiet, one", {"--quiet", "orvane", ".ai", ".com"}, {}, 0);
        row("duplicates asked once", {"-"}, {com, summary(1, 1, 0, 0)}, 0, "", "orvane.com\nOrvane.COM\n orvane.com");
        row("line too long", {"-"}, {com, summary(1, 1, 0, 0)}, 1,
            "orvane-check: standard input, line 1 (" + QString(80, 'a') + "\u2026): longer than 1024 characters.", QByteArray(1025, 'a') + "\norvane.com\n");
        row("international name", {"B\u00fccher", ".com"},
            {"b\u00fccher.com available Domain not registered. (RDAP returned 404.)", summary(1, 1, 0, 0)}, 0);
        row("international TLD", {"orvane", ".\u0440\u0444"},
            {"orvane.\u0440\u0444 available No match for ORVANE.XN--P1AI", summary(1, 1, 0, 0)}, 0);
        row("look-alike name", {"\u0430pple", ".com"},
            {"\u0430pple.com (xn--pple-43d.com) available Domain not registered. (RDAP returned 404.)", summary(1, 1, 0, 0)}, 0);
        row("--timeout", {"--timeout", "0.3", "late", ".ai"},
            {"late.ai error WHOIS query timed out", summary(1, 0, 0, 1)}, 1);
    }
    // Every row also shows that a bootstrap file named for one run neither replaces the desktop
    // program's cached copy nor is replaced by it (that copy sends .com nowhere).
    void rows()
    {
        QFETCH(QStringList, arguments); QFETCH(QByteArray, input); QFETCH(QStringList, enabledTLDs); QFETCH(QStringList, rows);
        QFETCH(int, exitCode); QFETCH(QString, err);
        const QByteArray cached = R"({".com":"http://127.0.0.1:9/cached/"})";
        const QDateTime fetched = QDateTime::currentDateTimeUtc();
        {
            QSettings store(settingsFile(), QSettings::IniFormat);
            store.setValue("rdap.bootstrap.cache", cached);
            store.setValue("rdap.bootstrap.cacheDate", fetched);
            if (!enabledTLDs.isEmpty()) {
                store.setValue("settings.tlds", QByteArray(R"([".com",".ai",".zz"])"));
                store.setValue("settings.enabledTLDs", QJsonDocument(QJsonArray::fromStringList(enabledTLDs)).toJson());
            }
        }
        if (const int at = int(arguments.indexOf("@file")); at >= 0) {
            QFile file(m_home->filePath("names.txt"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(input) == input.size());
            arguments[at] = file.fileName();
            err.replace("@file", file.fileName());
        }
        m_http->setJson("/rdap/domain/xn--bcher-kva.com", 404, "{}");
        const Run r = run(arguments, {.input = input});
        QCOMPARE(simplifiedSorted(r.out), simplifiedSorted(rows));
        if (!rows.isEmpty())
            QCOMPARE(r.out.last(), rows.last()); // one summary, at the end
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.err, err);
        QSettings store(settingsFile(), QSettings::IniFormat);
        QCOMPARE(store.value("rdap.bootstrap.cache").toByteArray(), cached);
        QCOMPARE(store.value("rdap.bootstrap.cacheDate").toDateTime(), fetched);
    }

    // Registry text reaches the terminal only with its controls escaped, in every format; JSON
    // and CSV carry raw values and the ASCII form, CSV quoted as RFC 4180 says.
    void formats_data()
    {
        QTest::addColumn<QString>("format");
        for (const char *format : {"text", "json", "csv"})
            QTest::newRow(format) << QString(format);
    }
    void formats()
    {
        QFETCH(QString, format);
        m_whois->setAnswer("xn--bcher-kva.ai", QByteArray("Domain Name: \"b\xc3\xbc\"cher.ai, \x1b]0;owned\x07\x7f\xc2\x9b"
                                                          "2K\r\nRegistrar: Someone\n\tline\n"));
        const Run r = run({"--format", format, "b\u00fccher", ".ai"});
        QCOMPARE(r.exitCode, 0);
        for (const char c : r.stdOut)
            QVERIFY2(uchar(c) >= 0x20 || c == '\n' || c == '\r' || c == '\t', qPrintable(QString::number(uchar(c), 16)));
        const QString out = QString::fromUtf8(r.stdOut);
        QVERIFY(!out.contains(QChar(0x7f)) && !out.contains(QChar(0x9b)));
        const QString escaped = "\\u001b]0;owned\\u0007\\u007f\\u009b2K";
        if (format == "text") {
            QCOMPARE(r.out.first(), "b\u00fccher.ai                 taken      Domain Name: \"b\u00fc\"cher.ai, " + escaped);
        } else if (format == "json") {
            const QJsonObject object = QJsonDocument::fromJson(r.stdOut).object();
            QCOMPARE(object.value("domain").toString(), "b\u00fccher.ai");
            QCOMPARE(object.value("ascii_domain").toString(), "xn--bcher-kva.ai");
            QCOMPARE(object.value("availability").toString(), "taken");
            QVERIFY(object.value("response").toString().contains("\x1b]0;owned\x07\x7f\u009b2K"));
        } else {
            QCOMPARE(r.out.first(), "domain,ascii_domain,tld,availability,response,error\r");
            QCOMPARE(r.out.mid(1).join('\n'), "b\u00fccher.ai,xn--bcher-kva.ai,.ai,taken,\"Domain Name: \"\"b\u00fc\"\"cher.ai, " + escaped
                                                  + "\nRegistrar: Someone\n\tline\",\r");
        }
    }

    // Registry text that a spreadsheet would run as a formula arrives there as text; a cell of
    // two lines is quoted even without a comma in it.
    void csvCellsAreNeverFormulas()
    {
        const QList<QByteArray> answers{"=cmd|' /C calc'!A0", "+1+1", "-1+1", "@SUM(1)", "\t=1", "line one\nline two"};
        for (int i = 0; i < answers.size(); ++i)
            m_whois->setAnswer(QStringLiteral("n%1.ai").arg(i), answers[i] + '\n');
        const Run r = run({"--format", "csv", "-", ".ai"}, {.input = "n0\nn1\nn2\nn3\nn4\nn5\n"});
        QVERIFY(QString::fromUtf8(r.stdOut).contains(",\"line one\nline two"));
        QStringList responses;
        for (const QString &line : r.out.mid(1).filter(QRegularExpression("^n[0-4]\\.ai,")))
            responses << line.section(',', 4, -2);
        responses.sort();
        QCOMPARE(responses, (QStringList{"'+1+1", "'-1+1", "'=1", "'=cmd|' /C calc'!A0", "'@SUM(1)"}));
    }

    // Colour only for a terminal, and never when NO_COLOR or --no-color says so. Log lines stay
    // off standard error unless asked for, and then come escaped: they may quote a registry.
    void terminal_data()
    {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("coloured");
        QTest::newRow("terminal") << true << "" << "--format=text" << true;
        QTest::newRow("piped") << false << "" << "--format=text" << false;
        QTest::newRow("NO_COLOR") << true << "NO_COLOR=1" << "--format=text" << false;
        QTest::newRow("--no-color") << true << "" << "--no-color" << false;
        QTest::newRow("TERM=dumb") << true << "TERM=dumb" << "--format=text" << false;
        QTest::newRow("--color=always, piped") << false << "" << "--color=always" << true;
        QTest::newRow("FORCE_COLOR, piped") << false << "FORCE_COLOR=1" << "--color=auto" << true;
        QTest::newRow("NO_COLOR over FORCE_COLOR") << false << "NO_COLOR=1 FORCE_COLOR=1" << "--format=text" << false;
        QTest::newRow("--verbose") << false << "" << "-v" << false;
    }
    void terminal()
    {
        QFETCH(bool, terminal); QFETCH(QString, environment); QFETCH(QString, option); QFETCH(bool, coloured);
        if (terminal && QStandardPaths::findExecutable("script").isEmpty())
            QSKIP("script(1) is needed for a terminal");
        m_http->setJson("/rdap/domain/orvane.com", 200, "{\"objectClassName\":\"x\\u001b]0;owned\\u0007\\u009b\"}");
        const Run r = run({option, "orvane", ".com"}, {.environment = environment, .terminal = terminal});
        QVERIFY(r.stdOut.contains("orvane.com"));
        QCOMPARE(r.stdOut.contains("\x1b[33munclear\x1b[0m"), coloured);
        QCOMPARE(r.stdOut.contains('\x1b'), coloured);
        QCOMPARE(r.err.contains("x\\u001b]0;owned\\u0007\\u009b"), option == "-v");
        QVERIFY(!r.err.contains('\x1b') && !r.err.contains(QChar(0x9b)) && !r.err.contains('\x07'));
        if (option != "-v")
            QCOMPARE(r.err, QString());
    }

    // The desktop program's watch list, for scripts: nothing when there is no history yet, every
    // watched domain with its last verdict in each format, and the history file left unwritten.
    void watching()
    {
        const QString path = m_home->filePath(".local/share/pellunor/Orvane/history.sqlite");
        const Run empty = run({"--watching"}, {.registries = false});
        QCOMPARE(empty.exitCode, 0);
        QCOMPARE(empty.stdOut + empty.err.toUtf8(), QByteArray());
        QVERIFY(!QFileInfo::exists(path));
        {
            auto store = orvane::HistoryStore::open(path);
            QVERIFY(store);
            orvane::WatchList list((*store)->connectionName());
            const QDateTime at = QDateTime::fromString("2026-12-01T10:00:00Z", Qt::ISODate);
            QVERIFY(list.watch("orvane.ai", ".ai", orvane::DomainAvailability::taken, at));
            QVERIFY(list.watch("lumalink.com", ".com", std::nullopt, at.addSecs(60)));
        }
        const QDateTime modified = QFileInfo(path).lastModified();
        const Run csv = run({"--watching", "--format", "csv"}, {.registries = false});
        QCOMPARE(csv.exitCode, 0);
        QCOMPARE(csv.out, (QStringList{"domain,tld,availability,last_checked\r", "orvane.ai,.ai,taken,2026-12-01T10:00:00Z\r", "lumalink.com,.com,,\r"}));
        const Run json = run({"--watching", "--json"}, {.registries = false});
        QCOMPARE(json.out, (QStringList{R"({"availability":"taken","domain":"orvane.ai","last_checked":"2026-12-01T10:00:00Z","tld":".ai"})",
                                        R"({"availability":null,"domain":"lumalink.com","last_checked":null,"tld":".com"})"}));
        const Run text = run({"--watching"}, {.registries = false});
        QCOMPARE(simplifiedSorted(text.out), (QStringList{"lumalink.com not checked yet", "orvane.ai taken checked 2026-12-01T10:00:00Z"}));
        QCOMPARE(QFileInfo(path).lastModified(), modified);
    }

    // Standard input is used as it arrives: the first name is asked before the second is written.
    void namesAsTheyArrive()
    {
        m_http->setJson("/rdap/domain/second.com", 404, "{}");
        QProcess process;
        process.setProcessEnvironment(environment());
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(ORVANE_CHECK_BINARY, {"--bootstrap", m_http->url("/dns.json").toString(), "-"});
        process.write("orvane.com\n");
        QTRY_COMPARE_WITH_TIMEOUT(m_http->requestCount("/rdap/domain/orvane.com"), 1, 30000);
        QCOMPARE(m_http->requestCount("/rdap/domain/second.com"), 0);
        process.write("second.com\n");
        process.closeWriteChannel();
        QVERIFY(finished.wait(30000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(m_http->requestCount("/rdap/domain/second.com"), 1);
    }

    // What a registry asked is kept beside the desktop program's settings: the next run, in
    // another process, waits for the same pause without asking (and falls back at once here).
    void learnedPaceIsShared()
    {
        m_http->setLimit(FakeHttpServer::Limit{0.001, 0, [] { return QByteArray("30"); }});
        m_whois->setAnswer("orvane.com", QByteArray("Domain Name: orvane.com\nRegistrar: R\n"));
        const QStringList arguments{"--max-wait", "0", "orvane", ".com"};
        const Run first = run(arguments);
        QCOMPARE(first.out.first().simplified(), "orvane.com taken Domain Name: orvane.com");
        QCOMPARE(m_http->limitedCount(), 1);

        orvane::RegistryScheduler::Options options;
        options.paceFile = m_home->filePath(".config/pellunor/Orvane.pace.json");
        const orvane::RegistryScheduler learned(options);
        const auto state = learned.state(orvane::RegistryScheduler::key(orvane::RegistryScheduler::Protocol::rdap, "127.0.0.1", m_http->port()));
        QCOMPARE(state.window, 8.0);
        const qint64 pause = QDateTime::currentDateTimeUtc().secsTo(state.pausedUntil);
        QVERIFY2(pause > 20 && pause <= 30, qPrintable(QString::number(pause)));

        const Run second = run(arguments);
        QCOMPARE(second.out, first.out);
        QCOMPARE(m_http->requestCount("/rdap/domain/orvane.com"), 1);
    }

    // A history file that cannot be read is a failure that says so; one written before the
    // verdict had a column of its own is read as it is.
    void watchingFromOtherFiles_data()
    {
        QTest::addColumn<QString>("sql"); // run on a new file; none: a damaged one
        QTest::addColumn<QString>("said"); // standard output, or the error; %1: the file's path
        QTest::newRow("damaged") << QString() << "orvane-check: cannot read %1: file is not a database";
        QTest::newRow("someone else's database") << "CREATE TABLE photos (id INTEGER)" << "orvane-check: cannot read %1: not an Orvane history database";
        QTest::newRow("schema 1.1.0") << "CREATE TABLE orvane_meta (key TEXT, value TEXT);CREATE TABLE watched_domain (domain TEXT, tld TEXT,"
                                         " added_at INTEGER, last_checked_at INTEGER, last_availability_raw TEXT);"
                                         "INSERT INTO watched_domain VALUES ('orvane.ai', '.ai', 0, 0, 'taken')"
                                      << "orvane.ai taken checked 1970-01-01T00:00:00Z";
    }
    void watchingFromOtherFiles()
    {
        QFETCH(QString, sql); QFETCH(QString, said);
        const QString path = m_home->filePath(".local/share/pellunor/Orvane/history.sqlite");
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        QVERIFY(!sql.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(QByteArray("SQLite format 3\0", 16) + QByteArray(4096, 'Z'))));
        file.close();
        for (const QString &statement : sql.split(';', Qt::SkipEmptyParts))
            QVERIFY(RawDatabase(path).exec(statement));
        const Run r = run({"--watching"}, {.registries = false});
        QCOMPARE(r.exitCode, said.startsWith("orvane-check:") ? 1 : 0);
        QCOMPARE(r.exitCode ? r.err : r.out.join('\n').simplified(), said.arg(path));
    }

    // --all: the bootstrap's TLDs and the WHOIS table's, each once.
    void allTLDs()
    {
        QStringList expected = orvane::knownServerTLDs() + QStringList{".com", ".io"};
        expected.removeDuplicates();
        expected.sort();
        m_http->serveBootstrap({QStringLiteral("com"), QStringLiteral("io")});
        const Run r = run({"--all", "--format", "csv", "orvane"});
        QStringList checked;
        for (const QString &line : r.out)
            if (line.startsWith("orvane.")) // not a header or an answer's further line
                checked << line.section(',', 2, 2);
        checked.sort();
        QCOMPARE(checked, expected);
    }

    // What a run would ask (--dry-run, no registry contacted): the argument grammar, whole
    // domains split at their public suffix, presets, prefixes, suffixes and --max-length.
    void plans_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("presets"); // the user's presets file
        QTest::addColumn<QStringList>("domains");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err");
        const auto row = [](const char *name, const QStringList &arguments, const QStringList &domains, const QString &err = {},
                            const QByteArray &presets = {}, int exitCode = 0) {
            QTest::newRow(name) << arguments << presets << domains << exitCode << err;
        };
        row("names and TLDs by the dot", {"foo", "bar", ".com", ".IO"}, {"foo.com", "foo.io", "bar.com", "bar.io"});
        row("whole domains", {"www.example.com", "example.co.uk", "example.com.", "foo.github.io", "a.b.example.pvt.k12.ma.us"},
            {"example.com", "example.co.uk", "github.io", "example.pvt.k12.ma.us"},
            "orvane-check: note: www.example.com is checked as example.com, the domain a registry holds.");
        row("whole domain, TLDs given", {"www.example.co.uk", ".de"}, {"example.de"},
            "orvane-check: note: with TLDs given, www.example.co.uk is checked as example under them.");
        row("built-in preset", {"--preset", "popular", "x"},
            {"x.com", "x.net", "x.org", "x.io", "x.co", "x.ai", "x.app", "x.dev"});
        row("user's preset beside a TLD", {"--preset", "mine", "x", ".dev"}, {"x.dev", "x.com", "x.io"}, {},
            "# mine\nmine = .com, .io\n\ntech = .sh");
        row("user's preset file refused", {"--preset", "mine", "x"}, {}, "orvane-check: @presets, line 1: not a preset (name = .com .io; \"all\" is taken)",
            "mine = .c_m", 2);
        row("prefixes, suffixes, --max-length", {"--prefix", "get", "--suffix", "hq,-x", "--max-length", "9", "foo", ".com"},
            {"foo.com", "foohq.com", "foo-x.com", "getfoo.com", "getfoohq.com", "getfoo-x.com"});
        row("--max-length leaves out", {"--max-length", "3", "foo", "foobar", ".com"}, {"foo.com"},
            "orvane-check: note: 1 name left out, longer than 3 characters.");
        row("international", {"--json", "b\u00fccher", ".de"}, {"{\"ascii_domain\":\"xn--bcher-kva.de\",\"domain\":\"b\u00fccher.de\",\"tld\":\".de\"}"});
    }
    void plans()
    {
        QFETCH(QStringList, arguments); QFETCH(QByteArray, presets); QFETCH(QStringList, domains); QFETCH(int, exitCode);
        QFETCH(QString, err);
        const QString file = m_home->filePath(".config/orvane-check/presets");
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
        QFile presetsFile(file);
        QVERIFY(presetsFile.open(QIODevice::WriteOnly) && presetsFile.write(presets) == presets.size());
        presetsFile.close();
        const Run r = run(QStringList{"--dry-run"} + arguments, {.registries = false});
        QCOMPARE(r.out, domains);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.err, err.replace("@presets", file));
    }

    // A --bootstrap file that cannot be had stops the run before any registry is asked; a
    // file:// one serves as well as a fetched one.
    void bootstrapSource_data()
    {
        QTest::addColumn<QString>("url"); // @dir: a folder of the test's own
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("err");
        QTest::newRow("404") << "@http/missing.json" << QByteArray() << "@url: the server answered HTTP 404";
        QTest::newRow("missing file") << "file://@dir/none.json" << QByteArray() << "@url: No such file or directory";
        QTest::newRow("not JSON") << "file://@dir/dns.json" << QByteArray("<html>") << "@url: The bootstrap file is not valid JSON: illegal value";
        QTest::newRow("file") << "file://@dir/dns.json" << QByteArray(R"({"services":[[["com"],["@rdap"]]]})") << QString();
    }
    void bootstrapSource()
    {
        QFETCH(QString, url); QFETCH(QByteArray, file); QFETCH(QString, err);
        url.replace("@http", m_http->url("").toString()).replace("@dir", m_home->path());
        if (!file.isEmpty()) {
            QFile json(m_home->filePath("dns.json"));
            QVERIFY(json.open(QIODevice::WriteOnly));
            json.write(file.replace("@rdap", m_http->url("/rdap/").toString().toUtf8()));
        }
        const Run r = run({"--bootstrap", url, "--whois", "127.0.0.1", "--whois-port", QString::number(m_whois->port()), "orvane", ".com"},
                          {.registries = false});
        if (err.isEmpty()) {
            QCOMPARE(r.exitCode, 0);
            QCOMPARE(r.out.first().simplified(), "orvane.com available Domain not registered. (RDAP returned 404.)");
        } else {
            QCOMPARE(r.exitCode, 1);
            QCOMPARE(r.err, "orvane-check: cannot use the RDAP bootstrap file " + err.replace("@url", url));
            QVERIFY(r.out.isEmpty());
            QVERIFY(m_whois->queries().isEmpty());
        }
    }

    // JSON rows say how each answer came, from which server, when, and until when it is held.
    void jsonFields()
    {
        m_http->setJson("/rdap/domain/orvane.com", 200,
                        R"({"objectClassName":"domain","events":[{"eventAction":"expiration","eventDate":"2027-03-04T05:06:07Z"}]})");
        QStringList seen;
        for (const QString &line : run({"--json", "orvane", ".com", ".ai"}).out) {
            const QJsonObject row = QJsonDocument::fromJson(line.toUtf8()).object();
            const QDateTime at = QDateTime::fromString(row.value("checked_at").toString(), Qt::ISODate);
            QVERIFY(qAbs(at.secsTo(QDateTime::currentDateTimeUtc())) < 60);
            seen << QStringList{row.value("tld").toString(), row.value("method").toString(), row.value("server").toString(),
                                row.value("expires_at").toString()}.join(' ');
        }
        seen.sort();
        QCOMPARE(seen, (QStringList{".ai whois 127.0.0.1 ", ".com rdap 127.0.0.1 2027-03-04T05:06:07Z"}));
    }

    // What the tool says about itself, and what it refuses, before and without any check.
    void arguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message"); // on standard error, or what standard output holds with exit 0
        QTest::newRow("-V") << QStringList{"-V"} << QString("orvane-check ") + orvane::applicationVersion;
        QTest::newRow("--help") << QStringList{"--help"} << "3 every check answered and none available";
        QTest::newRow("--help-all") << QStringList{"--help-all"} << "--qmljsdebugger"; // Qt's own options too
        const QString invalid = ": not a name (letters, digits and hyphens, or a whole domain such as example.com)";
        const QString notTLD = ": not a TLD (a dot, then letters, digits and hyphens: .com, .co.uk).";
        const auto row = [](const char *name, const QStringList &arguments, const QString &message) {
            QTest::newRow(name) << arguments << "orvane-check: " + message;
        };
        row("bad name", {"bad_name"}, "bad_name" + invalid);
        row("empty name", {""}, invalid);
        row("comma, no dot: a name", {"com,io"}, "com,io" + invalid);
        row("no name", {}, "missing NAME. Try --help.");
        row("TLD with _", {"abc", ".c_m"}, ".c_m" + notTLD);
        row("TLD with a CR", {"abc", ".co\rm"}, ".co\\u000dm" + notTLD);
        row("empty --tlds", {"--tlds", "", "abc"}, "--tlds \"\": no TLD in it.");
        row("--json and --format csv", {"--json", "--format", "csv", "abc"}, "--json and --format csv: choose one.");
        row("--all and TLDs", {"--all", "--tlds", ".io", "abc"}, "every TLD (--all) and some TLDs: choose one.");
        row("--preset all and TLDs", {"--preset", "all", "abc", ".io"}, "every TLD (--all) and some TLDs: choose one.");
        row("-v and -q", {"-v", "-q", "abc"}, "--verbose and --quiet: choose one.");
        row("--no-color and --color", {"--no-color", "--color=always", "abc"}, "--no-color and --color=always: choose one.");
        row("bad --color", {"--color=sometimes", "abc"}, "--color=sometimes: not a colour mode (auto, always or never).");
        row("unknown preset", {"--preset", "nope", "abc"}, "--preset nope: no such preset (country, popular, tech, all).");
        row("bad prefix", {"--prefix", "a_b", "abc"}, "--prefix a_b: not part of a name (letters, digits and hyphens).");
        row("bad --max-length", {"--max-length", "0", "abc"}, "--max-length 0: not a length (1 to 63).");
        row("ftp bootstrap", {"--bootstrap", "ftp://127.0.0.1/dns.json", "abc"}, "--bootstrap ftp://127.0.0.1/dns.json: not an https, http or file URL.");
        row("--watching and names", {"--watching", "abc"}, "--watching takes no names or TLDs.");
        row("bad port", {"--whois-port", "70000", "abc"}, "--whois-port 70000: not a port (1 to 65535).");
        row("bad format", {"--format", "xml", "abc"}, "--format xml: not a format (text, json or csv).");
        row("bad time-out", {"--timeout", "0", "abc"}, "--timeout 0: not a time-out (seconds, more than 0, at most 3600).");
        row("bad wait", {"--max-wait", "-1", "abc"}, "--max-wait -1: not a wait (seconds, 0 to 3600).");
        row("unknown option", {"--frobnicate", "abc"}, "Unknown option 'frobnicate'. Try --help.");
    }
    void arguments()
    {
        QFETCH(QStringList, arguments); QFETCH(QString, message);
        const Run r = run(arguments, {.registries = false});
        if (!message.startsWith("orvane-check: ")) {
            QCOMPARE(r.exitCode, 0);
            QVERIFY2(QString::fromUtf8(r.stdOut).simplified().contains(message), r.stdOut.constData());
            return;
        }
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.err, message);
        QVERIFY(r.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestOrvaneCheck)
#include "tst_orvanecheck.moc"
