#include "FakeHttpServer.h"
#include "history/HistoryStore.h"
#include "RawDatabase.h"
#include "engine/RDAPClient.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QStandardPaths>
#include <QTest>

#include <unistd.h>

using namespace orvane;

// Broken registries, a disk that fails under a save, hostile tools and files.
class TestFaults : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void rdapBodyBeyondTheDefaultCap()
    {
        FakeHttpServer http;
        http.serveBootstrap({"test"});
        // One byte beyond 8 MiB is refused on its announced length; with no cap the client would
        // wait for a body that never comes.
        FakeHttpServer::Route huge;
        huge.raw = "HTTP/1.1 200 OK\r\nContent-Length: 8388609\r\n\r\n{";
        huge.keepOpen = true;
        http.setRoute("/rdap/domain/name.test", huge);
        RDAPBootstrap::Options options;
        options.source = http.url("/dns.json");
        options.store.fileName = m_dir.filePath("cap.ini");
        RDAPClient client(new RDAPBootstrap(options)); // the shipped limits: 8 MiB
        const auto result = QCoro::waitFor(client.queryDomain("name", ".test"));
        QCOMPARE(result ? QString() : result.error().description(), QStringLiteral("RDAP server returned invalid response"));
    }

    void killedDuringSavesNeverLeavesHalfASearch()
    {
        const QString path = m_dir.filePath("crash/history.sqlite");
        int killsWhileSaving = 0;
        for (int round = 0; round < 50; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(ORVANE_HISTORY_WRITER), {path});
            QVERIFY(writer.waitForStarted());
            QVERIFY(writer.waitForReadyRead(10000)); // it has saved once and is saving again
            QTest::qSleep(QRandomGenerator::global()->bounded(1, 40)); // a random moment of a save
            writer.kill(); // SIGKILL: no chance to finish the transaction
            QVERIFY(writer.waitForFinished(10000));
            killsWhileSaving += writer.exitStatus() == QProcess::CrashExit;

            RawDatabase raw(path);
            QCOMPARE(raw.count("SELECT COUNT(*) FROM search_record r WHERE (SELECT COUNT(*) FROM domain_result d WHERE d.record_id = r.id) <> 25"), 0);
            QCOMPARE(raw.count("SELECT COUNT(*) FROM domain_result WHERE record_id IS NULL OR record_id NOT IN (SELECT id FROM search_record)"), 0);
            // And the store still opens it for the next round.
            QVERIFY(HistoryStore::open(path).has_value());
        }
        QCOMPARE(killsWhileSaving, 50);
    }

    // Programs that open a first-release file at the same moment: one upgrades it, the others
    // wait for its write lock and find the work done. None fails.
    void simultaneousOpensOfAnOldFile()
    {
        for (int round = 0; round < 5; ++round) {
            const QString path = m_dir.filePath(QStringLiteral("old%1/history.sqlite").arg(round));
            QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
            QVERIFY(QFile::copy(QStringLiteral(ORVANE_TEST_DATA "/history-1.0.0.sqlite"), path));
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
            QProcess writers[4];
            for (QProcess &writer : writers)
                writer.start(QStringLiteral(ORVANE_HISTORY_WRITER), {path, "1"}); // open, save once, end
            for (QProcess &writer : writers) {
                QVERIFY(writer.waitForFinished(15000));
                QVERIFY2(writer.exitCode() == 0, writer.readAllStandardError().constData());
            }
        }
    }

    void historySurvivesAFullDisk()
    {
        // A small disk of its own needs a private mount namespace, which takes root.
        if (::geteuid() != 0 || QStandardPaths::findExecutable("unshare").isEmpty())
            QSKIP("needs root and unshare(1) for a private mount namespace");
        QTemporaryDir mountPoint;
        QProcess helper;
        helper.start(QStringLiteral("unshare"), {"-m", "--propagation", "private", QStringLiteral(ORVANE_HISTORY_DISKFULL), mountPoint.path()});
        QVERIFY(helper.waitForFinished(30000));
        const QString out = QString::fromUtf8(helper.readAllStandardOutput());
        if (helper.exitCode() == 3)
            QSKIP("mounting is not allowed here");
        QCOMPARE(helper.exitCode(), 0);
        const QStringList lines = out.trimmed().split('\n');
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], QStringLiteral("first save: ok"));
        QVERIFY2(lines[1].startsWith("full disk save: failed: ") && lines[1].contains("full", Qt::CaseInsensitive),
                 qPrintable(lines[1]));
        QCOMPARE(lines[2], QStringLiteral("pending kept: yes"));
        QCOMPARE(lines[3], QStringLiteral("with room again save: ok"));
        QCOMPARE(lines[4], QStringLiteral("stored: second:2 first:2"));
    }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
