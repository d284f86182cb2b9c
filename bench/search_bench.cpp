// End-to-end search latency: SearchPaneModel against stand-in RDAP and WHOIS registries on
// loopback that answer after L ms. The registries run in child processes, so the CPU figures
// below are the program's own; they are lean epoll servers, so that on a small machine they take
// as little as possible from the program being measured. Each N is searched twice with the same
// model: the first search also fetches the bootstrap file and sets up what the model keeps, the
// second is every later search of a session. Two more rows run the same exchanges without the program: from
// plain sockets and epoll (what the machine and the registries cost) and through QTcpSocket alone
// (what the program would cost on Qt's sockets, as on other platforms). Usage: search_bench [L_ms] [N ...]

#include "AppSettings.h"
#include "FakeHttpServer.h"
#include "HistoryStore.h"
#include "LeanRegistry.h"
#include "OpenFileLimit.h"
#include "SearchPaneModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMap>
#include <QTcpSocket>
#include <QProcess>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace orvane;

namespace {

QString rdapTLD(int i) { return QStringLiteral("r%1").arg(i); }
QString whoisTLD(int i) { return QStringLiteral("w%1").arg(i); }

// One registry per process, as real registries are separate machines: the HTTP side (the
// bootstrap file and the RDAP answers) or the WHOIS side.
[[noreturn]] void serve(const QString &kind, int n, int latency)
{
    const bool http = kind == QLatin1String("http");
    LeanRegistry registry(http ? LeanRegistry::Protocol::http : LeanRegistry::Protocol::whois,
                          std::chrono::milliseconds(latency), "No match for \"BENCHNAME\".\r\n");
    if (http) {
        QStringList rdap;
        for (int i = 0; i < n; ++i) {
            rdap << rdapTLD(i);
            registry.setHttpAnswer(QStringLiteral("/rdap/domain/benchname.%1").arg(rdapTLD(i)).toUtf8(), 404, "{}", true);
        }
        const QString base = QStringLiteral("http://127.0.0.1:%1/rdap/").arg(registry.port());
        registry.setHttpAnswer("/dns.json", 200, FakeHttpServer::bootstrapFile({{rdap, {base}}}), false);
    }
    std::printf("%u\n", registry.port());
    std::fflush(stdout);
    registry.run();
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

qsizetype openSockets()
{
    qsizetype sockets = 0;
    for (const QString &fd : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System))
        sockets += QFile::symLinkTarget(QStringLiteral("/proc/self/fd/") + fd).contains(QLatin1String("socket:"));
    return sockets;
}

qsizetype openDescriptors()
{
    const QStringList fds = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System);
    if (qEnvironmentVariableIsSet("ORVANE_BENCH_LIST_FDS")) {
        for (const QString &fd : fds)
            std::fprintf(stderr, "  fd %s -> %s\n", qPrintable(fd), qPrintable(QFile::symLinkTarget(QStringLiteral("/proc/self/fd/") + fd)));
    }
    return fds.size();
}

