// The IANA bootstrap file parser.
#include "engine/RDAPBootstrap.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto parsed = orvane::RDAPBootstrap::parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (parsed) {
        for (auto it = parsed->cbegin(); it != parsed->cend(); ++it) {
            if (!it.key().startsWith(QLatin1Char('.')) || it.key() != it.key().toLower())
                std::abort();
        }
    }
    return 0;
}
