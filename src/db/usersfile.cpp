#include "db/usersfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStringList>
#include <QSysInfo>
#include <QTextStream>

#include <csignal>
#include <unistd.h>

namespace quelmar::db {

namespace {

QString thisComputer()
{
    const QString name = QSysInfo::machineHostName();
    return name.isEmpty() ? QStringLiteral("local") : name;
}

QString thisUser()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    return user.isEmpty() ? QStringLiteral("Admin") : user;
}

bool processAlive(qint64 pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

QList<UsersFile::Holder> readHolders(const QString& path)
{
    QList<UsersFile::Holder> holders;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return holders;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList parts = in.readLine().split(QLatin1Char('\t'));
        if (parts.size() < 3)
            continue;
        UsersFile::Holder holder{parts.at(0), parts.at(1), parts.at(2).toLongLong(),
                                 parts.size() > 3 && parts.at(3) == QLatin1String("X")};
        // A line of this computer whose program has ended is left over from a crash.
        if (holder.computer == thisComputer() && !processAlive(holder.processId))
            continue;
        holders.append(holder);
    }
    return holders;
}

bool writeHolders(const QString& path, const QList<UsersFile::Holder>& holders)
{
    if (holders.isEmpty())
        return QFile::remove(path) || !QFile::exists(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    QTextStream out(&file);
    for (const UsersFile::Holder& h : holders)
        out << h.computer << '\t' << h.user << '\t' << h.processId << '\t' << (h.exclusive ? "X" : "")
            << '\n';
    return true;
}

bool isMe(const UsersFile::Holder& holder)
{
    return holder.computer == thisComputer() && holder.processId == QCoreApplication::applicationPid();
}

} // namespace

UsersFile::UsersFile(const QString& databasePath) : m_path(pathFor(databasePath)) {}

UsersFile::~UsersFile()
{
    leave();
}

QString UsersFile::pathFor(const QString& databasePath)
{
    const QFileInfo info(databasePath);
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".ldb");
}

QList<UsersFile::Holder> UsersFile::others() const
{
    QLockFile lock(m_path + QStringLiteral(".lock"));
    lock.tryLock(2000);
    QList<Holder> holders = readHolders(m_path);
    holders.removeIf(isMe);
    return holders;
}

bool UsersFile::enter(bool exclusive)
{
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (!lock.tryLock(2000))
        return false;
    QList<Holder> holders = readHolders(m_path);
    holders.removeIf(isMe);
    holders.append({thisComputer(), thisUser(), QCoreApplication::applicationPid(), exclusive});
    m_entered = writeHolders(m_path, holders);
    return m_entered;
}

void UsersFile::leave()
{
    if (!m_entered)
        return;
    QLockFile lock(m_path + QStringLiteral(".lock"));
    lock.tryLock(2000);
    QList<Holder> holders = readHolders(m_path);
    holders.removeIf(isMe);
    writeHolders(m_path, holders);
    m_entered = false;
}

} // namespace quelmar::db
