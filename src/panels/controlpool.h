#pragma once

#include <QString>

class QWidget;

namespace quelmar {
class Session;
}

// The element pool of the main form: families of controls (one design-time instance, index 0, plus instances
// made at run time) created and removed by a short kind name, with the highest index in use per kind kept in
// session.pool.ControlCounts. Every member of a control family on the main form is a direct child of the form
// named "family_index" ("tcom_3", "textouni_0") and carries the dynamic property "elementIndex".
namespace quelmar::panels {

// Kind names in pool order, slot 1..14: let par tcom figura zona opcion alter panel linea pcap cap tit lista
// manual. Compared in lower case; 0 for an unknown kind.
int kindSlot(const QString& kind);
// The family a slot fills ("letrero", "param", "tcom", "Imagen", "fondo", "dopc", "dalt", "panel", "linea",
// "parcap", "textouni", "Tit", "listauni", "manual"); empty outside 1..14.
QString familyOfSlot(int slot);
// "tcom", 3 -> "tcom_3".
QString elementName(const QString& family, int index);

// Counter arithmetic. The index an unload removes: index below 1 means the highest (the counter).
int unloadTarget(int counter, int index);
// The counter after removing that index: one less when it was the highest, never below 0.
int counterAfterUnload(int counter, int removedIndex);

// Creates the next instance of the kind (counter + 1) on the main form, hidden, makes it
// session.pool.lastLoaded and returns its index in newIndex (0 and nothing created for an unknown kind).
void LoadControl(Session& session, const QString& kind, int& newIndex);
// Removes the instance with that index (below 1: the highest); the design-time instance is never removed.
void UnloadControl(Session& session, const QString& kind, int index);
// Unless PresentationVariant is 101: hides every design-time instance of the form's control families, removes
// every instance made at run time and sets every counter to 0.
void ClearElements(Session& session);
// Enables or disables every control of the main form.
void SetMainFormEnabled(Session& session, bool on);

// Makes member `index` of the family of that slot on the form, hidden, with the events that report its use
// through the session's codes. The pool and the main form's design-time instances use it.
QWidget* createElement(Session& session, int slot, int index, QWidget* form);

// A member of a control family of the main form; nullptr when there is none.
QWidget* element(Session& session, const QString& family, int index);
// Marks a widget as member `index` of a control family (name and property); for families that other parts
// of the program create on the main form (DCap, dcom, Clasi …) so that ClearElements treats them alike.
void markElement(QWidget* widget, const QString& family, int index);

void hideElement(QWidget* widget);
// Enabled, visible and in front.
void showElement(QWidget* widget);
// Places the control horizontally in the middle of the main form; resets the vertical placement mode.
void centreHorizontally(Session& session, QWidget* widget);
// The same, then vertically in the middle; resets the vertical placement mode and the message row.
void centreOnForm(Session& session, QWidget* widget);

} // namespace quelmar::panels
