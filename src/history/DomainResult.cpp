#include "history/DomainResult.h"

#include "history/SearchRecord.h"

namespace orvane {

DomainResult::DomainResult(QString tld, QString domain, QString availabilityRaw, QString rawResponse,
                           std::optional<QString> errorMessage, QDateTime checkedAt, QObject *parent)
    : QObject(parent),
      m_tld(std::move(tld)),
      m_domain(std::move(domain)),
      m_availabilityRaw(std::move(availabilityRaw)),
      m_rawResponse(std::move(rawResponse)),
      m_errorMessage(std::move(errorMessage)),
      m_checkedAt(std::move(checkedAt))
{
}

DomainAvailability DomainResult::availability() const
{
    return domainAvailabilityFromRaw(m_availabilityRaw).value_or(DomainAvailability::unknown);
}

} // namespace orvane

orvane::SearchRecord *orvane::DomainResult::record() const
{
    return m_record.data();
}
