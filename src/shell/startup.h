#pragma once

#include <QString>

namespace quelmar {
class Session;
}

// The program's entry into its own logic and its one way out.
namespace quelmar::startup {

// The main form's load: refuses a second instance on the same working folder (message "Hay otra instancia del
// Programa, y solo puede haber una", titled "AVISO") and then returns false; otherwise takes the instance
// lock (a lock file that no running instance holds is taken over, whatever it contains), centres the main
// form on its screen and returns true.
bool mainFormLoad(Session& session);

// The start-up sequence, run at the main form's first activation (while DebugSwitches is empty): colours,
// company, database, access keys, menus, then the menu loop for ever. The program ends through EndProgram.
void ProgramStart(Session& session);

// Closes the session (ParamTable, CurrentRecordset, WorkRecordset2, then CurrentDatabase), closes the main
// form unless mode is "F" (its close runs EndProgram("F") again) and ends the process through
// session.exitProcess(0). Each step that fails is skipped, so it may run twice. When exitProcess returns, the
// process ends here.
[[noreturn]] void EndProgram(Session& session, const QString& mode);

// Applies the four scheme colours to the main form (and the menu form), after working out ColourCount from
// the display's colour depth.
void ApplyColourScheme(Session& session);
// The same for a display of that many bits per pixel: with 256 colours or fewer the main form takes the
// fallback colours, FieldColour becomes white and the menu form keeps its colour.
void applyColourSchemeForDepth(Session& session, int bitsPerPixel);

// Prepares the payment form (start-up step 12): LoadTariffs with the tariff class "P" builds its lines.
void preparePaymentForm(Session& session);

} // namespace quelmar::startup
