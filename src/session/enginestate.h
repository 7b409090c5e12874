#pragma once

#include "db/dberror.h"
#include "session/fieldtable.h"
#include "session/lockretries.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace quelmar::db {
class Recordset;
}

namespace quelmar::engine {
class EngineServices;
class GridView;
class PanelView;
} // namespace quelmar::engine

namespace quelmar {

// The presentation engine's shared state: what the last load left for its callers and what the panel on
// screen works with.
struct EngineState
{
    QString QuerySQL;   // the statement callers fill and pass to BDats
    QString CurrentSQL; // the statement of the presentation on screen
    qint64 RecordCount = 0;
    int FieldCount = 0;
    QList<engine::FieldRow> FieldTable; // FieldTable[0] is field 1
    QList<int> CaptureKinds;            // CaptureKinds[0] is field 1 (engine::capturekind)
    QString ProtectedFields;
    QString FixedValues;
    QStringList FieldTitles;
    QString HelpTopic;
    int WorkState = 0;           // 0 presentation, 1 editing, 2 capture
    int SavedCount = 0;          // records written by the current capture or edit; -1 after a deletion
    engine::LockRetries Retries; // shared by the silent load handler and the interactive handler
    // The failure that ended the last load under the silent handler, which shows nothing: the number in
    // EngineStatus and the database's own description, for the caller that has to tell it. None after a load
    // that went through.
    db::DbError LoadFailure;
    bool printOpen = false; // RepImp("Ini") ran and RepImp("Fin") has not

    std::unique_ptr<db::Recordset> PanelRecordset; // the recordset of the panel data control `dato`
    std::shared_ptr<engine::PanelView> panel;      // the panel on `dfija`, when one is built
    std::shared_ptr<engine::GridView> grid;        // the grid `TabSec` and its data control, once used
    int SelectedRow = 0;    // a grid or list selection: 1-based row chosen, 0 none, -1 all
    QString SelectedValue;  // the chosen key cell's text; "Todos" when all were chosen
    QList<int> CheckedRows; // the check table: the rows (0-based) marked when the user carried them out
    int GridKey = 0; // the flexible grid `Tabla`: 1 Enter, 2 Esc, otherwise the key code or mouse button
    std::shared_ptr<engine::EngineServices> services; // the wizard, printing, tips and relations

    // The master-detail pair (MtroDet, MDSinc): a grid of detail records below the panel of master records.
    // The restricted choice of a relation field ("Rel-Sel") borrows DetailSQL and MasterKeyField while no
    // pair is active.
    int MasterDetail = 0;   // 0 none; 1 the detail follows the panel's record; 2 the detail has a fixed key
    QString DetailSQL;      // "SELECT fields FROM table WHERE key = ", the key value still to come
    QString MasterKeyField; // the master key's field in the panel's recordset, without "table."
    QString DetailOrder;    // the detail's order clause followed by one blank
};

} // namespace quelmar
