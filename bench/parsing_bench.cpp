// Time per call of the text parsers on large inputs.

#include "engine/RDAPBootstrap.h"
#include "engine/RDAPClient.h"
#include "engine/WhoisInterpretation.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <functional>

using namespace orvane;

namespace {

void measure(const char *label, int rounds, const std::function<void()> &call)
{
    call(); // warm up
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i)
        call();
    std::printf("  %-52s %9.3f ms per call (%d calls)\n", label, double(timer.nsecsElapsed()) / 1e6 / rounds, rounds);
}

} // namespace

int main()
{
    // A 64 KiB registry answer: a record, then long terms of use.
    QString whois = QStringLiteral("Domain Name: EXAMPLE.COM\r\nRegistry Domain ID: 2336799_DOMAIN_COM-VRSN\r\n"
                                   "Registrar: Example Registrar, Inc.\r\nName Server: A.IANA-SERVERS.NET\r\n"
                                   ">>> Last update of whois database: 2026-12-06T10:00:00Z <<<\r\n\r\nTERMS OF USE: ");
    while (whois.size() < 64 * 1024)
        whois += QStringLiteral("You are not authorized to access or query our Whois database through the use of "
                                "electronic processes that are high-volume and automated.\r\n");

    // A 1 MiB RDAP domain object: many events, entities and name servers.
    QJsonArray events;
    QJsonArray entities;
    QJsonArray nameservers;
    for (int i = 0; i < 4000; ++i) {
        events.append(QJsonObject{{"eventAction", i % 2 ? "last changed" : "registration"}, {"eventDate", "2020-01-15T12:00:00Z"}});
        entities.append(QJsonObject{{"roles", QJsonArray{"registrar"}}, {"handle", QString::number(i)},
                                    {"vcardArray", QJsonArray{"vcard", QJsonArray{QJsonArray{"fn", QJsonObject{}, "text", "Registrar " + QString::number(i)}}}}});
        nameservers.append(QJsonObject{{"ldhName", QStringLiteral("ns%1.example.net").arg(i)}});
    }
    QJsonObject domain{{"objectClassName", "domain"}, {"ldhName", "example.com"}, {"handle", "H-1"},
                       {"status", QJsonArray{"active"}}, {"events", events}, {"entities", entities}, {"nameservers", nameservers}};
    QByteArray rdap = QJsonDocument(domain).toJson(QJsonDocument::Compact);
    while (rdap.size() < 1024 * 1024) {
        domain.insert(QStringLiteral("remarks%1").arg(rdap.size()), QString(8192, QLatin1Char('r')));
        rdap = QJsonDocument(domain).toJson(QJsonDocument::Compact);
    }

    // A bootstrap file of 2,000 TLDs.
    QJsonArray services;
    for (int i = 0; i < 1000; ++i)
        services.append(QJsonArray{QJsonArray{QStringLiteral("tld%1a").arg(i), QStringLiteral("TLD%1B").arg(i)},
                                   QJsonArray{QStringLiteral("https://rdap%1.example/").arg(i)}});
    const QByteArray bootstrap = QJsonDocument(QJsonObject{{"version", "1.0"}, {"services", services}}).toJson();

    std::printf("parsers (answer sizes: WHOIS %lld KiB, RDAP %lld KiB, bootstrap %lld TLDs)\n",
                static_cast<long long>(whois.size() / 1024), static_cast<long long>(rdap.size() / 1024), 2000LL);
    measure("interpretWhoisResponse + stripWhoisBoilerplate, 64 KiB", 200, [&] {
        (void)interpretWhoisResponse(whois);
        (void)stripWhoisBoilerplate(whois);
    });
    measure("RDAP render, 1 MiB body", 20, [&] { (void)RDAPClient::render(rdap); });
    measure("bootstrap parse, 2,000 TLDs", 50, [&] { (void)RDAPBootstrap::parse(bootstrap); });
    return 0;
}
