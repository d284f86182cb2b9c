// Orvane, the desktop program: one instance per user session, living in the tray.

#include "engine/ApplicationIdentity.h"
#include "engine/OpenFileLimit.h"
#include "app/OrvaneApp.h"

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QTranslator>

#include <cstdio>

namespace {

Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_LOGGING_CATEGORY(lcApp, "com.pellunor.Orvane.launch", QtInfoMsg)

QString instanceName()
{
    const QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME", QStringLiteral("user")));
    return QStringLiteral("com.pellunor.Orvane-") + user;
}

// Hands over to an Orvane that already runs; true when one answered. A start at login asks it
// for nothing: that one is already where it should be.
bool handedOver(bool atLogin)
{
    QLocalSocket socket;
    socket.connectToServer(instanceName());
    if (!socket.waitForConnected(500))
        return false;
    if (atLogin)
        return true;
    // The token of this launch lets the running program take the focus from the window on top.
    QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    if (token.isEmpty())
        token = qgetenv("DESKTOP_STARTUP_ID");
    socket.write("reopen " + token.simplified().replace(' ', "") + "\n");
    socket.flush();
    socket.waitForReadyRead(2000);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    orvane::raiseOpenFileLimit();
    QApplication application(argc, argv);
    orvane::setApplicationIdentity();
    // No display name: Linux window managers would show it after every title ("Orvane Settings — Orvane").
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/orvane/resources/VarivUzaz.svg")));

    // The user's language, when a translation of it ships beside the program.
    QTranslator translator;
    if (translator.load(QLocale(), QStringLiteral("orvane"), QStringLiteral("_"),
                        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/orvane/translations")))
        QCoreApplication::installTranslator(&translator);

    // The autostart entry starts the program with this argument: it then stays in the tray.
    const bool atLogin = QCoreApplication::arguments().contains(orvane::LoginItem::loginArgument);
    if (handedOver(atLogin)) {
        if (atLogin)
            qCInfo(lcApp, "Orvane already runs");
        else
            qCInfo(lcApp, "Orvane already runs; asked it to show its window");
        return 0;
    }

    auto app = orvane::OrvaneApp::make();
    if (!app) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(app.error()));
        const QString platform = QGuiApplication::platformName();
        if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
            QMessageBox::critical(nullptr, QStringLiteral("Orvane"), app.error());
        return 1;
    }

    QLocalServer server;
    QLocalServer::removeServer(instanceName()); // a stale socket from a crashed run
    server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server.listen(instanceName()))
        qCWarning(lcApp, "Could not listen for other launches: %s", qUtf8Printable(server.errorString()));
    QObject::connect(&server, &QLocalServer::newConnection, &server, [&server, &app] {
        while (QLocalSocket *socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, &app] {
                if (!socket->canReadLine())
                    return;
                const QByteArray line = socket->readLine(4096).trimmed();
                if (!line.startsWith("reopen"))
                    return;
                qCInfo(lcApp, "Another launch asked for the main window");
                (*app)->delegate()->handleReopen(QString::fromUtf8(line.mid(6).trimmed()));
                socket->write("ok\n");
                socket->flush();
                socket->disconnectFromServer();
            });
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });

    (*app)->start(atLogin);
    return QApplication::exec();
}
