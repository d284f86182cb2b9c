#include "engine/WhoisClient.h"

#include "engine/Logging.h"
#include "engine/TextRules.h"
#include "engine/WhoisInterpretation.h"

#include <QHostAddress>
#include <QPointer>
#include <QRegularExpression>

#include <algorithm>

namespace orvane {

const QList<QPair<QString, QString>> &knownServers()
{
    static const QList<QPair<QString, QString>> table{
        {QStringLiteral(".com"), QStringLiteral("whois.verisign-grs.com")},
        {QStringLiteral(".net"), QStringLiteral("whois.verisign-grs.com")},
        {QStringLiteral(".org"), QStringLiteral("whois.publicinterestregistry.org")},
        {QStringLiteral(".info"), QStringLiteral("whois.nic.info")},
        {QStringLiteral(".io"), QStringLiteral("whois.nic.io")},
        {QStringLiteral(".ai"), QStringLiteral("whois.nic.ai")},
        {QStringLiteral(".co"), QStringLiteral("whois.nic.co")},
        {QStringLiteral(".me"), QStringLiteral("whois.nic.me")},
        {QStringLiteral(".app"), QStringLiteral("whois.nic.google")},
        {QStringLiteral(".dev"), QStringLiteral("whois.nic.google")},
        {QStringLiteral(".page"), QStringLiteral("whois.nic.google")},
        {QStringLiteral(".xyz"), QStringLiteral("whois.nic.xyz")},
        {QStringLiteral(".tech"), QStringLiteral("whois.nic.tech")},
        {QStringLiteral(".biz"), QStringLiteral("whois.nic.biz")},
        {QStringLiteral(".us"), QStringLiteral("whois.nic.us")},
        {QStringLiteral(".uk"), QStringLiteral("whois.nic.uk")},
        {QStringLiteral(".de"), QStringLiteral("whois.denic.de")},
        {QStringLiteral(".ca"), QStringLiteral("whois.cira.ca")},
        {QStringLiteral(".cloud"), QStringLiteral("whois.nic.cloud")},
        {QStringLiteral(".tools"), QStringLiteral("whois.nic.tools")},
        {QStringLiteral(".studio"), QStringLiteral("whois.nic.studio")},
        {QStringLiteral(".software"), QStringLiteral("whois.nic.software")},
        {QStringLiteral(".ventures"), QStringLiteral("whois.nic.ventures")},
        {QStringLiteral(".finance"), QStringLiteral("whois.nic.finance")},
        {QStringLiteral(".group"), QStringLiteral("whois.nic.group")},
    };
    return table;
}

QStringList knownServerTLDs()
{
    QStringList tlds;
    for (const auto &row : knownServers())
        tlds << row.first;
    std::sort(tlds.begin(), tlds.end());
    return tlds;
}

namespace {

// An error text stays on one line: control characters in a refused TLD are shown as U+FFFD.
QString printable(QString text)
{
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line
            || c.category() == QChar::Separator_Paragraph)
            c = QChar::ReplacementCharacter;
    }
    return text;
}

QString hostKey(QString host)
{
    while (host.endsWith(QLatin1Char('.')))
        host.chop(1);
    return host.toLower();
}

// A registry's WHOIS server has a name. A referral back to the server that gave it would loop,
// and a bare address is no registry anyone published: both are treated as no referral.
bool isUsableReferral(const QString &host, const QString &askedHost)
{
    QHostAddress literal;
    QString bare = host;
    if (bare.startsWith(QLatin1Char('[')) && bare.endsWith(QLatin1Char(']')))
        bare = bare.mid(1, bare.size() - 2);
    if (literal.setAddress(bare))
        return false;
    return hostKey(host) != hostKey(askedHost);
}

} // namespace

WhoisClient::WhoisClient(Options options, QObject *parent) : QObject(parent), m_options(std::move(options))
{
    for (const auto &row : m_options.servers)
        m_serverCache.insert(row.first, row.second);
}

std::optional<QString> WhoisClient::knownServer(const QString &tld) const
{
    if (!m_options.overrideHost.isEmpty())
        return m_options.overrideHost;
    const auto cached = m_serverCache.constFind(tld);
    return cached == m_serverCache.cend() ? std::nullopt : std::optional(cached.value());
}

std::optional<QString> WhoisClient::referral(const QString &answer)
{
    for (const QString &line : whoisLines(answer)) {
        if (line.isEmpty())
            continue;
        if (!line.toLower().startsWith(QLatin1String("refer:")))
            continue;
        const QString host = trimBlanks(line.mid(line.indexOf(QLatin1Char(':')) + 1));
        if (host.isEmpty())
            return std::nullopt;
        return host;
    }
    return std::nullopt;
}

