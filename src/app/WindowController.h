#pragma once

#include "app/AppSingleton.h"
#include "app/WindowOpener.h"

#include <QObject>
#include <QPointer>
#include <QQuickWindow>
#include <QtQml/qqmlregistration.h>

class QQmlApplicationEngine;

namespace orvane {

class AppDelegate;
class AppSettings;
class SearchRecord;

// The program's windows: loads them, places them, shows them, knows whether they wear their dark
// colours, and closes the program when nothing could bring a closed window back.
class WindowController : public QObject, public AppSingleton<WindowController>
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(bool darkMode READ darkMode NOTIFY darkModeChanged)
    Q_PROPERTY(bool trayAvailable READ trayAvailable NOTIFY trayAvailableChanged)

public:
    WindowController(QQmlApplicationEngine &engine, AppDelegate &delegate, const WindowOpener &opener,
                     AppSettings &settings, QObject *parent = nullptr);
    ~WindowController() override;

    QQuickWindow *mainWindow() const { return m_mainWindow; }
    QQuickWindow *welcomeWindow() const { return m_welcomeWindow; }
    QQuickWindow *settingsWindow() const { return m_settingsWindow; }

    // Whether the windows wear their dark colours: the desktop's colour scheme when the
    // desktop portal tells it, otherwise the lightness of the application palette's window.
    bool darkMode() const { return m_darkMode; }
    bool trayAvailable() const;

    void openMain();
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
    // Ends the program; what the user saved reaches the disk first.
    Q_INVOKABLE void quit();
    Q_INVOKABLE void openUrl(const QString &url) const;
    Q_INVOKABLE void copyText(const QString &text) const;

signals:
    void darkModeChanged();
    void trayAvailableChanged();
    // The main window is asked to search for this domain's name (a notification was clicked).
    void revealRequested(const QString &name);
    void searchRequested(orvane::SearchRecord *record);
    void textRequested(const QString &text);
    // Emitted by quit() before the event loop is asked to end.
    void quitRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QQuickWindow *loadWindow(const QString &file);
    void show(QQuickWindow *window);
    void updateDarkMode();
    void watchPortalColourScheme();
    // Puts a window that is about to be shown over the main window (or the screen), whole.
    void placeOverMain(QWindow *window) const;

    QQmlApplicationEngine &m_engine;
    AppDelegate &m_delegate;
    const WindowOpener &m_opener;
    AppSettings &m_settings;
    QPointer<QQuickWindow> m_mainWindow;
    QPointer<QQuickWindow> m_welcomeWindow;
    QPointer<QQuickWindow> m_settingsWindow;
    bool m_darkMode = false;
    bool m_mainWindowDrawn = false;
    int m_portalScheme = 0; // the portal's answer: 0 no preference, 1 dark, 2 light
};

} // namespace orvane
