#pragma once

#include <QDateTime>
#include <QJsonValue>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace orvane {

// The state of one domain. The raw string (the case name in lower case) is the only stored
// form: history rows and JSON go through it. The enum sits in a gadget only for its meta-type:
// in a QVariant (a model's role, an invokable's argument) it reads as its number.
struct Verdict {
    Q_GADGET
public:
    enum class DomainAvailability { available, taken, unknown, error, checking };
    Q_ENUM(DomainAvailability)
};
using DomainAvailability = Verdict::DomainAvailability;

inline constexpr std::array<DomainAvailability, 5> allDomainAvailabilities{
    DomainAvailability::available, DomainAvailability::taken, DomainAvailability::unknown,
    DomainAvailability::error, DomainAvailability::checking};

QString rawString(DomainAvailability value);
// Exact and case-sensitive: anything but one of the five raw strings gives nothing.
std::optional<DomainAvailability> domainAvailabilityFromRaw(const QString &raw);

QJsonValue toJson(DomainAvailability value);
std::optional<DomainAvailability> domainAvailabilityFromJson(const QJsonValue &json);

// What checking one domain returns: the verdict and the text that justifies it.
struct CheckResult {
    DomainAvailability availability = DomainAvailability::unknown;
    QString rawResponse;
    // When a taken domain's registration expires, where the registry's answer says; else invalid.
    QDateTime expiresAt;
    // Where the registration stands in its life, as an RDAP answer tells it: the status values
    // in lower case ("redemption period", "pending delete", "client hold", ...) and the dates of
    // its "last changed" and "deletion" events (invalid when the answer names none).
    QStringList statuses;
    QDateTime lastChangedAt;
    QDateTime deletionAt;
    // How the answer came: "rdap" or "whois", and the registry host that gave it.
    QString method;
    QString server;

    friend bool operator==(const CheckResult &, const CheckResult &) = default;
};

} // namespace orvane
