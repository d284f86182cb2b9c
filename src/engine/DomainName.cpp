#include "engine/DomainName.h"

#include <QTextBoundaryFinder>

#include <idn2.h>
#include <unicode/uspoof.h>

#include <algorithm>
#include <memory>

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
// purpose: they would be asked about in a form nobody typed.
bool isInternationalLetter(char32_t c)
{
    return c > 0x7F && (QChar::isLetter(c) || QChar::isMark(c));
}

bool isAscii(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// A label the user may name: letters, digits 0–9 and hyphens, 1 to 63 characters as seen.
bool hasLabelCharacters(const QString &label)
{
    const qsizetype length = graphemeCount(label);
    if (length == 0 || length > maxLabelLength)
        return false;
    const auto characters = label.toUcs4();
    return std::all_of(characters.begin(), characters.end(),
                       [](char32_t c) { return isAsciiLabelCharacter(c) || isInternationalLetter(c); });
}

struct Idn2Free {
    void operator()(char *text) const { idn2_free(text); }
};
using Idn2Text = std::unique_ptr<char, Idn2Free>;

std::optional<Forms> convertLabel(const QString &label)
{
    if (!hasLabelCharacters(label))
        return std::nullopt;
    // IDNA2008 lookup with UTS-46 processing; it also checks the hyphen rules, the length of
    // the ASCII form and, for an "xn--" label, what it decodes to.
    const QByteArray utf8 = label.toUtf8();
    char *asciiOut = nullptr;
    if (idn2_lookup_u8(reinterpret_cast<const uint8_t *>(utf8.constData()), reinterpret_cast<uint8_t **>(&asciiOut),
                       IDN2_NFC_INPUT | IDN2_NONTRANSITIONAL)
        != IDN2_OK)
        return std::nullopt;
    const Idn2Text ascii(asciiOut);
    char *unicodeOut = nullptr;
    if (idn2_to_unicode_8z8z(ascii.get(), &unicodeOut, 0) != IDN2_OK)
        return std::nullopt;
    const Idn2Text unicode(unicodeOut);
    Forms forms{QString::fromUtf8(unicode.get()), QString::fromLatin1(ascii.get())};
    // The name asked about must be the name shown: a conversion that maps letters to others
    // (a ligature to two letters) is refused, and a typed "xn--" label must decode to a name
    // that could have been typed.
    if (label != forms.ascii && label != forms.unicode)
        return std::nullopt;
    if (forms.unicode != forms.ascii && !hasLabelCharacters(forms.unicode))
        return std::nullopt;
    return forms;
}

// Configured once; checking with a configured checker is safe from any thread.
const USpoofChecker *spoofChecker()
{
    static const USpoofChecker *const checker = [] {
        UErrorCode status = U_ZERO_ERROR;
        USpoofChecker *made = uspoof_open(&status);
        // The restriction level flags labels that mix scripts (Latin with Han and kana, as
        // Japanese is written, is not a mix); the confusable checks serve the whole-script test.
        uspoof_setChecks(made, USPOOF_RESTRICTION_LEVEL | USPOOF_CONFUSABLE, &status);
        uspoof_setRestrictionLevel(made, USPOOF_HIGHLY_RESTRICTIVE);
        if (U_FAILURE(status)) {
            uspoof_close(made);
            return static_cast<USpoofChecker *>(nullptr);
        }
        return made;
    }();
    return checker;
}

LookAlike labelLookAlike(const QString &label)
{
    const USpoofChecker *checker = spoofChecker();
    if (isAscii(label) || !checker)
        return LookAlike::none;
    const auto *text = reinterpret_cast<const UChar *>(label.utf16());
    const auto length = static_cast<int32_t>(label.size());
    UErrorCode status = U_ZERO_ERROR;
    const int32_t failed = uspoof_check2(checker, text, length, nullptr, &status);
    if (U_SUCCESS(status) && (failed & USPOOF_RESTRICTION_LEVEL))
        return LookAlike::mixedScripts;

    // One script throughout, but does it look like ASCII? The skeleton is what the label looks
    // like; an ASCII skeleton of another script is a whole-script look-alike.
    status = U_ZERO_ERROR;
    const int32_t needed = uspoof_getSkeleton(checker, 0, text, length, nullptr, 0, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR || needed <= 0)
        return LookAlike::none;
    QString skeleton(needed, Qt::Uninitialized);
    status = U_ZERO_ERROR;
    uspoof_getSkeleton(checker, 0, text, length, reinterpret_cast<UChar *>(skeleton.data()), needed, &status);
    if (U_FAILURE(status) || !isAscii(skeleton))
        return LookAlike::none;
    status = U_ZERO_ERROR;
    const int32_t confusable = uspoof_areConfusable(checker, text, length, reinterpret_cast<const UChar *>(skeleton.utf16()),
                                                    static_cast<int32_t>(skeleton.size()), &status);
    return U_SUCCESS(status) && (confusable & USPOOF_WHOLE_SCRIPT_CONFUSABLE) ? LookAlike::wholeScript : LookAlike::none;
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

std::optional<Forms> convert(const QString &name)
{
    QStringList unicode;
    QStringList ascii;
    for (const QString &label : name.split(QLatin1Char('.'))) {
        const auto forms = convertLabel(label);
        if (!forms)
            return std::nullopt;
        unicode << forms->unicode;
        ascii << forms->ascii;
    }
    return Forms{unicode.join(QLatin1Char('.')), ascii.join(QLatin1Char('.'))};
}

namespace {
// A name is one label: a dot makes it a domain.
std::optional<Forms> convertName(const QString &name)
{
    return name.contains(QLatin1Char('.')) ? std::nullopt : convert(name);
}
} // namespace

std::optional<QString> toAscii(const QString &name)
{
    const auto forms = convertName(name);
    return forms ? std::optional<QString>(forms->ascii) : std::nullopt;
}

QString toUnicode(const QString &asciiName)
{
    if (!asciiName.contains(QLatin1String("xn--")))
        return asciiName;
    QStringList labels = asciiName.split(QLatin1Char('.'));
    for (QString &label : labels) {
        if (const auto forms = convert(label.toLower()))
            label = forms->unicode;
    }
    return labels.join(QLatin1Char('.'));
}

std::optional<QString> displayForm(const QString &name)
{
    const auto forms = convertName(name);
    return forms ? std::optional<QString>(forms->unicode) : std::nullopt;
}

bool isValid(const QString &name)
{
    return convertName(name).has_value();
}

LookAlike lookAlike(const QString &name)
{
    LookAlike found = LookAlike::none;
    for (const QString &label : name.split(QLatin1Char('.'))) {
        const LookAlike kind = labelLookAlike(label);
        if (kind == LookAlike::mixedScripts)
            return kind;
        if (kind != LookAlike::none)
            found = kind;
    }
    return found;
}

QString shown(const QString &name)
{
    if (lookAlike(name) == LookAlike::none)
        return name;
    QStringList labels = name.split(QLatin1Char('.'));
    for (QString &label : labels) {
        if (const auto forms = convert(label))
            label = forms->ascii;
    }
    return QStringLiteral("%1 (%2)").arg(name, labels.join(QLatin1Char('.')));
}

} // namespace orvane::DomainName
