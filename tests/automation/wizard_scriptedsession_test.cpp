// Whole scripted sessions through the selection and ordering wizard: lists narrowed and ordered from their
// "Selecciona" and "Ordena" buttons, checked against the counts the database itself gives for the same
// conditions.
#include "officesession.h"

#include <QDate>
#include <QRegularExpression>

namespace {

class WizardSession : public quelmar::automationtest::OfficeSession
{
protected:
    WizardSession() : OfficeSession(60) {}

    // The last grid caption of the transcript that begins with title, and the rows shown after it.
    static QString lastCaption(const QStringList& shown, const QString& title, QStringList* rows = nullptr)
    {
        QString caption;
        for (const QString& line : shown) {
            if (line.startsWith(QStringLiteral("[grid] ") + title)) {
                caption = line;
                if (rows)
                    rows->clear();
            } else if (rows && !caption.isEmpty() &&
                       QRegularExpression(QStringLiteral("^\\[grid\\] \\d+ \\| ")).match(line).hasMatch()) {
                rows->append(line);
            }
        }
        return caption;
    }

    static QString jetDate(const QDate& date) { return date.toString(QStringLiteral("#MM-dd-yyyy#")); }

    QDate from() const { return QDate::currentDate().addYears(-2); }
    QDate to() const { return QDate::currentDate().addDays(1); }

    // The payments of the period as "Pagos del período" shows them, with an extra condition.
    QString paymentsCount(const QString& condition)
    {
        return query(
            QStringLiteral("SELECT Count(*) FROM Suscriptores INNER JOIN Pagos ON Suscriptores.Clave = "
                           "Pagos.Suscriptor WHERE Pagos.Fecha >= %1 AND Pagos.Fecha <= %2 AND %3")
                .arg(jetDate(from()), jetDate(to()), condition));
    }

