#include "settings/AppSettings.h"
#include "engine/TextRules.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace orvane;

class TestAppSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file;

    SettingsLocation location() const { return SettingsLocation{m_file}; }
    QSettings raw() const { return QSettings(m_file, QSettings::IniFormat); }
    // An invalid value stands for a key never written.
    void store(const QString &key, const QVariant &value) const { if (value.isValid()) raw().setValue(key, value); }

private slots:
    void init()
    {
        m_file = m_dir.filePath(QStringLiteral("settings-%1.ini").arg(QTest::currentTestFunction()) + QTest::currentDataTag());
        QFile::remove(m_file);
    }

    void loadingTLDs_data()
    {
        QTest::addColumn<QVariant>("tlds");
        QTest::addColumn<QVariant>("enabled");
        QTest::addColumn<QStringList>("expectedTLDs");
        QTest::addColumn<QStringList>("expectedOrdered");
        const QVariant none;
        const QStringList defaults{".com", ".ai"};
        QTest::newRow("first start") << none << none << defaults << defaults;
        QTest::newRow("normalised in order") << QVariant(QByteArray(R"(["  .IO", "dev"])")) << none
                                             << QStringList{".io", ".dev"} << QStringList{".io", ".dev"};
        QTest::newRow("enabled names a missing TLD") << QVariant(QByteArray(R"([".com",".io"])")) << QVariant(QByteArray(R"([".io",".xyz"])"))
                                                     << QStringList{".com", ".io"} << QStringList{".io"};
        QTest::newRow("empty enabled list") << QVariant(QByteArray(R"([".com",".io"])")) << QVariant(QByteArray("[]"))
                                            << QStringList{".com", ".io"} << QStringList{};
        QTest::newRow("garbage bytes") << QVariant(QByteArray("\x01\x02 not json")) << QVariant(QByteArray("\xff")) << defaults << defaults;
        QTest::newRow("empty catalogue") << QVariant(QByteArray("[]")) << none << defaults << defaults;
        QTest::newRow("array of numbers") << QVariant(QByteArray("[1,2]")) << QVariant(QByteArray("7")) << defaults << defaults;
        QTest::newRow("duplicates stay") << QVariant(QByteArray(R"([".io","IO"])")) << none << QStringList{".io", ".io"} << QStringList{".io", ".io"};
    }
    void loadingTLDs()
    {
        QFETCH(QVariant, tlds); QFETCH(QVariant, enabled); QFETCH(QStringList, expectedTLDs); QFETCH(QStringList, expectedOrdered);
        store(AppSettings::tldsKey, tlds);
        store(AppSettings::enabledTLDsKey, enabled);
        AppSettings s(location());
        QCOMPARE(s.tlds(), expectedTLDs);
        QCOMPARE(s.orderedEnabledTLDs(), expectedOrdered);
        QCOMPARE(s.enabledTLDs().size(), QSet<QString>(expectedOrdered.begin(), expectedOrdered.end()).size());
    }

    void loadingOtherTypes_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("gong: text, not a boolean") << AppSettings::playGongKey << QVariant("loud") << QVariant(true);
        QTest::newRow("claude off") << AppSettings::useClaudeKey << QVariant(false) << QVariant(false);
        QTest::newRow("onboarding: number list") << AppSettings::onboardingKey << QVariant(QVariantList{1, 2}) << QVariant(false);
        QTest::newRow("login: text, not a boolean") << AppSettings::launchAtLoginKey << QVariant("sure") << QVariant(false);
        QTest::newRow("path: a list") << AppSettings::claudeBinaryPathKey << QVariant(QStringList{"a", "b"}) << QVariant("");
    }
    void loadingOtherTypes()
    {
        QFETCH(QString, key); QFETCH(QVariant, value); QFETCH(QVariant, expected);
        store(key, value);
        AppSettings s(location());
        QCOMPARE(s.property(key.mid(QStringLiteral("settings.").size()).toLatin1().constData()), expected);
    }

    void anotherInstanceReadsWhatWasWritten()
    {
        {
            AppSettings s(location());
            QVERIFY(s.addTLD(" .BIZ ")); // sorts between the two already enabled
            s.moveTLDs({2}, 0);
            s.setClaudeBinaryPath("/usr/local/bin/claude");
            s.setPlayGongOnAvailable(false);
            s.setHasCompletedOnboarding(true);
        }
        AppSettings again(location());
        QCOMPARE(again.tlds(), (QStringList{".biz", ".com", ".ai"}));
        QCOMPARE(again.orderedEnabledTLDs(), (QStringList{".biz", ".com", ".ai"}));
        QCOMPARE(again.claudeBinaryPath(), QStringLiteral("/usr/local/bin/claude"));
        QVERIFY(!again.playGongOnAvailable());
        QVERIFY(again.hasCompletedOnboarding());
        QCOMPARE(raw().value(AppSettings::enabledTLDsKey).toByteArray(), QByteArray(R"([".ai",".biz",".com"])"));
        QCOMPARE(raw().value(AppSettings::tldsKey).toByteArray(), QByteArray(R"([".biz",".com",".ai"])"));
    }

    void addTLD_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("added");
        QTest::newRow("capitals between spaces") << " \t.IO  " << true;
        QTest::newRow("no dot") << "dev" << true;
        QTest::newRow("duplicate") << ".COM" << false;
        QTest::newRow("lone dot") << "." << false;
        QTest::newRow("line break") << ".io\r\nevil" << false;
        QTest::newRow("control character") << QStringLiteral(".i\u0001o") << false;
    }
    void addTLD()
    {
        QFETCH(QString, text); QFETCH(bool, added);
        AppSettings s(location());
        QSignalSpy spy(&s, &AppSettings::tldsChanged);
        QCOMPARE(s.addTLD(text), added);
        QCOMPARE(s.orderedEnabledTLDs().size(), added ? 3 : 2);
        QCOMPARE(spy.count(), added ? 1 : 0);
        QCOMPARE(s.tlds().last(), added ? normalizeTLD(text) : ".ai");
    }

    // The picker offers known and bootstrap TLDs not yet in the catalogue: those starting with
    // what was typed first, then those containing it.
    void pickerMatches_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("starting before containing") << " .BAR" << 50 << QStringList{".bar", ".bark", ".rebar"};
        QTest::newRow("limit") << "bar" << 1 << QStringList{".bar"};
        QTest::newRow("catalogue and unsafe names left out") << "o" << 4 << QStringList{".org", ".cloud", ".co", ".group"};
    }
    void pickerMatches()
    {
        QFETCH(QString, typed); QFETCH(int, limit); QFETCH(QStringList, expected);
        AppSettings s(location());
        s.setBootstrapTLDs({"rebar", "BAR", ".bark", "o\nb", "com"});
        QCOMPARE(s.addableTLDsMatching(typed, limit), expected);
    }

    // Removing rewrites both stored lists; restoring brings back the defaults, enabled, and
    // leaves the other settings alone.
    void removeThenRestoreDefaults()
    {
        AppSettings s(location());
        QSignalSpy ordered(&s, &AppSettings::orderedEnabledTLDsChanged);
        s.setPlayGongOnAvailable(false);
        s.removeTLDs({1});
        QCOMPARE(s.orderedEnabledTLDs(), QStringList{".com"});
        QCOMPARE(ordered.count(), 1);
        QCOMPARE(raw().value(AppSettings::tldsKey).toByteArray(), QByteArray(R"([".com"])"));
        QCOMPARE(raw().value(AppSettings::enabledTLDsKey).toByteArray(), QByteArray(R"([".com"])"));
        s.restoreDefaults();
        QCOMPARE(s.orderedEnabledTLDs(), (QStringList{".com", ".ai"}));
        QVERIFY(!s.playGongOnAvailable());
    }

    void moveLikeAReorderGesture_data()
    {
        QTest::addColumn<QList<int>>("offsets");
        QTest::addColumn<int>("destination");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("last to front") << QList<int>{3} << 0 << QStringList{".dev", ".com", ".ai", ".io"};
        QTest::newRow("first below second") << QList<int>{0} << 2 << QStringList{".ai", ".com", ".io", ".dev"};
        QTest::newRow("two together to the end") << QList<int>{0, 2} << 4 << QStringList{".ai", ".dev", ".com", ".io"};
        QTest::newRow("onto itself") << QList<int>{1} << 1 << QStringList{".com", ".ai", ".io", ".dev"};
    }
    void moveLikeAReorderGesture()
    {
        QFETCH(QList<int>, offsets); QFETCH(int, destination); QFETCH(QStringList, expected);
        AppSettings s(location());
        s.addTLD(".io");
        s.addTLD(".dev");
        s.moveTLDs(offsets, destination);
        QCOMPARE(s.tlds(), expected);
        QCOMPARE(s.orderedEnabledTLDs(), expected);
    }

    void sameValueWritesButDoesNotNotify()
    {
        AppSettings s(location());
        QSignalSpy gong(&s, &AppSettings::playGongOnAvailableChanged);
        QSignalSpy tlds(&s, &AppSettings::tldsChanged);
        s.setPlayGongOnAvailable(true);
        s.setTlds({".COM", "ai"}); // normalises to the current list
        QCOMPARE(gong.count(), 0);
        QCOMPARE(tlds.count(), 0);
        QCOMPARE(raw().value(AppSettings::playGongKey).toString(), QStringLiteral("true"));
        QVERIFY(raw().contains(AppSettings::tldsKey));
    }

    // The Exec line quotes a path with reserved characters and escapes within, doubles a percent
    // sign, then escapes backslashes once more as every value of the entry, and tells the program
    // it was started at login; TryExec only the escaping of a value.
    void launchAtLogin_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QString>("tryExec");
        QTest::newRow("plain path") << "/usr/bin/orvane" << "Exec=/usr/bin/orvane --autostart" << "TryExec=/usr/bin/orvane";
        QTest::newRow("space, dollar, quote, backslash")
            << "/opt/a b$c\"d\\e/orvane" << "Exec=\"/opt/a b\\\\$c\\\\\"d\\\\\\\\e/orvane\" --autostart" << "TryExec=/opt/a b$c\"d\\\\e/orvane";
        QTest::newRow("percent") << "/opt/100%/orvane" << "Exec=/opt/100%%/orvane --autostart" << "TryExec=/opt/100%/orvane";
    }
    void launchAtLogin()
    {
        QFETCH(QString, executable); QFETCH(QString, exec); QFETCH(QString, tryExec);
        auto *item = new XdgAutostartLoginItem(m_dir.filePath("autostart"), executable);
        AppSettings s(location(), std::unique_ptr<LoginItem>(item));
        s.setLaunchAtLogin(true);
        QFile entry(item->entryPath());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(entry.readAll());
        QVERIFY2(text.contains('\n' + exec + '\n'), qPrintable(text));
        QVERIFY2(text.contains('\n' + tryExec + '\n'), qPrintable(text));
        QVERIFY(text.contains("\nIcon=com.pellunor.Orvane\n")); // the name of the icon the package installs
        QVERIFY(text.startsWith("[Desktop Entry]\nType=Application\n"));
        s.setLaunchAtLogin(false);
        QVERIFY(!QFile::exists(item->entryPath()));
    }

    // A login starts the installed program, never a build tree's: that one moves and goes.
    void loginStartsTheInstalledProgram_data()
    {
        QTest::addColumn<QString>("running");
        QTest::addColumn<bool>("installed");
        QTest::newRow("installed beside its desktop entry") << "prefix/bin/orvane" << true;
        QTest::newRow("build tree") << "build/src/orvane" << false;
    }
    void loginStartsTheInstalledProgram()
    {
        QFETCH(QString, running); QFETCH(bool, installed);
        for (const char *folder : {"prefix/bin", "prefix/share/applications", "build/src", "build/share"})
            QVERIFY(QDir(m_dir.path()).mkpath(folder));
        QVERIFY(QFile(m_dir.filePath("prefix/share/applications/com.pellunor.Orvane.desktop")).open(QIODevice::WriteOnly));
        const QString path = m_dir.filePath(running);
        QCOMPARE(XdgAutostartLoginItem::installedExecutable(path), installed ? path : QStringLiteral("/usr/bin/orvane"));
    }

    // The setting is kept even when the entry cannot be written; the reason goes to standard output.
    void launchAtLoginFailureIsPrinted()
    {
        const QString blocker = m_dir.filePath("blocked"); // a plain file where the folder should be
        QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
        AppSettings s(location(), std::make_unique<XdgAutostartLoginItem>(blocker + "/autostart", "/usr/bin/orvane"));
        QFile printed(m_dir.filePath("stdout.txt"));
        QVERIFY(printed.open(QIODevice::ReadWrite));
        std::fflush(stdout);
        const int saved = ::dup(STDOUT_FILENO);
        ::dup2(printed.handle(), STDOUT_FILENO);
        s.setLaunchAtLogin(true);
        std::fflush(stdout);
        ::dup2(saved, STDOUT_FILENO);
        ::close(saved);
        QVERIFY(printed.seek(0));
        QCOMPARE(QString::fromUtf8(printed.readAll()), "launchAtLogin toggle failed: Could not create the folder " + blocker + "/autostart.\n");
        QVERIFY(s.launchAtLogin());
        QCOMPARE(raw().value(AppSettings::launchAtLoginKey).toString(), QStringLiteral("true"));
    }
};

QTEST_GUILESS_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
