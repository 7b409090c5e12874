// Whole scripted sessions of the notice menu: a notice programmed for a narrowed list, delivered at a
// payment and removed, with every subscriber's Observaciones compared before and after.
#include "officesession.h"

#include <QMap>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace quelmar::automationtest {
namespace {

class NoticesSession : public OfficeSession
{
protected:
    NoticesSession() : OfficeSession(120) {}

    // Observaciones of every subscriber by key (Null as empty text).
    QMap<QString, QString> notes()
    {
        QProcess admin;
        admin.start(QStringLiteral(QUELMAR_ADMIN),
                    {QStringLiteral("query"), office() + QStringLiteral("/Quelmar.mdb"),
                     QStringLiteral("SELECT Clave, Observaciones FROM Suscriptores")});
        EXPECT_TRUE(admin.waitForFinished(ProcessTimeout));
        const QStringList lines = QString::fromUtf8(admin.readAllStandardOutput()).split(u'\n');
        QMap<QString, QString> found;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            if (!lines.at(i).isEmpty())
                found.insert(lines.at(i).section(u'\t', 0, 0), lines.at(i).section(u'\t', 1));
        }
        return found;
    }

    QStringList keysWhere(const QString& condition)
    {
        QProcess admin;
        admin.start(QStringLiteral(QUELMAR_ADMIN),
                    {QStringLiteral("query"), office() + QStringLiteral("/Quelmar.mdb"),
                     QStringLiteral("SELECT Clave FROM Suscriptores WHERE ") + condition});
        EXPECT_TRUE(admin.waitForFinished(ProcessTimeout));
        QStringList keys = QString::fromUtf8(admin.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        if (!keys.isEmpty())
            keys.removeFirst();
        return keys;
    }

    static QString programScript(const QString& colony)
    {
        return QStringLiteral(R"(menu 9
menu 2
answer OK
expect [file]
answer dos
expect no es un número de aviso
answer OK
answer 2
press Selecciona
choose "Colonia"
choose "exactamente"
answer %1
press Acepta
answer No
press Termina
answer Todos
expect programado para
answer OK
)")
            .arg(colony);
    }
};

TEST_F(NoticesSession, noticeTwoIsProgrammedForAColonyDeliveredAtAPaymentAndRemoved)
{
    const QString colony = query(QStringLiteral(
        "SELECT TOP 1 Colonia FROM Suscriptores GROUP BY Colonia ORDER BY Count(*) DESC, Colonia"));
    const QStringList inColony = keysWhere(QStringLiteral("Colonia = '%1'").arg(colony));
    ASSERT_GE(inColony.size(), 2);
    // A subscriber of the colony without notices, who pays later.
    const QStringList payers =
        keysWhere(QStringLiteral("Colonia = '%1' AND Situación <> 'Baja' AND "
                                 "(Observaciones Is Null OR Observaciones Not Like '*Aviso=*')")
                      .arg(colony));
    ASSERT_FALSE(payers.isEmpty());
    const QString payer = payers.first();
    const QMap<QString, QString> before = notes();

    QStringList shown;
    ASSERT_EQ(run(programScript(colony) + QStringLiteral("menu 98\n"), &shown), 0) << transcript();
    EXPECT_TRUE(
        m_transcript.contains(QStringLiteral("Aviso 2 programado para %1 suscriptores").arg(inColony.size())))
        << transcript();
    const QMap<QString, QString> programmed = notes();
    for (auto it = before.begin(); it != before.end(); ++it) {
        const QString expected =
            inColony.contains(it.key()) ? it.value() + QStringLiteral("  Aviso=2") : it.value();
        EXPECT_EQ(programmed.value(it.key()), expected) << it.key().toStdString();
    }

    // A subscriber of the colony without notices before pays: notice 2 is shown and its mark goes.
    const QString contract =
        query(QStringLiteral("SELECT Contrato FROM Suscriptores WHERE Clave = ") + payer);
    const QString payment = QStringLiteral("menu 2\nmenu 1\nanswer C\nanswer %1\nrow 1\nkey Enter\n"
                                           "expect [message] AVISO: 2- A partir del próximo mes\n"
                                           "answer OK\nexpect [panel] Pagos de\npress Cancela\nmenu 98\n")
                                .arg(contract);
    ASSERT_EQ(run(payment), 0) << transcript();
    EXPECT_EQ(notes().value(payer).trimmed(), before.value(payer).trimmed());

    // The notice is removed for every subscriber; other notices and the rest of the notes stay.
    const QString removal = QStringLiteral(R"(menu 9
menu 4
answer OK
answer 2
press Termina
answer Todos
expect eliminado de
answer OK
menu 9
menu 3
press Termina
menu 98
)");
    ASSERT_EQ(run(removal), 0) << transcript();
    const QMap<QString, QString> removed = notes();
    for (auto it = removed.begin(); it != removed.end(); ++it) {
        EXPECT_FALSE(it.value().contains(QRegularExpression(QStringLiteral("Aviso=2(?![0-9])"))))
            << it.key().toStdString() << " " << it.value().toStdString();
        QString was = before.value(it.key());
        was.remove(QRegularExpression(QStringLiteral(" *Aviso=2(?![0-9])")));
        EXPECT_EQ(it.value().trimmed(), was.trimmed()) << it.key().toStdString();
    }
    EXPECT_TRUE(m_transcript.contains(QStringLiteral("[grid] Suscriptores con Aviso pendiente")))
        << transcript();
}

TEST_F(NoticesSession, programmingTwiceAppendsTwiceAndSomeRowsAreAskedOneByOne)
{
    const QStringList keys = keysWhere(QStringLiteral("Clave <= 3 ORDER BY Clave"));
    ASSERT_EQ(keys.size(), 3);
    const QMap<QString, QString> before = notes();
    const QString some = QStringLiteral(R"(menu 9
menu 2
answer OK
answer 7
press Termina
answer Algunos
expect Anota Mensaje para este Suscriptor
answer Anota
answer No Anota
answer Anota
answer Cancela
)");
    ASSERT_EQ(run(some + some + QStringLiteral("menu 98\n")), 0) << transcript();
    const QMap<QString, QString> after = notes();
    EXPECT_EQ(after.value(keys.at(0)), before.value(keys.at(0)) + QStringLiteral("  Aviso=7  Aviso=7"));
    EXPECT_EQ(after.value(keys.at(1)), before.value(keys.at(1)));
    EXPECT_EQ(after.value(keys.at(2)), before.value(keys.at(2)) + QStringLiteral("  Aviso=7  Aviso=7"));

    // Removing some: only rows that carry the notice are asked; both marks of a row go at once.
    const QString removeSome = QStringLiteral(R"(menu 9
menu 4
answer OK
answer 7
press Termina
answer Algunos
answer No elimina
answer Elimina
menu 98
)");
    ASSERT_EQ(run(removeSome), 0) << transcript();
    const QMap<QString, QString> removed = notes();
    EXPECT_EQ(removed.value(keys.at(0)), after.value(keys.at(0)));
    EXPECT_EQ(removed.value(keys.at(2)).trimmed(), before.value(keys.at(2)).trimmed());
}

// Marking or unmarking a row of a list narrowed on Observaciones takes it out of the list; with "Algunos"
// every row of the list as it stood is still asked once, its neighbours included.
TEST_F(NoticesSession, someRowsThatLeaveTheListAsTheyChangeStillAskEveryRowOnce)
{
    const QStringList chosen{QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                             QStringLiteral("31"), QStringLiteral("100")};
    query(QStringLiteral("UPDATE Suscriptores SET Observaciones = 'Revisar cable' WHERE Clave IN (%1)")
              .arg(chosen.join(u',')));
    ASSERT_EQ(keysWhere(QStringLiteral("Observaciones = 'Revisar cable' ORDER BY Clave")), chosen);

    // Programming: the list holds the subscribers whose Observaciones are exactly "Revisar cable".
    QString program = QStringLiteral(R"(menu 9
menu 2
answer OK
answer 5
press Selecciona
choose "Observaciones"
choose "exactamente"
answer Revisar cable
press Acepta
answer No
press Termina
answer Algunos
)");
    for (qsizetype i = 0; i < chosen.size(); ++i)
        program += QStringLiteral("expect Anota Mensaje para este Suscriptor\nanswer Anota\n");
    ASSERT_EQ(run(program + QStringLiteral("menu 98\n")), 0) << transcript();
    EXPECT_EQ(m_transcript.count(QStringLiteral("Anota Mensaje para este Suscriptor")), chosen.size())
        << transcript();
    EXPECT_EQ(keysWhere(QStringLiteral("Observaciones = 'Revisar cable  Aviso=5' ORDER BY Clave")), chosen);

    // Removing: the list holds the subscribers with notice 5, and each one leaves it when unmarked.
    QString removal = QStringLiteral(R"(menu 9
menu 4
answer OK
answer 5
press Termina
answer Algunos
)");
    for (qsizetype i = 0; i < chosen.size(); ++i)
        removal += QStringLiteral("expect Elimina el Aviso 5 de este Suscriptor\nanswer Elimina\n");
    ASSERT_EQ(run(removal + QStringLiteral("menu 98\n")), 0) << transcript();
    EXPECT_EQ(m_transcript.count(QStringLiteral("Elimina el Aviso 5 de este Suscriptor")), chosen.size())
        << transcript();
    EXPECT_EQ(keysWhere(QStringLiteral("Observaciones = 'Revisar cable' ORDER BY Clave")), chosen);
    EXPECT_TRUE(keysWhere(QStringLiteral("Observaciones Like '*Aviso=5*'")).isEmpty());
}

// A write that fails on the last row of the list leaves every row as it was: the marks go in one transaction.
TEST_F(NoticesSession, aFailureWhileMarkingTheWholeListLeavesNoRowMarked)
{
    const QString last = query(QStringLiteral("SELECT Max(Clave) FROM Suscriptores"));
    {
        QSqlDatabase database =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("faulty"));
        database.setDatabaseName(office() + QStringLiteral("/Quelmar.mdb"));
        ASSERT_TRUE(database.open());
        QSqlQuery trigger(database);
        ASSERT_TRUE(
            trigger.exec(QStringLiteral("CREATE TRIGGER FallaAlAnotar BEFORE UPDATE OF Observaciones ON "
                                        "Suscriptores WHEN NEW.Clave = %1 BEGIN SELECT "
                                        "RAISE(ABORT, 'disk I/O error'); END")
                             .arg(last)))
            << trigger.lastError().text().toStdString();
        database.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("faulty"));
    const QMap<QString, QString> before = notes();
    const QString script = QStringLiteral(R"(menu 9
menu 2
answer OK
answer 2
press Termina
answer Todos
expect No se pudo anotar el aviso. No se cambió ningún suscriptor.
answer OK
menu 98
)");
    ASSERT_EQ(run(script), 0) << transcript();
    EXPECT_EQ(notes(), before);
}

} // namespace
} // namespace quelmar::automationtest
