#include "app/OrvaneApp.h"

#include "app/AccessibleButton.h"
#include "app/Format.h"
#ifdef ORVANE_HAVE_DBUS
#include "app/DesktopSearchBus.h"
#endif
#include "engine/DomainName.h"
#include "engine/RDAPBootstrap.h"
#include "search/SearchPaneModel.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QLoggingCategory>
#include <QPointer>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTimer>

// Registers the "Orvane" QML module's C++ types (generated). It sits in a static library, where
// the linker keeps an object file only when something names it: the application does.
void qml_register_types_Orvane();

namespace orvane {

namespace {

Q_LOGGING_CATEGORY(lcLaunch, "com.pellunor.Orvane.launch", QtInfoMsg)

} // namespace

std::expected<std::unique_ptr<OrvaneApp>, HistoryStore::OpenError> OrvaneApp::make(AppConfiguration configuration)
{
    installAccessibleButtons(); // before any window, so that a screen reader meets the buttons' own faces
    std::unique_ptr<LoginItem> loginItem;
    if (configuration.loginItem)
        loginItem = LoginItem::platformDefault(QCoreApplication::applicationFilePath());
    auto settings = std::make_unique<AppSettings>(configuration.settings, std::move(loginItem));
    auto store = HistoryStore::open(configuration.historyPath);
    if (!store)
        return std::unexpected(store.error());
    auto app = std::unique_ptr<OrvaneApp>(new OrvaneApp(std::move(configuration), std::move(settings), std::move(*store)));
    // The history list has read every stored search by now: a file whose searches SQLite cannot
    // read is as damaged as one it cannot open, and is not shown as an empty history.
    if (const auto failure = app->m_store->readFailure())
        return std::unexpected(*failure);
    return app;
}

std::expected<std::unique_ptr<OrvaneApp>, HistoryStore::OpenError> OrvaneApp::make(AppConfiguration configuration,
                                                                                   const AskToStartNewHistory &startNewHistory)
{
    auto app = make(configuration);
    if (app || !app.error().damaged || !startNewHistory)
        return app;
    const QString aside = HistoryStore::asidePath(configuration.historyPath, QDateTime::currentDateTime());
    if (!startNewHistory(app.error().message, aside))
        return app;
    if (const auto moved = HistoryStore::moveAside(configuration.historyPath, aside); !moved)
        return std::unexpected(HistoryStore::OpenError{moved.error()});
    qCInfo(lcLaunch, "Moved the damaged history to %s", qUtf8Printable(aside));
    return make(std::move(configuration));
}

OrvaneApp::OrvaneApp(AppConfiguration configuration, std::unique_ptr<AppSettings> settings, std::unique_ptr<HistoryStore> store)
    : m_configuration(std::move(configuration)),
      m_settings(std::move(settings)),
      m_store(std::move(store)),
      m_history(std::make_unique<HistoryListModel>(m_store.get())),
      m_watchList(std::make_unique<WatchList>(m_store->connectionName())),
      m_watchLookup(std::make_unique<DomainLookupService>(m_configuration.lookup)),
      m_notifier(std::make_unique<DesktopNotifier>()),
      m_gong(std::make_shared<GongPlayer>(m_configuration.gongSource)),
      m_tray(std::make_unique<TrayIcon>(m_history.get(), m_watchList.get(), m_configuration.trayBus)),
      m_historyActions(std::make_unique<HistoryActions>(m_store.get(), m_history.get(), m_watchList.get())),
      m_relativeTimes(std::make_unique<RelativeTimeClock>(m_history.get(), m_watchList.get())),
      m_searchPane(newSearchPaneModel(nullptr)),
      m_windows(std::make_unique<WindowController>(*m_settings, m_configuration.settings, m_configuration.timings))
{
    [[maybe_unused]] volatile auto keepTypeRegistration = &qml_register_types_Orvane;
    m_searchPane->setGong(m_gong);
    m_searchPane->liveResults()->setWatchList(m_watchList.get());

    m_windows->setTrayAvailable(m_tray->available());
    connect(m_tray.get(), &TrayIcon::availableChanged, m_windows.get(), [this] { m_windows->setTrayAvailable(m_tray->available()); });
    connect(m_tray.get(), &TrayIcon::toggleRequested, m_windows.get(), &WindowController::toggleMain);
    connect(m_tray.get(), &TrayIcon::showRequested, m_windows.get(), &WindowController::openMain);
    connect(m_tray.get(), &TrayIcon::searchChosen, m_windows.get(), &WindowController::showSearch);
    connect(m_tray.get(), &TrayIcon::domainChosen, m_windows.get(), &WindowController::reveal);
    connect(m_tray.get(), &TrayIcon::settingsRequested, m_windows.get(), &WindowController::openSettings);
    connect(m_tray.get(), &TrayIcon::quitRequested, this, &OrvaneApp::quit);
    connect(m_windows.get(), &WindowController::quitRequested, this, &OrvaneApp::quit);

    m_watchService = std::make_unique<WatchService>(
        m_watchList.get(), m_watchLookup.get(), [] { return QDateTime::currentDateTimeUtc(); },
        [lookup = m_watchLookup.get()](const QString &tld) { return lookup->registryHost(tld); }, m_configuration.watchLimits,
        [bootstrap = m_watchLookup->rdap()->bootstrap()] { return bootstrap->ensureLoaded(); });
    connect(m_watchService.get(), &WatchService::becameAvailable, this, [this](const QString &domain) {
        m_notifier->notify(QCoreApplication::translate("OrvaneApp", "%1 is available").arg(DomainName::shown(domain)), domain,
                           m_tray->icon());
    });
    connect(m_watchService.get(), &WatchService::releasePhaseEntered, this, [this](const QString &domain, const QString &phase) {
        const QString shown = DomainName::shown(domain);
        QString summary = phase == QLatin1String("redemption")
                              ? QCoreApplication::translate("OrvaneApp", "%1 entered its redemption period").arg(shown)
                              : QCoreApplication::translate("OrvaneApp", "%1 is pending delete").arg(shown);
        for (const WatchedDomain &entry : m_watchList->entries()) {
            if (const auto estimate = entry.domain == domain ? entry.releaseEstimate() : std::nullopt) {
                const QString day = Format::dateText(estimate->freeAround);
                summary = QCoreApplication::translate("OrvaneApp", "%1: expected free around %2").arg(summary, day);
            }
        }
        m_notifier->notify(summary, domain, m_tray->icon());
    });
    // The main window taking focus (shown, or come back to) means a search may follow.
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, m_searchPane.get(), [this](QWindow *window) {
        if (window && window == m_windows->mainWindow())
            m_searchPane->preconnect();
    });
    connect(m_notifier.get(), &DesktopNotifier::activated, m_windows.get(), &WindowController::reveal);
    // A session that ends keeps what was found so far, as a quit does.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &OrvaneApp::keepWhatWasSaved);
}

