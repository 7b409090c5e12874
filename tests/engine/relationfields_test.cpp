// Relation fields on the panel: the key shown with its description, only the key written, and the key picked
// from a grid of the related table.
#include "engine/officefixture.h"

#include "db/database.h"
#include "engine/bdats.h"
#include "engine/gridmodel.h"
#include "engine/gridview.h"
#include "panels/keyboard.h"
#include "session/session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace quelmar::engine {
namespace {

using testing::EngineTest;

class RelationFieldsTest : public EngineTest
{
protected:
    QString text(const QString& name) { return qobject_cast<QLineEdit*>(field(name))->text(); }
    QString name(qint64 subscriber)
    {
        return scalar(QStringLiteral("SELECT Nombre FROM Suscriptores WHERE Clave = %1").arg(subscriber))
            .toString();
    }
    void execute(const QString& sql)
    {
        const db::DbError error = session.database.CurrentDatabase->execute(sql);
        ASSERT_FALSE(error) << error.description.toStdString();
    }
    // The complaint key of a new complaint of that subscriber (the database numbers it).
    qint64 complaintOf(const QString& client, const QString& description)
    {
        execute(QStringLiteral("INSERT INTO Quejas (Cliente, Descripción) VALUES (%1, '%2')")
                    .arg(client, description));
        return scalar(QStringLiteral("SELECT Max(Clave) FROM Quejas")).toLongLong();
    }
    // The row of the choice grid shown that holds the key, chosen with a double click (-2).
    void chooseKey(qint64 key)
    {
        GridView& view = grid(session);
        for (int row = 0; row < view.model()->rowCount(); ++row) {
            if (view.cellText(row, 0).remove(u',').toLongLong() == key) {
                view.setCurrent(row, 0);
                session.codes.CommandCode = -2;
                return;
            }
        }
        ADD_FAILURE() << "no row holds " << key;
        session.codes.CommandCode = -3;
    }
};

TEST_F(RelationFieldsTest, aPresentedRelationFieldShowsItsKeyWithTheDescriptionOrTheKeyAlone)
{
    // One complaint per case: a subscriber that exists, one the table lacks, none (0) and empty.
    execute(QStringLiteral("UPDATE Suscriptores SET Nombre = 'Bar · Café del Centro' WHERE Clave = 3"));
    const struct
    {
        QString client;
        QString shown;
    } cases[] = {
        {QStringLiteral("2"), QStringLiteral("2 · ") + name(2)},
        {QStringLiteral("3"), QStringLiteral("3 · Bar · Café del Centro")},
        {QStringLiteral("99999"), QStringLiteral("99999")},
        {QStringLiteral("0"), QStringLiteral("0")},
    };
    // The complaint of a subscriber the table lacks was stored before the database kept its references.
    const QVariant relation = scalar(QStringLiteral(
        "SELECT DefaultValue FROM MSysFields WHERE TableName = 'Quejas' AND FieldName = 'Cliente'"));
    const auto setRelation = [this](const QString& defaultValue) {
        execute(QStringLiteral("UPDATE MSysFields SET DefaultValue = %1 WHERE TableName = 'Quejas' AND "
                               "FieldName = 'Cliente'")
                    .arg(defaultValue));
        session.database.CurrentDatabase->reloadCatalogue();
        ASSERT_TRUE(session.database.CurrentDatabase->ensureReferences().ok());
    };
    setRelation(QStringLiteral("Null"));
    QStringList keys;
    for (const auto& c : cases)
        keys.append(QString::number(complaintOf(c.client, QStringLiteral("caso ") + c.client)));
    setRelation(u'\'' + relation.toString() + u'\'');
    QStringList shown;
    for (int i = 0; i < int(std::size(cases)) - 1; ++i) {
        user.then([this, &shown](const WaitContext&) {
            shown.append(text(QStringLiteral("Cliente")));
            moveRecord(QStringLiteral("next"));
        });
    }
    user.then([this, &shown](const WaitContext&) {
        shown.append(text(QStringLiteral("Cliente")));
        press(QStringLiteral("&Termina"));
    });
    BDats(session, QStringLiteral("Presenta"), 1, QStringLiteral("Quejas"),
          QStringLiteral("SELECT Cliente, Descripción FROM Quejas WHERE Clave IN (") + keys.join(u',') +
              QStringLiteral(") ORDER BY Clave"));
    ASSERT_EQ(shown.size(), int(std::size(cases)));
    for (int i = 0; i < shown.size(); ++i)
        EXPECT_EQ(shown.at(i), cases[i].shown) << cases[i].client.toStdString();
    // A key the related table lacks is no error: nothing was asked of the user.
    EXPECT_TRUE(transcript(QStringLiteral("message")).isEmpty());
    EXPECT_TRUE(transcript(QStringLiteral("panel")).join(u'\n').contains(QStringLiteral("| Cliente = 2 · ")));
}

TEST_F(RelationFieldsTest, onlyTheKeyIsWrittenWhateverTheFieldShows)
{
    execute(QStringLiteral("UPDATE Suscriptores SET Nombre = 'Tienda · La Esquina' WHERE Clave = 4"));
    const qint64 complaint = complaintOf(QStringLiteral("4"), QStringLiteral("escrita"));
    // Edited as shown (with a description that holds "·"), then typed with a description of the user's own.
    const struct
    {
        QString typed; // empty: the field is left as shown
        qint64 stored;
    } cases[] = {
        {QString(), 4},
        {QStringLiteral("5 · lo que sea · y más"), 5},
        {QStringLiteral("6"), 6},
    };
    for (const auto& c : cases) {
        user.then([this, &c](const WaitContext&) {
            if (!c.typed.isEmpty())
                type(QStringLiteral("Cliente"), c.typed);
            press(QStringLiteral("&Termina"));
        });
        BDats(session, QStringLiteral("Edita"), 1, QStringLiteral("Queja"),
              QStringLiteral("SELECT Cliente, Descripción FROM Quejas WHERE Clave = %1").arg(complaint));
        EXPECT_EQ(session.engine.SavedCount, 1) << c.typed.toStdString();
        const QVariant stored =
            scalar(QStringLiteral("SELECT Cliente FROM Quejas WHERE Clave = %1").arg(complaint));
        EXPECT_EQ(stored.typeId(), QMetaType::LongLong) << c.typed.toStdString();
        EXPECT_EQ(stored.toLongLong(), c.stored) << c.typed.toStdString();
        BDats(session, QStringLiteral("Quita"), 0, QString(), QString());
        // The panel's controls go before the next one is built.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(RelationFieldsTest, aTypedNonNumberGetsTheFieldsMessageAndIsNotWritten)
{
    const qint64 complaint = complaintOf(QStringLiteral("2"), QStringLiteral("mal escrita"));
    user.then([this](const WaitContext&) {
        type(QStringLiteral("Cliente"), QStringLiteral("Juan"));
        press(QStringLiteral("&Termina"));
    });
    user.answer(QStringLiteral("OK"));     // Revise Dato
    user.answer(QStringLiteral("Cancel")); // ¿ Desea corregir … ?
    BDats(session, QStringLiteral("Edita"), 1, QStringLiteral("Queja"),
          QStringLiteral("SELECT Cliente, Descripción FROM Quejas WHERE Clave = %1").arg(complaint));
    EXPECT_TRUE(transcript(QStringLiteral("message"))
                    .join(u'\n')
                    .contains(QStringLiteral("Revise Dato: CLIENTE   Admite solo valores numéricos enteros")))
        << transcript(QStringLiteral("message")).join(u'\n').toStdString();
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT Cliente FROM Quejas WHERE Clave = %1").arg(complaint)).toLongLong(), 2);
}

TEST_F(RelationFieldsTest, aKeyPressInCaptureOpensTheChoiceAndTheChosenKeyIsStored)
{
    const qint64 chosen = 7;
    const qint64 before = scalar(QStringLiteral("SELECT Count(*) FROM Quejas")).toLongLong();
    QString choiceStatement;
    QString shownAfterEsc;
    // A letter typed in Cliente opens the choice; Esc leaves the field empty; the second choice takes a row.
    user.then([this](const WaitContext&) {
        panels::keyboard::replaceText(field(QStringLiteral("Cliente")), QStringLiteral("J"));
    });
    user.then([this, &choiceStatement](const WaitContext& context) {
        choiceStatement = session.engine.CurrentSQL;
        EXPECT_EQ(session.codes.PresentationVariant, 303);
        EXPECT_TRUE(context.description.contains(QStringLiteral("Define Cliente, con doble toque en Fila")))
            << context.description.toStdString();
        session.codes.CommandCode = -3;
    });
    user.then([this, &shownAfterEsc](const WaitContext&) {
        shownAfterEsc = text(QStringLiteral("Cliente"));
        panels::keyboard::replaceText(field(QStringLiteral("Cliente")), QStringLiteral(" "));
    });
    user.then([this, chosen](const WaitContext&) { chooseKey(chosen); });
    user.then([this](const WaitContext&) {
        type(QStringLiteral("Descripción"), QStringLiteral("Elegido en la tabla"));
        press(QStringLiteral("&Termina"));
    });
    BDats(session, QStringLiteral("Captura"), 1, QStringLiteral("Registra Quejas"),
          QStringLiteral("SELECT Cliente, Descripción FROM Quejas"));
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_EQ(choiceStatement, QStringLiteral("SELECT Clave,Nombre FROM Suscriptores Order by Nombre"));
    EXPECT_EQ(shownAfterEsc, QString());
    EXPECT_TRUE(transcript(QStringLiteral("panel"))
                    .join(u'\n')
                    .contains(QStringLiteral("Cliente = %1 · %2").arg(chosen).arg(name(chosen))))
        << transcript(QStringLiteral("panel")).join(u'\n').toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Quejas")).toLongLong(), before + 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Cliente FROM Quejas WHERE Descripción = 'Elegido en la tabla'"))
                  .toLongLong(),
              chosen);
}

