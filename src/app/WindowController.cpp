#include "app/WindowController.h"

#include "app/IconProvider.h"
#include "history/SearchRecord.h"
#include "settings/AppSettings.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPalette>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QScreen>
#include <QTimer>
#include <QTimerEvent>

#include <algorithm>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#ifdef ORVANE_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#endif

Q_LOGGING_CATEGORY(lcWindows, "com.pellunor.Orvane.app.windows", QtInfoMsg)

namespace orvane {

#ifdef ORVANE_HAVE_DBUS
// Receives the portal's change signal, which QtDBus delivers only to a named slot.
class PortalListener : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void(const QString &, const QString &, const QDBusVariant &)>;
    PortalListener(Handler handler, QObject *parent) : QObject(parent), m_handler(std::move(handler)) {}
public slots:
    void settingChanged(const QString &ns, const QString &key, const QDBusVariant &value) { m_handler(ns, key, value); }

private:
    Handler m_handler;
};
#endif

namespace {

bool paletteIsDark()
{
    return QGuiApplication::palette().color(QPalette::Window).lightnessF() < 0.5;
}

[[maybe_unused]] qint64 monotonicNow()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

// Whether a screen still shows the window's middle: a monitor unplugged since, or a smaller
// arrangement of them, would leave a window placed by its last place out of reach.
bool onAScreen(const QRect &geometry)
{
    return std::ranges::any_of(QGuiApplication::screens(),
                               [&](const QScreen *screen) { return screen->geometry().contains(geometry.center()); });
}

} // namespace

WindowController::WindowController(AppSettings &settings, const SettingsLocation &location, ShellTimings timings, QObject *parent)
    : QObject(parent), m_settings(settings), m_location(location), m_timings(timings)
{
    m_mainGeometry = m_location.open()->value(geometryKey).toRect();
#ifdef Q_OS_MACOS
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationInactive)
            hideWhenInactive();
    });
#endif
    // One filter for the whole program: palette changes reach the application object, and
    // the windows' close requests pass through it as well.
    qApp->installEventFilter(this);
#if defined(__GLIBC__)
    // Blocks of 128 KiB and more get pages of their own, returned when they are freed. Left to
    // itself, glibc raises that threshold each time such a block is freed, and the windows' large
    // blocks would then sit in the heap between small ones that outlive them: a release could
    // not give their memory back.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
    // Text drawn from the font's own glyphs, as the rest of the desktop draws it: no glyph fields to
    // compute for every window the program builds anew after a release.
    QQuickWindow::setTextRenderType(QQuickWindow::NativeTextRendering);
    updateDarkMode();
    watchPortalColourScheme();
}

WindowController::~WindowController()
{
    qApp->removeEventFilter(this);
    // Windows go before the engine and the objects their bindings read.
    if (m_engine) {
        m_engine->clearComponentCache();
        destroyWindows();
    }
}

void WindowController::destroyWindows()
{
    // A window being destroyed is no longer one of ours: what it signals on its way out is not heard.
    const QList<QObject *> windows = m_engine->rootObjects();
    for (QObject *window : windows)
        disconnect(window, nullptr, this, nullptr);
    qDeleteAll(windows);
}

void WindowController::setTrayAvailable(bool available)
{
    if (available == m_trayAvailable)
        return;
    m_trayAvailable = available;
    emit trayAvailableChanged();
}

bool WindowController::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ApplicationPaletteChange && watched == qApp) {
        updateDarkMode();
    } else if (event->type() == QEvent::Close && watched == m_mainWindow && !trayAvailable()) {
        // Without a tray nothing could bring a closed window back: closing it ends the program.
        QTimer::singleShot(0, this, &WindowController::quit);
    } else if (event->type() == QEvent::Close && watched == m_welcomeWindow && !trayAvailable()) {
        // The main window stepped aside for the welcome window; it returns when that closes.
        QTimer::singleShot(0, this, [this] {
            if (!m_mainWindow || !m_mainWindow->isVisible())
                openMain();
        });
    }
    return QObject::eventFilter(watched, event);
}