// The same exchanges without the program: plain non-blocking sockets and epoll, one request
// each, every answer read to the end. What this takes is what the machine and the registries
// cost before any of our code runs. Returns the wall time in ms; failed exchanges count in `failed`.
double rawExchanges(quint16 httpPort, int rdapCount, quint16 whoisPort, int whoisCount, int &failed)
{
    struct Exchange {
        int fd = -1;
        QByteArray request;
        bool sent = false;
    };
    const int total = rdapCount + whoisCount;
    std::vector<Exchange> exchanges(static_cast<size_t>(total));
    const int epoll = epoll_create1(EPOLL_CLOEXEC);
    QElapsedTimer timer;
    timer.start();
    int open = 0;
    failed = 0;
    for (int i = 0; i < total; ++i) {
        Exchange &exchange = exchanges[size_t(i)];
        const bool http = i < rdapCount;
        exchange.request = http ? "GET /rdap/domain/benchname." + rdapTLD(i).toLatin1() + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"
                                : "benchname." + whoisTLD(i - rdapCount).toLatin1() + "\r\n";
        exchange.fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(http ? httpPort : whoisPort);
        if (exchange.fd < 0
            || (connect(exchange.fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 && errno != EINPROGRESS)) {
            if (exchange.fd >= 0)
                close(exchange.fd);
            exchange.fd = -1;
            ++failed;
            continue;
        }
        epoll_event event{};
        event.events = EPOLLOUT | EPOLLIN;
        event.data.ptr = &exchange;
        epoll_ctl(epoll, EPOLL_CTL_ADD, exchange.fd, &event);
        ++open;
    }
    epoll_event events[256];
    char buffer[4096];
    while (open > 0) {
        const int ready = epoll_wait(epoll, events, 256, 10000);
        if (ready <= 0)
            break;
        for (int i = 0; i < ready; ++i) {
            auto *exchange = static_cast<Exchange *>(events[i].data.ptr);
            if (!exchange->sent && (events[i].events & EPOLLOUT)) {
                exchange->sent = send(exchange->fd, exchange->request.constData(), size_t(exchange->request.size()), MSG_NOSIGNAL) > 0;
                epoll_event event{};
                event.events = EPOLLIN;
                event.data.ptr = exchange;
                epoll_ctl(epoll, EPOLL_CTL_MOD, exchange->fd, &event);
                continue;
            }
            const ssize_t n = recv(exchange->fd, buffer, sizeof buffer, 0);
            if (n > 0)
                continue;
            failed += n < 0 || !exchange->sent;
            close(exchange->fd);
            exchange->fd = -1;
            --open;
        }
    }
    failed += open; // still open when the wait gave up
    for (const Exchange &exchange : exchanges) {
        if (exchange.fd >= 0)
            close(exchange.fd);
    }
    close(epoll);
    return double(timer.nsecsElapsed()) / 1e6;
}

// The same exchanges through Qt's sockets alone: one QTcpSocket per exchange, the request
// written once connected, the answer read to the end; none of our code.
double qtExchanges(quint16 httpPort, int rdapCount, quint16 whoisPort, int whoisCount, int &failed)
{
    QElapsedTimer timer;
    timer.start();
    int open = rdapCount + whoisCount;
    failed = 0;
    QEventLoop loop;
    auto done = [&](bool ok) {
        failed += !ok;
        if (--open == 0)
            loop.quit();
    };
    for (int i = 0; i < rdapCount + whoisCount; ++i) {
        const bool http = i < rdapCount;
        auto *socket = new QTcpSocket;
        const QByteArray query = http ? "GET /rdap/domain/benchname." + rdapTLD(i).toLatin1() + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"
                                      : "benchname." + whoisTLD(i - rdapCount).toLatin1() + "\r\n";
        QObject::connect(socket, &QTcpSocket::connected, socket, [socket, query] { socket->write(query); });
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->read(socket->bytesAvailable()); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [socket, &done] {
            done(true);
            socket->deleteLater();
        });
        QObject::connect(socket, &QTcpSocket::errorOccurred, socket, [socket, &done](QAbstractSocket::SocketError error) {
            if (error != QAbstractSocket::RemoteHostClosedError) {
                done(false);
                socket->deleteLater();
            }
        });
        socket->connectToHost(QHostAddress::LocalHost, http ? httpPort : whoisPort);
    }
    if (open > 0)
        loop.exec();
    const double wall = double(timer.nsecsElapsed()) / 1e6;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return wall;
}

double steadyMs()
{
    return double(std::chrono::steady_clock::now().time_since_epoch().count()) / 1e6;
}

struct Registry {
    const char *name;
    QProcess *process;
    int delayedQueries; // how many queries it answers after the latency in each round
};

