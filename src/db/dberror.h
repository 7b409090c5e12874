#pragma once

#include <QString>
#include <QStringList>

namespace quelmar::db {

// Error numbers of the database engine the office program was written against; the program's messages and
// retry rules are keyed on them, so every backend error is mapped to one of these.
namespace jeterror {
inline constexpr int None = 0;
inline constexpr int RecordLockedByUser = 3009;
inline constexpr int InvalidOperation = 3219;
inline constexpr int UpdateWithoutEdit = 3020;
inline constexpr int NoCurrentRecord = 3021;
inline constexpr int DuplicateKey = 3022;
inline constexpr int FileNotFound = 3024;
inline constexpr int ReadOnly = 3027;
inline constexpr int DiskError = 3043;
inline constexpr int InvalidPath = 3044;
inline constexpr int InvalidPassword = 3031;
inline constexpr int FileInUse = 3045;
inline constexpr int CorruptDatabase = 3049;
inline constexpr int OpenedExclusively = 3051;
inline constexpr int TooFewParameters = 3061; // unknown field names and statements that do not parse
inline constexpr int SyntaxErrorInExpression = 3075;
inline constexpr int UndefinedFunction = 3085;
inline constexpr int InvalidStatement = 3129;
inline constexpr int TableNotFound = 3078;
inline constexpr int ItemNotFound = 3265;
inline constexpr int RecordDeleted = 3167;
inline constexpr int ConcurrentChange = 3197;
inline constexpr int RelatedRecordsExist = 3200;   // a row others refer to cannot be deleted or rekeyed
inline constexpr int RelatedRecordRequired = 3201; // a relation key the related table lacks
inline constexpr int OperationNotSupported = 3251;
inline constexpr int RecordLocked = 3260;
inline constexpr int TableLocked = 3261;
inline constexpr int RequiredFieldNull = 3314;
inline constexpr int ZeroLengthString = 3315;
inline constexpr int ValidationRuleViolated = 3317;
inline constexpr int UnrecognizedFormat = 3343;
inline constexpr int DataTypeConversion = 3421;
} // namespace jeterror

// An error as a value: the engine number, its English description (which contains the texts the program
// matches to translate it), and the statement that failed, when there is one. Number 0 means no error.
struct DbError
{
    int number = jeterror::None;
    QString description;
    QString statement;

    bool ok() const { return number == jeterror::None; }
    bool isLock() const;
    explicit operator bool() const { return !ok(); }

    static DbError make(int number, const QString& description = {}, const QString& statement = {});
};

// The standard description of an engine error number, with its "|" slots filled by the arguments in order.
QString jetDescription(int number, const QStringList& arguments = {});

// Maps an SQLite result (extended code and message) to the engine's numbers. A failure of the file itself (it
// cannot be opened, is not a database, is damaged) names `file`; the statement is kept apart from it.
DbError fromSqlite(int extendedCode, const QString& message, const QString& statement,
                   const QString& file = {});

// Maps a PostgreSQL server's error (its five-character SQLSTATE, its message, and the constraint or column it
// names, when it names one) to the engine's numbers. Lock waits, deadlocks and serialization failures are the
// lock errors, which the program retries; a lost or refused connection is a network error.
DbError fromPostgres(const QString& sqlState, const QString& message, const QString& statement,
                     const QString& constraintOrColumn = {});

} // namespace quelmar::db
