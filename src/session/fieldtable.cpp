#include "session/fieldtable.h"

#include "db/fielddef.h"
#include "db/recordset.h"

#include <algorithm>

namespace quelmar::engine {

namespace jettype = db::jettype;

QList<FieldRow> buildFieldTable(const db::Recordset& recordset, const QStringList& fieldTitles)
{
    QList<FieldRow> rows;
    rows.reserve(recordset.fieldCount());
    for (int i = 0; i < recordset.fieldCount(); ++i) {
        const db::FieldInfo& info = recordset.field(i);
        FieldRow row;
        row.title = fieldTitle(fieldTitles, info.sourceTable, info.sourceField);
        row.name = fieldTableName(info.name);
        row.type = info.typeCode();
        row.size = info.def.size;
        row.format = displayFormat(row.type, info.name);
        row.defaultValue = info.def.defaultValue;
        rows.append(row);
    }
    return rows;
}

QString fieldTableName(const QString& name)
{
    if (name.contains(QLatin1Char(' ')) && !name.contains(QLatin1Char('[')))
        return QLatin1Char('[') + name + QLatin1Char(']');
    return name;
}

QString fieldTitle(const QStringList& fieldTitles, const QString& table, const QString& field)
{
    if (table.isEmpty() || field.isEmpty())
        return {};
    const QString key = table + QLatin1Char('.') + field;
    for (const QString& entry : fieldTitles) {
        const qsizetype colon = entry.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        if (entry.left(colon).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return entry.mid(colon + 1).trimmed();
    }
    return {};
}

QString displayFormat(int type, const QString& fieldName)
{
    switch (type) {
    case jettype::Byte:
        return QStringLiteral("#0");
    case jettype::Integer:
        return QStringLiteral("#,##0");
    case jettype::Long:
        return QStringLiteral("###,###,##0");
    case jettype::Currency:
        return QStringLiteral("###,###,###,##0.00");
    case jettype::Single:
        return QStringLiteral("###,###,###,##0.######");
    case jettype::Double:
        return QStringLiteral("###,###,###,###,##0.#####");
    case jettype::Date:
        return fieldName.contains(QLatin1String("Hora")) ? QStringLiteral("hh:mm")
                                                         : QStringLiteral("dd-mmm-yy");
    default:
        return {};
    }
}

int layoutSize(int type, int size)
{
    constexpr int widestText = 70;
    return type == jettype::Text ? std::min(size, widestText) : size;
}

} // namespace quelmar::engine
