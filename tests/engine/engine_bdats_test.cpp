// The presentation engine on a demonstration office: loading, the panel, capture, editing and deletion.
#include "engine/officefixture.h"

#include "core/clock.h"
#include "db/database.h"
#include "db/recordset.h"
#include "engine/bdats.h"
#include "engine/panelview.h"
#include "panels/keyboard.h"
#include "panels/mainform.h"
#include "panels/memobox.h"
#include "session/session.h"
#include "session/sessiondatabase.h"
#include "shell/accesskeys.h"
#include "subscribers/demooffice.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace quelmar::engine {
namespace {

using testing::EngineTest;

TEST_F(EngineTest, datosLoadsTheOwnRecordsetAndDescribesItsFields)
{
    QString statement = QStringLiteral("SELECT Nombre, Contrato, Instalación, Clase FROM Suscriptores");
    QString mode = QStringLiteral("DATOS");
    QString title = QStringLiteral("Suscriptores");
    QString options = QStringLiteral("Top=100");
    int kind = -1;
    int width = 0;
    BDats(session, mode, kind, title, statement, options, width);
    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_EQ(session.engine.RecordCount, 12);
    EXPECT_EQ(session.engine.FieldCount, 4);
    ASSERT_EQ(session.engine.FieldTable.size(), 4);
    EXPECT_EQ(session.engine.FieldTable.at(2).format, QStringLiteral("dd-mmm-yy"));
    EXPECT_EQ(session.engine.FieldTable.at(3).type, 20);
    ASSERT_TRUE(session.database.CurrentRecordset);
    EXPECT_FALSE(session.database.CurrentRecordset->isUpdatable());
    EXPECT_TRUE(options.isEmpty());
    EXPECT_FALSE(form->fixedPanel()->isVisible());
}

TEST_F(EngineTest, aStoredQueryNameIsReplacedByItsStatement)
{
    ASSERT_FALSE(session.database.CurrentDatabase->createStoredQuery(
        QStringLiteral("Nombres"), QStringLiteral("SELECT Nombre FROM Suscriptores")));
    QString statement = QStringLiteral("&Nombres");
    QString mode = QStringLiteral("Datos");
    QString title;
    QString options;
    int kind = 0;
    int width = 0;
    BDats(session, mode, kind, title, statement, options, width);
    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_TRUE(statement.startsWith(QStringLiteral("SELECT"), Qt::CaseInsensitive))
        << statement.toStdString();
    EXPECT_EQ(session.engine.FieldCount, 1);
}

TEST_F(EngineTest, loadingFailuresAndEmptyResults)
{
    struct Case
    {
        const char* mode;
        int kind;
        const char* statement;
        int commandCode;
        int status;
        const char* message; // the message shown, empty for none
    };
    const Case cases[] = {
        {"Datos", 0, "SELECT Nada FROM Ninguna", 0, 3078, ""},
        {"Datos", 0, "SELECT * FROM Gastos WHERE Monto < 0", 0, 1, "No existen registros en Vacio"},
        {"Datos", 0, "SELECT * FROM Gastos WHERE Monto < 0", 1010, 0, ""},
        {"Presenta", 1, "SELECT * FROM Gastos WHERE Monto < 0", 0, 1, "No hay Registros Vacio"},
        {"Presenta", 1, "SELECT * FROM Gastos WHERE Monto < 0", 1010, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        session.transcript.mark();
        session.codes.CommandCode = c.commandCode;
        if (*c.message)
            user.answer(QStringLiteral("OK"));
        BDats(session, QString::fromLatin1(c.mode), c.kind, QStringLiteral("Vacio"),
              QString::fromLatin1(c.statement));
        if (c.status == 3078)
            EXPECT_GT(session.codes.EngineStatus, 0);
        else
            EXPECT_EQ(session.codes.EngineStatus, c.status);
        if (*c.message) {
            ASSERT_EQ(transcript(QStringLiteral("message")).size(), 1);
            EXPECT_TRUE(
                transcript(QStringLiteral("message")).constFirst().contains(QString::fromUtf8(c.message)));
        } else {
            EXPECT_TRUE(transcript(QStringLiteral("message")).isEmpty());
        }
        EXPECT_TRUE(user.actions.isEmpty());
    }
}

TEST_F(EngineTest, presentaShowsFormattedRecordsMovesAndEndsWithTermina)
{
    user.then([this](const WaitContext& context) {
        EXPECT_EQ(context.kind, WaitKind::Screen);
        EXPECT_EQ(context.description, QStringLiteral("panel REVISA"));
        auto* date = qobject_cast<QLineEdit*>(field(QStringLiteral("Instalación")));
        ASSERT_NE(date, nullptr);
        EXPECT_FALSE(date->isEnabled());
        EXPECT_TRUE(date->text().isEmpty() || date->text().size() == 11) << date->text().toStdString();
        EXPECT_NE(qobject_cast<QListWidget*>(field(QStringLiteral("Clase"))), nullptr);
        moveRecord(QStringLiteral("next"));
        moveRecord(QStringLiteral("last"));
        press(QStringLiteral("&Termina"));
    });
    session.codes.CommandCode = 1003; // left by an earlier screen: not a command for this one
    BDats(session, QStringLiteral("Presenta"), 1, QStringLiteral("REVISA"),
          QStringLiteral("SELECT Nombre, Contrato, Clase, Instalación, Observaciones FROM Suscriptores"));
    const QStringList panels = transcript(QStringLiteral("panel"));
    ASSERT_EQ(panels.size(), 3);
    EXPECT_TRUE(panels.at(0).startsWith(QStringLiteral("[panel] REVISA | Registro 1 de 12 | Nombre = ")));
    EXPECT_TRUE(panels.at(1).contains(QStringLiteral("| Registro 2 de 12 |")));
    EXPECT_TRUE(panels.at(2).contains(QStringLiteral("| Registro 12 de 12 |")));
    EXPECT_EQ(session.engine.HelpTopic, QStringLiteral("8"));
    EXPECT_EQ(session.engine.CurrentSQL.left(13), QStringLiteral("SELECT Nombre"));
}

TEST_F(EngineTest, presentaWith1010ReturnsAtOnceAndPresFinWaits)
{
    session.codes.CommandCode = 1010;
    BDats(session, QStringLiteral("Presenta"), 1, QStringLiteral("R"),
          QStringLiteral("SELECT Nombre FROM Suscriptores"), QString(), -3000);
    EXPECT_TRUE(user.waits.isEmpty());
    EXPECT_FALSE(form->fixedPanel()->isVisible());
    user.then([this](const WaitContext&) {
        EXPECT_TRUE(form->fixedPanel()->isVisible());
        press(QStringLiteral("&Imprime"));
    });
    user.answer(QStringLiteral("OK")); // the print not yet available
    user.then([this](const WaitContext&) { press(QStringLiteral("&Termina")); });
    BDats(session, QStringLiteral("PresFin"), 1, QStringLiteral("R"), QString());
    EXPECT_TRUE(user.actions.isEmpty());
}

TEST_F(EngineTest, captureValidatesAsksAndSavesOnlyCorrectedRecords)
{
    const qint64 before = scalar(QStringLiteral("SELECT Count(*) FROM Gastos")).toLongLong();
    // A negative amount fails the rule >0: the box, then the question; Retry keeps the panel to correct.
    user.then([this](const WaitContext&) {
        type(QStringLiteral("Descripción"), QStringLiteral("Papelería"));
        type(QStringLiteral("Monto"), QStringLiteral("-5"));
        press(QStringLiteral("&Termina"));
    });
    user.answer(QStringLiteral("OK"));    // Revise Dato
    user.answer(QStringLiteral("Retry")); // ¿ Desea corregir … ?
    // An amount of 0 passes the panel's check and the database refuses it: correct it (Yes).
    user.then([this](const WaitContext&) {
        type(QStringLiteral("Monto"), QStringLiteral("0"));
        press(QStringLiteral("&Termina"));
    });
    user.answer(QStringLiteral("Yes"));
    user.then([this](const WaitContext&) {
        type(QStringLiteral("Monto"), QStringLiteral("1,250.50"));
        type(QStringLiteral("Comprobante"), QStringLiteral("F-77"));
        press(QStringLiteral("&Termina"));
    });
    BDats(session, QStringLiteral("Captura"), 1, QStringLiteral("Registra Gastos"),
          QStringLiteral("SELECT Descripción, Monto, Comprobante FROM Gastos"));
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_TRUE(user.refused.isEmpty()) << user.refused.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_EQ(session.engine.SavedCount, 1);
    const QStringList messages =
        transcript(QStringLiteral("message")) + transcript(QStringLiteral("question"));
    EXPECT_TRUE(messages.join(QLatin1Char('\n'))
                    .contains(QStringLiteral("Revise Dato: El dato: Monto debería ser mayor que 0")))
        << messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(messages.join(QLatin1Char('\n')).contains(QStringLiteral("Se presenta el error: 3317")));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Gastos")).toLongLong(), before + 1);
    EXPECT_DOUBLE_EQ(scalar(QStringLiteral("SELECT Monto FROM Gastos WHERE Comprobante = 'F-77'")).toDouble(),
                     1250.5);
    EXPECT_FALSE(form->fixedPanel()->isVisible());
}

TEST_F(EngineTest, aDuplicateKeyIsTranslatedAndCorrected)
{
    // Vouchers made unique for this test (the demo repeats some).
    ASSERT_FALSE(session.database.CurrentDatabase->execute(QStringLiteral("DELETE FROM Gastos")));
    ASSERT_FALSE(session.database.CurrentDatabase->execute(
        QStringLiteral("CREATE UNIQUE INDEX ComprobanteUnico ON Gastos (Comprobante)")));
    ASSERT_FALSE(session.database.CurrentDatabase->execute(
        QStringLiteral("INSERT INTO Gastos (Descripción, Monto, Comprobante) VALUES ('Luz', 10, 'F-1')")));
    const qint64 before = scalar(QStringLiteral("SELECT Count(*) FROM Gastos")).toLongLong();
    user.then([this](const WaitContext&) {
        type(QStringLiteral("Descripción"), QStringLiteral("Agua"));
        type(QStringLiteral("Monto"), QStringLiteral("20"));
        type(QStringLiteral("Comprobante"), QStringLiteral("F-1"));
        press(QStringLiteral("&Termina"));
    });
    user.answer(QStringLiteral("Yes")); // Desea corregirlo?
    user.then([this](const WaitContext&) {
        type(QStringLiteral("Comprobante"), QStringLiteral("F-2"));
        press(QStringLiteral("&Termina"));
    });
    BDats(session, QStringLiteral("Captura"), 1, QStringLiteral("Registra Gastos"),
          QStringLiteral("SELECT Descripción, Monto, Comprobante FROM Gastos"));
    EXPECT_TRUE(user.actions.isEmpty());
    const QString shown = transcript(QStringLiteral("question")).join(QLatin1Char('\n'));
    EXPECT_TRUE(shown.contains(QStringLiteral("Se presenta el error: 3022   ")));
    EXPECT_TRUE(shown.contains(QStringLiteral("La Clave de identificación ya existe, y no puede haber claves "
                                              "duplicadas.  Cambie la Clave o Cancele")))
        << shown.toStdString();
    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Gastos")).toLongLong(), before + 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Descripción FROM Gastos WHERE Comprobante = 'F-2'")).toString(),
              QStringLiteral("Agua"));
}