// On Linux the windows are drawn by Qt Quick's software renderer unless the user asks for
// another (QT_QUICK_BACKEND, QSG_RHI_BACKEND). They are a short list of text rows, which the CPU
// draws in less time than OpenGL takes to start, and the GL driver a GPU renderer loads (Mesa
// with llvmpipe on machines without a GPU driver) would stay resident, at over 30 MiB, in a
// program that waits in the tray all day, long after its window has been released.
void OrvaneApp::chooseRenderer()
{
#if defined(Q_OS_LINUX)
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") && qEnvironmentVariableIsEmpty("QSG_RHI_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
#endif
}

OrvaneApp::~OrvaneApp()
{
    // The desktop's search opens windows: it goes first. Then the windows, before the objects
    // their bindings read.
    m_desktopBus.reset();
    m_desktopSearch.reset();
    m_windows.reset();
}

void OrvaneApp::start(Launch launch)
{
    // A stale or missing bootstrap file is fetched now, not by the first search.
    // Settings offer every TLD the bootstrap file names, once it is at hand.
    QPointer<OrvaneApp> self(this);
    RDAPBootstrap::refreshInBackground(m_configuration.lookup.bootstrap, [self](const RDAPBootstrap::Registry &registry) {
        if (self)
            self->m_settings->setBootstrapTLDs(registry.keys());
    });
    const bool hidden = launch == Launch::hidden;
    if (!hidden && (launch != Launch::atLogin || !m_tray->available()))
        m_windows->openMain();
    m_tray->install();
    if (!hidden && m_settings->playGongOnAvailable()) {
        QTimer::singleShot(m_configuration.timings.launchChimeDelay, this, [gong = m_gong] { gong->playGong(); });
    }
    // A hidden start waits in the tray; the welcome window comes at the next start of the user's own.
    if (!hidden && !m_settings->hasCompletedOnboarding()) {
        m_windows->openWelcome();
        m_windows->bringWelcomeWindowToFront();
    }
    serveDesktopSearch();
}

void OrvaneApp::quit()
{
    keepWhatWasSaved();
    QCoreApplication::quit();
}

void OrvaneApp::keepWhatWasSaved()
{
    // A search still running keeps what it has found so far.
    m_windows->saveGeometry();
    (void)m_store->save();
}

void OrvaneApp::serveDesktopSearch()
{
    if (!m_configuration.desktopSearch)
        return;
    // A model of its own, without the gong: a search typed into the desktop's search is quiet.
    m_desktopRunner.reset(newSearchPaneModel(nullptr));
    m_desktopSearch = std::make_unique<DesktopSearch>(m_desktopRunner.get(), m_settings.get(), DesktopSearch::Timings{});
#ifdef ORVANE_HAVE_DBUS
    DesktopSearchBus::Actions actions;
    actions.showSearch = [this](SearchRecord *record, const DesktopSearch::Match &match) {
        if (record)
            m_windows->showSearch(record);
        else
            m_windows->reveal(match.domain); // the user deleted it meanwhile: search again
    };
    actions.openWithText = [this](const QString &text) { m_windows->openWithText(text); };
    actions.copy = [this](const QString &domain) { m_windows->copyText(domain); };
    actions.watch = [this](const DesktopSearch::Match &match) {
        m_historyActions->watch(match.domain, match.tld, match.availability);
    };
    auto bus = std::make_unique<DesktopSearchBus>(m_desktopSearch.get(), std::move(actions));
    bus->serve(m_configuration.desktopSearchBus);
    m_desktopBus = std::move(bus);
#endif
}

SearchPaneModel *OrvaneApp::newSearchPaneModel(QObject *owner) const
{
    return new SearchPaneModel(m_configuration.lookup, m_configuration.claude, m_store.get(), m_settings.get(), owner);
}

QString OrvaneApp::detectClaude() const
{
    // A path the user set is the one that will run: that one is checked, not the usual places.
    return findBinary(m_settings->claudeBinaryPath()).value_or(QString());
}

void OrvaneApp::previewGong()
{
    m_gong->playGong();
}

} // namespace orvane
