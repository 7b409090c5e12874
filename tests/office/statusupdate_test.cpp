// The status update, the bonification of cut days and the registration of new subscribers, on a demonstration
// office worked by a stand-in user.
#include "engine/officefixture.h"

#include "core/clock.h"
#include "db/database.h"
#include "db/recordset.h"
#include "office/registration.h"
#include "office/statusupdate.h"
#include "session/session.h"
#include "subscribers/statusrules.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace quelmar::office {
namespace {

// The demonstration office gives subscriber 2 the status "Vencido" and subscriber 3 "Cortado".
constexpr int Expired = 2;
constexpr int Cut = 3;

class StatusTest : public engine::testing::EngineTest
{
protected:
    void TearDown() override
    {
        Clock::setToday(QDate());
        EngineTest::TearDown();
    }

    void execute(const QString& sql, const QVariantList& values = {})
    {
        const db::DbError error = session.database.CurrentDatabase->execute(sql, values);
        ASSERT_FALSE(error) << error.description.toStdString();
    }

    // The rows of a statement, one line each, fields separated by "|" (dates as yyyy-MM-dd, Null empty).
    QStringList rows(const QString& sql)
    {
        db::DbError error;
        auto found = session.database.CurrentDatabase->openRecordset(sql, db::RecordsetType::Snapshot, error);
        EXPECT_FALSE(error) << error.description.toStdString();
        QStringList lines;
        for (; found && !found->eof(); found->moveNext()) {
            QStringList fields;
            for (int i = 0; i < found->fieldCount(); ++i) {
                const QVariant value = found->value(i);
                fields.append(value.typeId() == QMetaType::QDate ? value.toDate().toString(Qt::ISODate)
                                                                 : value.toString());
            }
            lines.append(fields.join(u'|'));
        }
        return lines;
    }

    QStringList history(int key)
    {
        return rows(u"SELECT [Situación Anterior], Fecha, [Cambiado por], Nota, Clase, Unidades, Vencimiento "
                    u"FROM Situación WHERE Suscriptor = "_s +
                    QString::number(key));
    }

    // The capture control of a field on the panel shown now (those of earlier panels may not be deleted yet).
    QWidget* control(const QString& name)
    {
        const QList<QWidget*> widgets = form->findChildren<QWidget*>();
        for (QWidget* widget : widgets) {
            if (widget->isVisible() && widget->property("fieldName").toString() == name)
                return widget;
        }
        return nullptr;
    }

    void enter(const QString& name, const QString& text)
    {
        auto* edit = qobject_cast<QLineEdit*>(control(name));
        ASSERT_NE(edit, nullptr) << name.toStdString();
        edit->setText(text);
    }

    // Chooses the entry of a classifier list by its text.
    void pick(const QString& name, const QString& text)
    {
        auto* list = qobject_cast<QListWidget*>(control(name));
        ASSERT_NE(list, nullptr) << name.toStdString();
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->text().trimmed() == text) {
                list->setCurrentRow(i);
                return;
            }
        }
        ADD_FAILURE() << "no entry " << text.toStdString() << " in " << name.toStdString();
    }

    QString shown(const QString& name)
    {
        if (auto* edit = qobject_cast<QLineEdit*>(control(name)))
            return edit->text();
        if (auto* list = qobject_cast<QListWidget*>(control(name)))
            return list->currentItem() ? list->currentItem()->text().trimmed() : QString();
        return {};
    }

    bool buttonShown(const QString& caption)
    {
        const QList<QPushButton*> buttons = form->findChildren<QPushButton*>();
        return std::any_of(buttons.begin(), buttons.end(),
                           [&](QPushButton* b) { return b->isVisible() && b->text() == caption; });
    }

    QString shownText(const QString& tag) { return transcript(tag).join(u'\n'); }
};