TEST_F(EngineTest, aValueTheDatabaseCannotConvertIsCorrectedNeverLostInSilence)
{
    // A catalogue that calls a numbered key text: the panel's check lets letters through and the database
    // refuses them with a conversion error (3421).
    db::Database& database = *session.database.CurrentDatabase;
    db::TableDef folios;
    folios.name = QStringLiteral("Folios");
    db::FieldDef number;
    number.name = QStringLiteral("Numero");
    number.type = db::jettype::Long;
    number.autoNumber = true;
    db::FieldDef note;
    note.name = QStringLiteral("Nota");
    note.type = db::jettype::Text;
    note.size = 40;
    folios.fields = {number, note};
    ASSERT_FALSE(database.createTables({folios}));
    ASSERT_FALSE(database.execute(QStringLiteral(
        "UPDATE MSysFields SET Type = 10, [Size] = 10 WHERE TableName = 'Folios' AND FieldName = 'Numero'")));
    database.reloadCatalogue();

    user.then([this](const WaitContext&) {
        type(QStringLiteral("Numero"), QStringLiteral("A-1"));
        type(QStringLiteral("Nota"), QStringLiteral("primera"));
        press(QStringLiteral("&Termina"));
    });
    user.answer(QStringLiteral("Yes")); // Desea corregirlo?
    user.then([this](const WaitContext&) {
        type(QStringLiteral("Numero"), QStringLiteral("15"));
        press(QStringLiteral("&Termina"));
    });
    BDats(session, QStringLiteral("Captura"), 1, QStringLiteral("Folios"),
          QStringLiteral("SELECT Numero, Nota FROM Folios"));
    EXPECT_TRUE(user.actions.isEmpty());
    const QString shown = transcript(QStringLiteral("question")).join(QLatin1Char('\n'));
    EXPECT_TRUE(shown.contains(QStringLiteral("Aviso de Error: Se presenta el error: 3421")));
    EXPECT_TRUE(shown.contains(
        QStringLiteral("Dato de Fecha ó Numérico con error.  Revise y corrija / Desea corregirlo?")))
        << shown.toStdString();
    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_EQ(session.engine.SavedCount, 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Nota FROM Folios WHERE Numero = 15")).toString(),
              QStringLiteral("primera"));
}

