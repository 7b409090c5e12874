// The wizard's rules without its form: comparands as typed by users, the condition and ordering texts, and
// the rewriting of statements.
#include "query/wizardsql.h"

#include "db/fielddef.h"

#include <gtest/gtest.h>

namespace quelmar::query::wizard {
namespace {

namespace jettype = db::jettype;

Comparison comparison(FieldKind kind, const QString& label)
{
    for (const Comparison& c : comparisonsFor(kind)) {
        if (c.label == label)
            return c;
    }
    ADD_FAILURE() << "no comparison " << label.toStdString();
    return {};
}

TEST(WizardRulesTest, comparisonListsFollowTheFieldType)
{
    struct Case
    {
        int type;
        FieldKind kind;
        QStringList labels;
    };
    const Case cases[] = {
        {jettype::Boolean, FieldKind::YesNo, {QStringLiteral("Si"), QStringLiteral("No")}},
        {jettype::Currency,
         FieldKind::Number,
         {QStringLiteral("Mayor"), QStringLiteral("Menor"), QStringLiteral("Igual"),
          QStringLiteral("Diferente")}},
        {jettype::Date,
         FieldKind::Date,
         {QStringLiteral("Posterior"), QStringLiteral("Anterior"), QStringLiteral("Igual"),
          QStringLiteral("Diferente")}},
        {jettype::Memo,
         FieldKind::Text,
         {QStringLiteral("Contiene"), QStringLiteral("no Contiene"), QStringLiteral("exactamente igual"),
          QStringLiteral("Diferente"), QStringLiteral("Siguiente"), QStringLiteral("Anterior")}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kindOf(c.type), c.kind) << c.type;
        QStringList labels;
        for (const Comparison& entry : comparisonsFor(c.kind))
            labels.append(entry.label);
        EXPECT_EQ(labels, c.labels) << c.type;
    }
    EXPECT_EQ(comparandLength(FieldKind::Number, jettype::Long, 0), 8);
    EXPECT_EQ(comparandLength(FieldKind::Text, jettype::Text, 30), 30);
    EXPECT_EQ(comparandLength(FieldKind::Text, jettype::Text, 255), 64);
    EXPECT_EQ(comparandHint(FieldKind::Date, QDate(2026, 12, 10)), QStringLiteral("(Fecha: 10-Dic-2026)"));
}

// A condition built from a typed comparand, as the piece written into the statement.
TEST(WizardRulesTest, typedComparandsBecomeSafeConditions)
{
    struct Case
    {
        QString table;
        QString field;
        FieldKind kind;
        QString label;
        QString typed;
        QString condition; // empty when the comparand is refused
        QString message;
    };
    const Case cases[] = {
        {QStringLiteral("Suscriptores"),
         QStringLiteral("Nombre"),
         FieldKind::Text,
         QStringLiteral("Contiene"),
         QStringLiteral("ANA"),
         QStringLiteral(" Suscriptores.Nombre like '*ANA*'"),
         {}},
        // An apostrophe stays inside the constant.
        {QStringLiteral("Suscriptores"),
         QStringLiteral("Nombre"),
         FieldKind::Text,
         QStringLiteral("exactamente igual"),
         QStringLiteral("O'Farrill"),
         QStringLiteral(" Suscriptores.Nombre = 'O''Farrill'"),
         {}},
        {QStringLiteral("Suscriptores"),
         QStringLiteral("Nombre"),
         FieldKind::Text,
         QStringLiteral("no Contiene"),
         QStringLiteral("'; DROP TABLE Pagos --"),
         QStringLiteral(" Suscriptores.Nombre not like '*''; DROP TABLE Pagos --*'"),
         {}},
        // Wildcards typed in "Contiene" reach the LIKE as typed.
        {QStringLiteral("Suscriptores"),
         QStringLiteral("Calle"),
         FieldKind::Text,
         QStringLiteral("Contiene"),
         QStringLiteral("5?%_*"),
         QStringLiteral(" Suscriptores.Calle like '*5?%_**'"),
         {}},
        {QStringLiteral("Pagos"),
         QStringLiteral("Fecha"),
         FieldKind::Date,
         QStringLiteral("Posterior"),
         QStringLiteral("31-Ene-2001"),
         QStringLiteral(" Pagos.Fecha >= #01-31-2001#"),
         {}},
        {QStringLiteral("Pagos"),
         QStringLiteral("Fecha"),
         FieldKind::Date,
         QStringLiteral("Igual"),
         QStringLiteral("5-Mar-2024"),
         QStringLiteral(" Pagos.Fecha = #03-05-2024#"),
         {}},
        {QStringLiteral("Pagos"),
         QStringLiteral("Fecha"),
         FieldKind::Date,
         QStringLiteral("Igual"),
         QStringLiteral("31-Feb-2001"),
         {},
         QStringLiteral("La Fecha/Hora esta mal escrita.")},
        {QStringLiteral("Pagos"),
         QStringLiteral("Fecha"),
         FieldKind::Date,
         QStringLiteral("Igual"),
         QStringLiteral("3_-Xyz-20__"),
         {},
         QStringLiteral("La Fecha/Hora esta mal escrita.")},
        {QStringLiteral("Pagos"),
         QStringLiteral("Importe"),
         FieldKind::Number,
         QStringLiteral("Mayor"),
         QStringLiteral("100"),
         QStringLiteral(" Pagos.Importe >= 100"),
         {}},
        {QStringLiteral("Pagos"),
         QStringLiteral("Importe"),
         FieldKind::Number,
         QStringLiteral("Menor"),
         QStringLiteral("-12.5"),
         QStringLiteral(" Pagos.Importe <= -12.5"),
         {}},
        {QStringLiteral("Pagos"), QStringLiteral("Importe"), FieldKind::Number, QStringLiteral("Igual"),
         QStringLiteral(""), QStringLiteral(" Pagos.Importe = 0"),
         QStringLiteral("El comparador es nulo.  Se tomara como Cero")},
        {QStringLiteral("Pagos"),
         QStringLiteral("Importe"),
         FieldKind::Number,
         QStringLiteral("Igual"),
         QStringLiteral("12abc"),
         {},
         QStringLiteral("cifras")},
        {QStringLiteral("Pagos"),
         QStringLiteral("Importe"),
         FieldKind::Number,
         QStringLiteral("Igual"),
         QStringLiteral("1 OR 1=1"),
         {},
         QStringLiteral("cifras")},
        {QStringLiteral("Suscriptores"),
         QStringLiteral("Activo"),
         FieldKind::YesNo,
         QStringLiteral("Si"),
         {},
         QStringLiteral(" Suscriptores.Activo = True "),
         {}},
        // Names with a blank or "-" go in brackets.
        {QStringLiteral("Suscriptores"),
         QStringLiteral("Calle y número"),
         FieldKind::Text,
         QStringLiteral("Diferente"),
         QStringLiteral("Juárez"),
         QStringLiteral(" Suscriptores.[Calle y número] <> 'Juárez'"),
         {}},
        {QStringLiteral("Pagos-2024"),
         QStringLiteral("Importe"),
         FieldKind::Number,
         QStringLiteral("Igual"),
         QStringLiteral("5"),
         QStringLiteral(" [Pagos-2024].Importe = 5"),
         {}},
        // An empty text comparand asks for the field to be null or empty, kept together by its brackets.
        {QStringLiteral("Suscriptores"), QStringLiteral("Colonia"), FieldKind::Text,
         QStringLiteral("Contiene"), QStringLiteral(""),
         QStringLiteral(" (Suscriptores.Colonia is Null OR Suscriptores.Colonia = '')"),
         QStringLiteral("nulos")},
        // ... except for "exactamente igual", which then has no comparand.
        {QStringLiteral("Suscriptores"),
         QStringLiteral("Colonia"),
         FieldKind::Text,
         QStringLiteral("exactamente igual"),
         QStringLiteral(""),
         QStringLiteral(" Suscriptores.Colonia = ''"),
         {}},
    };
    for (const Case& c : cases) {
        const Comparand comparand = checkComparand(c.kind, c.label, c.typed);
        const std::string what = (c.label + u' ' + c.typed).toStdString();
        if (c.condition.isEmpty()) {
            EXPECT_EQ(comparand.outcome, Comparand::Rejected) << what;
        } else {
            EXPECT_EQ(comparand.outcome, Comparand::Accepted) << what;
            const ConditionRow row =
                makeRow(c.table, c.field, comparison(c.kind, c.label), comparand, QString());
            EXPECT_EQ(conditionText({row}).toStdString(), c.condition.toStdString()) << what;
        }
        if (c.message.isEmpty())
            EXPECT_TRUE(comparand.message.isEmpty()) << what;
        else
            EXPECT_TRUE(comparand.message.contains(c.message))
                << what << " " << comparand.message.toStdString();
    }
}

TEST(WizardRulesTest, conditionsJoinAsWrittenAndOrderingLevelsInOrder)
{
    const auto row = [](const QString& field, const QString& value, const QString& joiner) {
        return makeRow(QStringLiteral("S"), field, comparison(FieldKind::Number, QStringLiteral("Igual")),
                       checkComparand(FieldKind::Number, QStringLiteral("Igual"), value), joiner);
    };
    EXPECT_EQ(conditionText({row(QStringLiteral("A"), QStringLiteral("1"), {}),
                             row(QStringLiteral("B"), QStringLiteral("2"), QStringLiteral(" OR")),
                             row(QStringLiteral("C"), QStringLiteral("3"), QStringLiteral(" AND"))}),
              QStringLiteral(" S.A = 1 OR S.B = 2 AND S.C = 3"));
    EXPECT_EQ(
        QStringList({orderLevel(QStringLiteral("Pagos"), QStringLiteral("Importe"), true),
                     orderLevel(QStringLiteral("Suscriptores"), QStringLiteral("Calle y número"), false)})
            .join(u','),
        QStringLiteral("Pagos.Importe Desc,Suscriptores.[Calle y número]"));
}

TEST(WizardRulesTest, rewritingPutsTheConditionAndOrderingInTheirPlaces)
{
    struct Case
    {
        const char* statement;
        const char* condition;
        const char* order;
        const char* result;
    };
    const Case cases[] = {
        {"SELECT * FROM Pagos", " Pagos.Importe >= 100", "",
         "SELECT * FROM Pagos WHERE  Pagos.Importe >= 100 "},
        {"SELECT * FROM Pagos", "", "Pagos.Importe Desc", "SELECT * FROM Pagos ORDER BY Pagos.Importe Desc"},
        {"SELECT * FROM Pagos", "", "", "SELECT * FROM Pagos"},
        // An existing WHERE is kept in brackets, with its leading blank; the new ordering replaces the old.
        {"SELECT * FROM Pagos WHERE Fecha > #01-01-2001# ORDER BY Fecha", " Pagos.Importe >= 100",
         "Pagos.Importe Desc",
         "SELECT * FROM Pagos WHERE ( Fecha > #01-01-2001# ) AND ( Pagos.Importe >= 100) ORDER BY "
         "Pagos.Importe "
         "Desc"},
        {"select * from Pagos where A = 1 order by B", " Pagos.C = 2", "",
         "select * from Pagos where ( A = 1 ) AND ( Pagos.C = 2) order by B"},
        // The new conditions are bracketed as one: their OR keeps within them.
        {"SELECT * FROM Pagos WHERE Fecha >= #01-01-2026# AND Fecha <= #01-31-2026# ORDER BY Fecha",
         " Pagos.A = 1 OR Pagos.B = 2 AND Pagos.C = 3", "",
         "SELECT * FROM Pagos WHERE ( Fecha >= #01-01-2026# AND Fecha <= #01-31-2026# ) AND ( Pagos.A = 1 OR "
         "Pagos.B = 2 AND Pagos.C = 3) ORDER BY Fecha"},
        // Before GROUP BY.
        {"SELECT Suscriptor, Sum(Importe) FROM Pagos GROUP BY Suscriptor HAVING Sum(Importe) > 10",
         " Pagos.Importe >= 1", "",
         "SELECT Suscriptor, Sum(Importe) FROM Pagos  WHERE  Pagos.Importe >= 1 GROUP BY Suscriptor HAVING "
         "Sum(Importe) > 10"},
        // Keywords inside a sub-select, a constant or a bracketed name are not the statement's own.
        {"SELECT * FROM Suscriptores WHERE Clave IN (SELECT Suscriptor FROM Pagos GROUP BY Suscriptor ORDER "
         "BY "
         "Suscriptor) ORDER BY Nombre",
         " Suscriptores.Estado = 'A'", "Suscriptores.Clase",
         "SELECT * FROM Suscriptores WHERE ( Clave IN (SELECT Suscriptor FROM Pagos GROUP BY Suscriptor "
         "ORDER BY "
         "Suscriptor) ) AND ( Suscriptores.Estado = 'A') ORDER BY Suscriptores.Clase"},
        {"SELECT * FROM Quejas WHERE Texto = 'ORDER BY x' ", " Quejas.Clave >= 3", "Quejas.Fecha",
         "SELECT * FROM Quejas WHERE ( Texto = 'ORDER BY x'  ) AND ( Quejas.Clave >= 3) ORDER BY "
         "Quejas.Fecha"},
        {"SELECT [Where Else] FROM Quejas", " Quejas.Clave >= 3", "",
         "SELECT [Where Else] FROM Quejas WHERE  Quejas.Clave >= 3 "},
        // A closing semicolon stays at the end.
        {"SELECT * FROM Pagos;", " Pagos.A = 1", "Pagos.B",
         "SELECT * FROM Pagos  WHERE  Pagos.A = 1 ORDER BY Pagos.B;"},
        // A crosstab keeps PIVOT last.
        {"TRANSFORM Sum(Importe) SELECT Suscriptor FROM Pagos GROUP BY Suscriptor PIVOT Mes", " Pagos.A = 1",
         "Suscriptor",
         "TRANSFORM Sum(Importe) SELECT Suscriptor FROM Pagos  WHERE  Pagos.A = 1 GROUP BY Suscriptor ORDER "
         "BY "
         "Suscriptor PIVOT Mes"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rewrite(QString::fromUtf8(c.statement), QString::fromUtf8(c.condition),
                          QString::fromUtf8(c.order))
                      .toStdString(),
                  std::string(c.result))
            << c.statement;
    }
}

TEST(WizardRulesTest, descriptionTellsTheChoicesInSpanish)
{
    EXPECT_EQ(describeCondition(true, QStringLiteral("Calle"), QStringLiteral("Pagos"),
                                QStringLiteral("Contiene"), FieldKind::Text, QStringLiteral("Juárez")),
              QStringLiteral("Escoge si el contenido del dato CALLE de PAGOS Contiene a:  'Juárez' "));
    EXPECT_EQ(describeCondition(false, QStringLiteral("Activo"), QStringLiteral("Suscriptores"),
                                QStringLiteral("Si"), FieldKind::YesNo, {}),
              QStringLiteral("  el dato ACTIVO de SUSCRIPTORES es Si"));
    EXPECT_EQ(describeOrder(true, QStringLiteral("Importe"), QStringLiteral("Pagos"), true),
              QStringLiteral("Ordena según el contenido de el dato IMPORTE de PAGOS (Desc)"));
    EXPECT_EQ(describeOrder(false, QStringLiteral("Fecha"), QStringLiteral("Pagos"), false),
              QStringLiteral(", y luego ordena por  el dato FECHA de PAGOS (Asc)"));
}

} // namespace
} // namespace quelmar::query::wizard
