#pragma once

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::office {

// A payment at the counter (payments option 1) for the subscriber whose Clave is key: a pending notice is
// shown first (and its mark taken out of Observaciones), then the payment form; an accepted payment records
// one Pagos row per paid concept under one new ticket number, extends the expiry for rent (bonifying the cut
// days of a cut subscriber, who becomes "Por Reconectar"), and prints the receipt. The ticket, the rows and
// the subscriber's new expiry and status are written in one transaction: all of them or, when anything fails,
// none ("No se registró el pago: …"). The receipt is printed after the payment is recorded, so that a
// printer failure never loses it. EngineStatus: 0 when the payment was recorded, 1 when nothing was (a key
// that is not a number, no such subscriber, the payment cancelled, nothing paid), or the error number of a
// failure.
void RegisterPayment(Session& session, const QString& key, const QString& name);

// Takes the next number of the counter kept in Contenido of the first Parametros row of the class (by
// Secuen), and stores it, in one atomic step: two workstations never get the same number. 0 when the class
// has no row or the counter could not be taken (the failure reported).
int NextCounter(Session& session, const QString& parameterClass);

// The Contenido of the first Parametros row of the class (empty when there is none). With command "Edi" the
// value is shown for editing in the footer capture with the prompt; a number above 0 typed there is stored
// and returned. A class without a row creates nothing: "No existe el parámetro " + class.
QString EditParameter(Session& session, const QString& command, const QString& parameterClass,
                      const QString& prompt);

} // namespace quelmar::office
