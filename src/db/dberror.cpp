#include "db/dberror.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>

#include <sqlite3.h>

#include <optional>

namespace quelmar::db {

namespace {

// The engine's own wording; the program matches some of these substrings to translate them.
const QHash<int, QString>& descriptions()
{
    static const QHash<int, QString> texts = {
        {jeterror::RecordLockedByUser,
         QStringLiteral("Couldn't lock table '|'; currently in use by user '|' on machine '|'.")},
        {jeterror::UpdateWithoutEdit, QStringLiteral("Update or CancelUpdate without AddNew or Edit.")},
        {jeterror::NoCurrentRecord, QStringLiteral("No current record.")},
        {jeterror::DuplicateKey,
         QStringLiteral(
             "The changes you requested to the table were not successful because they would create "
             "duplicate values in the index, primary key, or relationship.  Change the data in the "
             "field or fields that contain duplicate data, remove the index, or redefine the index to "
             "permit duplicate entries and try again.")},
        {jeterror::FileNotFound, QStringLiteral("Couldn't find file '|'.")},
        {jeterror::ReadOnly, QStringLiteral("Cannot update.  Database or object is read-only.")},
        {jeterror::DiskError, QStringLiteral("Disk or network error.")},
        {jeterror::InvalidPassword, QStringLiteral("Not a valid password.")},
        {jeterror::InvalidPath,
         QStringLiteral("'|' isn't a valid path.  Make sure that the path name is spelled "
                        "correctly and that you are connected to the server on which the "
                        "file resides.")},
        {jeterror::FileInUse, QStringLiteral("Couldn't use '|'; file already in use.")},
        {jeterror::CorruptDatabase,
         QStringLiteral(
             "Can't open database '|'.  It may not be a database that your application recognizes, or "
             "the file may be corrupt.")},
        {jeterror::OpenedExclusively,
         QStringLiteral("The Microsoft Jet database engine cannot open the file '|'.  It is already opened "
                        "exclusively by another user, or you need permission to view its data.")},
        {jeterror::TooFewParameters, QStringLiteral("Too few parameters. Expected |.")},
        {jeterror::SyntaxErrorInExpression, QStringLiteral("Syntax error in query expression '|'.")},
        {jeterror::UndefinedFunction, QStringLiteral("Undefined function '|' in expression.")},
        {jeterror::InvalidStatement,
         QStringLiteral(
             "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.")},
        {jeterror::TableNotFound,
         QStringLiteral(
             "The Microsoft Jet database engine cannot find the input table or query '|'.  Make sure it "
             "exists and that its name is spelled correctly.")},
        {jeterror::RecordDeleted, QStringLiteral("Record is deleted.")},
        {jeterror::ConcurrentChange,
         QStringLiteral(
             "The Microsoft Jet database engine stopped the process because you and another user are "
             "attempting to change the same data at the same time.")},
        {jeterror::RelatedRecordsExist,
         QStringLiteral(
             "The record cannot be deleted or changed because table '|' includes related records.")},
        {jeterror::RelatedRecordRequired,
         QStringLiteral(
             "You cannot add or change a record because a related record is required in table '|'.")},
        {jeterror::InvalidOperation, QStringLiteral("Invalid operation.")},
        {jeterror::OperationNotSupported,
         QStringLiteral("Operation is not supported for this type of object.")},
        {jeterror::RecordLocked,
         QStringLiteral("Couldn't update; currently locked by user '|' on machine '|'.")},
        {jeterror::TableLocked,
         QStringLiteral("Couldn't lock table '|'; currently in use by user '|' on machine '|'.")},
        {jeterror::ItemNotFound, QStringLiteral("Item not found in this collection.")},
        {jeterror::RequiredFieldNull,
         QStringLiteral(
             "The field '|' can't contain a Null value because the Required property for this field is "
             "set to True.  Enter a value in this field.")},
        {jeterror::ZeroLengthString, QStringLiteral("Field '|' can't be a zero-length string.")},
        {jeterror::ValidationRuleViolated,
         QStringLiteral(
             "One or more values are prohibited by the validation rule '|' set for '|'.  Enter a value "
             "that the expression for this field can accept.")},
        {jeterror::UnrecognizedFormat, QStringLiteral("Unrecognized database format '|'.")},
        {jeterror::DataTypeConversion, QStringLiteral("Data type conversion error.")},
    };
    return texts;
}

// "UNIQUE constraint failed: Pagos.Ticket" -> "Pagos.Ticket".
QString constrainedField(const QString& message)
{
    const int colon = message.lastIndexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : message.mid(colon + 1).trimmed().section(QLatin1Char(','), 0, 0).trimmed();
}

// "no such table: Pagoz" -> "Pagoz".
QString afterColon(const QString& message)
{
    const int colon = message.indexOf(QLatin1Char(':'));
    return colon < 0 ? message : message.mid(colon + 1).trimmed();
}

// A reference refused by the database's triggers (or, on a server, by a foreign key): 3201 when a key the
// related table lacks was written, 3200 when a row others refer to was deleted or given another key; the
// table is the related one for 3201 and the referring one for 3200, as the engine names them.
std::optional<DbError> referenceError(const QString& message, const QString& statement)
{
    static const QRegularExpression required(
        QStringLiteral("a related record is required in table '([^']*)'"));
    static const QRegularExpression related(QStringLiteral("table '([^']*)' includes related records"));
    static const QRegularExpression notPresent(QStringLiteral("is not present in table \"([^\"]*)\""));
    static const QRegularExpression stillReferenced(
        QStringLiteral("^(?:ERROR:\\s*)?update or delete on table \"[^\"]*\" violates foreign key constraint "
                       "\"[^\"]*\" on table \"([^\"]*)\""));
    if (const QRegularExpressionMatch match = required.match(message); match.hasMatch())
        return DbError::make(jeterror::RelatedRecordRequired,
                             jetDescription(jeterror::RelatedRecordRequired, {match.captured(1)}), statement);
    if (const QRegularExpressionMatch match = related.match(message); match.hasMatch())
        return DbError::make(jeterror::RelatedRecordsExist,
                             jetDescription(jeterror::RelatedRecordsExist, {match.captured(1)}), statement);
    if (const QRegularExpressionMatch match = stillReferenced.match(message); match.hasMatch())
        return DbError::make(jeterror::RelatedRecordsExist,
                             jetDescription(jeterror::RelatedRecordsExist, {match.captured(1)}), statement);
    if (const QRegularExpressionMatch match = notPresent.match(message); match.hasMatch())
        return DbError::make(jeterror::RelatedRecordRequired,
                             jetDescription(jeterror::RelatedRecordRequired, {match.captured(1)}), statement);
    return std::nullopt;
}

} // namespace

bool DbError::isLock() const
{
    switch (number) {
    case 3009:
    case 3045:
    case 3186:
    case 3187:
    case 3188:
    case 3211:
    case 3212:
    case 3260:
    case 3261:
    case 3262:
        return true;
    default:
        return false;
    }
}

DbError DbError::make(int number, const QString& description, const QString& statement)
{
    return DbError{number, description.isEmpty() ? jetDescription(number) : description, statement};
}

QString jetDescription(int number, const QStringList& arguments)
{
    QString text =
        descriptions().value(number, QStringLiteral("Reserved error (|); there is no message for this error.")
                                         .replace(QLatin1Char('|'), QString::number(number)));
    qsizetype from = 0;
    for (const QString& argument : arguments) {
        const qsizetype slot = text.indexOf(QLatin1Char('|'), from);
        if (slot < 0)
            break;
        text.replace(slot, 1, argument);
        from = slot + argument.size();
    }
    return text.replace(QLatin1Char('|'), QString());
}

DbError fromSqlite(int extendedCode, const QString& message, const QString& statement, const QString& file)
{
    const int primary = extendedCode & 0xff;
    switch (extendedCode) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_ROWID:
        return DbError::make(jeterror::DuplicateKey, {}, statement);
    case SQLITE_CONSTRAINT_TRIGGER:
        if (const std::optional<DbError> refused = referenceError(message, statement))
            return *refused;
        break;
    case SQLITE_CONSTRAINT_NOTNULL:
        return DbError::make(jeterror::RequiredFieldNull,
                             jetDescription(jeterror::RequiredFieldNull, {constrainedField(message)}),
                             statement);
    default:
        break;
    }
    switch (primary) {
    case SQLITE_BUSY:
        return DbError::make(
            jeterror::RecordLocked,
            jetDescription(jeterror::RecordLocked, {QStringLiteral("?"), QStringLiteral("?")}), statement);
    case SQLITE_LOCKED:
        return DbError::make(
            jeterror::TableLocked,
            jetDescription(jeterror::TableLocked, {QString(), QStringLiteral("?"), QStringLiteral("?")}),
            statement);
    case SQLITE_READONLY:
        return DbError::make(jeterror::ReadOnly, {}, statement);
    case SQLITE_CANTOPEN:
        return DbError::make(jeterror::FileNotFound, jetDescription(jeterror::FileNotFound, {file}),
                             statement);
    case SQLITE_NOTADB:
        return DbError::make(jeterror::UnrecognizedFormat,
                             jetDescription(jeterror::UnrecognizedFormat, {file}), statement);
    case SQLITE_CORRUPT:
        return DbError::make(jeterror::CorruptDatabase, jetDescription(jeterror::CorruptDatabase, {file}),
                             statement);
    case SQLITE_FULL:
    case SQLITE_IOERR:
        if (file.isEmpty())
            return DbError::make(jeterror::DiskError, {}, statement);
        return DbError::make(jeterror::DiskError,
                             jetDescription(jeterror::DiskError) +
                                 QStringLiteral(" ('%1': %2)").arg(file, message),
                             statement);
    case SQLITE_MISMATCH:
        return DbError::make(jeterror::DataTypeConversion, {}, statement);
    case SQLITE_CONSTRAINT:
        return DbError::make(jeterror::ValidationRuleViolated,
                             jetDescription(jeterror::ValidationRuleViolated, {message, QString()}),
                             statement);
    case SQLITE_ERROR:
        if (message.startsWith(QLatin1String("no such table")))
            return DbError::make(jeterror::TableNotFound,
                                 jetDescription(jeterror::TableNotFound, {afterColon(message)}), statement);
        if (message.startsWith(QLatin1String("no such column")))
            return DbError::make(jeterror::TooFewParameters,
                                 jetDescription(jeterror::TooFewParameters, {QStringLiteral("1")}),
                                 statement);
        return DbError::make(jeterror::TooFewParameters,
                             QStringLiteral("Syntax error in query. (%1)").arg(message), statement);
    default:
        return DbError::make(jeterror::TooFewParameters, QStringLiteral("%1").arg(message), statement);
    }
}

