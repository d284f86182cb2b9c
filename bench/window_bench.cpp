// The desktop program's own costs with 25 and 1,000 TLDs, beside 20-line Qt programs as the floor:
// start-up to the first frame of the main window, a search in the window (wall, CPU, peak and
// settled memory), the program hidden in the tray (after its window is released), the window
// reopened, the search field focused and idle, and a start at login.
//
// The program runs as a child process of this bench (the application object, its QML and its
// windows, with the real renderer): offscreen, and on an X server (Xvfb) when there is one. Its
// registries are the search bench's: RDAP over HTTPS and HTTP/2 from nghttpd behind relays that
// delay every chunk by RTT/2, 10 hosts, 300 of the 1,000 TLDs on one host. Nothing leaves the
// machine: every name resolves to loopback and WHOIS points at a closed local port.
// Memory, CPU and wake-ups are read from /proc from outside, all threads counted.
// One-off work after a start or a release (the thread pool's idle threads ending, the image cache's
// last timer) is left to pass before idle wake-ups are counted.
// Usage: window_bench [--rtt MS] [--quick] [--release-after S] [--platform offscreen|xcb|both]

#include "app/OrvaneApp.h"
#include "engine/ApplicationIdentity.h"
#include "engine/OpenFileLimit.h"
#include "engine/RDAPBootstrap.h"
#include "net/HttpClient.h"
#include "search/SearchPaneModel.h"

#include "ProcessStatus.h"
#include "Registries.h"

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QKeyEvent>

#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <optional>

using namespace orvane;
using namespace bench;

namespace {

// ---- reading a process from outside ------------------------------------------------------------

double mib(qint64 kib) { return double(kib) / 1024.0; }

double cpuSelf()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage); // the whole process, every thread
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

qint64 ownStatusKiB(const char *field) { return processField(QCoreApplication::applicationPid(), field); }

void say(const QByteArray &line)
{
    std::printf("%s\n", line.constData());
    std::fflush(stdout);
}

// Commands from the bench arrive on standard input, one per line; nothing polls for them.
class Commands : public QObject
{
public:
    explicit Commands(std::function<void(const QByteArray &)> handler)
        : m_notifier(0, QSocketNotifier::Read), m_handler(std::move(handler))
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this] {
            char buffer[256];
            const ssize_t n = ::read(0, buffer, sizeof buffer);
            if (n <= 0) {
                QCoreApplication::exit(0);
                return;
            }
            m_pending.append(buffer, n);
            while (m_pending.contains('\n')) {
                const qsizetype end = m_pending.indexOf('\n');
                const QByteArray line = m_pending.left(end).trimmed();
                m_pending.remove(0, end + 1);
                m_handler(line);
            }
        });
    }

private:
    QSocketNotifier m_notifier;
    std::function<void(const QByteArray &)> m_handler;
    QByteArray m_pending;
};

// ---- the program (a child process) -------------------------------------------------------------

