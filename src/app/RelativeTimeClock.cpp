#include "app/RelativeTimeClock.h"

#include "history/HistoryListModel.h"
#include "watch/WatchList.h"

#include <QTimerEvent>

#include <optional>

namespace orvane {

RelativeTimeClock::RelativeTimeClock(HistoryListModel *history, WatchList *watchList, QObject *parent)
    : QObject(parent), m_history(history), m_watchList(watchList)
{
    // Any change of the times shown may bring the next change closer. A saved search's time never
    // changes (its counts do, once per answer: those are not looked at); a watched domain's does.
    for (QAbstractItemModel *model : std::initializer_list<QAbstractItemModel *>{history, watchList}) {
        connect(model, &QAbstractItemModel::rowsInserted, this, &RelativeTimeClock::schedule);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &RelativeTimeClock::schedule);
        connect(model, &QAbstractItemModel::modelReset, this, &RelativeTimeClock::schedule);
    }
    connect(watchList, &QAbstractItemModel::dataChanged, this, &RelativeTimeClock::schedule);
}

void RelativeTimeClock::setShown(bool shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    if (shown) {
        // What was shown before may read differently by now.
        ++m_tick;
        emit tickChanged();
    }
    schedule();
    emit shownChanged();
}

qint64 RelativeTimeClock::msUntilChange(const QDateTime &when, const QDateTime &now)
{
    constexpr qint64 second = 1000, minute = 60 * second, hour = 60 * minute, day = 24 * hour;
    const qint64 age = when.msecsTo(now);
    if (age < 0)
        return std::min(-age, minute); // from the future (a clock set back): soon, but not every second
    const qint64 unit = age < minute ? 10 * second : age < hour ? minute : age < day ? hour : day;
    return unit - age % unit;
}

void RelativeTimeClock::schedule()
{
    m_timer.stop();
    m_nextTick = {};
    if (!m_shown)
        return;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    std::optional<qint64> next;
    const auto consider = [&](const QDateTime &when) {
        if (when.isValid())
            next = std::min(next.value_or(msUntilChange(when, now)), msUntilChange(when, now));
    };
    if (m_history) {
        for (int row = 0; row < m_history->rowCount(); ++row)
            consider(m_history->data(m_history->index(row), HistoryListModel::TimestampRole).toDateTime());
    }
    if (m_watchList) {
        for (const WatchedDomain &entry : m_watchList->entries())
            consider(entry.lastCheckedAt);
    }
    if (!next)
        return;
    // A little late rather than early: a tick before the change would only ask again.
    const qint64 wait = std::min<qint64>(*next + 20, std::numeric_limits<int>::max());
    m_nextTick = now.addMSecs(wait);
    m_timer.start(int(wait), Qt::PreciseTimer, this);
}

void RelativeTimeClock::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    ++m_tick;
    emit tickChanged();
    schedule();
}

} // namespace orvane
