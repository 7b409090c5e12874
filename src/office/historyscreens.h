#pragma once

namespace quelmar {
class Session;
}

// The history screens of the menus: a panel of subscribers with, below it, the grid of the history of the
// subscriber shown, which follows the panel from subscriber to subscriber until "&Termina".
namespace quelmar::office {

// Payments option 2: the payments of each subscriber, latest first.
void PaymentHistory(Session& session);

// Status option 2: the changes of status of each subscriber.
void StatusHistory(Session& session);

// Complaints option 5: the complaints of each subscriber.
void ComplaintHistory(Session& session);

} // namespace quelmar::office
