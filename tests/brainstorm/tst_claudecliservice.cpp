#include "brainstorm/ClaudeCLIService.h"
#include "engine/OpenFileLimit.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace orvane;
using Suggestions = std::expected<QList<NameSuggestion>, ClaudeCLIError>;

namespace {

const char *expectedPrompt =
    "You are helping brainstorm alternative domain names. The user is considering the name \"orvane\" and checking TLDs: .com, .io, .ai.\n\n"
    "Generate 10 alternative name ideas that:\n"
    "  - Are short (3-12 characters preferred)\n"
    "  - Are easy to spell and pronounce\n"
    "  - Avoid generic dictionary words that are likely already taken\n"
    "  - Work well as a brand\n"
    "  - Vary in style: some literal variants, some abstract, some compound\n\n"
    "Respond ONLY with a JSON array of objects, no prose, no markdown fences. Each object has fields:\n"
    "  \"name\": the suggested name (lowercase, no TLD)\n"
    "  \"rationale\": a 6-12 word explanation\n\n"
    "Example: [{\"name\":\"lumalink\",\"rationale\":\"Compound that suggests connection\"}]";

QString names(const QList<NameSuggestion> &list)
{
    QStringList out;
    for (const auto &s : list)
        out << s.name + (s.rationale.isEmpty() ? QString() : "=" + s.rationale);
    return out.join(',');
}

void touch(const QString &path, bool executable = false, const QByteArray &content = {})
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

} // namespace

class TestClaudeCLIService : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_work;

    Suggestions runFake(const QByteArray &output, ClaudeCLIOptions options = {})
    {
        const QString outputFile = m_work.filePath("output.txt");
        touch(outputFile, false, output);
        qputenv("FAKE_CLAUDE_OUTPUT", outputFile.toUtf8());
        ClaudeCLIService service(options);
        return QCoro::waitFor(service.suggestNames("orvane", {".com", ".io", ".ai"}, QStringLiteral(ORVANE_FAKE_CLAUDE)));
    }

    // What the fake wrote about itself: "key=value" lines.
    QString fakeLog(const QString &key) const
    {
        QFile file(m_work.filePath("log.txt"));
        file.open(QIODevice::ReadOnly);
        return QRegularExpression("^" + key + "=(.*)$", QRegularExpression::MultilineOption).match(file.readAll()).captured(1);
    }

