#pragma once

// Reading a running process from outside, through /proc: memory figures and wake-ups.

#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QString>

#include <algorithm>

namespace bench {

inline qint64 statusField(const QString &statusFile, const char *field)
{
    QFile status(statusFile);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

inline qint64 processField(qint64 pid, const char *field)
{
    return statusField(QStringLiteral("/proc/%1/status").arg(pid), field);
}

// Context switches of each thread, by thread: each one is a wake-up.
inline QHash<QString, qint64> switches(qint64 pid)
{
    QHash<QString, qint64> byThread;
    QDirIterator tasks(QStringLiteral("/proc/%1/task").arg(pid), QDir::Dirs | QDir::NoDotAndDotDot);
    while (tasks.hasNext()) {
        const QString task = tasks.next();
        byThread.insert(task, std::max<qint64>(0, statusField(task + QStringLiteral("/status"), "voluntary_ctxt_switches:"))
                                  + std::max<qint64>(0, statusField(task + QStringLiteral("/status"), "nonvoluntary_ctxt_switches:")));
    }
    return byThread;
}

// The wake-ups of every thread between two readings; a thread that ended woke at least to end.
inline qint64 wakeupsBetween(const QHash<QString, qint64> &before, const QHash<QString, qint64> &after)
{
    qint64 total = 0;
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        total += it.value() - before.value(it.key(), 0);
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        total += !after.contains(it.key());
    return total;
}

} // namespace bench
