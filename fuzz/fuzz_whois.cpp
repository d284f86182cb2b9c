// WHOIS answer interpretation and cleaning: never crash, and cleaning is idempotent.
#include "WhoisInterpretation.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString answer = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    (void)orvane::interpretWhoisResponse(answer, QStringLiteral(".test"));
    const QString shown = orvane::stripWhoisBoilerplate(answer);
    if (orvane::stripWhoisBoilerplate(shown) != shown)
        std::abort();
    return 0;
}
