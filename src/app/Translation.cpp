#include "app/Translation.h"

#include <QCoreApplication>
#include <QTranslator>

#include <memory>

namespace orvane {

QString installTranslation(const QLocale &locale)
{
    static std::unique_ptr<QTranslator> installed;
    if (installed)
        QCoreApplication::removeTranslator(installed.get());
    auto translator = std::make_unique<QTranslator>();
    const QString name = QStringLiteral("orvane");
    const QString prefix = QStringLiteral("_");
    const QStringList folders{QCoreApplication::applicationDirPath() + QStringLiteral("/../share/orvane/translations"),
                              QStringLiteral(":/i18n")};
    bool loaded = false;
    for (const QString &folder : folders) {
        if ((loaded = translator->load(locale, name, prefix, folder)))
            break;
    }
    if (!loaded)
        loaded = translator->load(name + prefix + QStringLiteral("en"), QStringLiteral(":/i18n"));
    if (!loaded)
        return {};
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
    return installed->language().section(QLatin1Char('_'), 0, 0);
}

} // namespace orvane