TEST_F(StatusTest, anUpdateRecordsTheNewStatusAndTheValuesBeforeTheEdit)
{
    execute(u"DELETE FROM Situación WHERE Suscriptor = 2"_s);
    const QString before =
        rows(u"SELECT Situación, Clase, Unidades, Vencimiento FROM Suscriptores WHERE Clave = 2"_s).value(0);
    ASSERT_TRUE(before.startsWith(u"Vencido|"_s)) << before.toStdString();
    user.then([this](const WaitContext&) {
        pick(u"Situación"_s, u"Cortado"_s);
        enter(u"Unidades"_s, u"9"_s);
        press(u"&Termina"_s);
    });
    user.answer(u"  Orden de corte "_s); // Nota
    StatusUpdate(session, QString::number(Expired));
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_TRUE(user.refused.isEmpty());
    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_TRUE(shownText(u"panel"_s).contains(u"ACTUALIZA DATOS SUSCRIPTOR"_s));
    EXPECT_TRUE(shownText(u"input"_s).contains(u"Nota = "_s));

    EXPECT_EQ(rows(u"SELECT Situación, Unidades FROM Suscriptores WHERE Clave = 2"_s),
              QStringList{u"Cortado|9"_s});
    // Status, class, units and expiry as they were before the edit.
    const QStringList old = before.split(u'|');
    EXPECT_EQ(history(Expired), QStringList{u"Vencido|%1||Cortado-Orden de corte|%2|%3|%4"_s.arg(
                                    Clock::today().toString(Qt::ISODate), old.at(1), old.at(2), old.at(3))});
    EXPECT_EQ(rows(u"SELECT Count(*) FROM Situación WHERE Suscriptor = 2 AND [Cambiado por] = ''"_s),
              QStringList{u"1"_s});
}

TEST_F(StatusTest, everyCompletedUpdateWritesARowEvenWithTheStatusUnchanged)
{
    struct Case
    {
        QString status; // chosen in the panel; empty leaves it
        QString note;
        QString expected;
    };
    const QList<Case> cases = {
        {{}, {}, u"Vencido-"_s},
        {{}, u"Sin cambios"_s, u"Vencido-Sin cambios"_s},
        {u"Baja"_s, {}, u"Baja-"_s},
        {u"Conectado"_s, u"pagó en banco"_s, u"Conectado-pagó en banco"_s},
    };
    for (const Case& c : cases) {
        execute(u"DELETE FROM Situación WHERE Suscriptor = 2"_s);
        execute(u"UPDATE Suscriptores SET Situación = 'Vencido' WHERE Clave = 2"_s);
        user.then([this, c](const WaitContext&) {
            if (!c.status.isEmpty())
                pick(u"Situación"_s, c.status);
            press(u"&Termina"_s);
        });
        user.answer(c.note);
        StatusUpdate(session, u" 2 "_s);
        EXPECT_TRUE(user.actions.isEmpty());
        EXPECT_EQ(rows(u"SELECT Nota, [Situación Anterior] FROM Situación WHERE Suscriptor = 2"_s),
                  QStringList{c.expected + u"|Vencido"_s})
            << c.expected.toStdString();
    }
}

