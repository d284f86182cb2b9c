#include "cli/Names.h"

#include "engine/DomainName.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

#include <libpsl.h>

namespace orvane::cli {

namespace {

const QString notAName = QStringLiteral("not a name (letters, digits and hyphens, or a whole domain such as example.com)");

// The system's list (the publicsuffix package) when it is newer than the library's own copy.
const psl_ctx_t *publicSuffixes()
{
    static const psl_ctx_t *const context = [] {
        const psl_ctx_t *latest = psl_latest(nullptr);
        return latest ? latest : psl_builtin();
    }();
    return context;
}

QString lowered(const QString &text)
{
    return text.trimmed().toLower().normalized(QString::NormalizationForm_C);
}

} // namespace

std::optional<QString> parseTLD(const QString &text)
{
    QString tld = lowered(text);
    if (tld.startsWith(QLatin1Char('.')))
        tld.remove(0, 1);
    if (tld.endsWith(QLatin1Char('.')))
        tld.chop(1);
    if (tld.isEmpty() || tld.size() > 253)
        return std::nullopt;
    // Label by label, as any name: letters, digits and hyphens (IDNA2008).
    const auto forms = DomainName::convert(tld);
    if (!forms)
        return std::nullopt;
    return QLatin1Char('.') + forms->ascii;
}

std::expected<SplitName, QString> splitName(const QString &text)
{
    QString domain = lowered(text);
    if (domain.endsWith(QLatin1Char('.')))
        domain.chop(1);
    if (!domain.contains(QLatin1Char('.')))
        return SplitName{domain, {}, {}};
    const auto forms = DomainName::convert(domain);
    if (!forms || domain.size() > 253)
        return std::unexpected(notAName);
    const QStringList labels = forms->unicode.split(QLatin1Char('.'));
    const QStringList ascii = forms->ascii.split(QLatin1Char('.'));
    if (labels.size() != ascii.size())
        return std::unexpected(notAName);
    // The longest public suffix (ICANN's: "github.io" is a name under .io here) that leaves a
    // label in front; the list's "*" rule makes any last label one.
    for (qsizetype i = 1; i < ascii.size(); ++i) {
        const QByteArray suffix = ascii.mid(i).join(QLatin1Char('.')).toLatin1();
        if (psl_is_public_suffix2(publicSuffixes(), suffix.constData(), PSL_TYPE_ICANN))
            return SplitName{labels.at(i - 1), QLatin1Char('.') + QString::fromLatin1(suffix),
                             labels.mid(0, i - 1).join(QLatin1Char('.'))};
    }
    return std::unexpected(notAName);
}

Presets loadPresets(const QString &file)
{
    Presets presets;
    presets.lists = {
        {QStringLiteral("popular"), {".com", ".net", ".org", ".io", ".co", ".ai", ".app", ".dev"}},
        {QStringLiteral("tech"), {".io", ".ai", ".dev", ".app", ".tech", ".sh", ".so", ".gg", ".cloud", ".xyz"}},
        {QStringLiteral("country"), {".us", ".uk", ".de", ".fr", ".ca", ".au", ".jp", ".in", ".nl", ".es", ".it", ".ch",
                                     ".se", ".br", ".mx"}},
    };
    QFile input(file);
    if (!input.exists())
        return presets;
    if (!input.open(QIODevice::ReadOnly | QIODevice::Text)) {
        presets.error = QStringLiteral("cannot read %1: %2").arg(file, input.errorString());
        return presets;
    }
    static const QRegularExpression entry(QStringLiteral("^([a-z0-9][a-z0-9_-]*)\\s*=(.*)$"));
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    QTextStream stream(&input);
    for (int number = 1; !stream.atEnd(); ++number) {
        const QString line = stream.readLine().section(QLatin1Char('#'), 0, 0).trimmed();
        if (line.isEmpty())
            continue;
        const QRegularExpressionMatch match = entry.match(line);
        QStringList tlds;
        bool valid = match.hasMatch() && match.captured(1) != QLatin1String("all");
        for (const QString &word : match.captured(2).split(separators, Qt::SkipEmptyParts)) {
            const auto tld = parseTLD(word);
            valid = valid && tld;
            if (tld && !tlds.contains(*tld))
                tlds << *tld;
        }
        if (!valid || tlds.isEmpty()) {
            presets.error = QStringLiteral("%1, line %2: not a preset (name = .com .io; \"all\" is taken)").arg(file).arg(number);
            return presets;
        }
        presets.lists.insert(match.captured(1), tlds);
    }
    return presets;
}

QStringList permutations(const QString &name, const QStringList &prefixes, const QStringList &suffixes)
{
    QStringList names;
    for (const QString &prefix : QStringList{QString()} + prefixes) {
        for (const QString &suffix : QStringList{QString()} + suffixes) {
            const QString candidate = prefix + name + suffix;
            if (!names.contains(candidate))
                names << candidate;
        }
    }
    return names;
}

} // namespace orvane::cli
