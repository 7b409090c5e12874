#pragma once

namespace quelmar {
class Session;
}

namespace quelmar::office {

// Plugs the office into a session: its menu loop, payment form, payments and receipts as the office services
// the start-up and the menu loop call, and the engine's services of every part below the office (totals,
// classifier lists, access keys).
void install(Session& session);

} // namespace quelmar::office