TEST_F(RelationFieldsTest, aRestrictedChoiceOffersOnlyTheRowsOfItsCondition)
{
    session.engine.DetailSQL = QStringLiteral("Rel-Sel");
    session.engine.MasterKeyField = QStringLiteral("Clave <= 3");
    qint64 offered = -1;
    QString statement;
    user.then([this](const WaitContext&) {
        panels::keyboard::replaceText(field(QStringLiteral("Cliente")), QStringLiteral("a"));
    });
    user.then([this, &offered, &statement](const WaitContext&) {
        offered = session.engine.RecordCount;
        statement = session.engine.CurrentSQL;
        session.codes.CommandCode = -3;
    });
    user.then([this](const WaitContext&) { press(QStringLiteral("&Cancela")); });
    BDats(session, QStringLiteral("Captura"), 1, QStringLiteral("Registra Quejas"),
          QStringLiteral("SELECT Cliente, Descripción FROM Quejas"));
    EXPECT_EQ(offered, 3);
    EXPECT_EQ(statement,
              QStringLiteral("SELECT Clave,Nombre FROM Suscriptores WHERE Clave <= 3 Order by Nombre"));
}

TEST_F(RelationFieldsTest, aGridCellTypedWithItsDescriptionStoresTheKeyAlone)
{
    const qint64 complaint = complaintOf(QStringLiteral("2"), QStringLiteral("en la tabla"));
    bool accepted = false;
    user.then([this, &accepted](const WaitContext&) {
        GridModel& model = *grid(session).model();
        grid(session).setCurrent(0, 0);
        accepted = model.setData(model.index(0, 0), QStringLiteral("5 · Nombre · Apellido"));
        press(QStringLiteral("&Termina"));
    });
    BDats(session, QStringLiteral("TabEdi"), 2, QStringLiteral("Quejas"),
          QStringLiteral("SELECT Cliente, Descripción FROM Quejas WHERE Clave = %1").arg(complaint));
    EXPECT_TRUE(accepted);
    const QVariant stored =
        scalar(QStringLiteral("SELECT Cliente FROM Quejas WHERE Clave = %1").arg(complaint));
    EXPECT_EQ(stored.typeId(), QMetaType::LongLong);
    EXPECT_EQ(stored.toLongLong(), 5);
}

