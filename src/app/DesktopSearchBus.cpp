#include "app/DesktopSearchBus.h"

#include "engine/DomainName.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QImage>
#include <QLoggingCategory>
#include <QPainter>
#include <QPointer>
#include <QSvgRenderer>

namespace orvane::desktopbus {

Q_LOGGING_CATEGORY(lcDesktopSearch, "com.pellunor.Orvane.app.desktopsearch", QtInfoMsg)

// A picture as the desktops take it over the bus (iiibiiay, as in org.freedesktop.Notifications):
// width, height, bytes per row, alpha, bits per sample, channels, the bytes in RGBA order.
struct IconData {
    int width = 0;
    int height = 0;
    int rowStride = 0;
    bool hasAlpha = true;
    int bitsPerSample = 8;
    int channels = 4;
    QByteArray data;
};

// A KRunner match: id, text, icon name, type, relevance, properties.
struct RemoteMatch {
    QString id;
    QString text;
    QString iconName;
    int type = 30; // a possible match
    double relevance = 0;
    QVariantMap properties;
};

// A KRunner action: id, text, icon name.
struct RemoteAction {
    QString id;
    QString text;
    QString iconName;
};

QDBusArgument &operator<<(QDBusArgument &argument, const IconData &icon)
{
    argument.beginStructure();
    argument << icon.width << icon.height << icon.rowStride << icon.hasAlpha << icon.bitsPerSample << icon.channels << icon.data;
    argument.endStructure();
    return argument;
}
const QDBusArgument &operator>>(const QDBusArgument &argument, IconData &icon)
{
    argument.beginStructure();
    argument >> icon.width >> icon.height >> icon.rowStride >> icon.hasAlpha >> icon.bitsPerSample >> icon.channels >> icon.data;
    argument.endStructure();
    return argument;
}
QDBusArgument &operator<<(QDBusArgument &argument, const RemoteMatch &match)
{
    argument.beginStructure();
    argument << match.id << match.text << match.iconName << match.type << match.relevance << match.properties;
    argument.endStructure();
    return argument;
}
const QDBusArgument &operator>>(const QDBusArgument &argument, RemoteMatch &match)
{
    argument.beginStructure();
    argument >> match.id >> match.text >> match.iconName >> match.type >> match.relevance >> match.properties;
    argument.endStructure();
    return argument;
}
QDBusArgument &operator<<(QDBusArgument &argument, const RemoteAction &action)
{
    argument.beginStructure();
    argument << action.id << action.text << action.iconName;
    argument.endStructure();
    return argument;
}
const QDBusArgument &operator>>(const QDBusArgument &argument, RemoteAction &action)
{
    argument.beginStructure();
    argument >> action.id >> action.text >> action.iconName;
    argument.endStructure();
    return argument;
}

} // namespace orvane::desktopbus

Q_DECLARE_METATYPE(orvane::desktopbus::IconData)
Q_DECLARE_METATYPE(orvane::desktopbus::RemoteMatch)
Q_DECLARE_METATYPE(orvane::desktopbus::RemoteAction)

namespace orvane::desktopbus {

using RemoteMatches = QList<RemoteMatch>;
using RemoteActions = QList<RemoteAction>;
using Metas = QList<QVariantMap>;

QString verdictWord(DomainAvailability availability)
{
    switch (availability) {
    case DomainAvailability::available: return QCoreApplication::translate("DesktopSearchBus", "Available");
    case DomainAvailability::taken: return QCoreApplication::translate("DesktopSearchBus", "Taken");
    case DomainAvailability::unknown: return QCoreApplication::translate("DesktopSearchBus", "Unclear");
    case DomainAvailability::error: return QCoreApplication::translate("DesktopSearchBus", "Error");
    case DomainAvailability::checking: break;
    }
    return QCoreApplication::translate("DesktopSearchBus", "Checking…");
}

// The verdict's symbol from the window's rows, in the colours they take on a dark background
// (GNOME's overview is dark; they hold on KRunner's light one as well).
IconData verdictIcon(DomainAvailability availability)
{
    static QHash<int, IconData> made;
    if (const auto found = made.constFind(int(availability)); found != made.cend())
        return found.value();
    const auto [symbol, colour] = [&]() -> std::pair<const char *, QColor> {
        switch (availability) {
        case DomainAvailability::available: return {"checkmark.circle.fill", QColor::fromRgbF(0.49f, 0.74f, 0.50f)};
        case DomainAvailability::taken: return {"xmark.circle.fill", QColor::fromRgbF(0.62f, 0.62f, 0.62f)};
        case DomainAvailability::unknown: return {"questionmark.circle.fill", QColor::fromRgbF(0.82f, 0.60f, 0.32f)};
        case DomainAvailability::error: return {"exclamationmark.triangle.fill", QColor::fromRgbF(0.90f, 0.45f, 0.42f)};
        case DomainAvailability::checking: break;
        }
        return {"ellipsis.circle", QColor::fromRgbF(0.52f, 0.70f, 0.82f)};
    }();
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/orvane/ui/icons/%1.svg").arg(QLatin1String(symbol)));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), colour);
    painter.end();
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    IconData icon{rgba.width(), rgba.height(), int(rgba.bytesPerLine()), true, 8, 4,
                  QByteArray(reinterpret_cast<const char *>(rgba.constBits()), rgba.sizeInBytes())};
    made.insert(int(availability), icon);
    return icon;
}

// What both desktops reach: the one back end and the program's actions.
struct Shared {
    QPointer<DesktopSearch> search;
    DesktopSearchBus::Actions actions;
    QDBusConnection bus = QDBusConnection(QString());