TEST_F(StatusTest, nothingIsWrittenWithoutACompletedUpdate)
{
    // The subscriber's payments, receipts and history go first, so that the edit below may delete the
    // subscriber.
    execute(u"DELETE FROM Pagos WHERE Suscriptor = 2"_s);
    execute(u"DELETE FROM Recibos WHERE Suscriptor = 2"_s);
    execute(u"DELETE FROM Situación WHERE Suscriptor = 2"_s);
    const QString count = u"SELECT Count(*) FROM Situación"_s;
    const QStringList before = rows(count);
    // A cancelled edit: no note is asked and no row is written.
    user.then([this](const WaitContext&) {
        pick(u"Situación"_s, u"Baja"_s);
        press(u"&Cancela"_s);
    });
    StatusUpdate(session, QString::number(Expired));
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_EQ(session.codes.EngineStatus, 1);
    EXPECT_TRUE(transcript(u"input"_s).isEmpty());
    EXPECT_EQ(rows(u"SELECT Situación FROM Suscriptores WHERE Clave = 2"_s), QStringList{u"Vencido"_s});

    // The record deleted in the edit: nothing left to record.
    user.then([this](const WaitContext&) { press(u"&Elimina"_s); });
    user.answer(u"OK"_s); // ¿Esta seguro de borrar este Registro?
    StatusUpdate(session, QString::number(Expired));
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_TRUE(rows(u"SELECT Clave FROM Suscriptores WHERE Clave = 2"_s).isEmpty());
    EXPECT_TRUE(transcript(u"input"_s).isEmpty());

    // A subscriber deleted elsewhere, and keys that are not numbers, are refused with a message.
    struct Case
    {
        QString key;
        QString message;
    };
    const QList<Case> refused = {
        {u"2"_s, u"No se encuentra el Suscriptor con Clave 2; pudo ser eliminado desde otra terminal."_s},
        {u"3 OR 1=1"_s, u"La Clave del Suscriptor no es válida: \"3 OR 1=1\"."_s},
        {u""_s, u"La Clave del Suscriptor no es válida: \"\"."_s},
    };
    for (const Case& c : refused) {
        session.transcript.mark();
        user.answer(u"OK"_s);
        StatusUpdate(session, c.key);
        EXPECT_TRUE(user.actions.isEmpty());
        EXPECT_EQ(session.codes.EngineStatus, 1);
        EXPECT_TRUE(shownText(u"message"_s).contains(c.message)) << shownText(u"message"_s).toStdString();
        EXPECT_TRUE(transcript(u"panel"_s).isEmpty());
    }
    EXPECT_EQ(rows(count), before);
}

TEST_F(StatusTest, cutDaysAreBonifiedOnlyWhenOfferedAndAccepted)
{
    const QDate today(2026, 12, 10);
    Clock::setToday(today);
    const QDate expiry(2026, 10, 15);
    struct Case
    {
        int daysAgo;
        QString answer; // empty: no question is expected
        int moved;
    };
    const QList<Case> cases = {{3, {}, 0}, {4, u"Yes"_s, 4}, {10, u"Yes"_s, 10}, {10, u"No"_s, 0}};
    for (const Case& c : cases) {
        session.transcript.mark();
        execute(u"DELETE FROM Situación WHERE Suscriptor = 3"_s);
        // An older cut and the last one; the last one counts.
        execute(
            u"INSERT INTO Situación (Suscriptor, [Situación Anterior], Fecha, Nota) VALUES (3, 'Vencido', ?, "
            u"'Cortado-Orden de corte')"_s,
            {today.addDays(-c.daysAgo - 60)});
        execute(
            u"INSERT INTO Situación (Suscriptor, [Situación Anterior], Fecha, Nota) VALUES (3, 'Vencido', ?, "
            u"'Cortado-Falta de pago')"_s,
            {today.addDays(-c.daysAgo)});
        if (!c.answer.isEmpty())
            user.answer(c.answer);
        QDate shifted = expiry;
        BonifyCut(session, QString::number(Cut), shifted);
        EXPECT_TRUE(user.actions.isEmpty()) << c.daysAgo;
        EXPECT_EQ(session.codes.EngineStatus, 0);
        EXPECT_EQ(shifted, expiry.addDays(c.moved)) << c.daysAgo;
        const QString asked = shownText(u"question"_s);
        if (c.answer.isEmpty()) {
            EXPECT_TRUE(asked.isEmpty()) << asked.toStdString();
        } else {
            EXPECT_TRUE(asked.contains(u"¿Bonifica Días de Corte?: Fue Cortado el "_s +
                                       subscribers::longDate(today.addDays(-c.daysAgo)) +
                                       u"     Se puede Bonificar %1 días /  / ¿Bonifica?"_s.arg(c.daysAgo)))
                << asked.toStdString();
        }
        const QStringList bonified =
            rows(u"SELECT Suscriptor, [Situación Anterior], Vencimiento, Clase, Fecha, [Cambiado por], Nota "
                 u"FROM Situación WHERE Clase = 'Bonifica' AND Suscriptor = 3"_s);
        if (c.moved > 0) {
            EXPECT_EQ(bonified,
                      QStringList{u"3|Cortado|%1|Bonifica|2026-12-10|Automatico|%2 Dias Bonificados"_s
                                      .arg(expiry.addDays(c.moved).toString(Qt::ISODate))
                                      .arg(c.moved)});
        } else {
            EXPECT_TRUE(bonified.isEmpty()) << bonified.join(u'\n').toStdString();
        }
    }
}

