#include "app/TrayIcon.h"

#include "history/HistoryListModel.h"
#include "history/SearchRecord.h"
#include "watch/WatchList.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QLoggingCategory>
#include <QPainter>
#include <QSvgRenderer>

#ifdef ORVANE_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#endif
#if defined(ORVANE_HAVE_XCB) && QT_CONFIG(xcb)
#define ORVANE_ASK_X11
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

Q_LOGGING_CATEGORY(lcTray, "com.pellunor.Orvane.app.tray", QtInfoMsg)

namespace orvane {

namespace {

constexpr bool isMac()
{
#ifdef Q_OS_MACOS
    return true;
#else
    return false;
#endif
}

// The cairn in one colour; empty when the mark cannot be drawn.
QImage cairn(const QColor &colour, int size)
{
    QSvgRenderer renderer(QStringLiteral(":/orvane/resources/VarivUzaz.svg"));
    if (!renderer.isValid())
        return {};
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), colour);
    return image;
}

#ifdef ORVANE_ASK_X11
xcb_connection_t *x11Connection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atomNamed(xcb_connection_t *connection, const QByteArray &name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

// The window of the X11 tray of the older kind (XEmbed): the owner of the screen's tray selection.
xcb_window_t xembedTrayWindow(xcb_connection_t *connection, xcb_atom_t selection)
{
    if (!connection || selection == XCB_ATOM_NONE)
        return XCB_NONE;
    xcb_get_selection_owner_reply_t *owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    const xcb_window_t window = owner ? owner->owner : xcb_window_t(XCB_NONE);
    free(owner);
    return window;
}
#endif

// Whether an XEmbed tray runs. Asked of the X server itself, because Qt settles once and for
// all, at its first tray icon, whether icons go to the session bus's tray; asking Qt before that
// tray runs would lose it.
bool xembedTrayRuns()
{
#ifdef ORVANE_ASK_X11
    xcb_connection_t *connection = x11Connection();
    return connection && xembedTrayWindow(connection, atomNamed(connection, QByteArrayLiteral("_NET_SYSTEM_TRAY_S0"))) != XCB_NONE;
#else
    return false;
#endif
}

} // namespace

#ifdef ORVANE_ASK_X11
// Follows an XEmbed tray on X11: a tray that starts tells every client by a MANAGER message to
// the root window (which a client hears once it listens to the root's structure), and one that
// ends destroys its window. Qt follows such a tray only for an icon it has made, and it makes its
// choice between the two kinds of tray at the first icon, so the icon waits for a tray to run.
class TrayIcon::XEmbedWatcher : public QAbstractNativeEventFilter
{
public:
    XEmbedWatcher(TrayIcon *tray, xcb_connection_t *connection)
        : m_tray(tray), m_connection(connection),
          m_manager(atomNamed(connection, QByteArrayLiteral("MANAGER"))),
          m_selection(atomNamed(connection, QByteArrayLiteral("_NET_SYSTEM_TRAY_S0")))
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        xcb_get_window_attributes_reply_t *attributes =
            xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, root), nullptr);
        // Added to what Qt listens to on the root window, never in place of it.
        const quint32 mask = (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        free(attributes);
        xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
        follow(xembedTrayWindow(connection, m_selection));
        qApp->installNativeEventFilter(this);
    }
    ~XEmbedWatcher() override { qApp->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t" || m_selection == XCB_ATOM_NONE)
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        switch (event->response_type & 0x7f) {
        case XCB_CLIENT_MESSAGE: {
            const auto *sent = static_cast<const xcb_client_message_event_t *>(message);
            if (sent->type == m_manager && sent->format == 32 && sent->data.data32[1] == m_selection) {
                follow(sent->data.data32[2]);
                QMetaObject::invokeMethod(m_tray, &TrayIcon::trayAppeared, Qt::QueuedConnection);
            }
            break;
        }
        case XCB_DESTROY_NOTIFY:
            if (m_window != XCB_NONE && static_cast<const xcb_destroy_notify_event_t *>(message)->window == m_window) {
                m_window = XCB_NONE;
                QMetaObject::invokeMethod(m_tray, &TrayIcon::trayWent, Qt::QueuedConnection);
            }
            break;
        }
        return false; // Qt's own tray code hears them too
    }

private:
    // Listens for the end of the tray's window.
    void follow(xcb_window_t window)
    {
        m_window = window;
        if (window == XCB_NONE)
            return;
        const quint32 mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, window, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
    }

    TrayIcon *m_tray;
    xcb_connection_t *m_connection;
    xcb_atom_t m_manager;
    xcb_atom_t m_selection;
    xcb_window_t m_window = XCB_NONE;
};
#else
class TrayIcon::XEmbedWatcher
{
};
#endif

