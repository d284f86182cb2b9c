#pragma once

#include <QString>

#include <expected>
#include <memory>

namespace orvane {

// Starting the program when the user logs in. "Registered" is the status "enabled".
class LoginItem
{
public:
    virtual ~LoginItem() = default;
    virtual bool isRegistered() const = 0;
    virtual std::expected<void, QString> registerItem() = 0;
    virtual std::expected<void, QString> unregisterItem() = 0;

    // The mechanism of this platform, starting `executable` (an absolute path).
    static std::unique_ptr<LoginItem> platformDefault(const QString &executable);
};

// Linux and other freedesktop systems: an autostart entry in $XDG_CONFIG_HOME/autostart.
class XdgAutostartLoginItem : public LoginItem
{
public:
    XdgAutostartLoginItem(QString autostartDirectory, QString executable);

    bool isRegistered() const override;
    std::expected<void, QString> registerItem() override;
    std::expected<void, QString> unregisterItem() override;

    QString entryPath() const;
    static QString defaultDirectory();

    // The program a login starts, given the running one: the running one when it is installed
    // (its desktop entry lies in ../share/applications beside its bin folder, as the package and
    // `cmake --install` lay it out), otherwise the one the package installs. A build tree's binary
    // is never written: it moves, and goes with the next clean.
    static QString installedExecutable(const QString &running);
    static inline const QString packagedExecutable = QStringLiteral("/usr/bin/orvane");

private:
    QString m_directory;
    QString m_executable;
};

} // namespace orvane
