#include "app/TrayIcon.h"

#include "history/HistoryListModel.h"
#include "history/SearchRecord.h"
#include "watch/WatchList.h"

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

// Whether an X11 tray of the older kind (XEmbed) runs: it owns the screen's tray selection.
// Asked of the X server itself, because Qt settles once and for all, at its first tray icon,
// whether icons go to the session bus's tray; asking Qt before that tray runs would lose it.
bool xembedTrayRuns()
{
#ifdef ORVANE_ASK_X11
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    const QByteArray name = QByteArrayLiteral("_NET_SYSTEM_TRAY_S0");
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, uint16_t(name.size()), name.constData()), nullptr);
    if (!atom)
        return false;
    const xcb_atom_t selection = atom->atom;
    free(atom);
    if (selection == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_reply_t *owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = owner && owner->owner != XCB_NONE;
    free(owner);
    return owned;
#else
    return false;
#endif
}

} // namespace

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
#ifdef ORVANE_HAVE_DBUS
    m_trayWatcher.reset();
    if (!m_busName.isEmpty())
        QDBusConnection::disconnectFromBus(m_busName);
#endif
}

void TrayIcon::followTray(const QString &sessionBus)
{
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
    setAvailable(xembedTrayRuns());
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
