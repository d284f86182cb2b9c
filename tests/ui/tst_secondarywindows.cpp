#include "UiHarness.h"

#include <QDir>
#include <QFile>

using namespace orvane;

namespace {

void click(QQuickItem *item)
{
    QVERIFY(item && item->isEnabled());
    clickItem(item);
}

QQuickItem *find(QQuickWindow *window, const char *name)
{
    if (!window)
        return nullptr;
    if (QQuickItem *item = window->findChild<QQuickItem *>(QLatin1String(name)))
        return item;
    for (QQuickItem *item : UiHarness::visualItems(window->contentItem())) {
        if (item->objectName() == QLatin1String(name))
            return item;
    }
    return nullptr;
}

} // namespace

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
        ui.app->delegate()->setTrayAvailable(true); // so that only finishing brings it back
        ui.app->delegate()->handleReopen(); // a second launch raises the welcome window, not the main one
        QVERIFY(!ui.window()->isVisible());
        QQuickWindow *welcome = ui.app->windows()->welcomeWindow();
        QQuickItem *view = find(welcome, "onboardingView");
        QCOMPARE(view->property("step").toInt(), 0);
        QVERIFY(!find(welcome, "backButton")->isVisible());
        QCOMPARE(find(welcome, "primaryButton")->property("text").toString(), QStringLiteral("Next"));

        QTest::keyClick(welcome, Qt::Key_Return);
        QCOMPARE(view->property("step").toInt(), 1);
        QVERIFY(find(welcome, "backButton")->isVisible());
        click(find(welcome, "backButton"));
        QCOMPARE(view->property("step").toInt(), 0);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(welcome, Qt::Key_Return);
        QCOMPARE(view->property("step").toInt(), 4);
        QCOMPARE(find(welcome, "primaryButton")->property("text").toString(), QStringLiteral("Get started"));
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

    // With a tray the hidden main window waits there; without one it must come back.
    void finishingWithoutAMainWindowOpener_data()
    {
        QTest::addColumn<bool>("tray");
        QTest::newRow("with a tray") << true;
        QTest::newRow("without a tray") << false;
    }
    void finishingWithoutAMainWindowOpener()
    {
        QFETCH(bool, tray);
        UiHarness ui;
        QVERIFY(ui.start({".com"}));
        ui.app->delegate()->setTrayAvailable(tray);
        ui.window()->hide();
        ui.app->opener().openMain = nullptr;
        QQuickWindow *welcome = ui.openWelcome();
        QVERIFY(welcome);
        find(welcome, "onboardingView")->setProperty("step", 4);
        click(find(welcome, "primaryButton"));
        QTRY_VERIFY(!welcome->isVisible());
        QVERIFY(ui.app->settings()->hasCompletedOnboarding());
        if (tray)
            QVERIFY(!ui.window()->isVisible());
        else
            QTRY_VERIFY(ui.window()->isVisible());
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
        QQuickItem *view = find(welcome, "onboardingView");
        view->setProperty("step", 2);
        click(find(welcome, "claudeSwitch"));
        QVERIFY(!ui.app->settings()->useClaudeForSuggestions());
        QVERIFY(!ui.item("brainstormCard")->isVisible());
        QVERIFY(find(welcome, "claudeSwitch")->hasActiveFocus());
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
        click(find(settings, "tabGeneral"));
        QQuickItem *toggle = find(settings, "settingsLoginSwitch");
        QVERIFY(toggle && toggle->isVisible());
        click(toggle);
        QVERIFY(ui.app->settings()->launchAtLogin());
        QCOMPARE(QSettings(ui.dir.filePath("settings.ini"), QSettings::IniFormat).value("settings.launchAtLogin").toBool(), true);
        QQuickWindow *welcome = ui.openWelcome();
        find(welcome, "onboardingView")->setProperty("step", 3);
        QCOMPARE(find(welcome, "loginSwitch")->property("checked").toBool(), true);
        click(find(welcome, "loginSwitch"));
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
        QQuickItem *view = find(settings, "settingsView");
        QQuickItem *picker = find(settings, "tldPicker");
        QQuickItem *summary = ui.item("tldSummary");
        QCOMPARE(summary->property("text").toString(), QStringLiteral("Checking .com, .ai"));
        QVERIFY(!find(settings, "addButton")->isEnabled());

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
            QList<QQuickItem *> removers;
            for (QQuickItem *item : UiHarness::visualItems(settings->contentItem()))
                if (item->objectName() == "removeTLD" && item->isVisible())
                    removers << item;
            QVERIFY(!removers.isEmpty());
            click(removers.first());
        }
        QVERIFY(ui.app->settings()->tlds().isEmpty());
        QCOMPARE(summary->property("text").toString(), QStringLiteral("No extensions selected"));

        click(find(settings, "restoreDefaults"));
        QCOMPARE(ui.app->settings()->tlds(), (QStringList{".com", ".ai"}));
        QCOMPARE(ui.app->settings()->orderedEnabledTLDs(), (QStringList{".com", ".ai"}));
        QCOMPARE(summary->property("text").toString(), QStringLiteral("Checking .com, .ai"));

        // Every known TLD added: nothing left to offer.
        for (const QString &tld : ui.app->settings()->addableTLDs())
            ui.app->settings()->addTLD(tld);
        QCOMPARE(picker->property("placeholderText").toString(), QStringLiteral("All known TLDs already added"));
        QVERIFY(!picker->isEnabled());
        QVERIFY(!find(settings, "addButton")->isEnabled());
    }

    void detectReportsWhatTheCandidatesFind()
    {
        UiHarness ui;
        QVERIFY(ui.start({".com"}));
        QQuickWindow *settings = ui.openSettings();
        QVERIFY(settings);
        QQuickItem *view = find(settings, "settingsView");
        view->setProperty("currentTab", 1);
        ui.app->settings()->setClaudeBinaryPath("/nowhere/claude"); // ignored by Detect

        const QString candidate = m_home.filePath(".local/bin/claude");
        QFile::remove(candidate);
        click(find(settings, "detectButton"));
        QCOMPARE(find(settings, "detectionMessage")->property("text").toString(),
                 QStringLiteral("Not found in PATH or common locations."));

        QVERIFY(QDir().mkpath(QFileInfo(candidate).absolutePath()));
        QVERIFY(QFile::copy(QStringLiteral(ORVANE_FAKE_CLAUDE), candidate));
        click(find(settings, "detectButton"));
        QCOMPARE(find(settings, "detectionMessage")->property("text").toString(), "Found at " + candidate);
        QCOMPARE(ui.app->settings()->claudeBinaryPath(), QStringLiteral("/nowhere/claude"));

        // Brainstorming off: the path field and Detect are disabled, their contents kept.
        ui.app->settings()->setUseClaudeForSuggestions(false);
        QVERIFY(!find(settings, "detectButton")->isEnabled());
        QVERIFY(!find(settings, "claudePathField")->isEnabled());
        QCOMPARE(find(settings, "claudePathField")->property("text").toString(), QStringLiteral("/nowhere/claude"));
    }

    void gongSwitchGatesThePreview()
    {
        UiHarness ui;
        ui.playGong = true;
        QVERIFY(ui.start({".com"}));
        QQuickWindow *settings = ui.openSettings();
        QVERIFY(settings);
        find(settings, "settingsView")->setProperty("currentTab", 2);
        QQuickItem *preview = find(settings, "previewGong");
        QTRY_COMPARE(ui.app->gong()->requests(), 1); // the launch chime
        click(preview);
        QCOMPARE(ui.app->gong()->requests(), 2);
        click(find(settings, "gongSwitch"));
        QVERIFY(!ui.app->settings()->playGongOnAvailable());
        QVERIFY(!preview->isEnabled());
    }
};

QTEST_MAIN(TestSecondaryWindows)
#include "tst_secondarywindows.moc"
