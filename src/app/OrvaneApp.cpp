#include "app/OrvaneApp.h"

#include "app/IconProvider.h"
#include "engine/RDAPBootstrap.h"
#include "search/SearchPaneModel.h"
#include "engine/WhoisInterpretation.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLocale>
#include <QLoggingCategory>
#include <QQmlContext>
#include <QPalette>
#include <QQuickWindow>
#include <QScreen>
#include <QTimeZone>
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

void registerTypes()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const char *uri = "Orvane.Core";
    const QString reason = QStringLiteral("Created by the application");
    qmlRegisterUncreatableType<AppSettings>(uri, 1, 0, "AppSettings", reason);
    qmlRegisterUncreatableType<HistoryStore>(uri, 1, 0, "HistoryStore", reason);
    qmlRegisterUncreatableType<HistoryListModel>(uri, 1, 0, "HistoryListModel", reason);
    qmlRegisterUncreatableType<SearchRecord>(uri, 1, 0, "SearchRecord", reason);
    qmlRegisterUncreatableType<SearchPaneModel>(uri, 1, 0, "SearchPaneModel", reason);
    qmlRegisterUncreatableType<LiveResultsModel>(uri, 1, 0, "LiveResultsModel", reason);
    qmlRegisterUncreatableType<SuggestionsModel>(uri, 1, 0, "SuggestionsModel", reason);
    qmlRegisterUncreatableType<OrvaneApp>(uri, 1, 0, "OrvaneApp", reason);
    qmlRegisterSingletonType(QUrl(QStringLiteral("qrc:/orvane/ui/Palette.qml")), "Orvane.Ui", 1, 0, "Palette");
}

QString tr(const char *text)
{
    return QCoreApplication::translate("OrvaneApp", text);
}

// The abbreviated relative style: "5 sec. ago", "2 min. ago", "3 hr. ago", "1 day ago".
QString abbreviatedRelative(qint64 seconds)
{
    const bool future = seconds < 0;
    const qint64 s = future ? -seconds : seconds;
    const QLocale locale;
    QString amount;
    if (s < 60)
        amount = tr("%1 sec.").arg(locale.toString(s));
    else if (s < 3600)
        amount = tr("%1 min.").arg(locale.toString(s / 60));
    else if (s < 86400)
        amount = tr("%1 hr.").arg(locale.toString(s / 3600));
    else if (s < 7 * 86400)
        amount = s / 86400 == 1 ? tr("1 day") : tr("%1 days").arg(locale.toString(s / 86400));
    else if (s < 30 * 86400)
        amount = tr("%1 wk.").arg(locale.toString(s / (7 * 86400)));
    else if (s < 365 * 86400)
        amount = tr("%1 mo.").arg(locale.toString(s / (30 * 86400)));
    else
        amount = tr("%1 yr.").arg(locale.toString(s / (365 * 86400)));
    return future ? tr("in %1").arg(amount) : tr("%1 ago").arg(amount);
}

bool paletteIsDark()
{
    return QGuiApplication::palette().color(QPalette::Window).lightnessF() < 0.5;
}

// The registry host that answers for a TLD, so that background checks are spread across
// registries: the RDAP server the bootstrap file names (asked first), else the published WHOIS
// server, else the TLD itself.
QString registryHostOf(const RDAPBootstrap &bootstrap, const QString &tld)
{
    if (const QString host = QUrl(bootstrap.registry().value(tld)).host(); !host.isEmpty())
        return host;
    for (const auto &row : knownServers()) {
        if (row.first == tld)
            return row.second;
    }
    return tld;
}

} // namespace

std::expected<std::unique_ptr<OrvaneApp>, QString> OrvaneApp::create(AppConfiguration configuration)
{
    std::unique_ptr<LoginItem> loginItem;
    if (configuration.loginItem)
        loginItem = LoginItem::platformDefault(QCoreApplication::applicationFilePath());
    auto settings = std::make_unique<AppSettings>(configuration.settings, std::move(loginItem));
    auto store = HistoryStore::open(configuration.historyPath);
    if (!store)
        return std::unexpected(fatalPrefix + store.error());
    return std::unique_ptr<OrvaneApp>(new OrvaneApp(std::move(configuration), std::move(settings), std::move(*store)));
}

