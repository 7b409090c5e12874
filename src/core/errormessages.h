#pragma once

#include <QString>

// What the user is told about an error, by its number: the database engine's numbers (3000 and up) and the
// classic run-time numbers the program reports. Each text is Spanish and says what happened and what to do;
// the engine's own English description never reaches a message, it goes to the error log.
namespace quelmar::errormessages {

// The text for the number. A number without a text of its own gets a general one that tells the user to note
// the number and tell the person in charge of the system.
QString forNumber(int number);

// True when the number has a text of its own.
bool hasOwnText(int number);

} // namespace quelmar::errormessages
