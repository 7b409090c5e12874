#include "query/arrel.h"

#include "core/relationrules.h"
#include "db/database.h"
#include "db/recordset.h"
#include "engine/bdats.h"
#include "engine/fieldrules.h"
#include "engine/gridmodes.h"
#include "panels/choosefromlist.h"
#include "panels/mainform.h"
#include "panels/standardbox.h"
#include "query/structurelists.h"
#include "session/session.h"

#include <QHash>
#include <QRegularExpression>

namespace quelmar::query {

namespace arrel {

QString stepStatement(const QString& fieldList, bool hasKeyField, const QString& table)
{
    QStringList fields;
    for (const QString& field : fieldList.split(u',', Qt::SkipEmptyParts)) {
        if (field.trimmed().compare(QLatin1String("Clave"), Qt::CaseInsensitive) != 0)
            fields.append(field.trimmed());
    }
    if (hasKeyField)
        fields.append(QStringLiteral("Clave"));
    return QStringLiteral("SELECT ") + fields.join(u',') + QStringLiteral(" FROM ") + table;
}

QString stepTitle(const QString& relatedTable, bool editing, const QString& previousTable,
                  const QString& previousFirstField)
{
    return relatedTable + (editing ? QStringLiteral(" - ") : QStringLiteral(" de ")) + previousTable + u'-' +
           previousFirstField;
}

QString tableOnly(const QString& relatedTable)
{
    static const QRegularExpression where(QStringLiteral("\\s+WHERE\\b.*$"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    return QString(relatedTable).remove(where).trimmed();
}

} // namespace arrel

namespace {

constexpr int EditingVariant = 133;

// The record a step stands on: its fields by name (the values as text).
struct StepRecord
{
    QString table;
    QHash<QString, QString> values; // by lower-case field name
    QString firstField;

    QString value(const QString& field) const { return values.value(field.toLower()); }
};

QString bare(QString name)
{
    name = name.trimmed();
    if (name.startsWith(u'[') && name.endsWith(u']'))
        name = name.mid(1, name.size() - 2);
    return name.section(u'.', -1);
}

// The row chosen in the grid of the first step.
StepRecord gridRecord(Session& session, const QString& table, int row)
{
    StepRecord record{table, {}, {}};
    const auto& fields = session.engine.FieldTable;
    for (int column = 0; column < fields.size(); ++column) {
        const QString text = engine::GridCell(session, row, column + 1);
        record.values.insert(bare(fields.at(column).name).toLower(), text);
        if (column == 0)
            record.firstField = text;
    }
    return record;
}

// The record of the panel shown by a later step.
StepRecord panelRecord(Session& session, const QString& table)
{
    StepRecord record{table, {}, {}};
    db::Recordset* rows = session.engine.PanelRecordset.get();
    if (!rows || rows->eof() || rows->bof())
        return record;
    for (int field = 0; field < rows->fieldCount(); ++field) {
        const QString text = rows->value(field).toString();
        record.values.insert(bare(rows->field(field).name).toLower(), text);
        if (field == 0)
            record.firstField = text;
    }
    return record;
}

bool isTable(Session& session, const QString& table)
{
    for (const TableListRow& row : std::as_const(session.database.TableList)) {
        if (row.name.compare(table, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

panels::ListPlacement listPlacement(Session& session)
{
    panels::ListPlacement placement;
    placement.topTwips = 600;
    if (session.k)
        placement.widthTwips = session.k->widthTwips() - 1500;
    return placement;
}

void tell(Session& session, const QString& text)
{
    panels::MessageBox(session, text);
}

// The step's statement for a table: its fields from the second on, with its key.
QString statementOf(Session& session, const QString& table)
{
    QString name = table;
    QStringList unused;
    StructureList(session, QStringLiteral("DatSQL"), name, 0, 0, unused);
    bool hasKey = false;
    if (db::Database* database = session.database.CurrentDatabase.get())
        hasKey = !database->field(table, QStringLiteral("Clave")).name.isEmpty();
    return arrel::stepStatement(session.engine.SelectedValue, hasKey, table);
}

// The relation the user follows from the record, when one is chosen.
struct Followed
{
    QString field;
    relation::RelationDef relation;
};

std::optional<Followed> chooseRelation(Session& session, const QString& table)
{
    QString name = table;
    QStringList entries;
    StructureList(session, QStringLiteral("DatRel"), name, 0, 0, entries);
    if (entries.isEmpty())
        return std::nullopt;
    QStringList labels;
    for (const QString& entry : std::as_const(entries))
        labels.append(entry.section(u'\t', 0, 0) + QStringLiteral(" → ") + entry.section(u'\t', 1, 1));
    int chosen = 0;
    QString answer;
    panels::ChooseFromList(session, QStringLiteral("U"), QStringLiteral("Elige Dato de seguimiento"), labels,
                           chosen, answer, listPlacement(session));
    if (chosen < 1 || chosen > entries.size())
        return std::nullopt;
    const QString field = entries.at(chosen - 1).section(u'\t', 0, 0);
    db::Database* database = session.database.CurrentDatabase.get();
    const std::optional<relation::RelationDef> relation =
        database ? relation::parseRelation(database->field(table, field).defaultValue) : std::nullopt;
    if (!relation)
        return std::nullopt;
    return Followed{field, *relation};
}

bool askRestart(Session& session)
{
    return panels::MessageBox(session, QStringLiteral("¿Reinicia el seguimiento?"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Question,
                              QStringLiteral("Seguimiento")) == QMessageBox::Yes;
}

} // namespace

void ArRel(Session& session, QString table, const QString& mode, const QString& key, const QString& keyField,
           const QString& title)
{
    auto& codes = session.codes;
    auto& engine = session.engine;
    const bool editing = mode.compare(QLatin1String("Edita"), Qt::CaseInsensitive) == 0;
    codes.PresentationVariant = 0;
    if (table.isEmpty()) {
        QString none;
        QStringList tables;
        StructureList(session, QStringLiteral("ArRel"), none, 0, 0, tables);
        if (tables.isEmpty()) {
            tell(session, QStringLiteral("La base de datos no tiene datos relacionados con otros archivos."));
            return;
        }
        int chosen = 0;
        QString answer;
        panels::ChooseFromList(session, QStringLiteral("U"), QStringLiteral("Selecciona Archivo"), tables,
                               chosen, answer, listPlacement(session));
        if (chosen < 1)
            return;
        table = tables.at(chosen - 1);
    }
    table = arrel::tableOnly(table);
    if (!isTable(session, table))
        return;

    const QString firstTable = table;
    StepRecord first;  // the record the walk began at
    StepRecord record; // the record the walk stands on
    int count = 0;
    QString stepKey = key;
    QString stepKeyField = keyField.isEmpty() ? QStringLiteral("Clave") : keyField;
    QString stepTitleText = title;

    // Step 3: the table's records, the first chosen from a grid (or given), the later ones presented.
    auto step = [&]() -> bool {
        QString statement = statementOf(session, table);
        if (count == 0 && stepKey.isEmpty()) {
            if (editing)
                codes.PresentationVariant = EditingVariant;
            QString gridMode = QStringLiteral("TabSel");
            int sourceKind = 2;
            QString gridTitle = table + QStringLiteral(" - Elige con doble toque");
            QString options = QStringLiteral("Sele");
            int width = 0;
            engine::BDats(session, gridMode, sourceKind, gridTitle, statement, options, width);
            if (engine.SelectedRow < 1)
                return false;
            record = gridRecord(session, table, engine.SelectedRow);
        } else {
            statement += QStringLiteral(" WHERE ") + stepKeyField + u'=' + stepKey;
            const QString heading = stepTitleText.isEmpty()
                                        ? arrel::stepTitle(table, editing, first.table, first.firstField)
                                        : stepTitleText;
            engine::BDats(session, editing ? QStringLiteral("Edita") : QStringLiteral("Presenta"), 1, heading,
                          statement);
            if (codes.EngineStatus != 0 || !engine.PanelRecordset ||
                engine.PanelRecordset->recordCount() == 0)
                return false;
            record = panelRecord(session, table);
        }
        if (count == 0)
            first = record;
        return true;
    };

    bool ended = !step();
    for (;;) {
        if (!ended) {
            // Step 4: the relation followed from the record.
            const std::optional<Followed> followed = chooseRelation(session, table);
            if (!followed) {
                tell(session, QStringLiteral("Terminaron las relaciones."));
            } else {
                const QString value =
                    relation::relationKey(engine::cleanNumberText(record.value(followed->field)))
                        .value_or(QString());
                bool ok = false;
                if (!value.isEmpty() && value.toDouble(&ok) >= 1 && ok) {
                    const QString related = followed->relation.table;
                    if (related.contains(QLatin1String("Inner"), Qt::CaseInsensitive)) {
                        tell(session, QStringLiteral("No puede seguirse esta relación"));
                    } else {
                        ++count;
                        stepTitleText = arrel::stepTitle(arrel::tableOnly(related), editing, record.table,
                                                         record.firstField);
                        table = arrel::tableOnly(related);
                        stepKey = value;
                        stepKeyField = followed->relation.keyField();
                        if (step())
                            continue;
                        tell(session, QStringLiteral("Terminaron las relaciones."));
                    }
                } else {
                    tell(session, QStringLiteral("No esta definida la relación con ") + followed->field);
                }
            }
        }
        // Step 6: the walk may begin again from the record it began at.
        if (first.table.isEmpty() || !askRestart(session))
            return;
        count = 0;
        table = firstTable;
        stepKey = key;
        stepKeyField = keyField.isEmpty() ? QStringLiteral("Clave") : keyField;
        stepTitleText = title;
        if (key.isEmpty()) {
            record = first;
            ended = false;
        } else {
            ended = !step();
        }
    }
}

} // namespace quelmar::query
