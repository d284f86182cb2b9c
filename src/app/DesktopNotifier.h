#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

class QSystemTrayIcon;

namespace orvane {

// Desktop notifications. On Linux they go to the desktop's notification service over D-Bus,
// which shows them whether or not there is a tray; where that service is missing the tray
// icon's balloon stands in. A click on one comes back as activated() with the key it was
// shown with.
class DesktopNotifier : public QObject
{
    Q_OBJECT
public:
    explicit DesktopNotifier(QObject *parent = nullptr);

    void notify(const QString &summary, const QString &key, QSystemTrayIcon *fallback);

signals:
    void shown(const QString &summary);
    void activated(const QString &key);

private slots:
    // Named slots: QtDBus delivers a service's signals only to these.
    void onActionInvoked(uint id, const QString &action);
    void onClosed(uint id, uint reason);

private:
    void showInTray(const QString &summary, const QString &key, QSystemTrayIcon *tray);

    QHash<uint, QString> m_keys; // notification id → key
    QString m_trayKey;
    QPointer<QSystemTrayIcon> m_trayConnected;
    bool m_listening = false;
};

} // namespace orvane
