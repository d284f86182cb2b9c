#pragma once

#include <QCoreApplication>
#include <QString>

namespace orvane {

// The window app and the command-line tool share one settings file; it is found through these
// names, so both take them from here.
inline constexpr char applicationVersion[] = "1.1";
inline constexpr char userAgent[] = "Orvane/1.1"; // keep in step with the version

inline void setApplicationIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("pellunor"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("pellunor.com"));
    QCoreApplication::setApplicationName(QStringLiteral("Orvane"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(applicationVersion));
}

} // namespace orvane
