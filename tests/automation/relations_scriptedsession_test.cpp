// Whole scripted sessions of relation fields: complaints show their subscriber and technician by name, a
// subscriber is picked from the grid by a double click, only keys are stored, and the relations are followed
// from a complaint to its subscriber, its technician and the technician's chief.
#include "officesession.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

class RelationsSession : public quelmar::automationtest::OfficeSession
{
protected:
    RelationsSession() : OfficeSession(60) {}

    QString nameOf(const QString& key)
    {
        return query(QStringLiteral("SELECT Nombre FROM Suscriptores WHERE Clave = ") + key);
    }

    // Statements straight on the office's file, past the program (as another tool, or an older version of the
    // program, could write it); false with the failure when one is refused.
    bool onTheFile(const QStringList& statements, QString* failure = nullptr)
    {
        bool done = true;
        {
            QSqlDatabase database =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            database.setDatabaseName(office() + QStringLiteral("/Quelmar.mdb"));
            EXPECT_TRUE(database.open());
            for (const QString& statement : statements) {
                QSqlQuery sql(database);
                if (!sql.exec(statement)) {
                    if (failure)
                        *failure = sql.lastError().databaseText();
                    done = false;
                    break;
                }
            }
            database.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
        return done;
    }

    int check()
    {
        QProcess admin;
        admin.start(QStringLiteral(QUELMAR_ADMIN),
                    {QStringLiteral("check"), office() + QStringLiteral("/Quelmar.mdb")});
        EXPECT_TRUE(admin.waitForFinished(quelmar::automationtest::ProcessTimeout));
        m_checked = QString::fromUtf8(admin.readAllStandardOutput() + admin.readAllStandardError());
        return admin.exitCode();
    }

    QString m_checked;

    // How the file keeps the two keys of a complaint ("integer/integer"), asked in the file's own SQL: the
    // office's SQL has no function that tells it.
    QString storedKeyTypes(const QString& description)
    {
        QString types;
        {
            QSqlDatabase database =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("tipos"));
            database.setDatabaseName(office() + QStringLiteral("/Quelmar.mdb"));
            EXPECT_TRUE(database.open());
            QSqlQuery stored(database);
            stored.prepare(QStringLiteral("SELECT typeof(\"Cliente\") || '/' || typeof(\"Técnico\") FROM "
                                          "\"Quejas\" WHERE \"Descripción\" = ?"));
            stored.addBindValue(description);
            EXPECT_TRUE(stored.exec() && stored.next()) << stored.lastError().text().toStdString();
            types = stored.value(0).toString();
            database.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("tipos"));
        return types;
    }
};

TEST_F(RelationsSession, theComplaintPanelsShowTheSubscriberAndTechnicianByNameAndStoreOnlyTheirKeys)
{
    // A subscriber without complaints, so that the update shows the complaint registered here.
    const QString key = query(QStringLiteral("SELECT TOP 1 Clave FROM Suscriptores WHERE Clave NOT IN "
                                             "(SELECT Cliente FROM Quejas) ORDER BY Clave"));
    ASSERT_FALSE(key.isEmpty());
    const QString contract = query(QStringLiteral("SELECT Contrato FROM Suscriptores WHERE Clave = ") + key);
    const QString name = nameOf(key);
    // The technicians are offered by name: the fourth is the one whose key is taken.
    const QString technician =
        query(QStringLiteral("SELECT Clave FROM Técnicos WHERE Nombre = 'Luis Hernández Cruz'"));
    const int status =
        run(QStringLiteral("menu 6\nmenu 1\nanswer C\nanswer %1\nrow 1\nkey Enter\n"
                           "expect [panel] Registra Quejas de %3 | Registro nuevo | "
                           "Cliente = %2 · %3 | Descripción =  |\n"
                           "set Descripción Sin imagen en la sala\n"
                           "press Termina\n"
                           "menu 6\nmenu 2\nanswer C\nanswer %1\nrow 1\nkey Enter\n"
                           "expect [panel] Actualiza Queja de %3 | Registro 1 de 1 | "
                           "Cliente = %2 · %3 | Descripción = Sin imagen en la sala |\n"
                           "dblclick Técnico\n"
                           "expect [grid] Cambia Técnico, con doble toque en Fila (Doble click)\n"
                           "row 4\ndblclick\n"
                           "expect | Técnico = %4 · Luis Hernández Cruz\n"
                           "press Termina\nmenu 98\n")
                .arg(contract, key, name, technician));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Cliente & '/' & Técnico FROM Quejas WHERE Descripción = "
                                   "'Sin imagen en la sala'")),
              key + u'/' + technician);
    EXPECT_EQ(storedKeyTypes(QStringLiteral("Sin imagen en la sala")), QStringLiteral("integer/integer"));
}

