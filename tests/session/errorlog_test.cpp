#include "session/errorlog.h"

#include "core/clock.h"
#include "session/session.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quelmar;

namespace {

TEST(ErrorLog, linesAreTabSeparatedWithTheirClosingTab)
{
    EXPECT_EQ(maintenance::errorLogName(QStringLiteral("Quelmar")), QStringLiteral("Que_Err.log"));
    EXPECT_EQ(maintenance::errorLogHeading(QStringLiteral("Quelmar"), QDate(2026, 12, 10)),
              QStringLiteral("Quelmar\t10-Dic-2026\t"));
    const QDateTime when(QDate(2026, 12, 10), QTime(14, 30, 5));
    EXPECT_EQ(maintenance::errorLogEntry(61, QStringLiteral("Disk full"), QStringLiteral("Quelmar"), when,
                                         QStringLiteral("Respaldo"), QStringLiteral("BDResp")),
              QStringLiteral(" 61\tDisk full\tQuelmar\t10-Dic-2026 14:30:05\tRespaldo\tBDResp\t"));
    EXPECT_TRUE(maintenance::errorLogEntry(-5, {}, {}, when, {}, {}).startsWith(QStringLiteral("-5\t")));
}

class ErrorLogFile : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        session.shell.WorkingFolder = QDir(m_folder.path());
        session.errors.RoutineName = QStringLiteral("Disco LeeAr");
        Clock::setToday(QDate(2026, 12, 10));
    }
    void TearDown() override { Clock::setToday(QDate()); }

    QString logPath() const { return m_folder.filePath(QStringLiteral("Que_Err.log")); }
    QStringList logLines() const
    {
        QFile file(logPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    void writeLog(qint64 size) const
    {
        QFile file(logPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(size - 1, 'x') + '\n');
    }

    Session session;

private:
    QTemporaryDir m_folder;
};

TEST_F(ErrorLogFile, aNewLogBeginsWithItsHeading)
{
    EXPECT_TRUE(maintenance::appendErrorLog(session, 53, QStringLiteral("File not found"),
                                            QStringLiteral("Quelmar")));
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.at(0), QStringLiteral("Quelmar\t10-Dic-2026\t"));
    EXPECT_TRUE(lines.at(1).startsWith(QStringLiteral(" 53\tFile not found\tQuelmar\t10-Dic-2026 ")));
    EXPECT_TRUE(lines.at(1).endsWith(QStringLiteral("\tBase\tDisco LeeAr\t"))) << lines.at(1).toStdString();
}

TEST_F(ErrorLogFile, aLogLargerThan10000BytesIsStartedAgain)
{
    struct Case
    {
        qint64 size;
        int linesAfter;
    };
    for (const Case c : {Case{10000, 2}, Case{10001, 2}}) {
        SCOPED_TRACE(c.size);
        writeLog(c.size);
        ASSERT_TRUE(maintenance::appendErrorLog(session, 9, QStringLiteral("Subscript out of range"), {}));
        const QStringList lines = logLines();
        ASSERT_EQ(lines.size(), c.linesAfter);
        if (c.size > maintenance::ErrorLogLimit)
            EXPECT_EQ(lines.at(0), QStringLiteral("Quelmar\t10-Dic-2026\t"));
        else
            EXPECT_EQ(lines.at(0).size(), c.size - 1); // kept, the entry appended after it
    }
}

TEST_F(ErrorLogFile, aLogThatCannotBeWrittenIsSkipped)
{
    // The log's name taken by a folder, and a working folder that is gone.
    ASSERT_TRUE(QDir().mkpath(logPath()));
    EXPECT_FALSE(maintenance::appendErrorLog(session, 5, QStringLiteral("Invalid procedure call"), {}));
    session.shell.WorkingFolder = QDir(QDir(logPath()).filePath(QStringLiteral("no/such/folder")));
    EXPECT_FALSE(maintenance::appendErrorLog(session, 5, QStringLiteral("Invalid procedure call"), {}));
}

} // namespace
