// The claude answer: the JSON-array search and the suggestion decoding.
#include "brainstorm/ClaudeCLIService.h"

#include <QJsonDocument>

#include <cstdlib>
#include <optional>

namespace {

// The search as plainly as it can be said: every "[" scanned to its end on its own, every
// bracketed stretch that parses is a candidate, the longest wins, the earlier on a tie.
// Quadratic, so it checks the real search only on short inputs, where that one's work limits
// cannot be reached.
std::optional<QString> plainSearch(const QString &output)
{
    std::optional<QString> best;
    for (qsizetype start = 0; start < output.size(); ++start) {
        if (output[start] != QLatin1Char('['))
            continue;
        int depth = 0;
        bool inString = false;
        for (qsizetype i = start; i < output.size(); ++i) {
            const QChar c = output[i];
            if (inString) {
                if (c == QLatin1Char('\\'))
                    ++i;
                else if (c == QLatin1Char('"'))
                    inString = false;
            } else if (c == QLatin1Char('"')) {
                inString = true;
            } else if (c == QLatin1Char('[')) {
                ++depth;
            } else if (c == QLatin1Char(']') && --depth == 0) {
                const QString candidate = output.mid(start, i - start + 1);
                QJsonParseError error;
                QJsonDocument::fromJson(candidate.toUtf8(), &error);
                if (error.error == QJsonParseError::NoError && (!best || candidate.size() > best->size()))
                    best = candidate;
                break;
            }
        }
    }
    return best;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString output = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto array = orvane::ClaudeCLIService::findJSONArray(output);
    if (array) {
        if (!output.contains(*array) || !array->startsWith(QLatin1Char('[')) || !array->endsWith(QLatin1Char(']')))
            std::abort();
    }
    if (output.size() <= 128 && array != plainSearch(output))
        std::abort();
    (void)orvane::ClaudeCLIService::parse(output);
    return 0;
}
