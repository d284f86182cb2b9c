#include "engine/DomainAvailability.h"

namespace orvane {

QString rawString(DomainAvailability value)
{
    switch (value) {
    case DomainAvailability::available: return QStringLiteral("available");
    case DomainAvailability::taken: return QStringLiteral("taken");
    case DomainAvailability::unknown: return QStringLiteral("unknown");
    case DomainAvailability::error: return QStringLiteral("error");
    case DomainAvailability::checking: return QStringLiteral("checking");
    }
    return QStringLiteral("unknown");
}

std::optional<DomainAvailability> domainAvailabilityFromRaw(const QString &raw)
{
    for (auto value : allDomainAvailabilities) {
        if (rawString(value) == raw)
            return value;
    }
    return std::nullopt;
}

QJsonValue toJson(DomainAvailability value)
{
    return QJsonValue(rawString(value));
}

std::optional<DomainAvailability> domainAvailabilityFromJson(const QJsonValue &json)
{
    if (!json.isString())
        return std::nullopt;
    return domainAvailabilityFromRaw(json.toString());
}

} // namespace orvane
