#pragma once

#include "engine/LookupText.h"
#include "net/HttpClient.h"

#include <QString>

namespace orvane {

// Every way a WHOIS lookup can fail. The description is what the user sees on the row.
class WhoisError
{
public:
    enum class Kind { invalidTLD, noServer, connectionFailed, readFailed, timedOut, cancelled, throttled };

    static WhoisError invalidTLD(QString tld) { return {Kind::invalidTLD, std::move(tld)}; }
    static WhoisError noServer(QString tld) { return {Kind::noServer, std::move(tld)}; }
    static WhoisError connectionFailed(QString detail) { return {Kind::connectionFailed, std::move(detail)}; }
    static WhoisError readFailed(QString detail) { return {Kind::readFailed, std::move(detail)}; }
    static WhoisError timedOut() { return {Kind::timedOut, {}}; }
    static WhoisError cancelled() { return {Kind::cancelled, {}}; }
    // The server is paused (it refused another query) for longer than this check may wait.
    static WhoisError throttled(QString host) { return {Kind::throttled, std::move(host)}; }

    Kind kind() const { return m_kind; }
    const QString &text() const { return m_text; }

    QString description() const
    {
        switch (m_kind) {
        case Kind::invalidTLD: return lookupText::text(lookupText::invalidTLD, m_text);
        case Kind::noServer: return lookupText::text(lookupText::noWhoisServer, m_text);
        case Kind::connectionFailed: return lookupText::text(lookupText::connectionFailed, m_text);
        case Kind::readFailed: return lookupText::text(lookupText::readFailed, m_text);
        case Kind::timedOut: return lookupText::text(lookupText::whoisTimedOut);
        case Kind::cancelled: return cancelledDescription();
        case Kind::throttled: return lookupText::text(lookupText::whoisThrottled, m_text);
        }
        return {};
    }

    friend bool operator==(const WhoisError &, const WhoisError &) = default;

private:
    WhoisError(Kind kind, QString text) : m_kind(kind), m_text(std::move(text)) {}

    Kind m_kind;
    QString m_text;
};

} // namespace orvane
