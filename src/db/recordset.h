#pragma once

#include "db/dberror.h"
#include "db/fielddef.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

namespace quelmar::db {

class Database;
enum class RecordsetType;

// A column of a recordset: its name in the result, where it comes from and what the catalogue says of it.
struct FieldInfo
{
    QString name;        // the result's column name (the alias when there is one)
    QString sourceTable; // origin table, empty for expressions
    QString sourceField; // origin column, empty for expressions
    FieldDef def;        // the catalogue's description of the origin (type, size, rules, default value)
    bool writable = false;

    int type() const { return def.type; }
    int typeCode() const { return def.typeCode(); }
};

enum class EditMode
{
    None,
    Edit,
    AddNew
};

// Rows of a statement with a current position, in the manner of the engine's recordsets: a dynaset finds its
// rows by their keys, a window of rows at a time, and shows what the database holds now; a snapshot is
// read-only; a forward-only recordset steps once through its statement (exports, printing); a table recordset
// follows an index and can Seek. The record count is exact and comes from the database, never from reading
// every row.
class Recordset
{
public:
    class Source; // how rows are found: by key, or stepping through a read-only result

    Recordset(Database& database, RecordsetType type, QString jetSql, std::unique_ptr<Source> source);
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    RecordsetType type() const { return m_type; }
    QString sql() const { return m_sql; }
    bool isUpdatable() const;
    bool isRestartable() const { return true; }

    // Position. A fresh recordset is on its first row (or at BOF and EOF when it has none).
    bool bof() const { return m_position < 0; }
    bool eof() const;
    qint64 recordCount();
    qint64 absolutePosition() const; // 0-based; -1 when there is no current row
    bool setAbsolutePosition(qint64 position);
    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    void move(qint64 rows);

    // Fields.
    int fieldCount() const;
    const FieldInfo& field(int index) const;
    int fieldIndex(const QString& name) const; // -1 when absent; "Table.Field" and "[Field]" accepted
    QVariant value(int index) const; // Null as an invalid QVariant; dates as QDate (QDateTime with time)
    QVariant value(const QString& name) const;
    // Every value of the current row, in the order of the fields (empty when there is no current row).
    const QVariantList& values() const { return m_current; }
    // Up to `count` rows from position `first` on (fewer at the end), for a screen of rows at once; a row
    // deleted meanwhile comes as Nulls and leaves error 3167 in lastError(). The current row stays where it
    // was. False on any other error.
    bool readRows(qint64 first, qint64 count, QList<QVariantList>& rows);
    DbError setValue(int index, const QVariant& value);
    DbError setValue(const QString& name, const QVariant& value);

    // Finds with a criterion in the system's SQL, relative to the current row; noMatch() tells the result and
    // the position stays where it was when nothing matches.
    bool findFirst(const QString& criterion);
    bool findLast(const QString& criterion);
    bool findNext(const QString& criterion);
    bool findPrevious(const QString& criterion);
    bool noMatch() const { return m_noMatch; }

    // Table recordsets: the index in use and Seek with "=", ">=", ">", "<=" or "<" on its leading fields.
    QString index() const;
    bool seek(const QString& comparison, const QVariantList& keys);

    // Changing data.
    EditMode editMode() const { return m_editMode; }
    DbError addNew();
    DbError edit();
    // Writes the pending edit or new row; after an add-new the new row is the current one.
    DbError update();
    void cancelUpdate();
    DbError remove();
    DbError requery();

    // The last error of any operation above (cleared by the next successful one).
    const DbError& lastError() const { return m_error; }
    void close();
    bool isOpen() const { return m_source != nullptr; }

private:
    bool loadCurrent(bool fresh = false);
    void resolvePosition() const;
    DbError fail(DbError error);
    bool findFrom(const QString& criterion, qint64 start, bool forward);

    Database& m_database;
    RecordsetType m_type;
    QString m_sql;
    std::unique_ptr<Source> m_source;
    mutable qint64 m_position = -1; // -1 BOF; count EOF
    // The current row was just added and its position is not known yet (it needs the row count): which of the
    // rows added it is.
    mutable int m_addedIndex = -1;
    bool m_atEof = false;
    bool m_noMatch = false;
    bool m_currentDeleted = false; // the current row was deleted: the next row now holds its position
    bool m_currentGone = false;    // the current row was deleted by another connection: its place stays
    qint64 m_positionBeforeAdd = -1;
    int m_addedBeforeAdd = -1;
    bool m_eofBeforeAdd = false;
    EditMode m_editMode = EditMode::None;
    QVariantList m_current;  // values of the current row
    QVariantList m_original; // values when edit() began, to detect a change by someone else
    QList<bool> m_dirty;
    DbError m_error;
};

} // namespace quelmar::db
