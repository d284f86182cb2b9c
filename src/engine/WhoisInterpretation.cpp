#include "engine/WhoisInterpretation.h"

#include "engine/TextRules.h"

#include <QRegularExpression>

#include <algorithm>

namespace orvane {

namespace {

// Phrase lists, compared against the lower-cased answer as plain substrings.

const QStringList &rateLimitMarkers()
{
    static const QStringList markers{
        QStringLiteral("whois limit exceeded"),
        QStringLiteral("exceeded the maximum"),
        QStringLiteral("too many requests"),
        QStringLiteral("rate limit"),
        QStringLiteral("quota exceeded"),
        QStringLiteral("service unavailable"),
        QStringLiteral("access denied"),
        QStringLiteral("request refused"),
        // Refusals real registries send that the phrases above miss; without them a
        // throttled answer is short enough for the line rule to call the domain free.
        QStringLiteral("limit exceeded"),
        QStringLiteral("limit reached"),
        QStringLiteral("try again later"),
        QStringLiteral("too many connections"),
        QStringLiteral("exceeded your quota"),
        QStringLiteral("please go away"),
        QStringLiteral("server too busy"),
        QStringLiteral("temporarily unavailable"),
        QStringLiteral("connection refused"),
    };
    return markers;
}

const QStringList &availablePatterns()
{
    static const QStringList patterns{
        QStringLiteral("no match for"),
        QStringLiteral("no entries found"),
        QStringLiteral("not found:"),
        QStringLiteral("not found\n"),
        QStringLiteral("not found."),
        QStringLiteral("no object found"),
        QStringLiteral("no data found"),
        QStringLiteral("domain not found"),
        QStringLiteral("domain not registered"),
        QStringLiteral("domain available"),
        QStringLiteral("domain status: available"),
        QStringLiteral("status: available"),
        QStringLiteral("status: free"),
        QStringLiteral("status:         available"),
        QStringLiteral("this domain is available"),
        QStringLiteral("available for registration"),
        QStringLiteral("is free"),
        QStringLiteral("no such domain"),
        QStringLiteral("this query returned 0 objects"),
        QStringLiteral("the queried object does not exist"),
        QStringLiteral("no information available about domain name"),
        QStringLiteral("% no entries found"),
        // Wordings of free names that registries use and the phrases above miss.
        QStringLiteral("not registered"),
        QStringLiteral("is available."),
        QStringLiteral("nothing found"),
        QStringLiteral("object_not_found"),
        QStringLiteral("does not exist"),
    };
    return patterns;
}

const QStringList &takenPatterns()
{
    static const QStringList patterns{
        QStringLiteral("domain name:"),
        QStringLiteral("registry domain id:"),
        QStringLiteral("registrar:"),
        QStringLiteral("registrar whois server:"),
        QStringLiteral("creation date:"),
        QStringLiteral("registered on:"),
        QStringLiteral("registered:"),
        QStringLiteral("domain status: clienttransferprohibited"),
        QStringLiteral("domain status: ok"),
        QStringLiteral("registrant"),
        QStringLiteral("name server:"),
        QStringLiteral("nserver:"),
    };
    return patterns;
}

} // namespace

const QStringList &recordMarkers()
{
    static const QStringList markers{
        QStringLiteral("creation date:"),
        QStringLiteral("created:"),
        QStringLiteral("registered on:"),
        QStringLiteral("registrar:"),
        QStringLiteral("registry domain id:"),
        QStringLiteral("name server:"),
        QStringLiteral("nserver:"),
        QStringLiteral("expiration date:"),
        QStringLiteral("expiry date:"),
        QStringLiteral("registry expiry date:"),
        QStringLiteral("domain status: client"),
        QStringLiteral("domain status: server"),
        // Records in the RIPE style and those of registries that name their fields their own way.
        QStringLiteral("admin-c:"),
        QStringLiteral("tech-c:"),
        QStringLiteral("holder-c:"),
        QStringLiteral("nic-hdl:"),
        QStringLiteral("expire-date:"),
        QStringLiteral("expires:"),
        QStringLiteral("paid-till:"),
        QStringLiteral("expiration time:"),
        QStringLiteral("registration time:"),
    };
    return markers;
}

namespace {

// Phrases that say the name cannot simply be registered, though it is not taken either.
const QStringList &undecidedPatterns()
{
    static const QStringList patterns{
        QStringLiteral("not available for registration"),
        QStringLiteral("premium name"),
        QStringLiteral("reserved by"),
        QStringLiteral("cannot be registered"),
        QStringLiteral("prohibited string"),
        QStringLiteral("domain not available"),
        QStringLiteral("not allowed by"),
    };
    return patterns;
}

// Words that make a short answer a complaint or a reservation rather than a free name.
const QStringList &shortAnswerObjections()
{
    static const QStringList words{
        QStringLiteral("error"),
        QStringLiteral("invalid"),
        QStringLiteral("reserved"),
        QStringLiteral("not allowed"),
        QStringLiteral("unassignable"),
        QStringLiteral("blocked"),
        QStringLiteral("syntax"),
        QStringLiteral("prohibited"),
        QStringLiteral("not permitted"),
        QStringLiteral("restricted"),
    };
    return words;
}

const QStringList &boilerplateMarkers()
{
    static const QStringList markers{
        QStringLiteral("TERMS OF USE:"),
        QStringLiteral("TERMS OF USE"),
        QStringLiteral("NOTICE AND TERMS OF USE"),
        QStringLiteral("NOTICE:"),
        QStringLiteral(">>> Last update of WHOIS database"),
        QStringLiteral(">>> Last update of the WHOIS database"),
        QStringLiteral(">>> Last update of whois database"),
        QStringLiteral("URL of the ICANN WHOIS Data Problem Reporting System"),
        QStringLiteral("For more information on Whois status codes"),
        QStringLiteral("By submitting a Whois query"),
        QStringLiteral("By submitting this query"),
        QStringLiteral("The Registry database contains ONLY"),
        QStringLiteral("WHOIS LIMIT EXCEEDED"),
        QStringLiteral("The data in this whois database is provided"),
        QStringLiteral("Use of this data is governed by the"),
        QStringLiteral("Access to .ai WHOIS information"),
        QStringLiteral("Important: this WHOIS database"),
    };
    return markers;
}

} // namespace

QStringList whoisLines(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].endsWith(QLatin1Char('\r')))
            lines[i].chop(1);
    }
    return lines;
}

