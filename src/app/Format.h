#pragma once

#include <QDateTime>
#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace orvane {

// How the windows write dates, links and registry answers: pure functions of their arguments
// and the user's locale.
class Format : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    // "https://orvane.com" for a domain that makes a valid web address, else "".
    Q_INVOKABLE QString webLink(const QString &domain) const;
    // A text a lookup wrote, an error or a line standing for an answer (English, as the engine
    // gives it and the history keeps it), in the user's language; any other text as it is.
    Q_INVOKABLE static QString lookupText(const QString &english);
    // A registry's answer without its legal boilerplate; the lookup's own line in the user's language.
    Q_INVOKABLE QString cleanAnswer(const QString &text) const;
    // The abbreviated relative style: "just now", "15 sec. ago", "2 min. ago", "3 hr. ago", "1 day ago".
    Q_INVOKABLE QString relativeTime(const QDateTime &when) const;
    static QString relativeTime(const QDateTime &when, const QDateTime &now);
    // The user's long date and short time ("7 December 2026 at 05:12"), with the zone if asked.
    Q_INVOKABLE QString longDate(const QDateTime &when, bool withZone) const;
    // "expires 2 March 2027" in the user's language and locale; "" for no date.
    Q_INVOKABLE QString expiryText(const QDateTime &when) const;
    // "2 March 2027" ("2. März 2027") in the user's locale; "" for no date.
    Q_INVOKABLE QString shortDate(const QDateTime &when) const;
    static QString dateText(const QDateTime &when);
};

} // namespace orvane
