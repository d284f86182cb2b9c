// The history on a disk that fills up mid-session, then gets room again.
// Run inside a private mount namespace (unshare -m) as root: it mounts a small tmpfs at
// DIR, saves a search, fills the disk, saves another (which must fail and keep everything),
// grows the disk and saves again. Prints what happened, one line each.
//
// (A file system cannot be made read-only while the database is open for writing: the
// kernel refuses with EBUSY. A full disk is the failure an open history really meets.)

#include "history/HistoryStore.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/mount.h>

using namespace orvane;

namespace {

void addSearch(HistoryStore &store, const QString &name)
{
    auto *record = new SearchRecord(name, QDateTime::currentDateTimeUtc());
    store.insert(record);
    for (const char *tld : {".com", ".ai"}) {
        // Large enough that the save needs pages the full disk no longer has.
        auto *result = new DomainResult(QLatin1String(tld), name + QLatin1String(tld), QStringLiteral("available"),
                                        QString(6000, QLatin1Char('r')), std::nullopt, QDateTime::currentDateTimeUtc());
        store.insert(result);
        record->addResult(result);
    }
}

bool mountTmpfs(const QByteArray &dir, const char *size, bool remount)
{
    const QByteArray options = QByteArray("size=") + size;
    if (::mount("tmpfs", dir.constData(), "tmpfs", remount ? MS_REMOUNT : 0, options.constData()) == 0)
        return true;
    std::printf("mount failed: %s\n", std::strerror(errno));
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QByteArray dir(argv[1]);
    if (!mountTmpfs(dir, "512k", false))
        return 3;
    const QString path = QString::fromLocal8Bit(dir) + QStringLiteral("/history.sqlite");
    {
        auto store = HistoryStore::open(path);
        if (!store)
            return 1;
        addSearch(**store, QStringLiteral("first"));
        std::printf("first save: %s\n", (*store)->save() ? "ok" : "failed");

        QFile filler(QString::fromLocal8Bit(dir) + QStringLiteral("/filler"));
        filler.open(QIODevice::WriteOnly);
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        addSearch(**store, QStringLiteral("second"));
        const auto failed = (*store)->save();
        std::printf("full disk save: %s\n", failed ? "ok" : qPrintable(QStringLiteral("failed: ") + failed.error()));
        std::printf("pending kept: %s\n", (*store)->hasChanges() ? "yes" : "no");

        if (!mountTmpfs(dir, "8m", true))
            return 4;
        std::printf("with room again save: %s\n", (*store)->save() ? "ok" : "failed");
    }
    auto reopened = HistoryStore::open(path);
    QStringList names;
    for (SearchRecord *record : (*reopened)->fetchAll())
        names << QStringLiteral("%1:%2").arg(record->query()).arg(record->resultCount());
    std::printf("stored: %s\n", qPrintable(names.join(QLatin1Char(' '))));
    return 0;
}