TEST_F(EngineTest, aRecordLockedByAnotherProgramIsRetriedThenAskedAndNothingIsWritten)
{
    // Another program holds a write transaction on the same file.
    db::DbError error;
    auto other = db::Database::open(session.database.CurrentDatabase->path(), {}, error);
    ASSERT_TRUE(other) << error.description.toStdString();
    ASSERT_FALSE(other->beginTransaction());
    ASSERT_FALSE(other->execute(QStringLiteral("UPDATE Gastos SET Comprobante = Comprobante")));
    const qint64 before = scalar(QStringLiteral("SELECT Count(*) FROM Gastos")).toLongLong();
    user.then([this](const WaitContext&) {
        type(QStringLiteral("Descripción"), QStringLiteral("Renta del local"));
        type(QStringLiteral("Monto"), QStringLiteral("900"));
        press(QStringLiteral("&Termina"));
    });
    user.answer(QStringLiteral("No")); // ¿Desea intentar otra vez?
    BDats(session, QStringLiteral("Captura"), 1, QStringLiteral("Registra Gastos"),
          QStringLiteral("SELECT Descripción, Monto, Comprobante FROM Gastos"));
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_TRUE(transcript(QStringLiteral("question"))
                    .join(QLatin1Char('\n'))
                    .contains(QStringLiteral("Esta bloqueado el Registro por otro Usuario.")));
    EXPECT_TRUE(db::DbError::make(session.codes.EngineStatus).isLock()) << session.codes.EngineStatus;
    other->rollback();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Gastos")).toLongLong(), before);
}

