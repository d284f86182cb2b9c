#pragma once

#include "engine/DomainAvailability.h"

#include <QString>
#include <QStringList>

namespace orvane {

// Two or more of these (lower case, as plain substrings) make an answer a registration record,
// which never reads free: the fuzz target checks that promise against this very list.
const QStringList &recordMarkers();

// The verdict for a registry's free-text answer. Only an explicit free phrase outside a
// registration record, or a short answer with nothing objectionable in it, reads free. Lines
// are compared in lower case with their runs of blanks made one space and no space before a
// colon; comment lines (% or #) never make a record taken.
DomainAvailability interpretWhoisResponse(const QString &response);

// The text shown to the user: legal notices cut, banner and comment lines trimmed off both ends.
QString stripWhoisBoilerplate(const QString &response);

// An answer split into lines at LF, a CR right before the LF belonging to the break.
QStringList whoisLines(const QString &text);

} // namespace orvane
