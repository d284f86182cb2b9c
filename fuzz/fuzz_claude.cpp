// The claude answer: the JSON-array search and the suggestion decoding.
#include "ClaudeCLIService.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString output = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const auto array = orvane::ClaudeCLIService::findJSONArray(output)) {
        if (!output.contains(*array) || !array->startsWith(QLatin1Char('[')) || !array->endsWith(QLatin1Char(']')))
            std::abort();
    }
    (void)orvane::ClaudeCLIService::parse(output);
    return 0;
}
