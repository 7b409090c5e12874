// The work on whole database files: compaction into a new file, the integrity check and the rescue of what
// can still be read from a damaged file.
#include "db/database.h"
#include "db/filemaintenance.h"
#include "db/recordset.h"
#include "db/sqlitestatement.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>

namespace {

using namespace quelmar::db;

constexpr int Rows = 3000;

// A database of one table without indexes: its rows fill the leaf pages in order, so that a damaged page in
// the middle of the file cuts the table in two.
QString notesDatabase(const QTemporaryDir& dir, const QString& name = QStringLiteral("Notas.mdb"))
{
    const QString path = dir.filePath(name);
    DbError error;
    auto database = Database::create(path, error);
    EXPECT_TRUE(database) << error.description.toStdString();
    EXPECT_TRUE(
        database->execute(QStringLiteral("CREATE TABLE Notas (Id INTEGER PRIMARY KEY, Texto TEXT)")).ok());
    auto insert = database->prepare(QStringLiteral("INSERT INTO Notas (Id, Texto) VALUES (?, ?)"), error);
    Transaction transaction(*database);
    for (int i = 1; i <= Rows; ++i)
        insert->run({i, QStringLiteral("nota %1 ").arg(i).repeated(12)});
    EXPECT_TRUE(transaction.commit().ok());
    return path;
}

qint64 countRows(const QString& path, const QString& table = QStringLiteral("Notas"))
{
    sqlite3* handle = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, SQLITE_OPEN_READONLY, nullptr);
    qint64 count = -1;
    {
        SqliteStatement statement(handle, QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table));
        if (statement.step())
            count = statement.int64(0);
    }
    sqlite3_close_v2(handle);
    return count;
}

void damagePage(const QString& path, qint64 page)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray header = file.read(100);
    const qint64 pageSize = (static_cast<quint8>(header.at(16)) << 8) | static_cast<quint8>(header.at(17));
    ASSERT_LT(page * pageSize, file.size());
    ASSERT_TRUE(file.seek((page - 1) * pageSize));
    file.write(QByteArray(64, '\xAB'));
}

qint64 pageCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray header = file.read(100);
    return file.size() / ((static_cast<quint8>(header.at(16)) << 8) | static_cast<quint8>(header.at(17)));
}

TEST(Compaction, CopiesEveryRowIntoASmallerFileAndRefusesAnExistingTarget)
{
    QTemporaryDir dir;
    const QString path = notesDatabase(dir);
    {
        DbError error;
        auto database = Database::open(path, {}, error);
        ASSERT_TRUE(database);
        ASSERT_TRUE(database->execute(QStringLiteral("DELETE FROM Notas WHERE Id > 1000")).ok());
    }
    const QString copy = dir.filePath(QStringLiteral("Notas.cmp"));
    int lastPercent = -1;
    ASSERT_TRUE(files::compactInto(path, copy, [&](int percent) { lastPercent = percent; }).ok());
    EXPECT_EQ(lastPercent, 100);
    EXPECT_EQ(countRows(copy), 1000);
    EXPECT_LT(QFileInfo(copy).size(), QFileInfo(path).size() / 2);

    const DbError refused = files::compactInto(path, copy);
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(countRows(copy), 1000) << "an existing file is never overwritten";
}

TEST(Compaction, FailingHalfWayLeavesNoCopyAndTheSourceWhole)
{
    QTemporaryDir dir;
    const QString path = notesDatabase(dir);
    const QString copy = dir.filePath(QStringLiteral("Notas.cmp"));
    ::setenv("QUELMAR_COMPACTION_FAULT_AT", "50", 1);
    const DbError error = files::compactInto(path, copy);
    ::unsetenv("QUELMAR_COMPACTION_FAULT_AT");
    EXPECT_EQ(error.number, jeterror::DiskError) << error.description.toStdString();
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_FALSE(QFileInfo::exists(copy + QStringLiteral("-journal")));
    EXPECT_EQ(countRows(path), Rows);
}

TEST(Compaction, SettlingTheJournalPutsItsRowsIntoTheFileItself)
{
    QTemporaryDir dir;
    const QString path = notesDatabase(dir);
    // The state a crash leaves: rows still in the write-ahead log beside the file.
    const QString crashed = dir.filePath(QStringLiteral("Caida.mdb"));
    {
        DbError error;
        auto database = Database::open(path, {}, error);
        ASSERT_TRUE(database);
        sqlite3_wal_autocheckpoint(database->handle(), 0);
        ASSERT_TRUE(
            database->execute(QStringLiteral("INSERT INTO Notas (Id, Texto) VALUES (99999, 'ultima')")).ok());
        ASSERT_TRUE(QFileInfo::exists(path + QStringLiteral("-wal")));
        ASSERT_TRUE(QFile::copy(path, crashed));
        ASSERT_TRUE(QFile::copy(path + QStringLiteral("-wal"), crashed + QStringLiteral("-wal")));
    }
    ASSERT_TRUE(files::settleJournal(crashed).ok());
    EXPECT_FALSE(QFileInfo::exists(crashed + QStringLiteral("-wal")));
    // The file alone, moved elsewhere, holds the last row.
    const QString moved = dir.filePath(QStringLiteral("Movida.mdb"));
    ASSERT_TRUE(QFile::rename(crashed, moved));
    EXPECT_EQ(countRows(moved), Rows + 1);
}