namespace {

bool containsAny(const QString &lowered, const QStringList &phrases)
{
    return std::any_of(phrases.begin(), phrases.end(),
                       [&](const QString &phrase) { return lowered.contains(phrase); });
}

bool isBannerLine(const QString &line)
{
    const QString trimmed = trimBlanks(line);
    return trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('%')) || trimmed.startsWith(QLatin1Char('#'))
           || trimmed.startsWith(QLatin1String(">>>"));
}

// A line as the phrases are matched against it: lower case, each run of spaces and tabs one
// space, trimmed, and no space before a colon. Registries align their fields with tabs or
// pad the name before the colon ("Status:\t\tAVAILABLE", "Registrar\t: X").
QString matchForm(const QString &line)
{
    QString out;
    out.reserve(line.size());
    bool blank = false;
    for (const QChar c : line) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            blank = true;
            continue;
        }
        if (blank && !out.isEmpty() && c != QLatin1Char(':'))
            out += QLatin1Char(' ');
        blank = false;
        out += c;
    }
    return out.toLower();
}

bool isSubstantive(const QString &line)
{
    return !line.isEmpty() && !line.startsWith(QLatin1Char('%')) && !line.startsWith(QLatin1Char('#'));
}

// "Not found" at the end of a line, "Available" alone on one: the line says the name is free.
bool saysFree(const QString &line)
{
    return containsAny(line, availablePatterns()) || line.endsWith(QLatin1String("not found"))
           || line.endsWith(QLatin1String("is available")) || line == QLatin1String("available")
           || line == QLatin1String("free") || line == QLatin1String("not registered");
}

