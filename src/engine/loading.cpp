#include "engine/loading.h"

#include "db/database.h"
#include "db/recordset.h"
#include "engine/errorpolicy.h"
#include "panels/showmessage.h"
#include "session/session.h"

#include <QApplication>

namespace quelmar::engine::loading {

void restorePointer()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void hourglass()
{
    if (!QApplication::overrideCursor())
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

// Opens a recordset under the silent load handler: lock conflicts are retried after a pause, any other
// error is left in EngineStatus.
std::unique_ptr<db::Recordset> openSilently(Session& session, const QString& statement,
                                            db::RecordsetType type)
{
    auto& engine = session.engine;
    engine.LoadFailure = {};
    for (;;) {
        db::DbError error;
        auto rows = session.database.CurrentDatabase->openRecordset(statement, type, error);
        if (!error && rows) {
            engine.Retries.succeeded();
            return rows;
        }
        if (!error)
            error = db::DbError::make(db::jeterror::TooFewParameters, {}, statement);
        const LoadDecision decision = decideLoad(error.number, engine.Retries);
        if (decision.repeat) {
            panels::Pause(session, decision.pauseMs);
            continue;
        }
        error.number = decision.engineStatus != 0 ? decision.engineStatus : db::jeterror::TooFewParameters;
        failLoad(session, error);
        return nullptr;
    }
}

void failLoad(Session& session, const db::DbError& error)
{
    session.codes.EngineStatus = error.number;
    session.engine.LoadFailure = error;
}

} // namespace quelmar::engine::loading
