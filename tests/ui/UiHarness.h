#pragma once

// A whole Orvane on loopback: fake registries, a scratch settings file and history, and
// the real application with its real QML. Shared by the UI tests and the picture tool.

#include "FakeHttpServer.h"
#include "FakeWhoisServer.h"
#include "app/OrvaneApp.h"
#include "app/Translation.h"
#include "search/SearchPaneModel.h"

#include <QProcessEnvironment>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

// Clicks the middle of a visible, enabled item in its window.
inline void clickItem(QQuickItem *item)
{
    QVERIFY(item && item->isVisible() && item->isEnabled());
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(item->window(), Qt::LeftButton, {}, centre.toPoint());
}

// WCAG 2's contrast ratio of two opaque sRGB colours.
inline double contrastRatio(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The environment of a real `orvane` process with a scratch home and a user of its own.
inline QProcessEnvironment scratchEnvironment(const QTemporaryDir &home, const QString &user)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
    env.insert("XDG_DATA_HOME", home.filePath(".local/share"));
    env.insert("XDG_RUNTIME_DIR", home.path());
    env.insert("USER", user + QString::number(QCoreApplication::applicationPid()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

class UiHarness
{
public:
    UiHarness()
    {
        orvane::installTranslation(); // as the program does at its start
        http.serveBootstrap({QStringLiteral("com"), QStringLiteral("ai")});
        http.setJson("/rdap/domain/orvane.com", 404, "{}");
        http.setJson("/rdap/domain/orvane.ai", 200,
                     R"({"objectClassName":"domain","ldhName":"ORVANE.AI","handle":"AI-8812","status":["client transfer prohibited"],)"
                     R"("events":[{"eventAction":"registration","eventDate":"2021-03-02T10:00:00Z"},{"eventAction":"expiration","eventDate":"2027-03-02T10:00:00Z"}],)"
                     R"("entities":[{"roles":["registrar"],"handle":"R-1","vcardArray":["vcard",[["fn",{},"text","Example Registrar, Inc."]]]}],)"
                     R"("nameservers":[{"ldhName":"ns1.example.net"},{"ldhName":"ns2.example.net"}]})");
        whois.setAnswer("orvane.io", QByteArray("% Registry answer\nrecord: orvane.io\nholder: withheld\nstate: in transition\n"));
        whois.setAnswer("zz", QByteArray("% This query returned 0 objects.\n"));
        whois.setAnswer("dev", QByteArray("refer: localhost\n"));
        whois.setAnswer("orvane.dev", FakeWhoisServer::Script{.silent = true});
    }

    orvane::AppConfiguration configuration()
    {
        orvane::AppConfiguration c;
        c.settings.fileName = dir.filePath(QStringLiteral("settings.ini"));
        c.historyPath = dir.filePath(QStringLiteral("history.sqlite"));
        c.lookup.bootstrap.source = http.url(QStringLiteral("/dns.json"));
        c.lookup.bootstrap.store.fileName = c.settings.fileName;
        c.lookup.whois.servers = {{".io", "127.0.0.1"}};
        c.lookup.whois.referralHost = QStringLiteral("127.0.0.1");
        c.lookup.whois.connection.port = whois.port();
        c.lookup.whois.connection.timeout = std::chrono::milliseconds(whoisTimeoutMs);
        c.loginItem = false;
        c.watchLimits = watchLimits;
        c.timings.windowRelease = windowRelease;
        c.desktopSearch = !desktopSearchBus.isEmpty();
        c.desktopSearchBus = desktopSearchBus;
        c.trayBus = trayBus;
        c.timings.launchChimeDelay = std::chrono::milliseconds(10);
        c.timings.welcomeFrontDelay = std::chrono::milliseconds(10);
        return c;
    }

    // Starts the application with the given catalogue; true once its window shows, or, started at
    // login with a tray, once it runs without one.
    bool start(const QStringList &tlds, bool onboarded = true)
    {
        {
            QSettings seed(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
            seed.setValue("settings.hasCompletedOnboarding", onboarded);
            seed.setValue("settings.playGongOnAvailable", playGong);
        }
        auto created = orvane::OrvaneApp::make(configuration());
        if (!created)
            return false;
        app = std::move(*created);
        app->settings()->setTlds(tlds);
        app->settings()->setEnabledTLDs(tlds);
        if (tray)
            app->tray()->setAvailable(*tray);
        app->start(atLogin ? orvane::OrvaneApp::Launch::atLogin : orvane::OrvaneApp::Launch::byUser);
        if (atLogin && app->tray()->available())
            return !window();
        return window() && QTest::qWaitForWindowExposed(window());
    }

    QQuickWindow *window() const { return app ? app->windows()->mainWindow() : nullptr; }

    // Runs a search from the pane's model and waits until it has been saved.
    bool searchFor(const QString &name)
    {
        model()->setQuery(name);
        model()->search();
        return QTest::qWaitFor([this] { return !model()->isSearching(); }, 10000);
    }
    // Clicks the newest search in the sidebar and waits until the pane shows it.
    bool openNewestRecord()
    {
        QList<QQuickItem *> rows;
        if (!QTest::qWaitFor([&] { return !(rows = shown(QStringLiteral("historyRow"))).isEmpty(); }))
            return false;
        clickItem(rows.first());
        return QTest::qWaitFor([this] { return model()->isHistoricalView(); });
    }
    // Opens the settings or welcome window and waits until it is drawn.
    QQuickWindow *openSettings()
    {
        app->windows()->openSettings();
        return QTest::qWaitForWindowExposed(app->windows()->settingsWindow()) ? app->windows()->settingsWindow() : nullptr;
    }
    QQuickWindow *openWelcome()
    {
        app->windows()->openWelcome();
        return QTest::qWaitForWindowExposed(app->windows()->welcomeWindow()) ? app->windows()->welcomeWindow() : nullptr;
    }
    // The first item of that name in a window (the main one unless given), delegates included.
    QQuickItem *item(const char *objectName, QQuickWindow *in = nullptr) const
    {
        in = in ? in : window();
        if (!in)
            return nullptr;
        if (QQuickItem *found = in->findChild<QQuickItem *>(QLatin1String(objectName)))
            return found;
        const QList<QQuickItem *> all = visualItems(in->contentItem());
        const auto named = std::ranges::find_if(all, [&](QQuickItem *i) { return i->objectName() == QLatin1String(objectName); });
        return named == all.end() ? nullptr : *named;
    }
    orvane::SearchPaneModel *model() const
    {
        QQuickItem *content = item("contentView");
        return content ? qobject_cast<orvane::SearchPaneModel *>(content->property("model").value<QObject *>()) : nullptr;
    }
    // Every delegate of the result list, in row order.
    QList<QQuickItem *> resultRows() const
    {
        QList<QQuickItem *> rows;
        if (!window())
            return rows;
        for (QQuickItem *candidate : visualItems(window()->contentItem())) {
            if (candidate->property("rowDomain").isValid() && candidate->isVisible())
                rows << candidate;
        }
        std::sort(rows.begin(), rows.end(), [](QQuickItem *a, QQuickItem *b) { return a->y() < b->y(); });
        return rows;
    }

    // Every item under `root` in the visual tree (delegates included, which findChildren misses).
    static QList<QQuickItem *> visualItems(QQuickItem *root)
    {
        QList<QQuickItem *> items;
        for (QQuickItem *child : root->childItems()) {
            items << child;
            items << visualItems(child);
        }
        return items;
    }
    // The visible items of that name in a window (the main one unless given), in tree order.
    QList<QQuickItem *> shown(const QString &objectName, QQuickWindow *in = nullptr) const
    {
        QList<QQuickItem *> found = visualItems((in ? in : window())->contentItem());
        found.removeIf([&](QQuickItem *i) { return i->objectName() != objectName || !i->isVisible(); });
        return found;
    }

    QTemporaryDir dir;
    FakeHttpServer http;
    FakeWhoisServer whois;
    int whoisTimeoutMs = 60000;
    bool playGong = false;
    orvane::WatchScheduler::Limits watchLimits;
    std::chrono::milliseconds windowRelease{std::chrono::minutes(2)};
    std::optional<bool> tray; // the desktop's tray, when the test decides it
    bool atLogin = false;
    QString desktopSearchBus; // the address of a private bus for the desktop's search; none when empty
    QString trayBus;          // the address of a private bus the tray is looked for on
    std::unique_ptr<orvane::OrvaneApp> app;
};
