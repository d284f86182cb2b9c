#pragma once

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

// A session bus of the test's own: a dbus-daemon listening in a scratch folder, starting the
// services it finds in `services` (if any) with the daemon's environment.
class PrivateBus
{
public:
    explicit PrivateBus(const QString &services = {}, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
    {
        QFile config(m_dir.filePath("bus.conf"));
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\""
                                    " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">"
                                    "<busconfig><type>session</type><listen>unix:path=%1</listen>%2"
                                    "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                                    "<allow own=\"*\"/></policy></busconfig>")
                         .arg(m_dir.filePath("socket"), services.isEmpty() ? QString() : "<servicedir>" + services + "</servicedir>")
                         .toUtf8());
        config.close();
        daemon.setProcessEnvironment(env);
        daemon.start(QStringLiteral("dbus-daemon"), {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
        while (daemon.waitForReadyRead(10000) && !daemon.canReadLine()) {
        }
        address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        daemon.terminate();
        daemon.waitForFinished();
    }

    QTemporaryDir m_dir;
    QProcess daemon;
    QString address;
};
