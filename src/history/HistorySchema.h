#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVersionNumber>

#include <expected>

namespace orvane {

// The tables of the history file, and the steps that bring an older file up to date. A new
// file is made by the same steps as an old one is upgraded by, so the two never differ.
class HistorySchema
{
public:
    static const QString &currentVersion();

    // Makes an empty database a history file of the current version, in one transaction.
    static std::expected<void, QString> create(QSqlDatabase db);

    // Brings a file of an older version up to the current one in one transaction, which holds
    // the write lock from its start and reads the version again under it: a file that another
    // program upgraded meanwhile is left as it is. When any step fails, the transaction is rolled
    // back and the file is left as it was.
    static std::expected<void, QString> upgrade(QSqlDatabase db, const QVersionNumber &from);
};

} // namespace orvane
