#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace quelmar::db {
class Recordset;
}

// The engine's description of the columns of a result (`FieldTable`): one row per column, built from the
// recordset's own field metadata when a result is loaded, read by the panel and grid layouts, the field
// checks and every caller that looks at a loaded result.
namespace quelmar::engine {

// One row of `FieldTable` (the seven columns 0..6, in order).
struct FieldRow
{
    QString title;        // 0: tool-tip title from `FieldTitles`; empty when none is given
    QString name;         // 1: the column's name in the result; "[Fecha de Alta]" when it has a blank
    int type = 0;         // 2: Jet type (1 Boolean … 12 Memo), 20 classifier, 21 relation
    int size = 0;         // 3: size (characters for Text)
    QString format;       // 4: display format chosen by type (see displayFormat)
    QString defaultValue; // 5: the default value as stored in the schema, "!C"/"!R" markers included
    int editable = 0;     // 6: -1 editable, 0 read-only; set only by capture and edit work
};

// The rows of `FieldTable` for every column of the recordset, in result order. The type is the field's type
// code (20 when its default value holds "!C", 21 when it holds "!R"), and the display format follows that
// code, so classifier and relation fields have none. Columns computed by an expression have no source table
// and take no title. The editable flag is left at 0.
QList<FieldRow> buildFieldTable(const db::Recordset& recordset, const QStringList& fieldTitles);

// The name as `FieldTable` keeps it: a name with a blank and no "[" is enclosed in brackets.
QString fieldTableName(const QString& name);

// The title of a source field: the text after the first ":" of the first `FieldTitles` entry whose part
// before ":" is "table.field" (compared without regard to case or surrounding blanks), trimmed. Empty when
// no entry names it or the table is empty.
QString fieldTitle(const QStringList& fieldTitles, const QString& table, const QString& field);

// The display format of a type code: Boolean none; Byte "#0"; Integer "#,##0"; Long "###,###,##0";
// Currency "###,###,###,##0.00"; Single "###,###,###,##0.######"; Double "###,###,###,###,##0.#####";
// Date "dd-mmm-yy", or "hh:mm" when the field name contains "Hora" (as written); Text, Memo, classifier,
// relation and other codes none.
QString displayFormat(int type, const QString& fieldName);

// The size a field is laid out with on a panel: a Text field counts as at most 70 characters; other types
// keep their size.
int layoutSize(int type, int size);

} // namespace quelmar::engine
