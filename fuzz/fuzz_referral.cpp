// The IANA referral ("refer:") line parser.
#include "engine/WhoisClient.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString answer = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const auto host = orvane::WhoisClient::referral(answer)) {
        // A referral is never empty and never carries blanks at its ends.
        if (host->isEmpty() || host->startsWith(QLatin1Char(' ')) || host->endsWith(QLatin1Char('\t')))
            std::abort();
    }
    return 0;
}
