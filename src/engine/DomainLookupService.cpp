#include "engine/DomainLookupService.h"

#include "engine/DomainName.h"
#include "engine/Logging.h"
#include "engine/TextRules.h"

#include <QPointer>

#include <algorithm>

namespace orvane {

namespace {
bool isAsciiText(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

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
    // Registries are asked about the ASCII form, whoever calls: a watched "bücher" as
    // "xn--bcher-kva", never as raw UTF-8.
    name = DomainName::toAscii(name).value_or(name);
    if (const auto ascii = DomainName::toAscii(normalizeTLD(tld).mid(1)); ascii && !isAsciiText(tld))
        tld = QLatin1Char('.') + *ascii;
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
