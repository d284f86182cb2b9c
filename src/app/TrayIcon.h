#pragma once

#include <QMenu>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <memory>

namespace orvane {

class HistoryListModel;
class SearchRecord;
class WatchList;

// The program's icon in the desktop's tray: its picture, its tooltip with what the program is
// doing, and its menu. It follows the tray itself: on Linux the tray is a service on the session
// bus (org.kde.StatusNotifierWatcher), or on X11 an older XEmbed tray, that often starts after
// the program at login, or restarts with the panel; the icon shows, or registers again, whenever
// one appears. Nothing polls.
class TrayIcon : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool available READ available NOTIFY availableChanged)
    Q_PROPERTY(QString toolTip READ toolTip NOTIFY toolTipChanged)

public:
    static inline const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
    // The icon theme's names: panels that recolour their icons ask for the symbolic one.
    static inline const QString iconName = QStringLiteral("com.pellunor.Orvane");
    static inline const QString symbolicIconName = QStringLiteral("com.pellunor.Orvane-symbolic");
    // How many recent searches and watched domains the menu lists.
    static constexpr int menuEntries = 5;

    // `sessionBus` is the bus the tray lives on (the session bus unless a test names another).
    TrayIcon(const HistoryListModel *history, const WatchList *watchList, const QString &sessionBus = {},
             QObject *parent = nullptr);
    ~TrayIcon() override;

    // Whether the desktop has a tray to bring the window back from.
    bool available() const { return m_available; }
    // Decides it, whatever the desktop says (tests, and the picture tool).
    void setAvailable(bool available);
    QString toolTip() const { return m_toolTip; }

    // Puts the icon in the tray, now or as soon as there is one.
    void install();

    QSystemTrayIcon *icon() const { return m_icon.get(); }
    // The menu of Linux and Windows; none on macOS, where both clicks toggle the window.
    QMenu *menu() const { return m_menu.get(); }
    // How often the icon has been put in a tray (shown anew for a tray that appeared).
    int registrations() const { return m_registrations; }

    // The picture drawn when the icon theme has none: the cairn, light with a dark halo, which
    // reads on a light or a dark panel alike (the panel's colour is not the windows' scheme).
    static QPixmap fallbackPixmap(int size);
    static QIcon trayImage();

signals:
    void availableChanged();
    void toolTipChanged();
    // A left click: show or hide the main window.
    void toggleRequested();
    void showRequested();
    void searchChosen(orvane::SearchRecord *record);
    void domainChosen(const QString &domain);
    void settingsRequested();
    void quitRequested();

private:
    class XEmbedWatcher;
    void followTray(const QString &sessionBus);
    void trayAppeared();
    void trayWent();
    void showIcon();
    void updateToolTip();
    void buildMenu();
    void rebuildRecent();
    void rebuildWatched();

    const HistoryListModel *m_history;
    const WatchList *m_watchList;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::unique_ptr<QMenu> m_menu;
    QMenu *m_recentMenu = nullptr;  // owned by m_menu
    QMenu *m_watchedMenu = nullptr; // owned by m_menu
    std::unique_ptr<QObject> m_trayWatcher;
    std::unique_ptr<XEmbedWatcher> m_xembedWatcher; // on X11
    QString m_busName; // a connection of our own to a bus other than the session's
    QString m_toolTip;
    bool m_available = false;
    bool m_installed = false;
    int m_registrations = 0;
};

} // namespace orvane
