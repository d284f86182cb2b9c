#pragma once

#include "search/LiveResult.h"
#include "brainstorm/NameSuggestion.h"

#include <QAbstractListModel>
#include <QBasicTimer>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QTimer>

namespace orvane {

class WatchList;

// The rows of the search pane, as QML binds to them. Rows change in place. Answers change the
// rows at once, but the views hear of them once per frame: a search of a thousand TLDs whose
// answers arrive together costs a few notifications, not a thousand.
class LiveResultsModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(int availableCount READ availableCount NOTIFY availableCountChanged)

public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        TldRole,
        DomainRole,
        AvailabilityRole, // a DomainAvailability
        RawResponseRole,
        ErrorMessageRole,
        HasErrorRole,
        ExpiresAtRole,
        HasRawRole,      // whether there is an answer or an error message to show
        ExpandedRole,    // whether the row shows its raw answer (the user's choice, kept with the row)
        WaitingRole,     // "Registry asked to wait — retrying in 3 s" while a registry holds the check back, else ""
        WaitingHostRole, // that registry's host
        // The domain as shown (a look-alike with its ASCII form beside it), and why it is
        // flagged ("mixed scripts"), empty for an ordinary name.
        ShownDomainRole,
        LookAlikeHintRole,
        WatchedRole, // whether the domain is on the watch list
    };
    // How long answers gather before the views are told: one frame.
    static constexpr int notifyIntervalMs = 16;

    explicit LiveResultsModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    const QList<LiveResult> &rows() const { return m_rows; }
    int count() const { return int(m_rows.size()); }
    int availableCount() const;
    // The free domains as shown, in row order: what a screen reader hears when a search settles.
    Q_INVOKABLE QStringList availableDomains() const;
    // The row's current position, or -1 when no shown row has this id.
    int indexOf(const QUuid &id) const;

    // The short note a look-alike domain's row carries; empty for an ordinary name.
    static QString lookAlikeHint(const QString &domain);

    // Replaces every row at once (one notification); equal lists notify nobody.
    void replaceAll(const QList<LiveResult> &rows);
    // A check's answer. The views are told within a frame, together with the answers that came
    // meanwhile: one notification spanning the changed rows and naming the roles that changed.
    void setOutcome(int row, DomainAvailability availability, const QString &text, const std::optional<QString> &error,
                    const QDateTime &expiresAt = {});
    // Tells the views now what they have not heard yet.
    void flush();
    // The list the rows' WatchedRole follows; none: no row is watched.
    void setWatchList(WatchList *list);

    // Whether a row shows its raw answer: the user's choice, kept here so that it outlives the
    // row's view (scrolled away, or a window built anew). New rows start collapsed.
    Q_INVOKABLE void setExpanded(int row, bool expanded);
    // A registry holds the row's check back until `until` (an empty host: no longer). The row's
    // text counts down each second meanwhile.
    void setWaiting(int row, const QString &host, const QDateTime &until);
    QString waitingText(const LiveResult &row) const;

signals:
    void countChanged();
    void availableCountChanged();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void markChanged(int row, const QList<int> &roles);

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
    QList<bool> m_expanded;
    int m_available = 0;
    int m_availableTold = 0; // what the views were last told
    // Changes the views have not heard of yet.
    int m_firstChanged = -1;
    int m_lastChanged = -1;
    QList<int> m_changedRoles;
    QBasicTimer m_notifyTimer;
    QSet<int> m_waiting; // rows held back by a registry
    QTimer m_tick;
    QPointer<WatchList> m_watchList;
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
