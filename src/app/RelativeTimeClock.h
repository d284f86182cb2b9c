#pragma once

#include "app/AppSingleton.h"

#include <QBasicTimer>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

namespace orvane {

class HistoryListModel;
class WatchList;

// The beat of the sidebar's relative times ("3 min. ago"): `tick` moves on when one of them
// would read differently, and only while they are on screen. Between two changes nothing wakes.
class RelativeTimeClock : public QObject, public AppSingleton<RelativeTimeClock>
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(int tick READ tick NOTIFY tickChanged)
    Q_PROPERTY(bool shown READ shown WRITE setShown NOTIFY shownChanged)

public:
    RelativeTimeClock(HistoryListModel *history, WatchList *watchList, QObject *parent = nullptr);

    int tick() const { return m_tick; }
    bool shown() const { return m_shown; }
    void setShown(bool shown);
    // When the clock next ticks; invalid while it stands still.
    QDateTime nextTick() const { return m_nextTick; }

    // How long until Format's relative text for `when` reads differently at `now`: the next whole
    // unit it counts in (seconds are counted in tens).
    static qint64 msUntilChange(const QDateTime &when, const QDateTime &now);

signals:
    void tickChanged();
    void shownChanged();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void schedule();

    QPointer<HistoryListModel> m_history;
    QPointer<WatchList> m_watchList;
    QBasicTimer m_timer;
    QDateTime m_nextTick;
    int m_tick = 0;
    bool m_shown = false;
};

} // namespace orvane
