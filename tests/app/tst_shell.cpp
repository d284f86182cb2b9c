#include "PrivateBus.h"
#include "UiHarness.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMenu>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>

#ifdef ORVANE_HAVE_XCB
#include <xcb/xcb.h>
#endif

using namespace orvane;

namespace {

QStringList texts(const QMenu *menu)
{
    QStringList shown;
    for (const QAction *action : menu->actions())
        shown << action->text();
    return shown;
}

#ifdef ORVANE_HAVE_XCB
// An XEmbed tray of the test's own, on the X server the test runs on: it takes the screen's tray
// selection, tells every client with a MANAGER message, and hears the icons that ask to dock.
class XEmbedTray
{
public:
    XEmbedTray()
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        xcb_create_window(m_connection, 0, m_window, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, 0, 0, nullptr);
        xcb_set_selection_owner(m_connection, m_window, atom("_NET_SYSTEM_TRAY_S0"), XCB_CURRENT_TIME);
        xcb_client_message_event_t manager{.response_type = XCB_CLIENT_MESSAGE, .format = 32, .sequence = 0, .window = root,
                                           .type = atom("MANAGER"), .data = {}};
        manager.data.data32[1] = atom("_NET_SYSTEM_TRAY_S0");
        manager.data.data32[2] = m_window;
        xcb_send_event(m_connection, 0, root, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char *>(&manager));
        xcb_flush(m_connection);
    }
    ~XEmbedTray() { xcb_disconnect(m_connection); } // which ends its window
    // Whether an icon has asked to dock (the tray's opcode 0).
    bool dockRequested()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            const auto *message = reinterpret_cast<const xcb_client_message_event_t *>(event);
            m_docked = m_docked || ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE && message->type == atom("_NET_SYSTEM_TRAY_OPCODE") && message->data.data32[1] == 0);
            free(event);
        }
        return m_docked;
    }

private:
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, uint16_t(qstrlen(name)), name), nullptr);
        const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return found;
    }

    xcb_connection_t *m_connection = xcb_connect(nullptr, nullptr);
    xcb_window_t m_window = xcb_generate_id(m_connection);
    bool m_docked = false;
};
#endif

} // namespace

// The tray icon and the main window as the desktop meets them: the window stays when the focus
// goes, comes back where it stood, and the icon follows a tray that comes and goes.
class TestShell : public QObject
{
    Q_OBJECT

private slots:
    // Where the main window stood comes back, unless no screen shows that place any more.
    void geometryComesBackOnAPresentScreen_data()
    {
        QTest::addColumn<QPoint>("saved");
        QTest::addColumn<bool>("restored");
        QTest::newRow("on the screen") << QPoint(40, 30) << true;
        QTest::newRow("on a screen unplugged since") << QPoint(5000, 4000) << false;
    }
    void geometryComesBackOnAPresentScreen()
    {
        QFETCH(QPoint, saved); QFETCH(bool, restored);
        UiHarness ui;
        const QRect where(saved, QSize(790, 530));
        QSettings(ui.dir.filePath("settings.ini"), QSettings::IniFormat).setValue(WindowController::geometryKey, where);
        QVERIFY(ui.start({".com"}));
        QCOMPARE(ui.window()->geometry() == where, restored);
        QVERIFY(ui.window()->screen()->geometry().contains(ui.window()->geometry().center()));

        // Put away and quit, it leaves its place in the settings file each time.
        const QRect moved(QPoint(60, 50), QSize(800, 540));
        ui.window()->setGeometry(moved);
        ui.window()->hide();
        QCOMPARE(QSettings(ui.dir.filePath("settings.ini"), QSettings::IniFormat).value(WindowController::geometryKey).toRect(), moved);
        ui.app->windows()->openMain();
        ui.window()->setGeometry(where.translated(10, 10));
        ui.app->quit();
        QCOMPARE(QSettings(ui.dir.filePath("settings.ini"), QSettings::IniFormat).value(WindowController::geometryKey).toRect(),
                 restored ? where.translated(10, 10) : ui.window()->geometry());
    }

    // With a tray, a click on the icon shows and hides the window; another program taking the
    // focus leaves it where it is; a second launch brings it forward over another window.
    void trayClicksFocusLossAndReopen()
    {
        UiHarness ui;
        ui.tray = true;
        QVERIFY(ui.start({".com"}));
        QSystemTrayIcon *icon = ui.app->tray()->icon();
        QVERIFY(icon && icon->isVisible());
        emit icon->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!ui.window()->isVisible());
        emit icon->activated(QSystemTrayIcon::Trigger);
        QVERIFY(ui.window()->isVisible());
        emit icon->activated(QSystemTrayIcon::Context); // the menu's button, not a toggle
        QVERIFY(ui.window()->isVisible());

        emit qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
        QTest::qWait(20); // anything queued on the focus change has had its turn
        QVERIFY(ui.window()->isVisible());

