// Engine throughput: orvane-check on 200 names x 5 TLDs against loopback registries that
// answer after L ms, ten tools at a time. Prints checks per second and CPU per check.

#include "FakeHttpServer.h"
#include "FakeWhoisServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int latency = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200;
    const int names = 200;
    const int parallel = 10;
    // Three TLDs served over RDAP, two from the WHOIS table (every WHOIS query goes to the fake).
    const QStringList tlds{".r0", ".r1", ".r2", ".io", ".me"};

    FakeHttpServer http;
    FakeWhoisServer whois;
    http.serveBootstrap({"r0", "r1", "r2"});
    for (int n = 0; n < names; ++n) {
        for (const char *tld : {"r0", "r1", "r2"}) {
            FakeHttpServer::Route route{404, {}, "{}"};
            route.delayMs = latency;
            http.setRoute(QStringLiteral("/rdap/domain/name%1.%2").arg(n).arg(QLatin1String(tld)), route);
        }
    }
    FakeWhoisServer::Script script;
    script.answer = "No match for the name.\r\n";
    script.delayMs = latency;
    whois.setDefault(script);

    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath(".config"));

    QElapsedTimer timer;
    timer.start();
    int started = 0;
    int finished = 0;
    int failures = 0;
    std::function<void()> launch = [&] {
        if (started == names)
            return;
        auto *tool = new QProcess(&app);
        tool->setProcessEnvironment(env);
        QStringList args{"--bootstrap", http.url("/dns.json").toString(), "--whois", "127.0.0.1",
                         "--whois-port", QString::number(whois.port()), QStringLiteral("name%1").arg(started++)};
        QObject::connect(tool, &QProcess::finished, &app, [&, tool](int code) {
            failures += code != 0;
            tool->deleteLater();
            if (++finished == names)
                QCoreApplication::quit();
            else
                launch();
        });
        tool->start(QStringLiteral(ORVANE_CHECK_BINARY), args + tlds);
    };
    for (int i = 0; i < parallel; ++i)
        launch();
    QCoreApplication::exec();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;

    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    const double cpu = double(children.ru_utime.tv_sec + children.ru_stime.tv_sec)
                       + double(children.ru_utime.tv_usec + children.ru_stime.tv_usec) / 1e6;
    const int checks = names * int(tlds.size());
    std::printf("orvane-check throughput: %d names x %lld TLDs, %d tools at a time, registries answering after %d ms\n",
                names, static_cast<long long>(tlds.size()), parallel, latency);
    std::printf("  %.1f checks per second, %.2f ms CPU per check (tool start-up included), %d runs failed\n",
                checks / seconds, cpu * 1000.0 / checks, failures);
    return failures ? 1 : 0;
}
