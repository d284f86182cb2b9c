#pragma once

#include "engine/LookupText.h"

#include <QString>

namespace orvane {

// Why an RDAP query gave no answer. The lookup service falls back to WHOIS on every case but
// tlsFailure: after a server failed to prove who it is, a plain-text answer from anywhere else
// could be forged by whoever is on the path.
class RDAPError
{
public:
    enum class Kind { notSupportedForTLD, httpError, networkError, invalidURL, invalidResponse, rateLimited, tlsFailure };

    static RDAPError notSupportedForTLD(QString tld) { return {Kind::notSupportedForTLD, std::move(tld), 0}; }
    static RDAPError httpError(int code) { return {Kind::httpError, {}, code}; }
    static RDAPError networkError(QString detail) { return {Kind::networkError, std::move(detail), 0}; }
    static RDAPError invalidURL() { return {Kind::invalidURL, {}, 0}; }
    static RDAPError invalidResponse() { return {Kind::invalidResponse, {}, 0}; }
    static RDAPError rateLimited() { return {Kind::rateLimited, {}, 0}; }
    // `host` is the server that failed; `detail` the TLS library's reason.
    static RDAPError tlsFailure(const QString &host, const QString &detail)
    {
        return {Kind::tlsFailure, host + QStringLiteral(": ") + detail, 0};
    }

    Kind kind() const { return m_kind; }
    const QString &text() const { return m_text; }
    int code() const { return m_code; }

    QString description() const
    {
        switch (m_kind) {
        case Kind::notSupportedForTLD: return lookupText::text(lookupText::rdapNotSupported, m_text);
        case Kind::httpError: return lookupText::text(lookupText::rdapHttpError, QString::number(m_code));
        case Kind::networkError: return lookupText::text(lookupText::rdapNetworkError, m_text);
        case Kind::invalidURL: return lookupText::text(lookupText::rdapInvalidURL);
        case Kind::invalidResponse: return lookupText::text(lookupText::rdapInvalidResponse);
        case Kind::rateLimited: return lookupText::text(lookupText::rdapRateLimited);
        case Kind::tlsFailure: return lookupText::text(lookupText::rdapTlsFailure, m_text);
        }
        return {};
    }

    friend bool operator==(const RDAPError &, const RDAPError &) = default;

private:
    RDAPError(Kind kind, QString text, int code) : m_kind(kind), m_text(std::move(text)), m_code(code) {}

    Kind m_kind;
    QString m_text;
    int m_code;
};

} // namespace orvane
