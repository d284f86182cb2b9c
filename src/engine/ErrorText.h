#pragma once

#include <QString>

#include <array>

namespace orvane::errorText {

// The texts the lookup errors are written with, in English: what orvane-check prints, the log
// writes and the history keeps, so they never change with the user's language. Each has at most
// one %1, for its detail. They are marked for translation in one context, so that the windows
// can show an error in the user's language, one just met or one stored long ago, by reading its
// English text back against these.
inline constexpr char context[] = "orvane::ErrorText";

inline constexpr const char *invalidTLD = QT_TRANSLATE_NOOP("orvane::ErrorText", "Invalid TLD: %1");
inline constexpr const char *noWhoisServer = QT_TRANSLATE_NOOP("orvane::ErrorText", "No WHOIS server known for %1");
inline constexpr const char *connectionFailed = QT_TRANSLATE_NOOP("orvane::ErrorText", "Connection failed: %1");
inline constexpr const char *readFailed = QT_TRANSLATE_NOOP("orvane::ErrorText", "Read failed: %1");
inline constexpr const char *whoisTimedOut = QT_TRANSLATE_NOOP("orvane::ErrorText", "WHOIS query timed out");
inline constexpr const char *whoisThrottled = QT_TRANSLATE_NOOP("orvane::ErrorText", "WHOIS server asked to wait longer than allowed: %1");
// Where a WHOIS exchange failed, and why it gave up on an answer.
inline constexpr const char *whileConnecting = QT_TRANSLATE_NOOP("orvane::ErrorText", "waiting: %1");
inline constexpr const char *whileSending = QT_TRANSLATE_NOOP("orvane::ErrorText", "send: %1");
inline constexpr const char *answerTooLarge = QT_TRANSLATE_NOOP("orvane::ErrorText", "Answer too large");

inline constexpr const char *rdapNotSupported = QT_TRANSLATE_NOOP("orvane::ErrorText", "RDAP not supported for %1");
inline constexpr const char *rdapHttpError = QT_TRANSLATE_NOOP("orvane::ErrorText", "RDAP HTTP error %1");
inline constexpr const char *rdapNetworkError = QT_TRANSLATE_NOOP("orvane::ErrorText", "RDAP network error: %1");
inline constexpr const char *rdapInvalidURL = QT_TRANSLATE_NOOP("orvane::ErrorText", "Invalid RDAP URL");
inline constexpr const char *rdapInvalidResponse = QT_TRANSLATE_NOOP("orvane::ErrorText", "RDAP server returned invalid response");
inline constexpr const char *rdapRateLimited = QT_TRANSLATE_NOOP("orvane::ErrorText", "RDAP rate limit exceeded");
inline constexpr const char *rdapTlsFailure = QT_TRANSLATE_NOOP("orvane::ErrorText", "RDAP secure connection failed with %1");

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

} // namespace orvane::errorText
