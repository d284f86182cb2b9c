#include "settings/LoginItem.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace orvane {

namespace {

// Desktop entry Exec values quote paths that contain reserved characters.
QString quotedExec(const QString &path)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    if (std::none_of(path.begin(), path.end(), [](QChar c) { return reserved.contains(c); }))
        return path;
    QString escaped = path;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    for (const char c : {'"', '`', '$'})
        escaped.replace(QLatin1Char(c), QLatin1String("\\") + QLatin1Char(c));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(QString autostartDirectory, QString executable)
    : m_directory(std::move(autostartDirectory)), m_executable(std::move(executable))
{
}

QString XdgAutostartLoginItem::defaultDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart");
}

QString XdgAutostartLoginItem::entryPath() const
{
    return m_directory + QStringLiteral("/com.pellunor.Orvane.desktop");
}

bool XdgAutostartLoginItem::isRegistered() const
{
    return QFile::exists(entryPath());
}

std::expected<void, QString> XdgAutostartLoginItem::registerItem()
{
    if (!QDir().mkpath(m_directory))
        return std::unexpected(QStringLiteral("Could not create the folder %1.").arg(m_directory));
    QSaveFile file(entryPath());
    if (!file.open(QIODevice::WriteOnly))
        return std::unexpected(QStringLiteral("Could not write %1: %2").arg(entryPath(), file.errorString()));
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Orvane\n"
                                         "Comment=Check whether a domain name is still free\n"
                                         "Exec=%1 %2\n"
                                         "Icon=com.pellunor.Orvane\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(quotedExec(m_executable), loginArgument);
    file.write(entry.toUtf8());
    if (!file.commit())
        return std::unexpected(QStringLiteral("Could not write %1: %2").arg(entryPath(), file.errorString()));
    return {};
}

std::expected<void, QString> XdgAutostartLoginItem::unregisterItem()
{
    QFile file(entryPath());
    if (file.exists() && !file.remove())
        return std::unexpected(QStringLiteral("Could not remove %1: %2").arg(entryPath(), file.errorString()));
    return {};
}

#if !defined(Q_OS_MACOS) && !defined(Q_OS_WIN)
std::unique_ptr<LoginItem> LoginItem::platformDefault(const QString &executable)
{
    return std::make_unique<XdgAutostartLoginItem>(XdgAutostartLoginItem::defaultDirectory(), executable);
}
#endif

} // namespace orvane