DbError fromPostgres(const QString& sqlState, const QString& message, const QString& statement,
                     const QString& constraintOrColumn)
{
    const QString lockedBy =
        jetDescription(jeterror::RecordLocked, {QStringLiteral("?"), QStringLiteral("?")});
    if (sqlState == QLatin1String("23505"))
        return DbError::make(jeterror::DuplicateKey, {}, statement);
    if (sqlState == QLatin1String("23503")) {
        if (const std::optional<DbError> refused = referenceError(message, statement))
            return *refused;
        return DbError::make(jeterror::RelatedRecordRequired,
                             jetDescription(jeterror::RelatedRecordRequired, {constraintOrColumn}),
                             statement);
    }
    if (sqlState == QLatin1String("23502"))
        return DbError::make(jeterror::RequiredFieldNull,
                             jetDescription(jeterror::RequiredFieldNull, {constraintOrColumn}), statement);
    if (sqlState == QLatin1String("23514"))
        return DbError::make(jeterror::ValidationRuleViolated,
                             jetDescription(jeterror::ValidationRuleViolated, {message, constraintOrColumn}),
                             statement);
    // Serialization failure, deadlock, a lock not granted in time, a statement stopped by lock_timeout.
    if (sqlState == QLatin1String("40001") || sqlState == QLatin1String("40P01") ||
        sqlState == QLatin1String("55P03"))
        return DbError::make(jeterror::RecordLocked, lockedBy, statement);
    if (sqlState == QLatin1String("55006"))
        return DbError::make(
            jeterror::TableLocked,
            jetDescription(jeterror::TableLocked, {QString(), QStringLiteral("?"), QStringLiteral("?")}),
            statement);
    if (sqlState == QLatin1String("25006") || sqlState == QLatin1String("42501"))
        return DbError::make(jeterror::ReadOnly, {}, statement);
    if (sqlState == QLatin1String("28P01") || sqlState == QLatin1String("28000"))
        return DbError::make(jeterror::InvalidPassword, {}, {});
    if (sqlState == QLatin1String("3D000"))
        return DbError::make(jeterror::FileNotFound, jetDescription(jeterror::FileNotFound, {statement}), {});
    // Connection exceptions, the server shutting down, too many connections, out of disk.
    if (sqlState.startsWith(QLatin1String("08")) || sqlState.startsWith(QLatin1String("57P")) ||
        sqlState == QLatin1String("53300") || sqlState == QLatin1String("53100"))
        return DbError::make(jeterror::DiskError, {}, statement);
    if (sqlState == QLatin1String("42P01"))
        return DbError::make(jeterror::TableNotFound,
                             jetDescription(jeterror::TableNotFound, {constraintOrColumn}), statement);
    if (sqlState == QLatin1String("42703"))
        return DbError::make(jeterror::TooFewParameters,
                             jetDescription(jeterror::TooFewParameters, {QStringLiteral("1")}), statement);
    // Invalid text for a number or a date, a value out of range, a division by zero.
    if (sqlState.startsWith(QLatin1String("22")))
        return DbError::make(jeterror::DataTypeConversion, {}, statement);
    if (sqlState.startsWith(QLatin1String("42")))
        return DbError::make(jeterror::TooFewParameters,
                             QStringLiteral("Syntax error in query. (%1)").arg(message), statement);
    return DbError::make(jeterror::TooFewParameters, message, statement);
}

} // namespace quelmar::db