    QString periodPayments() const
    {
        return QStringLiteral("menu 2\nmenu 3\nmenu 2\nanswer %1 %2\n")
            .arg(shownDate(from()), shownDate(to()));
    }
};

TEST_F(WizardSession, paymentsNarrowedToAStreetWithAnApostropheAndOrderedByAmount)
{
    ASSERT_EQ(
        query(QStringLiteral("UPDATE Suscriptores SET Calle = 'Callejón O''Farrill 12' WHERE Clave IN "
                             "(SELECT TOP 2 Suscriptor FROM Pagos GROUP BY Suscriptor ORDER BY Count(*) "
                             "DESC)")),
        QString());
    const QString expected = paymentsCount(QStringLiteral("Suscriptores.Calle like '*O''Farrill*'"));
    ASSERT_FALSE(expected.isEmpty());
    ASSERT_NE(expected, QStringLiteral("0"));
    const QString script = periodPayments() + QStringLiteral(R"(press Selecciona
choose "Suscriptores"
choose "Calle"
choose "Contiene"
answer O'Farrill
expect Escoge si el contenido del dato CALLE de SUSCRIPTORES Contiene a:  'O'Farrill'
press Acepta
answer Yes
choose "Pagos"
choose "Cantidad"
press Descendente
expect Ordena según el contenido de el dato CANTIDAD de PAGOS (Desc)
press Aceptar
press Termina
menu 98
)");
    QStringList shown;
    ASSERT_EQ(run(script, &shown), 0) << transcript();
    QStringList rows;
    const QString caption = lastCaption(shown, QStringLiteral("Pagos "), &rows);
    EXPECT_TRUE(caption.endsWith(QStringLiteral("{") + expected + u'}'))
        << caption.toStdString() << transcript();
    ASSERT_EQ(QString::number(rows.size()), expected) << transcript();
    double previous = 1e300;
    for (const QString& row : rows) {
        const double amount = row.split(QStringLiteral(" | ")).value(6).remove(u',').remove(u'$').toDouble();
        EXPECT_LE(amount, previous) << row.toStdString();
        previous = amount;
    }
}

TEST_F(WizardSession, subscribersNarrowedByStatusAndClassOrExpiryAsWritten)
{
    const QDate expiry = QDate::currentDate().addDays(10);
    const QString expected =
        query(QStringLiteral("SELECT Count(*) FROM Suscriptores WHERE Situación = 'Conectado' AND Clase = "
                             "'1-2 TV' OR Vencimiento >= %1")
                  .arg(jetDate(expiry)));
    ASSERT_FALSE(expected.isEmpty());
    const QString script = QStringLiteral(R"(menu 1
menu 4
menu 1
press Selecciona
choose "Situación"
choose "exactamente"
answer Conectado
press Continúa
press Ambas
choose "Clase"
choose "exactamente"
answer 1-2 TV
press Continúa
press Cualquiera
choose "Vencimiento"
choose "Posterior"
answer %1
expect ··Y··   el dato CLASE de SUSCRIPTORES es exactamente igual a:  '1-2 TV'   ··O··   el dato VENCIMIENTO
press Acepta
answer No
press Termina
menu 98
)")
                               .arg(shownDate(expiry));
    QStringList shown;
    ASSERT_EQ(run(script, &shown), 0) << transcript();
    const QString caption = lastCaption(shown, QStringLiteral("Alfabético Suscriptores"));
    EXPECT_TRUE(caption.endsWith(QStringLiteral("{") + expected + u'}'))
        << caption.toStdString() << transcript();
}

// "Cambios del período" reads two tables listed with a comma: both are offered, and conditions joined with
// Cualquiera stay within the period the list was asked for.
TEST_F(WizardSession, statusChangesOfThePeriodNarrowedByEitherTableAndOrderedByDate)
{
    const QDate first = QDate::currentDate().addMonths(-3);
    const QDate last = QDate::currentDate().addDays(1);
    const QString changes =
        QStringLiteral("SELECT Count(*) FROM Situación, Suscriptores WHERE Suscriptores.Clave = "
                       "Situación.Suscriptor AND Situación.Fecha >= %1 AND Situación.Fecha <= %2 AND ")
            .arg(jetDate(first), jetDate(last));
    const QString either = QStringLiteral("Suscriptores.Nombre like '*a*' OR Situación.Clase = '1-2 TV'");
    const QString expected = query(changes + u'(' + either + u')');
    ASSERT_FALSE(expected.isEmpty());
    ASSERT_NE(expected, query(changes + either)) << "the conditions would not show where the OR reaches";
    const QString script = QStringLiteral(R"(menu 3
menu 3
answer %1 %2
press Selecciona
choose "Suscriptores"
choose "Nombre"
choose "Contiene"
answer a
press Continúa
press Cualquiera
choose "Situación"
choose "Clase"
choose "exactamente"
answer 1-2 TV
press Acepta
answer Yes
choose "Situación"
choose "Fecha"
press Ascendente
press Aceptar
press Termina
menu 98
)")
                               .arg(shownDate(first), shownDate(last));
    QStringList shown;
    ASSERT_EQ(run(script, &shown), 0) << transcript();
    const QString caption = lastCaption(shown, QStringLiteral("Cambios de Situación"));
    EXPECT_TRUE(caption.endsWith(QStringLiteral("{") + expected + u'}'))
        << caption.toStdString() << transcript();
    EXPECT_FALSE(m_transcript.contains(QStringLiteral("Error Num"))) << transcript();
}

TEST_F(WizardSession, theReviewPanelNarrowedToOneColonyCountsItsRecords)
{
    const QString colony =
        query(QStringLiteral("SELECT TOP 1 Colonia FROM Suscriptores GROUP BY Colonia ORDER BY "
                             "Count(*) DESC"));
    ASSERT_FALSE(colony.isEmpty());
    const QString expected =
        query(QStringLiteral("SELECT Count(*) FROM Suscriptores WHERE Colonia = '%1'").arg(colony));
    const QString script = QStringLiteral(R"(menu 1
menu 3
press Selecciona
choose "Colonia"
choose "exactamente"
answer %1
press Acepta
answer No
record last
press Termina
menu 98
)")
                               .arg(colony);
    QStringList shown;
    ASSERT_EQ(run(script, &shown), 0) << transcript();
    EXPECT_TRUE(m_transcript.contains(QStringLiteral("Registro %1 de %1").arg(expected))) << transcript();
    EXPECT_TRUE(m_transcript.contains(QStringLiteral("Colonia = ") + colony)) << transcript();
}

TEST_F(WizardSession, aRelationFieldsValueIsPickedFromTheRelatedRowsWithBusca)
{
    const QString key =
        query(QStringLiteral("SELECT TOP 1 Suscriptor FROM Pagos WHERE Fecha >= %1 GROUP BY Suscriptor "
                             "ORDER BY Count(*) DESC")
                  .arg(jetDate(from())));
    ASSERT_FALSE(key.isEmpty());
    const QString expected = paymentsCount(QStringLiteral("Pagos.Suscriptor = ") + key);
    const QString script = periodPayments() + QStringLiteral(R"(press Selecciona
choose "Pagos"
choose "Suscriptor"
choose "Igual"
expect Elija Suscriptor con doble toque
press Busca
answer %1
answer %1
choose 1
press Acepta
answer No
press Termina
menu 98
)")
                                                  .arg(key);
    QStringList shown;
    ASSERT_EQ(run(script, &shown), 0) << transcript();
    const QString caption = lastCaption(shown, QStringLiteral("Pagos "));
    EXPECT_TRUE(caption.endsWith(QStringLiteral("{") + expected + u'}'))
        << caption.toStdString() << transcript();
    EXPECT_TRUE(m_transcript.contains(QStringLiteral("SUSCRIPTOR de PAGOS es Igual a:  '") + key + u'\''))
        << transcript();
}

// Bad comparands are refused with a message and asked again; a cancelled wizard leaves the list as it was.
TEST_F(WizardSession, badComparandsAreAskedAgainAndCancelChangesNothing)
{
    const QString all = paymentsCount(QStringLiteral("1 = 1"));
    const QString expected = paymentsCount(QStringLiteral("Pagos.Cantidad >= 100 AND Pagos.Fecha >= ") +
                                           jetDate(from().addMonths(1)));
    const QString script = periodPayments() + QStringLiteral(R"(press Selecciona
choose "Suscriptores"
choose "Nombre"
press Cancela
press Selecciona
choose "Pagos"
choose "Cantidad"
choose "Mayor"
answer 1OO
expect lleva sólo cifras
answer OK
choose "Mayor"
answer 100
press Continúa
press Ambas
choose "Pagos"
choose "Fecha"
choose "Posterior"
answer 31-Feb-2026
expect La Fecha/Hora esta mal escrita.
answer OK
choose "Posterior"
answer %1
press Acepta
answer No
press Termina
menu 98
)")
                                                  .arg(shownDate(from().addMonths(1)));
    QStringList shown;
    ASSERT_EQ(run(script, &shown), 0) << transcript();
    int captions = 0;
    for (const QString& line : shown) {
        if (line.startsWith(QStringLiteral("[grid] Pagos ")))
            ++captions;
    }
    ASSERT_FALSE(captions == 0) << transcript();
    const QString first = [&shown] {
        for (const QString& line : shown) {
            if (line.startsWith(QStringLiteral("[grid] Pagos ")))
                return line;
        }
        return QString();
    }();
    EXPECT_TRUE(first.endsWith(QStringLiteral("{") + all + u'}')) << first.toStdString();
    const QString caption = lastCaption(shown, QStringLiteral("Pagos "));
    EXPECT_TRUE(caption.endsWith(QStringLiteral("{") + expected + u'}'))
        << caption.toStdString() << transcript();
}

} // namespace
