#include "engine/DomainName.h"

#include <QTextBoundaryFinder>
#include <QUrl>

namespace orvane::DomainName {

namespace {

constexpr qsizetype maxLabelLength = 63;

qsizetype graphemeCount(const QString &text)
{
    qsizetype count = 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

bool isAsciiLabelCharacter(char32_t c)
{
    return (c >= U'a' && c <= U'z') || (c >= U'0' && c <= U'9') || c == U'-';
}

// Letters of any script, with their combining marks. Digits other than 0–9 are refused on
// purpose: registries would be sent raw UTF-8 or a look-alike form nobody typed.
bool isInternationalLetter(char32_t c)
{
    return c > 0x7F && (QChar::isLetter(c) || QChar::isMark(c));
}

bool hasReservedHyphens(const QString &label)
{
    return label.size() >= 4 && label.at(2) == QLatin1Char('-') && label.at(3) == QLatin1Char('-');
}

// Checks an ASCII label, and for an "xn--" label that it names a valid international one.
bool isValidAsciiLabel(const QString &label)
{
    if (label.isEmpty() || label.size() > maxLabelLength)
        return false;
    if (label.startsWith(QLatin1Char('-')) || label.endsWith(QLatin1Char('-')))
        return false;
    for (const QChar c : label) {
        if (!isAsciiLabelCharacter(c.unicode()))
            return false;
    }
    if (!hasReservedHyphens(label))
        return true;
    if (!label.startsWith(QLatin1String("xn--")))
        return false;
    const QString unicode = QUrl::fromAce(label.toLatin1(), QUrl::IgnoreIDNWhitelist);
    if (unicode == label || unicode.isEmpty())
        return false; // not decodable
    // The decoded name must pass the same rules and come back to the very same label.
    for (const char32_t c : unicode.toUcs4()) {
        if (!isAsciiLabelCharacter(c) && !isInternationalLetter(c))
            return false;
    }
    return graphemeCount(unicode) <= maxLabelLength
           && QString::fromLatin1(QUrl::toAce(unicode, QUrl::IgnoreIDNWhitelist)) == label;
}

} // namespace

QString normalize(const QString &query)
{
    QString name = query.trimmed().toLower().normalized(QString::NormalizationForm_C);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return name;
}

std::optional<QString> toAscii(const QString &name)
{
    const qsizetype length = graphemeCount(name);
    if (length == 0 || length > maxLabelLength)
        return std::nullopt;
    if (name.startsWith(QLatin1Char('-')) || name.endsWith(QLatin1Char('-')))
        return std::nullopt;
    bool ascii = true;
    for (const char32_t c : name.toUcs4()) {
        if (isAsciiLabelCharacter(c))
            continue;
        if (!isInternationalLetter(c))
            return std::nullopt;
        ascii = false;
    }
    if (ascii)
        return isValidAsciiLabel(name) ? std::optional<QString>(name) : std::nullopt;

    const QString encoded = QString::fromLatin1(QUrl::toAce(name, QUrl::IgnoreIDNWhitelist));
    // Conversion may map characters to others (a ligature to two letters); the name queried
    // must be the name shown, so only a form that decodes back to the name itself is taken.
    if (encoded.isEmpty() || !encoded.startsWith(QLatin1String("xn--")) || !isValidAsciiLabel(encoded))
        return std::nullopt;
    if (QUrl::fromAce(encoded.toLatin1(), QUrl::IgnoreIDNWhitelist) != name)
        return std::nullopt;
    return encoded;
}

QString toUnicode(const QString &asciiName)
{
    if (!asciiName.contains(QLatin1String("xn--")))
        return asciiName;
    const QString decoded = QUrl::fromAce(asciiName.toLatin1(), QUrl::IgnoreIDNWhitelist);
    return decoded.isEmpty() ? asciiName : decoded;
}

std::optional<QString> displayForm(const QString &name)
{
    const auto ascii = toAscii(name);
    if (!ascii)
        return std::nullopt;
    return toUnicode(*ascii);
}

bool isValid(const QString &name)
{
    return toAscii(name).has_value();
}

} // namespace orvane::DomainName
