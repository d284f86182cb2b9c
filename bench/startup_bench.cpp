// Start-up and idle figures of the real program: time from process start to the first
// frame of the main window, resident memory when idle, and how often an idle program
// wakes up. Runs `orvane` with a scratch home on the offscreen platform.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

qint64 statusField(qint64 pid, const char *field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString binary = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(ORVANE_BINARY);
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
    env.insert("XDG_DATA_HOME", home.filePath(".local/share"));
    env.insert("XDG_RUNTIME_DIR", home.path());
    env.insert("USER", "orvane-bench");
    if (!env.contains("QT_QPA_PLATFORM"))
        env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QT_QUICK_BACKEND", "software");
    {
        // A returning user: no welcome window, no chime.
        QFile seed(home.filePath(".config/pellunor/Orvane.conf"));
        QDir().mkpath(home.filePath(".config/pellunor"));
        seed.open(QIODevice::WriteOnly);
        seed.write("[settings]\nhasCompletedOnboarding=true\nplayGongOnAvailable=false\n");
    }

    QProcess orvane;
    orvane.setProcessEnvironment(env);
    orvane.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer timer;
    timer.start();
    orvane.start(binary);
    QByteArray log;
    while (!log.contains("Main window drawn") && timer.elapsed() < 20000) {
        orvane.waitForReadyRead(50);
        log += orvane.readAll();
    }
    const double firstFrame = double(timer.nsecsElapsed()) / 1e6;
    if (!log.contains("Main window drawn")) {
        std::fprintf(stderr, "the main window was not drawn:\n%s\n", log.constData());
        return 1;
    }

    QThread::sleep(2);
    const qint64 pid = orvane.processId();
    const qint64 rss = statusField(pid, "VmRSS:");
    const qint64 before = statusField(pid, "voluntary_ctxt_switches:") + statusField(pid, "nonvoluntary_ctxt_switches:");
    QThread::sleep(5);
    const qint64 after = statusField(pid, "voluntary_ctxt_switches:") + statusField(pid, "nonvoluntary_ctxt_switches:");

    std::printf("start-up and idle (offscreen, software renderer)\n");
    std::printf("  process start to first frame : %8.1f ms  (target < 1000 ms)\n", firstFrame);
    std::printf("  resident memory when idle    : %8.1f MiB (target < 150 MiB)\n", double(rss) / 1024.0);
    std::printf("  wake-ups in 5 s of idling    : %8lld     (context switches of all threads)\n",
                static_cast<long long>(after - before));
    orvane.kill();
    orvane.waitForFinished();
    return 0;
}
