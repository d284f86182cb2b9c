#include "OrvaneApp.h"

#include "IconProvider.h"
#include "RDAPBootstrap.h"
#include "SearchPaneModel.h"
#include "WhoisInterpretation.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLocale>
#include <QLoggingCategory>
#include <QQmlContext>
#include <QQuickWindow>
#include <QTimeZone>
#include <QTimer>

Q_LOGGING_CATEGORY(lcWindows, "com.pellunor.Orvane.app.windows", QtInfoMsg)

namespace orvane {

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

// The abbreviated relative style: "5 sec. ago", "2 min. ago", "3 hr. ago", "1 day ago".
QString abbreviatedRelative(qint64 seconds)
{
    const bool future = seconds < 0;
    const qint64 s = future ? -seconds : seconds;
    QString amount;
    if (s < 60)
        amount = QStringLiteral("%1 sec.").arg(s);
    else if (s < 3600)
        amount = QStringLiteral("%1 min.").arg(s / 60);
    else if (s < 86400)
        amount = QStringLiteral("%1 hr.").arg(s / 3600);
    else if (s < 7 * 86400)
        amount = s / 86400 == 1 ? QStringLiteral("1 day") : QStringLiteral("%1 days").arg(s / 86400);
    else if (s < 30 * 86400)
        amount = QStringLiteral("%1 wk.").arg(s / (7 * 86400));
    else if (s < 365 * 86400)
        amount = QStringLiteral("%1 mo.").arg(s / (30 * 86400));
    else
        amount = QStringLiteral("%1 yr.").arg(s / (365 * 86400));
    return future ? QStringLiteral("in ") + amount : amount + QStringLiteral(" ago");
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
      m_gong(std::make_shared<GongPlayer>(m_configuration.gongSource))
{
    registerTypes();
    m_delegate = std::make_unique<AppDelegate>(m_opener, m_gong, m_configuration.timings);
    m_engine.addImageProvider(QStringLiteral("icon"), new IconProvider);
    m_engine.rootContext()->setContextProperty(QStringLiteral("app"), this);
    m_engine.rootContext()->setContextProperty(QStringLiteral("shell"), m_delegate.get());
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
    RDAPBootstrap::refreshInBackground(m_configuration.lookup.bootstrap);
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
    if (!m_mainWindow) {
        m_engine.load(QUrl(QStringLiteral("qrc:/orvane/ui/MainWindow.qml")));
        const auto roots = m_engine.rootObjects();
        for (QObject *root : roots) {
            if (auto *window = qobject_cast<QQuickWindow *>(root); window && window->title() == AppDelegate::mainTitle)
                m_mainWindow = window;
        }
    }
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
    auto *model = new SearchPaneModel(m_configuration.lookup, m_configuration.claude, owner);
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
    const QDateTime local = when.toLocalTime();
    QString text = QLocale().toString(local, QStringLiteral("MMMM d, yyyy 'at' HH:mm"));
    if (withZone)
        text += QLatin1Char(' ') + QTimeZone::systemTimeZone().displayName(local, QTimeZone::LongName);
    return text;
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
    QCoreApplication::quit();
}

} // namespace orvane
