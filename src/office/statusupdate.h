#pragma once

#include "db/dberror.h"

#include <QDate>
#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::db {
class Database;
} // namespace quelmar::db

namespace quelmar::office {

// The status update of the status menu ("ACTUALIZA DATOS SUSCRIPTOR") for the subscriber whose Clave is key:
// the subscriber's row is shown for editing, a note is asked ("Nota", 21 characters) and one status history
// row records the change (the new status, "-" and the note; the status, class, units and expiry as they were
// before the edit). The history row is written only for an update the user completed: a key that is not a
// number, a subscriber no longer there (deleted from another workstation), an edit cancelled or a record
// deleted write nothing. EngineStatus: 0 when the row was written, 1 when nothing was, or the error number of
// a failure (already reported).
void StatusUpdate(Session& session, const QString& key);

// The bonification of the days a cut subscriber was without service, for the payment of rent: finds the day
// of the last cut in the status history ("No tiene registrado el Corte." when there is none) and, when it is
// more than 3 days ago, asks "¿Bonifica Días de Corte?". On Yes it writes the bonification history row (Clase
// "Bonifica", [Cambiado por] "Automatico", Nota "N Dias Bonificados", the new expiry) and moves expiry
// forward by those days. It writes through the open database without a transaction of its own, so that a
// payment can call it inside its transaction. EngineStatus: 0 when it ran (bonified or not), 1 for a key that
// is not a number, or the error number of a failure (already reported; expiry then stays as it was).
void BonifyCut(Session& session, const QString& key, QDate& expiry);

// BonifyCut in its two halves, for a payment that asks before its transaction begins and writes inside it.
// The question: the days to bonify when the user agreed, else 0 (no cut recorded, told as above; 3 days or
// fewer; No). EngineStatus as BonifyCut's.
qint64 AskBonification(Session& session, const QString& key);
// The bonification history row of those days with the moved expiry, written through the open database
// without a transaction of its own. The database layer's error (none when it was written).
db::DbError writeBonification(db::Database& database, qint64 key, qint64 days, const QDate& movedExpiry);

} // namespace quelmar::office
