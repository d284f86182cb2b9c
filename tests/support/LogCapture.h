#pragma once

#include <QMutex>
#include <QStringList>
#include <QtMessageHandler>

// Collects every log line while alive, as "category|level|message".
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();

    QStringList lines() const;
    QStringList lines(const QString &category) const;
    bool contains(const QString &line) const { return lines().contains(line); }

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message);
    static LogCapture *s_current;
    QtMessageHandler m_previous;
    mutable QMutex m_mutex;
    QStringList m_lines;
};
