#include "app/AppDelegate.h"

#include "app/GongPlayer.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QIcon>
#include <QLoggingCategory>
#include <QMenu>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>

Q_LOGGING_CATEGORY(lcShell, "com.pellunor.Orvane.app", QtInfoMsg)

namespace orvane {

namespace {

qint64 monotonicNow()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

bool isMac()
{
#ifdef Q_OS_MACOS
    return true;
#else
    return false;
#endif
}

// The cairn in one colour; empty when the mark cannot be drawn.
QImage cairn(const QColor &colour, int size)
{
    QSvgRenderer renderer(QStringLiteral(":/orvane/resources/VarivUzaz.svg"));
    if (!renderer.isValid())
        return {};
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), colour);
    return image;
}

// The cairn as a tray image. macOS draws a mask in the menu bar's own colour. Elsewhere the
// panel's colour is unknown (a dark top bar over a light desktop is common), so the mark takes
// the colour that suits the desktop's scheme and a thin halo of the opposite one, which keeps it
// readable on any panel.
QIcon trayImage(bool darkPanel)
{
    QIcon icon;
    for (const int size : {16, 18, 22, 24, 32, 36, 48, 54})
        icon.addPixmap(AppDelegate::trayPixmap(darkPanel, size));
    if (icon.isNull())
        return {};
    icon.setIsMask(isMac());
    return icon;
}

} // namespace

QPixmap AppDelegate::trayPixmap(bool darkPanel, int size)
{
    const QColor light(0xf5, 0xf2, 0xe8);
    const QColor dark(0x1f, 0x33, 0x33);
    if (isMac())
        return QPixmap::fromImage(cairn(light, size));
    const int halo = std::max(1, size / 16);
    const int inner = size - 2 * halo;
    const QImage mark = cairn(darkPanel ? light : dark, inner);
    if (mark.isNull())
        return {};
    QColor haloColour = darkPanel ? dark : light;
    haloColour.setAlphaF(0.7f);
    const QImage outline = cairn(haloColour, inner);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    for (int dx = -halo; dx <= halo; ++dx) {
        for (int dy = -halo; dy <= halo; ++dy) {
            if (dx != 0 || dy != 0)
                painter.drawImage(halo + dx, halo + dy, outline);
        }
    }
    painter.drawImage(halo, halo, mark);
    painter.end();
    return QPixmap::fromImage(image);
}

void AppDelegate::setPanelDark(bool dark)
{
    m_panelDark = dark;
    if (m_tray)
        m_tray->setIcon(trayImage(dark));
}

void AppDelegate::setTrayAvailable(bool available)
{
    if (available == m_trayAvailable)
        return;
    m_trayAvailable = available;
    emit trayAvailableChanged();
}

AppDelegate::AppDelegate(WindowOpener &opener, std::shared_ptr<GongPlayer> gong, ShellTimings timings, QObject *parent)
    : QObject(parent), m_opener(opener), m_gong(std::move(gong)), m_timings(timings), m_clock(&monotonicNow),
      m_trayAvailable(QSystemTrayIcon::isSystemTrayAvailable())
{
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationInactive)
            didResignActive();
    });
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::didFinishLaunching(bool chimeWanted, bool hasCompletedOnboarding)
{
    installStatusItem();
    if (chimeWanted) {
        QTimer::singleShot(m_timings.launchChimeDelay, this, [this] {
            if (m_gong)
                m_gong->playGong();
        });
    }
    if (!hasCompletedOnboarding)
        pollForOnboarding(0);
}

void AppDelegate::installStatusItem()
{
    m_tray = std::make_unique<QSystemTrayIcon>();
    m_tray->setIcon(trayImage(m_panelDark));
    m_tray->setToolTip(QStringLiteral("Orvane"));
    // A right click opens a menu on Linux and Windows, as their users expect; on macOS both
    // buttons toggle the window.
    if (!isMac()) {
        m_menu = std::make_unique<QMenu>();
        m_menu->addAction(tr("Show Orvane"), this, &AppDelegate::showMainWindow);
        m_menu->addAction(tr("Settings…"), this, &AppDelegate::settingsRequested);
        m_menu->addSeparator();
        m_menu->addAction(tr("Quit Orvane"), this, &AppDelegate::quitRequested);
        m_tray->setContextMenu(m_menu.get());
    }
    connect(m_tray.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || (reason == QSystemTrayIcon::Context && isMac()))
            handleStatusClick();
    });
    if (m_trayAvailable)
        m_tray->show();
}

void AppDelegate::pollForOnboarding(int waits)
{
    if (m_opener.openOnboarding) {
        m_opener.openOnboarding();
        bringWelcomeWindowToFront();
        return;
    }
    QTimer::singleShot(m_timings.firstRunPoll, this, [this, waits] {
        if (waits + 1 >= m_timings.firstRunPolls)
            return; // the last wait: give up without looking again, no welcome window this launch
        pollForOnboarding(waits + 1);
    });
}

QWindow *AppDelegate::mainWindow() const
{
    return m_opener.mainWindow ? m_opener.mainWindow() : nullptr;
}

QWindow *AppDelegate::welcomeWindow() const
{
    return m_opener.welcomeWindow ? m_opener.welcomeWindow() : nullptr;
}

void AppDelegate::showMainWindow()
{
    m_lastOpenAt = m_clock();
    if (QWindow *window = mainWindow()) {
        window->show();
        window->raise();
        window->requestActivate();
    } else if (m_opener.openMain) {
        m_opener.openMain();
    }
}

void AppDelegate::handleStatusClick()
{
    QWindow *window = mainWindow();
    if (window && window->isVisible()) {
        window->hide();
        return;
    }
    showMainWindow();
}

void AppDelegate::handleReopen(const QString &activationToken)
{
    // Wayland raises a window only with a token from the launch that asked for it; Qt hands
    // the one in the environment to the compositor at the next activation request.
    if (!activationToken.isEmpty() && QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());

    // While the welcome window is up it is the one to come forward.
    if (QWindow *welcome = welcomeWindow(); welcome && welcome->isVisible()) {
        welcome->raise();
        welcome->requestActivate();
        return;
    }
    // A window that is already shown may sit under other programs' windows: bring it up all
    // the same. X11 window managers refuse activation requests from a program in the
    // background, but place a window that is mapped anew on top.
    QWindow *window = mainWindow();
    if (window && window->isVisible() && !window->isActive() && QGuiApplication::platformName() == QLatin1String("xcb"))
        window->hide();
    showMainWindow();
    qCInfo(lcShell, "Main window shown for another launch");
}

void AppDelegate::didResignActive()
{
    // Without a tray there is no way back to a hidden window, so it stays.
    if (!m_trayAvailable)
        return;
    if (m_clock() - m_lastOpenAt < m_timings.openGracePeriod.count())
        return;
    QWindow *window = mainWindow();
    if (window && window->isVisible())
        window->hide();
}

void AppDelegate::bringWelcomeWindowToFront()
{
    QTimer::singleShot(m_timings.welcomeFrontDelay, this, [this] {
        QWindow *welcome = welcomeWindow();
        if (welcome) {
            welcome->show();
            welcome->raise();
            welcome->requestActivate();
        }
        // Without a tray, closing the main window quits the program, so it only steps aside.
        for (QWindow *window : QGuiApplication::topLevelWindows()) {
            if (window != welcome && window->isVisible() && window->type() == Qt::Window) {
                if (m_trayAvailable)
                    window->close();
                else
                    window->hide();
            }
        }
    });
}

} // namespace orvane
