#pragma once

#include "app/AppDelegate.h"
#include "engine/ApplicationIdentity.h"
#include "settings/AppSettings.h"
#include "brainstorm/ClaudeCLIService.h"
#include "app/DesktopNotifier.h"
#include "engine/DomainLookupService.h"
#include "app/GongPlayer.h"
#include "history/HistoryListModel.h"
#include "history/HistoryStore.h"
#include "watch/WatchList.h"
#include "watch/WatchService.h"
#include "app/WindowOpener.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QQmlApplicationEngine>

#include <expected>
#include <memory>

#include <QQuickWindow>

namespace orvane {

class SearchPaneModel;

// Everything the program reaches; the defaults are the real ones, tests inject their own.
struct AppConfiguration {
    SettingsLocation settings;
    QString historyPath = HistoryStore::defaultPath();
    LookupConfiguration lookup;
    ClaudeCLIOptions claude;
    ShellTimings timings;
    bool loginItem = true;
    // How often watched domains are checked again; tests shorten the waits.
    WatchScheduler::Limits watchLimits;
    QUrl gongSource = QUrl(QStringLiteral("qrc:/orvane/resources/gong.wav"));
};

// The application: owns the settings, the history store, the shell and the windows,
// and offers QML the few services a view needs (as the context property "app").
class OrvaneApp : public QObject
{
    Q_OBJECT
    Q_PROPERTY(orvane::AppSettings *settings READ settings CONSTANT)
    Q_PROPERTY(orvane::HistoryStore *store READ store CONSTANT)
    Q_PROPERTY(orvane::HistoryListModel *history READ history CONSTANT)
    Q_PROPERTY(QString version READ version CONSTANT)
    Q_PROPERTY(int year READ year CONSTANT)
    Q_PROPERTY(QString siteHost READ siteHost CONSTANT)
    Q_PROPERTY(bool darkMode READ darkMode NOTIFY darkModeChanged)
    Q_PROPERTY(orvane::WatchList *watchList READ watchList CONSTANT)

public:
    static inline const QString fatalPrefix = QStringLiteral("Failed to create ModelContainer: ");
    static inline const QUrl site = QUrl(QStringLiteral("https://pellunor.com"));

    // Fails with the fatal start-up message when the history store cannot be opened.
    static std::expected<std::unique_ptr<OrvaneApp>, QString> create(AppConfiguration configuration = {});
    ~OrvaneApp() override;

    // Opens the main window and finishes launching (tray, chime, first run).
    void start();

    AppSettings *settings() const { return m_settings.get(); }
    HistoryStore *store() const { return m_store.get(); }
    HistoryListModel *history() const { return m_history.get(); }
    WatchList *watchList() const { return m_watchList.get(); }
    WatchService *watchService() const { return m_watchService.get(); }
    DesktopNotifier *notifier() const { return m_notifier.get(); }
    AppDelegate *delegate() const { return m_delegate.get(); }
    GongPlayer *gong() const { return m_gong.get(); }
    WindowOpener &opener() { return m_opener; }
    QQmlApplicationEngine &engine() { return m_engine; }
    QQuickWindow *mainWindow() const;
    QString version() const { return QString::fromLatin1(applicationVersion); }
    int year() const { return QDate::currentDate().year(); }
    QString siteHost() const { return site.host(); }

    Q_INVOKABLE orvane::SearchPaneModel *createSearchPaneModel(QObject *owner);
    Q_INVOKABLE QString webLink(const QString &domain) const;
    Q_INVOKABLE void openUrl(const QString &url) const;
    Q_INVOKABLE void copyText(const QString &text) const;
    Q_INVOKABLE QString cleanAnswer(const QString &text) const;
    Q_INVOKABLE QString relativeTime(const QDateTime &when) const;
    Q_INVOKABLE QString longDate(const QDateTime &when, bool withZone) const;
    Q_INVOKABLE void deleteRecord(orvane::SearchRecord *record);
    // Starts or stops checking a domain again in the background (a taken row's "Watch").
    Q_INVOKABLE void watch(const QString &domain, const QString &tld, const QString &availabilityRaw);
    Q_INVOKABLE void stopWatching(const QString &domain);
    // "expires 2 Mar 2027" in the user's locale.
    Q_INVOKABLE QString expiryText(const QDateTime &when) const;
    // Shows the main window on a domain: a new search for its name.
    Q_INVOKABLE void reveal(const QString &domain);
    Q_INVOKABLE void clearHistory();
    Q_INVOKABLE void openSettings();
    Q_INVOKABLE void openWelcome();
    // The last page of the welcome window: remember it, close it, show the main window.
    Q_INVOKABLE void finishOnboarding();
    // What the candidate search finds, ignoring any configured path ("" for nothing).
    Q_INVOKABLE QString detectClaude() const;
    Q_INVOKABLE void previewGong();
    QQuickWindow *welcomeWindow() const { return m_welcomeWindow; }
    QQuickWindow *settingsWindow() const { return m_settingsWindow; }
    // Saves the history and ends the program.
    Q_INVOKABLE void quit();

    // Whether the windows wear their dark colours: the desktop's colour scheme when the
    // desktop portal tells it, otherwise the lightness of the application palette's window.
    bool darkMode() const { return m_darkMode; }

signals:
    void darkModeChanged();
    // The main window is asked to search for this domain's name (a notification was clicked).
    void revealRequested(const QString &name);
    // Emitted by quit() before the event loop is asked to end.
    void quitRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

    // The current time used for relative dates; injected by tests and pictures.
    void setNow(std::function<QDateTime()> now) { m_now = std::move(now); }

private:
    OrvaneApp(AppConfiguration configuration, std::unique_ptr<AppSettings> settings, std::unique_ptr<HistoryStore> store);
    void openMain();
    void updateDarkMode();
    void watchPortalColourScheme();
    // Puts a window that is about to be shown over the main window (or the screen), whole.
    void placeOverMain(QWindow *window) const;

    AppConfiguration m_configuration;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<HistoryStore> m_store;
    std::unique_ptr<HistoryListModel> m_history;
    std::unique_ptr<WatchList> m_watchList;
    std::unique_ptr<DomainLookupService> m_watchLookup;
    std::unique_ptr<WatchService> m_watchService;
    std::unique_ptr<DesktopNotifier> m_notifier;
    std::shared_ptr<GongPlayer> m_gong;
    WindowOpener m_opener;
    std::unique_ptr<AppDelegate> m_delegate;
    QQmlApplicationEngine m_engine;
    QPointer<QQuickWindow> m_mainWindow;
    QPointer<QQuickWindow> m_welcomeWindow;
    QPointer<QQuickWindow> m_settingsWindow;
    QQuickWindow *loadWindow(const QString &file);
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };
    bool m_darkMode = false;
    int m_portalScheme = 0; // the portal's answer: 0 no preference, 1 dark, 2 light
};

} // namespace orvane
