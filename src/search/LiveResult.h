#pragma once

#include "engine/DomainAvailability.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

namespace orvane {

// One row of the search pane: a domain and what is known of it so far.
struct LiveResult {
    QUuid id;
    QString tld;
    QString domain;
    DomainAvailability availability = DomainAvailability::checking;
    QString rawResponse;
    std::optional<QString> errorMessage;
    QDateTime expiresAt; // invalid when the registry did not say
    // While a registry holds the check back: which one, and when it is asked again.
    QString waitingHost;
    QDateTime waitingUntil;

    friend bool operator==(const LiveResult &, const LiveResult &) = default;
};

} // namespace orvane
