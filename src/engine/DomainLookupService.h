#pragma once

#include "engine/DomainAvailability.h"
#include "engine/RDAPClient.h"
#include "engine/WhoisClient.h"

#include <QObject>

#include <qcoro/qcorotask.h>

#include <expected>

namespace orvane {

// Everything a lookup service needs to reach the registries; the defaults are the real ones.
struct LookupConfiguration {
    RDAPBootstrap::Options bootstrap;
    HttpLimits rdapLimits = RDAPClient::defaultLimits();
    WhoisClient::Options whois;
    HttpClient *http = nullptr; // null: the process's shared client
};

// The one way to check a domain: RDAP first, WHOIS whenever RDAP gives no answer, except when the
// RDAP server failed its TLS check: then the check ends as an error naming that server.
class DomainLookupService : public QObject
{
    Q_OBJECT
public:
    explicit DomainLookupService(LookupConfiguration configuration = {}, QObject *parent = nullptr);

    QCoro::Task<std::expected<CheckResult, WhoisError>> check(QString name, QString tld);

    RDAPClient *rdap() const { return m_rdap; }
    WhoisClient *whois() const { return m_whois; }

private:
    RDAPClient *m_rdap;
    WhoisClient *m_whois;
};

} // namespace orvane