TEST_F(EngineTest, aClassifierFieldOffersItsClassAndSavesTheChosenName)
{
    user.then([this](const WaitContext&) {
        auto* list = qobject_cast<QListWidget*>(field(QStringLiteral("Tipo")));
        ASSERT_NE(list, nullptr);
        // The heading row of the class is not offered.
        ASSERT_GE(list->count(), 2);
        EXPECT_EQ(list->item(0)->text().trimmed(), QStringLiteral("Papelería"));
        list->setCurrentRow(1);
        type(QStringLiteral("Descripción"), QStringLiteral("Gasolina"));
        type(QStringLiteral("Monto"), QStringLiteral("300"));
        press(QStringLiteral("&Termina"));
    });
    BDats(session, QStringLiteral("CaptUni"), 1, QStringLiteral("Registra Gastos"),
          QStringLiteral("SELECT Tipo, Descripción, Monto FROM Gastos"));
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tipo FROM Gastos WHERE Descripción = 'Gasolina'")).toString(),
              QStringLiteral("Combustible"));
}

TEST_F(EngineTest, aNewRecordShowsTheDefaultsOfItsFieldsAndWritesThem)
{
    Clock::setToday(QDate(2026, 12, 10));
    QString shownDate;
    user.then([this, &shownDate](const WaitContext&) {
        auto* date = qobject_cast<QLineEdit*>(field(QStringLiteral("Fecha")));
        ASSERT_NE(date, nullptr);
        shownDate = date->text();
        type(QStringLiteral("Descripción"), QStringLiteral("Gasolina"));
        type(QStringLiteral("Monto"), QStringLiteral("350"));
        type(QStringLiteral("Comprobante"), QStringLiteral("F-DEF"));
        press(QStringLiteral("&Termina"));
    });
    BDats(session, QStringLiteral("Captura"), 1, QStringLiteral("Registra Gastos"),
          QStringLiteral("SELECT Descripción, Monto, Comprobante, Fecha FROM Gastos"));
    Clock::setToday({});
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_EQ(shownDate, QStringLiteral("10-Dic-2026"));
    EXPECT_EQ(session.engine.SavedCount, 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Fecha FROM Gastos WHERE Comprobante = 'F-DEF'")).toDate(),
              QDate(2026, 12, 10));
}

