#pragma once

#include "engine/DomainAvailability.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

namespace orvane {

class SearchRecord;

// One checked domain of a saved search. Never edited after creation.
class DomainResult : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString tld READ tld CONSTANT)
    Q_PROPERTY(QString domain READ domain CONSTANT)
    Q_PROPERTY(QString availabilityRaw READ availabilityRaw CONSTANT)
    Q_PROPERTY(QString rawResponse READ rawResponse CONSTANT)
    Q_PROPERTY(QString errorMessage READ errorMessageText CONSTANT)
    Q_PROPERTY(bool hasErrorMessage READ hasErrorMessage CONSTANT)
    Q_PROPERTY(QDateTime checkedAt READ checkedAt CONSTANT)
    Q_PROPERTY(QDateTime expiresAt READ expiresAt CONSTANT)

public:
    DomainResult(QString tld, QString domain, QString availabilityRaw, QString rawResponse,
                 std::optional<QString> errorMessage, QDateTime checkedAt, QObject *parent = nullptr);

    QString tld() const { return m_tld; }
    QString domain() const { return m_domain; }
    QString availabilityRaw() const { return m_availabilityRaw; }
    // The stored raw string read back; text that is no raw string reads as `unknown`.
    DomainAvailability availability() const;
    QString rawResponse() const { return m_rawResponse; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    QString errorMessageText() const { return m_errorMessage.value_or(QString()); }
    bool hasErrorMessage() const { return m_errorMessage.has_value(); }
    QDateTime checkedAt() const { return m_checkedAt; }
    // When the registration of a taken domain expires, as its registry said; invalid if unknown.
    QDateTime expiresAt() const { return m_expiresAt; }
    // Set once, before the result is first saved.
    void setExpiresAt(const QDateTime &at) { m_expiresAt = at; }
    SearchRecord *record() const;

    qint64 persistentId() const { return m_id; }

private:
    friend class SearchRecord;
    friend class HistoryStore;

    QString m_tld;
    QString m_domain;
    QString m_availabilityRaw;
    QString m_rawResponse;
    std::optional<QString> m_errorMessage;
    QDateTime m_checkedAt;
    QDateTime m_expiresAt;
    QPointer<SearchRecord> m_record;
    qint64 m_id = 0;
};

} // namespace orvane
