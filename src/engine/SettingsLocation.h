#pragma once

#include <QSettings>
#include <QString>

#include <memory>

namespace orvane {

// Where the user-defaults store lives. Empty means the platform's native store for
// the application (the organisation and application names set on QCoreApplication);
// tests point it at a file of their own.
struct SettingsLocation {
    QString fileName;

    std::unique_ptr<QSettings> open() const
    {
        if (fileName.isEmpty())
            return std::make_unique<QSettings>();
        return std::make_unique<QSettings>(fileName, QSettings::IniFormat);
    }
};

} // namespace orvane