TEST_F(RelationsSession, registeringAComplaintPicksTheSubscriberByDoubleClickAndStoresOnlyTheKey)
{
    // The choice grid is in the order of the names.
    const QString key = query(QStringLiteral("SELECT TOP 1 Clave FROM Suscriptores ORDER BY Nombre"));
    const QString name = nameOf(key);
    const QString before = query(QStringLiteral("SELECT Count(*) FROM Quejas"));
    const int status =
        run(QStringLiteral("menu 6\nmenu 6\n"
                           "expect [panel] Registra Quejas | Registro nuevo | Cliente =  |\n"
                           // Esc leaves the field as it was.
                           "dblclick Cliente\n"
                           "expect [grid] Define Cliente, con doble toque en Fila (Doble click)\n"
                           "key Esc\n"
                           "expect [panel] Registra Quejas | Registro nuevo | Cliente =  |\n"
                           "dblclick Cliente\nrow 1\ndblclick\n"
                           "expect [panel] Registra Quejas | Registro nuevo | Cliente = %1 · %2 |\n"
                           "set Descripción Se cayó el cable\n"
                           "press Termina\nmenu 98\n")
                .arg(key, name));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Quejas")).toInt(), before.toInt() + 1);
    EXPECT_EQ(query(QStringLiteral("SELECT Cliente FROM Quejas WHERE Descripción = 'Se cayó el cable'")),
              key);
    EXPECT_TRUE(storedKeyTypes(QStringLiteral("Se cayó el cable")).startsWith(QStringLiteral("integer/")));
}

TEST_F(RelationsSession, relationFollowingWalksFromAComplaintToItsSubscriberAndOnToTheTechniciansChief)
{
    // A solved complaint of the technician whose chief is the first technician; the grid is in key order.
    const QString complaint = query(QStringLiteral("SELECT Min(Clave) FROM Quejas WHERE Técnico = 2"));
    ASSERT_FALSE(complaint.isEmpty());
    const QString row = query(QStringLiteral("SELECT Count(*) FROM Quejas WHERE Clave <= ") + complaint);
    const QString client = query(QStringLiteral("SELECT Cliente FROM Quejas WHERE Clave = ") + complaint);
    const QString luis = QStringLiteral("[panel] Técnicos de Quejas-%1 | Registro 1 de 1 | Nombre = Luis "
                                        "Hernández Cruz | Teléfono = 555-0102 | Zona = Norte | Jefe = 1 · "
                                        "Jorge Ramírez Soto | Clave = 2")
                             .arg(client);
    const QString script =
        QStringLiteral(
            "menu 4\nmenu 1\n"
            "expect [list] Selecciona Archivo | 1 Pagos | 2 Quejas | 3 Recibos | 4 Situación | "
            "5 Técnicos\n"
            "choose \"Quejas\"\nrow %1\ndblclick\n"
            "expect [list] Elige Dato de seguimiento | 1 Cliente → Suscriptores | 2 Técnico → Técnicos\n"
            "choose \"Cliente\"\n"
            "expect [panel] Suscriptores de Quejas-%2 | Registro 1 de 1 | Nombre = %3 |\n"
            "press Termina\n"
            // The subscriber refers to nothing more; the walk begins again at the complaint.
            "expect [message] Quelmar: Terminaron las relaciones.\nanswer OK\n"
            "expect [question] Seguimiento: ¿Reinicia el seguimiento?\nanswer Yes\n"
            "choose \"Técnico\"\n"
            "expect %4\n"
            // The chief, shown from the technician's panel by a double click on its field.
            "dblclick Jefe\n"
            "expect [panel] Información de: Jefe | Registro 1 de 1 | Nombre = Jorge Ramírez Soto | "
            "Teléfono = 555-0101 | Zona = Centro | Jefe =  | Clave = 1\n"
            "press Termina\nchoose \"Jefe\"\n"
            "expect [message] Quelmar: No esta definida la relación con Jefe\nanswer OK\nanswer No\n"
            "expect %4\n"
            "press Termina\nchoose \"Jefe\"\n"
            "expect [panel] Técnicos de Técnicos-Luis Hernández Cruz | Registro 1 de 1 | Nombre = Jorge "
            "Ramírez Soto\n"
            "press Termina\nanswer Cancelar\n"
            "expect [message] Quelmar: Terminaron las relaciones.\nanswer OK\nanswer No\n"
            "expect [menu] QUELMAR\nmenu 98\n")
            .arg(row, client, nameOf(client), luis);
    EXPECT_EQ(run(script), 0) << transcript();
}

