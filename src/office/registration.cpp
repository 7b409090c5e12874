#include "office/registration.h"

#include "core/datetext.h"
#include "db/database.h"
#include "db/recordset.h"
#include "engine/bdats.h"
#include "panels/errortrap.h"
#include "panels/standardbox.h"
#include "session/session.h"
#include "subscribers/statusrules.h"

#include <QList>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace quelmar::office {

namespace {

constexpr int ObjectNotSet = 91;

const QString Routine = u"RegisterSubscribers"_s;

// A database failure as the routine's run-time error, for its error trap.
void raise(Session& session, const db::DbError& error)
{
    if (!error)
        return;
    session.errors.RoutineName = Routine;
    throw RuntimeError{
        error.number, error.description.isEmpty() ? db::jetDescription(error.number) : error.description, {}};
}

// The rows of a statement the routine writes itself (numbers only, never typed text).
std::unique_ptr<db::Recordset> snapshot(Session& session, const QString& statement)
{
    if (!session.database.CurrentDatabase) {
        session.errors.RoutineName = Routine;
        throw RuntimeError{ObjectNotSet, u"Object variable or With block variable not set"_s, {}};
    }
    db::DbError error;
    auto rows =
        session.database.CurrentDatabase->openRecordset(statement, db::RecordsetType::Snapshot, error);
    raise(session, error);
    return rows;
}

QString fixedValues()
{
    return u"Situación = "_s + QString(subscribers::status::ToInstall) + u", Vencimiento = "_s +
           datetext::dayMonthYear(subscribers::notInstalledExpiry());
}

struct NewSubscriber
{
    qint64 key = 0;
    QString name;
    qint64 contract = 0;
};

// The subscriber as it is now; false when it is no longer there.
bool reread(Session& session, NewSubscriber& subscriber)
{
    auto rows = snapshot(session, u"SELECT Nombre, Contrato FROM Suscriptores WHERE Clave = "_s +
                                      QString::number(subscriber.key));
    if (rows->eof())
        return false;
    subscriber.name = rows->value(0).toString();
    subscriber.contract = rows->value(1).toLongLong();
    return true;
}

// The name of another subscriber with the same contract; empty when there is none.
QString sameContract(Session& session, const NewSubscriber& subscriber)
{
    auto rows = snapshot(session, u"SELECT Nombre FROM Suscriptores WHERE Contrato = "_s +
                                      QString::number(subscriber.contract) + u" AND Clave <> "_s +
                                      QString::number(subscriber.key) + u" ORDER BY Clave"_s);
    return rows->eof() ? QString() : rows->value(0).toString();
}

// Points out a contract number that another subscriber already has, and lets the user correct it in the
// panel, until it is unique or the user leaves it so.
void reviewContract(Session& session, ErrorTrap& trap, NewSubscriber subscriber)
{
    for (;;) {
        bool present = false;
        QString other;
        if (!trap.step([&] {
                present = reread(session, subscriber);
                if (present)
                    other = sameContract(session, subscriber);
            }) ||
            !present || other.isEmpty())
            return;
        const int answer = panels::MessageBox(
            session,
            u"El Contrato %1 de %2 ya está registrado para %3.  ¿Desea corregirlo?"_s.arg(subscriber.contract)
                .arg(subscriber.name, other),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, u"Contrato repetido"_s);
        if (answer != QMessageBox::Yes)
            return;
        session.engine.ProtectedFields = u"TODO,Contrato"_s;
        engine::BDats(session, u"Edita"_s, 1, u"CORRIGE CONTRATO DE "_s + subscriber.name,
                      u"SELECT Nombre, Contrato FROM Suscriptores WHERE Clave = "_s +
                          QString::number(subscriber.key));
        session.errors.RoutineName = Routine;
        if (session.engine.SavedCount <= 0)
            return;
    }
}

} // namespace

void RegisterSubscribers(Session& session, bool several)
{
    ErrorTrap trap(session, Routine, 3);
    // The subscribers this capture adds are those numbered after the last one now.
    qint64 lastKey = 0;
    if (!trap.step([&] {
            auto rows = snapshot(session, u"SELECT Max(Clave) FROM Suscriptores"_s);
            lastKey = rows->eof() ? 0 : rows->value(0).toLongLong();
        }))
        return;

    session.engine.FixedValues = fixedValues();
    engine::BDats(session, several ? u"Captura"_s : u"CaptUni"_s, 1,
                  several ? u"REGISTRA SUSCRIPTORES NUEVOS"_s : u"REGISTRA SUSCRIPTOR NUEVO"_s,
                  u"SELECT Nombre, Contrato, Clase, Unidades, Calle, Colonia, Teléfono, Poste, Zona, "
                  u"Observaciones, Situación, Vencimiento FROM Suscriptores"_s);
    session.errors.RoutineName = Routine;
    if (session.engine.SavedCount <= 0)
        return;
    const int status = session.codes.EngineStatus;

    QList<NewSubscriber> added;
    if (!trap.step([&] {
            auto rows = snapshot(session, u"SELECT Clave FROM Suscriptores WHERE Clave > "_s +
                                              QString::number(lastKey) + u" ORDER BY Clave"_s);
            for (; !rows->eof(); rows->moveNext())
                added.append(NewSubscriber{rows->value(0).toLongLong(), {}, 0});
        }))
        return;
    for (const NewSubscriber& subscriber : std::as_const(added))
        reviewContract(session, trap, subscriber);
    session.codes.EngineStatus = status;
}

} // namespace quelmar::office
