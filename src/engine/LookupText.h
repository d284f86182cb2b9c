#pragma once

#include <QString>

#include <array>

namespace orvane::lookupText {

// The texts the lookups write themselves, in English: their errors, and the lines that stand
// for a registry's answer when it sent none to show. They are what orvane-check prints, the log
// writes and the history keeps, so they never change with the user's language. Each has at most
// one %1, for its detail. They are marked for translation in one context, so that the windows can
// show them in the user's language, just met or stored long ago, by reading the English text
// back against these.
inline constexpr char context[] = "orvane::LookupText";

inline constexpr const char *invalidTLD = QT_TRANSLATE_NOOP("orvane::LookupText", "Invalid TLD: %1");
inline constexpr const char *noWhoisServer = QT_TRANSLATE_NOOP("orvane::LookupText", "No WHOIS server known for %1");
inline constexpr const char *connectionFailed = QT_TRANSLATE_NOOP("orvane::LookupText", "Connection failed: %1");
inline constexpr const char *readFailed = QT_TRANSLATE_NOOP("orvane::LookupText", "Read failed: %1");
inline constexpr const char *whoisTimedOut = QT_TRANSLATE_NOOP("orvane::LookupText", "WHOIS query timed out");
inline constexpr const char *whoisThrottled = QT_TRANSLATE_NOOP("orvane::LookupText", "WHOIS server asked to wait longer than allowed: %1");
// Where a WHOIS exchange failed, and why it gave up on an answer.
inline constexpr const char *whileConnecting = QT_TRANSLATE_NOOP("orvane::LookupText", "waiting: %1");
inline constexpr const char *whileSending = QT_TRANSLATE_NOOP("orvane::LookupText", "send: %1");
inline constexpr const char *answerTooLarge = QT_TRANSLATE_NOOP("orvane::LookupText", "Answer too large");

inline constexpr const char *rdapNotSupported = QT_TRANSLATE_NOOP("orvane::LookupText", "RDAP not supported for %1");
inline constexpr const char *rdapHttpError = QT_TRANSLATE_NOOP("orvane::LookupText", "RDAP HTTP error %1");
inline constexpr const char *rdapNetworkError = QT_TRANSLATE_NOOP("orvane::LookupText", "RDAP network error: %1");
inline constexpr const char *rdapInvalidURL = QT_TRANSLATE_NOOP("orvane::LookupText", "Invalid RDAP URL");
inline constexpr const char *rdapInvalidResponse = QT_TRANSLATE_NOOP("orvane::LookupText", "RDAP server returned invalid response");
inline constexpr const char *rdapRateLimited = QT_TRANSLATE_NOOP("orvane::LookupText", "RDAP rate limit exceeded");
inline constexpr const char *rdapTlsFailure = QT_TRANSLATE_NOOP("orvane::LookupText", "RDAP secure connection failed with %1");

inline constexpr const char *notRegistered = QT_TRANSLATE_NOOP("orvane::LookupText", "Domain not registered.");
inline constexpr const char *notRegistered404 = QT_TRANSLATE_NOOP("orvane::LookupText", "Domain not registered. (RDAP returned 404.)");
inline constexpr const char *registered200 = QT_TRANSLATE_NOOP("orvane::LookupText", "Domain is registered. (RDAP returned 200 OK.)");
inline constexpr const char *unexpectedRDAP = QT_TRANSLATE_NOOP("orvane::LookupText", "Unexpected RDAP response.");

// The ones with a detail, which a reader has to take apart.
inline constexpr std::array withDetail{invalidTLD,   noWhoisServer,    connectionFailed, readFailed,
                                       whoisThrottled, whileConnecting, whileSending,     rdapNotSupported,
                                       rdapHttpError, rdapNetworkError, rdapTlsFailure};

inline QString text(const char *english)
{
    return QString::fromUtf8(english);
}
inline QString text(const char *english, const QString &detail)
{
    return QString::fromUtf8(english).arg(detail);
}

} // namespace orvane::lookupText
