#pragma once

namespace quelmar {
class Session;
}

namespace quelmar::office {

// The notice menu (menu "9"): 1 the notice file opened for editing, 2 a notice programmed for all or some
// subscribers of a list the user narrows, 3 the subscribers with a notice pending, 4 a notice removed for all
// or some of them.
void NoticeMenu(Session& session, int option);

} // namespace quelmar::office
