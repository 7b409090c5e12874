#include "engine/validatefields.h"

#include "db/recordset.h"
#include "engine/fieldrules.h"
#include "engine/gridmodel.h"
#include "engine/gridview.h"
#include "engine/panelview.h"
#include "panels/mainform.h"
#include "panels/standardbox.h"
#include "session/session.h"

#include <QApplication>
#include <QFrame>

namespace quelmar::engine {

namespace {

bool checkOne(Session& session, PanelView& panel, int kind, int index)
{
    const db::Recordset* rows = session.engine.PanelRecordset.get();
    if (!rows || index < 1 || index > rows->fieldCount() || index > session.engine.FieldTable.size())
        return true;
    const FieldRow& row = session.engine.FieldTable.at(index - 1);
    if (row.editable == 0)
        return true;
    const db::FieldInfo& info = rows->field(index - 1);
    const QString value = panel.checkValue(index);
    const FieldCheck check = checkPanelField(
        info.def, info.sourceField.isEmpty() ? info.name : info.sourceField, value, kind, row.format);
    if (!check.failed)
        return true;
    session.dialog.ValidationMessage = check.message;
    return false;
}

} // namespace

void ValidateFields(Session& session, const QString& mode, int& kind, int index, int& failed)
{
    session.errors.RoutineName = QStringLiteral("ValidateFields");
    failed = 0;
    const QString which = mode.toLower();
    if (which == QLatin1String("tab") || which == QLatin1String("tabcol")) {
        GridView* view = session.engine.grid.get();
        if (!view || !view->model() || view->currentRow() < 0)
            return;
        kind = capturekind::GridColumn;
        failed = which == QLatin1String("tab")
                     ? view->validateRow(view->currentRow())
                     : view->validateColumn(index, view->cellText(view->currentRow(), index));
        return;
    }
    PanelView* panel = session.engine.panel.get();
    if (!panel)
        return;
    QWidget* frame = session.k ? session.k->fixedPanel() : nullptr;
    if (which == QLatin1String("panel")) {
        if (!checkOne(session, *panel, kind, index)) {
            failed = 1;
            QApplication::beep();
            QApplication::beep();
        }
        return;
    }
    if (which != QLatin1String("dato") || session.engine.WorkState < 1)
        return;
    if (frame)
        frame->setEnabled(false);
    for (int field = 1; field <= session.engine.FieldTable.size(); ++field) {
        kind = session.engine.CaptureKinds.value(field - 1, capturekind::None);
        if (checkOne(session, *panel, kind, field))
            continue;
        failed = 1;
        panel->setColour(field, fieldcolour::Failed);
        QApplication::beep();
        QApplication::beep();
        if (frame)
            frame->setEnabled(true);
        panels::MessageBox(session, session.dialog.ValidationMessage, QMessageBox::Ok, QMessageBox::Warning,
                           QStringLiteral("Revise Dato"));
        session.dialog.ValidationMessage.clear();
        break;
    }
    if (frame)
        frame->setEnabled(true);
}

} // namespace quelmar::engine
