#pragma once

#include <QDate>
#include <QString>

namespace quelmar {
class Session;
}

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

} // namespace quelmar::office