TEST_F(StatusTest, aSubscriberWithoutARecordedCutIsToldSoAndKeepsTheExpiry)
{
    execute(u"DELETE FROM Situación WHERE Suscriptor = 3"_s);
    execute(
        u"INSERT INTO Situación (Suscriptor, Fecha, Nota) VALUES (3, '2026-01-01', 'Vencido-Cortado ayer')"_s);
    const QStringList before = rows(u"SELECT Count(*) FROM Situación"_s);
    user.answer(u"OK"_s);
    QDate expiry(2026, 10, 15);
    BonifyCut(session, QString::number(Cut), expiry);
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_EQ(expiry, QDate(2026, 10, 15));
    EXPECT_TRUE(shownText(u"message"_s).contains(u"No tiene registrado el Corte."_s));
    EXPECT_EQ(rows(u"SELECT Count(*) FROM Situación"_s), before);
}

TEST_F(StatusTest, aNewSubscriberIsToBeInstalledWithTheMarkOfNoExpiry)
{
    const QString last = rows(u"SELECT Max(Clave) FROM Suscriptores"_s).value(0);
    user.then([this](const WaitContext&) {
        EXPECT_FALSE(buttonShown(u"&Otra"_s));
        EXPECT_FALSE(control(u"Situación"_s)->isEnabled());
        EXPECT_FALSE(control(u"Vencimiento"_s)->isEnabled());
        EXPECT_EQ(shown(u"Situación"_s), u"Por Instalar"_s);
        enter(u"Nombre"_s, u"Rosa María O'Connor Pérez"_s);
        enter(u"Contrato"_s, u"90001"_s);
        pick(u"Clase"_s, u"3-4 TV"_s);
        enter(u"Unidades"_s, u"3"_s);
        enter(u"Calle"_s, u"Hidalgo 12"_s);
        enter(u"Colonia"_s, u"Centro"_s);
        enter(u"Teléfono"_s, u"555-10-20"_s);
        enter(u"Poste"_s, u"C-12"_s);
        enter(u"Zona"_s, u"Centro"_s);
        press(u"&Termina"_s);
    });
    RegisterSubscribers(session, false);
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_TRUE(shownText(u"panel"_s).contains(u"REGISTRA SUSCRIPTOR NUEVO"_s));
    EXPECT_EQ(
        rows(u"SELECT Clave, Nombre, Contrato, Clase, Unidades, Situación, Vencimiento, Calle, Colonia, "
             u"Teléfono, Poste, Zona FROM Suscriptores WHERE Clave > "_s +
             last),
        QStringList{u"%1|Rosa María O'Connor Pérez|90001|3-4 TV|3|Por Instalar|1990-01-01|Hidalgo 12|Centro|"
                    u"555-10-20|C-12|Centro"_s.arg(last.toLongLong() + 1)});
}

