// Windows: a value under HKCU\Software\Microsoft\Windows\CurrentVersion\Run.
#include "settings/LoginItem.h"

#include <QDir>
#include <QSettings>

namespace orvane {

namespace {

class RunKeyLoginItem : public LoginItem
{
public:
    explicit RunKeyLoginItem(QString executable) : m_executable(std::move(executable)) {}

    bool isRegistered() const override { return runKey().contains(valueName()); }

    std::expected<void, QString> registerItem() override
    {
        QSettings key = runKey();
        key.setValue(valueName(), QLatin1Char('"') + QDir::toNativeSeparators(m_executable) + QStringLiteral("\" ") + loginArgument);
        key.sync();
        if (key.status() != QSettings::NoError)
            return std::unexpected(QStringLiteral("Could not write the Run key of the registry."));
        return {};
    }

    std::expected<void, QString> unregisterItem() override
    {
        QSettings key = runKey();
        key.remove(valueName());
        key.sync();
        if (key.status() != QSettings::NoError)
            return std::unexpected(QStringLiteral("Could not write the Run key of the registry."));
        return {};
    }

private:
    static QString valueName() { return QStringLiteral("Orvane"); }
    static QSettings runKey()
    {
        return QSettings(QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
                         QSettings::NativeFormat);
    }

    QString m_executable;
};

} // namespace

std::unique_ptr<LoginItem> LoginItem::platformDefault(const QString &executable)
{
    return std::make_unique<RunKeyLoginItem>(executable);
}

} // namespace orvane
