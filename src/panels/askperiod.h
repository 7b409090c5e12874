#pragma once

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::panels {

// Asks a period (kind "Per") or one date (kind "Uni") in the footer, with date fields pre-filled with today.
// "Per": description " del D1 al D2", from and to "#m/d/yyyy#". "Uni": description is the prompt on entry
// (empty or beginning with "#" for the standard one), on return " D ", from "#m/d/yyyy#" and to empty.
// Invalid dates are asked again. At the wait (WaitKind::Period or OneDate) respond("answer", "D1 D2") types
// the dates and presses INTRO.
void AskPeriod(Session& session, const QString& kind, QString& description, QString& from, QString& to);

} // namespace quelmar::panels
