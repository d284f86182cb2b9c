#include "watch/ReleaseEstimate.h"

#include "engine/DomainName.h"

#include <QSet>

#include <algorithm>

namespace orvane {

namespace {

// ICANN's expired-registration and redemption-grace rules for gTLDs.
constexpr int graceDays = 45;
constexpr int redemptionDays = 30;
constexpr int pendingDeleteDays = 5;
// A phase's start is believed only if the name could still be in that phase: its length, and
// three days more for registries that release names late.
constexpr qint64 slackSecs = 3 * 24 * 3600;

// The internationalised country-code TLDs, in ASCII (the ICANN section of the public suffix list
// as of February 2023). Every other internationalised TLD is generic.
const QSet<QString> &internationalCountryCodes()
{
    static const QSet<QString> codes = [] {
        QSet<QString> set;
        for (const char *code :
             {"xn--2scrj9c", "xn--3e0b707e", "xn--3hcrj9c", "xn--45br5cyl", "xn--45brj9c", "xn--4dbrk0ce",
              "xn--54b7fta0cc", "xn--80ao21a", "xn--90a3ac", "xn--90ae", "xn--90ais", "xn--clchc0ea0b2g2a9gcd",
              "xn--d1alf", "xn--e1a4c", "xn--fiqs8s", "xn--fiqz9s", "xn--fpcrj9c3d", "xn--fzc2c9e2c", "xn--gecrj9c",
              "xn--h2breg3eve", "xn--h2brj9c", "xn--h2brj9c8c", "xn--j1amh", "xn--j6w193g", "xn--kprw13d",
              "xn--kpry57d", "xn--l1acc", "xn--lgbbat1ad8j", "xn--mgb2ddes", "xn--mgb9awbf", "xn--mgba3a4f16a",
              "xn--mgba3a4fra", "xn--mgbaam7a8h", "xn--mgbah1a3hjkrd", "xn--mgbai9a5eva00b", "xn--mgbai9azgqp6j",
              "xn--mgbayh7gpa", "xn--mgbbh1a", "xn--mgbbh1a71e", "xn--mgbc0a9azcg", "xn--mgbcpq6gpa1a",
              "xn--mgberp4a5d4a87g", "xn--mgberp4a5d4ar", "xn--mgbgu82a", "xn--mgbpl2fh", "xn--mgbqly7c0a67fbc",
              "xn--mgbqly7cvafr", "xn--mgbtf8fl", "xn--mgbtx2b", "xn--mgbx4cd0ab", "xn--mix082f", "xn--mix891f",
              "xn--nnx388a", "xn--node", "xn--o3cw4h", "xn--ogbpf8fl", "xn--p1ai", "xn--pgbs0dh", "xn--q7ce6a",
              "xn--qxa6a", "xn--qxam", "xn--rvc1e0am3e", "xn--s9brj9c", "xn--wgbh1c", "xn--wgbl6a", "xn--xkc2al3hye2a",
              "xn--xkc2dl3a5ee0h", "xn--y9a3aq", "xn--yfro4i67o", "xn--ygbi2ammx"})
            set.insert(QString::fromLatin1(code));
        return set;
    }();
    return codes;
}

// Registries write status values as RDAP words ("redemption period") or as their EPP names
// ("redemptionPeriod"): compared by their letters alone.
bool hasStatus(const RegistrationLifecycle &lifecycle, QLatin1StringView letters)
{
    return std::ranges::any_of(lifecycle.statuses, [&](const QString &status) {
        QString squeezed;
        for (const QChar c : status) {
            if (c.isLetter())
                squeezed += c.toLower();
        }
        return squeezed == letters;
    });
}

bool onHold(const RegistrationLifecycle &lifecycle)
{
    return hasStatus(lifecycle, QLatin1StringView("clienthold")) || hasStatus(lifecycle, QLatin1StringView("serverhold"));
}

// When a name past its expiry date expired: that date, or a year before it where the registry
// has already renewed the name by the year the registrar may still bill for; invalid when the
// name is not past its expiry.
QDateTime lapsedAt(const RegistrationLifecycle &lifecycle, const QDateTime &observedAt)
{
    if (!lifecycle.expiresAt.isValid() || !observedAt.isValid())
        return {};
    if (lifecycle.expiresAt <= observedAt)
        return lifecycle.expiresAt;
    const QDateTime yearBefore = lifecycle.expiresAt.addYears(-1);
    return yearBefore <= observedAt ? yearBefore : QDateTime();
}

bool withinGrace(const QDateTime &lapsed, const QDateTime &observedAt)
{
    return lapsed.isValid() && lapsed.secsTo(observedAt) <= qint64(graceDays) * 86400 + slackSecs;
}

} // namespace

QString releasePhaseKey(ReleasePhase phase)
{
    switch (phase) {
    case ReleasePhase::expired: return QStringLiteral("expired");
    case ReleasePhase::redemption: return QStringLiteral("redemption");
    case ReleasePhase::pendingDelete: return QStringLiteral("pendingDelete");
    case ReleasePhase::none: break;
    }
    return {};
}

QString releaseBasisKey(ReleaseEstimate::Basis basis)
{
    switch (basis) {
    case ReleaseEstimate::Basis::deletionEvent: return QStringLiteral("deletionEvent");
    case ReleaseEstimate::Basis::pendingDelete: return QStringLiteral("pendingDelete");
    case ReleaseEstimate::Basis::redemption: return QStringLiteral("redemption");
    case ReleaseEstimate::Basis::expiry: break;
    }
    return QStringLiteral("expiry");
}

ReleasePhase releasePhase(const RegistrationLifecycle &lifecycle, const QDateTime &observedAt)
{
    if (hasStatus(lifecycle, QLatin1StringView("redemptionperiod")))
        return ReleasePhase::redemption;
    if (hasStatus(lifecycle, QLatin1StringView("pendingdelete")))
        return ReleasePhase::pendingDelete;
    if (hasStatus(lifecycle, QLatin1StringView("autorenewperiod")))
        return ReleasePhase::expired;
    const QDateTime lapsed = lapsedAt(lifecycle, observedAt);
    if (lifecycle.expiresAt.isValid() && lifecycle.expiresAt <= observedAt)
        return ReleasePhase::expired;
    // A registrar suspends a name its holder did not pay for; one the registry renewed already
    // counts as expired when the hold came after the date it lapsed.
    if (onHold(lifecycle) && withinGrace(lapsed, observedAt) && lifecycle.lastChangedAt.isValid()
        && lifecycle.lastChangedAt >= lapsed)
        return ReleasePhase::expired;
    return ReleasePhase::none;
}

bool isCountryCodeTLD(const QString &tld)
{
    QString label = (tld.startsWith(QLatin1Char('.')) ? tld.mid(1) : tld).toLower();
    if (!label.isEmpty() && !std::ranges::all_of(label, [](QChar c) { return c.unicode() < 0x80; }))
        label = DomainName::toAscii(label).value_or(label); // ".рф" is "xn--p1ai"

    if (label.size() == 2 && std::ranges::all_of(label, [](QChar c) { return c >= QLatin1Char('a') && c <= QLatin1Char('z'); }))
        return true;
    return internationalCountryCodes().contains(label);
}

std::optional<ReleaseEstimate> estimateRelease(const QString &tld, const RegistrationLifecycle &lifecycle,
                                               const QDateTime &observedAt)
{
    if (isCountryCodeTLD(tld) || !observedAt.isValid())
        return std::nullopt;
    const ReleasePhase phase = releasePhase(lifecycle, observedAt);
    if (phase == ReleasePhase::none)
        return std::nullopt;
    if (lifecycle.deletionAt.isValid())
        return ReleaseEstimate{phase, lifecycle.deletionAt, ReleaseEstimate::Basis::deletionEvent, {}};

    // The phase began at the name's last change; believed only when the name could still be in it.
    const auto fromLastChange = [&](int phaseDays, int daysToRelease, ReleaseEstimate::Basis basis) -> std::optional<ReleaseEstimate> {
        const QDateTime since = lifecycle.lastChangedAt;
        if (!since.isValid() || since > observedAt.addSecs(slackSecs) || since.secsTo(observedAt) > qint64(phaseDays) * 86400 + slackSecs)
            return std::nullopt;
        return ReleaseEstimate{phase, since.addDays(daysToRelease), basis, since};
    };
    switch (phase) {
    case ReleasePhase::pendingDelete:
        return fromLastChange(pendingDeleteDays, pendingDeleteDays, ReleaseEstimate::Basis::pendingDelete);
    case ReleasePhase::redemption:
        return fromLastChange(redemptionDays, redemptionDays + pendingDeleteDays, ReleaseEstimate::Basis::redemption);
    case ReleasePhase::expired: {
        const QDateTime lapsed = lapsedAt(lifecycle, observedAt);
        if (!withinGrace(lapsed, observedAt))
            return std::nullopt;
        return ReleaseEstimate{phase, lapsed.addDays(graceDays + redemptionDays + pendingDeleteDays), ReleaseEstimate::Basis::expiry, lapsed};
    }
    case ReleasePhase::none:
        break;
    }
    return std::nullopt;
}

} // namespace orvane
