#include "UiHarness.h"
#include "app/Format.h"
#include "engine/DomainName.h"
#include "engine/Version.h"
#include "RawDatabase.h"

#include <QAccessible>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QMenu>
#include <QSignalSpy>
#include <QStandardPaths>

#include <unistd.h>

#include <algorithm>

using namespace orvane;

namespace {

class UrlCatcher : public QObject
{
    Q_OBJECT
public slots:
    void open(const QUrl &url) { urls << url; }

public:
    QList<QUrl> urls;
};

QByteArray bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList rowTexts(const SearchPaneModel *model)
{
    QStringList rows;
    for (const LiveResult &row : model->liveResults()->rows())
        rows << row.domain + ' ' + rawString(row.availability);
    return rows;
}

} // namespace

// The real main window, its QML and its model, against fake registries on loopback.
class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void typingANameAndReturnChecksEveryEnabledTLD()
    {
        UiHarness ui;
        QVERIFY(ui.start({".com", ".ai", ".io"}));
        QQuickItem *field = ui.item("searchField");
        QQuickItem *check = ui.item("checkButton");
        QVERIFY(field && check);
        QTRY_VERIFY(field->hasActiveFocus());
        const auto type = [&](const QByteArray &keys) {
            for (const char c : keys)
                QTest::keyClick(ui.window(), c);
        };
        type("   ");
        QVERIFY(!check->isEnabled()); // blanks are no name
        ui.model()->setQuery({});
        type("orvane");
        QCOMPARE(ui.model()->query(), QStringLiteral("orvane"));
        QVERIFY(check->isEnabled());
        QTest::keyClick(ui.window(), Qt::Key_Return);
        QCOMPARE(rowTexts(ui.model()), (QStringList{"orvane.com checking", "orvane.ai checking", "orvane.io checking"}));
        QVERIFY(!check->isEnabled()); // nor while a search runs
        QTRY_COMPARE(rowTexts(ui.model()), (QStringList{"orvane.com available", "orvane.ai taken", "orvane.io unknown"}));
        QTRY_COMPARE(ui.resultRows().size(), 3);
        QTRY_COMPARE(ui.app->history()->count(), 1);

        // What a screen reader says for each row, once the rows have heard the last answer (the
        // model tells its views within a frame).
        QAccessible::setActive(true);
        const auto spoken = [&] {
            QStringList names;
            for (QQuickItem *row : ui.resultRows()) {
                QAccessibleInterface *face = QAccessible::queryAccessibleInterface(row);
                names << (face && face->role() == QAccessible::ListItem ? face->text(QAccessible::Name) : QString());
            }
            return names;
        };
        QTRY_COMPARE(spoken(), (QStringList{"orvane.com, available", "orvane.ai, taken", "orvane.io, unclear"}));
    }

    void historySelectionNewSearchAndDelete()
    {
        UiHarness ui;
        QVERIFY(ui.start({".com", ".ai"}));
        QVERIFY(ui.searchFor("orvane"));
        QTRY_COMPARE(ui.app->history()->count(), 1);

        QTRY_COMPARE(ui.item("historyRow")->property("countText").toString(), QStringLiteral("1/2 free"));
        QVERIFY(ui.openNewestRecord());
        QVERIFY(ui.item("historicalStrip")->isVisible());
        QVERIFY(!ui.item("searchCard")->isVisible());
        QCOMPARE(rowTexts(ui.model()), (QStringList{"orvane.ai taken", "orvane.com available"}));

        clickItem(ui.item("newSearchButton"));
        QTRY_VERIFY(!ui.model()->isHistoricalView());
        // Typing goes straight into the field again.
        QTRY_VERIFY(ui.item("searchField")->hasActiveFocus());
        QTest::keyClick(ui.window(), 'x');
        QCOMPARE(ui.model()->query(), QStringLiteral("x"));
        QVERIFY(!ui.model()->selectedRecord());
        QCOMPARE(ui.model()->liveResults()->count(), 0);
        QVERIFY(ui.item("searchCard")->isVisible());

        // Delete on the selected record asks, with Cancel focused; confirmed from the keyboard,
        // the selection is cleared first, so the pane is never asked to show the record being
        // deleted, and the keys go back to the list.
        QVERIFY(ui.openNewestRecord());
        QVERIFY(ui.model()->selectedRecord());
        QQuickItem *list = ui.item("historyList");
        QTRY_VERIFY(list->hasActiveFocus());
        QSignalSpy shown(ui.model(), &SearchPaneModel::activeRecordChanged);
        QTest::keyClick(ui.window(), Qt::Key_Delete);
        QTRY_VERIFY(ui.item("deleteDialogCancel") && ui.item("deleteDialogCancel")->hasActiveFocus());
        QTest::keyClick(ui.window(), Qt::Key_Tab);
        QVERIFY(ui.item("confirmDelete")->hasActiveFocus());
        QTest::keyClick(ui.window(), Qt::Key_Return);
        QTRY_COMPARE(ui.app->history()->count(), 0);
        QTRY_VERIFY(list->hasActiveFocus());
        QVERIFY(!ui.model()->selectedRecord());
        QCOMPARE(shown.count(), 0);
        QTRY_VERIFY(ui.item("emptyHistory")->isVisible());
    }

    // A history whose searches SQLite cannot read, agreed to be moved aside, goes whole and the
    // program starts with a new one; declined, the program does not start and the file stays.
    void damagedHistoryMovesAsideWhenAgreed_data()
    {
        QTest::addColumn<bool>("agree");
        QTest::newRow("agreed") << true;
        QTest::newRow("declined") << false;
    }
    void damagedHistoryMovesAsideWhenAgreed()
    {
        QFETCH(bool, agree);
        UiHarness ui;
        const QString path = ui.dir.filePath("history.sqlite");
        QVERIFY(HistoryStore::open(path) && RawDatabase::damage(path, "search_record"));
        const QByteArray damaged = bytes(path);
        QString asked, aside;
        const auto app = OrvaneApp::make(ui.configuration(), [&](const QString &problem, const QString &where) {
            asked = problem;
            aside = where;
            return agree;
        });
        QCOMPARE(asked, path + " is damaged: database disk image is malformed");
        QCOMPARE(app.has_value(), agree);
        QCOMPARE(bytes(agree ? aside : path), damaged);
        QCOMPARE(QFileInfo(aside).absolutePath(), ui.dir.path());
        QVERIFY(!agree || (*app)->store()->fetchAll().isEmpty());
    }

    void clearAllDialogCountsItsSearches()
    {
        UiHarness ui;
        QVERIFY(ui.start({".com"}));
        QObject *dialog = ui.item("contentView")->property("clearDialog").value<QObject *>();
        QQuickItem *confirm = dialog ? dialog->findChild<QQuickItem *>("confirmClear") : nullptr;
        QVERIFY(confirm);
        QCOMPARE(confirm->property("text").toString(), QStringLiteral("Clear 0 searches"));
        QVERIFY(ui.searchFor("alpha"));
        QCOMPARE(confirm->property("text").toString(), QStringLiteral("Clear 1 search"));
        QVERIFY(ui.searchFor("beta"));
        QCOMPARE(confirm->property("text").toString(), QStringLiteral("Clear 2 searches"));
        clickItem(ui.item("clearAllButton"));
        QTRY_VERIFY(dialog->property("opened").toBool());
        clickItem(confirm);
        QTRY_COMPARE(ui.app->history()->count(), 0);
    }

    // The launch chime and one gong per search with a free domain, or neither.
    void gongFollowsTheSetting_data()
    {
        QTest::addColumn<bool>("on");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }
    void gongFollowsTheSetting()
    {
        QFETCH(bool, on);
        UiHarness ui;
        ui.playGong = on;
        QVERIFY(ui.start({".com", ".ai"}));
        if (on)
            QTRY_COMPARE(ui.app->gong()->requests(), 1); // the launch chime
        QVERIFY(ui.searchFor("orvane")); // well after the 10 ms chime would have sounded
        QCOMPARE(ui.app->gong()->requests(), on ? 2 : 0);
    }

    // A taken row offers "Watch" and its expiry; the watched domain shows in the sidebar, one
    // notification comes when its registry turns to "not found", and clicking it searches again.
    void watchingATakenDomain()
    {
        UiHarness ui;
        ui.watchLimits.startDelay = ui.watchLimits.gap = ui.watchLimits.perHost = ui.watchLimits.perDomain = std::chrono::seconds(0);
        QVERIFY(ui.start({".com", ".ai"}));
        QSignalSpy shown(ui.app->notifier(), &DesktopNotifier::shown);
        QVERIFY(ui.searchFor("orvane"));
        QList<QQuickItem *> rows = ui.resultRows();
        QCOMPARE(rows.size(), 2);
        QQuickItem *taken = rows.at(1);
        QCOMPARE(taken->property("rowDomain").toString(), QStringLiteral("orvane.ai"));
        QCOMPARE(taken->property("expiry").toString(), "expires " + orvane::Format::dateText(QDateTime(QDate(2027, 3, 2), QTime(12, 0))));
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler("https", &catcher, "open");
        const QList<QQuickItem *> links = ui.shown("domainLink");
        QCOMPARE(links.size(), 1); // a free name has no web site to visit
        clickItem(links.first());
        QDesktopServices::unsetUrlHandler("https");
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl("https://orvane.ai")});
        const QList<QQuickItem *> watchButtons = ui.shown("watchButton");
        QCOMPARE(watchButtons.size(), 1); // the free row offers none
        QQuickItem *watchButton = watchButtons.first();
        QVERIFY(UiHarness::visualItems(taken).contains(watchButton));
        clickItem(watchButton);
        QCOMPARE(ui.app->watchList()->count(), 1);
        QCOMPARE(ui.app->watchList()->entries().first().lastAvailability, DomainAvailability::taken);
        QCOMPARE(watchButton->property("text").toString(), QStringLiteral("Watching"));
        QTRY_VERIFY(ui.item("watchingSection")->isVisible());

        // Still taken: checked again, nothing said. Then the registry lets it go.
        QTRY_VERIFY(ui.app->watchList()->entries().first().lastCheckedAt.isValid());
        QSignalSpy checked(ui.app->watchService(), &WatchService::checked);
        QTRY_VERIFY(checked.size() >= 2);
        QCOMPARE(shown.size(), 0);
        // The disk is full when it turns free: the news comes once, with a line that says why
        // it could not be kept.
        const QString path = ui.dir.filePath("history.sqlite");
        RawDatabase raw(path);
        QVERIFY(raw.exec("CREATE TRIGGER full BEFORE UPDATE ON watched_domain BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"));
        ui.http.setJson("/rdap/domain/orvane.ai", 404, "{}");
        QTRY_COMPARE(shown.size(), 1);
        QCOMPARE(shown.first().first().toString(), QStringLiteral("orvane.ai is available"));
        QTRY_VERIFY(ui.item("watchProblem")->isVisible());
        QCOMPARE(ui.item("watchProblemText")->property("text").toString(),
                 "Could not record the check of orvane.ai: " + path + ": database or disk is full");
        const int after = int(checked.size());
        QTRY_VERIFY(checked.size() >= after + 2);
        QCOMPARE(shown.size(), 1); // free again is no news
        QVERIFY(raw.exec("DROP TRIGGER full"));

        ui.window()->hide();
        emit ui.app->notifier()->activated(QStringLiteral("orvane.ai"));
        QVERIFY(ui.window()->isVisible());
        QCOMPARE(ui.model()->query(), QStringLiteral("orvane"));
        QTRY_COMPARE(rowTexts(ui.model()), (QStringList{"orvane.com available", "orvane.ai available"}));

        const QList<QQuickItem *> stops = ui.shown(QStringLiteral("stopWatching"));
        QCOMPARE(stops.size(), 1);
        clickItem(stops.first());
        QCOMPARE(ui.app->watchList()->count(), 0);
        QTRY_VERIFY(!ui.item("watchingSection")->isVisible());
    }

    // Hidden long enough, the window and its QML go, and the sidebar's clock stops; shown again,
    // the window is built anew where it stood, on the search as it was: rows, query, opened answer.
    void hiddenWindowIsReleasedAndComesBackAsItWas()
    {
        UiHarness ui;
        ui.windowRelease = std::chrono::milliseconds(50);
        ui.tray = true;
        QVERIFY(ui.start({".com", ".ai"}));
        QVERIFY(ui.searchFor("orvane"));
        ui.model()->liveResults()->setExpanded(1, true);
        QTRY_COMPARE(ui.shown("rawPane").size(), 1);
        ui.window()->setGeometry(QRect(QPoint(40, 30), ui.window()->minimumSize() + QSize(20, 10)));
        const QRect where = ui.window()->geometry();
        QTRY_VERIFY(ui.app->relativeTimes()->nextTick().isValid()); // "just now" moves on while shown

        QSignalSpy released(ui.app->windows(), &WindowController::released);
        ui.app->windows()->toggleMain();
        QTRY_COMPARE(released.count(), 1);
        QVERIFY(!ui.window());
        QVERIFY(!ui.app->relativeTimes()->nextTick().isValid());

        ui.app->windows()->toggleMain();
        QVERIFY(ui.window() && QTest::qWaitForWindowExposed(ui.window()));
        QCOMPARE(ui.window()->geometry(), where);
        QCOMPARE(ui.item("searchField")->property("text").toString(), QStringLiteral("orvane"));
        QTRY_COMPARE(ui.resultRows().size(), 2);
        QCOMPARE(ui.shown("rawPane").size(), 1);
        QTRY_VERIFY(ui.item("searchField")->hasActiveFocus());
    }

    // The caret blinks while the user types and rests, lit, a while after the last keystroke:
    // an idle window with a focused field draws nothing.
    void caretRestsAfterTyping()
    {
        UiHarness ui;
        QVERIFY(ui.start({".com"}));
        QTRY_VERIFY(ui.item("searchField")->hasActiveFocus());
        QQuickItem *caret = ui.item("caret");
        QVERIFY(caret && caret->isVisible());
        caret->setProperty("restAfter", 200);
        QTest::keyClick(ui.window(), 'o');
        QVERIFY(caret->property("blinking").toBool());
        QTRY_VERIFY(!caret->property("blinking").toBool());
        QVERIFY(caret->property("lit").toBool());
        QTest::keyClick(ui.window(), 'r');
        QVERIFY(caret->property("blinking").toBool());
        QCOMPARE(ui.model()->query(), QStringLiteral("or"));
    }

    // The first background checks already know each domain's registry (.com and .ai share one
    // here): a second domain of that registry waits for its limit from the very first check.
    void watchSpacesTheFirstChecksByRegistry()
    {
        UiHarness ui;
        ui.watchLimits.startDelay = ui.watchLimits.gap = std::chrono::seconds(0);
        ui.watchLimits.perHost = std::chrono::hours(1);
        QVERIFY(ui.start({".com", ".ai"}));
        QSignalSpy checked(ui.app->watchService(), &WatchService::checked);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QVERIFY(ui.app->watchList()->watch("orvane.com", ".com", std::nullopt, now));
        QVERIFY(ui.app->watchList()->watch("orvane.ai", ".ai", std::nullopt, now));
        QTRY_COMPARE(checked.count(), 1);
        QVERIFY2(ui.app->watchService()->nextLook() > now.addSecs(1800), qPrintable(ui.app->watchService()->nextLook().toString()));
        QCOMPARE(checked.count(), 1);
    }

    // A watched name entering pending delete: a notification with its expected release, and the
    // Watching list shows the estimate, with the rule for a screen reader and the tool tip.
    void watchedNameOnItsWayToRelease()
    {
        UiHarness ui;
        ui.watchLimits.startDelay = ui.watchLimits.gap = ui.watchLimits.perHost = ui.watchLimits.perDomain = std::chrono::seconds(0);
        const QDateTime changed = QDateTime::currentDateTimeUtc().addDays(-2);
        const QJsonObject event{{"eventAction", "last changed"}, {"eventDate", changed.toString(Qt::ISODate)}};
        ui.http.setJson("/rdap/domain/orvane.com", 200,
                        QJsonDocument(QJsonObject{{"objectClassName", "domain"}, {"status", QJsonArray{"pending delete"}}, {"events", QJsonArray{event}}})
                            .toJson());
        QVERIFY(ui.start({".com"}));
        QSignalSpy shown(ui.app->notifier(), &DesktopNotifier::shown);
        QVERIFY(ui.app->watchList()->watch("orvane.com", ".com", DomainAvailability::taken, changed));
        QTRY_COMPARE(shown.size(), 1);
        const QString day = orvane::Format::dateText(changed.addDays(5));
        QCOMPARE(shown.first().first().toString(), "orvane.com is pending delete: expected free around " + day);
        QTRY_COMPARE(ui.shown("releaseEstimate").size(), 1);
        QCOMPARE(ui.shown("releaseEstimate").first()->property("text").toString(), "pending delete · expected free around " + day);
        QAccessible::setActive(true);
        QAccessibleInterface *row = QAccessible::queryAccessibleInterface(ui.shown("releaseEstimate").first()->parentItem()->parentItem()->parentItem());
        QVERIFY(row && row->text(QAccessible::Description).contains("5 days after it enters pending delete"));
    }

    // Each action on what the user saved, refused by the history file: the sidebar says what,
    // where and why, and the window still shows what the file holds.
    void refusedActionsSaySo_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("refusal"); // when the file refuses
        QTest::addColumn<QString>("message"); // %1: the file's path
        QTest::newRow("delete") << "delete" << "BEFORE DELETE ON search_record" << "Could not delete the search “orvane”: %1: disk trouble";
        QTest::newRow("clear") << "clear" << "BEFORE DELETE ON search_record" << "Could not clear the history: %1: disk trouble";
        QTest::newRow("watch") << "watch" << "BEFORE INSERT ON watched_domain" << "Could not watch orvane.ai: %1: disk trouble";
        QTest::newRow("stop watching") << "stop" << "BEFORE DELETE ON watched_domain" << "Could not stop watching orvane.ai: %1: disk trouble";
    }
    void refusedActionsSaySo()
    {
        QFETCH(QString, action); QFETCH(QString, refusal); QFETCH(QString, message);
        UiHarness ui;
        QVERIFY(ui.start({".com", ".ai"}));
        QVERIFY(ui.searchFor("orvane"));
        if (action == "stop") {
            clickItem(ui.shown("watchButton").value(0));
            QTRY_COMPARE(ui.shown("stopWatching").size(), 1); // the Watching list lays its row out on the next frame
        }
        const QString path = ui.dir.filePath("history.sqlite");
        RawDatabase raw(path);
        QVERIFY(raw.exec("CREATE TRIGGER refuse " + refusal + " BEGIN SELECT RAISE(ABORT, 'disk trouble'); END"));
        if (action == "delete") {
            QVERIFY(ui.openNewestRecord());
            QTest::keyClick(ui.window(), Qt::Key_Delete);
            QTRY_VERIFY(ui.item("confirmDelete") && ui.item("confirmDelete")->isVisible());
            clickItem(ui.item("confirmDelete"));
        } else if (action == "clear") {
            QMetaObject::invokeMethod(ui.item("contentView")->property("clearDialog").value<QObject *>(), "open");
            QTRY_VERIFY(ui.item("confirmClear") && ui.item("confirmClear")->isVisible());
            clickItem(ui.item("confirmClear"));
        } else {
            clickItem(ui.shown(action == "watch" ? "watchButton" : "stopWatching").value(0));
        }
        QTRY_VERIFY(ui.item("actionFailure")->isVisible());
        QCOMPARE(ui.item("actionFailureText")->property("text").toString(), message.arg(path));
        QCOMPARE(QList<int>({int(ui.app->history()->count()), raw.count("SELECT COUNT(*) FROM search_record")}), QList<int>({1, 1}));
        QCOMPARE(ui.app->watchList()->count() + raw.count("SELECT COUNT(*) FROM watched_domain"), action == "stop" ? 2 : 0);
        clickItem(ui.item("dismissFailure"));
        QVERIFY(!ui.item("actionFailure")->isVisible());
    }

    // Closing the main window: with a tray it waits there; without one, nothing could bring it
    // back, so the program ends, keeping the search still running.
    void closingTheMainWindow_data()
    {
        QTest::addColumn<bool>("tray");
        QTest::newRow("with a tray") << true;
        QTest::newRow("without a tray") << false;
    }
    void closingTheMainWindow()
    {
        QFETCH(bool, tray);
        UiHarness ui;
        QVERIFY(ui.start({".com", ".dev"})); // .dev never answers
        ui.app->tray()->setAvailable(tray);
        QSignalSpy quits(ui.app->windows(), &WindowController::quitRequested);
        ui.model()->setQuery("orvane");
        ui.model()->search();
        QTRY_COMPARE(rowTexts(ui.model()), (QStringList{"orvane.com available", "orvane.dev checking"}));
        QVERIFY(ui.window()->close());
        QVERIFY(!ui.window()->isVisible());
        if (tray) {
            QTest::qWait(50); // the quit would be queued: give it its turn
            QCOMPARE(quits.count(), 0);
            return;
        }
        QTRY_COMPARE(quits.count(), 1);
        auto reread = HistoryStore::open(ui.dir.filePath("history.sqlite"));
        QVERIFY(reread);
        const auto records = (*reread)->fetchAll();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first()->query(), QStringLiteral("orvane"));
    }

    // The keyboard, row by row: what the keys do and where the focus ends up. Return and Enter
    // act on the focused control alone.
    void keyboard_data()
    {
        QTest::addColumn<QString>("from"); // where the keys are
        QTest::addColumn<bool>("tray");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("expect");
        const int ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
        QTest::newRow("Enter in the field") << "field" << true << int(Qt::Key_Enter) << 0 << "searched";
        QTest::newRow("Return on a blank field") << "blank field" << true << int(Qt::Key_Return) << 0 << "refused";
        QTest::newRow("Return on the history list") << "history" << true << int(Qt::Key_Return) << 0 << "opened";
        QTest::newRow("Delete on the history list") << "history" << true << int(Qt::Key_Delete) << 0 << "asked to delete";
        QTest::newRow("Menu key on the history list") << "history" << true << int(Qt::Key_Menu) << 0 << "historyMenu";
        QTest::newRow("Return on Clear all history") << "clear all" << true << int(Qt::Key_Return) << 0 << "asked to clear";
        QTest::newRow("Return on a taken row") << "taken row" << true << int(Qt::Key_Return) << 0 << "site opened";
        QTest::newRow("Ctrl+C on a taken row") << "taken row" << true << int(Qt::Key_C) << ctrl << "copied";
        QTest::newRow("Shift+F10 on a taken row") << "taken row" << true << int(Qt::Key_F10) << shift << "resultMenu";
        QTest::newRow("Up on a taken row") << "taken row" << true << int(Qt::Key_Up) << 0 << "row above";
        QTest::newRow("Escape with a tray") << "field" << true << int(Qt::Key_Escape) << 0 << "hidden";
        QTest::newRow("Escape without a tray") << "field" << false << int(Qt::Key_Escape) << 0 << "cleared";
        QTest::newRow("Ctrl+Q") << "field" << true << int(Qt::Key_Q) << ctrl << "quit";
        QTest::newRow("Ctrl+,") << "field" << true << int(Qt::Key_Comma) << ctrl << "settings";
        QTest::newRow("Ctrl+N") << "historical" << true << int(Qt::Key_N) << ctrl << "live";
        QTest::newRow("Ctrl+F") << "history" << true << int(Qt::Key_F) << ctrl << "focused";
        QTest::newRow("Ctrl+F on a reopened search") << "historical" << true << int(Qt::Key_F) << ctrl << "live";
    }
    void keyboard()
    {
        QFETCH(QString, from); QFETCH(bool, tray); QFETCH(int, key); QFETCH(int, modifiers); QFETCH(QString, expect);
        UiHarness ui;
        QVERIFY(ui.start({".com", ".ai"}));
        ui.app->tray()->setAvailable(tray);
        QVERIFY(ui.searchFor("orvane"));
        QTRY_COMPARE(ui.resultRows().size(), 2);
        QSignalSpy quits(ui.app->windows(), &WindowController::quitRequested);
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler("https", &catcher, "open");
        const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler("https"); });
        QQuickItem *field = ui.item("searchField");
        QQuickItem *focused = nullptr;
        if (from == "historical") {
            QVERIFY(ui.openNewestRecord());
        } else {
            ui.model()->setQuery(from == "blank field" ? " " : "orvane");
            focused = from == "history" ? ui.item("historyList") : from == "clear all" ? ui.item("clearAllButton")
                    : from == "taken row"  ? ui.resultRows().at(1)
                                           : field;
            focused->forceActiveFocus(Qt::TabFocusReason);
        }
        QTest::keyClick(ui.window(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        // An open popup's item hangs in the window's overlay.
        const auto shownPopup = [&](const char *name) {
            return std::ranges::any_of(UiHarness::visualItems(ui.window()->contentItem()), [&](QQuickItem *item) {
                return item->parent() && item->parent()->objectName() == QLatin1String(name) && item->parent()->property("opened").toBool();
            });
        };
        if (expect == "searched") {
            QTRY_COMPARE(ui.app->history()->count(), 2);
            QCOMPARE(ui.app->store()->fetchAll().first()->query(), QStringLiteral("orvane"));
        } else if (expect == "refused") {
            QCOMPARE(ui.model()->lastError(), DomainName::invalidNameMessage);
        } else if (expect == "opened") {
            QTRY_VERIFY(ui.model()->isHistoricalView());
        } else if (expect.startsWith("asked to ")) {
            const QString dialog = expect == "asked to clear" ? "clearDialog" : "deleteDialog";
            QTRY_VERIFY(shownPopup(qPrintable(dialog)));
            QTRY_VERIFY(ui.item(qPrintable(dialog + "Cancel"))->hasActiveFocus());
            QTest::keyClick(ui.window(), Qt::Key_Escape);
            QTRY_VERIFY(focused->hasActiveFocus()); // the keys come back where they were
        } else if (expect.endsWith("Menu")) {
            QTRY_VERIFY(shownPopup(qPrintable(expect)));
            QTest::keyClick(ui.window(), Qt::Key_Escape);
            QTRY_VERIFY(focused->hasActiveFocus());
        } else if (expect == "site opened") {
            QCOMPARE(catcher.urls, QList<QUrl>{QUrl("https://orvane.ai")});
        } else if (expect == "copied") {
            QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("orvane.ai"));
        } else if (expect == "row above") {
            QVERIFY(ui.resultRows().at(0)->hasActiveFocus());
        } else if (expect == "hidden") {
            QVERIFY(!ui.window()->isVisible());
        } else if (expect == "cleared") {
            QVERIFY(ui.window()->isVisible());
            QCOMPARE(ui.model()->query(), QString());
            QVERIFY(field->hasActiveFocus());
        } else if (expect == "quit") {
            QCOMPARE(quits.count(), 1);
        } else if (expect == "settings") {
            QVERIFY(ui.app->windows()->settingsWindow() && ui.app->windows()->settingsWindow()->isVisible());
        } else if (expect == "live") {
            QVERIFY(!ui.model()->isHistoricalView());
            QTRY_VERIFY(field->hasActiveFocus());
        } else if (expect == "focused") {
            QTRY_VERIFY(field->hasActiveFocus());
        }
        if (expect != "searched")
            QCOMPARE(ui.app->history()->count(), 1);
        QVERIFY(expect == "site opened" || catcher.urls.isEmpty());
    }

    // Tab walks the pane of the smallest window in the order it is drawn, and Shift+Tab walks it
    // back: the field, each result row in turn, then the Brainstorm card. Whatever takes the keys
    // is scrolled into view, rows made ahead of the scrolling and rows made again included.
    void tabWalksThePaneInOrder()
    {
        UiHarness ui;
        QVERIFY(ui.start({".com", ".ai", ".io", ".zz", ".qq", ".xx", ".yy", ".ww", ".vv", ".uu"}));
        ui.window()->resize(ui.window()->minimumSize());
        QVERIFY(ui.searchFor("orvane"));
        QStringList expected{"checkButton"};
        for (const LiveResult &row : ui.model()->liveResults()->rows())
            expected << row.domain;
        expected << "brainstormButton";
        QQuickItem *list = ui.item("resultRows");
        QQuickItem *field = ui.item("searchField");
        field->forceActiveFocus(Qt::TabFocusReason);
        for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Tab}) {
            QStringList reached;
            for (int step = 0; step < 80 && (step == 0 || !field->hasActiveFocus()); ++step) {
                QTest::keyClick(ui.window(), key);
                QQuickItem *focused = ui.window()->activeFocusItem();
                if (focused == field || !UiHarness::visualItems(list).contains(focused))
                    continue;
                QQuickItem *row = focused;
                while (row && !row->property("rowDomain").isValid())
                    row = row->parentItem();
                const QString name = row ? row->property("rowDomain").toString() : focused->objectName();
                if (reached.value(reached.size() - 1) != name)
                    reached << name;
                const QRectF box = focused->mapRectToItem(list, QRectF(0, 0, focused->width(), focused->height()));
                QVERIFY2(box.top() >= -0.5 && box.bottom() <= list->height() + 0.5, qPrintable(reached.join(" ")));
            }
            if (key == Qt::Key_Backtab)
                std::ranges::reverse(reached);
            QCOMPARE(reached, expected);
        }
    }

    // Wherever the keys are, a ring shows it, at 3:1 or more against what lies around it: on the
    // teal header, the filled and plain buttons, the history's current row, result rows and links.
    void focusRingsStandOut_data()
    {
        QTest::addColumn<QString>("control");
        for (const char *name : {"settingsButton", "checkButton", "clearAllButton", "historyList", "taken row", "domainLink", "copyButton", "siteLink"})
            QTest::newRow(name) << name;
    }
    void focusRingsStandOut()
    {
        QFETCH(QString, control);
        UiHarness ui;
        QVERIFY(ui.start({".com", ".ai"}));
        QVERIFY(ui.searchFor("orvane"));
        QTRY_COMPARE(ui.resultRows().size(), 2);
        QQuickItem *taken = ui.resultRows().at(1);
        QQuickItem *target = control == "taken row" ? taken : control == "copyButton" ? ui.shown(control).value(1) : ui.shown(control).value(0);
        ui.model()->setQuery("orvane"); // so that "Check" can take the keys
        target->forceActiveFocus(Qt::TabFocusReason);
        QTRY_VERIFY(target->hasActiveFocus());
        QList<QQuickItem *> rings;
        for (QQuickItem *item : UiHarness::visualItems(ui.window()->contentItem())) {
            if (QByteArray(item->metaObject()->className()).startsWith("FocusRing") && item->isVisible())
                rings << item;
        }
        QCOMPARE(rings.size(), 1);
        QTest::qWait(20); // one frame for the ring
        const QImage image = ui.window()->grabWindow();
        const QRectF ring = rings.first()->mapRectToScene(QRectF(0, 0, rings.first()->width(), rings.first()->height()));
        const int y = int(ring.center().y());
        const QColor on = image.pixelColor(int(ring.left()) + 1, y), around = image.pixelColor(int(ring.left()) - 2, y);
        QVERIFY2(contrastRatio(on, around) >= 3.0, qPrintable(QStringLiteral("%1 on %2: %3:1").arg(on.name(), around.name()).arg(contrastRatio(on, around))));
    }

    // What a screen reader hears: plain texts, one name per button of each row, links as links
    // even once the reader has started, the raw answer's toggle state, and one sentence when a
    // search settles.
    void screenReaderHears()
    {
        UiHarness ui;
        QVERIFY(ui.start({".com", ".ai"}));
        QAccessible::setActive(false);
        QAccessible::setActive(true); // controls take their own roles now, over what they were given
        const auto heard = [](QQuickItem *item) {
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(item);
            return face ? QStringLiteral("%1 %2").arg(int(face->role())).arg(face->text(QAccessible::Name)) : QStringLiteral("nothing");
        };
        const auto as = [](QAccessible::Role role, const QString &name) { return QStringLiteral("%1 %2").arg(int(role)).arg(name); };
        QQuickItem *empty = ui.item("emptyHistory")->childItems().value(1);
        QCOMPARE(heard(empty), as(QAccessible::StaticText, "No searches yet"));
        QQuickItem *check = ui.item("checkButton"); // disabled on a blank name, and heard so
        QVERIFY(!check->isEnabled() && QAccessible::queryAccessibleInterface(check)->state().disabled);
        ui.model()->setQuery("orvane");
        QVERIFY(!QAccessible::queryAccessibleInterface(check)->state().disabled);

        QQuickItem *summary = ui.item("searchSummary");
        QSignalSpy shown(summary, &QQuickItem::visibleChanged);
        QVERIFY(ui.searchFor("orvane"));
        QTRY_COMPARE(ui.resultRows().size(), 2);
        QCOMPARE(shown.count(), 1);
        QCOMPARE(heard(summary), as(QAccessible::AlertMessage, "1 of 2 available: orvane.com"));

        QQuickItem *taken = ui.resultRows().at(1);
        const auto in = [&](const char *name) { return ui.shown(name).value(ui.shown(name).size() - 1); };
        QCOMPARE(heard(ui.item("tldSummary")), as(QAccessible::StaticText, "Checking .com, .ai"));
        QCOMPARE(heard(in("expiry")), as(QAccessible::StaticText, in("expiry")->property("text").toString()));
        QCOMPARE(heard(in("domainLink")), as(QAccessible::Link, "orvane.ai"));
        QCOMPARE(heard(in("copyButton")), as(QAccessible::Button, "Copy orvane.ai"));
        QCOMPARE(heard(in("watchButton")), as(QAccessible::Button, "Watch orvane.ai"));
        QQuickItem *toggle = in("rawToggle");
        QCOMPARE(heard(toggle), as(QAccessible::Button, "Show registry answer for orvane.ai"));
        QVERIFY(UiHarness::visualItems(taken).contains(toggle));
        QVERIFY(!QAccessible::queryAccessibleInterface(toggle)->state().checked);
        clickItem(toggle);
        QTRY_VERIFY(QAccessible::queryAccessibleInterface(toggle)->state().checked);
    }

    // At the smallest window (and one long name at the size it opens with, on a usual screen: the
    // test's is 800 × 600), live and reopened: every control and text stays inside the window
    // (what scrolls may run below). A domain gives up characters only when its row has no room
    // (at the smallest), from the middle of its name, keeping its TLD; the link's underline runs
    // under the text drawn.
    void longNamesStayInsideTheWindow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("historical");
        QTest::addColumn<QSize>("size"); // none: the smallest
        const QString name26 = "quietharbourlanternmakers1", name59 = "thequickbrownfoxjumpsoverthelazydogwhilethecatdozesinthesun";
        QTest::newRow("26 characters, as it opens") << name26 << false << QSize(1040, 720);
        for (const bool historical : {false, true}) {
            QTest::addRow("26 characters, %s", historical ? "historical" : "live") << name26 << historical << QSize();
            QTest::addRow("59 characters, %s", historical ? "historical" : "live") << name59 << historical << QSize();
        }
    }
    void longNamesStayInsideTheWindow()
    {
        QFETCH(QString, name); QFETCH(bool, historical); QFETCH(QSize, size);
        UiHarness ui;
        QVERIFY(ui.start({".com", ".ai"}));
        QQuickWindow *window = ui.window();
        size = size.isValid() ? size : window->minimumSize();
        window->resize(size);
        QTRY_COMPARE(window->size(), size);
        QVERIFY(ui.searchFor(name));
        if (historical)
            QVERIFY(ui.openNewestRecord());
        QTRY_COMPARE(ui.resultRows().size(), 2);
        QTest::qWait(20); // one polish pass for the layouts

        const QRectF inside(0, 0, window->width(), window->height());
        int checked = 0;
        for (QQuickItem *item : UiHarness::visualItems(window->contentItem())) {
            const bool control = item->inherits("QQuickControl");
            if (!item->isVisible() || item->width() <= 0 || !(control || item->inherits("QQuickText") || item->inherits("QQuickTextInput")))
                continue;
            if (item->parentItem() && item->parentItem()->inherits("QQuickControl"))
                continue; // a control's own label is the control's business
            const QRectF box = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
            bool scrolled = false;
            for (QQuickItem *up = item->parentItem(); up; up = up->parentItem())
                scrolled = scrolled || up->inherits("QQuickFlickable");
            const bool across = box.left() > -0.5 && box.right() < inside.right() + 0.5;
            const bool down = scrolled || (box.top() > -0.5 && box.bottom() < inside.bottom() + 0.5); // what scrolls may run below
            const QString what = QStringLiteral("%1 %2 \"%3\"").arg(item->metaObject()->className(), item->objectName(), item->property("text").toString());
            QVERIFY2(across && down, qPrintable(what + QStringLiteral(" at %1,%2").arg(box.x()).arg(box.y())));
            ++checked;
        }
        QVERIFY(checked > 20);
        QQuickItem *button = historical ? ui.item("newSearchButton") : ui.item("checkButton");
        QVERIFY(button->width() > button->implicitWidth() - 1); // never squeezed
        if (name.size() == 59) {
            // The name shows shortened, not cut: in the rows, the sidebar, and the banner.
            QStringList truncated;
            for (QQuickItem *item : UiHarness::visualItems(window->contentItem())) {
                if (item->isVisible() && item->property("truncated").toBool())
                    truncated << item->property("text").toString();
            }
            QVERIFY2(truncated.filter(name).size() >= (historical ? 4 : 3), qPrintable(truncated.join(" | ")));
        }
        const bool elided = size == window->minimumSize();
        QTRY_COMPARE(ui.shown("domainText").size() + ui.shown("linkText").size(), 2);
        for (QQuickItem *domain : ui.shown("domainText") + ui.shown("linkText")) {
            const QList<QQuickItem *> drawn = UiHarness::visualItems(domain); // the text, then its underline
            QTRY_VERIFY(drawn.first()->width() > 0 && drawn.first()->width() <= domain->width() + 0.5);
            const QString shown = drawn.first()->property("text").toString(), tld = shown.mid(shown.lastIndexOf('.'));
            const qsizetype cut = shown.indexOf(QChar(0x2026));
            const bool middle = cut > 3 && cut < shown.size() - tld.size() - 3 && name.startsWith(shown.left(cut)) && (name + tld).endsWith(shown.mid(cut + 1));
            QVERIFY2((tld == ".com" || tld == ".ai") && (elided ? middle : shown == name + tld), qPrintable(shown));
            QCOMPARE(domain->property("truncated").toBool(), elided);
            if (drawn.size() > 1 && drawn.at(1)->isVisible())
                QVERIFY(std::abs(drawn.at(1)->width() - drawn.first()->property("contentWidth").toReal()) < 0.5);
        }
    }

    // Two launches at the same moment, again and again: one program runs, with its one window,
    // and the other hands over to it and ends. Without XDG_RUNTIME_DIR the lock and the socket
    // live in a folder of the user's own under the cache folder.
    void racedLaunchesLeaveOneProgram_data()
    {
        QTest::addColumn<bool>("runtimeDir");
        QTest::newRow("XDG_RUNTIME_DIR") << true;
        QTest::newRow("no XDG_RUNTIME_DIR") << false;
    }
    void racedLaunchesLeaveOneProgram()
    {
        QFETCH(bool, runtimeDir);
        QTemporaryDir home;
        QProcessEnvironment env = scratchEnvironment(home, "orvane-race-");
        if (!runtimeDir)
            env.remove("XDG_RUNTIME_DIR");
        for (int round = 0; round < 5; ++round) {
            QProcess a, b;
            for (QProcess *launch : {&a, &b}) {
                launch->setProcessEnvironment(env);
                launch->setProcessChannelMode(QProcess::MergedChannels);
                launch->start(QStringLiteral(ORVANE_BINARY));
            }
            QTRY_VERIFY_WITH_TIMEOUT(a.state() == QProcess::NotRunning || b.state() == QProcess::NotRunning, 15000);
            QProcess &handedOver = a.state() == QProcess::NotRunning ? a : b;
            QProcess &running = &handedOver == &a ? b : a;
            QVERIFY2(handedOver.exitStatus() == QProcess::NormalExit && handedOver.exitCode() == 0, handedOver.readAll().constData());
            QByteArray log;
            QTRY_VERIFY_WITH_TIMEOUT((log += running.readAll()).contains("Another launch asked for the main window"), 10000);
            QCOMPARE(running.state(), QProcess::Running);
            QCOMPARE(log.count("Main window drawn"), 1);
            running.kill(); // the next round starts over a lock and a socket left behind
            running.waitForFinished();
        }
        const QString folder = runtimeDir ? home.filePath("orvane") : home.filePath(".cache/pellunor/Orvane/run");
        QCOMPARE(int(QFileInfo(folder).permissions() & 0x7077), 0x7000); // 0700
    }

    // A start at login or by the desktop's search that finds Orvane running ends and asks it for
    // nothing: its window stays where it is. A launch of the user's still brings it up.
    void quietLaunchesLeaveTheRunningOneAlone()
    {
        QTemporaryDir home;
        const QProcessEnvironment env = scratchEnvironment(home, "orvane-quiet-");
        QProcess running;
        running.setProcessEnvironment(env);
        running.setProcessChannelMode(QProcess::MergedChannels);
        running.start(QStringLiteral(ORVANE_BINARY));
        const auto stop = qScopeGuard([&] {
            running.kill();
            running.waitForFinished();
        });
        QByteArray log;
        QTRY_VERIFY_WITH_TIMEOUT((log += running.readAll()).contains("Main window drawn"), 15000);
        for (const QString &option : {QStringLiteral("--autostart"), QStringLiteral("--hidden"), QString()}) {
            QProcess launch;
            launch.setProcessEnvironment(env);
            launch.start(QStringLiteral(ORVANE_BINARY), option.isEmpty() ? QStringList() : QStringList{option});
            QVERIFY(launch.waitForFinished(15000));
            QCOMPARE(launch.exitCode(), 0);
            const QByteArray said = launch.readAllStandardError();
            QVERIFY2(said.contains(option.isEmpty() ? "asked it to show its window" : "Orvane already runs\n"), said.constData());
        }
        // The running program heard the last launch only.
        QTRY_VERIFY_WITH_TIMEOUT((log += running.readAll()).contains("Another launch asked for the main window"), 10000);
        QCOMPARE(log.count("Another launch asked"), 1);
    }

    // A start that finds a history file that is no database, or a folder for the lock and the
    // socket that someone else could have made, entered or replaced, ends and says why, and
    // opens or changes nothing of the user's.
    void refusedStarts_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("said"); // the last line, of @folder in @runtime, or of the @history file
        QTest::newRow("history no database") << "history" << "Failed to create ModelContainer: @history is damaged: file is not a database";
        QTest::newRow("open to others") << "chmod 777" << "Orvane cannot start: @folder is open to other users (mode 777, not 700).";
        QTest::newRow("another user's") << "chown nobody" << "Orvane cannot start: @folder belongs to another user.";
        QTest::newRow("a link") << "link" << "Orvane cannot start: @folder is not a folder.";
        QTest::newRow("in a shared folder") << "shared parent" << "Orvane cannot start: @folder lies in @runtime, where other users could replace it.";
    }
    void refusedStarts()
    {
        QFETCH(QString, setup); QFETCH(QString, said);
        QTemporaryDir home;
        QProcessEnvironment env = scratchEnvironment(home, "orvane-refused-");
        const QString runtime = home.filePath("runtime"), folder = runtime + "/orvane";
        QFile history(home.filePath(".local/share/pellunor/Orvane/history.sqlite"));
        QVERIFY(QDir().mkpath(folder) && QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        if (setup == "history") {
            QVERIFY(QDir().mkpath(QFileInfo(history).absolutePath()));
            QVERIFY(history.open(QIODevice::WriteOnly) && history.write("my notes, not a database") > 0);
            history.close();
        } else if (setup == "chmod 777") {
            QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions(0x7777)));
        } else if (setup == "chown nobody" && (::geteuid() != 0 || ::chown(qPrintable(folder), 65534, 65534) != 0)) {
            QSKIP("giving a folder to another user takes root");
        } else if (setup == "link") {
            QVERIFY(QDir(folder).removeRecursively() && QFile::link(home.path(), folder));
        } else if (setup == "shared parent") {
            QVERIFY(QFile::setPermissions(runtime, QFileDevice::Permissions(0x7777)));
        }
        env.insert("XDG_RUNTIME_DIR", runtime);
        QProcess orvane;
        orvane.setProcessEnvironment(env);
        orvane.start(QStringLiteral(ORVANE_BINARY));
        QVERIFY(orvane.waitForFinished(15000));
        QCOMPARE(orvane.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(orvane.readAllStandardError()).trimmed().section('\n', -1), said.replace("@folder", folder).replace("@runtime", runtime).replace("@history", history.fileName()));
        if (setup == "history")
            QCOMPARE(bytes(history.fileName()), QByteArray("my notes, not a database"));
        else
            QVERIFY(!QFileInfo::exists(home.filePath(".local/share/pellunor")) && !QFileInfo::exists(home.filePath(".config/pellunor")));
    }

    // --help and --version print and end: no display (there is none to reach), no lock, no
    // settings, no history, no network.
    void helpAndVersionOpenNothing()
    {
        QTemporaryDir home;
        QProcessEnvironment env = scratchEnvironment(home, "orvane-help-");
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        for (const auto &[option, printed] : {std::pair{"--help", QStringLiteral("Usage: ")},
                                              std::pair{"--version", QStringLiteral("orvane %1\n").arg(applicationVersion)}}) {
            QProcess orvane;
            orvane.setProcessEnvironment(env);
            orvane.start(QStringLiteral(ORVANE_BINARY), {QString::fromLatin1(option)});
            QVERIFY(orvane.waitForFinished(15000));
            QCOMPARE(orvane.exitStatus(), QProcess::NormalExit);
            QCOMPARE(orvane.exitCode(), 0);
            const QString out = QString::fromUtf8(orvane.readAllStandardOutput());
            QVERIFY2(out.startsWith(printed), option);
            QVERIFY(printed != "Usage: " || (out.contains("--autostart") && out.contains("--hidden")));
        }
        QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