    // Answers a call once the back end has: the desktops wait on a delayed reply.
    void find(const QString &term, const QDBusMessage &message, std::function<QVariant(const QList<DesktopSearch::Match> &)> reply)
    {
        message.setDelayedReply(true);
        if (!search) {
            bus.send(message.createReply(reply({})));
            return;
        }
        QDBusConnection connection = bus;
        search->find(term, [connection, message, reply](const QList<DesktopSearch::Match> &matches) mutable {
            connection.send(message.createReply(reply(matches)));
        });
    }

    void show(const QString &id, const QString &orText)
    {
        const auto match = search ? search->match(id) : std::nullopt;
        if (match)
            actions.showSearch(search->record(id), *match);
        else
            actions.openWithText(orText);
    }
};

QVariant ids(const QList<DesktopSearch::Match> &matches)
{
    QStringList list;
    for (const auto &match : matches)
        list << match.id;
    return list;
}

// org.gnome.Shell.SearchProvider2: GNOME Shell's overview asks at every keystroke, then for the
// names and icons of the results it shows, and opens one when the user picks it.
class ShellSearchProvider : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell.SearchProvider2")
public:
    explicit ShellSearchProvider(Shared &shared, QObject *parent) : QObject(parent), m_shared(shared) {}

public slots:
    QStringList GetInitialResultSet(const QStringList &terms, const QDBusMessage &message)
    {
        m_shared.find(terms.join(QLatin1Char(' ')), message, &ids);
        return {};
    }
    QStringList GetSubsearchResultSet(const QStringList &previousResults, const QStringList &terms, const QDBusMessage &message)
    {
        Q_UNUSED(previousResults) // a longer name is another name: its domains are not among the earlier ones
        m_shared.find(terms.join(QLatin1Char(' ')), message, &ids);
        return {};
    }
    QList<QVariantMap> GetResultMetas(const QStringList &identifiers)
    {
        QList<QVariantMap> metas;
        for (const QString &id : identifiers) {
            const auto match = m_shared.search ? m_shared.search->match(id) : std::nullopt;
            if (!match)
                continue;
            metas.append({{QStringLiteral("id"), id},
                          {QStringLiteral("name"), DomainName::shown(match->domain)},
                          {QStringLiteral("description"), verdictWord(match->availability)},
                          {QStringLiteral("icon-data"), QVariant::fromValue(verdictIcon(match->availability))},
                          {QStringLiteral("clipboardText"), match->domain}});
        }
        return metas;
    }
    void ActivateResult(const QString &identifier, const QStringList &terms, uint timestamp)
    {
        Q_UNUSED(timestamp)
        m_shared.show(identifier, terms.join(QLatin1Char(' ')));
    }
    void LaunchSearch(const QStringList &terms, uint timestamp)
    {
        Q_UNUSED(timestamp)
        m_shared.actions.openWithText(terms.join(QLatin1Char(' ')));
    }

private:
    Shared &m_shared;
};

// org.kde.krunner1: KRunner asks at every keystroke and runs a match, or one of its actions.
class KRunnerRunner : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.krunner1")
public:
    static inline const QString copyAction = QStringLiteral("copy");
    static inline const QString watchAction = QStringLiteral("watch");

    explicit KRunnerRunner(Shared &shared, QObject *parent) : QObject(parent), m_shared(shared) {}

