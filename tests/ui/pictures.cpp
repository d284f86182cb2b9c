// Renders the main window in its typical states to PNG files, for looking at the UI
// without a display: orvane-pictures OUTDIR

#include "UiHarness.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

namespace {

bool save(QQuickWindow *window, const QString &dir, const char *name)
{
    QCoreApplication::processEvents();
    QTest::qWait(50); // let the software renderer draw the frame we grab
    const QImage image = window->grabWindow();
    const QString path = dir + QLatin1Char('/') + QLatin1String(name);
    const bool ok = image.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QUICK_BACKEND", "software");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("pictures");
    QDir().mkpath(out);

    UiHarness ui;
    ui.whoisTimeoutMs = 1500;
    if (!ui.start({".com", ".ai", ".io", ".dev", ".zz"})) {
        std::fprintf(stderr, "the main window did not come up\n");
        return 1;
    }
    ui.app->setNow([] { return QDateTime::currentDateTime(); });
    ui.window()->resize(1120, 780);
    save(ui.window(), out, "01-empty.png");

    orvane::SearchPaneModel *model = ui.model();
    if (!model) {
        std::fprintf(stderr, "no model: content %p\n", static_cast<void *>(ui.item("contentView")));
        return 1;
    }
    model->setQuery(QStringLiteral("orvane"));
    model->search(ui.app->store(), ui.app->settings());
    (void)QTest::qWaitFor([&] {
        int settled = 0;
        for (const auto &row : model->liveResults()->rows())
            settled += row.availability != orvane::DomainAvailability::checking;
        return settled == 4;
    }, 10000);
    const auto rows = ui.resultRows();
    for (QQuickItem *row : rows) {
        if (row->property("rowDomain").toString() == QLatin1String("orvane.ai"))
            row->setProperty("showRaw", true);
    }
    if (rows.size() != 5)
        std::fprintf(stderr, "expected 5 result rows, found %lld\n", static_cast<long long>(rows.size()));
    save(ui.window(), out, "02-live-search.png");

    (void)QTest::qWaitFor([&] { return !model->isSearching(); }, 10000);
    QQuickItem *content = ui.item("contentView");
    QMetaObject::invokeMethod(content, "select", Q_ARG(QVariant, QVariant::fromValue(ui.app->store()->fetchAll().first())));
    save(ui.window(), out, "03-historical.png");

    QMetaObject::invokeMethod(content, "newSearch");
    QTemporaryDir scratch;
    QFile answer(scratch.filePath("answer.json"));
    answer.open(QIODevice::WriteOnly);
    answer.write(R"(Here are some ideas:
[{"name":"orvio","rationale":"Short, keeps the sound of the original"},
 {"name":"vanely","rationale":"Soft ending that reads like a brand"},
 {"name":"cairnly","rationale":"Nods to the stacked-stone mark"},
 {"name":"orvanta","rationale":"Compound with an energetic tail"}])");
    answer.close();
    qputenv("FAKE_CLAUDE_OUTPUT", answer.fileName().toUtf8());
    ui.app->settings()->setClaudeBinaryPath(QStringLiteral(ORVANE_FAKE_CLAUDE));
    model->setQuery(QStringLiteral("orvane"));
    model->suggest(ui.app->settings());
    (void)QTest::qWaitFor([&] { return !model->isSuggesting(); }, 10000);
    save(ui.window(), out, "04-brainstorm.png");

    qputenv("FAKE_CLAUDE_EXIT", "1");
    qputenv("FAKE_CLAUDE_STDERR", "Invalid API key · Please run /login");
    model->suggest(ui.app->settings());
    (void)QTest::qWaitFor([&] { return !model->isSuggesting(); }, 10000);
    save(ui.window(), out, "05-brainstorm-error.png");

    QObject *dialog = content->property("clearDialog").value<QObject *>();
    QMetaObject::invokeMethod(dialog, "open");
    QTest::qWait(300);
    save(ui.window(), out, "06-clear-dialog.png");
    QMetaObject::invokeMethod(dialog, "close");

    // The welcome window, page by page.
    ui.app->openWelcome();
    QQuickWindow *welcome = ui.app->welcomeWindow();
    (void)QTest::qWaitForWindowExposed(welcome);
    QQuickItem *onboarding = welcome->findChild<QQuickItem *>("onboardingView");
    for (int step = 0; step < 5; ++step) {
        onboarding->setProperty("step", step);
        const QByteArray name = "07-welcome-" + QByteArray::number(step + 1) + ".png";
        save(welcome, out, name.constData());
    }
    welcome->close();

    // The settings window, tab by tab, with the TLD picker open once.
    ui.app->openSettings();
    QQuickWindow *settings = ui.app->settingsWindow();
    (void)QTest::qWaitForWindowExposed(settings);
    QQuickItem *view = settings->findChild<QQuickItem *>("settingsView");
    save(settings, out, "08-settings-tlds.png");
    QQuickItem *picker = settings->findChild<QQuickItem *>("tldPicker");
    QObject *popup = picker->property("popup").value<QObject *>();
    QMetaObject::invokeMethod(popup, "open");
    QTest::qWait(300);
    save(settings, out, "09-settings-tlds-picker.png");
    QMetaObject::invokeMethod(popup, "close");
    view->setProperty("currentTab", 1);
    QMetaObject::invokeMethod(view, "detect");
    save(settings, out, "10-settings-claude.png");
    view->setProperty("currentTab", 2);
    save(settings, out, "11-settings-sound.png");
    return 0;
}
