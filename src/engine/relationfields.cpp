#include "engine/relationfields.h"

#include "core/relationrules.h"
#include "db/database.h"
#include "db/recordset.h"
#include "engine/bdats.h"
#include "engine/engineservices.h"
#include "engine/fieldrules.h"
#include "engine/gridmodes.h"
#include "engine/masterdetail.h"
#include "engine/panelview.h"
#include "panels/mainform.h"
#include "panels/standardbox.h"
#include "session/session.h"

#include <QFrame>
#include <QLineEdit>

#include <optional>
#include <utility>

namespace quelmar::engine {

namespace {

// The marker a caller leaves in DetailSQL to restrict the choice grid with the condition in MasterKeyField.
const QString RestrictionMarker = QStringLiteral("Rel-Sel");
constexpr int RelationChoiceVariant = 303;

QLineEdit* fieldEdit(Session& session, int field)
{
    PanelView* panel = session.engine.panel.get();
    return panel ? qobject_cast<QLineEdit*>(panel->control(field)) : nullptr;
}

std::optional<relation::RelationDef> relationOf(Session& session, int field)
{
    if (field < 1 || field > session.engine.FieldTable.size())
        return std::nullopt;
    return relation::parseRelation(session.engine.FieldTable.at(field - 1).defaultValue);
}

QString caption(const QString& name)
{
    if (name.startsWith(u'[') && name.endsWith(u']'))
        return name.mid(1, name.size() - 2);
    return name;
}

// The description of a key, read with one keyed statement; none when the read failed. A key the related table
// lacks has an empty description.
std::optional<QStringList> describe(Session& session, const relation::RelationDef& relation,
                                    const QString& key)
{
    db::Database* database = session.database.CurrentDatabase.get();
    const QString statement = relation::descriptionStatement(relation, key);
    if (!database || statement.isEmpty())
        return std::nullopt;
    db::DbError error;
    const std::unique_ptr<db::Recordset> rows =
        database->openRecordset(statement, db::RecordsetType::ForwardOnly, error);
    if (!rows || error)
        return std::nullopt;
    QStringList values;
    if (rows->eof())
        return values;
    for (int i = 0; i < rows->fieldCount(); ++i)
        values.append(rows->value(i).toString());
    return values;
}

void placeDescription(Session& session, int field)
{
    const std::optional<relation::RelationDef> relation = relationOf(session, field);
    QLineEdit* edit = fieldEdit(session, field);
    if (!relation || !edit)
        return;
    const std::optional<QString> key = relation::relationKey(cleanNumberText(edit->text()));
    if (!key)
        return;
    const std::optional<QStringList> description = describe(session, *relation, *key);
    if (!description)
        return;
    edit->setText(relation::shownValue(*key, *description));
    edit->setCursorPosition(0);
}

void stripDescription(Session& session, int field)
{
    if (!relationOf(session, field))
        return;
    const bool capturing = session.engine.WorkState == 2;
    if (capturing && session.engine.FieldTable.at(field - 1).editable == 0)
        return;
    if (QLineEdit* edit = fieldEdit(session, field))
        edit->setText(relation::strippedValue(edit->text()));
}

// What a grid or a nested screen changes in the engine's shared state while the panel waits: the plain values
// (the recordsets and views are kept by their owners).
class EngineSnapshot
{
public:
    explicit EngineSnapshot(Session& owner)
        : m_session(owner), m_querySql(owner.engine.QuerySQL), m_currentSql(owner.engine.CurrentSQL),
          m_recordCount(owner.engine.RecordCount), m_fieldCount(owner.engine.FieldCount),
          m_fieldTable(owner.engine.FieldTable), m_captureKinds(owner.engine.CaptureKinds),
          m_protectedFields(owner.engine.ProtectedFields), m_fixedValues(owner.engine.FixedValues),
          m_helpTopic(owner.engine.HelpTopic), m_workState(owner.engine.WorkState),
          m_commandCode(owner.codes.CommandCode), m_tableCommand(owner.codes.TableCommand),
          m_variant(owner.codes.PresentationVariant), m_status(owner.codes.EngineStatus)
    {}