void WindowController::updateDarkMode()
{
    const bool dark = m_portalScheme == 1 || (m_portalScheme != 2 && paletteIsDark());
    if (dark == m_darkMode)
        return;
    m_darkMode = dark;
    emit darkModeChanged();
}

void WindowController::watchPortalColourScheme()
{
#ifdef ORVANE_HAVE_DBUS
    // The desktop portal knows the scheme even when Qt's platform theme does not pass it on
    // through the palette (GNOME without a Qt theme). No session bus: the palette decides.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
    const QString interface = QStringLiteral("org.freedesktop.portal.Settings");
    const QString ns = QStringLiteral("org.freedesktop.appearance");
    const QString key = QStringLiteral("color-scheme");
    auto take = [this](const QVariant &value) {
        QVariant v = value;
        while (v.canConvert<QDBusVariant>() && v.userType() == qMetaTypeId<QDBusVariant>())
            v = v.value<QDBusVariant>().variant();
        bool ok = false;
        const uint scheme = v.toUInt(&ok);
        m_portalScheme = ok && scheme <= 2 ? int(scheme) : 0;
        updateDarkMode();
    };
    QDBusMessage read = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Read"));
    read << ns << key;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(read, 1000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [take](QDBusPendingCallWatcher *call) {
        const QDBusPendingReply<QVariant> reply = *call;
        if (!reply.isError())
            take(reply.value());
        call->deleteLater();
    });
    auto *listener = new PortalListener(
        [take, ns, key](const QString &changedNs, const QString &changedKey, const QDBusVariant &value) {
            if (changedNs == ns && changedKey == key)
                take(value.variant());
        },
        this);
    bus.connect(service, path, interface, QStringLiteral("SettingChanged"), listener,
                SLOT(settingChanged(QString, QString, QDBusVariant)));
#endif
}

void WindowController::placeOverMain(QWindow *window) const
{
    if (!window || window->isVisible())
        return;
    const bool overMain = m_mainWindow && m_mainWindow->isVisible();
    QScreen *screen = overMain ? m_mainWindow->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QRect around = overMain ? m_mainWindow->frameGeometry() : area;
    window->create(); // the frame is known (where the platform knows it at all) once the window exists
    const QMargins margins = window->frameMargins();
    QRect frame(QPoint(0, 0), window->size().grownBy(margins));
    frame.moveCenter(around.center());
    // Whole on the screen: the top left corner wins when the window is larger than the screen.
    frame.moveRight(std::min(frame.right(), area.right()));
    frame.moveBottom(std::min(frame.bottom(), area.bottom()));
    frame.moveLeft(std::max(frame.left(), area.left()));
    frame.moveTop(std::max(frame.top(), area.top()));
    window->setScreen(screen);
    window->setFramePosition(frame.topLeft());
}

QQuickWindow *WindowController::loadWindow(const QString &file)
{
    if (!m_engine) {
        m_engine = std::make_unique<QQmlApplicationEngine>();
        m_icons = new IconProvider; // the engine owns it
        m_engine->addImageProvider(QStringLiteral("icon"), m_icons);
        // Where the program's own QML module lives (a default import path from Qt 6.5 on).
        m_engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
    }
    const QList<QObject *> before = m_engine->rootObjects();
    m_engine->load(QUrl(QStringLiteral("qrc:/qt/qml/Orvane/") + file));
    for (QObject *root : m_engine->rootObjects()) {
        if (!before.contains(root)) {
            auto *window = qobject_cast<QQuickWindow *>(root);
            if (window)
                connect(window, &QWindow::visibleChanged, this, &WindowController::windowVisibilityChanged);
            return window;
        }
    }
    return nullptr;
}

void WindowController::windowVisibilityChanged()
{
    const bool anyShown = std::ranges::any_of(std::initializer_list<QQuickWindow *>{m_mainWindow, m_welcomeWindow, m_settingsWindow},
                                              [](QQuickWindow *window) { return window && window->isVisible(); });
    if (anyShown || !m_engine || m_engine->rootObjects().isEmpty())
        m_releaseTimer.stop();
    else if (!m_releaseTimer.isActive())
        m_releaseTimer.start(int(m_timings.windowRelease.count()), Qt::VeryCoarseTimer, this);
}

