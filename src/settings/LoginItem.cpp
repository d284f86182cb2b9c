#include "settings/LoginItem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace orvane {

namespace {

// A desktop entry's string value: backslashes and control characters escaped, as every value is
// unescaped once when the entry is read.
QString desktopString(const QString &value)
{
    QString escaped;
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            escaped += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            escaped += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            escaped += QLatin1String("\\t");
        else if (c == QLatin1Char('\r'))
            escaped += QLatin1String("\\r");
        else
            escaped += c;
    }
    return escaped;
}

// An Exec value starting `path`: quoted when the path holds reserved characters (with `"`, `` ` ``,
// `$` and `\` escaped within), a literal `%` doubled so it is no field code, then escaped as
// a string, as the desktop entry format wants in that order.
QString execValue(const QString &path)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString exec = path;
    if (std::any_of(path.begin(), path.end(), [](QChar c) { return reserved.contains(c); })) {
        exec.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
        for (const char c : {'"', '`', '$'})
            exec.replace(QLatin1Char(c), QLatin1String("\\") + QLatin1Char(c));
        exec = QLatin1Char('"') + exec + QLatin1Char('"');
    }
    exec.replace(QLatin1Char('%'), QLatin1String("%%"));
    return desktopString(exec);
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

QString XdgAutostartLoginItem::installedExecutable(const QString &running)
{
    const QFileInfo program(running);
    if (QFile::exists(QDir::cleanPath(program.absolutePath() + QStringLiteral("/../share/applications/com.pellunor.Orvane.desktop"))))
        return program.absoluteFilePath();
    return packagedExecutable;
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
                                         "TryExec=%1\n"
                                         "Exec=%2\n"
                                         "Icon=com.pellunor.Orvane\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(desktopString(m_executable), execValue(m_executable));
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
    return std::make_unique<XdgAutostartLoginItem>(XdgAutostartLoginItem::defaultDirectory(),
                                                   XdgAutostartLoginItem::installedExecutable(executable));
}
#endif

} // namespace orvane