bool asksToWait(const QString &text)
{
    static const QRegularExpression wait(QStringLiteral("wait \\d+ seconds?"));
    return text.contains(wait);
}

} // namespace

DomainAvailability interpretWhoisResponse(const QString &response)
{
    // Registries end lines with LF, CR LF or a lone CR; all three split alike.
    QString text = response;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.trimmed().isEmpty())
        return DomainAvailability::unknown; // a server that closed without a word said nothing

    QStringList lines;
    QStringList substantive;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        lines << matchForm(line);
        if (isSubstantive(lines.last()))
            substantive << lines.last();
    }
    const QString matched = lines.join(QLatin1Char('\n'));

    // A complete record outweighs phrases found in its legal text ("rate limited", "available
    // for registration"), which registries print under records of registered names.
    const auto markers = std::count_if(recordMarkers().begin(), recordMarkers().end(),
                                       [&](const QString &marker) { return matched.contains(marker); });
    const bool record = markers >= 2;
    const bool negated = containsAny(matched, undecidedPatterns());

    // An answer that opens by saying the name is free means it: refusal words further down
    // belong to the legal text under it.
    if (!record && !negated && !substantive.isEmpty() && saysFree(substantive.first()))
        return DomainAvailability::available;
    if (!record && (containsAny(matched, rateLimitMarkers()) || asksToWait(matched)))
        return DomainAvailability::error;
    if (negated)
        return DomainAvailability::unknown;
    if (!record && (containsAny(matched, availablePatterns()) || std::any_of(substantive.begin(), substantive.end(), saysFree)))
        return DomainAvailability::available;
    // Comment lines hold legal text, which speaks of registrants and registrars in general.
    if (std::any_of(substantive.begin(), substantive.end(),
                    [](const QString &line) { return containsAny(line, takenPatterns()); }))
        return DomainAvailability::taken;

    // A short answer with no known phrase reads free, unless it is a complaint about the query
    // or a reservation notice, which says nothing about the name being free. A record, however
    // short, never reads free, and neither does an answer of comments alone.
    if (record || substantive.isEmpty() || substantive.size() > 2)
        return DomainAvailability::unknown;
    const bool objects = std::any_of(substantive.begin(), substantive.end(), [](QString line) {
        line.remove(QLatin1String("all rights reserved")); // a copyright line reserves nothing
        return containsAny(line, shortAnswerObjections());
    });
    return objects ? DomainAvailability::unknown : DomainAvailability::available;
}

QString stripWhoisBoilerplate(const QString &response)
{
    // Per-character lower-casing keeps positions aligned with the text as received.
    QString lowered = response;
    for (QChar &c : lowered)
        c = c.toLower();
    qsizetype cut = -1;
    for (const QString &marker : boilerplateMarkers()) {
        const qsizetype at = lowered.indexOf(marker.toLower());
        if (at >= 0 && (cut < 0 || at < cut))
            cut = at;
    }
    const QString kept = cut >= 0 ? response.left(cut) : response;

    // Trimming white space at the very ends can uncover another banner line (a lone CR
    // before "%", say), so the edge cleaning runs until nothing changes: applied to its
    // own result, the function then returns that result unchanged.
    QString text = kept;
    for (;;) {
        QStringList lines = whoisLines(text);
        while (!lines.isEmpty() && isBannerLine(lines.first()))
            lines.removeFirst();
        while (!lines.isEmpty() && isBannerLine(lines.last()))
            lines.removeLast();
        const QString cleaned = lines.join(QLatin1Char('\n')).trimmed();
        if (cleaned == text)
            return cleaned;
        text = cleaned;
    }
}

} // namespace orvane
