#include "LogCapture.h"

#include <QLoggingCategory>

LogCapture *LogCapture::s_current = nullptr;

LogCapture::LogCapture()
{
    s_current = this;
    m_previous = qInstallMessageHandler(&LogCapture::handler);
    QLoggingCategory::setFilterRules(QStringLiteral("com.pellunor.Orvane.*=true"));
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    s_current = nullptr;
}

QStringList LogCapture::lines() const
{
    QMutexLocker lock(&m_mutex);
    return m_lines;
}

QStringList LogCapture::lines(const QString &category) const
{
    QStringList result;
    for (const QString &line : lines()) {
        if (line.startsWith(category + QLatin1Char('|')))
            result << line;
    }
    return result;
}

void LogCapture::handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!s_current)
        return;
    const char *level = "debug";
    switch (type) {
    case QtDebugMsg: level = "debug"; break;
    case QtInfoMsg: level = "info"; break;
    case QtWarningMsg: level = "warning"; break;
    case QtCriticalMsg: level = "error"; break;
    case QtFatalMsg: level = "fatal"; break;
    }
    QMutexLocker lock(&s_current->m_mutex);
    s_current->m_lines << QStringLiteral("%1|%2|%3").arg(QString::fromUtf8(context.category), QString::fromLatin1(level), message);
}
