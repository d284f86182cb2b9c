#pragma once

#include "engine/DomainAvailability.h"

#include <QString>
#include <QStringList>

namespace orvane {

// Phrase lists, compared against the lower-cased answer as plain substrings.
const QStringList &rateLimitMarkers();
const QStringList &availablePatterns();
const QStringList &takenPatterns();
const QStringList &boilerplateMarkers();
// Two or more of these make an answer a registration record.
const QStringList &recordMarkers();
// Phrases that say the name cannot simply be registered, though it is not taken either.
const QStringList &undecidedPatterns();
// Words that make a short answer a complaint or a reservation rather than a free name.
const QStringList &shortAnswerObjections();

// The verdict for a registry's free-text answer. Only an explicit free phrase outside a
// registration record, or a short answer with nothing objectionable in it, reads free. Lines
// are compared in lower case with their runs of blanks made one space and no space before a
// colon; comment lines (% or #) never make a record taken.
DomainAvailability interpretWhoisResponse(const QString &response, const QString &tld);

// The text shown to the user: legal notices cut, banner and comment lines trimmed off both ends.
QString stripWhoisBoilerplate(const QString &response);

// An answer split into lines at LF, a CR right before the LF belonging to the break.
QStringList whoisLines(const QString &text);

} // namespace orvane