// With ORVANE_BENCH_TIMELINE, each stand-in registry reports when the queries of a round reached
// it and when it sent its last answer; shown here relative to `startedAt`, or dropped if that is 0.
// A registry reports whenever it has answered everything it was sent, so this holds as long as
// all the queries of a round reach it within L of the first.
void registryTimeline(const QList<Registry> &registries, double startedAt)
{
    for (const Registry &registry : registries) {
        if (registry.delayedQueries == 0)
            continue;
        while (!registry.process->canReadLine() && registry.process->waitForReadyRead(10000)) {
        }
        const QList<QByteArray> fields = registry.process->readLine().trimmed().split(' ');
        if (fields.size() != 5 || startedAt == 0)
            continue;
        std::fprintf(stderr, "  %s registry: %s queries arrived from +%.1f to +%.1f ms, last answer sent +%.1f ms\n",
                     registry.name, fields[1].constData(), fields[2].toDouble() - startedAt,
                     fields[3].toDouble() - startedAt, fields[4].toDouble() - startedAt);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    orvane::raiseOpenFileLimit(); // as the program does
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--serve"))
        serve(args.value(1), args.value(2).toInt(), args.value(3).toInt());

    const int latency = args.isEmpty() ? 200 : args.takeFirst().toInt();
    QList<int> sizes;
    for (const QString &a : args)
        sizes << a.toInt();
    if (sizes.isEmpty())
        sizes = {25, 100, 1000};

    const double share = qEnvironmentVariableIsSet("ORVANE_BENCH_RDAP_SHARE") ? qEnvironmentVariable("ORVANE_BENCH_RDAP_SHARE").toDouble() : 0.5;
    std::printf("search latency, registries answering after L = %d ms (%.0f%% RDAP, the rest WHOIS-only)\n", latency, share * 100);
    std::printf("(first: the search that also fetches the bootstrap file; again: the next search with the same model;\n"
                " floor: the same exchanges from plain sockets and epoll, no Qt and none of our code;\n"
                " qt: the same exchanges through QTcpSocket alone)\n");
    std::printf("%6s %6s %10s %7s %14s %10s %8s\n", "N", "search", "wall ms", "wall/L", "CPU/check ms", "peak MiB", "sockets");
    for (const int n : sizes) {
        const int half = n - int(n * share); // WHOIS-only TLDs
        QProcess httpRegistry;
        QProcess whoisRegistry;
        QList<QByteArray> ports;
        for (auto [process, kind] : {std::pair{&httpRegistry, "http"}, std::pair{&whoisRegistry, "whois"}}) {
            process->start(QCoreApplication::applicationFilePath(),
                           {QStringLiteral("--serve"), QLatin1String(kind), QString::number(n - half), QString::number(latency)});
            if (!process->waitForReadyRead(10000))
                return 1;
            ports << process->readLine().trimmed();
        }
        const bool timeline = qEnvironmentVariableIsSet("ORVANE_BENCH_TIMELINE");
        const QList<Registry> registries{{"HTTP", &httpRegistry, n - half}, {"WHOIS", &whoisRegistry, half}};
        QTemporaryDir dir;
        QStringList tlds;
        LookupConfiguration c;
        c.bootstrap.source = QUrl(QStringLiteral("http://127.0.0.1:%1/dns.json").arg(QString::fromLatin1(ports.at(0))));
        c.bootstrap.store.fileName = dir.filePath("defaults.ini");
        c.whois.servers.clear();
        for (int i = 0; i < n - half; ++i)
            tlds << QLatin1Char('.') + rdapTLD(i);
        for (int i = 0; i < half; ++i) {
            tlds << QLatin1Char('.') + whoisTLD(i);
            c.whois.servers.append({QLatin1Char('.') + whoisTLD(i), QStringLiteral("127.0.0.1")});
        }
        c.whois.connection.port = quint16(ports.at(1).toUInt());
        c.whois.referralHost = QStringLiteral("127.0.0.1"); // never leave loopback, even on a fallback
        AppSettings settings(SettingsLocation{dir.filePath("settings.ini")});
        settings.setTlds(tlds);
        settings.setEnabledTLDs(tlds);
        auto store = *HistoryStore::open(dir.filePath("history.sqlite"));

        const qsizetype fdBefore = openDescriptors();
        {
            SearchPaneModel model(c);
            const int rounds = qEnvironmentVariableIntValue("ORVANE_BENCH_ROUNDS") > 0 ? qEnvironmentVariableIntValue("ORVANE_BENCH_ROUNDS") : 2;
            for (int round = 0; round < rounds; ++round) {
                const char *which = round == 0 ? "first" : "again";
                model.setQuery(QStringLiteral("benchname"));
                const double cpuStart = cpuSeconds();
                QElapsedTimer timer;
                timer.start();
                double firstAnswer = -1;
                double lastAnswer = 0;
                const auto watch = QObject::connect(model.liveResults(), &QAbstractItemModel::dataChanged, &model, [&] {
                    const double at = double(timer.nsecsElapsed()) / 1e6;
                    if (firstAnswer < 0)
                        firstAnswer = at;
                    lastAnswer = at;
                });
                const double startedAt = steadyMs();
                model.search(store.get(), &settings);
                const double issued = double(timer.nsecsElapsed()) / 1e6;
                QEventLoop loop;
                QObject::connect(&model, &SearchPaneModel::isSearchingChanged, &loop, [&] {
                    if (!model.isSearching())
                        loop.quit();
                });
                if (model.isSearching())
                    loop.exec();
                const double wall = double(timer.nsecsElapsed()) / 1e6;
                const double cpu = cpuSeconds() - cpuStart;
                QObject::disconnect(watch);
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                QCoreApplication::processEvents();
                std::printf("%6d %6s %10.1f %7.2f %14.3f %10.1f %8lld\n", n, which, wall, wall / latency, cpu * 1000.0 / n,
                            double(peakKiB()) / 1024.0, static_cast<long long>(openSockets()));
                std::fflush(stdout);
                if (timeline) {
                    std::fprintf(stderr, "  search() returned %.1f ms, first answer %.1f ms, last answer %.1f ms, done %.1f ms\n",
                                 issued, firstAnswer, lastAnswer, wall);
                    registryTimeline(registries, startedAt);
                }
                if (model.liveResults()->availableCount() != n) {
                    std::fprintf(stderr, "warning: only %d of %d rows available\n", model.liveResults()->availableCount(), n);
                    QMap<QString, int> errors;
                    for (int row = 0; row < model.liveResults()->rowCount(); ++row) {
                        const QModelIndex at = model.liveResults()->index(row);
                        if (at.data(LiveResultsModel::HasErrorRole).toBool())
                            errors[at.data(LiveResultsModel::ErrorMessageRole).toString()] += 1;
                    }
                    for (auto it = errors.cbegin(); it != errors.cend(); ++it)
                        std::fprintf(stderr, "  %d x %s\n", it.value(), qPrintable(it.key()));
                }
            }
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        const qsizetype fdAfter = openDescriptors();
        if (!qEnvironmentVariableIsSet("ORVANE_BENCH_ENGINE_ONLY")) {
            // The same exchanges without our code, for comparison.
            int failed = 0;
            const quint16 httpPort = quint16(ports.at(0).toUInt());
            const quint16 whoisPort = quint16(ports.at(1).toUInt());
            const auto row = [&](const char *label, const char *what, const auto &exchanges) {
                const double startedAt = steadyMs();
                const double cpuStart = cpuSeconds();
                const double wall = exchanges();
                const double cpu = cpuSeconds() - cpuStart;
                std::printf("%6d %6s %10.1f %7.2f %14.3f %10s %8s\n", n, label, wall, wall / latency, cpu * 1000.0 / n, "", "");
                std::fflush(stdout);
                if (timeline)
                    registryTimeline(registries, startedAt);
                if (failed > 0)
                    std::fprintf(stderr, "warning: %d %s exchanges failed\n", failed, what);
            };
            row("floor", "raw", [&] { return rawExchanges(httpPort, n - half, whoisPort, half, failed); });
            row("qt", "Qt", [&] { return qtExchanges(httpPort, n - half, whoisPort, half, failed); });
        }
        // The history's WAL and shared-memory files open with the first save and stay with the store.
        std::printf("%6s descriptors: %lld before the searches, %lld once the model is gone\n", "",
                    static_cast<long long>(fdBefore), static_cast<long long>(fdAfter));

        for (QProcess *process : {&httpRegistry, &whoisRegistry}) {
            process->kill();
            process->waitForFinished();
        }
    }
    return 0;
}