QCoro::Task<std::expected<QString, WhoisError>> WhoisClient::exchange(QString server, QByteArray payload, WaitBudget *budget,
                                                                       bool readsVerdict)
{
    const QString host = m_options.overrideHost.isEmpty() ? server : m_options.overrideHost;
    RegistryScheduler *scheduler = m_options.scheduler;
    if (!scheduler)
        co_return co_await WhoisConnection::query(host, payload, m_options.connection, this);
    QPointer<WhoisClient> self(this);
    const QString key = RegistryScheduler::key(RegistryScheduler::Protocol::whois, host, m_options.connection.port);
    WaitBudget ownBudget;
    if (!budget)
        budget = &ownBudget;
    std::optional<std::expected<QString, WhoisError>> refused;
    for (;;) {
        RegistryTurn turn = co_await scheduler->take(key, host, RegistryScheduler::Protocol::whois, budget, this);
        if (!self || turn.status() == RegistryTurn::Status::cancelled)
            co_return std::unexpected(WhoisError::cancelled());
        if (turn.status() == RegistryTurn::Status::outOfBudget)
            co_return refused ? *refused : std::unexpected(WhoisError::throttled(host));
        auto answer = co_await WhoisConnection::query(host, payload, m_options.connection, this);
        if (!self)
            co_return answer;
        // A server that answered before and now will not even connect is turning us away.
        const bool turnedAway = !answer && answer.error().kind() == WhoisError::Kind::connectionFailed
                                && answer.error().text().endsWith(QLatin1String("Connection refused")) && turn.answeredBefore();
        if (turnedAway || (answer && readsVerdict && interpretWhoisResponse(*answer) == DomainAvailability::error)) {
            const auto wait = answer ? namedWait(*answer) : std::nullopt;
            qCInfo(lcWhois, "%s refused a query (%s)", qUtf8Printable(host),
                   wait ? qPrintable(QStringLiteral("asks to wait %1 s").arg(wait->count())) : "no wait named");
            turn.limited(wait);
            refused = std::move(answer);
            continue;
        }
        if (answer)
            turn.answered();
        co_return answer;
    }
}

std::optional<std::chrono::seconds> WhoisClient::namedWait(const QString &answer)
{
    static const QRegularExpression wait(QStringLiteral("(?:wait|again in|after)\\s+(\\d{1,6})\\s*(second|sec|s\\b|minute|min)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = wait.match(answer);
    if (!match.hasMatch())
        return std::nullopt;
    const qint64 count = match.captured(1).toLongLong();
    const bool minutes = match.captured(2).startsWith(QLatin1String("min"), Qt::CaseInsensitive);
    if (count <= 0)
        return std::nullopt;
    return std::chrono::seconds(minutes ? count * 60 : count);
}

QCoro::Task<std::expected<QString, WhoisError>> WhoisClient::server(QString tld, WaitBudget *budget)
{
    if (const auto cached = m_serverCache.constFind(tld); cached != m_serverCache.cend())
        co_return cached.value();
    const QString bare = tld.mid(1);
    if (bare.isEmpty())
        co_return std::unexpected(WhoisError::invalidTLD(tld));
    // A second-level suffix (".co.uk") is served by its TLD's registry.
    if (const qsizetype dot = tld.lastIndexOf(QLatin1Char('.')); dot > 0)
        co_return co_await server(tld.mid(dot), budget);

    QPointer<WhoisClient> self(this);
    const auto answer = co_await exchange(m_options.referralHost, (bare + QStringLiteral("\r\n")).toUtf8(), budget);
    if (!answer)
        co_return std::unexpected(answer.error());
    const auto host = referral(*answer);
    if (!host || !isUsableReferral(*host, m_options.referralHost))
        co_return std::unexpected(WhoisError::noServer(tld));
    if (self)
        m_serverCache.insert(tld, *host);
    co_return *host;
}

QCoro::Task<std::expected<CheckResult, WhoisError>> WhoisClient::lookup(QString name, QString tld, WaitBudget *budget)
{
    const QString normalizedTLD = normalizeTLD(tld);
    if (hasUnsafeCharacter(tld) || hasUnsafeCharacter(name))
        co_return std::unexpected(WhoisError::invalidTLD(printable(normalizedTLD)));
    const QString domain = name.toLower() + normalizedTLD;

    QPointer<WhoisClient> self(this);
    const auto host = co_await server(normalizedTLD, budget);
    if (!host)
        co_return std::unexpected(host.error());
    if (!self)
        co_return std::unexpected(WhoisError::cancelled());

    const auto answer = co_await exchange(*host, (domain + QStringLiteral("\r\n")).toUtf8(), budget, true);
    if (!answer)
        co_return std::unexpected(answer.error());
    CheckResult result{interpretWhoisResponse(*answer), stripWhoisBoilerplate(*answer)};
    result.method = QStringLiteral("whois");
    result.server = m_options.overrideHost.isEmpty() ? *host : m_options.overrideHost;
    co_return result;
}

} // namespace orvane