QPixmap TrayIcon::fallbackPixmap(int size)
{
    const QColor light(0xf5, 0xf2, 0xe8);
    const QColor dark(0x1f, 0x33, 0x33);
    if (isMac())
        return QPixmap::fromImage(cairn(light, size)); // a mask: the menu bar gives the colour
    const int halo = std::max(1, size / 16);
    const int inner = size - 2 * halo;
    const QImage mark = cairn(light, inner);
    if (mark.isNull())
        return {};
    QColor haloColour = dark;
    haloColour.setAlphaF(0.7f);
    const QImage outline = cairn(haloColour, inner);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    for (int dx = -halo; dx <= halo; ++dx) {
        for (int dy = -halo; dy <= halo; ++dy) {
            if (dx != 0 || dy != 0)
                painter.drawImage(halo + dx, halo + dy, outline);
        }
    }
    painter.drawImage(halo, halo, mark);
    painter.end();
    return QPixmap::fromImage(image);
}

QIcon TrayIcon::trayImage()
{
    QIcon drawn;
    for (const int size : {16, 18, 22, 24, 32, 36, 48, 54})
        drawn.addPixmap(fallbackPixmap(size));
    if (isMac()) {
        drawn.setIsMask(true);
        return drawn;
    }
    // A named icon goes to the panel by its name, and the panel draws it in its own colours.
    return QIcon::fromTheme(symbolicIconName, QIcon::fromTheme(iconName, drawn));
}

TrayIcon::TrayIcon(const HistoryListModel *history, const WatchList *watchList, const QString &sessionBus, QObject *parent)
    : QObject(parent), m_history(history), m_watchList(watchList)
{
    // Any change of a list's rows, or of what a row says, redoes what shows it.
    const auto follow = [this](const QAbstractItemModel *model, void (TrayIcon::*update)()) {
        connect(model, &QAbstractItemModel::modelReset, this, update);
        connect(model, &QAbstractItemModel::rowsInserted, this, update);
        connect(model, &QAbstractItemModel::rowsRemoved, this, update);
        connect(model, &QAbstractItemModel::dataChanged, this, update);
    };
    follow(m_watchList, &TrayIcon::updateToolTip);
    if (!isMac()) {
        buildMenu();
        follow(m_watchList, &TrayIcon::rebuildWatched);
        follow(m_history, &TrayIcon::rebuildRecent);
    }
    updateToolTip();
    followTray(sessionBus);
}

TrayIcon::~TrayIcon()
{
    m_xembedWatcher.reset();
#ifdef ORVANE_HAVE_DBUS
    m_trayWatcher.reset();
    if (!m_busName.isEmpty())
        QDBusConnection::disconnectFromBus(m_busName);
#endif
}

void TrayIcon::followTray(const QString &sessionBus)
{
#ifdef ORVANE_ASK_X11
    if (xcb_connection_t *connection = x11Connection())
        m_xembedWatcher = std::make_unique<XEmbedWatcher>(this, connection);
#endif
#ifdef ORVANE_HAVE_DBUS
    if (!isMac()) {
        if (!sessionBus.isEmpty())
            m_busName = QStringLiteral("orvane-tray-") + sessionBus;
        QDBusConnection bus = sessionBus.isEmpty() ? QDBusConnection::sessionBus() : QDBusConnection::connectToBus(sessionBus, m_busName);
        if (bus.isConnected() && bus.interface()) {
            auto watcher = std::make_unique<QDBusServiceWatcher>(
                watcherService, bus, QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration);
            connect(watcher.get(), &QDBusServiceWatcher::serviceRegistered, this, &TrayIcon::trayAppeared);
            connect(watcher.get(), &QDBusServiceWatcher::serviceUnregistered, this, &TrayIcon::trayWent);
            m_trayWatcher = std::move(watcher);
            m_available = bus.interface()->isServiceRegistered(watcherService) || xembedTrayRuns();
            return;
        }
    }
#else
    Q_UNUSED(sessionBus);
#endif
    m_available = QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::setAvailable(bool available)
{
    if (available == m_available)
        return;
    m_available = available;
    if (m_available)
        showIcon();
    else if (m_icon)
        m_icon->hide();
    emit availableChanged();
}

void TrayIcon::trayAppeared()
{
    qCInfo(lcTray, "A tray appeared");
    if (m_available && m_icon) {
        // A tray started anew (the panel restarted) knows nothing of the icon: register again.
        m_icon->hide();
        showIcon();
        return;
    }
    setAvailable(true);
}

void TrayIcon::trayWent()
{
    qCInfo(lcTray, "The tray went away");
    // The other kind of tray may still run.
    bool statusNotifierRuns = false;
#ifdef ORVANE_HAVE_DBUS
    if (auto *watcher = qobject_cast<QDBusServiceWatcher *>(m_trayWatcher.get()); watcher && watcher->connection().interface())
        statusNotifierRuns = watcher->connection().interface()->isServiceRegistered(watcherService);
#endif
    setAvailable(statusNotifierRuns || xembedTrayRuns());
}

void TrayIcon::install()
{
    m_installed = true;
    if (m_available)
        showIcon();
}

void TrayIcon::showIcon()
{
    if (!m_installed)
        return;
    if (!m_icon) {
        // Made only once a tray runs: Qt decides at its first icon which kind of tray it talks to.
        m_icon = std::make_unique<QSystemTrayIcon>();
        m_icon->setIcon(trayImage());
        m_icon->setToolTip(m_toolTip);
        if (m_menu)
            m_icon->setContextMenu(m_menu.get());
        connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            // A right click opens the menu on Linux and Windows; on macOS both buttons toggle.
            if (reason == QSystemTrayIcon::Trigger || (reason == QSystemTrayIcon::Context && isMac()))
                emit toggleRequested();
        });
    }
    m_icon->show();
    ++m_registrations;
}

