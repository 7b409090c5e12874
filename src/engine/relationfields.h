#pragma once

#include <QString>

namespace quelmar {
class Session;
}

// The relation fields of the panel on screen: fields whose default value carries the "!R" marker keep the key
// of a record of another table and are shown as "key · description".
namespace quelmar::engine {

// The relation routine, by command (compared without regard to case); field is the 1-based field of
// FieldTable, 0 for every field:
//   "Pon"    each relation field holding a key other than 0 shows key, " · " and the description read with
//   one
//            keyed statement; a key the related table lacks (or a failed read) leaves the text as it was;
//   "Quita"  each relation field shows its key alone again (in capture only the editable ones);
//   "Edi"    editing or capturing: the value is picked from a grid of the related table; presenting: the
//            related record is shown and can be followed on (relation following);
//   "Capt"   the value is picked from a grid of the related table.
// A pick shows the grid "TabRel" with the options "Sel"; Esc or "&Cancela" leaves the field as it was; a
// chosen row gives the field "key · description". The engine's shared state and the panel come back as they
// were.
void RelationRoutine(Session& session, const QString& command, int field);

} // namespace quelmar::engine
