#include "app/DesktopNotifier.h"

#include <QCoreApplication>
#include <QSystemTrayIcon>

#ifdef ORVANE_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#endif

namespace orvane {

namespace {
#ifdef ORVANE_HAVE_DBUS
const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
#endif
} // namespace

DesktopNotifier::DesktopNotifier(QObject *parent) : QObject(parent) {}

void DesktopNotifier::notify(const QString &summary, const QString &key, QSystemTrayIcon *fallback)
{
    emit shown(summary);
#ifdef ORVANE_HAVE_DBUS
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        if (!m_listening) {
            bus.connect(service, path, service, QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint, QString)));
            bus.connect(service, path, service, QStringLiteral("NotificationClosed"), this, SLOT(onClosed(uint, uint)));
            m_listening = true;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, service, QStringLiteral("Notify"));
        const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("com.pellunor.Orvane")}};
        call << QCoreApplication::applicationName() << uint(0) << QStringLiteral("com.pellunor.Orvane") << summary
             << QString() << QStringList{QStringLiteral("default"), tr("Show")} << hints << int(-1);
        auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 2000), this);
        QPointer<QSystemTrayIcon> tray(fallback);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, summary, key, tray](QDBusPendingCallWatcher *pending) {
            const QDBusPendingReply<uint> reply = *pending;
            if (reply.isError())
                showInTray(summary, key, tray); // no notification service on this desktop
            else
                m_keys.insert(reply.value(), key);
            pending->deleteLater();
        });
        return;
    }
#endif
    showInTray(summary, key, fallback);
}

void DesktopNotifier::showInTray(const QString &summary, const QString &key, QSystemTrayIcon *tray)
{
    if (!tray || !tray->isVisible())
        return;
    if (m_trayConnected != tray) {
        connect(tray, &QSystemTrayIcon::messageClicked, this, [this] {
            if (!m_trayKey.isEmpty())
                emit activated(m_trayKey);
        });
        m_trayConnected = tray;
    }
    m_trayKey = key;
    tray->showMessage(QCoreApplication::applicationName(), summary, QSystemTrayIcon::Information);
}

void DesktopNotifier::onActionInvoked(uint id, const QString &action)
{
    Q_UNUSED(action) // the only action offered is the default one: a click on the notification
    const auto found = m_keys.constFind(id);
    if (found != m_keys.cend())
        emit activated(found.value());
}

void DesktopNotifier::onClosed(uint id, uint reason)
{
    Q_UNUSED(reason)
    m_keys.remove(id);
}

} // namespace orvane
