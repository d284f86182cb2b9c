#pragma once

#include "engine/ApplicationIdentity.h"
#include "settings/AppSettings.h"
#include "brainstorm/ClaudeCLIService.h"
#include "app/DesktopNotifier.h"
#include "engine/DomainLookupService.h"
#include "app/GongPlayer.h"
#include "history/HistoryListModel.h"
#include "history/HistoryStore.h"
#include "search/DesktopSearch.h"
#include "search/SearchPaneModel.h"
#include "watch/WatchList.h"
#include "watch/WatchService.h"
#include "app/AppSingleton.h"
#include "app/HistoryActions.h"
#include "app/RelativeTimeClock.h"
#include "app/TrayIcon.h"
#include "app/WindowController.h"

#include <QDate>
#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <expected>
#include <memory>

namespace orvane {


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
    // Whether the desktop's own search (GNOME Shell, KRunner) reaches Orvane, and on which bus:
    // the session bus unless an address is given.
    bool desktopSearch = true;
    QString desktopSearchBus;
    // The bus on which the desktop's tray is looked for: the session bus unless an address is given.
    QString trayBus;
};

// The application: owns the settings, the history store, the services, the tray icon and the
// windows, starts them and ends the program. QML reaches it as the singleton App, for what neither the windows, the history
// actions nor the formatting cover: the settings, the program's identity and the search pane's
// model (which outlives the windows, so a window built anew shows the search where it was).
class OrvaneApp : public QObject, public AppSingleton<OrvaneApp>
{
    Q_OBJECT
    QML_NAMED_ELEMENT(App)
    QML_SINGLETON
    Q_PROPERTY(orvane::AppSettings *settings READ settings CONSTANT)
    // Made here, not in QML: it outlives the main window (a window built anew shows the search as it was).
    Q_PROPERTY(orvane::SearchPaneModel *searchPane READ searchPane CONSTANT)
    Q_PROPERTY(QString version READ version CONSTANT)
    Q_PROPERTY(int year READ year CONSTANT)
    Q_PROPERTY(QString siteHost READ siteHost CONSTANT)

public:
    static inline const QString fatalPrefix = QStringLiteral("Failed to create ModelContainer: ");
    static inline const QUrl site = QUrl(QStringLiteral("https://pellunor.com"));

    // Fails when the history store cannot be opened (the start-up then stops with fatalPrefix
    // and the message); a damaged file says so, and may be moved aside for a new one.
    static std::expected<std::unique_ptr<OrvaneApp>, HistoryStore::OpenError> make(AppConfiguration configuration = {});
    // As make(), but a damaged history file is first offered to `startNewHistory`, with the
    // problem and the name it would be moved aside to; when that agrees, the file goes aside
    // (nothing is deleted) and the program starts with a new, empty history.
    using AskToStartNewHistory = std::function<bool(const QString &problem, const QString &aside)>;
    static std::expected<std::unique_ptr<OrvaneApp>, HistoryStore::OpenError> make(AppConfiguration configuration,
                                                                                  const AskToStartNewHistory &startNewHistory);
    ~OrvaneApp() override;

    // Picks how the windows are drawn; called before the application object is made.
    static void chooseRenderer();

    // How the program was started.
    enum class Launch {
        byUser,  // the main window comes up
        atLogin, // it stays in the tray and creates no window, unless there is no tray to stay in
        hidden,  // by the desktop's search: no window, no chime, no welcome; it waits in the tray
    };
    // Opens the main window as `launch` wants it, finishes launching (tray, chime, first run)
    // and answers the desktop's search.
    void start(Launch launch = Launch::byUser);
    // Ends the program: what the user saved, and where the window stood, reach the disk first.
    void quit();

    AppSettings *settings() const { return m_settings.get(); }
    HistoryStore *store() const { return m_store.get(); }
    HistoryListModel *history() const { return m_history.get(); }
    WatchList *watchList() const { return m_watchList.get(); }
    WatchService *watchService() const { return m_watchService.get(); }
    DesktopNotifier *notifier() const { return m_notifier.get(); }
    TrayIcon *tray() const { return m_tray.get(); }
    DesktopSearch *desktopSearch() const { return m_desktopSearch.get(); }
    GongPlayer *gong() const { return m_gong.get(); }
    WindowController *windows() const { return m_windows.get(); }
    SearchPaneModel *searchPane() const { return m_searchPane.get(); }
    RelativeTimeClock *relativeTimes() const { return m_relativeTimes.get(); }
    QString version() const { return QString::fromLatin1(applicationVersion); }
    int year() const { return QDate::currentDate().year(); }
    QString siteHost() const { return site.host(); }

    // What the candidate search finds, ignoring any configured path ("" for nothing).
    Q_INVOKABLE QString detectClaude() const;
    Q_INVOKABLE void previewGong();

private:
    OrvaneApp(AppConfiguration configuration, std::unique_ptr<AppSettings> settings, std::unique_ptr<HistoryStore> store);
    SearchPaneModel *newSearchPaneModel(QObject *owner) const;
    void serveDesktopSearch();
    void keepWhatWasSaved();

    AppConfiguration m_configuration;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<HistoryStore> m_store;
    std::unique_ptr<HistoryListModel> m_history;
    std::unique_ptr<WatchList> m_watchList;
    std::unique_ptr<DomainLookupService> m_watchLookup;
    std::unique_ptr<WatchService> m_watchService;
    std::unique_ptr<DesktopNotifier> m_notifier;
    std::shared_ptr<GongPlayer> m_gong;
    std::unique_ptr<TrayIcon> m_tray;
    std::unique_ptr<HistoryActions> m_historyActions;
    std::unique_ptr<RelativeTimeClock> m_relativeTimes;
    std::unique_ptr<SearchPaneModel> m_searchPane;
    // Declared after everything its windows read, so that the windows and their engine go first.
    std::unique_ptr<WindowController> m_windows;
    // The desktop's search, which opens windows: the destructor lets it go before them.
    std::unique_ptr<SearchPaneModel> m_desktopRunner;
    std::unique_ptr<DesktopSearch> m_desktopSearch;
    std::unique_ptr<QObject> m_desktopBus;
};

} // namespace orvane
