#pragma once

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::panels {

// Every message, question, input prompt and row of choice buttons of the program, by kind (lower-cased):
// "err", "rsn", "capl", "cap", "tec", "ptec", "con", "coni", "bor", "vle", "cen", "rca". The caller fills
// session.dialog (ValidationMessage, AnswerText, ButtonTips, ButtonExplanations, MessageRow, MessageColumn,
// InputMask, InputLength, VerticalPlacement); the answer comes back in AnswerText (and ChosenButton for
// "rca"); the inputs are emptied at the end.
void ShowMessage(Session& session, const QString& kind);

// A row of choice buttons ("rca") under prompt, made from buttons ("&Todos, &Algunos,"), without
// explanations: the first letter of the button chosen, upper-cased, or empty when none was.
QString AskButtonRow(Session& session, const QString& prompt, const QString& buttons);

// The buttons a button row made: "tcom" instances first .. first + count - 1.
struct ButtonRow
{
    int first = 0;
    int count = 0;
};

// The button row of kind "rca" (ShowMessage calls it), from session.dialog's captions, pictures and
// explanations. With CommandCode 1010 on entry it returns at once, leaving the buttons on the form for the
// caller to wait on and remove (UnloadControl "tcom", 0 once per button); otherwise it waits for a click,
// answers in AnswerText and ChosenButton and removes the buttons. respond("answer", X) clicks the button
// whose access letter or caption is X.
ButtonRow ShowButtonRow(Session& session, const QString& message);

// Clicks the button of the row that an answer names (access letter, else caption without "&"); false when
// none.
bool pressRowButton(Session& session, const ButtonRow& row, const QString& answer);

// "dd-mmm-yyyy" and "#mm-dd-yyyy#" of today (Clock).
QString TodayText();
QString TodayLiteral();

// Returns at once for 0; otherwise waits that many milliseconds, letting window events run.
void Pause(Session& session, int milliseconds);

} // namespace quelmar::panels
