#pragma once

// Registries like the real ones for the benchmarks: RDAP over HTTPS with a certificate authority of
// the bench's own, HTTP/2 (nghttpd), one process per registry host, and in front of every host a
// relay (a child process of the bench) that delays each chunk by RTT/2 in each direction.
// A bench's main() hands `--relay HALF_MS PORT...` over to relay() before anything else.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace bench {

constexpr int hostCount = 10;

inline QString tld(int k) { return QStringLiteral("t%1").arg(k); }
inline bool isTaken(int k) { return k % 2 == 0; } // even TLDs have a record; odd ones answer 404
inline QString hostName(int h) { return QStringLiteral("rdap%1.bench.test").arg(h); }

// ---- the relay (a child process) -------------------------------------------------------------

// A listener on [::1]:port whose accept queue is full: SYNs to it are dropped, as on a network
// whose IPv6 path is broken, and nothing leaves the machine.
inline bool blackHole(quint16 port)
{
    const int fd = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    address.sin6_port = htons(port);
    if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || listen(fd, 0) != 0) {
        close(fd);
        return false;
    }
    const int filler = socket(AF_INET6, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    ::connect(filler, reinterpret_cast<sockaddr *>(&address), sizeof address);
    return true;
}

inline void forward(QTcpSocket *from, QTcpSocket *to, int halfMs)
{
    QObject::connect(from, &QIODevice::readyRead, to, [from, to, halfMs] {
        const QByteArray chunk = from->readAll();
        QTimer::singleShot(halfMs, Qt::PreciseTimer, to, [to, chunk] { to->write(chunk); });
    });
    QObject::connect(from, &QAbstractSocket::disconnected, to, [to, halfMs] {
        QTimer::singleShot(halfMs, Qt::PreciseTimer, to, [to] { to->disconnectFromHost(); });
    });
}

[[noreturn]] inline void relay(int halfMs, const QStringList &targets)
{
    QStringList ports;
    for (const QString &target : targets) {
        QTcpServer *server = nullptr;
        for (;;) {
            server = new QTcpServer;
            server->setListenBacklogSize(4096);
            server->listen(QHostAddress::LocalHost, 0);
            if (blackHole(server->serverPort()))
                break;
            delete server;
        }
        const quint16 upstreamPort = quint16(target.toUInt());
        QObject::connect(server, &QTcpServer::newConnection, server, [server, upstreamPort, halfMs] {
            while (QTcpSocket *client = server->nextPendingConnection()) {
                auto *upstream = new QTcpSocket(client);
                client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                QObject::connect(upstream, &QAbstractSocket::connected, upstream,
                                 [upstream] { upstream->setSocketOption(QAbstractSocket::LowDelayOption, 1); });
                upstream->connectToHost(QHostAddress::LocalHost, upstreamPort);
                forward(client, upstream, halfMs);
                forward(upstream, client, halfMs);
                QObject::connect(client, &QAbstractSocket::disconnected, client,
                                 [client, halfMs] { QTimer::singleShot(halfMs * 2 + 100, client, &QObject::deleteLater); });
            }
        });
        ports << QString::number(server->serverPort());
    }
    std::printf("%s\n", qPrintable(ports.join(QLatin1Char(' '))));
    std::fflush(stdout);
    QCoreApplication::exec();
    std::exit(0);
}

