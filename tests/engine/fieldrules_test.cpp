#include "engine/fieldrules.h"

#include "db/fielddef.h"
#include "qtprinters.h"

#include <gtest/gtest.h>

#include <string>

namespace quelmar::engine {
namespace {

namespace jettype = db::jettype;

db::FieldDef definition(int type, bool required = false, const char* rule = "")
{
    db::FieldDef def;
    def.type = type;
    def.required = required;
    def.validationRule = QString::fromUtf8(rule);
    return def;
}

struct CheckCase
{
    db::FieldDef def;
    const char* name;
    const char* value;
    int kind;
    const char* format;
    const char* message; // empty when the check passes
};

void expectChecks(const std::initializer_list<CheckCase>& cases)
{
    for (const CheckCase& c : cases) {
        const FieldCheck check = checkPanelField(c.def, QString::fromUtf8(c.name), QString::fromUtf8(c.value),
                                                 c.kind, QString::fromUtf8(c.format));
        const QString message = QString::fromUtf8(c.message);
        EXPECT_EQ(check.failed, !message.isEmpty())
            << c.name << " = \"" << c.value << "\" rule " << c.def.validationRule.toStdString();
        EXPECT_EQ(check.message, message) << c.name << " = \"" << c.value << "\"";
    }
}

TEST(CleanNumberTextTest, RemovesThousandsSeparatorsAndDollarSigns)
{
    const std::pair<const char*, const char*> cases[] = {
        {"1,250", "1250"}, {"$1,234,567.50", "1234567.50"}, {"-$3", "-3"}, {"12.5", "12.5"}, {"", ""},
        {"$,", ""},
    };
    for (const auto& [text, cleaned] : cases)
        EXPECT_EQ(cleanNumberText(QString::fromUtf8(text)), QString::fromUtf8(cleaned)) << text;
}

TEST(CheckPanelFieldTest, RequiredFieldsMustHaveAValue)
{
    const int masked = capturekind::MaskedField;
    expectChecks({
        {definition(jettype::Text, true), "Nombre", "", masked, "",
         "Falta dato: NOMBRE   Este dato es obligatorio"},
        {definition(jettype::Text, true), "Nombre", "   ", capturekind::Memo, "",
         "Falta dato: NOMBRE   Este dato es obligatorio"},
        {definition(jettype::Text, true), "[Fecha de Alta]", "", capturekind::None, "",
         "Falta dato: FECHA DE ALTA   Este dato es obligatorio"},
        {definition(jettype::Text, true), "Situación", "", masked, "",
         "Falta dato: SITUACIÓN   Este dato es obligatorio"},
        {definition(jettype::Text, true), "Nombre", "Ana", masked, "", ""},
        {definition(jettype::Text, false), "Nombre", "", masked, "", ""},
        // The missing value is what the user must fix first, before the rule it would break as 0.
        {definition(jettype::Integer, true, "Between 1 And 12"), "Mes", "", masked, "#,##0",
         "Falta dato: MES   Este dato es obligatorio"},
    });
}

TEST(CheckPanelFieldTest, NumericRulesAsWritten)
{
    const int masked = capturekind::MaskedField;
    const db::FieldDef atLeastFive = definition(jettype::Currency, false, ">5");
    const db::FieldDef atMostTen = definition(jettype::Double, false, "<10");
    const db::FieldDef month = definition(jettype::Integer, false, "Between 1 And 12");
    expectChecks({
        {atLeastFive, "Monto", "5", masked, "", ""},
        {atLeastFive, "Monto", "5.01", masked, "", ""},
        {atLeastFive, "Monto", "4.99", masked, "", "El dato: Monto debería ser mayor que 5"},
        {atLeastFive, "Monto", "-6", masked, "", "El dato: Monto debería ser mayor que 5"},
        {atLeastFive, "Monto", "", masked, "", "El dato: Monto debería ser mayor que 5"},
        {atMostTen, "Tasa", "10", masked, "", ""},
        {atMostTen, "Tasa", "10.01", masked, "", "El dato: Tasa debería ser menor que 10"},
        {atMostTen, "Tasa", "", masked, "", ""},
        {month, "Mes", "1", masked, "", ""},
        {month, "Mes", "12", masked, "", ""},
        {month, "Mes", "0", masked, "", "El dato: Mes debería tener un valor entre 1 y 12"},
        {month, "Mes", "13", masked, "", "El dato: Mes debería tener un valor entre 1 y 12"},
        {month, "[Mes de Pago]", "13", masked, "",
         "El dato: Mes de Pago debería tener un valor entre 1 y 12"},
        {definition(jettype::Long, false, "between 1 and 12"), "Mes", "13", masked, "",
         "El dato: Mes debería tener un valor entre 1 y 12"},
        {definition(jettype::Byte, false, ">0"), "Unidades", "0", masked, "", ""},
        {definition(jettype::Single, false, ">-1.5"), "Factor", "-2", masked, "",
         "El dato: Factor debería ser mayor que -1.5"},
        // Text fields are not read against numeric rules.
        {definition(jettype::Text, false, ">5"), "Clave", "1", masked, "", ""},
    });
}

TEST(CheckPanelFieldTest, RulesWithTwoCharacterOperatorsOrBlanksReadTheSameBound)
{
    const int masked = capturekind::MaskedField;
    expectChecks({
        {definition(jettype::Long, false, ">=5"), "Contrato", "5", masked, "", ""},
        {definition(jettype::Long, false, ">=5"), "Contrato", "4", masked, "",
         "El dato: Contrato debería ser mayor que 5"},
        {definition(jettype::Long, false, "> 5"), "Contrato", "4", masked, "",
         "El dato: Contrato debería ser mayor que 5"},
        {definition(jettype::Long, false, ">= 5"), "Contrato", "6", masked, "", ""},
        {definition(jettype::Integer, false, "<= 10"), "Unidades", "10", masked, "", ""},
        {definition(jettype::Integer, false, "<= 10"), "Unidades", "11", masked, "",
         "El dato: Unidades debería ser menor que 10"},
        {definition(jettype::Integer, false, "  Between   1   And  50 "), "Unidades", "51", masked, "",
         "El dato: Unidades debería tener un valor entre 1 y 50"},
        {definition(jettype::Currency, false, ">0 And <100"), "Monto", "-1", masked, "",
         "El dato: Monto debería ser mayor que 0"},
    });
}

TEST(CheckPanelFieldTest, RulesThisCheckDoesNotReadPass)
{
    const int masked = capturekind::MaskedField;
    for (const char* rule : {"", "<>0", "=3", "In (1,2,3)", "Is Not Null", ">x", "Between a And 5",
                             "Between 1", "<", "Not Between 1 And 5", "Like '1*'"}) {
        const FieldCheck check = checkPanelField(definition(jettype::Long, false, rule),
                                                 QStringLiteral("Clave"), QStringLiteral("7"), masked, {});
        EXPECT_FALSE(check.failed) << rule << ": " << check.message.toStdString();
    }
}

TEST(CheckPanelFieldTest, NumbersAreCleanedAndMustBeNumbers)
{
    const int masked = capturekind::MaskedField;
    expectChecks({
        {definition(jettype::Currency, false, "<1000"), "Monto", "$1,250", masked, "",
         "El dato: Monto debería ser menor que 1000"},
        {definition(jettype::Currency, false, "<2000"), "Monto", "$1,250.50", masked, "", ""},
        {definition(jettype::Integer), "Unidades", "12a", masked, "",
         "UNIDADES   Admite solo valores numéricos enteros"},
        {definition(jettype::Double), "Tasa", "1..2", masked, "",
         "TASA   Admite solo valores numéricos, con decimales"},
        {definition(jettype::Double), "Tasa", "nan", masked, "",
         "TASA   Admite solo valores numéricos, con decimales"},
    });
}

TEST(CheckPanelFieldTest, NumbersMustFitTheRangeOfTheFieldsType)
{
    const int masked = capturekind::MaskedField;
    const char* contract =
        "El dato: Contrato debe ser un número entre -2,147,483,648 y 2,147,483,647.  Corrija el "
        "número ó cancele la operación";
    expectChecks({
        {definition(jettype::Byte), "Canal", "255", masked, "#0", ""},
        {definition(jettype::Byte), "Canal", "256", masked, "#0",
         "El dato: Canal debe ser un número entre 0 y 255.  Corrija el número ó cancele la operación"},
        {definition(jettype::Integer), "Unidades", "-32,768", masked, "#,##0", ""},
        {definition(jettype::Integer), "Unidades", "32768", masked, "#,##0",
         "El dato: Unidades debe ser un número entre -32,768 y 32,767.  Corrija el número ó cancele la "
         "operación"},
        {definition(jettype::Long, true, ">0"), "Contrato", "2147483647", masked, "###,###,##0", ""},
        {definition(jettype::Long, true, ">0"), "Contrato", "2147483648", masked, "###,###,##0", contract},
        {definition(jettype::Long, true, ">0"), "Contrato", "99,999,999,999", masked, "###,###,##0",
         contract},
        {definition(jettype::Long), "[Ticket]", "-2147483649", masked, "",
         "El dato: Ticket debe ser un número entre -2,147,483,648 y 2,147,483,647.  Corrija el número ó "
         "cancele la operación"},
        {definition(jettype::Currency, false, ">0"), "Monto", "$922,337,203,685,477.5807", masked, "", ""},
        {definition(jettype::Currency, false, ">0"), "Monto", "922337203685477.5808", masked, "",
         "El dato: Monto debe ser un número entre -922,337,203,685,477.5807 y 922,337,203,685,477.5807.  "
         "Corrija el número ó cancele la operación"},
        {definition(jettype::Single), "Peso", "340282300000000000000000000000000000000", masked, "", ""},
        {definition(jettype::Single), "Peso", "-340282400000000000000000000000000000000", masked, "",
         "El dato: Peso debe ser un número entre -3.402823E38 y 3.402823E38.  Corrija el número ó cancele "
         "la operación"},
        {definition(jettype::Double), "Tasa", ("1" + std::string(309, '0')).c_str(), masked, "",
         "El dato: Tasa debe ser un número entre -1.79769313486231E308 y 1.79769313486231E308.  Corrija el "
         "número ó cancele la operación"},
        // The range comes before the field's own rule, whose bound the number may well pass.
        {definition(jettype::Integer, false, "<100"), "Unidades", "-40000", masked, "",
         "El dato: Unidades debe ser un número entre -32,768 y 32,767.  Corrija el número ó cancele la "
         "operación"},
    });
}

TEST(CheckPanelFieldTest, ClassifierListsNeedAChoice)
{
    const int list = capturekind::ClassifierList;
    expectChecks({
        {definition(jettype::Text), "Situación", "-1", list, "",
         "No esta definido el clasificador de SITUACIÓN"},
        {definition(jettype::Text), "Situación", "0", list, "", ""},
        // The value of a list is the position of the entry, which says nothing of the field's own rule.
        {definition(jettype::Long, false, ">0"), "Servicio", "0", list, "", ""},
        {definition(jettype::Long, false, ">0"), "Servicio", "-1", list, "",
         "No esta definido el clasificador de SERVICIO"},
        {definition(jettype::Text), "Situación", "-1", capturekind::MaskedField, "", ""},
    });
}

TEST(CheckPanelFieldTest, DatesAndHoursMustBeReadable)
{
    const int date = capturekind::DateField;
    const char* wrongDate =
        "En el dato: FECHA DE ALTA la fecha esta mal escrita.  Debe ser: dia-mes-año, como '31-01-99'";
    const char* wrongHour =
        "En el dato: HORA la Hora esta mal escrita.  Debe ser: Horas:minutos, como '13:24' ";
    const db::FieldDef def = definition(jettype::Date);
    expectChecks({
        {def, "[Fecha de Alta]", "", date, "dd-mmm-yy", ""},
        {def, "[Fecha de Alta]", "10-Dic-26", date, "dd-mmm-yy", ""},
        {def, "[Fecha de Alta]", "10-dic-2026", date, "dd-mmm-yyyy", ""},
        {def, "[Fecha de Alta]", "10/12/2026", date, "dd-mmm-yy", ""},
        {def, "[Fecha de Alta]", "31-01-99", date, "dd-mmm-yy", ""},
        {def, "[Fecha de Alta]", "31-02-99", date, "dd-mmm-yy", wrongDate},
        {def, "[Fecha de Alta]", "mañana", date, "dd-mmm-yy", wrongDate},
        {def, "[Fecha de Alta]", "31-02-99", capturekind::MaskedField, "dd-mmm-yy", ""},
        {def, "[Fecha de Alta]", "31-02-99", date, "", ""},
        {def, "Hora", "13:24", date, "hh:mm", ""},
        {def, "Hora", "7:05", date, "hh:mm", ""},
        {def, "Hora", "", date, "hh:mm", ""},
        {def, "Hora", "25:00", date, "hh:mm", wrongHour},
        {def, "Hora", "1324", date, "hh:mm", wrongHour},
        {definition(jettype::Date, true), "Hora", "", date, "hh:mm",
         "Falta dato: HORA   Este dato es obligatorio"},
    });
}

TEST(CheckGridColumnTest, ChecksOnlyRequiredValuesAndClassifierChoices)
{
    struct Case
    {
        db::FieldDef def;
        const char* value;
        int kind;
        const char* message;
    };
    const Case cases[] = {
        {definition(jettype::Text, true), "", capturekind::GridColumn,
         "SITUACIÓN   Este dato es obligatorio"},
        {definition(jettype::Text, true), " ", capturekind::GridColumn,
         "SITUACIÓN   Este dato es obligatorio"},
        {definition(jettype::Text, true), "Conectado", capturekind::GridColumn, ""},
        {definition(jettype::Text), "-1", capturekind::GridColumn, ""},
        {definition(jettype::Text), "-1", capturekind::ClassifierList,
         "No esta definido el clasificador de SITUACIÓN"},
        {definition(jettype::Long, false, "Between 1 And 12"), "40", capturekind::GridColumn, ""},
    };
    for (const Case& c : cases) {
        const FieldCheck check =
            checkGridColumn(c.def, QStringLiteral("Situación"), QString::fromUtf8(c.value), c.kind);
        EXPECT_EQ(check.failed, *c.message != '\0') << c.value;
        EXPECT_EQ(check.message, QString::fromUtf8(c.message)) << c.value;
    }
}

TEST(KeystrokeMessageTest, OneMessagePerType)
{
    const std::pair<int, const char*> cases[] = {
        {jettype::Boolean, "Solo admite dos valores: Si (y), No (n)"},
        {jettype::Byte, "Admite solo valores numéricos enteros positivos entre 0 y 255"},
        {jettype::Integer, "Admite solo valores numéricos enteros"},
        {jettype::Long, "Admite solo valores numéricos enteros"},
        {jettype::Currency, "Admite solo valores numéricos, con decimales"},
        {jettype::Single, "Admite solo valores numéricos, con decimales"},
        {jettype::Double, "Admite solo valores numéricos, con decimales"},
        {jettype::Date,
         "Se espera una fecha: día-mes-año, como '15-Ene-99' ó el formato de Fecha Corta que tiene su "
         "computadora (Ver Panel de Windows, Configuración Regional)"},
        {jettype::Text, "No admite mas de 255 letras"},
        {jettype::Classifier, ""},
        {jettype::Relation, "Error en el Dato"},
        {jettype::Memo, "Error en el Dato"},
        {0, "Error en el Dato"},
    };
    for (const auto& [type, message] : cases)
        EXPECT_EQ(keystrokeMessage(type), QString::fromUtf8(message)) << type;
}

TEST(FieldColourTest, ColourAfterTheCheck)
{
    EXPECT_EQ(fieldcolour::Focus, QColor(255, 255, 255));
    EXPECT_EQ(fieldcolour::Filled, QColor(192, 255, 255));
    EXPECT_EQ(fieldcolour::Empty, QColor(255, 255, 192));
    EXPECT_EQ(fieldcolour::Failed, QColor(255, 192, 192));

    struct Case
    {
        bool failed;
        const char* text;
        QColor colour;
    };
    const Case cases[] = {
        {true, "abc", fieldcolour::Failed},  {true, "", fieldcolour::Failed},
        {false, "abc", fieldcolour::Filled}, {false, "", fieldcolour::Empty},
        {false, "   ", fieldcolour::Empty},
    };
    for (const Case& c : cases)
        EXPECT_EQ(colourAfterCheck(c.failed, QString::fromUtf8(c.text)), c.colour)
            << c.failed << " \"" << c.text << '"';
}

TEST(ParseFixedValuesTest, FieldsAndValuesOfNewRecords)
{
    struct Case
    {
        const char* text;
        QList<FixedValue> items;
    };
    const auto item = [](const char* field, const char* value) {
        return FixedValue{QString::fromUtf8(field), QString::fromUtf8(value)};
    };
    const Case cases[] = {
        {"Quejas.Cliente = 25", {item("Cliente", "25")}},
        {"Clase=X", {item("Clase", "X")}},
        {"Cliente = 25, Quejas.Tipo=A", {item("Cliente", "25"), item("Tipo", "A")}},
        {"[Quejas].[Fecha de Alta] = 10-Dic-2026", {item("Fecha de Alta", "10-Dic-2026")}},
        {"Nota = a = b", {item("Nota", "a = b")}},
        {"Monto = 12.50", {item("Monto", "12.50")}},
        {"Sin igual, =5, Campo= , Quejas. = 3", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        const QList<FixedValue> items = parseFixedValues(QString::fromUtf8(c.text));
        ASSERT_EQ(items.size(), c.items.size()) << c.text;
        for (qsizetype i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items.at(i).field, c.items.at(i).field) << c.text;
            EXPECT_EQ(items.at(i).value, c.items.at(i).value) << c.text;
        }
    }
}

TEST(ParseFixedValuesTest, FixedFieldsAreFoundByName)
{
    const QList<FixedValue> items =
        parseFixedValues(QStringLiteral("Quejas.Cliente = 25, Fecha de Alta = 1-Ene-26"));
    EXPECT_TRUE(isFixedField(items, QStringLiteral("Cliente")));
    EXPECT_TRUE(isFixedField(items, QStringLiteral("CLIENTE")));
    EXPECT_TRUE(isFixedField(items, QStringLiteral("[Fecha de Alta]")));
    EXPECT_FALSE(isFixedField(items, QStringLiteral("Clientes")));
    EXPECT_FALSE(isFixedField({}, QStringLiteral("Cliente")));
}

TEST(NormaliseProtectedFieldsTest, EndsWithACommaWhenLongerThanTwoCharacters)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Recibida", "Recibida,"},
        {"Recibida,", "Recibida,"},
        {"TODO,Solución", "TODO,Solución,"},
        {"abc", "abc,"},
        {"ab", "ab"},
        {"", ""},
    };
    for (const auto& [text, normalised] : cases)
        EXPECT_EQ(normaliseProtectedFields(QString::fromUtf8(text)), QString::fromUtf8(normalised)) << text;
}

TEST(IsProtectedTest, ListedFieldsOrEveryFieldButTheListedWithTodo)
{
    struct Case
    {
        const char* list;
        const char* field;
        bool locked;
    };
    const Case cases[] = {
        {"Recibida,", "Recibida", true},
        {"Recibida,", "Solución", false},
        {"Recibida,", "Fecha Recibida", false},
        {"Fecha Recibida,", "Recibida", false},
        {"Recibida,", "RECIBIDA", true},
        {"Clave, Recibida ,", "Recibida", true},
        {"Fecha de Alta,", "[Fecha de Alta]", true},
        {"[Fecha de Alta],", "Fecha de Alta", true},
        {"TODO,Solución,", "Solución", false},
        {"TODO,Solución,", "Fecha", true},
        {"TODO,Solución,", "Origen", true},
        {"todo, solución,", "SOLUCIÓN", false},
        {"Solución,TODO,", "Cliente", true},
        {"TODO,", "Clave", true},
        {"", "Clave", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isProtected(QString::fromUtf8(c.list), QString::fromUtf8(c.field)), c.locked)
            << c.list << " / " << c.field;
}

} // namespace
} // namespace quelmar::engine
