// Renders every window, light and dark, with a short and a long name, at the main window's
// smallest size, to PNG files for looking at the UI without a display: orvane-pictures OUTDIR.
// In the user's language as the program would speak it (LANGUAGE, LC_ALL), at the scale Qt is
// given (QT_SCALE_FACTOR); ORVANE_PICTURES_SCHEMES=light (or dark) draws one scheme only.

#include "RawDatabase.h"
#include "UiHarness.h"
#include "app/DamagedHistoryDialog.h"
#include "app/Translation.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPalette>

#include <cstdio>

namespace {

QString out;

bool save(QQuickWindow *window, const QString &name)
{
    QCoreApplication::processEvents();
    QTest::qWait(60); // let the software renderer draw the frame we grab
    const QImage image = window->grabWindow();
    const QString path = out + QLatin1Char('/') + name + QStringLiteral(".png");
    const bool ok = image.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// The desktop's scheme as Qt's platform theme would hand it over: through the palette.
void useScheme(bool dark)
{
    QPalette palette;
    if (dark) {
        palette.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
        palette.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
        palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
        palette.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
        palette.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
        palette.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
    }
    QApplication::setPalette(palette);
    QCoreApplication::processEvents();
}

// The tray image drawn when the icon theme has none, on a light and on a dark panel; the
// windows' scheme does not change it.
void trayStrip()
{
    const int size = 22;
    QImage strip(2 * 40, 40, QImage::Format_ARGB32);
    QPainter painter(&strip);
    int x = 0;
    for (const QColor panel : {QColor(0xf2, 0xf2, 0xf2), QColor(0x20, 0x20, 0x20)}) {
        painter.fillRect(x, 0, 40, 40, panel);
        painter.drawPixmap(x + (40 - size) / 2, (40 - size) / 2, orvane::TrayIcon::fallbackPixmap(size));
        x += 40;
    }
    painter.end();
    const QString path = out + QStringLiteral("/tray-icons.png");
    std::printf("%s %s\n", strip.scaled(strip.size() * 3).save(path) ? "wrote" : "FAILED", qPrintable(path));
}

// The tray's menu with its recent searches open beside it, as a panel shows them.
void trayMenu(UiHarness &ui, const QString &scheme)
{
    QMenu *menu = ui.app->tray()->menu();
    QMenu *recent = menu->actions().at(1)->menu();
    menu->adjustSize();
    recent->adjustSize();
    const QPixmap top = menu->grab();
    const QPixmap sub = recent->grab();
    QImage image(top.width() + sub.width(), std::max(top.height(), sub.height()), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.drawPixmap(0, 0, top);
    painter.drawPixmap(top.width(), menu->actionGeometry(menu->actions().at(1)).top(), sub);
    painter.end();
    const QString path = out + QStringLiteral("/tray-menu-%1.png").arg(scheme);
    std::printf("%s %s\n", image.save(path) ? "wrote" : "FAILED", qPrintable(path));
}

void mainWindow(UiHarness &ui, const QString &scheme, const QString &name, const QString &tag)
{
    orvane::SearchPaneModel *model = ui.model();
    QQuickItem *content = ui.item("contentView");
    QMetaObject::invokeMethod(content, "newSearch");
    model->setQuery(name);
    model->search();
    save(ui.window(), QStringLiteral("main-%1-%2-searching").arg(scheme, tag)); // every row still checking
    (void)QTest::qWaitFor([&] {
        int settled = 0;
        for (const auto &row : model->liveResults()->rows())
            settled += row.availability != orvane::DomainAvailability::checking;
        return settled == 4;
    }, 10000);
    for (int row = 0; row < model->liveResults()->count(); ++row) {
        if (model->liveResults()->rows().at(row).tld == QLatin1String(".ai"))
            model->liveResults()->setExpanded(row, true);
    }
    save(ui.window(), QStringLiteral("main-%1-%2-live").arg(scheme, tag));
    // The end of the list: the last rows, the end of the "Results" card and the "Brainstorm" card.
    QQuickItem *list = ui.item("resultRows");
    QMetaObject::invokeMethod(list, "positionViewAtEnd");
    save(ui.window(), QStringLiteral("main-%1-%2-live-end").arg(scheme, tag));
    QMetaObject::invokeMethod(list, "positionViewAtBeginning");
    (void)QTest::qWaitFor([&] { return !model->isSearching(); }, 10000);
    QMetaObject::invokeMethod(content, "select", Q_ARG(QVariant, QVariant::fromValue(ui.app->store()->fetchAll().first())));
    save(ui.window(), QStringLiteral("main-%1-%2-historical").arg(scheme, tag));

    QMetaObject::invokeMethod(content, "newSearch");
    qunsetenv("FAKE_CLAUDE_EXIT");
    qunsetenv("FAKE_CLAUDE_STDERR");
    model->setQuery(name);
    model->suggest();
    (void)QTest::qWaitFor([&] { return !model->isSuggesting(); }, 10000);
    save(ui.window(), QStringLiteral("main-%1-%2-brainstorm").arg(scheme, tag));
}

// A taken row with its expiry and "Watch", and the sidebar's Watching list.
void watching(UiHarness &ui, const QString &scheme)
{
    orvane::SearchPaneModel *model = ui.model();
    QMetaObject::invokeMethod(ui.item("contentView"), "newSearch");
    model->setQuery(QStringLiteral("orvane"));
    model->search();
    (void)QTest::qWaitFor([&] { return !model->isSearching(); }, 10000);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    (void)ui.app->watchList()->watch(QStringLiteral("orvane.ai"), QStringLiteral(".ai"), orvane::DomainAvailability::taken, now.addSecs(-600));
    (void)ui.app->watchList()->watch(QStringLiteral("lumalink.com"), QStringLiteral(".com"), orvane::DomainAvailability::available, now.addSecs(-3 * 3600));
    (void)ui.app->watchList()->watch(QStringLiteral("quietharbourlanternmakers.io"), QStringLiteral(".io"), std::nullopt, now);
    // A name on its way to release, with its estimate and the rule: pending delete since two days
    // (light), expired ten days ago and held by its registrar (dark).
    const QString dropping = QStringLiteral("driftwoodatelier.com");
    (void)ui.app->watchList()->watch(dropping, QStringLiteral(".com"), orvane::DomainAvailability::taken, now.addDays(-20));
    const orvane::RegistrationLifecycle pendingDelete{{QStringLiteral("pending delete")}, now.addDays(-40), now.addDays(-2), {}};
    const orvane::RegistrationLifecycle expired{{QStringLiteral("client hold")}, now.addDays(-10), now.addDays(-9), {}};
    (void)ui.app->watchList()->recordCheck(dropping, orvane::DomainAvailability::taken, now.addSecs(-1200),
                                           scheme == QLatin1String("light") ? pendingDelete : expired);
    QTest::qWait(100);
    save(ui.window(), QStringLiteral("main-%1-watching").arg(scheme));
    QMetaObject::invokeMethod(ui.item("watchingList"), "positionViewAtEnd");
    QTest::qWait(100);
    for (QQuickItem *estimate : ui.shown(QStringLiteral("releaseEstimate"))) {
        QTest::mouseMove(ui.window(), estimate->mapToScene(QPointF(20, estimate->height() / 2)).toPoint());
        QTest::qWait(900); // the tool tip's delay
        save(ui.window(), QStringLiteral("main-%1-watching-release-rule").arg(scheme));
        QTest::mouseMove(ui.window(), QPoint(1, 1));
    }
    for (const QString &domain : {QStringLiteral("orvane.ai"), QStringLiteral("lumalink.com"), QStringLiteral("quietharbourlanternmakers.io"), dropping})
        (void)ui.app->watchList()->stopWatching(domain);
}

// A name that could pass for another: its rows, its history entry and its Watching entry
// carry the ASCII form beside it, and its rows say why.
void lookAlike(UiHarness &ui, const QString &scheme)
{
    orvane::SearchPaneModel *model = ui.model();
    QMetaObject::invokeMethod(ui.item("contentView"), "newSearch");
    model->setQuery(QStringLiteral("\u0430pple"));
    model->search();
    (void)QTest::qWaitFor([&] { return !model->isSearching(); }, 10000);
    const QString watched = QStringLiteral("\u0430pple.ai");
    (void)ui.app->watchList()->watch(watched, QStringLiteral(".ai"), orvane::DomainAvailability::taken, QDateTime::currentDateTimeUtc());
    QTest::qWait(100);
    save(ui.window(), QStringLiteral("main-%1-look-alike").arg(scheme));
    (void)ui.app->watchList()->stopWatching(watched);
}

// What the window says when the history file refuses: an action in the sidebar, a check in the
// Watching list.
void refusals(UiHarness &ui, const QString &scheme)
{
    const RawDatabase raw(ui.dir.filePath(QStringLiteral("history.sqlite")));
    raw.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON search_record BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"));
    raw.exec(QStringLiteral("CREATE TRIGGER full BEFORE UPDATE ON watched_domain BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    (void)ui.app->watchList()->watch(QStringLiteral("orvane.ai"), QStringLiteral(".ai"), orvane::DomainAvailability::taken, now.addSecs(-600));
    (void)ui.app->watchList()->recordCheck(QStringLiteral("orvane.ai"), orvane::DomainAvailability::available, now);
    QQuickItem *content = ui.item("contentView");
    QMetaObject::invokeMethod(content, "deleteRecord", Q_ARG(QVariant, QVariant::fromValue(ui.app->store()->fetchAll().first())));
    QTest::qWait(100);
    save(ui.window(), QStringLiteral("main-%1-refused").arg(scheme));
    raw.exec(QStringLiteral("DROP TRIGGER refuse"));
    raw.exec(QStringLiteral("DROP TRIGGER full"));
    (void)ui.app->watchList()->recordCheck(QStringLiteral("orvane.ai"), orvane::DomainAvailability::available, now);
    (void)ui.app->watchList()->stopWatching(QStringLiteral("orvane.ai"));
    QMetaObject::invokeMethod(ui.item("dismissFailure"), "clicked");
}

// The question a damaged history file raises at start-up.
void damagedHistory(const QString &scheme)
{
    const QString folder = QStringLiteral("/home/ada/.local/share/pellunor/Orvane/");
    orvane::DamagedHistoryDialog dialog(folder + QStringLiteral("history.sqlite is damaged: database disk image is malformed"),
                                        folder + QStringLiteral("history-damaged-2026-12-01-090412.sqlite"));
    dialog.show();
    (void)QTest::qWaitForWindowExposed(&dialog);
    QTest::qWait(60);
    const QString path = out + QStringLiteral("/damaged-history-%1.png").arg(scheme);
    std::printf("%s %s\n", dialog.grab().save(path) ? "wrote" : "FAILED", qPrintable(path));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QUICK_BACKEND", "software");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    orvane::installTranslation();
    out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("pictures");
    QDir().mkpath(out);
    if (argc > 2 && QByteArray(argv[2]) == "--notification") {
        // The notification a watched domain raises, sent to the session's notification
        // service the way the program sends it (scripts/notification-picture.sh shoots it).
        orvane::DesktopNotifier notifier;
        notifier.notify(QObject::tr("%1 is available").arg(QStringLiteral("orvane.ai")), QStringLiteral("orvane.ai"), nullptr);
        QTest::qWait(1500);
        return 0;
    }
    trayStrip();

    UiHarness ui;
    ui.whoisTimeoutMs = 1500;
    if (!ui.start({".com", ".ai", ".io", ".dev", ".zz"})) {
        std::fprintf(stderr, "the main window did not come up\n");
        return 1;
    }
    if (!ui.model()) {
        std::fprintf(stderr, "no search pane model\n");
        return 1;
    }
    ui.app->tray()->setAvailable(true); // the usual desktop; the trayless page is drawn on its own
    QTemporaryDir scratch;
    QFile answer(scratch.filePath("answer.json"));
    answer.open(QIODevice::WriteOnly);
    answer.write(R"(Here are some ideas:
[{"name":"orvio","rationale":"Short, keeps the sound of the original"},
 {"name":"quietharbourlanternmakers","rationale":"The long name itself, shortened to what fits"},
 {"name":"cairnly","rationale":"Nods to the stacked-stone mark"}])");
    answer.close();
    qputenv("FAKE_CLAUDE_OUTPUT", answer.fileName().toUtf8());
    ui.app->settings()->setClaudeBinaryPath(QStringLiteral(ORVANE_FAKE_CLAUDE));

    const QStringList names{QStringLiteral("quietharbourlanternmakers1"),
                            QStringLiteral("thequickbrownfoxjumpsoverthelazydogwhilethecatdozesinthesun")};
    const QString only = qEnvironmentVariable("ORVANE_PICTURES_SCHEMES");
    for (const bool dark : {false, true}) {
        const QString scheme = dark ? QStringLiteral("dark") : QStringLiteral("light");
        if (!only.isEmpty() && !only.contains(scheme))
            continue;
        useScheme(dark);
        if (ui.app->windows()->darkMode() != dark)
            std::fprintf(stderr, "the %s palette did not switch the scheme\n", qPrintable(scheme));
        ui.window()->resize(ui.window()->minimumSize());
        for (const QString &name : names)
            mainWindow(ui, scheme, name, QString::number(name.size()));
        watching(ui, scheme);
        trayMenu(ui, scheme);
        lookAlike(ui, scheme);
        refusals(ui, scheme);
        damagedHistory(scheme);

        QObject *dialog = ui.item("contentView")->property("clearDialog").value<QObject *>();
        QMetaObject::invokeMethod(dialog, "open");
        QTest::qWait(300);
        save(ui.window(), QStringLiteral("main-%1-clear-dialog").arg(scheme));
        QMetaObject::invokeMethod(dialog, "close");
        QTest::qWait(300);

        ui.app->windows()->openWelcome();
        QQuickWindow *welcome = ui.app->windows()->welcomeWindow();
        (void)QTest::qWaitForWindowExposed(welcome);
        QQuickItem *onboarding = welcome->findChild<QQuickItem *>("onboardingView");
        for (int step = 0; step < 5; ++step) {
            onboarding->setProperty("step", step);
            save(welcome, QStringLiteral("welcome-%1-%2").arg(scheme).arg(step + 1));
        }
        ui.app->tray()->setAvailable(false);
        save(welcome, QStringLiteral("welcome-%1-5-no-tray").arg(scheme));
        ui.app->tray()->setAvailable(true);
        welcome->close();

        ui.app->windows()->openSettings();
        QQuickWindow *settings = ui.app->windows()->settingsWindow();
        (void)QTest::qWaitForWindowExposed(settings);
        settings->resize(settings->minimumSize());
        QQuickItem *view = settings->findChild<QQuickItem *>("settingsView");
        view->setProperty("currentTab", 0);
        save(settings, QStringLiteral("settings-%1-tlds").arg(scheme));
        QQuickItem *picker = settings->findChild<QQuickItem *>("tldPicker");
        ui.app->settings()->setBootstrapTLDs({".cab", ".cafe", ".camera", ".camp", ".capital", ".cards", ".care", ".cash"});
        picker->setProperty("text", QStringLiteral("ca"));
        QObject *popup = picker->property("popup").value<QObject *>();
        QMetaObject::invokeMethod(popup, "open");
        QTest::qWait(300);
        save(settings, QStringLiteral("settings-%1-tlds-picker").arg(scheme));
        QMetaObject::invokeMethod(popup, "close");
        QTest::qWait(300);
        view->setProperty("currentTab", 1);
        QMetaObject::invokeMethod(view, "detect");
        save(settings, QStringLiteral("settings-%1-claude").arg(scheme));
        view->setProperty("currentTab", 2);
        save(settings, QStringLiteral("settings-%1-sound").arg(scheme));
        view->setProperty("currentTab", 3);
        save(settings, QStringLiteral("settings-%1-general").arg(scheme));
        settings->close();
    }
    return 0;
}
