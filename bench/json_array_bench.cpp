// Time of the brainstorm's JSON-array search on ordinary and hostile claude output.

#include "brainstorm/ClaudeCLIService.h"

#include <QElapsedTimer>

#include <cstdio>

using namespace orvane;

namespace {

void measure(const char *label, const QString &output)
{
    QElapsedTimer timer;
    timer.start();
    const auto found = ClaudeCLIService::findJSONArray(output);
    std::printf("  %-34s %9.2f ms  (%s)\n", label, double(timer.nsecsElapsed()) / 1e6, found ? "array found" : "no array");
}

} // namespace

int main()
{
    const qsizetype mib = 1024 * 1024;
    QString typical = QStringLiteral("Here are some ideas:\n```json\n[");
    for (int i = 0; i < 10; ++i)
        typical += QStringLiteral("%1{\"name\":\"idea%2\",\"rationale\":\"a short reason for idea %2\"}").arg(i ? "," : "").arg(i);
    typical += QStringLiteral("]\n```\n");
    QString pairs;
    while (pairs.size() < mib)
        pairs += QStringLiteral("[]");
    QString quoted;
    while (quoted.size() < mib)
        quoted += QStringLiteral("[\"");

    std::printf("JSON-array search (target: under 50 ms on 1 MiB of hostile output)\n");
    measure("typical answer", typical);
    measure("1 MiB of '['", QString(mib, QLatin1Char('[')));
    measure("1 MiB of '[]'", pairs);
    measure("1 MiB of '[\"'", quoted);
    measure("1 MiB of '[' then a valid array", QString(mib, QLatin1Char('[')) + typical);
    return 0;
}
