#include "cli/LineReader.h"

#include <QTimer>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::cli {

namespace {

constexpr qsizetype chunkBytes = 64 * 1024;
// A line of maxLineCharacters characters takes at most four bytes each (and a carriage return).
constexpr qsizetype maxLineBytes = qsizetype(LineReader::maxLineCharacters) * 4 + 1;
constexpr qsizetype quotedBytes = qsizetype(LineReader::quotedCharacters) * 4;

qsizetype codePoints(const QString &text)
{
    qsizetype count = 0;
    for (const QChar c : text)
        count += !c.isLowSurrogate();
    return count;
}

QString firstCodePoints(const QString &text, qsizetype limit)
{
    qsizetype units = 0;
    for (qsizetype points = 0; points < limit && units < text.size(); ++points)
        units += text.at(units).isHighSurrogate() && units + 1 < text.size() ? 2 : 1;
    return text.left(units);
}

} // namespace

LineReader::LineReader(int fd, Handlers handlers) : m_fd(fd), m_handlers(std::move(handlers)) {}

LineReader::~LineReader() = default;

void LineReader::start()
{
    if (m_started)
        return;
    m_started = true;
    struct stat info {};
    // A file on disk never makes a read wait; anything else (a pipe, a terminal) is read when
    // the event loop says it has something, so the checks go on while the input trickles in.
    if (fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        m_notifier = std::make_unique<QSocketNotifier>(qintptr(m_fd), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { readSome(); });
    } else {
        QTimer::singleShot(0, [this] { readSome(); });
    }
}

void LineReader::pause()
{
    m_paused = true;
    if (m_notifier)
        m_notifier->setEnabled(false);
}

void LineReader::resume()
{
    if (!m_paused || m_ended)
        return;
    m_paused = false;
    // From the event loop: the caller may be in the middle of handling a line.
    QTimer::singleShot(0, [this] { deliver(); });
}

void LineReader::readSome()
{
    if (m_paused || m_ended)
        return;
    m_chunk.resize(chunkBytes);
    const ssize_t got = ::read(m_fd, m_chunk.data(), size_t(m_chunk.size()));
    if (got < 0) {
        m_chunk.clear();
        if (errno == EINTR || errno == EAGAIN)
            return;
        m_ended = true;
        if (m_notifier)
            m_notifier->setEnabled(false);
        m_handlers.end(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_chunk.resize(got);
    m_offset = 0;
    if (got == 0) {
        m_ended = true;
        if (m_notifier)
            m_notifier->setEnabled(false);
        if (!m_line.isEmpty() || m_lineTooLong)
            finishLine(); // the last line, without a line break
        m_handlers.end({});
        return;
    }
    deliver();
}

void LineReader::deliver()
{
    if (m_notifier)
        m_notifier->setEnabled(false);
    while (!m_paused && takeLine())
        ;
    if (m_paused || m_ended)
        return;
    // The chunk is used up: read on.
    if (m_notifier)
        m_notifier->setEnabled(true);
    else
        QTimer::singleShot(0, [this] { readSome(); });
}

bool LineReader::takeLine()
{
    if (m_offset >= m_chunk.size())
        return false;
    const qsizetype end = m_chunk.indexOf('\n', m_offset);
    const qsizetype stop = end < 0 ? m_chunk.size() : end;
    const qsizetype length = stop - m_offset;
    if (!m_lineTooLong) {
        if (m_line.size() + length > maxLineBytes) {
            // Only what the message quotes is kept; the rest is skipped as it comes.
            m_lineTooLong = true;
            m_line.append(m_chunk.constData() + m_offset, std::min(length, std::max<qsizetype>(0, quotedBytes - m_line.size())));
            m_line.truncate(quotedBytes);
        } else {
            m_line.append(m_chunk.constData() + m_offset, length);
        }
    }
    m_offset = stop + (end < 0 ? 0 : 1);
    if (end < 0)
        return false;
    finishLine();
    return true;
}

void LineReader::finishLine()
{
    Line line;
    line.number = ++m_number;
    line.text = QString::fromUtf8(m_line);
    line.tooLong = m_lineTooLong;
    if (!line.tooLong) {
        if (line.text.endsWith(QLatin1Char('\r')))
            line.text.chop(1);
        line.tooLong = codePoints(line.text) > maxLineCharacters;
    }
    if (line.tooLong)
        line.text = firstCodePoints(line.text, quotedCharacters);
    m_line.clear();
    m_lineTooLong = false;
    if (m_line.capacity() > maxLineBytes * 2)
        m_line.squeeze();
    m_handlers.line(line);
}

} // namespace orvane::cli
