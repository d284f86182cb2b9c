#include "DomainName.h"

#include <QTextBoundaryFinder>

namespace orvane::DomainName {

QString normalize(const QString &query)
{
    QString name = query.trimmed().toLower();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return name;
}

bool isValid(const QString &name)
{
    QStringList graphemes;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, name);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        graphemes << name.mid(start, finder.position() - start);
        start = finder.position();
    }
    if (graphemes.isEmpty() || graphemes.size() > 63)
        return false;
    if (name.startsWith(QLatin1Char('-')) || name.endsWith(QLatin1Char('-')))
        return false;
    for (const QString &grapheme : graphemes) {
        const auto codePoints = grapheme.toUcs4();
        if (codePoints.size() != 1)
            return false;
        const char32_t c = codePoints.first();
        const bool asciiLetter = c >= U'a' && c <= U'z';
        const bool numeric = QChar::isNumber(c);
        if (!asciiLetter && !numeric && c != U'-')
            return false;
    }
    return true;
}

} // namespace orvane::DomainName
