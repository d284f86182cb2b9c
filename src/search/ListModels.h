#pragma once

#include "search/LiveResult.h"
#include "brainstorm/NameSuggestion.h"

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QSet>
#include <QTimer>

namespace orvane {

// The rows of the search pane, as QML binds to them. Rows change in place.
class LiveResultsModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(int availableCount READ availableCount NOTIFY availableCountChanged)

public:
    enum Role {
        IdRole = Qt::UserRole + 1, TldRole, DomainRole, AvailabilityRole, RawResponseRole, ErrorMessageRole, HasErrorRole, ExpiresAtRole,
        WaitingRole,     // "Registry asked to wait — retrying in 3 s" while a registry holds the check back, else ""
        WaitingHostRole, // that registry's host
        // The domain as shown (a look-alike with its ASCII form beside it), and why it is
        // flagged ("mixed scripts"), empty for an ordinary name.
        ShownDomainRole, LookAlikeHintRole,
    };

    explicit LiveResultsModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    const QList<LiveResult> &rows() const { return m_rows; }
    int count() const { return int(m_rows.size()); }
    int availableCount() const;
    // The row's current position, or -1 when no shown row has this id.
    int indexOf(const QUuid &id) const;

    // The short note a look-alike domain's row carries; empty for an ordinary name.
    static QString lookAlikeHint(const QString &domain);

    // Replaces every row at once (one notification); equal lists notify nobody.
    void replaceAll(const QList<LiveResult> &rows);
    // A check's answer: one notification naming the roles that changed, none if nothing did.
    void setOutcome(int row, DomainAvailability availability, const QString &text, const std::optional<QString> &error,
                    const QDateTime &expiresAt = {});
    // A registry holds the row's check back until `until` (an empty host: no longer). The row's
    // text counts down each second meanwhile.
    void setWaiting(int row, const QString &host, const QDateTime &until);
    QString waitingText(const LiveResult &row) const;

signals:
    void countChanged();
    void availableCountChanged();

private:
    QList<LiveResult> m_rows;
    // Per row, as shown: a row's domain never changes, so it is worked out once.
    struct Shown {
        QString domain;
        QString hint;
    };
    QList<Shown> m_shown;
    // Rows never move once shown, so their positions are indexed once per replacement,
    // and the free rows are counted as they change: a search of many TLDs stays linear.
    QHash<QUuid, int> m_positions;
    int m_available = 0;
    QSet<int> m_waiting; // rows held back by a registry
    QTimer m_tick;
};

// The brainstorm's suggestions.
class SuggestionsModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role { IdRole = Qt::UserRole + 1, NameRole, RationaleRole };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    const QList<NameSuggestion> &items() const { return m_items; }
    int count() const { return int(m_items.size()); }
    void replaceAll(const QList<NameSuggestion> &items);

signals:
    void countChanged();

private:
    QList<NameSuggestion> m_items;
};

} // namespace orvane
