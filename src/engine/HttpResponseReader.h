#pragma once

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <optional>
#include <utility>

namespace orvane {

using HttpHeader = std::pair<QByteArray, QByteArray>;

// Reads one HTTP/1.x response from the bytes of a connection: status line and headers, then a
// body framed by Content-Length, by chunked coding, or by the end of the connection (RFC 9112).
// Interim 1xx responses are skipped.
class HttpResponseReader
{
public:
    enum class Result {
        needMore,
        complete,
        notHttp,    // the first line is not an HTTP status line
        malformed,  // framing or head that cannot be read, or a head beyond its cap
        tooLarge,   // the body passed the cap
        cutShort,   // the connection ended before the response did
    };

    static constexpr qsizetype maxHeadBytes = 64 * 1024; // status line, headers and trailers together
    static constexpr qsizetype maxChunkLineBytes = 1024;

    explicit HttpResponseReader(qint64 maxBody) : m_maxBody(maxBody) {}

    int status() const { return m_status; }
    const QByteArray &body() const { return m_body; }
    bool receivedAnything() const { return m_receivedAnything; }

    QByteArray header(QByteArrayView name) const
    {
        for (const HttpHeader &header : m_headers) {
            if (header.first == name)
                return header.second;
        }
        return {};
    }

    Result feed(const QByteArray &bytes)
    {
        if (bytes.isEmpty())
            return Result::needMore;
        m_receivedAnything = true;
        m_pending.append(bytes);
        const Result result = advance();
        // Drop what has been read; what is left is at most a partial line.
        m_pending.remove(0, m_pos);
        m_pos = 0;
        return result;
    }

    // The peer closed the connection.
    Result end()
    {
        if (m_state == State::done || m_state == State::untilClose)
            return Result::complete;
        return Result::cutShort;
    }

private:
    enum class State { statusLine, headers, length, untilClose, chunkSize, chunkData, chunkEnd, trailers, done };

    Result advance();
    // One line of the head (or of the trailers); a result when the response is decided.
    std::optional<Result> headLine(const QByteArray &line);
    std::optional<Result> endOfHead();

    std::optional<QByteArray> takeLine()
    {
        const qsizetype newline = m_pending.indexOf('\n', m_pos);
        if (newline < 0)
            return std::nullopt;
        QByteArray line = m_pending.mid(m_pos, newline - m_pos);
        m_pos = newline + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        return line;
    }

    qsizetype unread() const { return m_pending.size() - m_pos; }

    bool takeBody(qint64 most)
    {
        const qsizetype count = qsizetype(std::min<qint64>(most, unread()));
        m_body.append(m_pending.constData() + m_pos, count);
        m_pos += count;
        m_remaining -= count;
        return m_body.size() <= m_maxBody;
    }

    qint64 m_maxBody;
    State m_state = State::statusLine;
    QByteArray m_pending;
    qsizetype m_pos = 0;
    qsizetype m_headBytes = 0;
    int m_status = 0;
    QList<HttpHeader> m_headers;
    QByteArray m_body;
    qint64 m_remaining = 0;
    bool m_receivedAnything = false;
};

} // namespace orvane
