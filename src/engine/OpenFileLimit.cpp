#include "engine/OpenFileLimit.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#ifdef Q_OS_DARWIN
#include <sys/syslimits.h>
#endif
#endif

#include <algorithm>

namespace orvane {

#ifdef Q_OS_UNIX

namespace {

// The soft limit the process started with, for its children; RLIM_INFINITY until raised.
rlim_t g_startingSoftLimit = RLIM_INFINITY;

// Enough for every TLD there is, checked at once, with room to spare.
constexpr rlim_t wanted = 65536;

} // namespace

unsigned long long raiseOpenFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    if (g_startingSoftLimit == RLIM_INFINITY)
        g_startingSoftLimit = limit.rlim_cur;
    rlim_t target = std::min(limit.rlim_max, wanted);
#ifdef Q_OS_DARWIN
    target = std::min<rlim_t>(target, OPEN_MAX); // macOS refuses anything above OPEN_MAX
#endif
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < target) {
        const rlim_t before = limit.rlim_cur;
        limit.rlim_cur = target;
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
            limit.rlim_cur = before;
    }
    return limit.rlim_cur == RLIM_INFINITY ? ~0ULL : static_cast<unsigned long long>(limit.rlim_cur);
}

void restoreOpenFileLimitInChild()
{
    if (g_startingSoftLimit == RLIM_INFINITY)
        return;
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != g_startingSoftLimit) {
        limit.rlim_cur = g_startingSoftLimit;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

#else

unsigned long long raiseOpenFileLimit()
{
    return 0;
}

void restoreOpenFileLimitInChild()
{
}

#endif

} // namespace orvane
