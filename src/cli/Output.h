#pragma once

#include "engine/DomainAvailability.h"
#include "watch/WatchList.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace orvane::cli {

enum class Format { text, json, csv };

// One answered domain, as every format needs it.
struct Row {
    QString domain;      // as shown: international names in Unicode
    QString asciiDomain; // as asked
    QString tld;
    DomainAvailability availability = DomainAvailability::error;
    std::optional<QString> response; // the registry's (cleaned) answer
    std::optional<QString> error;    // why there is no answer
    QString method;                  // "rdap" or "whois"; empty without an answer
    QString server;                  // the registry host that answered
    QDateTime checkedAt;
    QDateTime expiresAt;             // when the registration ends, where the answer says
};

// Registry text is untrusted: C0 and C1 controls and DEL become \uXXXX so that an answer
// cannot drive the terminal (titles, erased lines, the clipboard). Newlines and tabs stay
// when `keepLayout` is set.
QString escapeControls(const QString &text, bool keepLayout);

// The desktop program's word for a verdict: "available", "taken", "unclear", "error".
QString verdictWord(DomainAvailability availability);

// One RFC 4180 field: quoted when it holds a comma, a quote or a line break; a leading
// apostrophe when it begins with =, +, -, @, a tab or a carriage return, which a spreadsheet
// would take for a formula.
QString csvField(const QString &text);

QString csvHeader();
QString formatCsv(const Row &row);
QString formatJson(const Row &row);
// `colour` wraps the verdict in the terminal's colour codes.
QString formatText(const Row &row, bool colour);

// One domain --dry-run would ask about: its name in text, or the first three fields of a row.
QString plannedCsvHeader();
QString formatPlanned(const Row &row, Format format);

// One watched domain of the desktop program, as --watching prints it.
QString watchedCsvHeader();
QString formatWatched(const WatchedDomain &row, Format format);

} // namespace orvane::cli
