#include "UiHarness.h"
#include "PrivateBus.h"
#include "RawDatabase.h"
#include "app/DesktopSearchBus.h"

#include <QClipboard>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>

#include <csignal>

using namespace orvane;

namespace {

QDBusPendingCall send(QDBusConnection &bus, bool gnome, const QString &method, const QVariantList &arguments)
{
    QDBusMessage call = gnome ? QDBusMessage::createMethodCall(DesktopSearchBus::providerName, DesktopSearchBus::providerPath,
                                                               "org.gnome.Shell.SearchProvider2", method)
                              : QDBusMessage::createMethodCall(DesktopSearchBus::runnerName, DesktopSearchBus::runnerPath,
                                                               "org.kde.krunner1", method);
    call.setArguments(arguments);
    return bus.asyncCall(call, 30000);
}

// The answer, once it came; the program answers on the same event loop, so nothing may block it.
QVariantList answer(QDBusPendingCall call)
{
    if (!QTest::qWaitFor([&] { return call.isFinished(); }, 30000))
        return {QStringLiteral("no answer")};
    return call.isError() ? QVariantList{call.error().message()} : call.reply().arguments();
}

QStringList ids(QDBusPendingCall call)
{
    const QVariantList values = answer(call);
    return values.isEmpty() ? QStringList{"no value"} : values.first().toStringList();
}

// GNOME's metas as "id|name|description|icon width x height", the icon's bytes checked against its shape.
QStringList metas(QDBusPendingCall call)
{
    QStringList shown;
    const QVariantList values = answer(call);
    for (const QVariantMap &meta : qdbus_cast<QList<QVariantMap>>(values.value(0))) {
        const QDBusArgument icon = meta.value("icon-data").value<QDBusArgument>();
        int width = 0, height = 0, stride = 0, bits = 0, channels = 0;
        bool alpha = false;
        QByteArray data;
        icon.beginStructure();
        icon >> width >> height >> stride >> alpha >> bits >> channels >> data;
        icon.endStructure();
        const bool whole = alpha && bits == 8 && channels == 4 && data.size() == stride * height && stride >= width * 4;
        shown << QStringList{meta.value("id").toString(), meta.value("name").toString(), meta.value("description").toString(),
                             whole ? QStringLiteral("%1x%2").arg(width).arg(height) : QStringLiteral("broken icon")}
                     .join('|');
    }
    return shown;
}

// KRunner's matches as "id|text|actions" in the order of their relevance.
QStringList matches(QDBusPendingCall call)
{
    QMap<double, QString> byRelevance; // each verdict has a relevance of its own
    const QDBusArgument list = answer(call).value(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString id, text, icon;
        int type = 0;
        double relevance = 0;
        QVariantMap properties;
        list.beginStructure();
        list >> id >> text >> icon >> type >> relevance >> properties;
        list.endStructure();
        byRelevance.insert(-relevance, QStringList{id, text, properties.value("actions").toStringList().join(',')}.join('|'));
    }
    list.endArray();
    return byRelevance.values();
}

} // namespace