// A technician the office does not have is refused when the complaint is written: the engine asks to correct
// it, and the complaint is written only once it names one that exists.
TEST_F(RelationsSession, aComplaintNamingATechnicianThatDoesNotExistIsRefusedUntilCorrected)
{
    const QString key = query(QStringLiteral("SELECT TOP 1 Clave FROM Suscriptores ORDER BY Nombre"));
    ASSERT_FALSE(key.isEmpty());
    const QString script = QStringLiteral(
        "menu 6\nmenu 6\n"
        "dblclick Cliente\nrow 1\ndblclick\n"
        "set Descripción Sin señal en el poste\n"
        "set Técnico 999\n"
        "press Termina\n"
        "expect [question] Aviso de Error: Falta dato necesario   La Clave escrita no existe en la "
        "tabla Técnicos; escriba una que exista (con doble toque la elige de la lista) o déjela "
        "vacía.\n"
        "answer Yes\n"
        "set Técnico 2\n"
        "press Termina\n"
        "expect [menu] QUELMAR\n"
        // Refused again, and this time the capture is left.
        "menu 6\nmenu 6\n"
        "dblclick Cliente\nrow 1\ndblclick\n"
        "set Descripción No queda registrada\n"
        "set Técnico 999\n"
        "press Termina\n"
        "expect Falta dato necesario\n"
        "answer No\n"
        "expect [menu] QUELMAR\nmenu 98\n");
    EXPECT_EQ(run(script), 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Quejas WHERE Técnico = 999")), QStringLiteral("0"));
    EXPECT_EQ(
        query(QStringLiteral("SELECT Cliente & '/' & Técnico FROM Quejas WHERE Descripción = 'Sin señal en "
                             "el poste'")),
        key + QStringLiteral("/2"));
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Quejas WHERE Descripción = 'No queda registrada'")),
              QStringLiteral("0"));
}

// A subscriber with payments cannot be deleted: the user reads why, and the subscriber and the payments stay.
TEST_F(RelationsSession, aSubscriberWithPaymentsIsNotDeleted)
{
    const QString key = query(QStringLiteral("SELECT TOP 1 Suscriptor FROM Pagos ORDER BY Suscriptor"));
    ASSERT_FALSE(key.isEmpty());
    const QString contract = query(QStringLiteral("SELECT Contrato FROM Suscriptores WHERE Clave = ") + key);
    const QString payments = query(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Suscriptor = ") + key);
    const int status =
        run(QStringLiteral("menu 3\nmenu 1\nanswer C\nanswer %1\nrow 1\nkey Enter\n"
                           "expect [panel] ACTUALIZA DATOS SUSCRIPTOR\n"
                           "press Elimina\n"
                           "expect BORRA REGISTRO:   ¿Esta seguro de borrar este Registro?\n"
                           "answer OK\n"
                           "expect [message] Aviso de Error: No se puede borrar este Registro ni "
                           "cambiar su Clave, porque la tabla \n"
                           "answer OK\n"
                           "expect [menu] QUELMAR\nmenu 98\n")
                .arg(contract));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_TRUE(
        m_transcript.contains(QStringLiteral("tiene Registros que lo usan.  Borre o cambie primero esos "
                                             "Registros.")))
        << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Suscriptores WHERE Clave = ") + key),
              QStringLiteral("1"));
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Suscriptor = ") + key), payments);
}

