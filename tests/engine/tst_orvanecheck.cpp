#include "FakeHttpServer.h"
#include "FakeWhoisServer.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

// Runs the real orvane-check binary against the fake registries.
class TestOrvaneCheck : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<FakeHttpServer> m_http;
    std::unique_ptr<FakeWhoisServer> m_whois;

    struct Run {
        int exitCode = -1;
        QStringList out;
        QString err;
    };

    Run run(QStringList arguments, bool registries = true, std::function<void()> inChild = {})
    {
        if (registries)
            arguments = QStringList{"--bootstrap", m_http->url("/dns.json").toString(), "--whois", "127.0.0.1",
                                    "--whois-port", QString::number(m_whois->port())} + arguments;
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", m_home.path());
        env.insert("XDG_CONFIG_HOME", m_home.filePath(".config"));
        process.setProcessEnvironment(env);
#ifdef Q_OS_UNIX
        if (inChild)
            process.setChildProcessModifier(inChild);
#else
        Q_UNUSED(inChild)
#endif
        // The fake servers live on this thread: serve them while the tool runs.
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(QStringLiteral(ORVANE_CHECK_BINARY), arguments);
        [&] { QVERIFY(finished.wait(30000)); }();
        Run r;
        r.exitCode = process.exitCode();
        r.out = QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        r.err = QString::fromUtf8(process.readAllStandardError()).trimmed();
        return r;
    }

private slots:
    void init()
    {
        QDir(m_home.filePath(".config")).removeRecursively(); // each test's registries are new
        m_http = std::make_unique<FakeHttpServer>();
        m_whois = std::make_unique<FakeWhoisServer>();
        m_http->serveBootstrap({QStringLiteral("com")});
        m_http->setJson("/rdap/domain/orvane.com", 404, "{}");
        m_whois->setAnswer("orvane.ai", QByteArray("Domain Name: orvane.ai\nRegistrar: Someone\n"));
        m_whois->setAnswer("ninja", QByteArray("refer: localhost\n"));
        m_whois->setAnswer("orvane.ninja", QByteArray("Too many requests\n"));
        m_whois->setAnswer("zz", QByteArray("% no such TLD\n"));
    }

    void defaultTLDs()
    {
        const Run r = run({"  Orvane.example  "});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.size(), 3);
        QStringList rows = r.out.mid(0, 2);
        rows.sort();
        QCOMPARE(rows.at(0).simplified(), QStringLiteral("orvane.ai taken Domain Name: orvane.ai"));
        QCOMPARE(rows.at(1).simplified(), QStringLiteral("orvane.com available Domain not registered. (RDAP returned 404.)"));
        QCOMPARE(r.out.last(), QStringLiteral("2 checked: 1 available, 1 taken, 0 unclear, 0 failed"));
    }

    void failuresExitWithOne()
    {
        const Run r = run({"orvane", "ninja", ".ZZ"});
        QCOMPARE(r.exitCode, 1);
        QStringList rows = r.out.mid(0, 2);
        rows.sort();
        QCOMPARE(rows.at(0).simplified(), QStringLiteral("orvane.ninja error Too many requests"));
        QCOMPARE(rows.at(1).simplified(), QStringLiteral("orvane.zz error No WHOIS server known for .zz"));
        QCOMPARE(r.out.last(), QStringLiteral("2 checked: 0 available, 0 taken, 0 unclear, 2 failed"));
    }

    void jsonOutput()
    {
        const Run r = run({"--json", "orvane", ".com", ".zz"});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out.size(), 2);
        QHash<QString, QJsonObject> byDomain;
        for (const QString &line : r.out) {
            const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
            byDomain.insert(object.value("domain").toString(), object);
        }
        QCOMPARE(byDomain.value("orvane.com").value("availability").toString(), QStringLiteral("available"));
        QCOMPARE(byDomain.value("orvane.com").value("tld").toString(), QStringLiteral(".com"));
        QCOMPARE(byDomain.value("orvane.zz").value("availability").toString(), QStringLiteral("error"));
        QCOMPARE(byDomain.value("orvane.zz").value("error").toString(), QStringLiteral("No WHOIS server known for .zz"));
    }

    void manyTLDsUnderALowDescriptorLimit()
    {
#ifndef Q_OS_UNIX
        QSKIP("descriptor limits are a POSIX matter");
#else
        // Sessions often start programs with a soft limit of 1,024 descriptors (macOS: 256); a
        // long TLD list has one connection per TLD open at the same moment and must not run out.
        constexpr int count = 300;
        QStringList arguments{"orvane"};
        for (int i = 0; i < count; ++i) {
            arguments << QStringLiteral("t%1").arg(i);
            m_whois->setAnswer(QStringLiteral("t%1").arg(i), QByteArray("refer: localhost\n"));
        }
        m_whois->setDefault({"No match for \"ORVANE\".\r\n"});
        const Run r = run(arguments, true, [] {
            rlimit limit{};
            getrlimit(RLIMIT_NOFILE, &limit);
            limit.rlim_cur = 64;
            setrlimit(RLIMIT_NOFILE, &limit);
        });
        QCOMPARE(r.out.last(), QStringLiteral("%1 checked: %1 available, 0 taken, 0 unclear, 0 failed").arg(count));
        QCOMPARE(r.exitCode, 0);
#endif
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("bad name") << QStringList{"bad_name"} << "Enter a name (letters, digits, hyphens, no spaces or dots).";
        QTest::newRow("leading hyphen") << QStringList{"-", "--", "-abc"} << "Enter a name (letters, digits, hyphens, no spaces or dots).";
        QTest::newRow("no name") << QStringList{} << "Missing NAME. Try --help.";
        QTest::newRow("bad port") << QStringList{"--whois-port", "70000", "abc"} << "Not a valid port: 70000";
        QTest::newRow("unknown option") << QStringList{"--frobnicate", "abc"} << "Unknown option 'frobnicate'.";
    }
    void badArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Run r = run(arguments, false);
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.err, message);
        QVERIFY(r.out.isEmpty());
        QCOMPARE(m_whois->queries().size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestOrvaneCheck)
#include "tst_orvanecheck.moc"
