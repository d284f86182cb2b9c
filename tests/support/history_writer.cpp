// Saves searches of 25 results each into a history file, one transaction per search,
// for as long as it lives (the crash test kills it at random moments), or N times.
// Usage: history_writer FILE [N]

#include "history/HistoryStore.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

using namespace orvane;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    auto store = HistoryStore::open(QString::fromLocal8Bit(argv[1]));
    if (!store) {
        std::fprintf(stderr, "%s\n", qPrintable(store.error().message));
        return 1;
    }
    const int searches = argc > 2 ? std::atoi(argv[2]) : -1;
    for (int n = 0; n != searches; ++n) {
        auto *record = new SearchRecord(QStringLiteral("name%1").arg(n), QDateTime::currentDateTimeUtc());
        (*store)->insert(record);
        for (int t = 0; t < 25; ++t) {
            auto *result = new DomainResult(QStringLiteral(".t%1").arg(t), record->query() + QStringLiteral(".t%1").arg(t),
                                            QStringLiteral("taken"), QString(2000, QLatin1Char('x')), std::nullopt,
                                            QDateTime::currentDateTimeUtc());
            (*store)->insert(result);
            record->addResult(result);
        }
        if (!(*store)->save())
            return 1;
        if (n == 0) {
            std::printf("saving\n");
            std::fflush(stdout);
        }
    }
}