TEST_F(StatusTest, severalSubscribersAreRegisteredOneAfterAnother)
{
    const QString last = rows(u"SELECT Max(Clave) FROM Suscriptores"_s).value(0);
    for (const QString& name : {u"Ana Ruiz Soto"_s, u"Luis Mora Vega"_s}) {
        user.then([this, name](const WaitContext&) {
            EXPECT_EQ(shown(u"Situación"_s), u"Por Instalar"_s);
            enter(u"Nombre"_s, name);
            enter(u"Contrato"_s, name.startsWith(u'A') ? u"90011"_s : u"90012"_s);
            pick(u"Clase"_s, u"1-2 TV"_s);
            enter(u"Unidades"_s, u"1"_s);
            press(name.startsWith(u'A') ? u"&Otra"_s : u"&Termina"_s);
        });
    }
    RegisterSubscribers(session, true);
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_EQ(session.engine.SavedCount, 2);
    EXPECT_EQ(rows(u"SELECT Nombre, Contrato, Situación, Vencimiento FROM Suscriptores WHERE Clave > "_s +
                   last + u" ORDER BY Clave"_s),
              (QStringList{u"Ana Ruiz Soto|90011|Por Instalar|1990-01-01"_s,
                           u"Luis Mora Vega|90012|Por Instalar|1990-01-01"_s}));
}

TEST_F(StatusTest, aContractAlreadyGivenIsPointedOutAndCanBeCorrected)
{
    const QStringList existing = rows(u"SELECT Contrato, Nombre FROM Suscriptores WHERE Clave = 1"_s);
    ASSERT_EQ(existing.size(), 1);
    const QString contract = existing.at(0).section(u'|', 0, 0);
    const QString owner = existing.at(0).section(u'|', 1);
    const QString last = rows(u"SELECT Max(Clave) FROM Suscriptores"_s).value(0);
    struct Case
    {
        QString name;
        QString correction; // empty: left as typed
        QString kept;
    };
    const QList<Case> cases = {{u"Pedro Gil Luna"_s, u"90021"_s, u"90021"_s},
                               {u"Eva Gil Luna"_s, {}, contract}};
    for (const Case& c : cases) {
        session.transcript.mark();
        user.then([this, c, contract](const WaitContext&) {
            enter(u"Nombre"_s, c.name);
            enter(u"Contrato"_s, contract);
            pick(u"Clase"_s, u"1-2 TV"_s);
            enter(u"Unidades"_s, u"2"_s);
            press(u"&Termina"_s);
        });
        user.answer(c.correction.isEmpty() ? u"No"_s : u"Yes"_s); // ¿Desea corregirlo?
        if (!c.correction.isEmpty()) {
            user.then([this, c](const WaitContext&) {
                EXPECT_FALSE(control(u"Nombre"_s)->isEnabled());
                enter(u"Contrato"_s, c.correction);
                press(u"&Termina"_s);
            });
        }
        RegisterSubscribers(session, false);
        EXPECT_TRUE(user.actions.isEmpty());
        EXPECT_TRUE(
            shownText(u"question"_s)
                .contains(u"Contrato repetido: El Contrato %1 de %2 ya está registrado para %3.  ¿Desea "
                          u"corregirlo?"_s.arg(contract, c.name, owner)))
            << shownText(u"question"_s).toStdString();
        EXPECT_EQ(rows(u"SELECT Contrato, Situación FROM Suscriptores WHERE Nombre = '"_s + c.name + u"'"_s),
                  QStringList{c.kept + u"|Por Instalar"_s});
    }
    EXPECT_EQ(rows(u"SELECT Count(*) FROM Suscriptores WHERE Clave > "_s + last), QStringList{u"2"_s});
}

TEST_F(StatusTest, aCancelledRegistrationWritesNothing)
{
    const QStringList before = rows(u"SELECT Count(*) FROM Suscriptores"_s);
    user.then([this](const WaitContext&) {
        enter(u"Nombre"_s, u"Nadie"_s);
        press(u"&Cancela"_s);
    });
    RegisterSubscribers(session, false);
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_EQ(rows(u"SELECT Count(*) FROM Suscriptores"_s), before);
    EXPECT_TRUE(transcript(u"question"_s).isEmpty());
}

} // namespace
} // namespace quelmar::office
