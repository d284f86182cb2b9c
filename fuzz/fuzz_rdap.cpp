// RDAP answers: the status and errorCode decisions and the rendering of the body.
#include "engine/RDAPClient.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    static const int statuses[] = {200, 200, 200, 404, 429, 500, 301};
    const int status = statuses[data[0] % 7];
    const QByteArray body(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    (void)orvane::RDAPClient::interpretResponse(status, body);
    (void)orvane::RDAPClient::render(body);
    return 0;
}
