#pragma once

#include <QString>

namespace orvane {

// Trims spaces and tabs only: a line break or a no-break space is content, not padding.
QString trimBlanks(const QString &text);

// White space, control or format characters: they would add lines or hidden text to a WHOIS
// query, and no name or TLD has them.
bool hasUnsafeCharacter(const QString &text);

// A TLD in normal form: spaces and tabs trimmed, lower case, one leading full stop
// ("COM", " .Com\t" and ".com" are all ".com").
QString normalizeTLD(const QString &text);

} // namespace orvane