TEST_F(EngineTest, typedKeysAreRefusedAsTheFieldsTypeAndSizeSay)
{
    QMap<QString, QString> held;
    QString memoText;
    const QString observation = QString(1200, QLatin1Char('o')) + QStringLiteral(" fin");
    user.then([&](const WaitContext&) {
        const QList<std::pair<QString, QString>> typed = {
            {QStringLiteral("Nombre"), QString(80, QLatin1Char('n'))}, // a text of 50 characters
            {QStringLiteral("Contrato"), QStringLiteral("12ab-34")},   // a whole number
            {QStringLiteral("Unidades"), QStringLiteral("7.5x")},      // a whole number
            {QStringLiteral("Poste"), QString(300, QLatin1Char('p'))}, // a text of 10 characters
            {QStringLiteral("Vencimiento"), QStringLiteral("10-Dic-2026!")},
        };
        for (const auto& [name, text] : typed) {
            panels::keyboard::replaceText(field(name), text);
            held.insert(name, qobject_cast<QLineEdit*>(field(name))->text());
        }
        panels::keyboard::replaceText(field(QStringLiteral("Contrato")), QString(300, QLatin1Char('9')));
        held.insert(QStringLiteral("Contrato largo"),
                    qobject_cast<QLineEdit*>(field(QStringLiteral("Contrato")))->text());
        auto* memo = qobject_cast<panels::MemoBox*>(field(QStringLiteral("Observaciones")));
        ASSERT_NE(memo, nullptr);
        panels::keyboard::replaceText(memo, observation);
        memoText = memo->text();
        press(QStringLiteral("&Cancela"));
    });
    BDats(session, QStringLiteral("Captura"), 1, QStringLiteral("Registra"),
          QStringLiteral(
              "SELECT Nombre, Contrato, Unidades, Poste, Vencimiento, Observaciones FROM Suscriptores"));
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_EQ(held.value(QStringLiteral("Nombre")), QString(50, QLatin1Char('n')));
    EXPECT_EQ(held.value(QStringLiteral("Contrato")), QStringLiteral("1234"));
    EXPECT_EQ(held.value(QStringLiteral("Unidades")), QStringLiteral("75"));
    EXPECT_EQ(held.value(QStringLiteral("Poste")), QString(10, QLatin1Char('p')));
    EXPECT_EQ(held.value(QStringLiteral("Vencimiento")), QStringLiteral("10-Dic-2026"));
    // No masked field holds more than a text field can.
    EXPECT_EQ(held.value(QStringLiteral("Contrato largo")), QString(255, QLatin1Char('9')));
    EXPECT_EQ(memoText, observation);
}

