#pragma once

#include <QString>
#include <QStringList>

namespace orvane {

// The rules for the name a user types, shared by the search pane and orvane-check.
namespace DomainName {

inline const QString invalidNameMessage = QStringLiteral("Enter a name (letters, digits, hyphens, no spaces or dots).");
inline const QString noTLDMessage = QStringLiteral("Select at least one TLD to check.");

// Trim, lower-case, and keep what stands before the first full stop (a pasted domain
// searches its first label).
QString normalize(const QString &query);

// 1 to 63 characters, no hyphen at either end, only a–z, numeric characters and hyphens.
bool isValid(const QString &normalizedName);

} // namespace DomainName

// The catalogue a first start begins with.
inline const QStringList defaultTLDs{QStringLiteral(".com"), QStringLiteral(".ai")};

} // namespace orvane