int runProgram(const QString &home, const QString &mode)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    orvane::raiseOpenFileLimit();
    int argc = 1;
    char name[] = "orvane";
    char *argv[] = {name, nullptr};
    OrvaneApp::chooseRenderer();
    QApplication application(argc, argv);
    orvane::setApplicationIdentity();
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/orvane/resources/VarivUzaz.svg")));

    QFile file(home + QStringLiteral("/bench.json"));
    file.open(QIODevice::ReadOnly);
    const QJsonObject setup = QJsonDocument::fromJson(file.readAll()).object();
    QStringList resolve;
    for (const QJsonValue &entry : setup.value("resolve").toArray())
        resolve << entry.toString();
    HttpClient http(HttpClientOptions{setup.value("ca").toString(), resolve, 6});

    AppConfiguration c;
    c.settings.fileName = home + QStringLiteral("/settings.ini");
    c.historyPath = home + QStringLiteral("/history.sqlite");
    c.lookup.http = &http;
    c.lookup.bootstrap.http = &http;
    c.lookup.bootstrap.source = QUrl(setup.value("bootstrap").toString());
    c.lookup.bootstrap.store.fileName = c.settings.fileName;
    c.lookup.whois.servers.clear(); // every answer comes over RDAP; WHOIS would meet a closed port
    c.lookup.whois.referralHost = QStringLiteral("127.0.0.1");
    c.lookup.whois.connection.port = 1;
    c.loginItem = false;
    c.timings.windowRelease = std::chrono::seconds(qEnvironmentVariableIntValue("ORVANE_BENCH_RELEASE_AFTER"));
    auto created = OrvaneApp::make(c);
    if (!created) {
        std::fprintf(stderr, "%s\n", qPrintable(created.error().message));
        return 1;
    }
    OrvaneApp &app = **created;
    // Offscreen there is no tray: the bench stands in for one, as the tests do.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        app.tray()->setAvailable(true);

    if (mode == QLatin1String("login")) {
        app.start(OrvaneApp::Launch::atLogin);
        QTimer::singleShot(0, [] { say("started"); });
        Commands commands([](const QByteArray &) { QCoreApplication::quit(); });
        return QApplication::exec();
    }

    app.start();
    QQuickWindow *window = app.windows()->mainWindow();
    if (!window)
        return 1;
    // Frames are watched by time stamps only; the bench reads them when it needs them.
    QElapsedTimer clock;
    clock.start();
    qint64 lastFrame = -1;
    int frames = 0;
    std::function<void()> onFrame;
    const auto watchFrames = [&](QQuickWindow *w) {
        QObject::connect(w, &QQuickWindow::frameSwapped, w, [&] {
            lastFrame = clock.elapsed();
            ++frames;
            if (onFrame)
                std::exchange(onFrame, nullptr)();
        });
    };
    watchFrames(window);
    onFrame = [&] { say(QByteArray("drawn ") + QByteArray::number(sinceStart.elapsed()) + ' ' + QByteArray::number(cpuSelf(), 'f', 3)); };

    QObject::connect(app.windows(), &WindowController::released, [] { say("released"); });

    Commands commands([&](const QByteArray &command) {
        if (command == "search") {
            SearchPaneModel *pane = app.searchPane();
            QFile refs(QStringLiteral("/proc/self/clear_refs"));
            if (refs.open(QIODevice::WriteOnly))
                refs.write("5"); // the peak starts from here
            refs.close();
            const double cpuStart = cpuSelf();
            const qint64 start = clock.elapsed();
            const int framesBefore = frames;
            pane->setQuery(QStringLiteral("benchname"));
            pane->search();
            // The search ends when the model says so and the window has drawn what it says.
            auto *settle = new QTimer;
            settle->setInterval(300);
            QObject::connect(settle, &QTimer::timeout, [&, settle, cpuStart, start, pane, framesBefore] {
                if (pane->isSearching() || clock.elapsed() - lastFrame < 300)
                    return;
                settle->deleteLater();
                int wrong = 0;
                for (const LiveResult &row : pane->liveResults()->rows()) {
                    const int k = row.domain.section(QLatin1String(".t"), 1).toInt();
                    wrong += row.availability != (isTaken(k) ? DomainAvailability::taken : DomainAvailability::available);
                }
                const qint64 wall = std::max(lastFrame, start) - start;
                say("searched " + QByteArray::number(wall) + ' ' + QByteArray::number(cpuSelf() - cpuStart, 'f', 3) + ' '
                    + QByteArray::number(ownStatusKiB("VmHWM:")) + ' ' + QByteArray::number(wrong) + ' '
                    + QByteArray::number(pane->liveResults()->count()) + ' ' + QByteArray::number(frames - framesBefore));
            });
            settle->start();
        } else if (command == "hide") {
            app.windows()->toggleMain();
            say("hidden");
        } else if (command == "show") {
            const qint64 start = clock.elapsed();
            const double cpuStart = cpuSelf();
            const bool rebuilt = !app.windows()->mainWindow();
            onFrame = [&, start, cpuStart, rebuilt] {
                say("shown " + QByteArray::number(clock.elapsed() - start) + ' ' + QByteArray::number(cpuSelf() - cpuStart, 'f', 3)
                    + (rebuilt ? " rebuilt" : " kept"));
            };
            app.windows()->openMain();
            if (QQuickWindow *w = app.windows()->mainWindow(); w && rebuilt)
                watchFrames(w);
        } else if (command == "type") {
            QQuickWindow *w = app.windows()->mainWindow();
            for (const auto &[key, text] : {std::pair{Qt::Key_A, QStringLiteral("a")}, std::pair{Qt::Key_Backspace, QString()}}) {
                QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
                QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
                QCoreApplication::sendEvent(w, &down);
                QCoreApplication::sendEvent(w, &up);
            }
            say("typed");
        } else {
            QCoreApplication::quit();
        }
    });
    return QApplication::exec();
}

