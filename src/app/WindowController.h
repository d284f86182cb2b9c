#pragma once

#include "app/AppSingleton.h"
#include "engine/SettingsLocation.h"

#include <QBasicTimer>
#include <QObject>
#include <QPointer>
#include <QQuickWindow>
#include <QtQml/qqmlregistration.h>

#include <chrono>
#include <memory>

class QQmlApplicationEngine;

namespace orvane {

class AppSettings;
class SearchRecord;
class IconProvider;

struct ShellTimings {
    // macOS: how long after the window was opened losing the focus does not put it away.
    std::chrono::milliseconds openGracePeriod{450};
    std::chrono::milliseconds launchChimeDelay{350};
    std::chrono::milliseconds welcomeFrontDelay{180};
    // How long the windows may stay hidden before they and their QML are released.
    std::chrono::milliseconds windowRelease{std::chrono::minutes(2)};
};

// The program's windows: loads them, places them, shows, hides and reopens them, knows whether
// they wear their dark colours, and asks to end the program when nothing could bring a closed
// window back. On Linux and Windows the main window is an ordinary window that stays when
// another program takes the focus; it comes back where it was, size and place, on a screen that
// is still there. On macOS it is a popover that goes when the program loses the focus.
//
// The windows exist only while they are wanted: once no window has been shown for
// `releaseAfter`, they are destroyed and their memory given back to the system; the next window
// to open is built again by the QML engine, which is made with the first window and keeps what
// it has compiled. What the user cares about lives in the C++ models, which
// stay: only the window's own view state (scrolling, the open dialog) starts afresh.
class WindowController : public QObject, public AppSingleton<WindowController>
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(bool darkMode READ darkMode NOTIFY darkModeChanged)
    Q_PROPERTY(bool trayAvailable READ trayAvailable NOTIFY trayAvailableChanged)

public:
    // Where the main window stood, in the settings file.
    static inline const QString geometryKey = QStringLiteral("window.mainGeometry");

    WindowController(AppSettings &settings, const SettingsLocation &location, ShellTimings timings,
                     QObject *parent = nullptr);
    ~WindowController() override;

    // The QML engine of the windows; null until the first window is built.
    QQmlApplicationEngine *engine() const { return m_engine.get(); }

    QQuickWindow *mainWindow() const { return m_mainWindow; }
    QQuickWindow *welcomeWindow() const { return m_welcomeWindow; }
    QQuickWindow *settingsWindow() const { return m_settingsWindow; }

    // Whether the windows wear their dark colours: the desktop's colour scheme when the
    // desktop portal tells it, otherwise the lightness of the application palette's window.
    bool darkMode() const { return m_darkMode; }
    bool trayAvailable() const { return m_trayAvailable; }
    // Whether a tray can bring a hidden window back (the tray icon tells).
    void setTrayAvailable(bool available);

    // Shows the main window, built anew if need be, and brings it forward.
    void openMain();
    // A click on the tray icon: hides the main window when it shows, shows it otherwise.
    void toggleMain();
    // Another launch of the program asked for us; `activationToken` is the one it was started
    // with (XDG_ACTIVATION_TOKEN or DESKTOP_STARTUP_ID), which lets the compositor raise us.
    void reopen(const QString &activationToken = {});
    // Keeps where the main window stands, for the next time it is built.
    void saveGeometry();
    Q_INVOKABLE void openSettings();
    Q_INVOKABLE void openWelcome();
    Q_INVOKABLE void bringWelcomeWindowToFront();
    // The last page of the welcome window: remember it, close it, show the main window.
    Q_INVOKABLE void finishOnboarding();
    // Shows the main window on a domain: a new search for its name.
    Q_INVOKABLE void reveal(const QString &domain);
    // Shows the main window on a saved search, as if it were picked in the sidebar.
    void showSearch(SearchRecord *record);
    // Shows the main window with this text in a new search's field, not searched yet.
    void openWithText(const QString &text);
    // Asks to end the program (the application does it).
    Q_INVOKABLE void quit();
    Q_INVOKABLE void openUrl(const QString &url) const;
    Q_INVOKABLE void copyText(const QString &text) const;
    // Puts sibling items one after the other, in the given order, among their parent's children:
    // the order Tab, Shift+Tab and a screen reader follow. QML cannot reorder children itself.
    Q_INVOKABLE void chainInOrder(const QVariantList &items) const;

signals:
    void darkModeChanged();
    void trayAvailableChanged();
    // The main window is asked to search for this domain's name (a notification was clicked).
    void revealRequested(const QString &name);
    void searchRequested(orvane::SearchRecord *record);
    void textRequested(const QString &text);
    void quitRequested();
    // The windows were destroyed and the memory returned.
    void released();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    QQuickWindow *loadWindow(const QString &file);
    // Starts the wait for the release when no window shows, stops it when one does.
    void windowVisibilityChanged();
    void release();
    void destroyWindows();
    void show(QQuickWindow *window);
    void updateDarkMode();
    void watchPortalColourScheme();
    // Puts a window that is about to be shown over the main window (or the screen), whole.
    void placeOverMain(QWindow *window) const;
    // The saved place of the main window, when a screen still shows it.
    QRect savedGeometry() const;
    static void fitOnScreen(QWindow *window);
    void hideWhenInactive();

    std::unique_ptr<QQmlApplicationEngine> m_engine;
    IconProvider *m_icons = nullptr;
    AppSettings &m_settings;
    SettingsLocation m_location;
    ShellTimings m_timings;
    bool m_trayAvailable = false;
    QPointer<QQuickWindow> m_mainWindow;
    QPointer<QQuickWindow> m_welcomeWindow;
    QPointer<QQuickWindow> m_settingsWindow;
    bool m_darkMode = false;
    bool m_mainWindowDrawn = false;
    QBasicTimer m_releaseTimer;
    QRect m_mainGeometry; // where the main window stood when last hidden
    qint64 m_shownAt = 0; // macOS: when the main window was last opened (monotonic ms)
    int m_portalScheme = 0; // the portal's answer: 0 no preference, 1 dark, 2 light
};

} // namespace orvane
