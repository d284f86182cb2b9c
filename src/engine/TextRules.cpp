#include "engine/TextRules.h"

#include <algorithm>

namespace orvane {

QString trimBlanks(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (start < end && blank(text.at(start)))
        ++start;
    while (end > start && blank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

bool hasUnsafeCharacter(const QString &text)
{
    // isSpace() covers the line and paragraph separators as well.
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        return c.isSpace() || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format;
    });
}

QString normalizeTLD(const QString &text)
{
    const QString lower = trimBlanks(text).toLower();
    return lower.startsWith(QLatin1Char('.')) ? lower : QLatin1Char('.') + lower;
}

} // namespace orvane