void WindowController::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_releaseTimer.timerId())
        release();
    else
        QObject::timerEvent(event);
}

void WindowController::release()
{
    m_releaseTimer.stop();
    if (!m_engine || m_engine->rootObjects().isEmpty())
        return;
    saveGeometry();
    destroyWindows();
    // The engine stays, with the QML it has compiled: a few MiB, for a window built again in half
    // the time. What the windows' scripts left is collected now.
    m_engine->collectGarbage();
    // What the windows freed goes back to the system once the objects deleted later are gone too.
    QTimer::singleShot(100, this, [this] {
        if (!m_engine->rootObjects().isEmpty())
            return; // a window was asked for meanwhile
        // The icons go with the windows. Any image still in Qt Quick's cache would otherwise leave
        // it bit by bit, waking the program every half minute to do so; a window asked to release
        // resources empties it.
        m_icons->clear();
        QQuickWindow().releaseResources();
#if defined(__GLIBC__)
        malloc_trim(0);
#endif
        qCInfo(lcWindows, "Windows released");
        emit released();
    });
}

void WindowController::show(QQuickWindow *window)
{
    if (!window)
        return;
    window->show();
    window->raise();
    window->requestActivate();
}

void WindowController::openMain()
{
#ifdef Q_OS_MACOS
    m_shownAt = monotonicNow();
#endif
    if (!m_mainWindow) {
        m_mainWindow = loadWindow(QStringLiteral("MainWindow.qml"));
        if (!m_mainWindow)
            return;
#ifdef Q_OS_MACOS
        m_mainWindow->setFlag(Qt::FramelessWindowHint); // the popover draws its own edges
        m_mainWindow->setProperty("popover", true);
#endif
        if (const QRect where = savedGeometry(); where.isValid())
            m_mainWindow->setGeometry(where);
        else
            fitOnScreen(m_mainWindow);
        connect(m_mainWindow, &QQuickWindow::frameSwapped, this, [this] {
            if (!std::exchange(m_mainWindowDrawn, true))
                qCInfo(lcWindows, "Main window drawn");
        });
        // Hidden (closed to the tray, put away by Escape), it leaves its place for the next time.
        connect(m_mainWindow, &QWindow::visibleChanged, this, [this](bool visible) {
            if (!visible)
                saveGeometry();
        });
    }
    show(m_mainWindow);
}

void WindowController::fitOnScreen(QWindow *window)
{
    // The first time, no larger than the screen: a laptop's screen less its panels is often
    // smaller than the window would like to be.
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    window->create();
    const QMargins frame = window->frameMargins();
    const QSize room = screen->availableGeometry().size().shrunkBy(frame);
    window->resize(window->size().boundedTo(room).expandedTo(window->minimumSize()));
}

QRect WindowController::savedGeometry() const
{
    if (!m_mainGeometry.isValid() || !m_mainWindow)
        return {};
    const QSize smallest = m_mainWindow->minimumSize();
    const QRect where(m_mainGeometry.topLeft(), m_mainGeometry.size().expandedTo(smallest));
    return onAScreen(where) ? where : QRect();
}

