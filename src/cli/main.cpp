// orvane-check: checks one name under several TLDs from the command line,
// through the same engine the desktop program uses.

#include "ApplicationIdentity.h"
#include "DomainLookupService.h"
#include "DomainName.h"
#include "OpenFileLimit.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <cstdio>

using namespace orvane;

namespace {

struct Tally {
    int pending = 0;
    int available = 0;
    int taken = 0;
    int unclear = 0;
    int failed = 0;
};

QString normalizeTLDArgument(const QString &text)
{
    const QString lower = text.trimmed().toLower();
    return lower.startsWith(QLatin1Char('.')) ? lower : QLatin1Char('.') + lower;
}

QString firstLine(const QString &text)
{
    return text.section(QLatin1Char('\n'), 0, 0).trimmed();
}

QCoro::Task<> checkOne(DomainLookupService &service, QString name, QString tld, bool json, Tally &tally)
{
    const auto result = co_await service.check(name, tld);
    const QString domain = name + tld;
    QTextStream out(stdout);

    QString verdict;
    QString detail;
    if (result) {
        verdict = rawString(result->availability);
        detail = result->rawResponse;
        switch (result->availability) {
        case DomainAvailability::available: ++tally.available; break;
        case DomainAvailability::taken: ++tally.taken; break;
        case DomainAvailability::unknown: ++tally.unclear; break;
        default: ++tally.failed; break; // the registry refused to answer
        }
    } else {
        verdict = QStringLiteral("error");
        detail = result.error().description();
        ++tally.failed;
    }

    if (json) {
        QJsonObject object{{QStringLiteral("domain"), domain},
                           {QStringLiteral("tld"), tld},
                           {QStringLiteral("availability"), verdict}};
        if (result)
            object.insert(QStringLiteral("response"), result->rawResponse);
        else
            object.insert(QStringLiteral("error"), detail);
        out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
    } else {
        out << QStringLiteral("%1  %2  %3").arg(domain, -24).arg(verdict, -9).arg(firstLine(detail)) << '\n';
    }
    out.flush();

    if (--tally.pending == 0) {
        if (!json) {
            const int total = tally.available + tally.taken + tally.unclear + tally.failed;
            out << QStringLiteral("%1 checked: %2 available, %3 taken, %4 unclear, %5 failed")
                       .arg(total)
                       .arg(tally.available)
                       .arg(tally.taken)
                       .arg(tally.unclear)
                       .arg(tally.failed)
                << '\n';
            out.flush();
        }
        QCoreApplication::exit(tally.failed > 0 ? 1 : 0);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    orvane::raiseOpenFileLimit();
    QCoreApplication app(argc, argv);
    orvane::setApplicationIdentity();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Checks whether NAME is still free under each TLD, asking the registries directly\n"
        "(RDAP first, WHOIS as the fallback). TLDs default to .com and .ai.\n\n"
        "Exit status: 0 when every domain got an answer, 1 when any check failed or a\n"
        "registry refused to answer, 2 for bad arguments."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("The bare name to check, e.g. example."));
    parser.addPositionalArgument(QStringLiteral("TLD"), QStringLiteral("TLDs to check it under, e.g. .com io."),
                                 QStringLiteral("[TLD ...]"));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("Print one JSON object per domain."));
    const QCommandLineOption bootstrapOption(QStringLiteral("bootstrap"),
                                             QStringLiteral("Fetch the RDAP bootstrap file from URL."),
                                             QStringLiteral("URL"));
    const QCommandLineOption whoisOption(QStringLiteral("whois"),
                                         QStringLiteral("Send every WHOIS query, referrals included, to HOST."),
                                         QStringLiteral("HOST"));
    const QCommandLineOption portOption(QStringLiteral("whois-port"),
                                        QStringLiteral("Use port N for WHOIS (default 43)."), QStringLiteral("N"));
    parser.addOptions({jsonOption, bootstrapOption, whoisOption, portOption});

    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qUtf8Printable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("orvane-check %s\n", qUtf8Printable(QCoreApplication::applicationVersion()));
        return 0;
    }

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        std::fprintf(stderr, "Missing NAME. Try --help.\n");
        return 2;
    }
    const QString name = DomainName::normalize(positional.takeFirst());
    if (!DomainName::isValid(name)) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(DomainName::invalidNameMessage));
        return 2;
    }
    QStringList tlds;
    for (const QString &tld : positional.isEmpty() ? defaultTLDs : positional)
        tlds << normalizeTLDArgument(tld);

    LookupConfiguration configuration;
    if (parser.isSet(bootstrapOption)) {
        const QUrl source(parser.value(bootstrapOption), QUrl::StrictMode);
        if (!source.isValid() || source.scheme().isEmpty()) {
            std::fprintf(stderr, "Not a valid URL: %s\n", qUtf8Printable(parser.value(bootstrapOption)));
            return 2;
        }
        configuration.bootstrap.source = source;
    }
    if (parser.isSet(whoisOption))
        configuration.whois.overrideHost = parser.value(whoisOption);
    if (parser.isSet(portOption)) {
        bool ok = false;
        const uint port = parser.value(portOption).toUInt(&ok);
        if (!ok || port == 0 || port > 65535) {
            std::fprintf(stderr, "Not a valid port: %s\n", qUtf8Printable(parser.value(portOption)));
            return 2;
        }
        configuration.whois.connection.port = static_cast<quint16>(port);
    }

    DomainLookupService service(std::move(configuration));
    const bool json = parser.isSet(jsonOption);
    Tally tally;
    tally.pending = static_cast<int>(tlds.size());
    for (const QString &tld : tlds)
        checkOne(service, name, tld, json, tally);
    return QCoreApplication::exec();
}
