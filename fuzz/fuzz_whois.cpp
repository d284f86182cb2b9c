// WHOIS answer interpretation and cleaning: never crash, cleaning is idempotent, and an answer
// that holds a registration record never reads free.
#include "engine/WhoisInterpretation.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString answer = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto verdict = orvane::interpretWhoisResponse(answer);
    if (verdict == orvane::DomainAvailability::available) {
        QString lowered = answer.toLower();
        lowered.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        int markers = 0;
        for (const QString &marker : orvane::recordMarkers())
            markers += lowered.contains(marker) ? 1 : 0;
        if (markers >= 2)
            std::abort();
    }
    const QString shown = orvane::stripWhoisBoilerplate(answer);
    if (orvane::stripWhoisBoilerplate(shown) != shown)
        std::abort();
    return 0;
}
