#include "office/statusupdate.h"

#include "core/clock.h"
#include "db/database.h"
#include "db/recordset.h"
#include "engine/bdats.h"
#include "panels/errortrap.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "session/session.h"
#include "subscribers/statusrules.h"

#include <QVariant>

#include <utility>

using namespace Qt::StringLiterals;

namespace quelmar::office {

namespace {

constexpr int ReturnAtOnce = 1010;
constexpr int NothingWritten = 1;
constexpr int ObjectNotSet = 91;

using FieldValues = QList<std::pair<QString, QVariant>>;

// A database failure as the routine's run-time error, for its error trap.
void raise(Session& session, const QString& routine, const db::DbError& error)
{
    if (!error)
        return;
    session.errors.RoutineName = routine;
    throw RuntimeError{
        error.number, error.description.isEmpty() ? db::jetDescription(error.number) : error.description, {}};
}

db::Database& database(Session& session, const QString& routine)
{
    if (!session.database.CurrentDatabase) {
        session.errors.RoutineName = routine;
        throw RuntimeError{ObjectNotSet, u"Object variable or With block variable not set"_s, {}};
    }
    return *session.database.CurrentDatabase;
}

// The key as it goes into a statement; a text that is not a subscriber's number is refused with a message.
bool checkedKey(Session& session, const QString& key, QString& checked)
{
    checked = subscribers::subscriberKey(key);
    if (!checked.isEmpty())
        return true;
    panels::MessageBox(
        session, u"La Clave del Suscriptor no es válida: \"%1\".  No se registra ningún cambio."_s.arg(key));
    session.codes.EngineStatus = NothingWritten;
    return false;
}

void subscriberGone(Session& session, const QString& key)
{
    panels::MessageBox(session, u"No se encuentra el Suscriptor con Clave %1; pudo ser eliminado desde otra "
                                u"terminal.  No se registra ningún cambio."_s.arg(key));
    session.codes.EngineStatus = NothingWritten;
}

// Adds one row through the statement, with the values of the fields named.
void appendRow(Session& session, const QString& routine, const QString& statement, const FieldValues& values)
{
    db::DbError error;
    auto rows = database(session, routine).openRecordset(statement, db::RecordsetType::Dynaset, error);
    raise(session, routine, error);
    raise(session, routine, rows->addNew());
    for (const auto& [name, value] : values)
        raise(session, routine, rows->setValue(name, value));
    raise(session, routine, rows->update());
}

// What the subscriber's row held before the update; the history row keeps it.
struct Before
{
    QVariant status;
    QVariant serviceClass;
    QVariant units;
    QVariant expiry;
};

// Step 1: the subscriber's row as it is now. False when there is no such subscriber.
bool readBefore(Session& session, const QString& routine, const QString& statement, Before& before)
{
    // The engine would announce an empty result in words of its own; a missing subscriber is told below.
    session.codes.CommandCode = ReturnAtOnce;
    engine::BDats(session, u"Datos"_s, 0, QString(), statement);
    session.codes.CommandCode = 0;
    const int status = session.codes.EngineStatus;
    if (status > 1)
        raise(session, routine, db::DbError::make(status, db::jetDescription(status)));
    db::Recordset* rows = session.database.CurrentRecordset.get();
    if (status != 0 || !rows || session.engine.RecordCount == 0) {
        session.database.CurrentRecordset.reset();
        return false;
    }
    before.status = rows->value(u"Situación"_s);
    before.serviceClass = rows->value(u"Clase"_s);
    const QVariant units = rows->value(u"Unidades"_s);
    before.units = units.isValid() ? QVariant(static_cast<qint16>(units.toInt())) : QVariant();
    before.expiry = rows->value(u"Vencimiento"_s);
    session.database.CurrentRecordset.reset();
    session.errors.RoutineName = routine;
    return true;
}

// Step 3: the status after the edit. False when the subscriber is no longer there.
bool readStatus(Session& session, const QString& routine, const QString& key, QString& status)
{
    db::DbError error;
    auto rows = database(session, routine)
                    .openRecordset(u"SELECT Situación FROM Suscriptores WHERE Clave = "_s + key,
                                   db::RecordsetType::Snapshot, error);
    raise(session, routine, error);
    if (rows->eof())
        return false;
    status = rows->value(0).toString();
    return true;
}

// Step 4: the user's note, in the footer.
QString askNote(Session& session, const QString& routine)
{
    auto& dialog = session.dialog;
    dialog.ValidationMessage = u"Nota"_s;
    dialog.AnswerText.clear();
    dialog.InputLength = 21;
    panels::ShowMessage(session, u"cap"_s);
    session.errors.RoutineName = routine;
    return dialog.AnswerText;
}

} // namespace

void StatusUpdate(Session& session, const QString& key)
{
    const QString routine = u"StatusUpdate"_s;
    ErrorTrap trap(session, routine, 3);
    QString clave;
    if (!checkedKey(session, key, clave))
        return;
    const QString statement =
        u"SELECT Nombre, Contrato, Situación, Vencimiento, Clase, Unidades FROM Suscriptores WHERE Clave = "_s +
        clave;

    Before before;
    bool found = false;
    if (!trap.step([&] { found = readBefore(session, routine, statement, before); }))
        return;
    if (!found) {
        subscriberGone(session, clave);
        return;
    }

    engine::BDats(session, u"Edita"_s, 1, u"ACTUALIZA DATOS SUSCRIPTOR"_s, statement, QString(), 0);
    session.errors.RoutineName = routine;
    // Only a completed update is recorded: a cancelled edit changed nothing, and a deleted subscriber has no
    // status left to record.
    if (session.engine.SavedCount <= 0) {
        if (session.codes.EngineStatus <= 0)
            session.codes.EngineStatus = NothingWritten;
        return;
    }

    QString newStatus;
    if (!trap.step([&] { found = readStatus(session, routine, clave, newStatus); }))
        return;
    if (!found) {
        subscriberGone(session, clave);
        return;
    }

    const QString note = askNote(session, routine);
    const bool written = trap.step([&] {
        appendRow(session, routine,
                  u"SELECT Suscriptor, [Situación Anterior], Fecha, [Cambiado por], Nota,Clase,Unidades,"
                  u"Vencimiento FROM Situación"_s,
                  {{u"Suscriptor"_s, clave.toLongLong()},
                   {u"Situación Anterior"_s, before.status},
                   {u"Fecha"_s, Clock::today()},
                   {u"Cambiado por"_s, QString(u""_s)},
                   {u"Nota"_s, subscribers::statusNote(newStatus, note)},
                   {u"Clase"_s, before.serviceClass},
                   {u"Unidades"_s, before.units},
                   {u"Vencimiento"_s, before.expiry}});
    });
    if (written)
        session.codes.EngineStatus = 0;
}

qint64 AskBonification(Session& session, const QString& key)
{
    const QString routine = u"BonifyCut"_s;
    ErrorTrap trap(session, routine, 3);
    session.codes.EngineStatus = 0;
    QString clave;
    if (!checkedKey(session, key, clave))
        return 0;

    QDate cutDay;
    const bool read = trap.step([&] {
        db::DbError error;
        auto rows =
            database(session, routine)
                .openRecordset(subscribers::lastCutStatement(clave), db::RecordsetType::Snapshot, error);
        raise(session, routine, error);
        // The newest row that has a day (a row without one tells nothing of when the cut was).
        for (; !rows->eof() && !cutDay.isValid(); rows->moveNext())
            cutDay = rows->value(0).toDate();
    });
    if (!read)
        return 0;
    if (!cutDay.isValid()) {
        panels::MessageBox(session, u"No tiene registrado el Corte."_s);
        return 0;
    }

    const qint64 days = subscribers::cutDays(cutDay, Clock::today());
    if (!subscribers::offersBonification(days))
        return 0;
    const int answer = panels::MessageBox(session, subscribers::bonificationQuestion(cutDay, days),
                                          QMessageBox::Yes | QMessageBox::No, QMessageBox::Question,
                                          subscribers::bonificationTitle());
    session.errors.RoutineName = routine;
    return answer == QMessageBox::Yes ? days : 0;
}

db::DbError writeBonification(db::Database& database, qint64 key, qint64 days, const QDate& movedExpiry)
{
    db::DbError error;
    // Added through the subscriber's own history rows, not the whole history's.
    auto rows = database.openRecordset(
        u"SELECT Suscriptor,[Situación Anterior],Vencimiento,Clase,Fecha, [Cambiado por], Nota FROM "
        u"Situación WHERE Suscriptor = "_s +
            QString::number(key),
        db::RecordsetType::Dynaset, error);
    if (error)
        return error;
    const FieldValues values{{u"Suscriptor"_s, key},
                             {u"Situación Anterior"_s, QString(subscribers::status::Cut)},
                             {u"Vencimiento"_s, movedExpiry.isValid() ? QVariant(movedExpiry) : QVariant()},
                             {u"Clase"_s, QString(subscribers::BonificationClass)},
                             {u"Fecha"_s, Clock::today()},
                             {u"Cambiado por"_s, QString(subscribers::ChangedBySystem)},
                             {u"Nota"_s, subscribers::bonificationNote(days)}};
    if ((error = rows->addNew()))
        return error;
    for (const auto& [name, value] : values) {
        if ((error = rows->setValue(name, value))) {
            rows->cancelUpdate();
            return error;
        }
    }
    if ((error = rows->update()))
        rows->cancelUpdate();
    return error;
}

void BonifyCut(Session& session, const QString& key, QDate& expiry)
{
    const QString routine = u"BonifyCut"_s;
    const qint64 days = AskBonification(session, key);
    if (days <= 0)
        return;
    ErrorTrap trap(session, routine, 3);
    const QDate moved = expiry.addDays(days);
    const bool written = trap.step([&] {
        raise(session, routine,
              writeBonification(database(session, routine), subscribers::subscriberKey(key).toLongLong(),
                                days, moved));
    });
    // The expiry moves only together with the row that tells why.
    if (written)
        expiry = moved;
}

} // namespace quelmar::office
