#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace orvane {

// The rules for names: what a user may type, the forms it takes, and whether it could pass for
// another. The search pane, orvane-check, the watch, notifications and the history all use
// these, so a name is converted the same way wherever it goes.
namespace DomainName {

inline const QString invalidNameMessage = QStringLiteral("Enter a name (letters, digits, hyphens, no spaces or dots).");
inline const QString noTLDMessage = QStringLiteral("Select at least one TLD to check.");

// Trim, lower-case, compose accents (NFC), and keep what stands before the first full stop
// (a pasted domain searches its first label).
QString normalize(const QString &query);

// A name in the two forms it has: the one people read and the one the registries are asked about.
struct Forms {
    QString unicode; // "bücher"
    QString ascii;   // "xn--bcher-kva"
};

// The one conversion, for a label or a whole domain (label by label), on IDNA2008 with UTS-46
// processing (non-transitional: "ß" stays "ß"). None when a label is not valid: empty or over
// 63 characters, a hyphen at either end, "--" in third and fourth place outside an "xn--" label,
// anything but letters, the digits 0–9 and hyphens, a character IDNA2008 disallows (U+0640
// ARABIC TATWEEL), a form that conversion would change into other letters (the ligature "ﬁ"),
// or an "xn--" label that does not decode to such a name.
std::optional<Forms> convert(const QString &name);

// The form of one name (a single label) the registries are asked about ("xn--bcher-kva"); none
// when it is not a valid name.
std::optional<QString> toAscii(const QString &name);

// The form people read, for a label or a whole domain: "xn--bcher-kva.de" becomes "bücher.de";
// labels that do not convert stay as they are.
QString toUnicode(const QString &asciiName);

// The normalised name (a single label) as it is shown once accepted (a typed "xn--" label in
// Unicode). None when the name is not valid.
std::optional<QString> displayForm(const QString &normalizedName);

bool isValid(const QString &normalizedName);

// Whether a name could pass for another (ICU's spoof checker, label by label): a label that mixes
// scripts ("аpple" with a Cyrillic а), or one written wholly in letters of one script that look
// like letters of another ("аррӏе", all Cyrillic). Plain ASCII and ordinary single-script names
// are neither.
enum class LookAlike { none, mixedScripts, wholeScript };
LookAlike lookAlike(const QString &name);

// The name as it is shown wherever it appears: a look-alike with its ASCII form beside it,
// "аpple.com (xn--pple-43d.com)"; any other name as it is.
QString shown(const QString &name);

} // namespace DomainName

// The catalogue a first start begins with.
inline const QStringList defaultTLDs{QStringLiteral(".com"), QStringLiteral(".ai")};

} // namespace orvane
