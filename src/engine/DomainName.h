#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace orvane {

// The rules for the name a user types, shared by the search pane and orvane-check.
namespace DomainName {

inline const QString invalidNameMessage = QStringLiteral("Enter a name (letters, digits, hyphens, no spaces or dots).");
inline const QString noTLDMessage = QStringLiteral("Select at least one TLD to check.");

// Trim, lower-case, compose accents (NFC), and keep what stands before the first full stop
// (a pasted domain searches its first label).
QString normalize(const QString &query);

// The form the registries are asked about: the name itself when it is plain ASCII, its
// "xn--" form when it holds letters beyond ASCII. None when the name is not a valid label:
// empty or over 63 characters, a hyphen at either end, anything but letters, the digits 0–9
// and hyphens, "--" in third and fourth place outside an "xn--" label, or an "xn--" label
// that does not decode to such a name.
std::optional<QString> toAscii(const QString &normalizedName);

// The form people read, for a label or a whole domain: "xn--bcher-kva.de" becomes "bücher.de";
// everything else stays as it is.
QString toUnicode(const QString &asciiName);

// The normalised name as it is shown once accepted (a typed "xn--" label in Unicode).
// None when the name is not valid.
std::optional<QString> displayForm(const QString &normalizedName);

bool isValid(const QString &normalizedName);

} // namespace DomainName

// The catalogue a first start begins with.
inline const QStringList defaultTLDs{QStringLiteral(".com"), QStringLiteral(".ai")};

} // namespace orvane
