// Start-up and idle figures of the real program: time from process start to the first frame of
// the main window and the CPU it took, resident memory when idle, and how often the idle program
// wakes up; then the same program started at login (`orvane --autostart`), which stays in the
// tray. Runs `orvane` with a scratch home on the offscreen platform, as a returning user: the
// welcome window done, the gong off, and a bootstrap file fetched lately (it names loopback
// only), so that nothing reaches the network. CPU, memory and wake-ups count every thread.

#include "ProcessStatus.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

#include <cstdio>

using namespace bench;

namespace {


// User and system time of every thread of the process.
double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

QProcessEnvironment scratchHome(const QTemporaryDir &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
    env.insert("XDG_DATA_HOME", home.filePath(".local/share"));
    env.insert("XDG_CACHE_HOME", home.filePath(".cache"));
    env.insert("XDG_RUNTIME_DIR", home.path());
    env.insert("USER", "orvane-bench");
    if (!env.contains("QT_QPA_PLATFORM"))
        env.insert("QT_QPA_PLATFORM", "offscreen");
    QSettings settings(home.filePath(".config/pellunor/Orvane.conf"), QSettings::IniFormat);
    settings.setValue("settings.hasCompletedOnboarding", true);
    settings.setValue("settings.playGongOnAvailable", false);
    settings.setValue("rdap.bootstrap.cache", QByteArray(R"({".com":"https://127.0.0.1:9/rdap/",".ai":"https://127.0.0.1:9/rdap/"})"));
    settings.setValue("rdap.bootstrap.cacheDate", QDateTime::currentDateTimeUtc());
    return env;
}

struct Idle {
    double rssMiB = 0;
    double anonMiB = 0;
    qint64 wakeups = 0;
};

Idle idle(qint64 pid, unsigned long seconds)
{
    QThread::sleep(2);
    const auto before = switches(pid);
    QThread::sleep(seconds);
    return {double(processField(pid, "VmRSS:")) / 1024.0, double(processField(pid, "RssAnon:")) / 1024.0,
            wakeupsBetween(before, switches(pid))};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString binary = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(ORVANE_BINARY);

    QTemporaryDir home;
    QProcess orvane;
    orvane.setProcessEnvironment(scratchHome(home));
    orvane.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer timer;
    timer.start();
    orvane.start(binary);
    QByteArray log;
    while (!log.contains("Main window drawn") && timer.elapsed() < 20000) {
        orvane.waitForReadyRead(20);
        log += orvane.readAll();
    }
    const double firstFrame = double(timer.nsecsElapsed()) / 1e6;
    const double cpu = cpuSeconds(orvane.processId());
    if (!log.contains("Main window drawn")) {
        std::fprintf(stderr, "the main window was not drawn:\n%s\n", log.constData());
        return 1;
    }
    const Idle shown = idle(orvane.processId(), 5);
    orvane.kill();
    orvane.waitForFinished();

    QTemporaryDir loginHome;
    QProcess login;
    login.setProcessEnvironment(scratchHome(loginHome));
    login.setProcessChannelMode(QProcess::MergedChannels);
    login.start(binary, {QStringLiteral("--autostart")});
    login.waitForStarted();
    const Idle tray = idle(login.processId(), 5);
    const bool drawn = login.readAll().contains("Main window drawn");
    login.kill();
    login.waitForFinished();

    std::printf("start-up and idle (offscreen; a returning user; every thread counted)\n");
    std::printf("  process start to first frame : %8.1f ms  (target < 1000 ms), CPU %.2f s\n", firstFrame, cpu);
    std::printf("  idle, main window shown      : %8.1f MiB resident, %.1f MiB anonymous (target < 150 MiB)\n", shown.rssMiB, shown.anonMiB);
    std::printf("  wake-ups in 5 s of idling    : %8lld\n", static_cast<long long>(shown.wakeups));
    // The offscreen platform has no tray: there, a start at login shows the window, as it should
    // (bench/window_bench measures a login start with a tray).
    std::printf("  started at login (--autostart): %7.1f MiB resident, %.1f MiB anonymous (target <= 10 with a tray), %lld wake-ups in 5 s%s\n",
                tray.rssMiB, tray.anonMiB, static_cast<long long>(tray.wakeups),
                drawn ? "\n                                 (no tray on this platform, so the window showed, as it should)" : "");
    return 0;
}