// ---- the floor: the smallest Qt programs of each kind -------------------------------------------

int floorTray()
{
    int argc = 1;
    char name[] = "floor-tray";
    char *argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap image(22, 22);
    image.fill(Qt::darkCyan);
    QSystemTrayIcon tray{QIcon(image)};
    tray.setToolTip(QStringLiteral("Floor"));
    tray.show();
    QTimer::singleShot(0, [] { say("started"); });
    Commands commands([](const QByteArray &) { QCoreApplication::quit(); });
    return QApplication::exec();
}

int floorWindow()
{
    int argc = 1;
    char name[] = "floor-window";
    char *argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    QQmlApplicationEngine engine;
    engine.loadData("import QtQuick\nWindow { width: 1040; height: 720; visible: true\n"
                    "  Text { anchors.centerIn: parent; text: \"A plain window\" } }");
    auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().value(0));
    bool drawn = false;
    QObject::connect(window, &QQuickWindow::frameSwapped, window, [&] {
        if (!std::exchange(drawn, true))
            say("drawn 0 " + QByteArray::number(cpuSelf(), 'f', 3));
    });
    Commands commands([](const QByteArray &) { QCoreApplication::quit(); });
    return QGuiApplication::exec();
}

// ---- the bench ----------------------------------------------------------------------------------

struct Options {
    int rtt = 100;
    bool quick = false;
    int releaseAfterS = 5;
    QString platforms = QStringLiteral("both");
};

// One child process and its lines.
class Child
{
public:
    Child(const QStringList &arguments, const QProcessEnvironment &env)
    {
        dieWithParent(m_process);
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_timer.start();
        m_process.start(QCoreApplication::applicationFilePath(), arguments);
    }
    ~Child()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.write("quit\n");
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished();
        }
    }
    qint64 pid() const { return m_process.processId(); }
    qint64 sinceStart() const { return m_timer.elapsed(); }
    void send(const QByteArray &command)
    {
        m_process.write(command + '\n');
        m_process.waitForBytesWritten();
    }
    // The next line starting with `word`, its other words; nothing after `ms`.
    std::optional<QList<QByteArray>> await(const QByteArray &word, int ms = 120000)
    {
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            while (m_process.canReadLine()) {
                QList<QByteArray> parts = m_process.readLine().trimmed().split(' ');
                if (parts.first() == word)
                    return parts.mid(1);
            }
            if (waited.elapsed() > ms || m_process.state() == QProcess::NotRunning)
                return std::nullopt;
            m_process.waitForReadyRead(int(std::max<qint64>(1, ms - waited.elapsed())));
        }
    }

private:
    QProcess m_process;
    QElapsedTimer m_timer;
};

// Memory and wake-ups of a process left alone for `seconds`.
struct Idle {
    double rssMiB = 0;
    double anonMiB = 0;
    qint64 wakeups = 0;
};

Idle idleFor(qint64 pid, int seconds)
{
    const auto before = switches(pid);
    QThread::sleep(static_cast<unsigned long>(seconds));
    Idle idle;
    idle.wakeups = wakeupsBetween(before, switches(pid));
    idle.rssMiB = mib(processField(pid, "VmRSS:"));
    idle.anonMiB = mib(processField(pid, "RssAnon:"));
    return idle;
}

struct Platform {
    QString name;
    QProcessEnvironment env;
};

// A scratch home with the bench's registries and `count` TLDs, all enabled.
struct Home {
    QTemporaryDir dir;

