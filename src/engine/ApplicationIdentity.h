#pragma once

#include "engine/Version.h"

#include <QCoreApplication>
#include <QString>

namespace orvane {

// The window app and the command-line tool share one settings file; it is found through these
// names, so both take them from here.

inline void setApplicationIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("pellunor"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("pellunor.com"));
    QCoreApplication::setApplicationName(QStringLiteral("Orvane"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(applicationVersion));
}

} // namespace orvane
