#pragma once

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::office {

// A payment at the counter (payments option 1) for the subscriber whose Clave is key: a pending notice is
// shown first (and its mark taken out of Observaciones), then the payment form and, for a cut subscriber who
// pays rent, the bonification question. Nothing is held while the cashier decides: only then is the payment
// written, in one transaction of milliseconds that reads the subscriber again (another workstation may have
// paid for it meanwhile, so that payments always add up) and writes the ticket, one Pagos row per paid
// concept, the new expiry and status (an expired subscriber who pays rent is connected, a cut one waits for
// reconnection, its cut days bonified) and the receipt's text (Recibos): all of them or, when anything
// fails, none ("No se registró el pago: " and what to do; the failure's own text goes to the error log). A
// lock met on the way is waited for as the engine's lock policy does (a new attempt every 400 ms, the lock
// question at the 8th). The receipt is copied to "recibos" and printed after the commit, so that a printer
// failure or a crash never loses it. EngineStatus: 0 when the payment was recorded, 1 when nothing was (a key
// that is not a number, no such subscriber, the payment cancelled or refused, nothing paid), or the error
// number of a failure.
void RegisterPayment(Session& session, const QString& key, const QString& name);

// Takes the next number of the counter kept in Contenido of the first Parametros row of the class (by
// Secuen), and stores it, in one atomic step: two workstations never get the same number. 0 when the class
// has no row or the counter could not be taken (the failure reported).
int NextCounter(Session& session, const QString& parameterClass);

// The Contenido of the first Parametros row of the class (empty when there is none). With command "Edi" the
// value is shown for editing in the footer capture with the prompt; a number above 0 typed there is stored
// and returned. The ticket counter (class "CDT") takes only a whole number from 1 to 2,147,483,646 that is
// not below the highest ticket already issued in Pagos: the check and the write are one transaction, and a
// value refused is told with what to type instead. A class without a row creates nothing: "No existe el
// parámetro "
// + class.
QString EditParameter(Session& session, const QString& command, const QString& parameterClass,
                      const QString& prompt);

} // namespace quelmar::office