// GNOME Shell's search provider and KRunner's runner, called over a private session bus as the
// desktops call them, answered by the real program against fake registries on loopback.
class TestDesktopSearch : public QObject
{
    Q_OBJECT

private slots:
    void bothDesktopsAskOnAPrivateBus()
    {
        PrivateBus bus;
        QVERIFY2(!bus.address.isEmpty(), "dbus-daemon did not start");
        UiHarness ui;
        ui.desktopSearchBus = bus.address;
        ui.whoisTimeoutMs = 5000; // orvane.dev goes unanswered that long
        ui.windowRelease = std::chrono::milliseconds(50); // a hidden window is gone when the desktop asks for it
        QVERIFY(ui.start({".com", ".ai", ".dev"}));
        QTRY_COMPARE(ui.http.requestCount("/dns.json"), 1);
        ui.window()->hide();
        QDBusConnection client = QDBusConnection::connectToBus(bus.address, "desktop");

        // What is not a name reaches no registry and leaves no search behind.
        const int connections = ui.http.connectionCount();
        QCOMPARE(ids(send(client, true, "GetInitialResultSet", {QStringList{"two", "words"}})), QStringList());
        QCOMPARE(matches(send(client, false, "Match", {"-dash"})), QStringList());
        QCOMPARE(ui.http.connectionCount(), connections);
        QCOMPARE(ui.whois.queries(), QStringList());
        QCOMPARE(ui.app->history()->count(), 0);

        // Typing: the desktop asks at every key; only the term that stood is searched, once it
        // stood for 300 ms, and its answer comes within two seconds, with a registry still silent.
        QElapsedTimer typing;
        typing.start();
        const QDBusPendingCall o = send(client, true, "GetInitialResultSet", {QStringList{"o"}});
        const QDBusPendingCall orv = send(client, true, "GetSubsearchResultSet", {QStringList{}, QStringList{"orv"}});
        const QDBusPendingCall orvane = send(client, true, "GetSubsearchResultSet", {QStringList{}, QStringList{"Orvane"}});
        QTRY_COMPARE(ui.http.requestCount("/rdap/domain/orvane.com"), 1);
        QVERIFY(typing.elapsed() >= 300);
        QCOMPARE(ids(o), QStringList());
        QCOMPARE(ids(orv), QStringList());
        QCOMPARE(ids(orvane), (QStringList{"orvane.com", "orvane.ai", "orvane.dev"}));
        QCOMPARE(metas(send(client, true, "GetResultMetas", {QStringList{"orvane.com", "orvane.ai", "orvane.dev", "elsewhere.com"}})),
                 (QStringList{"orvane.com|orvane.com|Available|64x64", "orvane.ai|orvane.ai|Taken|64x64", "orvane.dev|orvane.dev|Checking…|64x64"}));
        QCOMPARE(ui.http.requestCount("/rdap/domain/o.com") + ui.http.requestCount("/rdap/domain/orv.com"), 0);
        // A look-alike is shown with its ASCII form, which is its id.
        QCOMPARE(ids(send(client, true, "GetInitialResultSet", {QStringList{"\u0430pple"}})).first(), "xn--pple-43d.com");
        QCOMPARE(metas(send(client, true, "GetResultMetas", {QStringList{"xn--pple-43d.com"}})).first().section('|', 0, 1),
                 "xn--pple-43d.com|\u0430pple.com (xn--pple-43d.com)");

        // Stored like any search, once: KRunner asking for the same term finds it done.
        const RawDatabase raw(ui.dir.filePath("history.sqlite"));
        QTRY_COMPARE_WITH_TIMEOUT(raw.count("SELECT COUNT(*) FROM domain_result d JOIN search_record r ON d.record_id = r.id"
                                            " WHERE r.query = 'orvane'"),
                                  3, 15000);
        QCOMPARE(matches(send(client, false, "Match", {"orvane"})),
                 (QStringList{"orvane.com|orvane.com — Available|copy", "orvane.ai|orvane.ai — Taken|copy,watch",
                              "orvane.dev|orvane.dev — Error|copy,watch"}));
        QCOMPARE(ui.http.requestCount("/rdap/domain/orvane.ai"), 1);
        QCOMPARE(raw.count("SELECT COUNT(*) FROM search_record WHERE query = 'orvane'"), 1);

        // KRunner's actions, and a match run: copied, watched, opened on its search in a window
        // built anew (the hidden one was released meanwhile).
        const QDBusArgument actions = answer(send(client, false, "Actions", {})).value(0).value<QDBusArgument>();
        QStringList offered;
        actions.beginArray();
        for (QString id, text, icon; !actions.atEnd(); offered << id + '|' + text) {
            actions.beginStructure();
            actions >> id >> text >> icon;
            actions.endStructure();
        }
        actions.endArray();
        QCOMPARE(offered, (QStringList{"copy|Copy domain", "watch|Watch"}));
        answer(send(client, false, "Run", {"orvane.com", "copy"}));
        QCOMPARE(QGuiApplication::clipboard()->text(), "orvane.com");
        answer(send(client, false, "Run", {"orvane.ai", "watch"}));
        QVERIFY(ui.app->watchList()->contains("orvane.ai"));
        QTRY_VERIFY(!ui.window()); // released while hidden
        answer(send(client, false, "Run", {"orvane.ai", ""}));
        QVERIFY(ui.window() && ui.window()->isVisible());
        QVERIFY(ui.model()->isHistoricalView());
        QCOMPARE(ui.model()->activeRecord()->query(), "orvane");
        QCOMPARE(ui.model()->liveResults()->count(), 3);

        // GNOME: the program's icon opens the window, built anew, with the term; a result, on its search.
        ui.window()->hide();
        QTRY_VERIFY(!ui.window());
        answer(send(client, true, "LaunchSearch", {QStringList{"lumalink"}, 0u}));
        QVERIFY(ui.window() && ui.window()->isVisible());
        QVERIFY(!ui.model()->isHistoricalView());
        QCOMPARE(ui.model()->query(), "lumalink");
        answer(send(client, true, "ActivateResult", {"xn--pple-43d.com", QStringList{"\u0430pple"}, 0u}));
        QVERIFY(ui.model()->isHistoricalView());
        QCOMPARE(ui.model()->activeRecord()->query(), "\u0430pple");
        QCOMPARE(ui.app->history()->count(), 2);
    }

