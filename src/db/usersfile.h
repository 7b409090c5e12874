#pragma once

#include <QString>

namespace quelmar::db {

// The users file beside a database (X + ".ldb"): one line per running program that has the database open,
// naming its computer and user, so that others can tell who has it and whether it is open exclusively.
class UsersFile
{
public:
    struct Holder
    {
        QString computer;
        QString user;
        qint64 processId = 0;
        bool exclusive = false;
    };

    explicit UsersFile(const QString& databasePath);
    ~UsersFile();
    UsersFile(const UsersFile&) = delete;
    UsersFile& operator=(const UsersFile&) = delete;

    static QString pathFor(const QString& databasePath);

    // Other programs that hold the database now (stale lines of this computer are dropped).
    QList<Holder> others() const;
    // Adds this program's line; false when the file cannot be written (a read-only folder).
    bool enter(bool exclusive);
    // Removes this program's line, and the file when it becomes empty.
    void leave();

private:
    QString m_path;
    bool m_entered = false;
};

} // namespace quelmar::db