    Home(const Bench &bench, const Relay &relay, int count)
    {
        QStringList resolve{QStringLiteral("iana.bench.test:%1:127.0.0.1").arg(bench.registryPorts.at(0))};
        for (int h = 0; h < hostCount; ++h)
            resolve << QStringLiteral("%1:%2:127.0.0.1").arg(hostName(h)).arg(relay.ports.at(h));
        QJsonObject cache;
        QStringList tlds;
        QMap<int, QStringList> byHost;
        for (int k = 0; k < count; ++k) {
            const int host = count <= 25 ? k % hostCount : (k < 300 ? 0 : 1 + (k - 300) % (hostCount - 1));
            tlds << QLatin1Char('.') + tld(k);
            byHost[host] << tld(k);
            cache.insert(QLatin1Char('.') + tld(k), QStringLiteral("https://%1:%2/rdap/").arg(hostName(host)).arg(relay.ports.at(host)));
        }
        QJsonArray services;
        for (auto it = byHost.cbegin(); it != byHost.cend(); ++it)
            services.append(QJsonArray{QJsonArray::fromStringList(it.value()),
                                       QJsonArray{QStringLiteral("https://%1:%2/rdap/").arg(hostName(it.key())).arg(relay.ports.at(it.key()))}});
        const QString name = QStringLiteral("dns-window-%1.json").arg(count);
        QFile bootstrap(bench.docroot + QLatin1Char('/') + name);
        bootstrap.open(QIODevice::WriteOnly);
        bootstrap.write(QJsonDocument(QJsonObject{{"services", services}}).toJson(QJsonDocument::Compact));
        bootstrap.close();

        QFile setup(dir.filePath("bench.json"));
        setup.open(QIODevice::WriteOnly);
        setup.write(QJsonDocument(QJsonObject{{"ca", bench.caFile},
                                              {"resolve", QJsonArray::fromStringList(resolve)},
                                              {"bootstrap", QStringLiteral("https://iana.bench.test:%1/%2").arg(bench.registryPorts.at(0)).arg(name)}})
                        .toJson());
        setup.close();
        // A returning user: the catalogue enabled, the welcome done, the gong off, and the
        // bootstrap file fetched lately (as after an earlier start).
        QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
        const QByteArray list = QJsonDocument(QJsonArray::fromStringList(tlds)).toJson(QJsonDocument::Compact);
        settings.setValue("settings.tlds", list);
        settings.setValue("settings.enabledTLDs", list);
        settings.setValue("settings.hasCompletedOnboarding", true);
        settings.setValue("settings.playGongOnAvailable", false);
        settings.setValue(RDAPBootstrap::cacheKey, QJsonDocument(cache).toJson(QJsonDocument::Compact));
        settings.setValue(RDAPBootstrap::cacheDateKey, QDateTime::currentDateTimeUtc());
    }
    QString path() const { return dir.path(); }
};

