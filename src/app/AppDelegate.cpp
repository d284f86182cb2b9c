#include "AppDelegate.h"

#include "GongPlayer.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QIcon>
#include <QLoggingCategory>
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

// The cairn as a one-colour 18-point tray image (drawn in the tray's own colour on macOS).
QIcon trayImage()
{
    QSvgRenderer renderer(QStringLiteral(":/orvane/resources/VarivUzaz.svg"));
    if (!renderer.isValid())
        return {};
    QIcon icon;
    for (const int size : {18, 36, 54}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(pixmap.rect(), QColor(0xf5, 0xf2, 0xe8));
        painter.end();
        icon.addPixmap(pixmap);
    }
    icon.setIsMask(true);
    return icon;
}

} // namespace

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
    m_tray->setIcon(trayImage());
    m_tray->setToolTip(QStringLiteral("Orvane"));
    connect(m_tray.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context)
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
    QWindow *fallback = nullptr;
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        if (window->type() != Qt::Window && window->type() != Qt::Dialog)
            continue;
        if (window->title() == welcomeTitle)
            continue;
        if (window->title() == mainTitle)
            return window;
        if (!fallback && window->isVisible())
            fallback = window;
    }
    return fallback;
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

void AppDelegate::handleReopen()
{
    const auto windows = QGuiApplication::topLevelWindows();
    const bool anyVisible = std::any_of(windows.begin(), windows.end(), [](QWindow *w) {
        return w->isVisible() && (w->type() == Qt::Window || w->type() == Qt::Dialog);
    });
    if (!anyVisible) {
        showMainWindow();
        qCInfo(lcShell, "Main window shown for another launch");
    }
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
    QTimer::singleShot(m_timings.welcomeFrontDelay, this, [] {
        QWindow *welcome = nullptr;
        for (QWindow *window : QGuiApplication::topLevelWindows()) {
            if (window->title() == welcomeTitle) {
                welcome = window;
                break;
            }
        }
        if (welcome) {
            welcome->show();
            welcome->raise();
            welcome->requestActivate();
        }
        for (QWindow *window : QGuiApplication::topLevelWindows()) {
            if (window != welcome && window->isVisible() && window->type() == Qt::Window && window->title() != welcomeTitle)
                window->close();
        }
    });
}

} // namespace orvane
