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
    for (;;) {
        db::DbError error;
        auto rows = session.database.CurrentDatabase->openRecordset(statement, type, error);
        if (!error && rows) {
            engine.Retries.succeeded();
            return rows;
        }
        const LoadDecision decision =
            decideLoad(error ? error.number : db::jeterror::TooFewParameters, engine.Retries);
        if (decision.repeat) {
            panels::Pause(session, decision.pauseMs);
            continue;
        }
        session.codes.EngineStatus =
            decision.engineStatus != 0 ? decision.engineStatus : db::jeterror::TooFewParameters;
        return nullptr;
    }
}

} // namespace quelmar::engine::loading
