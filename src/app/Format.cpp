#include "app/Format.h"

#include "engine/WhoisInterpretation.h"

#include <QLocale>
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

QString Format::cleanAnswer(const QString &text) const
{
    return stripWhoisBoilerplate(text);
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
    const QLocale locale;
    QString amount;
    if (s < 60)
        amount = tr("%1 sec.").arg(locale.toString(s));
    else if (s < 3600)
        amount = tr("%1 min.").arg(locale.toString(s / 60));
    else if (s < 86400)
        amount = tr("%1 hr.").arg(locale.toString(s / 3600));
    else if (s < 7 * 86400)
        amount = s / 86400 == 1 ? tr("1 day") : tr("%1 days").arg(locale.toString(s / 86400));
    else if (s < 30 * 86400)
        amount = tr("%1 wk.").arg(locale.toString(s / (7 * 86400)));
    else if (s < 365 * 86400)
        amount = tr("%1 mo.").arg(locale.toString(s / (30 * 86400)));
    else
        amount = tr("%1 yr.").arg(locale.toString(s / (365 * 86400)));
    return future ? tr("in %1").arg(amount) : tr("%1 ago").arg(amount);
}

QString Format::longDate(const QDateTime &when, bool withZone) const
{
    const QDateTime local = when.toLocalTime();
    const QLocale locale;
    QString text = tr("%1 at %2").arg(locale.toString(local.date(), QLocale::LongFormat),
                                       locale.toString(local.time(), QLocale::ShortFormat));
    if (withZone)
        text += QLatin1Char(' ') + local.timeZoneAbbreviation();
    return text;
}

QString Format::expiryText(const QDateTime &when) const
{
    if (!when.isValid())
        return {};
    return tr("expires %1").arg(shortDate(when));
}

QString Format::shortDate(const QDateTime &when) const
{
    if (!when.isValid())
        return {};
    return QLocale().toString(when.toLocalTime().date(), QStringLiteral("d MMM yyyy"));
}

} // namespace orvane