    void restore()
    {
        auto& engine = m_session.engine;
        engine.QuerySQL = m_querySql;
        engine.CurrentSQL = m_currentSql;
        engine.RecordCount = m_recordCount;
        engine.FieldCount = m_fieldCount;
        engine.FieldTable = m_fieldTable;
        engine.CaptureKinds = m_captureKinds;
        engine.ProtectedFields = m_protectedFields;
        engine.FixedValues = m_fixedValues;
        engine.HelpTopic = m_helpTopic;
        engine.WorkState = m_workState;
        m_session.codes.CommandCode = m_commandCode;
        m_session.codes.TableCommand = m_tableCommand;
        m_session.codes.PresentationVariant = m_variant;
        m_session.codes.EngineStatus = m_status;
    }

private:
    Session& m_session;
    QString m_querySql;
    QString m_currentSql;
    qint64 m_recordCount;
    int m_fieldCount;
    QList<FieldRow> m_fieldTable;
    QList<int> m_captureKinds;
    QString m_protectedFields;
    QString m_fixedValues;
    QString m_helpTopic;
    int m_workState;
    int m_commandCode;
    int m_tableCommand;
    int m_variant;
    int m_status;
};

// Picks the related value of a field from the grid of its related table.
void pick(Session& session, int field)
{
    const std::optional<relation::RelationDef> relation = relationOf(session, field);
    QLineEdit* edit = fieldEdit(session, field);
    if (!relation || !edit || !edit->isEnabled() || session.engine.WorkState == 0)
        return;
    auto& engine = session.engine;
    const QString restriction =
        engine.MasterDetail == 0 && engine.DetailSQL == RestrictionMarker ? engine.MasterKeyField : QString();
    const relation::PickStatement choice = relation::pickStatement(*relation, restriction);
    const QString title =
        relation::pickTitle(engine.WorkState == 2, caption(engine.FieldTable.at(field - 1).name));
    const int descriptionColumns = static_cast<int>(relation->descriptionFields().size());

    EngineSnapshot saved(session);
    if (PanelView* panel = engine.panel.get())
        panel->setButtonsVisible(false);
    session.codes.CommandCode = 0;
    if (choice.ordered)
        session.codes.PresentationVariant = RelationChoiceVariant;
    BDats(session, QStringLiteral("TabRel"), 2, title, choice.statement, QStringLiteral("Sel"));
    QString shown;
    if (!engine.SelectedValue.isEmpty() && engine.SelectedRow > 0) {
        const std::optional<QString> key = relation::relationKey(cleanNumberText(engine.SelectedValue));
        QStringList description;
        for (int column = 2; column <= descriptionColumns + 1; ++column)
            description.append(GridCell(session, engine.SelectedRow, column));
        shown = relation::shownValue(key.value_or(engine.SelectedValue.trimmed()), description);
    }
    saved.restore();
    if (PanelView* panel = engine.panel.get()) {
        panel->showPanel();
        panel->setButtonsVisible(true);
    }
    // The detail grid below a master panel shares the grid the choice was made on.
    if (engine.MasterDetail > 0)
        MDSinc(session);
    if (QLineEdit* again = fieldEdit(session, field)) {
        if (!shown.isEmpty()) {
            again->setText(shown);
            again->setCursorPosition(0);
        }
        again->setFocus(Qt::OtherFocusReason);
    }
    if (PanelView* panel = engine.panel.get())
        panel->transcribe();
}

// Shows the record a presented field refers to, and lets the user follow the relations on from there. The
// panel on screen steps aside (its recordset and controls kept) while the related records take the panel.
void showRelated(Session& session, int field)
{
    const std::optional<relation::RelationDef> relation = relationOf(session, field);
    QLineEdit* edit = fieldEdit(session, field);
    auto& engine = session.engine;
    if (!relation || !edit || !engine.panel)
        return;
    const QString fieldName = caption(engine.FieldTable.at(field - 1).name);
    const QString key = relation::relationKey(cleanNumberText(edit->text())).value_or(QString());
    if (key.isEmpty()) {
        panels::MessageBox(session, QStringLiteral("No esta definida la relación con ") + fieldName);
        return;
    }
    EngineSnapshot saved(session);
    const std::shared_ptr<PanelView> panel = std::move(engine.panel);
    std::unique_ptr<db::Recordset> rows = std::move(engine.PanelRecordset);
    QWidget* frame = session.k ? session.k->fixedPanel() : nullptr;
    const QRect geometry = frame ? frame->geometry() : QRect();
    const int masterDetail = std::exchange(engine.MasterDetail, 0);
    panel->hidePanel();
    session.codes.CommandCode = 0;

    services(session).ArRel(session, relation->table, QStringLiteral("Ver"), key, relation->keyField(),
                            QStringLiteral("Información de: ") + fieldName);

    BDats(session, QStringLiteral("Quita"), 0, QString(), QString());
    engine.panel = panel;
    engine.PanelRecordset = std::move(rows);
    engine.MasterDetail = masterDetail;
    saved.restore();
    if (frame)
        frame->setGeometry(geometry);
    panel->showPanel();
    panel->setButtonsVisible(true);
    if (engine.MasterDetail > 0)
        MDSinc(session);
    panel->transcribe();
}

} // namespace

void RelationRoutine(Session& session, const QString& command, int field)
{
    if (!session.engine.panel)
        return;
    const QString lower = command.trimmed().toLower();
    const int count = static_cast<int>(session.engine.FieldTable.size());
    const int first = field > 0 ? field : 1;
    const int last = field > 0 ? qMin(field, count) : count;
    if (lower == QLatin1String("pon")) {
        for (int f = first; f <= last; ++f)
            placeDescription(session, f);
    } else if (lower == QLatin1String("quita")) {
        for (int f = first; f <= last; ++f)
            stripDescription(session, f);
    } else if (lower == QLatin1String("edi")) {
        if (session.engine.WorkState == 0)
            showRelated(session, field);
        else
            pick(session, field);
    } else if (lower == QLatin1String("capt")) {
        pick(session, field);
    }
}

} // namespace quelmar::engine