TEST_F(RelationFieldsTest, theChoiceOverAHundredThousandRowsOpensAtOnce)
{
    db::Database& base = *session.database.CurrentDatabase;
    {
        db::Transaction transaction(base);
        db::DbError error;
        const auto insert =
            base.prepare(QStringLiteral("INSERT INTO Suscriptores (Nombre, Contrato, Clase, Situación) "
                                        "VALUES (?, ?, '1-2 TV', 'Conectado')"),
                         error);
        ASSERT_FALSE(error) << error.description.toStdString();
        for (int i = 0; i < 100000; ++i)
            ASSERT_FALSE(
                insert->run({QStringLiteral("Abonado %1").arg(i, 6, 10, QLatin1Char('0')), 900000 + i}));
        ASSERT_FALSE(transaction.commit());
    }
    const qint64 total = scalar(QStringLiteral("SELECT Count(*) FROM Suscriptores")).toLongLong();
    QElapsedTimer timer;
    qint64 openedAfter = -1;
    qint64 offered = -1;
    user.then([this, &timer](const WaitContext&) {
        timer.start();
        panels::keyboard::replaceText(field(QStringLiteral("Cliente")), QStringLiteral("A"));
    });
    user.then([this, &timer, &openedAfter, &offered](const WaitContext&) {
        openedAfter = timer.elapsed();
        offered = session.engine.RecordCount;
        session.codes.CommandCode = -3;
    });
    user.then([this](const WaitContext&) { press(QStringLiteral("&Cancela")); });
    BDats(session, QStringLiteral("Captura"), 1, QStringLiteral("Registra Quejas"),
          QStringLiteral("SELECT Cliente, Descripción FROM Quejas"));
    EXPECT_EQ(offered, total);
    // The rows are read as they are shown: the grid opens in a moment, however many there are.
    EXPECT_GE(openedAfter, 0);
    EXPECT_LT(openedAfter, 1500);
}

TEST_F(RelationFieldsTest, aKeyTypedOverOneShownWithItsDescriptionReplacesIt)
{
    const qint64 complaint = complaintOf(QStringLiteral("2"), QStringLiteral("tecleada"));
    QString shownBefore;
    user.then([this, &shownBefore](const WaitContext&) {
        shownBefore = text(QStringLiteral("Cliente"));
        QWidget* client = field(QStringLiteral("Cliente"));
        client->setFocus();
        panels::keyboard::press(client, Qt::Key_End);
        for (const QChar digit : QStringLiteral("11"))
            QCoreApplication::postEvent(
                client, new QKeyEvent(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, QString(digit)));
        QCoreApplication::processEvents();
        press(QStringLiteral("&Termina"));
    });
    BDats(session, QStringLiteral("Edita"), 1, QStringLiteral("Queja"),
          QStringLiteral("SELECT Cliente, Descripción FROM Quejas WHERE Clave = %1").arg(complaint));
    EXPECT_EQ(shownBefore, QStringLiteral("2 · ") + name(2));
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT Cliente FROM Quejas WHERE Clave = %1").arg(complaint)).toLongLong(),
        11);
}

} // namespace
} // namespace quelmar::engine
