#include "history/SearchRecord.h"

#include "history/DomainResult.h"
#include "history/HistoryStore.h"

namespace orvane {

SearchRecord::SearchRecord(QString query, QDateTime timestamp, QObject *parent)
    : QObject(parent), m_query(std::move(query)), m_timestamp(std::move(timestamp))
{
}

void SearchRecord::ensureResultsLoaded() const
{
    if (m_resultsLoaded)
        return;
    m_resultsLoaded = true;
    if (m_store)
        m_store->loadResults(const_cast<SearchRecord *>(this));
}

QList<DomainResult *> SearchRecord::results() const
{
    ensureResultsLoaded();
    return m_results;
}

void SearchRecord::addResult(DomainResult *result)
{
    ensureResultsLoaded();
    if (result->m_record == this)
        return;
    result->m_record = this;
    if (!result->parent())
        result->setParent(this);
    m_results.append(result);
    if (m_store)
        m_store->resultAdded(this, result);
    emit resultsChanged();
}

int SearchRecord::resultCount() const
{
    return m_resultsLoaded ? int(m_results.size()) : m_storedResultCount;
}

int SearchRecord::availableCount() const
{
    if (!m_resultsLoaded)
        return m_storedAvailableCount;
    return int(std::count_if(m_results.begin(), m_results.end(), [](const DomainResult *r) {
        return r->availabilityRaw() == QLatin1String("available");
    }));
}

} // namespace orvane
