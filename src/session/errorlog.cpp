#include "session/errorlog.h"

#include "core/clock.h"
#include "core/datetext.h"
#include "session/session.h"

#include <QFile>
#include <QFileInfo>

namespace quelmar::maintenance {

namespace {

const QChar tab(u'\t');

QString menuPathOf(const Session& session)
{
    return session.menu.MenuPath.isEmpty() ? QStringLiteral("Base") : session.menu.MenuPath;
}

} // namespace

QString errorLogName(const QString& appName)
{
    return appName.left(3) + QStringLiteral("_Err.log");
}

QString errorLogHeading(const QString& appName, const QDate& today)
{
    return appName + tab + datetext::dayMonthYear(today) + tab;
}

QString errorLogEntry(qint32 number, const QString& description, const QString& source, const QDateTime& when,
                      const QString& menuPath, const QString& routineName)
{
    const QString numberText =
        number < 0 ? QString::number(number) : QLatin1Char(' ') + QString::number(number);
    const QString whenText = datetext::dayMonthYear(when.date()) + QLatin1Char(' ') +
                             when.time().toString(QStringLiteral("HH:mm:ss"));
    return numberText + tab + description + tab + source + tab + whenText + tab + menuPath + tab +
           routineName + tab;
}

bool appendErrorLog(Session& session, qint32 number, const QString& description, const QString& source)
{
    const QString path = session.shell.WorkingFolder.filePath(errorLogName(session.shell.AppName));
    const QFileInfo info(path);
    QString text;
    if (!info.exists() || (info.isFile() && info.size() > ErrorLogLimit)) {
        if (info.exists() && !QFile::remove(path))
            return false;
        text = errorLogHeading(session.shell.AppName, Clock::today()) + QLatin1Char('\n');
    }
    text += errorLogEntry(number, description, source, Clock::now(), menuPathOf(session),
                          session.errors.RoutineName) +
            QLatin1Char('\n');

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size() && file.flush();
}

} // namespace quelmar::maintenance
