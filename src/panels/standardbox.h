#pragma once

#include <QMessageBox>
#include <QString>

namespace quelmar {
class Session;
}

// The program's standard message and input boxes (in place of the platform's MsgBox and InputBox): opened
// window-modal on the main form, waited for through the session's one wait, written to the transcript first.
namespace quelmar::panels {

// Shows the box and returns the standard button pressed (QMessageBox::StandardButton). The transcript line is
// "[question] TITLE: TEXT [Sí] [No]" for a question (question icon or Yes/No buttons), else
// "[message] TITLE: TEXT [Aceptar]". At the wait, respond("answer", role) clicks the button of that role:
// OK, Cancel, Yes, No, Retry, Abort, Ignore (or a caption); an empty answer takes the default button.
int MessageBox(Session& session, const QString& text, QMessageBox::StandardButtons buttons = QMessageBox::Ok,
               QMessageBox::Icon icon = QMessageBox::Information, const QString& title = QString());

// Asks for a text with the default in answer. True and the typed text in answer when accepted; false and an
// empty answer when cancelled. Transcript "[input] TITLE: PROMPT = DEFAULT"; respond("answer", text) types
// the text into the field and presses INTRO. A position in twips from the main form's top-left may be given.
bool InputBox(Session& session, const QString& title, const QString& prompt, QString& answer,
              const QPoint& positionTwips = QPoint(-1, -1));

// The roles a script names, as standard buttons: "OK" -> QMessageBox::Ok … ; NoButton when unknown.
QMessageBox::StandardButton buttonOfRole(const QString& role);

} // namespace quelmar::panels
