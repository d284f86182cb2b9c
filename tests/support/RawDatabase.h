#pragma once

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

    QVariant scalar(const QString &sql) const
    {
        QSqlQuery query(QSqlDatabase::database(m_name));
        if (!query.exec(sql) || !query.next())
            return {};
        return query.value(0);
    }
    // A number the query yields, or -1 when it fails (so a broken query never reads as 0).
    int count(const QString &sql) const
    {
        const QVariant value = scalar(sql);
        return value.isValid() ? value.toInt() : -1;
    }
    bool exec(const QString &sql) const { return QSqlQuery(QSqlDatabase::database(m_name)).exec(sql); }
    // Every row as its fields joined by "|", or the error text when the query fails.
    QStringList rows(const QString &sql) const
    {
        QStringList result;
        QSqlQuery query(QSqlDatabase::database(m_name));
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
    QSqlDatabase database() const { return QSqlDatabase::database(m_name); }

private:
    QString m_name;
    static inline int s_count = 0;
};
