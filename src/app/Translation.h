#pragma once

#include <QLocale>
#include <QString>

namespace orvane {

// Installs the program's texts in the user's language: the first of the locale's UI languages
// that a translation ships for, from the installed share/orvane/translations or else the copy
// built into the program; English (which carries the plural forms of its texts) otherwise.
// Replaces the translation installed before. Returns the language used ("de", "en").
QString installTranslation(const QLocale &locale = QLocale());

} // namespace orvane