    // The session bus starts Orvane for the desktop's search when it is not running: hidden in
    // the tray, answering at once; the window comes when the desktop asks for it.
    void theBusStartsOrvaneHidden()
    {
        QTemporaryDir home;
        const QString services = home.filePath("services");
        QVERIFY(QDir().mkpath(services));
        for (const QString &name : {DesktopSearchBus::providerName, DesktopSearchBus::runnerName}) {
            QFile in(QStringLiteral(ORVANE_TEST_DATA "/../../packaging/dbus/%1.service.in").arg(name));
            QFile out(services + '/' + name + ".service");
            QVERIFY(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
            out.write(in.readAll().replace("@ORVANE_EXECUTABLE@", ORVANE_BINARY));
        }
        QProcessEnvironment env = scratchEnvironment(home, "orvane-activated-");
        for (const char *proxy : {"https_proxy", "http_proxy", "all_proxy"}) // nothing leaves the machine
            env.insert(proxy, "http://127.0.0.1:9");
        PrivateBus bus(services, env);
        QVERIFY2(!bus.address.isEmpty(), "dbus-daemon did not start");
        QDBusConnection client = QDBusConnection::connectToBus(bus.address, "activating");

        QCOMPARE(ids(send(client, true, "GetInitialResultSet", {QStringList{"two", "words"}})), QStringList());
        const QDBusReply<uint> pid = client.interface()->servicePid(DesktopSearchBus::runnerName);
        QVERIFY(pid.isValid() && pid.value() > 0);
        const auto stop = qScopeGuard([&] { ::kill(pid_t(pid.value()), SIGTERM); });
        answer(send(client, true, "LaunchSearch", {QStringList{"lumalink"}, 0u}));
        QByteArray log;
        QTRY_VERIFY_WITH_TIMEOUT((log += bus.daemon.readAllStandardError()).contains("Main window drawn"), 20000);
        // Drawn for the desktop's search, not at the start.
        const qsizetype opened = log.indexOf("Main window opened with a text");
        QVERIFY2(opened >= 0 && opened < log.indexOf("Main window drawn"), log.constData());
    }
};

QTEST_MAIN(TestDesktopSearch)
#include "tst_desktopsearch.moc"
