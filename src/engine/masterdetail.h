#pragma once

#include <QString>
#include <QVariant>

namespace quelmar {
class Session;
}

// The master-detail presentation: below the panel of master records (BDats "Presenta"), the grid `TabSec`
// shows the detail records of the master record on screen, and follows the panel as it moves.
namespace quelmar::engine {

// mode (compared in upper case):
//   "PRES"  the grid shows the detail rows of the panel's record and follows the panel (MasterDetail 1):
//           "SELECT " + detailFields + " FROM " + detailTable + " WHERE " + detailKey + " = " + the key of
//           the panel's record in masterKey (its "table." is left out), ordered by order;
//   "EDI"   the same, and the grid's rows may be changed;
//   "DCAP"  the grid shows the detail rows of a fixed key given in masterKey (MasterDetail 2);
//   "FIN"   "&Termina" and "&Imprime" below the grid until "&Termina" (Imprime prints the panel and the
//           grid on one sheet); then the pair ends and the presentation is taken away.
// The grid goes below the panel, at least 1200 twips high; the panel moves up when both would not fit.
void MtroDet(Session& session, QString& mode, QString& detailTable, QString& detailFields, QString& detailKey,
             QString& masterKey, QString& order);

// The same with values.
void MtroDet(Session& session, const QString& mode, const QString& detailTable, const QString& detailFields,
             const QString& detailKey, const QString& masterKey, const QString& order = QString());

// Keeps the detail in step with the panel (MasterDetail 1 only): reads the master key of the panel's current
// record and shows that key's detail rows in the grid. A record without a key leaves the grid as it was.
void MDSinc(Session& session);

// Moves the panel `dfija` and its command buttons to that top (twips).
void MovePanel(Session& session, int topTwips);

// Ends a master-detail pair: clears its state, takes the grid away and ends the presentation (BDats
// "Quita").
void EndMasterDetail(Session& session);

// The rules of the pair, without widgets.
namespace masterdetail {

// DetailSQL: "SELECT " + fields + " FROM " + table + " WHERE " + key + " = ".
QString detailSql(const QString& table, const QString& fields, const QString& key);

// MasterKeyField: what follows the first "." of the master key argument, trimmed ("Suscriptores.Clave" ->
// "Clave").
QString masterKeyField(const QString& masterKey);

// The master key's value as it goes into the detail statement, by the field's Jet type: Text and Memo between
// "'" (an "'" inside doubled), Date as a "#mm-dd-yyyy#" literal, any other type as its text. Empty when the
// value is (Null or an empty text).
QString keyLiteral(int jetType, const QVariant& value);

// The detail statement: DetailSQL, the key literal and the order (DetailOrder), with a blank between the key
// and the order.
QString detailStatement(const QString& detailSql, const QString& keyLiteral, const QString& detailOrder);

// The format of a detail column by its type code: whole numbers "###,###,###,###", Currency, Single and
// Double their own number format (their decimals kept); Date "dd-mmm-yyyy"; Boolean "Yes/No"; others none. A
// grid whose rows may be changed shows numbers as typed (no format).
QString columnFormat(int type, const QString& fieldFormat, bool readOnly);

// Where the panel and the grid go, in twips. The grid's top is the panel's bottom (its command buttons
// included) + 150 and it fills the form down to 1300 twips above the bottom, but is at least 1200 high; when
// the panel is too tall for both, the panel moves to half of the free space when more than 1000 twips are
// free, else to top 100.
struct Placement
{
    int panelTop = 0;
    int gridTop = 0;
    int gridHeight = 0;

    bool operator==(const Placement&) const = default;
};

Placement placement(int formHeight, int panelTop, int panelHeight);

inline constexpr int MinimumGridHeight = 1200;
inline constexpr int GapBelowPanel = 150;
inline constexpr int RoomBelowGrid = 1300;

} // namespace masterdetail

} // namespace quelmar::engine
