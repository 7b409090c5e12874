#pragma once

#include <QString>
#include <QStringList>

namespace quelmar {
class Session;
}

namespace quelmar::panels {

// Placement of the list, in twips; -1 keeps the default.
struct ListPlacement
{
    int topTwips = -1;
    int widthTwips = -1;
};

// A choice from a list of labels, with the buttons "&Aceptar" and "&Cancelar". Kind "M": several entries may
// be marked; answer lists their numbers, each with a leading blank and followed by "/" (" 1/ 3/"), count is
// how many. Kinds "S" and "U": one entry; count is its position (1-based) and answer its label. Cancelled
// ("&Cancelar", or ESC on the list or on its buttons): answer empty and count 0. At the wait
// (WaitKind::List) respond("choose", "1 3") or respond("choose", "\"TEXT\"") marks entries and accepts;
// respond("answer", "Cancelar") presses a button.
void ChooseFromList(Session& session, const QString& kind, const QString& prompt, const QStringList& labels,
                    int& count, QString& answer, const ListPlacement& placement = {});

} // namespace quelmar::panels