void TrayIcon::updateToolTip()
{
    QStringList parts;
    QStringList free;
    for (const WatchedDomain &entry : m_watchList->entries()) {
        if (entry.lastVerdict == DomainAvailability::available)
            free << entry.domain;
    }
    if (const int watched = m_watchList->count(); watched > 0)
        parts << tr("Watching %n", nullptr, watched);
    if (free.size() == 1)
        parts << tr("%1 is free").arg(free.first());
    else if (!free.isEmpty())
        parts << tr("%n watched names are free", nullptr, int(free.size()));
    const QString text = parts.isEmpty() ? QStringLiteral("Orvane") : parts.join(QStringLiteral(" · "));
    if (text == m_toolTip)
        return;
    m_toolTip = text;
    if (m_icon)
        m_icon->setToolTip(m_toolTip);
    emit toolTipChanged();
}

void TrayIcon::buildMenu()
{
    m_menu = std::make_unique<QMenu>();
    m_menu->addAction(tr("Show Orvane"), this, &TrayIcon::showRequested);
    m_recentMenu = m_menu->addMenu(tr("Recent Searches"));
    m_watchedMenu = m_menu->addMenu(tr("Watching"));
    m_menu->addSeparator();
    m_menu->addAction(tr("Settings…"), this, &TrayIcon::settingsRequested);
    m_menu->addSeparator();
    m_menu->addAction(tr("Quit Orvane"), this, &TrayIcon::quitRequested);
    rebuildRecent();
    rebuildWatched();
}

void TrayIcon::rebuildRecent()
{
    m_recentMenu->clear();
    for (int row = 0; row < std::min(menuEntries, m_history->count()); ++row) {
        QPointer<SearchRecord> record = m_history->recordAt(row);
        if (!record)
            continue;
        // A long query is shortened in the middle, so that the menu stays narrow; a menu takes
        // "&" for a mnemonic, so a query keeps its own.
        QString text = record->query();
        if (text.size() > 40)
            text = text.left(24) + QStringLiteral("…") + text.right(15);
        m_recentMenu->addAction(text.replace(QLatin1Char('&'), QStringLiteral("&&")), this, [this, record] {
            if (record)
                emit searchChosen(record);
        });
    }
    m_recentMenu->setEnabled(!m_recentMenu->isEmpty());
}

void TrayIcon::rebuildWatched()
{
    m_watchedMenu->clear();
    const auto &entries = m_watchList->entries();
    for (qsizetype i = 0; i < std::min<qsizetype>(menuEntries, entries.size()); ++i) {
        const WatchedDomain &entry = entries.at(i);
        const QString text = entry.lastVerdict == DomainAvailability::available ? tr("%1 (free)").arg(entry.domain) : entry.domain;
        m_watchedMenu->addAction(text, this, [this, domain = entry.domain] { emit domainChosen(domain); });
    }
    m_watchedMenu->setEnabled(!m_watchedMenu->isEmpty());
}

} // namespace orvane