TEST(IntegrityCheck, TellsASoundFileADamagedOneAndOneThatIsNoDatabase)
{
    QTemporaryDir dir;
    const QString sound = notesDatabase(dir);
    QStringList findings;
    ASSERT_TRUE(files::integrityCheck(sound, findings).ok());
    EXPECT_TRUE(findings.isEmpty()) << findings.join(u'\n').toStdString();

    const QString damaged = notesDatabase(dir, QStringLiteral("Dañada.mdb"));
    damagePage(damaged, pageCount(damaged) / 2);
    ASSERT_TRUE(files::integrityCheck(damaged, findings).ok());
    EXPECT_FALSE(findings.isEmpty());

    const QString garbage = dir.filePath(QStringLiteral("Basura.mdb"));
    QFile file(garbage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(8192, 'x'));
    file.close();
    EXPECT_EQ(files::integrityCheck(garbage, findings).number, jeterror::UnrecognizedFormat);
    EXPECT_EQ(files::integrityCheck(dir.filePath(QStringLiteral("Falta.mdb")), findings).number,
              jeterror::FileNotFound);
}

TEST(Rescue, SavesTheRowsOnBothSidesOfADamagedPage)
{
    QTemporaryDir dir;
    const QString damaged = notesDatabase(dir);
    damagePage(damaged, pageCount(damaged) / 2);
    const QString rebuilt = dir.filePath(QStringLiteral("Notas.rep"));
    QList<files::TableRescue> tables;
    QStringList notes;
    ASSERT_TRUE(files::rescueInto(damaged, rebuilt, tables, notes).ok());
    const auto notas = std::find_if(tables.cbegin(), tables.cend(), [](const files::TableRescue& t) {
        return t.table == QStringLiteral("Notas");
    });
    ASSERT_NE(notas, tables.cend());
    // One leaf page holds a few rows: what lies before and after it is saved.
    EXPECT_GT(notas->saved, Rows - 100);
    EXPECT_LT(notas->saved, Rows);
    EXPECT_EQ(countRows(rebuilt), notas->saved);
    EXPECT_GE(countRows(rebuilt, QStringLiteral("MSysFields")), 0) << "the catalogue travels too";
    {
        sqlite3* handle = nullptr;
        sqlite3_open_v2(QFile::encodeName(rebuilt).constData(), &handle, SQLITE_OPEN_READONLY, nullptr);
        SqliteStatement last(handle, QStringLiteral("SELECT max(Id) FROM Notas"));
        ASSERT_TRUE(last.step());
        EXPECT_EQ(last.int64(0), Rows);
        last.reset();
        sqlite3_close_v2(handle);
    }
    QStringList findings;
    ASSERT_TRUE(files::integrityCheck(rebuilt, findings).ok());
    EXPECT_TRUE(findings.isEmpty()) << findings.join(u'\n').toStdString();
}

TEST(Rescue, ATruncatedFileGivesTheRowsBeforeTheCut)
{
    QTemporaryDir dir;
    const QString truncated = notesDatabase(dir);
    {
        QFile file(truncated);
        ASSERT_TRUE(file.resize(file.size() * 6 / 10));
    }
    QList<files::TableRescue> tables;
    QStringList notes;
    const QString rebuilt = dir.filePath(QStringLiteral("Notas.rep"));
    const DbError error = files::rescueInto(truncated, rebuilt, tables, notes);
    ASSERT_TRUE(error.ok()) << error.number << " " << error.description.toStdString();
    const auto notas = std::find_if(tables.cbegin(), tables.cend(), [](const files::TableRescue& t) {
        return t.table == QStringLiteral("Notas");
    });
    ASSERT_NE(notas, tables.cend());
    EXPECT_GT(notas->saved, Rows / 3);
    EXPECT_LT(notas->saved, Rows);
    EXPECT_NE(notas->lost, 0) << "what was cut off is not counted as saved";
    EXPECT_EQ(countRows(rebuilt), notas->saved);
}

TEST(Rescue, ASoundFileLosesNothingAndAFileWithoutSchemaIsRefused)
{
    QTemporaryDir dir;
    const QString sound = notesDatabase(dir);
    QList<files::TableRescue> tables;
    QStringList notes;
    ASSERT_TRUE(files::rescueInto(sound, dir.filePath(QStringLiteral("a.rep")), tables, notes).ok());
    ASSERT_FALSE(tables.isEmpty());
    for (const files::TableRescue& table : tables)
        EXPECT_EQ(table.lost, 0) << table.table.toStdString();

    const QString garbage = dir.filePath(QStringLiteral("Basura.mdb"));
    QFile file(garbage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(8192, 'x'));
    file.close();
    const QString target = dir.filePath(QStringLiteral("b.rep"));
    EXPECT_FALSE(files::rescueInto(garbage, target, tables, notes).ok());
    EXPECT_FALSE(QFileInfo::exists(target));
}

} // namespace
