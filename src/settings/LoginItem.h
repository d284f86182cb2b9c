#pragma once

#include <QString>

#include <expected>
#include <memory>

namespace orvane {

// Starting the program when the user logs in. "Registered" is the status "enabled".
class LoginItem
{
public:
    // What the program is started with at login, so that it stays in the tray.
    static inline const QString loginArgument = QStringLiteral("--autostart");

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

private:
    QString m_directory;
    QString m_executable;
};

} // namespace orvane