QProcessEnvironment childEnvironment(const QProcessEnvironment &platform, const QString &home)
{
    QProcessEnvironment env = platform;
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", home + "/.config");
    env.insert("XDG_DATA_HOME", home + "/.local/share");
    env.insert("XDG_CACHE_HOME", home + "/.cache");
    env.insert("XDG_RUNTIME_DIR", home);
    return env;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

void runPlatform(const Platform &platform, const Bench &bench, const Relay &relay, const Options &options)
{
    std::printf("\n== %s ==\n", qPrintable(platform.name));
    const int hiddenS = options.quick ? 15 : 60;
    const int focusedS = options.quick ? 10 : 20;
    const unsigned long settleS = options.quick ? 10 : 35;
    QMap<int, double> startupCpu;
    for (const int count : {25, 1000}) {
        Home home(bench, relay, count);
        const QProcessEnvironment env = childEnvironment(platform.env, home.path());
        QList<double> cpu, wall;
        for (int run = 0; run < 3; ++run) {
            Child program({"--program", home.path(), "start"}, env);
            const auto drawn = program.await("drawn", 60000);
            if (!drawn) {
                std::printf("  %4d TLDs: the main window was not drawn\n", count);
                return;
            }
            wall << double(program.sinceStart());
            cpu << drawn->value(1).toDouble();
        }
        startupCpu[count] = median(cpu);
        std::printf("  start-up, %4d TLDs enabled: first frame %6.0f ms, CPU %.3f s (median of 3)\n", count, median(wall), median(cpu));
    }
    std::printf("  start-up CPU with 1,000 enabled / with 25: %.2f x (target <= 1.2)\n", startupCpu[1000] / startupCpu[25]);
    {
        // Nothing due: no search in the history, the field focused, the last keystroke 10 s ago.
        Home home(bench, relay, 25);
        Child program({"--program", home.path(), "start"}, childEnvironment(platform.env, home.path()));
        program.await("drawn", 60000);
        QThread::sleep(settleS);
        program.send("type");
        program.await("typed");
        QThread::sleep(11); // the caret rests 10 s after the keystroke; a second's margin

        const Idle focused = idleFor(program.pid(), focusedS);
        std::printf("  focused idle from 11 s after a keystroke, nothing due: %.1f MiB, %.1f anonymous, %lld wake-ups in %d s\n",
                    focused.rssMiB, focused.anonMiB, static_cast<long long>(focused.wakeups), focusedS);
    }

    QMap<int, double> settledRss;
    for (const int count : {25, 1000}) {
        Home home(bench, relay, count);
        Child program({"--program", home.path(), "session"}, childEnvironment(platform.env, home.path()));
        if (!program.await("drawn", 60000)) {
            std::printf("  %4d TLDs: the main window was not drawn\n", count);
            return;
        }
        QThread::sleep(2);
        program.send("search");
        const auto searched = program.await("searched", 120000);
        if (!searched) {
            std::printf("  %4d TLDs: the search did not end\n", count);
            return;
        }
        QThread::sleep(1);
        const double rss = mib(processField(program.pid(), "VmRSS:"));
        const double anon = mib(processField(program.pid(), "RssAnon:"));
        settledRss[count] = rss;
        std::printf("  search, %4d TLDs: wall %6.0f ms, CPU %.3f s, peak %.1f MiB, after %.1f MiB (%.1f anonymous), %s frames"
                    "   rows %s, wrong %s\n",
                    count, searched->value(0).toDouble(), searched->value(1).toDouble(), mib(searched->value(2).toLongLong()), rss, anon,
                    searched->value(5).constData(), searched->value(4).constData(), searched->value(3).constData());

        program.send("hide");
        program.await("hidden");
        const bool released = program.await("released", (options.releaseAfterS + 30) * 1000).has_value();
        QThread::sleep(settleS);
        const Idle hidden = idleFor(program.pid(), hiddenS);
        std::printf("  hidden (%s, %lu s before): %.1f MiB, %.1f anonymous, %lld wake-ups in %d s\n",
                    released ? "window released" : "window kept", settleS, hidden.rssMiB, hidden.anonMiB,
                    static_cast<long long>(hidden.wakeups), hiddenS);

        program.send("show");
        const auto shown = program.await("shown", 30000);
        std::printf("  reopened: first frame after %s ms, CPU %s s (%s)\n", shown ? shown->value(0).constData() : "-",
                    shown ? shown->value(1).constData() : "-", shown ? shown->value(2).constData() : "not drawn");
        QThread::sleep(1);
        program.send("type");
        program.await("typed");
        QThread::sleep(11); // the caret rests 10 s after the keystroke; a second's margin

        const Idle focused = idleFor(program.pid(), focusedS);
        std::printf("  focused idle from 11 s after a keystroke, the search's \"… sec. ago\" moving on every 10 s: %.1f MiB, %.1f anonymous,"
                    " %lld wake-ups in %d s\n", focused.rssMiB, focused.anonMiB, static_cast<long long>(focused.wakeups), focusedS);
    }
    std::printf("  after-search RSS, 1,000 TLDs above 25: %+.1f MiB (target <= 60)\n", settledRss[1000] - settledRss[25]);

    {
        Home home(bench, relay, 25);
        Child program({"--program", home.path(), "login"}, childEnvironment(platform.env, home.path()));
        program.await("started", 60000);
        QThread::sleep(3);
        const Idle idle = idleFor(program.pid(), focusedS);
        std::printf("  login start: %.1f MiB, %.1f anonymous (target <= 10), %lld wake-ups in %d s\n", idle.rssMiB, idle.anonMiB,
                    static_cast<long long>(idle.wakeups), focusedS);
    }
    for (const char *kind : {"tray", "window"}) {
        QTemporaryDir home;
        Child floor({QStringLiteral("--floor-%1").arg(QLatin1String(kind))}, childEnvironment(platform.env, home.path()));
        const auto ready = floor.await(QByteArray(kind) == "tray" ? "started" : "drawn", 30000);
        QThread::sleep(2);
        const Idle idle = idleFor(floor.pid(), focusedS);
        std::printf("  floor, a 20-line %-6s program: %.1f MiB, %.1f anonymous, %lld wake-ups in %d s%s\n", kind, idle.rssMiB,
                    idle.anonMiB, static_cast<long long>(idle.wakeups), focusedS,
                    ready && ready->size() > 1 ? qPrintable(QStringLiteral(", start-up CPU %1 s").arg(ready->value(1).constData())) : "");
    }
}

// An X server of our own, when Xvfb is installed.
struct XServer {
    QProcess process;
    QString display;

    bool start()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
            return false;
        dieWithParent(process);
        process.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1600x1000x24", "-nolisten", "tcp"});
        if (!process.waitForReadyRead(10000))
            return false;
        display = QLatin1Char(':') + QString::fromLatin1(process.readLine().trimmed());
        return display.size() > 1;
    }
    ~XServer()
    {
        process.kill();
        process.waitForFinished();
    }
};

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is known
    if (argc > 1 && QByteArray(argv[1]) == "--program")
        return runProgram(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc > 1 && QByteArray(argv[1]) == "--floor-tray")
        return floorTray();
    if (argc > 1 && QByteArray(argv[1]) == "--floor-window")
        return floorWindow();

    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--relay"))
        relay(args.value(1).toInt(), args.mid(2));
    Options options;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--rtt"))
            options.rtt = args.value(++i).toInt();
        else if (args.at(i) == QLatin1String("--quick"))
            options.quick = true;
        else if (args.at(i) == QLatin1String("--release-after"))
            options.releaseAfterS = args.value(++i).toInt();
        else if (args.at(i) == QLatin1String("--platform"))
            options.platforms = args.value(++i);
    }

    Bench bench;
    if (!bench.setUp())
        return 1;
    Relay relayProcess;
    if (!relayProcess.start(options.rtt, bench.registryPorts))
        return 1;
    std::printf("The desktop program with its QML and windows, in a child process; registries: RDAP over HTTPS (HTTP/2, nghttpd),\n"
                "%d hosts, each behind a relay adding %d ms of round trip; 1,000 TLDs with 300 on one host.\n"
                "Hidden: after the main window has been hidden for %d s (the program releases it after that time; pass\n"
                "--release-after 120 for the shipped delay). Wake-ups: context switches of all threads.\n"
                "No tray host runs here: the bench tells the program that it has a tray, as the UI tests do.\n",
                hostCount, options.rtt, options.releaseAfterS);

    QProcessEnvironment base = QProcessEnvironment::systemEnvironment();
    base.remove("QT_QUICK_BACKEND"); // the real renderer
    base.insert("ORVANE_BENCH_RELEASE_AFTER", QString::number(options.releaseAfterS));
    QProcessEnvironment offscreen = base;
    offscreen.insert("QT_QPA_PLATFORM", "offscreen");
    offscreen.remove("DISPLAY");
    offscreen.remove("WAYLAND_DISPLAY");
    if (options.platforms != QLatin1String("xcb"))
        runPlatform({QStringLiteral("offscreen platform, the program's renderer (Qt Quick's software renderer)"), offscreen}, bench,
                    relayProcess, options);

    XServer x;
    if (options.platforms == QLatin1String("offscreen")) {
    } else if (x.start()) {
        QProcessEnvironment xcb = base;
        xcb.insert("QT_QPA_PLATFORM", "xcb");
        xcb.insert("DISPLAY", x.display);
        xcb.remove("WAYLAND_DISPLAY");
        runPlatform({QStringLiteral("Xvfb %1, xcb, the program's renderer (Qt Quick's software renderer; the floor window: OpenGL, llvmpipe)").arg(x.display), xcb}, bench, relayProcess, options);
    } else {
        std::printf("\n(no Xvfb: the X11 figures are left out)\n");
    }
    return 0;
}
