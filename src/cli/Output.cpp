#include "cli/Output.h"

#include "engine/DomainName.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace orvane::cli {

namespace {

bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

QString firstLine(const QString &text)
{
    return text.section(QLatin1Char('\n'), 0, 0).trimmed();
}

QString colourFor(DomainAvailability availability)
{
    switch (availability) {
    case DomainAvailability::available: return QStringLiteral("\x1b[32m");
    case DomainAvailability::taken: return QStringLiteral("\x1b[31m");
    case DomainAvailability::unknown: return QStringLiteral("\x1b[33m");
    default: return QStringLiteral("\x1b[35m");
    }
}

} // namespace

QString escapeControls(const QString &text, bool keepLayout)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!isControl(u) || (keepLayout && (u == u'\n' || u == u'\t')))
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
    }
    return out;
}

QString verdictWord(DomainAvailability availability)
{
    switch (availability) {
    case DomainAvailability::available: return QStringLiteral("available");
    case DomainAvailability::taken: return QStringLiteral("taken");
    case DomainAvailability::unknown: return QStringLiteral("unclear");
    case DomainAvailability::checking: return QStringLiteral("checking");
    case DomainAvailability::error: break;
    }
    return QStringLiteral("error");
}

QString csvField(const QString &text)
{
    // A spreadsheet runs a cell that begins like a formula; the apostrophe makes it plain text.
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    const QString cell = !text.isEmpty() && formulaStarts.contains(text.front()) ? QLatin1Char('\'') + text : text;
    if (!cell.contains(QLatin1Char(',')) && !cell.contains(QLatin1Char('"')) && !cell.contains(QLatin1Char('\n'))
        && !cell.contains(QLatin1Char('\r')))
        return cell;
    QString quoted = cell;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvHeader()
{
    return QStringLiteral("domain,ascii_domain,tld,availability,response,error\r\n");
}

QString formatCsv(const Row &row)
{
    const QStringList fields{row.domain,
                             row.asciiDomain,
                             row.tld,
                             rawString(row.availability),
                             escapeControls(row.response.value_or(QString()), true),
                             escapeControls(row.error.value_or(QString()), true)};
    QStringList quoted;
    for (const QString &field : fields)
        quoted << csvField(field);
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

QString formatJson(const Row &row)
{
    QJsonObject object{{QStringLiteral("domain"), row.domain},
                       {QStringLiteral("ascii_domain"), row.asciiDomain},
                       {QStringLiteral("tld"), row.tld},
                       {QStringLiteral("availability"), rawString(row.availability)}};
    if (row.response)
        object.insert(QStringLiteral("response"), *row.response);
    if (row.error)
        object.insert(QStringLiteral("error"), *row.error);
    if (!row.method.isEmpty())
        object.insert(QStringLiteral("method"), row.method);
    if (!row.server.isEmpty())
        object.insert(QStringLiteral("server"), row.server);
    if (row.checkedAt.isValid())
        object.insert(QStringLiteral("checked_at"), row.checkedAt.toUTC().toString(Qt::ISODate));
    if (row.expiresAt.isValid())
        object.insert(QStringLiteral("expires_at"), row.expiresAt.toUTC().toString(Qt::ISODate));
    // The JSON writer escapes C0 controls itself but passes DEL and C1 through; inside JSON
    // strings \uXXXX reads back as the same character.
    return escapeControls(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)), false)
           + QLatin1Char('\n');
}

QString formatText(const Row &row, bool colour)
{
    const QString word = verdictWord(row.availability);
    QString verdict = QStringLiteral("%1").arg(word, -9);
    if (colour)
        verdict.replace(0, word.size(), colourFor(row.availability) + word + QStringLiteral("\x1b[0m"));
    const QString detail = escapeControls(firstLine(row.error.value_or(row.response.value_or(QString()))), false);
    return QStringLiteral("%1  %2  %3").arg(DomainName::shown(row.domain), -24).arg(verdict, detail).trimmed() + QLatin1Char('\n');
}

QString plannedCsvHeader()
{
    return QStringLiteral("domain,ascii_domain,tld\r\n");
}

QString formatPlanned(const Row &row, Format format)
{
    switch (format) {
    case Format::csv:
        return QStringList{csvField(row.domain), row.asciiDomain, csvField(row.tld)}.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    case Format::json:
        return QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("domain"), row.domain},
                                                           {QStringLiteral("ascii_domain"), row.asciiDomain},
                                                           {QStringLiteral("tld"), row.tld}})
                                     .toJson(QJsonDocument::Compact))
               + QLatin1Char('\n');
    case Format::text:
        break;
    }
    return DomainName::shown(row.domain) + QLatin1Char('\n');
}

QString watchedCsvHeader()
{
    return QStringLiteral("domain,tld,availability,last_checked\r\n");
}

QString formatWatched(const WatchedDomain &row, Format format)
{
    const QString raw = row.lastAvailability ? rawString(*row.lastAvailability) : QString();
    const QString checked = row.lastCheckedAt.isValid() ? row.lastCheckedAt.toUTC().toString(Qt::ISODate) : QString();
    switch (format) {
    case Format::csv:
        return QStringList{csvField(escapeControls(row.domain, false)), csvField(row.tld), raw, checked}.join(QLatin1Char(','))
               + QStringLiteral("\r\n");
    case Format::json: {
        QJsonObject object{{QStringLiteral("domain"), row.domain}, {QStringLiteral("tld"), row.tld}};
        object.insert(QStringLiteral("availability"), row.lastAvailability ? QJsonValue(raw) : QJsonValue());
        object.insert(QStringLiteral("last_checked"), checked.isEmpty() ? QJsonValue() : QJsonValue(checked));
        return escapeControls(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)), false) + QLatin1Char('\n');
    }
    case Format::text:
        break;
    }
    const QString verdict = row.lastAvailability ? verdictWord(*row.lastAvailability) : QStringLiteral("not checked yet");
    return QStringLiteral("%1  %2  %3\n")
        .arg(escapeControls(DomainName::shown(row.domain), false).leftJustified(24), verdict.leftJustified(15),
             checked.isEmpty() ? QString() : QStringLiteral("checked ") + checked)
        .trimmed()
        + QLatin1Char('\n');
}

} // namespace orvane::cli
