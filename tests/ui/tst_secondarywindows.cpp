#include "UiHarness.h"

#include <QDir>
#include <QFile>

using namespace orvane;

// The welcome and settings windows through their real QML.
class TestSecondaryWindows : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        // "Detect" looks under the home directory, which is read once: use a scratch one.
        qputenv("HOME", m_home.path().toUtf8());
    }

    void firstRunWelcomeWalksToTheMainWindow()
    {
        UiHarness ui;
        QVERIFY(ui.start({".com"}, /*onboarded=*/false));
        QTRY_VERIFY(ui.app->windows()->welcomeWindow() && ui.app->windows()->welcomeWindow()->isVisible());
        QTRY_VERIFY(!ui.window()->isVisible()); // the welcome step closed the main window
        ui.app->tray()->setAvailable(true); // so that only finishing brings it back
        ui.app->windows()->reopen(); // a second launch raises the welcome window, not the main one
        QVERIFY(!ui.window()->isVisible());
        QQuickWindow *welcome = ui.app->windows()->welcomeWindow();
        QQuickItem *view = ui.item("onboardingView", welcome);
        QCOMPARE(view->property("step").toInt(), 0);
        QVERIFY(!ui.item("backButton", welcome)->isVisible());
        QCOMPARE(ui.item("primaryButton", welcome)->property("text").toString(), QStringLiteral("Next"));

        QTest::keyClick(welcome, Qt::Key_Return);
        QCOMPARE(view->property("step").toInt(), 1);
        QVERIFY(ui.item("backButton", welcome)->isVisible());
        ui.item("backButton", welcome)->forceActiveFocus(Qt::TabFocusReason);
        QTest::keyClick(welcome, Qt::Key_Return); // Return on "Back" goes back
        QCOMPARE(view->property("step").toInt(), 0);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(welcome, Qt::Key_Return);
        QCOMPARE(view->property("step").toInt(), 4);
        QCOMPARE(ui.item("primaryButton", welcome)->property("text").toString(), QStringLiteral("Get started"));
        QTest::keyClick(welcome, Qt::Key_Return);

        QVERIFY(ui.app->settings()->hasCompletedOnboarding());
        QCOMPARE(QSettings(ui.dir.filePath("settings.ini"), QSettings::IniFormat).value("settings.hasCompletedOnboarding").toString(),
                 QStringLiteral("true"));
        QTRY_VERIFY(!welcome->isVisible());
        QVERIFY(ui.window()->isVisible());

        // Opened again, it starts over at the first page.
        ui.app->windows()->openWelcome();
        QCOMPARE(view->property("step").toInt(), 0);
    }

    // Escape and Ctrl+W put the settings and the welcome window away.
    void closeKeys_data()
    {
        QTest::addColumn<bool>("settings");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Escape in Settings") << true << int(Qt::Key_Escape) << 0;
        QTest::newRow("Ctrl+W in Settings") << true << int(Qt::Key_W) << int(Qt::ControlModifier);
        QTest::newRow("Escape on the welcome") << false << int(Qt::Key_Escape) << 0;
        QTest::newRow("Ctrl+W on the welcome") << false << int(Qt::Key_W) << int(Qt::ControlModifier);
    }
    void closeKeys()
    {
        QFETCH(bool, settings); QFETCH(int, key); QFETCH(int, modifiers);
        UiHarness ui;
        QVERIFY(ui.start({".com"}));
        QQuickWindow *window = settings ? ui.openSettings() : ui.openWelcome();
        QVERIFY(window);
        QTest::keyClick(window, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QTRY_VERIFY(!window->isVisible());
    }

    // The brainstorm switch hides the main window's card at once, and keeps no hold on the
    // keys once its page is gone.
    void brainstormSwitchThenSpaceOnTheNextPage()
    {
        UiHarness ui;
        QVERIFY(ui.start({".com"}));
        QVERIFY(ui.item("brainstormCard")->isVisible());
        QQuickWindow *welcome = ui.openWelcome();
        QVERIFY(welcome);
        QQuickItem *view = ui.item("onboardingView", welcome);
        view->setProperty("step", 2);
        clickItem(ui.item("claudeSwitch", welcome));
        QVERIFY(!ui.app->settings()->useClaudeForSuggestions());
        QVERIFY(!ui.item("brainstormCard")->isVisible());
        QVERIFY(ui.item("claudeSwitch", welcome)->hasActiveFocus());
        QTest::keyClick(welcome, Qt::Key_Return);
        QCOMPARE(view->property("step").toInt(), 3);
        QTest::keyClick(welcome, Qt::Key_Space);
        QVERIFY(!ui.app->settings()->useClaudeForSuggestions());
        QVERIFY(!ui.app->settings()->launchAtLogin());
        QTest::keyClick(welcome, Qt::Key_Return);
        QCOMPARE(view->property("step").toInt(), 4);
    }

    // The login switch lives in Settings too, and both switches show the one setting.
    void launchAtLoginInSettings()
    {
        UiHarness ui;
        QVERIFY(ui.start({".com"}));
        QQuickWindow *settings = ui.openSettings();
        QVERIFY(settings);
        QCOMPARE(settings->title(), QStringLiteral("Orvane Settings"));
        // Over the middle of the main window, and whole on the screen.
        QVERIFY((settings->frameGeometry().center() - ui.window()->frameGeometry().center()).manhattanLength() <= 2);
        QVERIFY(settings->screen()->availableGeometry().contains(settings->frameGeometry()));
        clickItem(ui.item("tabGeneral", settings));
        QQuickItem *toggle = ui.item("settingsLoginSwitch", settings);
        QVERIFY(toggle && toggle->isVisible());
        clickItem(toggle);
        QVERIFY(ui.app->settings()->launchAtLogin());
        QCOMPARE(QSettings(ui.dir.filePath("settings.ini"), QSettings::IniFormat).value("settings.launchAtLogin").toBool(), true);
        QQuickWindow *welcome = ui.openWelcome();
        ui.item("onboardingView", welcome)->setProperty("step", 3);
        QCOMPARE(ui.item("loginSwitch", welcome)->property("checked").toBool(), true);
        clickItem(ui.item("loginSwitch", welcome));
        QVERIFY(!ui.app->settings()->launchAtLogin());
        QCOMPARE(toggle->property("checked").toBool(), false);
    }

    void editingTheCatalogue()
    {
        UiHarness ui;
        ui.http.serveBootstrap({"com", "ai", "berlin", "bar"});
        QVERIFY(ui.start({".com", ".ai"}));
        QQuickWindow *settings = ui.openSettings();
        QVERIFY(settings);
        QQuickItem *view = ui.item("settingsView", settings);
        QQuickItem *picker = ui.item("tldPicker", settings);
        QQuickItem *summary = ui.item("tldSummary");
        QCOMPARE(summary->property("text").toString(), QStringLiteral("Checking .com, .ai"));
        QVERIFY(!ui.item("addButton", settings)->isEnabled());

        // Every TLD the bootstrap file names is offered, narrowed by what is typed.
        QTRY_VERIFY(ui.app->settings()->addableTLDs().contains(".berlin"));
        picker->forceActiveFocus();
        auto type = [settings](const char *text) {
            for (; *text; ++text)
                QTest::keyClick(settings, *text);
        };
        type(".i");
        QStringList matches = picker->property("matches").toStringList();
        QCOMPARE(matches.first(), QStringLiteral(".info"));
        QVERIFY(matches.contains(".io"));
        QVERIFY(!matches.contains(".com"));
        // The matches go when Tab leaves the field, and come back with the keys.
        QObject *popup = picker->property("popup").value<QObject *>();
        QVERIFY(popup->property("visible").toBool());
        QTest::keyClick(settings, Qt::Key_Tab);
        QTRY_VERIFY(!popup->property("visible").toBool());
        picker->forceActiveFocus(Qt::TabFocusReason);
        QVERIFY(popup->property("visible").toBool());
        type("o");
        QCOMPARE(view->property("selectedNewTLD").toString(), QStringLiteral(".io"));
        QTest::keyClick(settings, Qt::Key_Return); // takes the match
        QTest::keyClick(settings, Qt::Key_Return); // adds it
        QCOMPARE(ui.app->settings()->tlds(), (QStringList{".com", ".ai", ".io"}));
        QVERIFY(!picker->property("matches").toStringList().contains(".io"));
        QCOMPARE(picker->property("text").toString(), QString());
        picker->setProperty("text", "ber");
        QCOMPARE(picker->property("matches").toStringList(), (QStringList{".berlin"}));
        picker->setProperty("text", "");
        QCOMPARE(summary->property("text").toString(), QStringLiteral("Checking .com, .ai, .io"));

        for (int i = 0; i < 3; ++i) {
            const QList<QQuickItem *> removers = ui.shown("removeTLD", settings);
            QVERIFY(!removers.isEmpty());
            clickItem(removers.first());
        }
        QVERIFY(ui.app->settings()->tlds().isEmpty());
        QCOMPARE(summary->property("text").toString(), QStringLiteral("No extensions selected"));

        clickItem(ui.item("restoreDefaults", settings));
        QCOMPARE(ui.app->settings()->tlds(), (QStringList{".com", ".ai"}));
        QCOMPARE(ui.app->settings()->orderedEnabledTLDs(), (QStringList{".com", ".ai"}));
        QCOMPARE(summary->property("text").toString(), QStringLiteral("Checking .com, .ai"));

        // Every known TLD added: nothing left to offer.
        for (const QString &tld : ui.app->settings()->addableTLDs())
            ui.app->settings()->addTLD(tld);
        QCOMPARE(picker->property("placeholderText").toString(), QStringLiteral("All known TLDs already added"));
        QVERIFY(!picker->isEnabled());
        QVERIFY(!ui.item("addButton", settings)->isEnabled());
    }

    // The Claude tab: Detect reports what the candidate search finds. The Sound tab: the gong
    // switch gates the preview.
    void claudeAndSoundTabs()
    {
        UiHarness ui;
        ui.playGong = true;
        QVERIFY(ui.start({".com"}));
        QQuickWindow *settings = ui.openSettings();
        QVERIFY(settings);
        QQuickItem *view = ui.item("settingsView", settings);
        view->setProperty("currentTab", 1);
        const QString candidate = m_home.filePath(".local/bin/claude");
        QFile::remove(candidate);
        const auto detected = [&] {
            clickItem(ui.item("detectButton", settings));
            return ui.item("detectionMessage", settings)->property("text").toString();
        };
        QCOMPARE(detected(), QStringLiteral("Not found in PATH or common locations."));
        // A path the user set is the one checked, found or not.
        ui.app->settings()->setClaudeBinaryPath(ORVANE_FAKE_CLAUDE);
        QCOMPARE(detected(), QStringLiteral("Found at " ORVANE_FAKE_CLAUDE));
        ui.app->settings()->setClaudeBinaryPath("/nowhere/claude");
        QCOMPARE(detected(), QStringLiteral("Nothing found at /nowhere/claude."));
        ui.app->settings()->setClaudeBinaryPath({});
        QVERIFY(QDir().mkpath(QFileInfo(candidate).absolutePath()));
        QVERIFY(QFile::copy(QStringLiteral(ORVANE_FAKE_CLAUDE), candidate));
        QCOMPARE(detected(), "Found at " + candidate);
        ui.app->settings()->setClaudeBinaryPath("/nowhere/claude");
        // Brainstorming off: the path field and Detect are disabled, their contents kept.
        ui.app->settings()->setUseClaudeForSuggestions(false);
        QVERIFY(!ui.item("detectButton", settings)->isEnabled());
        QVERIFY(!ui.item("claudePathField", settings)->isEnabled());
        QCOMPARE(ui.item("claudePathField", settings)->property("text").toString(), QStringLiteral("/nowhere/claude"));

        view->setProperty("currentTab", 2);
        QQuickItem *preview = ui.item("previewGong", settings);
        QTRY_COMPARE(ui.app->gong()->requests(), 1); // the launch chime
        clickItem(preview);
        QCOMPARE(ui.app->gong()->requests(), 2);
        clickItem(ui.item("gongSwitch", settings));
        QVERIFY(!ui.app->settings()->playGongOnAvailable());
        QVERIFY(!preview->isEnabled());
    }
};

QTEST_MAIN(TestSecondaryWindows)
#include "tst_secondarywindows.moc"