OrvaneApp::OrvaneApp(AppConfiguration configuration, std::unique_ptr<AppSettings> settings, std::unique_ptr<HistoryStore> store)
    : m_configuration(std::move(configuration)),
      m_settings(std::move(settings)),
      m_store(std::move(store)),
      m_history(std::make_unique<HistoryListModel>(m_store.get())),
      m_watchList(std::make_unique<WatchList>(m_store->connectionName())),
      m_watchLookup(std::make_unique<DomainLookupService>(m_configuration.lookup)),
      m_notifier(std::make_unique<DesktopNotifier>()),
      m_gong(std::make_shared<GongPlayer>(m_configuration.gongSource))
{
    registerTypes();
    m_opener.mainWindow = [this]() -> QWindow * { return m_mainWindow; };
    m_opener.welcomeWindow = [this]() -> QWindow * { return m_welcomeWindow; };
    m_delegate = std::make_unique<AppDelegate>(m_opener, m_gong, m_configuration.timings);
    m_engine.addImageProvider(QStringLiteral("icon"), new IconProvider);
    m_engine.rootContext()->setContextProperty(QStringLiteral("app"), this);
    m_engine.rootContext()->setContextProperty(QStringLiteral("shell"), m_delegate.get());

    m_watchService = std::make_unique<WatchService>(
        m_watchList.get(), m_watchLookup.get(), [] { return QDateTime::currentDateTimeUtc(); },
        [bootstrap = m_watchLookup->rdap()->bootstrap()](const QString &tld) { return registryHostOf(*bootstrap, tld); },
        m_configuration.watchLimits);
    connect(m_watchService.get(), &WatchService::becameAvailable, this, [this](const QString &domain) {
        m_notifier->notify(tr("%1 is available").arg(domain), domain, m_delegate->trayIcon());
    });
    connect(m_notifier.get(), &DesktopNotifier::activated, this, &OrvaneApp::reveal);
    connect(m_delegate.get(), &AppDelegate::settingsRequested, this, &OrvaneApp::openSettings);
    connect(m_delegate.get(), &AppDelegate::quitRequested, this, &OrvaneApp::quit);
    connect(this, &OrvaneApp::darkModeChanged, m_delegate.get(), [this] { m_delegate->setPanelDark(m_darkMode); });
    // A session that ends takes the program with it: what is pending still reaches the disk.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { (void)m_store->save(); });
    // One filter for the whole program: palette changes reach the application object, and
    // the windows' close requests pass through it as well.
    qApp->installEventFilter(this);
    updateDarkMode();
    m_delegate->setPanelDark(m_darkMode);
    watchPortalColourScheme();
}

bool OrvaneApp::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ApplicationPaletteChange && watched == qApp) {
        updateDarkMode();
    } else if (event->type() == QEvent::Close && watched == m_mainWindow && !m_delegate->trayAvailable()) {
        // Without a tray nothing could bring a closed window back: closing it ends the program.
        QTimer::singleShot(0, this, &OrvaneApp::quit);
    } else if (event->type() == QEvent::Close && watched == m_welcomeWindow && !m_delegate->trayAvailable()) {
        // The main window stepped aside for the welcome window; it returns when that closes.
        QTimer::singleShot(0, this, [this] {
            if (!m_mainWindow || !m_mainWindow->isVisible())
                m_delegate->showMainWindow();
        });
    }
    return QObject::eventFilter(watched, event);
}

void OrvaneApp::updateDarkMode()
{
    const bool dark = m_portalScheme == 1 || (m_portalScheme != 2 && paletteIsDark());
    if (dark == m_darkMode)
        return;
    m_darkMode = dark;
    emit darkModeChanged();
}

void OrvaneApp::watchPortalColourScheme()
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

void OrvaneApp::placeOverMain(QWindow *window) const
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

OrvaneApp::~OrvaneApp()
{
    // Windows go before the objects their bindings read.
    m_engine.clearComponentCache();
    for (QObject *root : m_engine.rootObjects())
        delete root;
}

void OrvaneApp::start()
{
    // A stale or missing bootstrap file is fetched now, not by the first search.
    // Settings offer every TLD the bootstrap file names, once it is at hand.
    QPointer<OrvaneApp> self(this);
    RDAPBootstrap::refreshInBackground(m_configuration.lookup.bootstrap, [self](const RDAPBootstrap::Registry &registry) {
        if (self)
            self->m_settings->setBootstrapTLDs(registry.keys());
    });
    openMain();
    m_opener.openMain = [this] { openMain(); };
    m_opener.openOnboarding = [this] { openWelcome(); };
    const bool chime = m_settings->playGongOnAvailable();
    m_delegate->didFinishLaunching(chime, m_settings->hasCompletedOnboarding());
}

QQuickWindow *OrvaneApp::mainWindow() const
{
    return m_mainWindow;
}

void OrvaneApp::openMain()
{
    if (!m_mainWindow)
        m_mainWindow = loadWindow(QStringLiteral("MainWindow.qml"));
    if (m_mainWindow && !m_mainWindow->property("orvaneDrawn").isValid()) {
        m_mainWindow->setProperty("orvaneDrawn", true);
        connect(m_mainWindow, &QQuickWindow::frameSwapped, this, [] {
            static bool once = false;
            if (!once) {
                once = true;
                qCInfo(lcWindows, "Main window drawn");
            }
        });
    }
    if (m_mainWindow) {
        m_mainWindow->show();
        m_mainWindow->raise();
        m_mainWindow->requestActivate();
    }
}

