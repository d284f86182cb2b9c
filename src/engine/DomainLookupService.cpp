#include "engine/DomainLookupService.h"

#include "engine/Logging.h"

#include <QPointer>

namespace orvane {

namespace {
RDAPBootstrap::Options withClient(RDAPBootstrap::Options options, HttpClient *http)
{
    if (!options.http)
        options.http = http;
    return options;
}

WhoisClient::Options withScheduler(WhoisClient::Options options, RegistryScheduler *scheduler)
{
    options.scheduler = scheduler;
    return options;
}
} // namespace

DomainLookupService::DomainLookupService(LookupConfiguration configuration, QObject *parent)
    : QObject(parent),
      m_scheduler(configuration.scheduler ? configuration.scheduler : RegistryScheduler::forStore(configuration.bootstrap.store)),
      m_maxWait(configuration.maxWait),
      m_rdap(new RDAPClient(new RDAPBootstrap(withClient(std::move(configuration.bootstrap), configuration.http)),
                            configuration.rdapLimits, this, configuration.http, m_scheduler)),
      m_whois(new WhoisClient(withScheduler(std::move(configuration.whois), m_scheduler), this))
{
}

QCoro::Task<std::expected<CheckResult, WhoisError>> DomainLookupService::check(QString name, QString tld,
                                                                               WaitBudget::Observer onWait)
{
    QPointer<DomainLookupService> self(this);
    WaitBudget budget(m_maxWait, std::move(onWait));
    const auto viaRDAP = co_await m_rdap->queryDomain(name, tld, &budget);
    if (viaRDAP)
        co_return *viaRDAP;
    if (viaRDAP.error().kind() == RDAPError::Kind::tlsFailure) {
        qCCritical(lcLookup, "%s: %s", qUtf8Printable(tld), qUtf8Printable(viaRDAP.error().description()));
        co_return CheckResult{DomainAvailability::error, viaRDAP.error().description()};
    }
    if (viaRDAP.error().kind() == RDAPError::Kind::notSupportedForTLD)
        qCDebug(lcLookup, "%s: no RDAP entry, using WHOIS", qUtf8Printable(tld));
    else
        qCCritical(lcLookup, "%s: RDAP failed (%s), falling back to WHOIS", qUtf8Printable(tld),
                   qUtf8Printable(viaRDAP.error().description()));
    if (!self)
        co_return std::unexpected(WhoisError::cancelled());
    co_return co_await m_whois->lookup(name, tld, &budget);
}

} // namespace orvane
