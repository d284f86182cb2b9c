// HTTP responses from a registry: however the bytes are split across reads, the reader must come
// to the same result, and a body it accepts never passes the cap.
#include "HttpResponseReader.h"

#include <cstdlib>

namespace {

using orvane::HttpResponseReader;

struct Reading {
    HttpResponseReader::Result result;
    int status = 0;
    QByteArray body;
};

// Feeds `bytes` in pieces of the given sizes (cycled), then ends the connection if still open.
Reading read(const QByteArray &bytes, const QList<int> &pieces, qint64 cap)
{
    HttpResponseReader reader(cap);
    qsizetype at = 0;
    for (qsizetype i = 0; at < bytes.size(); ++i) {
        const qsizetype length = pieces.isEmpty() ? bytes.size() : pieces.at(i % pieces.size());
        const auto result = reader.feed(bytes.mid(at, length));
        at += length;
        if (result != HttpResponseReader::Result::needMore)
            return {result, reader.status(), reader.body()};
    }
    return {reader.end(), reader.status(), reader.body()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    // The first three bytes pick the piece sizes and the cap; the rest is what the server sent.
    const QList<int> pieces{1 + data[0] % 7, 1 + data[1] % 64, 1};
    const qint64 cap = 16 << (data[2] % 12);
    const QByteArray bytes(reinterpret_cast<const char *>(data + 3), qsizetype(size - 3));

    const Reading whole = read(bytes, {}, cap);
    const Reading split = read(bytes, pieces, cap);
    if (whole.result != split.result)
        std::abort();
    if (whole.result == HttpResponseReader::Result::complete
        && (whole.status != split.status || whole.body != split.body || whole.body.size() > cap))
        std::abort();
    return 0;
}
