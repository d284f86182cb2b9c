#include "engine/DomainLookupService.h"

#include "engine/DomainName.h"
#include "engine/Logging.h"
#include "engine/TextRules.h"

#include "engine/ApplicationIdentity.h"

#include <QNetworkInformation>
#include <QPointer>

#include <algorithm>

namespace orvane {

namespace {
bool isAsciiText(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// ".xn--e1aybc" for ".тест"; a TLD that has no ASCII form stays as it is.
QString asciiTLD(const QString &dotted)
{
    const auto ascii = DomainName::toAscii(dotted.mid(1));
    return ascii ? QLatin1Char('.') + *ascii : dotted;
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

bool onMeteredNetwork()
{
    static const bool loaded = QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Metered);
    const QNetworkInformation *information = QNetworkInformation::instance();
    return loaded && information && information->supports(QNetworkInformation::Feature::Metered) && information->isMetered();
}

DomainLookupService::DomainLookupService(LookupConfiguration configuration, QObject *parent)
    : QObject(parent),
      m_scheduler(configuration.scheduler ? configuration.scheduler : RegistryScheduler::forStore(configuration.bootstrap.store)),
      m_maxWait(configuration.maxWait),
      m_isMetered(std::move(configuration.isMetered)),
      m_http(configuration.http ? configuration.http : HttpClient::shared()),
      m_rdapLimits(configuration.rdapLimits),
      m_rdap(new RDAPClient(new RDAPBootstrap(withClient(std::move(configuration.bootstrap), configuration.http)),
                            configuration.rdapLimits, configuration.http, m_scheduler, this)),
      m_whois(new WhoisClient(withScheduler(std::move(configuration.whois), m_scheduler), this))
{
}

QCoro::Task<> DomainLookupService::preconnect(QStringList tlds)
{
    if (m_isMetered && m_isMetered()) {
        qCDebug(lcLookup, "Metered network: no connections opened ahead");
        co_return;
    }
    const auto registry = m_rdap->bootstrap()->freshRegistry();
    if (!registry)
        co_return; // its servers may have moved: the search's own fetch comes first
    const auto now = std::chrono::steady_clock::now();
    QList<QUrl> targets;
    for (const QString &tld : std::as_const(tlds)) {
        const QUrl base(registry->value(asciiTLD(normalizeTLD(tld))), QUrl::StrictMode);
        if (!base.isValid() || base.host().isEmpty() || (base.scheme() != QLatin1String("https") && base.scheme() != QLatin1String("http")))
            continue;
        const int port = base.port(base.scheme() == QLatin1String("https") ? 443 : 80);
        const QString origin = base.scheme() + QLatin1Char(':') + base.host() + QLatin1Char(':') + QString::number(port);
        const auto last = m_preconnected.constFind(origin);
        if (last != m_preconnected.cend() && now - *last < preconnectInterval)
            continue;
        if (m_scheduler->state(RegistryScheduler::key(RegistryScheduler::Protocol::rdap, base.host(), port)).pausedUntil.isValid())
            continue;
        m_preconnected.insert(origin, now);
        // The RDAP help query (RFC 9082): every server has it, and its head is small.
        QString path = base.path();
        if (!path.endsWith(QLatin1Char('/')))
            path += QLatin1Char('/');
        QUrl help = base;
        help.setPath(path + QStringLiteral("help"));
        targets << help;
    }
    if (targets.isEmpty())
        co_return;
    qCDebug(lcLookup, "Opening connections ahead to %lld RDAP servers", static_cast<long long>(targets.size()));
    const QList<HttpHeader> headers{{"Accept", "application/rdap+json"}, {"User-Agent", userAgent}};
    std::vector<QCoro::Task<bool>> opening;
    for (const QUrl &target : std::as_const(targets))
        opening.push_back(m_http->preconnect(target, headers, m_rdapLimits, this));
    for (auto &task : opening)
        co_await task;
}

QString DomainLookupService::registryHost(const QString &tld) const
{
    const QString asked = asciiTLD(normalizeTLD(tld));
    if (const QString host = QUrl(m_rdap->bootstrap()->registry().value(asked)).host(); !host.isEmpty())
        return host;
    return m_whois->knownServer(asked).value_or(asked);
}

QCoro::Task<std::expected<CheckResult, LookupError>> DomainLookupService::check(QString name, QString passedTLD,
                                                                                WaitBudget::Observer onWait)
{
    // Registries are asked about the ASCII form, whoever calls: a watched "bücher" as
    // "xn--bcher-kva", never as raw UTF-8. The log names the TLD as it was passed.
    name = DomainName::toAscii(name).value_or(name);
    const QString tld = isAsciiText(passedTLD) ? passedTLD : asciiTLD(normalizeTLD(passedTLD));
    QPointer<DomainLookupService> self(this);
    WaitBudget budget(m_maxWait, std::move(onWait));
    const auto viaRDAP = co_await m_rdap->queryDomain(name, tld, &budget);
    if (viaRDAP)
        co_return *viaRDAP;
    if (viaRDAP.error().kind() == RDAPError::Kind::tlsFailure) {
        qCCritical(lcLookup, "%s: %s", qUtf8Printable(passedTLD), qUtf8Printable(viaRDAP.error().description()));
        co_return CheckResult{DomainAvailability::error, viaRDAP.error().description()};
    }
    if (viaRDAP.error().kind() == RDAPError::Kind::notSupportedForTLD)
        qCDebug(lcLookup, "%s: no RDAP entry, using WHOIS", qUtf8Printable(passedTLD));
    else
        qCCritical(lcLookup, "%s: RDAP failed (%s), falling back to WHOIS", qUtf8Printable(passedTLD),
                   qUtf8Printable(viaRDAP.error().description()));
    if (!self)
        co_return std::unexpected(LookupError::cancelled());
    const auto viaWhois = co_await m_whois->lookup(name, tld, &budget);
    if (!viaWhois)
        co_return std::unexpected(LookupError::whoisFailed(viaWhois.error()));
    co_return *viaWhois;
}

} // namespace orvane
