#pragma once

#include "app/WindowOpener.h"

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QWindow>

#include <chrono>
#include <functional>
#include <memory>

class QMenu;

namespace orvane {

class GongPlayer;

struct ShellTimings {
    std::chrono::milliseconds openGracePeriod{450};
    std::chrono::milliseconds launchChimeDelay{350};
    std::chrono::milliseconds firstRunPoll{100};
    int firstRunPolls = 20;
    std::chrono::milliseconds welcomeFrontDelay{180};
    // How long the windows may stay hidden before they and their QML are released.
    std::chrono::milliseconds windowRelease{std::chrono::minutes(2)};
};

// The tray icon, showing and hiding the main window, the launch chime and the first run.
class AppDelegate : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool trayAvailable READ trayAvailable NOTIFY trayAvailableChanged)
public:

    AppDelegate(WindowOpener &opener, std::shared_ptr<GongPlayer> gong, ShellTimings timings = {},
                QObject *parent = nullptr);
    ~AppDelegate() override;

    // Monotonic milliseconds; injected by tests.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }
    // Whether the desktop has a tray to bring the window back from (injected by tests).
    void setTrayAvailable(bool available);
    bool trayAvailable() const { return m_trayAvailable; }

    // Start-up, after the main window exists: tray icon, launch chime, first-run check.
    void didFinishLaunching(bool chimeWanted, bool hasCompletedOnboarding);

    QWindow *mainWindow() const;
    QWindow *welcomeWindow() const;
    Q_INVOKABLE void showMainWindow();
    Q_INVOKABLE void handleStatusClick();
    Q_INVOKABLE void bringWelcomeWindowToFront();
    // Another launch of the program asked for us; `activationToken` is the one it was started
    // with (XDG_ACTIVATION_TOKEN or DESKTOP_STARTUP_ID), which lets the compositor raise us.
    void handleReopen(const QString &activationToken = {});
    void didResignActive();

    QSystemTrayIcon *trayIcon() const { return m_tray.get(); }
    // The tray menu of Linux and Windows; none on macOS, where both clicks toggle the window.
    QMenu *trayMenu() const { return m_menu.get(); }
    // Redraws the tray image for a dark or a light panel.
    void setPanelDark(bool dark);
    // The tray image for a panel of that kind, at `size` pixels.
    static QPixmap trayPixmap(bool darkPanel, int size);

signals:
    void trayAvailableChanged();
    void settingsRequested();
    void quitRequested();

private:
    void installStatusItem();
    void pollForOnboarding(int waits);

    WindowOpener &m_opener;
    std::shared_ptr<GongPlayer> m_gong;
    ShellTimings m_timings;
    std::function<qint64()> m_clock;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    std::unique_ptr<QMenu> m_menu;
    bool m_panelDark = true;
    qint64 m_lastOpenAt = std::numeric_limits<qint64>::min() / 2;
    bool m_trayAvailable = true;
};

} // namespace orvane