void WindowController::saveGeometry()
{
    if (!m_mainWindow || m_mainWindow->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    const QRect where = m_mainWindow->geometry();
    if (where == m_mainGeometry || !where.isValid())
        return;
    m_mainGeometry = where;
    const auto store = m_location.open();
    store->setValue(geometryKey, where);
    store->sync();
}

void WindowController::toggleMain()
{
    if (m_mainWindow && m_mainWindow->isVisible())
        m_mainWindow->hide();
    else
        openMain();
}

void WindowController::reopen(const QString &activationToken)
{
    // Wayland raises a window only with a token from the launch that asked for it; Qt hands
    // the one in the environment to the compositor at the next activation request.
    if (!activationToken.isEmpty() && QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());

    // While the welcome window is up it is the one to come forward.
    if (m_welcomeWindow && m_welcomeWindow->isVisible()) {
        m_welcomeWindow->raise();
        m_welcomeWindow->requestActivate();
        return;
    }
    // A window that is already shown may sit under other programs' windows: bring it up all
    // the same. X11 window managers refuse activation requests from a program in the
    // background, but place a window that is mapped anew on top.
    if (m_mainWindow && m_mainWindow->isVisible() && !m_mainWindow->isActive() && QGuiApplication::platformName() == QLatin1String("xcb"))
        m_mainWindow->hide();
    openMain();
    qCInfo(lcWindows, "Main window shown for another launch");
}

void WindowController::hideWhenInactive()
{
    // The popover goes when the program loses the focus, unless it has only just opened or no
    // tray could bring it back.
    if (!m_trayAvailable || monotonicNow() - m_shownAt < m_timings.openGracePeriod.count())
        return;
    if (m_mainWindow && m_mainWindow->isVisible())
        m_mainWindow->hide();
}

void WindowController::openSettings()
{
    if (!m_settingsWindow)
        m_settingsWindow = loadWindow(QStringLiteral("SettingsWindow.qml"));
    placeOverMain(m_settingsWindow);
    show(m_settingsWindow);
}

void WindowController::openWelcome()
{
    if (!m_welcomeWindow)
        m_welcomeWindow = loadWindow(QStringLiteral("OnboardingWindow.qml"));
    placeOverMain(m_welcomeWindow);
    if (m_welcomeWindow)
        QMetaObject::invokeMethod(m_welcomeWindow, "restart"); // it always opens at its first page
    show(m_welcomeWindow);
}

void WindowController::bringWelcomeWindowToFront()
{
    QTimer::singleShot(m_timings.welcomeFrontDelay, this, [this] {
        if (m_welcomeWindow)
            show(m_welcomeWindow);
        // Without a tray, closing the main window quits the program, so it only steps aside.
        for (QQuickWindow *window : {m_mainWindow.get(), m_settingsWindow.get()}) {
            if (window && window->isVisible()) {
                if (m_trayAvailable)
                    window->close();
                else
                    window->hide();
            }
        }
    });
}

void WindowController::finishOnboarding()
{
    m_settings.setHasCompletedOnboarding(true);
    if (m_welcomeWindow)
        m_welcomeWindow->close();
    openMain();
    QTimer::singleShot(120, this, [this] {
        if (m_mainWindow && m_mainWindow->isVisible())
            m_mainWindow->requestActivate();
    });
}

void WindowController::reveal(const QString &domain)
{
    openMain();
    emit revealRequested(domain.section(QLatin1Char('.'), 0, 0));
}

void WindowController::showSearch(SearchRecord *record)
{
    qCInfo(lcWindows, "Main window opened on a search for the desktop's search");
    openMain();
    emit searchRequested(record);
}

void WindowController::openWithText(const QString &text)
{
    qCInfo(lcWindows, "Main window opened with a text for the desktop's search");
    openMain();
    emit textRequested(text);
}

void WindowController::quit()
{
    emit quitRequested();
}

void WindowController::openUrl(const QString &url) const
{
    QDesktopServices::openUrl(QUrl(url));
}

void WindowController::copyText(const QString &text) const
{
    if (QClipboard *clipboard = QGuiApplication::clipboard()) {
        clipboard->clear();
        clipboard->setText(text);
    }
}

void WindowController::chainInOrder(const QVariantList &items) const
{
    QQuickItem *before = nullptr;
    for (const QVariant &entry : items) {
        auto *item = qobject_cast<QQuickItem *>(entry.value<QObject *>());
        if (!item)
            continue;
        if (before && before->parentItem() == item->parentItem())
            item->stackAfter(before);
        before = item;
    }
}

} // namespace orvane

#ifdef ORVANE_HAVE_DBUS
#include "WindowController.moc"
#endif