// Registries, relay and curl go with the bench, however it ends.
inline void dieWithParent(QProcess &process)
{
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

inline bool runQuietly(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitCode() == 0;
}

// ---- the registries -------------------------------------------------------------------------

struct Bench {
    QTemporaryDir dir;
    QString caFile;
    QString leafKey;
    QString leafCrt;
    QString docroot;
    QList<QProcess *> registries;
    QList<quint16> registryPorts;
    QString curl = QStringLiteral("curl");

    bool setUp()
    {
        caFile = dir.filePath("ca.crt");
        leafKey = dir.filePath("leaf.key");
        const QString leafCsr = dir.filePath("leaf.csr");
        leafCrt = dir.filePath("leaf.crt");
        QStringList names{QStringLiteral("DNS:iana.bench.test")};
        for (int h = 0; h < hostCount; ++h)
            names << QStringLiteral("DNS:") + hostName(h);
        QFile extensions(dir.filePath("leaf.ext"));
        extensions.open(QIODevice::WriteOnly);
        extensions.write("subjectAltName=" + names.join(QLatin1Char(',')).toLatin1() + "\n");
        extensions.close();
        const QString openssl = QStringLiteral("openssl");
        if (!runQuietly(openssl, {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-days", "2",
                                  "-subj", "/CN=Bench CA", "-keyout", dir.filePath("ca.key"), "-out", caFile})
            || !runQuietly(openssl, {"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-subj",
                                     "/CN=bench.test", "-keyout", leafKey, "-out", leafCsr})
            || !runQuietly(openssl, {"x509", "-req", "-in", leafCsr, "-CA", caFile, "-CAkey", dir.filePath("ca.key"),
                                     "-CAcreateserial", "-days", "2", "-extfile", extensions.fileName(), "-out", leafCrt})) {
            std::fprintf(stderr, "openssl could not make the test certificates\n");
            return false;
        }
        docroot = dir.filePath("htdocs");
        QDir().mkpath(docroot + "/rdap/domain");
        // nghttpd answers a missing file with an HTML page, which the program rightly takes for a
        // captive portal's: a free name answers as the registries that embed the RDAP error do.
        for (int k = 0; k < 1000; ++k) {
            QFile file(docroot + QStringLiteral("/rdap/domain/benchname.") + tld(k));
            file.open(QIODevice::WriteOnly);
            const QJsonObject answer = isTaken(k) ? QJsonObject{{"objectClassName", "domain"}, {"ldhName", "benchname." + tld(k)}}
                                                  : QJsonObject{{"errorCode", 404}, {"title", "Not Found"}};
            file.write(QJsonDocument(answer).toJson(QJsonDocument::Compact));
        }
        // One registry process per host, as real registries are separate machines.
        for (int h = 0; h < hostCount; ++h) {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            const quint16 port = probe.serverPort();
            probe.close();
            auto *process = new QProcess;
            dieWithParent(*process);
            process->start(QStringLiteral("nghttpd"),
                           {"-a", "127.0.0.1", "-d", docroot, QString::number(port), leafKey, leafCrt});
            if (!process->waitForStarted()) {
                std::fprintf(stderr, "nghttpd is missing (Debian: nghttp2-server)\n");
                return false;
            }
            registries << process;
            registryPorts << port;
        }
        for (quint16 port : std::as_const(registryPorts)) {
            for (int attempt = 0;; ++attempt) {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, port);
                if (probe.waitForConnected(200))
                    break;
                if (attempt > 50)
                    return false;
                QThread::msleep(20);
            }
        }
        // nghttpd takes nothing but P-256 for the key exchange, so a client offering X25519 first
        // (as libcurl and curl do, and as real registries accept) pays a HelloRetryRequest round
        // trip on every handshake. The bench's own process and the curl it runs offer P-256 first.
        QFile conf(dir.filePath("openssl.cnf"));
        conf.open(QIODevice::WriteOnly);
        conf.write("openssl_conf = openssl_init\n[openssl_init]\nssl_conf = ssl_sect\n[ssl_sect]\n"
                   "system_default = system_default_sect\n[system_default_sect]\nGroups = P-256:X25519\n");
        conf.close();
        qputenv("OPENSSL_CONF", QFile::encodeName(conf.fileName()));
        return true;
    }

    ~Bench()
    {
        for (QProcess *process : std::as_const(registries)) {
            process->kill();
            process->waitForFinished();
            delete process;
        }
    }
};

struct Relay {
    QProcess process;
    QList<quint16> ports;

    bool start(int rttMs, const QList<quint16> &targets)
    {
        QStringList arguments{QStringLiteral("--relay"), QString::number(rttMs / 2)};
        for (quint16 port : targets)
            arguments << QString::number(port);
        dieWithParent(process);
        process.start(QCoreApplication::applicationFilePath(), arguments);
        if (!process.waitForReadyRead(10000))
            return false;
        for (const QByteArray &port : process.readLine().trimmed().split(' '))
            ports << quint16(port.toUInt());
        return ports.size() == targets.size();
    }
    ~Relay()
    {
        process.kill();
        process.waitForFinished();
    }
};

} // namespace bench
