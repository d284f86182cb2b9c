#pragma once

#include "engine/DomainAvailability.h"
#include "engine/LookupError.h"
#include "engine/RDAPClient.h"
#include "engine/WhoisClient.h"

#include <QHash>
#include <QObject>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <expected>
#include <functional>

namespace orvane {

// Whether the system says the network in use is metered (mobile data, a tethered phone). The
// platform's network information is loaded the first time; no backend: not metered.
bool onMeteredNetwork();

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
    // Nothing is opened ahead of a search while this says the network is metered.
    std::function<bool()> isMetered = onMeteredNetwork;
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
    QCoro::Task<std::expected<CheckResult, LookupError>> check(QString name, QString tld, WaitBudget::Observer onWait = {});

    // The registry host that answers for `tld`, so that background checks can be spread across
    // registries: the RDAP server the bootstrap copy at hand names, else the WHOIS server this
    // service would ask (configured, or learnt by referral), else the TLD itself.
    QString registryHost(const QString &tld) const;

    // How often a registry host is connected to ahead of a search, at most.
    static constexpr std::chrono::minutes preconnectInterval{2};

    // Opens connections to the RDAP servers of `tlds` ahead of a search (TLS done, HTTP/2
    // agreed), so that the search costs one round trip. Skipped on a metered network, while the
    // bootstrap copy is stale, for a host connected to ahead within `preconnectInterval`, and for
    // a host that asked to be left alone for now. Finishes when every connection is ready or failed.
    QCoro::Task<> preconnect(QStringList tlds);

    RDAPClient *rdap() const { return m_rdap; }
    WhoisClient *whois() const { return m_whois; }
    RegistryScheduler *scheduler() const { return m_scheduler; }

private:
    RegistryScheduler *m_scheduler;
    std::chrono::milliseconds m_maxWait;
    std::function<bool()> m_isMetered;
    HttpClient *m_http;
    HttpLimits m_rdapLimits;
    QHash<QString, std::chrono::steady_clock::time_point> m_preconnected; // by origin
    RDAPClient *m_rdap;
    WhoisClient *m_whois;
};

} // namespace orvane
