#pragma once

#include "db/dberror.h"

#include <QList>
#include <QString>

#include <utility>

namespace quelmar::db {

// Copies a whole office database into a new one: every table with its fields as the catalogue describes them,
// its indexes and its rows, and the stored queries. Either side may be a file or a server's URI; the target
// must not hold an office yet (a file must not exist). counts receives each table's name and its rows.
// A database's path as messages show it: a file's in the system's form, a server's URI without its password.
QString displayName(const QString& path);

DbError copyDatabase(const QString& source, const QString& target,
                     QList<std::pair<QString, qint64>>* counts = nullptr);

} // namespace quelmar::db
