#pragma once

#include <QString>

namespace quelmar {
class MenuForm;
class Session;
} // namespace quelmar

namespace quelmar::shell {

// The menu engine. Mode (compared in upper case):
//   "INI"  reads the menu definition file AppName + ".men" of the working folder into MenuItems and lays out
//          the fixed parts of the menu form;
//   "PRES" shows the menu whose code is `code` (empty: the top menu) over the main form and waits for a
//   choice:
//          MenuOption (1.. the option, 98 the centre label; 99 written by another control returns at once),
//          MenuPath and MenuHelpTopic hold the result;
//   other  shows the main form and hides the menu form.
void ShowMenu(Session& session, const QString& mode, const QString& code);

// The menu form, made on first use (session.Mn).
MenuForm& menuForm(Session& session);

} // namespace quelmar::shell
