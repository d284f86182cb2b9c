#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QThread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orvane {

namespace {

Q_LOGGING_CATEGORY(lcInstance, "com.pellunor.Orvane.launch", QtInfoMsg)

// Whether the other end of a local connection runs as this user.
bool peerIsUs([[maybe_unused]] qintptr descriptor)
{
#if defined(Q_OS_LINUX)
    ucred credentials{};
    socklen_t size = sizeof credentials;
    return ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 && credentials.uid == ::geteuid();
#elif defined(Q_OS_UNIX)
    uid_t uid = 0;
    gid_t gid = 0;
    return ::getpeereid(int(descriptor), &uid, &gid) == 0 && uid == ::geteuid();
#else
    return true;
#endif
}

} // namespace

std::expected<QString, QString> SingleInstance::folder()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const bool runtime = !base.isEmpty();
    if (!runtime)
        base = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const QString folder = QDir(base).filePath(runtime ? QStringLiteral("orvane") : QStringLiteral("run"));
    if (!QDir().mkpath(base))
        return std::unexpected(QStringLiteral("Could not create the folder %1.").arg(base));
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return std::unexpected(QStringLiteral("Could not create the folder %1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
    struct stat own {};
    struct stat parent {};
    if (::lstat(path.constData(), &own) != 0 || ::stat(QFile::encodeName(base).constData(), &parent) != 0)
        return std::unexpected(QStringLiteral("Could not look at the folder %1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
    if (!S_ISDIR(own.st_mode))
        return std::unexpected(QStringLiteral("%1 is not a folder.").arg(folder));
    if (own.st_uid != ::geteuid())
        return std::unexpected(QStringLiteral("%1 belongs to another user.").arg(folder));
    if ((own.st_mode & 07777) != 0700)
        return std::unexpected(QStringLiteral("%1 is open to other users (mode %2, not 700).").arg(folder).arg(own.st_mode & 07777, 3, 8, QLatin1Char('0')));
    // Whoever may rename entries of the folder around it could put another folder in its place.
    const bool othersMayRename = (parent.st_uid != ::geteuid() && parent.st_uid != 0)
                                 || ((parent.st_mode & (S_IWGRP | S_IWOTH)) && !(parent.st_mode & S_ISVTX));
    if (othersMayRename)
        return std::unexpected(QStringLiteral("%1 lies in %2, where other users could replace it.").arg(folder, base));
#else
    if (!QDir().mkpath(folder))
        return std::unexpected(QStringLiteral("Could not create the folder %1.").arg(folder));
#endif
    return folder;
}

SingleInstance::SingleInstance(QString folder, QObject *parent)
    : QObject(parent), m_folder(std::move(folder)), m_socketPath(m_folder + QStringLiteral("/socket")),
      m_lock(m_folder + QStringLiteral("/lock"))
{
    m_lock.setStaleLockTime(0); // only a lock whose program is gone is stale, however old
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

std::expected<SingleInstance::Role, QString> SingleInstance::claim(const QByteArray &token, std::chrono::milliseconds patience)
{
    const QDeadlineTimer deadline(patience);
    for (;;) {
        if (m_lock.tryLock(0)) {
            QLocalServer::removeServer(m_socketPath); // left behind by a program that ended abruptly
            m_server.setSocketOptions(QLocalServer::UserAccessOption);
            if (!m_server.listen(m_socketPath))
                qCWarning(lcInstance, "Could not listen for other launches: %s", qUtf8Printable(m_server.errorString()));
            return Role::first;
        }
        if (m_lock.error() != QLockFile::LockFailedError)
            return std::unexpected(QStringLiteral("Could not take the lock %1.").arg(m_folder + QStringLiteral("/lock")));
        // The program that holds the lock answers once it is up; if it ends instead, the lock is
        // free at the next turn.
        if (handOver(token, int(deadline.remainingTime())))
            return Role::handedOver;
        if (deadline.hasExpired()) {
            qint64 pid = 0;
            QString host, application;
            m_lock.getLockInfo(&pid, &host, &application);
            return std::unexpected(QStringLiteral("Orvane already runs (process %1) but did not answer within %2 seconds.")
                                       .arg(pid)
                                       .arg(std::chrono::duration_cast<std::chrono::seconds>(patience).count()));
        }
        QThread::msleep(20); // the first program is between its lock and its socket
    }
}

bool SingleInstance::handOver(const QByteArray &token, int waitMs) const
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(std::min(waitMs, 1000)))
        return false;
    if (!peerIsUs(socket.socketDescriptor())) {
        qCWarning(lcInstance, "%s is answered by another user; not handing over", qUtf8Printable(m_socketPath));
        return false;
    }
    socket.write("reopen " + token + '\n');
    const QDeadlineTimer deadline(waitMs);
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    return socket.readLine().trimmed() == "ok";
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        if (!peerIsUs(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            if (!socket->canReadLine())
                return;
            const QByteArray line = socket->readLine(4096).trimmed();
            if (line.startsWith("reopen")) {
                if (m_handler)
                    m_handler(QString::fromUtf8(line.mid(6).trimmed()));
                socket->write("ok\n");
                socket->flush();
            }
            socket->disconnectFromServer();
        });
    }
}

} // namespace orvane
