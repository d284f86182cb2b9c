#pragma once

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

// A second, independent connection to a history file, for looking behind the store's back
// (or holding its write lock, as another writer would).
class RawDatabase
{
public:
    explicit RawDatabase(const QString &path) : m_name(QStringLiteral("raw-%1").arg(++s_count))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=50"));
        db.open();
    }
    ~RawDatabase()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    RawDatabase(const RawDatabase &) = delete;
    RawDatabase &operator=(const RawDatabase &) = delete;

    QSqlDatabase database() const { return QSqlDatabase::database(m_name); }
    bool exec(const QString &sql) const { return QSqlQuery(database()).exec(sql); }
    // Every row as its fields joined by "|", or the error text when the query fails.
    QStringList rows(const QString &sql) const
    {
        QStringList result;
        QSqlQuery query(database());
        if (!query.exec(sql))
            return {query.lastError().text()};
        while (query.next()) {
            QStringList fields;
            for (int i = 0; i < query.record().count(); ++i)
                fields << query.value(i).toString();
            result << fields.join(QLatin1Char('|'));
        }
        return result;
    }
    // The number the query yields, or -1 when it fails (so a broken query never reads as 0).
    int count(const QString &sql) const
    {
        bool ok = false;
        const int value = rows(sql).value(0).toInt(&ok);
        return ok ? value : -1;
    }

    // Overwrites the first page of a table, as a failing disk or a stray write would.
    static bool damage(const QString &path, const QString &table)
    {
        const int page = RawDatabase(path).count("SELECT rootpage FROM sqlite_master WHERE name = '" + table + "'");
        QFile file(path);
        return page > 1 && file.open(QIODevice::ReadWrite) && file.seek(qint64(page - 1) * 4096) && file.write(QByteArray(4096, 'Z')) == 4096;
    }

private:
    QString m_name;
    static inline int s_count = 0;
};
