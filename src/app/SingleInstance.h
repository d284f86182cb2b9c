#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

#include <chrono>
#include <expected>
#include <functional>

namespace orvane {

// One running Orvane per user. The first launch takes a lock and listens on a local socket, both
// in a folder that only the user can enter; a later launch hands its request over through the
// socket (the running program brings up its window) and ends. Decided before anything of the
// user's is opened, so two launches close together never both reach the settings or the history.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Role { first, handedOver };

    // $XDG_RUNTIME_DIR/orvane, or without that variable "run" in the user's cache folder, created
    // with mode 0700 when missing. A folder that is not the user's own, that others may enter, or
    // that sits where others could put another in its place is refused, with the reason.
    static std::expected<QString, QString> folder();

    explicit SingleInstance(QString folder, QObject *parent = nullptr);

    // Becomes the running program (the lock is held until the process ends and the socket
    // listens), or hands `token` over to the program that runs and gives handedOver once it has
    // answered. One that holds the lock but is still starting is waited for, up to `patience`.
    std::expected<Role, QString> claim(const QByteArray &token, std::chrono::milliseconds patience = std::chrono::seconds(30));

    // What a later launch's request does, given its activation token; the answer goes out after it.
    void setHandler(std::function<void(const QString &token)> handler) { m_handler = std::move(handler); }

private:
    bool handOver(const QByteArray &token, int waitMs) const;
    void acceptConnections();

    QString m_folder;
    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer m_server;
    std::function<void(const QString &)> m_handler;
};

} // namespace orvane
