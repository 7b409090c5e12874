#pragma once

namespace quelmar {
class Session;
}

namespace quelmar::office {

// Registers new subscribers through a capture panel (one subscriber, or several when several is true): name,
// contract, class, units, address, telephone, pole, zone and notes are typed; the status is "Por Instalar"
// and the expiry the "not yet installed" date of 1990, both fixed; the database numbers the key. A new
// contract number that another subscriber already has is pointed out, and the user may correct it at once.
void RegisterSubscribers(Session& session, bool several);

} // namespace quelmar::office
