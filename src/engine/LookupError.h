#pragma once

#include "engine/WhoisError.h"

namespace orvane {

// Why a domain lookup ended without a verdict: WHOIS, asked whenever RDAP gives no answer,
// failed too (RDAP's own reason is in the log), or the lookup was cancelled. An RDAP server that
// failed its TLS check is not among these: that lookup ends with an error result naming it.
class LookupError
{
public:
    enum class Kind { whoisFailed, cancelled };

    static LookupError cancelled() { return LookupError(WhoisError::cancelled()); }
    // A cancelled WHOIS exchange is a cancelled lookup.
    static LookupError whoisFailed(WhoisError error) { return LookupError(std::move(error)); }

    Kind kind() const { return m_whois.kind() == WhoisError::Kind::cancelled ? Kind::cancelled : Kind::whoisFailed; }
    const WhoisError &whoisError() const { return m_whois; }
    // What the user sees on the row.
    QString description() const { return m_whois.description(); }

    friend bool operator==(const LookupError &, const LookupError &) = default;

private:
    explicit LookupError(WhoisError whois) : m_whois(std::move(whois)) {}

    WhoisError m_whois;
};

} // namespace orvane
