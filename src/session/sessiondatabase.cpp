#include "session/sessiondatabase.h"

#include "db/database.h"
#include "db/recordset.h"
#include "session/errorlog.h"
#include "session/session.h"

namespace quelmar::startup {

db::DbError openSessionDatabase(Session& session, const QString& path, bool exclusive, bool readOnly,
                                bool overShare)
{
    DatabaseState& state = session.database;
    db::DbError error;
    std::unique_ptr<db::Database> database =
        db::Database::open(path, {exclusive, readOnly, overShare}, error);
    if (!database)
        return error.ok() ? db::DbError::make(db::jeterror::FileNotFound, {}, path) : error;

    state.ParamTable.reset();
    state.CurrentRecordset.reset();
    state.WorkRecordset2.reset();
    state.CurrentDatabase = std::move(database);
    // A database made before its relation fields were kept as references gets them now; without them the
    // office still works, and the failure is logged.
    if (const db::DbError references = state.CurrentDatabase->ensureReferences())
        maintenance::appendErrorLog(session, references.number, references.description,
                                    QStringLiteral("Referencias"));

    state.TableList.clear();
    int ordinal = 0;
    for (const db::TableInfo& table : state.CurrentDatabase->tables()) {
        state.TableList.append({table.name, QString::number(++ordinal),
                                static_cast<int>(state.CurrentDatabase->fields(table.name).size()),
                                table.updatable ? QStringLiteral("True") : QStringLiteral("False")});
    }
    state.TableCount = static_cast<int>(state.TableList.size());

    state.ParamTable =
        state.CurrentDatabase->openTable(QStringLiteral("Parametros"), QStringLiteral("Clase"), error);
    if (!state.ParamTable)
        return error;
    if (state.ParamTable->recordCount() > 0)
        state.ParamTable->moveFirst();
    return {};
}

} // namespace quelmar::startup
