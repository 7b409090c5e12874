#pragma once

namespace quelmar {
class Session;
}

namespace quelmar::office {

// The application's menu loop, for as long as the program runs: the main menu, then the submenu of the option
// chosen (and the deeper submenu of options that have one). The centre label of the main menu ends the
// program; in a submenu it goes back to the main menu. Options whose operations are not yet in the program
// say so.
void MenuLoop(Session& session);

} // namespace quelmar::office
