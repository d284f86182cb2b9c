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
    // Paces every registry; null: the process's scheduler for the bootstrap's store.
    RegistryScheduler *scheduler = nullptr;
    // How long one check may wait when registries ask it to, before it falls back or fails.
    std::chrono::milliseconds maxWait = WaitBudget::defaultAllowance;
};

// The one way to check a domain: RDAP first, WHOIS whenever RDAP gives no answer, except when the
// RDAP server failed its TLS check: then the check ends as an error naming that server. Every
// request goes through the process's registry scheduler: a registry that asks to slow down is
// waited for, within the check's budget, before the check gives up on it.
class DomainLookupService : public QObject
{
    Q_OBJECT
public:
    explicit DomainLookupService(LookupConfiguration configuration = {}, QObject *parent = nullptr);

    // `onWait` hears when a registry holds this check back, and when it goes on.
    QCoro::Task<std::expected<CheckResult, WhoisError>> check(QString name, QString tld, WaitBudget::Observer onWait = {});

    RDAPClient *rdap() const { return m_rdap; }
    WhoisClient *whois() const { return m_whois; }
    RegistryScheduler *scheduler() const { return m_scheduler; }

private:
    RegistryScheduler *m_scheduler;
    std::chrono::milliseconds m_maxWait;
    RDAPClient *m_rdap;
    WhoisClient *m_whois;
};

} // namespace orvane
