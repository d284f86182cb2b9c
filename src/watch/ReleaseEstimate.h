#pragma once

#include <QDateTime>
#include <QStringList>

#include <optional>

namespace orvane {

// Where a registration stands in its life, as the registry's RDAP answer told it.
struct RegistrationLifecycle {
    QStringList statuses; // RDAP status values in lower case: "redemption period", "pending delete", ...
    QDateTime expiresAt;     // the "expiration" event
    QDateTime lastChangedAt; // the "last changed" event
    QDateTime deletionAt;    // the "deletion" event

    bool isEmpty() const { return statuses.isEmpty() && !expiresAt.isValid() && !lastChangedAt.isValid() && !deletionAt.isValid(); }
    friend bool operator==(const RegistrationLifecycle &, const RegistrationLifecycle &) = default;
};

// The stages of a gTLD name on its way out: past its expiry date (the registrar may still
// renew it for up to 45 days), deleted and in its 30 days of redemption (the last holder may
// still restore it), then 5 days of pending delete before the registry releases it.
enum class ReleasePhase { none, expired, redemption, pendingDelete };
// "expired", "redemption", "pendingDelete"; "" for none.
QString releasePhaseKey(ReleasePhase phase);

// The phase the registry's statuses (and, for a name past its expiry, the dates) tell, as seen at
// `observedAt`. A name in redemption is "pending delete" to the registry as well: redemption wins.
ReleasePhase releasePhase(const RegistrationLifecycle &lifecycle, const QDateTime &observedAt);

// When a name is expected to come free, and from what that was worked out.
struct ReleaseEstimate {
    enum class Basis {
        deletionEvent, // the registry dates the deletion itself
        pendingDelete, // 5 days after the name entered pending delete (its last change)
        redemption,    // 30 days of redemption from its last change, then 5 of pending delete
        expiry,        // up to 45 days of grace after it expired, then 30 and 5 more
    };
    ReleasePhase phase = ReleasePhase::none;
    QDateTime freeAround;
    Basis basis = Basis::expiry;
    QDateTime since; // the date the rule counts from; invalid for deletionEvent

    friend bool operator==(const ReleaseEstimate &, const ReleaseEstimate &) = default;
};

// "deletionEvent", "pendingDelete", "redemption", "expiry".
QString releaseBasisKey(ReleaseEstimate::Basis basis);

// Whether a TLD is a country's (two ASCII letters, or one of the internationalised country-code
// TLDs); any other is a generic TLD, bound by ICANN's deletion rules.
bool isCountryCodeTLD(const QString &tld);

// When a gTLD name in one of the phases above should be released, from what its registry said at
// `observedAt`. None for a country-code TLD (each country sets its own rules), for a name in no
// such phase, and where the dates needed are missing or cannot be the start of the phase the
// name is in (a "last changed" older than the phase lasts).
std::optional<ReleaseEstimate> estimateRelease(const QString &tld, const RegistrationLifecycle &lifecycle,
                                               const QDateTime &observedAt);

} // namespace orvane
