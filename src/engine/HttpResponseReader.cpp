#include "HttpResponseReader.h"

namespace orvane {

HttpResponseReader::Result HttpResponseReader::advance()
{
    for (;;) {
        switch (m_state) {
        case State::statusLine:
        case State::headers:
        case State::trailers: {
            if (m_state == State::statusLine && unread() >= 5
                && QByteArrayView(m_pending).sliced(m_pos, 5) != QByteArrayView("HTTP/"))
                return Result::notHttp;
            const std::optional<QByteArray> line = takeLine();
            if (!line)
                return unread() + m_headBytes > maxHeadBytes ? Result::malformed : Result::needMore;
            m_headBytes += line->size() + 2;
            if (m_headBytes > maxHeadBytes)
                return Result::malformed;
            if (const auto result = headLine(*line))
                return *result;
            break;
        }
        case State::length:
            if (!takeBody(m_remaining))
                return Result::tooLarge;
            if (m_remaining > 0)
                return Result::needMore;
            m_state = State::done;
            break;
        case State::untilClose:
            if (!takeBody(unread()))
                return Result::tooLarge;
            return Result::needMore;
        case State::chunkSize: {
            const std::optional<QByteArray> line = takeLine();
            // A size line has no business being long, however it arrives.
            if (!line)
                return unread() > maxChunkLineBytes ? Result::malformed : Result::needMore;
            if (line->size() > maxChunkLineBytes)
                return Result::malformed;
            const qsizetype extension = line->indexOf(';');
            const QByteArray digits = (extension < 0 ? *line : line->left(extension)).trimmed();
            bool ok = false;
            const qint64 size = digits.toLongLong(&ok, 16);
            if (!ok || size < 0 || digits.size() > 15)
                return Result::malformed;
            if (m_body.size() + size > m_maxBody)
                return Result::tooLarge;
            m_remaining = size;
            m_state = size == 0 ? State::trailers : State::chunkData;
            break;
        }
        case State::chunkData:
            takeBody(m_remaining);
            if (m_remaining > 0)
                return Result::needMore;
            m_state = State::chunkEnd;
            break;
        case State::chunkEnd: {
            const std::optional<QByteArray> line = takeLine();
            if (!line)
                return unread() > 2 ? Result::malformed : Result::needMore;
            if (!line->isEmpty())
                return Result::malformed;
            m_state = State::chunkSize;
            break;
        }
        case State::done:
            return Result::complete;
        }
    }
}

std::optional<HttpResponseReader::Result> HttpResponseReader::headLine(const QByteArray &line)
{
    if (m_state == State::statusLine) {
        // "HTTP/1.1 404 Not Found": version, a blank, three digits, then anything.
        const QList<QByteArray> fields = line.split(' ');
        bool ok = false;
        const int status = fields.size() >= 2 && fields[1].size() == 3 ? fields[1].toInt(&ok) : 0;
        if (!ok || status < 100 || !fields[0].startsWith("HTTP/1."))
            return Result::notHttp;
        m_status = status;
        m_headers.clear();
        m_state = State::headers;
        return std::nullopt;
    }
    if (m_state == State::trailers) {
        if (line.isEmpty())
            m_state = State::done;
        return std::nullopt;
    }
    if (!line.isEmpty()) {
        if ((line.startsWith(' ') || line.startsWith('\t')) && !m_headers.isEmpty()) {
            m_headers.last().second += ' ' + line.trimmed(); // an obsolete folded line
            return std::nullopt;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return Result::malformed;
        m_headers.append({line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
        return std::nullopt;
    }
    return endOfHead();
}

std::optional<HttpResponseReader::Result> HttpResponseReader::endOfHead()
{
    if (m_status < 200 && m_status != 101) { // interim: the real response follows
        m_state = State::statusLine;
        return std::nullopt;
    }
    if (m_status == 101 || m_status == 204 || m_status == 304) {
        m_state = State::done;
        return std::nullopt;
    }
    const QByteArray coding = header("transfer-encoding").toLower();
    if (!coding.isEmpty()) {
        // Chunked when it is the last coding; any other coding runs to the end of the connection.
        m_state = coding.split(',').last().trimmed() == "chunked" ? State::chunkSize : State::untilClose;
        return std::nullopt;
    }
    const QByteArray length = header("content-length");
    if (length.isEmpty()) {
        m_state = State::untilClose;
        return std::nullopt;
    }
    bool ok = false;
    const qint64 size = length.toLongLong(&ok);
    if (!ok || size < 0)
        return Result::malformed;
    if (size > m_maxBody)
        return Result::tooLarge;
    m_remaining = size;
    m_state = State::length;
    return std::nullopt;
}

} // namespace orvane