        QVERIFY(ui.openSettings());
        ui.app->windows()->reopen(QStringLiteral("token-of-the-second-launch"));
        QTRY_COMPARE(QGuiApplication::focusWindow(), ui.window());
    }

    // The tooltip says what the watch found; the menu lists the latest searches and the watched
    // names, and picking a search opens it in the window.
    void tooltipAndMenuFollowTheLists_data()
    {
        QTest::addColumn<QStringList>("watched");
        QTest::addColumn<QStringList>("free");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("nothing watched") << QStringList{} << QStringList{} << "Orvane";
        QTest::newRow("all taken") << QStringList{"lumalink.com", "lumalink.io", "orvane.ai"} << QStringList{} << "Watching 3";
        QTest::newRow("one free") << QStringList{"lumalink.com", "lumalink.io", "orvane.ai"} << QStringList{"lumalink.com"}
                                  << "Watching 3 · lumalink.com is free";
        QTest::newRow("two free") << QStringList{"lumalink.com", "lumalink.io"} << QStringList{"lumalink.com", "lumalink.io"}
                                  << "Watching 2 · 2 watched names are free";
    }
    void tooltipAndMenuFollowTheLists()
    {
        QFETCH(QStringList, watched); QFETCH(QStringList, free); QFETCH(QString, toolTip);
        UiHarness ui;
        ui.tray = true;
        QVERIFY(ui.start({".com", ".ai"}));
        const QDateTime now = QDateTime::currentDateTimeUtc();
        for (const QString &domain : watched) {
            QVERIFY(ui.app->watchList()->watch(domain, "." + domain.section('.', 1), DomainAvailability::taken, now));
            if (free.contains(domain))
                QVERIFY(ui.app->watchList()->recordCheck(domain, DomainAvailability::available, now));
        }
        QCOMPARE(ui.app->tray()->icon()->toolTip(), toolTip);

        for (const char *name : {"first", "orvane"})
            QVERIFY(ui.searchFor(name));
        QMenu *menu = ui.app->tray()->menu();
        QCOMPARE(texts(menu), (QStringList{"Show Orvane", "Recent Searches", "Watching", "", "Settings…", "", "Quit Orvane"}));
        QMenu *recent = menu->actions().at(1)->menu();
        QCOMPARE(texts(recent), (QStringList{"orvane", "first"}));
        QMenu *watching = menu->actions().at(2)->menu();
        for (QString &domain : watched)
            domain += free.contains(domain) ? " (free)" : "";
        QCOMPARE(texts(watching), watched);
        QCOMPARE(watching->isEnabled(), !watched.isEmpty());

        ui.window()->hide();
        recent->actions().at(1)->trigger();
        QVERIFY(ui.window()->isVisible());
        QTRY_VERIFY(ui.model()->isHistoricalView());
        QCOMPARE(ui.model()->query(), QStringLiteral("first"));
    }

    // The tray is a service on the session bus that may start after the program (at login) and
    // restart with the panel: the icon follows it, and so does what closing the window does.
    void trayFollowsTheWatcher_data()
    {
        QTest::addColumn<bool>("atStart");
        QTest::newRow("tray running at login") << true;
        QTest::newRow("tray starting after the program") << false;
    }
    void trayFollowsTheWatcher()
    {
        QFETCH(bool, atStart);
        PrivateBus bus;
        QVERIFY2(!bus.address.isEmpty(), "dbus-daemon did not start");
        QDBusConnection panel = QDBusConnection::connectToBus(bus.address, QStringLiteral("panel-") + QTest::currentDataTag());
        const auto closePanel = qScopeGuard([&] { QDBusConnection::disconnectFromBus(panel.name()); });
        const auto runTray = [&](bool on) {
            return on ? panel.registerService(TrayIcon::watcherService) : panel.unregisterService(TrayIcon::watcherService);
        };
        if (atStart)
            QVERIFY(runTray(true));
        UiHarness ui;
        ui.atLogin = true;
        ui.trayBus = bus.address;
        QVERIFY(ui.start({".com"}));
        // At login the program waits in the tray, without building a window; with none yet, the window shows.
        QCOMPARE(ui.window() != nullptr, !atStart);
        QCOMPARE(ui.app->windows()->engine() != nullptr, !atStart);
        QCOMPARE(ui.app->windows()->trayAvailable(), atStart);

        if (!atStart) {
            QVERIFY(!ui.app->tray()->icon());
            QVERIFY(runTray(true));
            QTRY_VERIFY(ui.app->windows()->trayAvailable());
        }
        QVERIFY(ui.app->tray()->icon() && ui.app->tray()->icon()->isVisible());
        QCOMPARE(ui.app->tray()->registrations(), 1);

        // The panel restarts: the icon goes and comes back with it.
        QVERIFY(runTray(false));
        QTRY_VERIFY(!ui.app->windows()->trayAvailable());
        QVERIFY(!ui.app->tray()->icon()->isVisible());
        QVERIFY(runTray(true));
        QTRY_VERIFY(ui.app->windows()->trayAvailable());
        QVERIFY(ui.app->tray()->icon()->isVisible());
        QCOMPARE(ui.app->tray()->registrations(), 2);
        if (ui.window())
            ui.window()->hide();
        emit ui.app->tray()->icon()->activated(QSystemTrayIcon::Trigger); // a click brings the window up
        QVERIFY(ui.window() && QTest::qWaitForWindowExposed(ui.window()));
    }

    // On X11 the tray may be an older XEmbed one, which also starts after the program at login:
    // the icon docks in it once it runs, and closing the window quits again once it has gone.
    void trayFollowsAnXEmbedTray()
    {
#ifdef ORVANE_HAVE_XCB
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server: the tst_shell_x11 test runs it under xvfb-run");
        PrivateBus bus; // a session bus without a StatusNotifier tray
        UiHarness ui;
        ui.trayBus = bus.address;
        QVERIFY(ui.start({".com"}));
        QVERIFY(!ui.app->windows()->trayAvailable());
        auto tray = std::make_unique<XEmbedTray>();
        QTRY_VERIFY(ui.app->windows()->trayAvailable());
        QTRY_VERIFY(tray->dockRequested());
        tray.reset();
        QTRY_VERIFY(!ui.app->windows()->trayAvailable());
#else
        QSKIP("built without X11");
#endif
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
