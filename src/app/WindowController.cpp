#include "app/WindowController.h"

#include "app/AppDelegate.h"
#include "history/SearchRecord.h"
#include "settings/AppSettings.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPalette>
#include <QQmlApplicationEngine>
#include <QScreen>
#include <QTimer>

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

} // namespace

WindowController::WindowController(QQmlApplicationEngine &engine, AppDelegate &delegate, const WindowOpener &opener,
                                   AppSettings &settings, QObject *parent)
    : QObject(parent), m_engine(engine), m_delegate(delegate), m_opener(opener), m_settings(settings)
{
    connect(&m_delegate, &AppDelegate::trayAvailableChanged, this, &WindowController::trayAvailableChanged);
    connect(this, &WindowController::darkModeChanged, &m_delegate, [this] { m_delegate.setPanelDark(m_darkMode); });
    // One filter for the whole program: palette changes reach the application object, and
    // the windows' close requests pass through it as well.
    qApp->installEventFilter(this);
    updateDarkMode();
    m_delegate.setPanelDark(m_darkMode);
    watchPortalColourScheme();
}

WindowController::~WindowController()
{
    qApp->removeEventFilter(this);
}

bool WindowController::trayAvailable() const
{
    return m_delegate.trayAvailable();
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
                m_delegate.showMainWindow();
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
    const QList<QObject *> before = m_engine.rootObjects();
    m_engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Orvane/") + file));
    for (QObject *root : m_engine.rootObjects()) {
        if (!before.contains(root))
            return qobject_cast<QQuickWindow *>(root);
    }
    return nullptr;
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
    if (!m_mainWindow) {
        m_mainWindow = loadWindow(QStringLiteral("MainWindow.qml"));
        if (m_mainWindow) {
            connect(m_mainWindow, &QQuickWindow::frameSwapped, this, [this] {
                if (!std::exchange(m_mainWindowDrawn, true))
                    qCInfo(lcWindows, "Main window drawn");
            });
        }
    }
    show(m_mainWindow);
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
    m_delegate.bringWelcomeWindowToFront();
}

void WindowController::finishOnboarding()
{
    m_settings.setHasCompletedOnboarding(true);
    if (m_welcomeWindow)
        m_welcomeWindow->close();
    if (m_opener.openMain)
        m_opener.openMain();
    QTimer::singleShot(120, this, [this] {
        if (m_mainWindow && m_mainWindow->isVisible())
            m_mainWindow->requestActivate();
    });
}

void WindowController::reveal(const QString &domain)
{
    m_delegate.showMainWindow();
    emit revealRequested(domain.section(QLatin1Char('.'), 0, 0));
}

void WindowController::showSearch(SearchRecord *record)
{
    qCInfo(lcWindows, "Main window opened on a search for the desktop's search");
    m_delegate.showMainWindow();
    emit searchRequested(record);
}

void WindowController::openWithText(const QString &text)
{
    qCInfo(lcWindows, "Main window opened with a text for the desktop's search");
    m_delegate.showMainWindow();
    emit textRequested(text);
}

void WindowController::quit()
{
    emit quitRequested();
    QCoreApplication::quit();
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

} // namespace orvane

#ifdef ORVANE_HAVE_DBUS
#include "WindowController.moc"
#endif