public slots:
    RemoteActions Actions()
    {
        return {{copyAction, QCoreApplication::translate("DesktopSearchBus", "Copy domain"), QStringLiteral("edit-copy")},
                {watchAction, QCoreApplication::translate("DesktopSearchBus", "Watch"), QStringLiteral("view-visible")}};
    }
    RemoteMatches Match(const QString &query, const QDBusMessage &message)
    {
        m_shared.find(query, message, [](const QList<DesktopSearch::Match> &matches) {
            RemoteMatches remote;
            for (const auto &match : matches) {
                const DomainAvailability verdict = match.availability;
                // Free names first; then the ones still open, then the taken, then failures.
                const double relevance = verdict == DomainAvailability::available ? 1.0
                                         : verdict == DomainAvailability::unknown ? 0.7
                                         : verdict == DomainAvailability::checking ? 0.6
                                         : verdict == DomainAvailability::taken ? 0.5
                                                                                 : 0.3;
                // Watching is for names that are not free.
                const QStringList actions = verdict == DomainAvailability::available ? QStringList{copyAction}
                                                                                     : QStringList{copyAction, watchAction};
                remote.append({match.id, QCoreApplication::translate("DesktopSearchBus", "%1 — %2").arg(DomainName::shown(match.domain), verdictWord(verdict)), QString(), 30,
                               relevance,
                               {{QStringLiteral("actions"), actions},
                                {QStringLiteral("icon-data"), QVariant::fromValue(verdictIcon(verdict))}}});
            }
            return QVariant::fromValue(remote);
        });
        return {};
    }
    void Run(const QString &matchId, const QString &actionId)
    {
        const auto match = m_shared.search ? m_shared.search->match(matchId) : std::nullopt;
        if (!match) {
            qCInfo(lcDesktopSearch, "KRunner asked for %s, which is no longer known", qUtf8Printable(matchId));
            return;
        }
        if (actionId == copyAction)
            m_shared.actions.copy(match->domain);
        else if (actionId == watchAction)
            m_shared.actions.watch(*match);
        else
            m_shared.show(matchId, match->domain);
    }
    void Teardown() {}

private:
    Shared &m_shared;
};

} // namespace orvane::desktopbus

namespace orvane {

using namespace desktopbus;

struct DesktopSearchBus::Private {
    Shared shared;
    QString connectionName; // of a bus other than the session bus, disconnected at the end
    std::unique_ptr<ShellSearchProvider> provider;
    std::unique_ptr<KRunnerRunner> runner;
};

DesktopSearchBus::DesktopSearchBus(DesktopSearch *search, Actions actions, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>())
{
    d->shared.search = search;
    d->shared.actions = std::move(actions);
    d->provider = std::make_unique<ShellSearchProvider>(d->shared, nullptr);
    d->runner = std::make_unique<KRunnerRunner>(d->shared, nullptr);
}

DesktopSearchBus::~DesktopSearchBus()
{
    QDBusConnection &bus = d->shared.bus;
    if (bus.isConnected()) {
        bus.unregisterObject(providerPath);
        bus.unregisterObject(runnerPath);
        bus.unregisterService(providerName);
        bus.unregisterService(runnerName);
    }
    if (!d->connectionName.isEmpty())
        QDBusConnection::disconnectFromBus(d->connectionName);
}

bool DesktopSearchBus::serve(const QString &address)
{
    qDBusRegisterMetaType<IconData>();
    qDBusRegisterMetaType<RemoteMatch>();
    qDBusRegisterMetaType<RemoteMatches>();
    qDBusRegisterMetaType<RemoteAction>();
    qDBusRegisterMetaType<RemoteActions>();
    qDBusRegisterMetaType<Metas>();
    if (address.isEmpty()) {
        d->shared.bus = QDBusConnection::sessionBus();
    } else {
        d->connectionName = QStringLiteral("orvane-desktop-search-%1").arg(quintptr(this), 0, 16);
        d->shared.bus = QDBusConnection::connectToBus(address, d->connectionName);
    }
    QDBusConnection &bus = d->shared.bus;
    if (!bus.isConnected()) {
        qCWarning(lcDesktopSearch, "No session bus: the desktop's search cannot reach Orvane (%s)", qUtf8Printable(bus.lastError().message()));
        return false;
    }
    bool served = true;
    for (const auto &[path, object] : {std::pair<QString, QObject *>{providerPath, d->provider.get()}, {runnerPath, d->runner.get()}}) {
        if (!bus.registerObject(path, object, QDBusConnection::ExportAllSlots)) {
            qCWarning(lcDesktopSearch, "Could not put %s on the session bus", qUtf8Printable(path));
            served = false;
        }
    }
    for (const QString &name : {providerName, runnerName}) {
        if (!bus.registerService(name)) {
            qCWarning(lcDesktopSearch, "Could not take the name %s on the session bus: %s", qUtf8Printable(name),
                      qUtf8Printable(bus.lastError().message()));
            served = false;
        }
    }
    return served;
}

} // namespace orvane

#include "DesktopSearchBus.moc"