// An office whose file was written without the references (by an older program) keeps its rows: the check
// lists those whose key is missing, the program opens and edits them, and from its start on the references
// are kept.
TEST_F(RelationsSession, anOlderOfficeKeepsItsBrokenRowsAndTheCheckListsThem)
{
    const QString key = query(QStringLiteral("SELECT TOP 1 Clave FROM Suscriptores WHERE Clave NOT IN "
                                             "(SELECT Cliente FROM Quejas) ORDER BY Clave"));
    ASSERT_FALSE(key.isEmpty());
    const QString contract = query(QStringLiteral("SELECT Contrato FROM Suscriptores WHERE Clave = ") + key);
    QStringList drops;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("names"));
        database.setDatabaseName(office() + QStringLiteral("/Quelmar.mdb"));
        ASSERT_TRUE(database.open());
        QSqlQuery names(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'trigger' AND name LIKE "
                                       "'% reference%'"),
                        database);
        while (names.next())
            drops << QStringLiteral("DROP TRIGGER \"%1\"").arg(names.value(0).toString());
        database.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("names"));
    ASSERT_FALSE(drops.isEmpty()) << "the demonstration office keeps its references";
    ASSERT_TRUE(onTheFile(
        drops + QStringList{QStringLiteral("INSERT INTO Quejas (Cliente, Descripción, Técnico) VALUES "
                                           "(%1, 'Técnico dado de baja', 999)")
                                .arg(key),
                            QStringLiteral("INSERT INTO Pagos (Suscriptor, Fecha, Cantidad, Concepto) "
                                           "VALUES (99999, '2026-01-05', 10, 'Renta')")}));
    const QString complaint =
        query(QStringLiteral("SELECT Clave FROM Quejas WHERE Descripción = 'Técnico dado de baja'"));

    EXPECT_EQ(check(), 1) << m_checked.toStdString();
    EXPECT_TRUE(m_checked.contains(
        QStringLiteral("relaciones: Quejas, Clave = %1: Técnico = 999, que no existe en Técnicos")
            .arg(complaint)))
        << m_checked.toStdString();
    EXPECT_TRUE(m_checked.contains(QStringLiteral("relaciones: Pagos, fila ")) &&
                m_checked.contains(QStringLiteral(": Suscriptor = 99999, que no existe en Suscriptores")))
        << m_checked.toStdString();

    // The complaint is shown and its other fields change.
    const int status = run(QStringLiteral("menu 6\nmenu 2\nanswer C\nanswer %1\nrow 1\nkey Enter\n"
                                          "expect | Técnico = 999\n"
                                          "set Solución Se asignó otra cuadrilla\n"
                                          "press Termina\n"
                                          "expect [menu] QUELMAR\nmenu 98\n")
                               .arg(contract));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Solución & '/' & Técnico FROM Quejas WHERE Clave = ") + complaint),
              QStringLiteral("Se asignó otra cuadrilla/999"));
    // The program's start made the references again.
    QString failure;
    EXPECT_FALSE(onTheFile({QStringLiteral("INSERT INTO Pagos (Suscriptor, Fecha, Cantidad, Concepto) VALUES "
                                           "(99998, '2026-01-05', 10, 'Renta')")},
                           &failure));
    EXPECT_TRUE(failure.contains(QStringLiteral("related record is required in table 'Suscriptores'")))
        << failure.toStdString();
}

// A related table of a large company: the choice opens at once and its search finds a subscriber by name.
class LargeRelationsSession : public quelmar::automationtest::OfficeSession
{
protected:
    LargeRelationsSession() : OfficeSession(100000) {}
};

TEST_F(LargeRelationsSession, theChoiceOfAHundredThousandSubscribersFindsOneByNameAndStoresItsKey)
{
    const QString key = query(QStringLiteral(
        "SELECT TOP 1 Clave FROM Suscriptores WHERE Nombre Like '*O''Farrill Ruiz*' ORDER BY Nombre"));
    ASSERT_FALSE(key.isEmpty());
    const QString name = query(QStringLiteral("SELECT Nombre FROM Suscriptores WHERE Clave = ") + key);
    const int status =
        run(QStringLiteral("menu 6\nmenu 6\ndblclick Cliente\n"
                           "expect [grid] (100000 filas)\n"
                           "press Búsqueda\nchoose \"Nombre\"\nchoose \"Contiene\"\n"
                           "answer O'Farrill Ruiz\npress Acepta\nanswer No\n"
                           "row 1\ndblclick\n"
                           "expect [panel] Registra Quejas | Registro nuevo | Cliente = %1 · %2 |\n"
                           "set Descripción Buscado por su nombre\npress Termina\nmenu 98\n")
                .arg(key, name));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Cliente FROM Quejas WHERE Descripción = 'Buscado por su nombre'")),
              key);
}

} // namespace