SearchPaneModel *OrvaneApp::createSearchPaneModel(QObject *owner)
{
    auto *model = new SearchPaneModel(m_configuration.lookup, m_configuration.claude, m_store.get(), m_settings.get(), owner);
    model->setGong(m_gong);
    return model;
}

QString OrvaneApp::webLink(const QString &domain) const
{
    const QUrl url(QStringLiteral("https://") + domain, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.path().isEmpty())
        return {};
    return url.toString();
}

void OrvaneApp::openUrl(const QString &url) const
{
    QDesktopServices::openUrl(QUrl(url));
}

void OrvaneApp::copyText(const QString &text) const
{
    if (QClipboard *clipboard = QGuiApplication::clipboard()) {
        clipboard->clear();
        clipboard->setText(text);
    }
}

QString OrvaneApp::cleanAnswer(const QString &text) const
{
    return stripWhoisBoilerplate(text);
}

QString OrvaneApp::relativeTime(const QDateTime &when) const
{
    return abbreviatedRelative(when.secsTo(m_now()));
}

QString OrvaneApp::longDate(const QDateTime &when, bool withZone) const
{
    // The user's own long date and short time; the zone, when wanted, as its abbreviation.
    const QDateTime local = when.toLocalTime();
    const QLocale locale;
    QString text = tr("%1 at %2").arg(locale.toString(local.date(), QLocale::LongFormat),
                                       locale.toString(local.time(), QLocale::ShortFormat));
    if (withZone)
        text += QLatin1Char(' ') + local.timeZoneAbbreviation();
    return text;
}

void OrvaneApp::watch(const QString &domain, const QString &tld, const QString &availabilityRaw)
{
    (void)m_watchList->watch(domain, tld, domainAvailabilityFromRaw(availabilityRaw), QDateTime::currentDateTimeUtc());
}

void OrvaneApp::stopWatching(const QString &domain)
{
    (void)m_watchList->stopWatching(domain);
}

QString OrvaneApp::expiryText(const QDateTime &when) const
{
    if (!when.isValid())
        return {};
    return tr("expires %1").arg(QLocale().toString(when.toLocalTime().date(), QStringLiteral("d MMM yyyy")));
}

void OrvaneApp::reveal(const QString &domain)
{
    m_delegate->showMainWindow();
    emit revealRequested(domain.section(QLatin1Char('.'), 0, 0));
}

void OrvaneApp::deleteRecord(SearchRecord *record)
{
    if (!record)
        return;
    m_store->remove(record);
    (void)m_store->save(); // a failed save is ignored: the record stays deleted here
}

void OrvaneApp::clearHistory()
{
    for (SearchRecord *record : m_store->fetchAll())
        m_store->remove(record);
    (void)m_store->save();
}

QQuickWindow *OrvaneApp::loadWindow(const QString &file)
{
    const QList<QObject *> before = m_engine.rootObjects();
    m_engine.load(QUrl(QStringLiteral("qrc:/orvane/ui/") + file));
    for (QObject *root : m_engine.rootObjects()) {
        if (!before.contains(root))
            return qobject_cast<QQuickWindow *>(root);
    }
    return nullptr;
}

void OrvaneApp::openSettings()
{
    if (!m_settingsWindow)
        m_settingsWindow = loadWindow(QStringLiteral("SettingsWindow.qml"));
    placeOverMain(m_settingsWindow);
    if (m_settingsWindow) {
        m_settingsWindow->show();
        m_settingsWindow->raise();
        m_settingsWindow->requestActivate();
    }
}

void OrvaneApp::openWelcome()
{
    if (!m_welcomeWindow)
        m_welcomeWindow = loadWindow(QStringLiteral("OnboardingWindow.qml"));
    placeOverMain(m_welcomeWindow);
    if (m_welcomeWindow) {
        QMetaObject::invokeMethod(m_welcomeWindow, "restart"); // it always opens at its first page
        m_welcomeWindow->show();
        m_welcomeWindow->raise();
        m_welcomeWindow->requestActivate();
    }
}

void OrvaneApp::finishOnboarding()
{
    m_settings->setHasCompletedOnboarding(true);
    if (m_welcomeWindow)
        m_welcomeWindow->close();
    if (m_opener.openMain)
        m_opener.openMain();
    QTimer::singleShot(120, this, [this] {
        if (m_mainWindow && m_mainWindow->isVisible())
            m_mainWindow->requestActivate();
    });
}

QString OrvaneApp::detectClaude() const
{
    return findBinary(std::nullopt).value_or(QString());
}

void OrvaneApp::previewGong()
{
    m_gong->playGong();
}

void OrvaneApp::quit()
{
    (void)m_store->save(); // a search still running keeps what it has found so far
    emit quitRequested();
    QCoreApplication::quit();
}

} // namespace orvane

#ifdef ORVANE_HAVE_DBUS
#include "OrvaneApp.moc"
#endif
