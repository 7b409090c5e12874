#pragma once

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::office {

// The statement of the contract search: the contracts from the number typed to 30 above it. The upper bound
// is taken before a number below 1 becomes 1, so an empty or zero answer lists contracts 1 to 30.
QString contractRangeStatement(const QString& typed);

// The subscriber chooser the options that work on one subscriber share: asks how to look for the subscriber
// ("&Nombre" or "&Contrato") and leaves the chosen subscriber's key and name; EngineStatus 1 when none was
// chosen, 0 when one was.
void ChooseSubscriber(Session& session, QString& chosenKey, QString& chosenName);

} // namespace quelmar::office
