// Settings loaded from whatever bytes the settings file holds: always usable values.
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path = QStringLiteral("/tmp/orvane-fuzz-settings-%1.ini").arg(::getpid());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    orvane::AppSettings settings(orvane::SettingsLocation{path});
    if (settings.tlds().isEmpty())
        std::abort(); // an unreadable or empty catalogue falls back to the defaults
    for (const QString &tld : settings.orderedEnabledTLDs()) {
        if (!settings.tlds().contains(tld))
            std::abort();
    }
    return 0;
}
