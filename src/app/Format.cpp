#include "app/Format.h"

#include "engine/LookupText.h"
#include "engine/WhoisInterpretation.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>
#include <QUrl>

namespace orvane {

QString Format::webLink(const QString &domain) const
{
    const QUrl url(QStringLiteral("https://") + domain, QUrl::StrictMode);
    // Only a host: a domain text that carries a path, a user, a port or a query is not linked.
    if (!url.isValid() || url.host().isEmpty() || url.authority() != url.host() || !url.path().isEmpty()
        || url.hasQuery() || url.hasFragment())
        return {};
    return url.toString();
}

QString Format::lookupText(const QString &english)
{
    using namespace lookupText;
    if (const QString whole = QCoreApplication::translate(context, english.toUtf8().constData()); whole != english)
        return whole;
    for (const char *pattern : withDetail) {
        const QLatin1StringView source(pattern);
        const qsizetype at = source.indexOf(QLatin1StringView("%1"));
        const QLatin1StringView before = source.first(at), after = source.sliced(at + 2);
        if (english.size() >= before.size() + after.size() && english.startsWith(before) && english.endsWith(after)) {
            const QString detail = english.sliced(before.size(), english.size() - before.size() - after.size());
            return QCoreApplication::translate(context, pattern).arg(lookupText(detail));
        }
    }
    return english;
}

QString Format::cleanAnswer(const QString &text) const
{
    const QString own = lookupText(text);
    return own != text ? own : stripWhoisBoilerplate(text);
}

QString Format::relativeTime(const QDateTime &when) const
{
    return relativeTime(when, QDateTime::currentDateTime());
}

QString Format::relativeTime(const QDateTime &when, const QDateTime &now)
{
    const qint64 seconds = when.secsTo(now);
    const bool future = seconds < 0;
    const qint64 s = future ? -seconds : seconds;
    // The sidebar's clock looks again every ten seconds at first: below that it is now.
    if (s < 10)
        return tr("just now");
    const auto n = [](qint64 v) { return int(v); };
    QString amount;
    if (s < 60)
        amount = tr("%Ln sec.", "", n(s));
    else if (s < 3600)
        amount = tr("%Ln min.", "", n(s / 60));
    else if (s < 86400)
        amount = tr("%Ln hr.", "", n(s / 3600));
    else if (s < 7 * 86400)
        amount = tr("%Ln days", "", n(s / 86400));
    else if (s < 30 * 86400)
        amount = tr("%Ln wk.", "", n(s / (7 * 86400)));
    else if (s < 365 * 86400)
        amount = tr("%Ln mo.", "", n(s / (30 * 86400)));
    else
        amount = tr("%Ln yr.", "", n(s / (365 * 86400)));
    if (future)
        //: A time to come; %1 is an amount such as "5 min." or "2 days".
        return tr("in %1").arg(amount);
    //: A time past; %1 is an amount such as "5 min." or "2 days".
    return tr("%1 ago").arg(amount);
}

QString Format::longDate(const QDateTime &when, bool withZone) const
{
    const QDateTime local = when.toLocalTime();
    const QLocale locale;
    // The locale's short time, to the minute (the C locale's has seconds).
    static const QRegularExpression seconds(QStringLiteral("[:.]ss"));
    const QString time = locale.toString(local.time(), locale.timeFormat(QLocale::ShortFormat).remove(seconds));
    //: A date and a time of day: "Monday, 7 December 2026 at 07:42".
    QString text = tr("%1 at %2").arg(locale.toString(local.date(), QLocale::LongFormat), time);
    if (withZone)
        text += QLatin1Char(' ') + local.timeZoneAbbreviation();
    return text;
}

QString Format::expiryText(const QDateTime &when) const
{
    if (!when.isValid())
        return {};
    //: %1 is a date: "expires 2 March 2027".
    return tr("expires %1").arg(dateText(when));
}

QString Format::shortDate(const QDateTime &when) const
{
    return dateText(when);
}

QString Format::dateText(const QDateTime &when)
{
    if (!when.isValid())
        return {};
    // The locale's long date without its weekday: "2 March 2027", "2. März 2027", "March 2, 2027".
    const QLocale locale;
    QString pattern = locale.dateFormat(QLocale::LongFormat);
    static const QRegularExpression weekday(QStringLiteral("dddd[^dMy']*"));
    pattern.remove(weekday);
    return locale.toString(when.toLocalTime().date(), pattern.trimmed());
}

} // namespace orvane