TEST_F(EngineTest, captureCancelledWritesNothing)
{
    const qint64 before = scalar(QStringLiteral("SELECT Count(*) FROM Gastos")).toLongLong();
    // A missing required description: Cancel at the question discards the record.
    user.then([this](const WaitContext&) {
        type(QStringLiteral("Monto"), QStringLiteral("30"));
        press(QStringLiteral("&Termina"));
    });
    user.answer(QStringLiteral("OK"));
    user.answer(QStringLiteral("Cancel"));
    BDats(session, QStringLiteral("CaptUni"), 1, QStringLiteral("Registra Gastos"),
          QStringLiteral("SELECT Descripción, Monto, Comprobante FROM Gastos"));
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_EQ(session.codes.EngineStatus, -10);
    EXPECT_EQ(session.engine.SavedCount, 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Gastos")).toLongLong(), before);
}

TEST_F(EngineTest, captureOtraSavesAndStartsAnotherWithFixedValues)
{
    const qint64 before = scalar(QStringLiteral("SELECT Count(*) FROM Gastos")).toLongLong();
    session.engine.FixedValues = QStringLiteral("Gastos.Comprobante = FIJO");
    user.then([this](const WaitContext&) {
        EXPECT_FALSE(field(QStringLiteral("Comprobante"))->isEnabled());
        type(QStringLiteral("Descripción"), QStringLiteral("Uno"));
        type(QStringLiteral("Monto"), QStringLiteral("10"));
        press(QStringLiteral("&Otra"));
    });
    user.then([this](const WaitContext&) {
        EXPECT_TRUE(qobject_cast<QLineEdit*>(field(QStringLiteral("Descripción")))->text().isEmpty());
        type(QStringLiteral("Descripción"), QStringLiteral("Dos"));
        type(QStringLiteral("Monto"), QStringLiteral("20"));
        press(QStringLiteral("&Termina"));
    });
    BDats(session, QStringLiteral("Captura"), 1, QStringLiteral("G"),
          QStringLiteral("SELECT Descripción, Monto, Comprobante FROM Gastos"));
    EXPECT_EQ(session.engine.SavedCount, 2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Gastos WHERE Comprobante = 'FIJO'")).toLongLong(),
              2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Gastos")).toLongLong(), before + 2);
    EXPECT_TRUE(session.engine.FixedValues.isEmpty());
}

TEST_F(EngineTest, editSavesChangesAndDeletesOnlyWhenConfirmed)
{
    const QString statement =
        QStringLiteral("SELECT Descripción, Monto, Comprobante, Fecha, Cheque FROM Gastos ORDER BY Fecha");
    const qint64 before = scalar(QStringLiteral("SELECT Count(*) FROM Gastos")).toLongLong();
    ASSERT_GT(before, 2);
    // Elimina refused, Elimina done, then the next record changed and written.
    user.then([this](const WaitContext&) { press(QStringLiteral("&Elimina")); });
    user.answer(QStringLiteral("Cancel"));
    user.then([this](const WaitContext&) { press(QStringLiteral("&Elimina")); });
    user.answer(QStringLiteral("OK"));
    user.then([this](const WaitContext&) {
        type(QStringLiteral("Cheque"), QStringLiteral("CH-9"));
        press(QStringLiteral("&Termina"));
    });
    BDats(session, QStringLiteral("Edita"), 1, QStringLiteral("Modifica Gastos"), statement);
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Gastos")).toLongLong(), before - 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Gastos WHERE Cheque = 'CH-9'")).toLongLong(), 1);
    const QStringList questions = transcript(QStringLiteral("question"));
    ASSERT_FALSE(questions.isEmpty());
    EXPECT_TRUE(questions.constFirst().contains(
        QStringLiteral("BORRA REGISTRO:   ¿Esta seguro de borrar este Registro?")))
        << questions.constFirst().toStdString();
}

TEST_F(EngineTest, editCancelDiscardsTheChanges)
{
    user.then([this](const WaitContext&) {
        type(QStringLiteral("Cheque"), QStringLiteral("NO-SE-GUARDA"));
        press(QStringLiteral("&Cancela"));
    });
    BDats(session, QStringLiteral("Edita"), 1, QStringLiteral("Modifica Gastos"),
          QStringLiteral("SELECT Descripción, Monto, Comprobante, Fecha, Cheque FROM Gastos"));
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT Count(*) FROM Gastos WHERE Cheque = 'NO-SE-GUARDA'")).toLongLong(), 0);
}

TEST_F(EngineTest, quitaRemovesThePanel)
{
    session.codes.CommandCode = 1010;
    BDats(session, QStringLiteral("Presenta"), 1, QStringLiteral("R"),
          QStringLiteral("SELECT Nombre FROM Suscriptores"));
    EXPECT_TRUE(form->fixedPanel()->isVisible());
    session.codes.PresentationVariant = 1012;
    BDats(session, QStringLiteral("quita"), 0, QString(), QString());
    EXPECT_FALSE(form->fixedPanel()->isVisible());
    EXPECT_EQ(session.codes.PresentationVariant, 0);
    EXPECT_FALSE(session.engine.PanelRecordset); // nothing holds on to the database once the panel is gone
}

} // namespace
} // namespace quelmar::engine