private slots:
    void initTestCase()
    {
        // The candidate list expands the home directory once: point it at a scratch home first.
        qputenv("HOME", m_home.path().toUtf8());
        QVERIFY(claudeCandidates().at(3).startsWith(m_home.path()));
    }

    void init()
    {
        for (const char *name : {"FAKE_CLAUDE_OUTPUT", "FAKE_CLAUDE_STDERR", "FAKE_CLAUDE_EXIT", "FAKE_CLAUDE_MODE"})
            qunsetenv(name);
        qputenv("FAKE_CLAUDE_LOG", m_work.filePath("log.txt").toUtf8());
        QFile::remove(m_work.filePath("log.txt"));
    }

    void findBinary_data()
    {
        QTest::addColumn<QStringList>("present");   // files to create, "~" = scratch home
        QTest::addColumn<QString>("configured");    // "<none>" for no configured path
        QTest::addColumn<QString>("expected");      // "<none>" for nothing found
        QTest::newRow("nothing installed") << QStringList{} << "<none>" << "<none>";
        QTest::newRow("earlier candidate wins") << QStringList{"~/.local/bin/claude", "~/.claude/local/claude"} << "<none>"
                                                << "~/.claude/local/claude";
        QTest::newRow("configured file, any name") << QStringList{"~/tools/my-llm", "~/.local/bin/claude"} << "~/tools/my-llm"
                                                   << "~/tools/my-llm";
        QTest::newRow("configured path names nothing") << QStringList{"~/.local/bin/claude"} << "~/missing/claude" << "<none>";
        QTest::newRow("three spaces count as none") << QStringList{"~/.bun/bin/claude"} << "   " << "~/.bun/bin/claude";
        QTest::newRow("PATH after the list") << QStringList{"~/on-path/claude"} << "<none>" << "~/on-path/claude";
        QTest::newRow("list before PATH") << QStringList{"~/on-path/claude", "~/.volta/bin/claude"} << "<none>"
                                          << "~/.volta/bin/claude";
    }
    void findBinary()
    {
        QFETCH(QStringList, present); QFETCH(QString, configured); QFETCH(QString, expected);
        QDir(m_home.path()).removeRecursively();
        QDir().mkpath(m_home.path());
        auto expand = [this](QString path) { return path.replace(QLatin1String("~"), m_home.path()); };
        for (const QString &file : present)
            touch(expand(file), true);
        const auto path = configured == "<none>" ? std::nullopt : std::optional(expand(configured));
        const QByteArray inherited = qgetenv("PATH");
        qputenv("PATH", expand("~/on-path").toUtf8());
        const auto found = orvane::findBinary(path);
        qputenv("PATH", inherited);
        QCOMPARE(found.value_or("<none>"), expected == "<none>" ? expected : expand(expected));
    }

    void parsing_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("expected"); // names, or "FAIL"
        QTest::newRow("bare") << R"([{"name":"Name0","rationale":"r0"},{"name":"name1","rationale":"r1"}])" << "name0=r0,name1=r1";
        QTest::newRow("prose and fence") << "Here you go:\n```json\n[{\"name\":\"Alpha\"}]\n```\nEnjoy [sic]." << "alpha";
        QTest::newRow("longest of two") << "[{\"name\":\"a\"}] and [{\"name\":\"bbb\"}]" << "bbb";
        QTest::newRow("earlier of equal length") << "[{\"name\":\"a\"}] [{\"name\":\"b\"}]" << "a";
        QTest::newRow("bracket inside string") << "[{\"name\":\"xy\",\"rationale\":\"[odd]]\"}]" << "xy=[odd]]";
        QTest::newRow("escaped quote") << "[{\"name\":\"q\",\"rationale\":\"say \\\"hi]\\\"\"}]" << "q=say \"hi]\"";
        QTest::newRow("null rationale") << "[{\"name\":\"n\",\"rationale\":null},{\"name\":\"m\"}]" << "n,m";
        QTest::newRow("empty array") << "[]" << "";
        QTest::newRow("missing name") << "[{\"rationale\":\"x\"}]" << "FAIL";
        QTest::newRow("numeric rationale") << "[{\"name\":\"a\",\"rationale\":3}]" << "FAIL";
        QTest::newRow("element not an object") << "[\"a\"]" << "FAIL";
        QTest::newRow("no array") << "I cannot help with that." << "FAIL";
        QTest::newRow("stray quote before the array") << "Use \"quotes [carefully\n[{\"name\":\"z\"}]" << "z";
        QTest::newRow("megabyte of brackets") << QString(1024 * 1024, QLatin1Char('[')) << "FAIL";
        QTest::newRow("longer array of numbers after") << "[{\"name\":\"alpha\",\"rationale\":\"a\"}]\nLengths: [3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14]" << "alpha=a";
        QTest::newRow("names the field refuses") << R"([{"name":"Good"},{"name":"two words"},{"name":""},{"name":"a.io"},)"
                                                    R"({"name":"ab²"},{"name":"Café"},{"name":"-x"},{"name":"un_der"},{"name":" pad"},{"name":"ok-2"}])"
                                                 << QStringLiteral("good,café,ok-2");
        QTest::newRow("long prose, cut by code point") << QString(300, QChar(0x2603)) + QString::fromUcs4(U"\U0001F600").repeated(300)
                                                       << "FAIL";
    }
    void parsing()
    {
        QFETCH(QString, output); QFETCH(QString, expected);
        const auto parsed = ClaudeCLIService::parse(output);
        if (expected == "FAIL") {
            QVERIFY(!parsed);
            // At most the first 500 characters of the output, and a mark where it was cut.
            const QList<uint> points = output.toUcs4();
            const QString head = points.size() > 500 ? QString::fromUcs4(reinterpret_cast<const char32_t *>(points.constData()), 500) + u'…' : output;
            QCOMPARE(parsed.error().description(), "Could not parse claude output. Got:\n" + head);
        } else {
            QVERIFY(parsed);
            QCOMPARE(names(*parsed), expected);
        }
    }

    // The child gets the prompt, word for word, as its only argument after -p, the PATH prefix,
    // and the descriptor limit the program started with (it raises its own for long searches).
    void childEnvironment()
    {
        rlimit limit{};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &limit), 0);
        const bool raisable = limit.rlim_max == RLIM_INFINITY || limit.rlim_max > 512;
        if (raisable) {
            limit.rlim_cur = 512;
            QCOMPARE(setrlimit(RLIMIT_NOFILE, &limit), 0);
            QVERIFY(orvane::raiseOpenFileLimit() > 512);
        }
        qputenv("PATH", "/custom/bin");
        const Suggestions result = runFake("[{\"name\":\"ok\"}]");
        qputenv("PATH", "/usr/local/bin:/usr/bin:/bin");
        QVERIFY(result);
        QCOMPARE(fakeLog("argc"), QStringLiteral("2"));
        QCOMPARE(fakeLog("arg1"), QStringLiteral("-p"));
        QFile prompt(m_work.filePath("log.txt.prompt"));
        QVERIFY(prompt.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(prompt.readAll()), QString::fromUtf8(expectedPrompt));
        QCOMPARE(fakeLog("PATH"), QStringLiteral("/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:/custom/bin"));
        if (raisable)
            QCOMPARE(fakeLog("nofile"), QStringLiteral("512"));
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QByteArray>("standardError");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expected"); // the description, or its start when textBytes is set
        QTest::addColumn<int>("textBytes");
        QTest::newRow("exit 1 with stderr") << QByteArray() << QByteArray("ignored") << QByteArray("not logged in") << 1
                                            << "claude exited with code 1. not logged in" << -1;
        QTest::newRow("exit 1, stdout instead") << QByteArray() << QByteArray("quota reached") << QByteArray() << 1
                                                << "claude exited with code 1. quota reached" << -1;
        QTest::newRow("only line breaks") << QByteArray() << QByteArray("\n\n\r\n") << QByteArray() << 0 << "claude returned no output." << -1;
        QTest::newRow("invalid UTF-8 reads as nothing") << QByteArray() << QByteArray("\xff\xfe[]") << QByteArray() << 0
                                                        << "claude returned no output." << -1;
        // Endless output is cut at the shipped 1 MiB and the child ended; the message keeps its head.
        QTest::newRow("flood on standard output") << QByteArray("flood") << QByteArray() << QByteArray() << 0
                                                  << "Could not parse claude output. Got:\n[{\"name\":\"x\"}," << 500 + 3;
        QTest::newRow("flood on standard error") << QByteArray("errflood") << QByteArray() << QByteArray() << 0
                                                 << "claude exited with code 9. oops\noops\n" << 4096;
    }
    void failures()
    {
        QFETCH(QByteArray, mode); QFETCH(QByteArray, output); QFETCH(QByteArray, standardError);
        QFETCH(int, exitCode); QFETCH(QString, expected); QFETCH(int, textBytes);
        qputenv("FAKE_CLAUDE_MODE", mode);
        qputenv("FAKE_CLAUDE_STDERR", standardError);
        qputenv("FAKE_CLAUDE_EXIT", QByteArray::number(exitCode));
        const Suggestions result = runFake(output);
        QVERIFY(!result);
        if (textBytes < 0) {
            QCOMPARE(result.error().description(), expected);
            return;
        }
        QVERIFY2(result.error().description().startsWith(expected), qPrintable(result.error().description().left(100)));
        QCOMPARE(result.error().text().toUtf8().size(), textBytes);
        QTRY_VERIFY(::kill(fakeLog("pid").toInt(), 0) != 0);
    }

    void launchFailures()
    {
        const QString notExecutable = m_work.filePath("plain-file");
        touch(notExecutable);
        ClaudeCLIService service;
        const Suggestions result = QCoro::waitFor(service.suggestNames("orvane", {".com"}, notExecutable));
        QVERIFY(!result && result.error().description().startsWith("Could not launch claude CLI: "));
        const Suggestions missing = QCoro::waitFor(service.suggestNames("orvane", {".com"}, m_work.filePath("nope")));
        QVERIFY(!missing);
        QCOMPARE(missing.error().description(), "The \u201Cclaude\u201D command-line tool was not found. Set its path in Settings, or install Claude Code.");
    }

    void watchdogKillsAChildThatIgnoresTerm()
    {
        qputenv("FAKE_CLAUDE_MODE", "hang");
        const Suggestions result = runFake("", ClaudeCLIOptions{std::chrono::milliseconds(300), std::chrono::milliseconds(200)});
        QVERIFY(!result);
        QCOMPARE(result.error().description(), QStringLiteral("claude CLI timed out."));
        const int pid = fakeLog("pid").toInt();
        QVERIFY(pid > 0);
        QTRY_VERIFY(::kill(pid, 0) != 0); // gone: killed after the grace period
    }
};

QTEST_GUILESS_MAIN(TestClaudeCLIService)
#include "tst_claudecliservice.moc"
