// Prints how the history store behaves with a large history:
// 10,000 saved searches of 25 results each.

#include "history/HistoryStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

using namespace orvane;

namespace {

void addSearch(HistoryStore &store, int index, const QDateTime &when)
{
    auto *record = new SearchRecord(QStringLiteral("name%1").arg(index), when);
    store.insert(record);
    for (int t = 0; t < 25; ++t) {
        const QString tld = QStringLiteral(".tld%1").arg(t);
        auto *result = new DomainResult(tld, record->query() + tld, t % 3 ? "taken" : "available",
                                        QStringLiteral("Domain Name: %1\nRegistrar: Example Registrar, Inc.\nStatus: ok").arg(record->query() + tld),
                                        std::nullopt, when);
        store.insert(result);
        record->addResult(result);
    }
}

double ms(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int searches = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000;
    QTemporaryDir dir;
    const QString path = dir.filePath("history.sqlite");
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-30);

    {
        auto store = *HistoryStore::open(path);
        for (int i = 0; i < searches; ++i)
            addSearch(*store, i, start.addSecs(i * 60));
        if (auto saved = store->save(); !saved) {
            std::fprintf(stderr, "filling failed: %s\n", qPrintable(saved.error()));
            return 1;
        }
    }

    QElapsedTimer timer;
    timer.start();
    auto store = *HistoryStore::open(path);
    const QList<SearchRecord *> records = store->fetchAll();
    const double openAndList = ms(timer);

    timer.restart();
    store->remove(records.at(records.size() / 2));
    const bool deleted = store->save().has_value();
    const double deleteOne = ms(timer);

    timer.restart();
    addSearch(*store, searches, QDateTime::currentDateTimeUtc());
    const bool saved = store->save().has_value();
    const double saveOne = ms(timer);

    std::printf("history store, %d searches x 25 results (file %.1f MiB)\n", searches,
                double(QFileInfo(path).size() + QFileInfo(path + "-wal").size()) / (1024.0 * 1024.0));
    std::printf("  open + list newest first : %8.2f ms  (target < 150 ms, %lld records)\n", openAndList,
                static_cast<long long>(records.size()));
    std::printf("  delete one with results  : %8.2f ms  (target < 10 ms)%s\n", deleteOne, deleted ? "" : "  FAILED");
    std::printf("  save one search of 25    : %8.2f ms  (target < 10 ms)%s\n", saveOne, saved ? "" : "  FAILED");
    return 0;
}
