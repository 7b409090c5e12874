// The search by identifier: the criterion it builds from the search field and the value typed, and whole
// searches on a small subscribers database, answered by a stand-in user.
#include "query/buscaind.h"

#include "actinguser.h"
#include "screenoffice.h"
#include "testtables.h"

#include "db/database.h"
#include "db/fielddef.h"
#include "panels/mainform.h"
#include "session/session.h"
#include "session/sessiondatabase.h"

#include <QDate>
#include <QFrame>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace quelmar::query {
namespace {

namespace jettype = db::jettype;
using testsupport::field;

TEST(SearchPartsTest, derivesThePrefixSuffixAndPromptFromTheFieldType)
{
    struct Case
    {
        QString name;
        int type;
        QString prefix;
        QString suffix;
        QString prompt;
        bool asksDate;
    };
    const Case cases[] = {
        {QStringLiteral("Nombre"), jettype::Text, QStringLiteral("Nombre like '*"), QStringLiteral("*'"),
         QStringLiteral("Deme algo de Nombre"), false},
        {QStringLiteral("Calle y número"), jettype::Text, QStringLiteral("[Calle y número] like '*"),
         QStringLiteral("*'"), QStringLiteral("Deme algo de [Calle y número]"), false},
        {QStringLiteral("Observaciones"), jettype::Memo, QStringLiteral("Observaciones like '*"),
         QStringLiteral("*'"), QStringLiteral("Deme algo de Observaciones"), false},
        {QStringLiteral("Clave"), jettype::Long, QStringLiteral("Clave = "), QString(),
         QStringLiteral("Escriba el valor de Clave"), false},
        {QStringLiteral("Sub-total"), jettype::Currency, QStringLiteral("[Sub-total] = "), QString(),
         QStringLiteral("Escriba el valor de [Sub-total]"), false},
        {QStringLiteral("Marca"), jettype::Boolean, QStringLiteral("Marca = "), QString(),
         QStringLiteral("Escriba el valor de Marca"), false},
        {QStringLiteral("Importe"), jettype::Double, QStringLiteral("Importe = "), QString(),
         QStringLiteral("Escriba el valor de Importe"), false},
        {QStringLiteral("Fecha de alta"), jettype::Date, QStringLiteral("[Fecha de alta] = "), QString(),
         QStringLiteral("Escriba la Fecha [Fecha de alta]"), true},
        {QStringLiteral("[Ya entre corchetes]"), jettype::Text,
         QStringLiteral("[Ya entre corchetes] like '*"), QStringLiteral("*'"),
         QStringLiteral("Deme algo de [Ya entre corchetes]"), false},
        {QStringLiteral("Foto"), 11, QString(), QString(), QString(), false},
    };
    for (const Case& c : cases) {
        const SearchParts parts = searchParts(c.name, c.type);
        EXPECT_EQ(parts.prefix, c.prefix) << c.name.toStdString();
        EXPECT_EQ(parts.suffix, c.suffix) << c.name.toStdString();
        EXPECT_EQ(parts.prompt, c.prompt) << c.name.toStdString();
        EXPECT_EQ(parts.asksDate, c.asksDate) << c.name.toStdString();
    }
}

TEST(SearchCriterionTest, putsTheValueIntoTheStatementSafely)
{
    struct Case
    {
        const char* what;
        QString prefix;
        QString value;
        QString suffix;
        int type;
        std::optional<QString> criterion;
    };
    const QString like = QStringLiteral("Nombre like '*");
    const QString endLike = QStringLiteral("*'");
    const Case cases[] = {
        {"a text", like, QStringLiteral("Martín"), endLike, jettype::Text,
         QStringLiteral("Nombre like '*Martín*'")},
        {"an apostrophe is doubled", like, QStringLiteral("O'Farrill"), endLike, jettype::Text,
         QStringLiteral("Nombre like '*O''Farrill*'")},
        {"a quote ending the value", like, QStringLiteral("x' OR 'a'='a"), endLike, jettype::Text,
         QStringLiteral("Nombre like '*x'' OR ''a''=''a*'")},
        {"the wildcards of LIKE stay", like, QStringLiteral("Ma*a?"), endLike, jettype::Text,
         QStringLiteral("Nombre like '*Ma*a?*'")},
        {"percent and underscore stay literal", like, QStringLiteral("100%_"), endLike, jettype::Text,
         QStringLiteral("Nombre like '*100%_*'")},
        {"a double-quoted literal doubles double quotes", QStringLiteral("Nombre = \""),
         QStringLiteral("Juan \"el Güero\""), QStringLiteral("\""), jettype::Text,
         QStringLiteral("Nombre = \"Juan \"\"el Güero\"\"\"")},
        {"a bracketed name with an apostrophe opens no literal", QStringLiteral("[D'Artagnan] = "),
         QStringLiteral("12"), QString(), jettype::Long, QStringLiteral("[D'Artagnan] = 12")},
        {"a closed literal before the value", QStringLiteral("Clase = 'A' AND Clave = "), QStringLiteral("7"),
         QString(), jettype::Long, QStringLiteral("Clase = 'A' AND Clave = 7")},
        {"a number", QStringLiteral("Clave = "), QStringLiteral("120"), QString(), jettype::Long,
         QStringLiteral("Clave = 120")},
        {"a signed decimal number", QStringLiteral("Importe = "), QStringLiteral("-12.50"), QString(),
         jettype::Currency, QStringLiteral("Importe = -12.50")},
        {"letters for a number", QStringLiteral("Clave = "), QStringLiteral("abc"), QString(), jettype::Long,
         std::nullopt},
        {"a statement for a number", QStringLiteral("Clave = "), QStringLiteral("1 OR 1=1"), QString(),
         jettype::Long, std::nullopt},
        {"thousands separators for a number", QStringLiteral("Clave = "), QStringLiteral("1,234"), QString(),
         jettype::Long, std::nullopt},
        {"yes for a yes/no field", QStringLiteral("Marca = "), QStringLiteral("Sí"), QString(),
         jettype::Boolean, QStringLiteral("Marca = True")},
        {"no for a yes/no field", QStringLiteral("Marca = "), QStringLiteral("no"), QString(),
         jettype::Boolean, QStringLiteral("Marca = False")},
        {"a number for a yes/no field", QStringLiteral("Marca = "), QStringLiteral("-1"), QString(),
         jettype::Boolean, QStringLiteral("Marca = -1")},
        {"another word for a yes/no field", QStringLiteral("Marca = "), QStringLiteral("quizá"), QString(),
         jettype::Boolean, std::nullopt},
        {"a date literal", QStringLiteral("Alta = "), QStringLiteral("#3/15/2023#"), QString(), jettype::Date,
         QStringLiteral("Alta = #3/15/2023#")},
        {"a date not as a literal", QStringLiteral("Alta = "), QStringLiteral("15-Mar-2023"), QString(),
         jettype::Date, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(searchCriterion(c.prefix, c.value, c.suffix, c.type), c.criterion) << c.what;
}

// Six subscribers; "mart" is in the names of the 2nd, 4th and 5th.
class BuscaIndTest : public testsupport::ScreenOfficeTest
{
protected:
    void SetUp() override
    {
        db::TableDef subscribers;
        subscribers.name = QStringLiteral("Suscriptores");
        subscribers.fields = {
            field(QStringLiteral("Clave"), jettype::Long), field(QStringLiteral("Nombre"), jettype::Text, 50),
            field(QStringLiteral("Contrato"), jettype::Long), field(QStringLiteral("Alta"), jettype::Date)};
        ASSERT_NO_FATAL_FAILURE(
            openOffice({subscribers, testsupport::parametersTable()}, [](db::Database& office) {
                const QVariantList rows[] = {
                    {1, QStringLiteral("Diego Ruiz"), 101, QDate(2023, 1, 10)},
                    {2, QStringLiteral("Ana Martínez"), 102, QDate(2023, 3, 15)},
                    {3, QStringLiteral("Bruno O'Farrill"), 103, QDate(2023, 3, 15)},
                    {4, QStringLiteral("Carmen Martín"), 104, QDate(2023, 6, 1)},
                    {5, QStringLiteral("Martina Sosa"), 105, QDate(2023, 7, 2)},
                    {6, QStringLiteral("Elena Paz"), 106, QVariant()},
                };
                for (const QVariantList& row : rows)
                    EXPECT_FALSE(office.execute(
                        QStringLiteral(
                            "INSERT INTO Suscriptores (Clave, Nombre, Contrato, Alta) VALUES (?, ?, ?, ?)"),
                        row));
            }));
        session.transcript.mark();
    }

    // Searches with these answers at the waits, one per wait.
    void search(const QStringList& answers, const QString& statement = names)
    {
        for (const QString& answer : answers)
            user.answer(answer);
        QString table = QStringLiteral("Suscriptores");
        QString sql = statement;
        BuscaInd(session, table, sql, prompt, notFoundText, prefix, suffix, result, firstValue, secondValue);
        EXPECT_TRUE(user.actions.isEmpty()) << "answers left: " << user.actions.size();
        EXPECT_TRUE(user.refused.isEmpty()) << user.refused.join(QLatin1Char(',')).toStdString();
    }

    // What the user saw: the name on the panel each time it showed a record, and the messages and questions.
    QStringList seen() const
    {
        QStringList events;
        const QStringList lines = session.transcript.sinceMark().split(u'\n', Qt::SkipEmptyParts);
        for (const QString& line : lines) {
            if (line.startsWith(QLatin1String("[panel]"))) {
                const qsizetype at = line.indexOf(QLatin1String("Nombre = "));
                events.append(QStringLiteral("panel ") +
                              line.mid(at + 9).section(QStringLiteral(" | "), 0, 0));
            } else if (line.startsWith(QLatin1String("[message]")) ||
                       line.startsWith(QLatin1String("[question]"))) {
                events.append(line.section(QStringLiteral(" ["), 0, 0));
            }
        }
        return events;
    }

    static inline const QString names =
        QStringLiteral("SELECT Nombre, Clave, Contrato FROM Suscriptores ORDER BY Clave");

    QString prompt;
    QString notFoundText;
    QString prefix;
    QString suffix;
    int result = 0;
    QString firstValue = QStringLiteral("stale");
    QString secondValue = QStringLiteral("stale");
};

const QString noMore = QStringLiteral("[message] AVISO: No hay mas");
const QString notFound = QStringLiteral("[message] AVISO: No lo encuentro / ¿Cambia el Identificador?");
const QString nothingTyped =
    QStringLiteral("[message] AVISO: No escribió algún Identificador.  Operación cancelada");

TEST_F(BuscaIndTest, stepsThroughTheMatchesOfTheLettersTyped)
{
    struct Case
    {
        const char* what;
        QStringList answers;
        QStringList seen;
        int result;
        QString first;
        QString second;
    };
    const auto panel = [](const char* name) { return QStringLiteral("panel ") + QString::fromUtf8(name); };
    const Case cases[] = {
        {"letters from the middle of a name",
         {QStringLiteral("rtín"), QStringLiteral("E")},
         {panel("Diego Ruiz"), panel("Ana Martínez")},
         -1,
         QStringLiteral("Ana Martínez"),
         QStringLiteral("2")},
        {"Siguiente past the last match stays on the last",
         {QStringLiteral("MART"), QStringLiteral("S"), QStringLiteral("S"), QStringLiteral("S"),
          QStringLiteral("OK"), QStringLiteral("E")},
         {panel("Diego Ruiz"), panel("Ana Martínez"), panel("Carmen Martín"), panel("Martina Sosa"), noMore,
          panel("Martina Sosa")},
         -1,
         QStringLiteral("Martina Sosa"),
         QStringLiteral("5")},
        {"Anterior moves back only after Siguiente, and not before the first match",
         {QStringLiteral("mart"), QStringLiteral("A"), QStringLiteral("S"), QStringLiteral("A"),
          QStringLiteral("A"), QStringLiteral("OK"), QStringLiteral("E")},
         {panel("Diego Ruiz"), panel("Ana Martínez"), panel("Carmen Martín"), panel("Ana Martínez"), noMore,
          panel("Ana Martínez")},
         -1,
         QStringLiteral("Ana Martínez"),
         QStringLiteral("2")},
        {"an apostrophe in the name",
         {QStringLiteral("o'far"), QStringLiteral("E")},
         {panel("Diego Ruiz"), panel("Bruno O'Farrill")},
         -1,
         QStringLiteral("Bruno O'Farrill"),
         QStringLiteral("3")},
        {"the wildcards typed",
         {QStringLiteral("t?n*o"), QStringLiteral("E")},
         {panel("Diego Ruiz"), panel("Martina Sosa")},
         -1,
         QStringLiteral("Martina Sosa"),
         QStringLiteral("5")},
        {"not found, then another value",
         {QStringLiteral("Zapata"), QStringLiteral("OK"), QStringLiteral("paz"), QStringLiteral("E")},
         {panel("Diego Ruiz"), notFound, panel("Elena Paz")},
         -1,
         QStringLiteral("Elena Paz"),
         QStringLiteral("6")},
        {"not found, then cancelled",
         {QStringLiteral("Zapata"), QStringLiteral("Cancel")},
         {panel("Diego Ruiz"), notFound},
         2,
         QString(),
         QString()},
        {"Busca otro asks for a new value",
         {QStringLiteral("mart"), QStringLiteral("B"), QStringLiteral("ruiz"), QStringLiteral("E")},
         {panel("Diego Ruiz"), panel("Ana Martínez"), panel("Diego Ruiz")},
         -1,
         QStringLiteral("Diego Ruiz"),
         QStringLiteral("1")},
        {"Cancelo chooses nothing",
         {QStringLiteral("mart"), QStringLiteral("S"), QStringLiteral("C")},
         {panel("Diego Ruiz"), panel("Ana Martínez"), panel("Carmen Martín")},
         2,
         QString(),
         QString()},
        {"only blanks typed",
         {QStringLiteral("   "), QStringLiteral("OK")},
         {panel("Diego Ruiz"), nothingTyped},
         2,
         QString(),
         QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompt.clear();
        notFoundText.clear();
        prefix.clear();
        suffix.clear();
        session.transcript.mark();
        search(c.answers);
        EXPECT_EQ(seen(), c.seen);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(firstValue, c.first);
        EXPECT_EQ(secondValue, c.second);
        // The panel is gone and no command is left for the next screen.
        EXPECT_FALSE(form->fixedPanel()->isVisible());
        EXPECT_EQ(session.codes.CommandCode, 0);
    }
}

TEST_F(BuscaIndTest, asksWithTheDerivedPromptAndKeepsTheDerivedParts)
{
    search({QStringLiteral("Zapata"), QStringLiteral("OK"), QStringLiteral("Ruiz"), QStringLiteral("C")});
    EXPECT_EQ(user.waits.value(0), QStringLiteral("Deme algo de Nombre"));
    EXPECT_EQ(user.kinds.value(0), WaitKind::FooterInput);
    EXPECT_EQ(user.waits.value(2), QStringLiteral("Deme algo de Nombre"));
    EXPECT_EQ(prompt, QStringLiteral("Deme algo de Nombre"));
    EXPECT_EQ(prefix, QStringLiteral("Nombre like '*"));
    EXPECT_EQ(suffix, QStringLiteral("*'"));
    EXPECT_EQ(notFoundText, QStringLiteral("No lo encuentro"));
}

TEST_F(BuscaIndTest, offersOnlyTheSearchWhileTheMatchesAreShown)
{
    user.answer(QStringLiteral("mart"));
    user.then([this](const WaitContext& context) {
        EXPECT_EQ(context.kind, WaitKind::ButtonRow);
        QStringList captions;
        const QList<QPushButton*> buttons = form->findChildren<QPushButton*>();
        for (const QPushButton* button : buttons) {
            if (button->isVisible())
                captions.append(button->text());
        }
        captions.sort();
        EXPECT_EQ(captions, QStringList({QStringLiteral("&Anterior"), QStringLiteral("&Busca otro"),
                                         QStringLiteral("&Cancelo"), QStringLiteral("&Elijo"),
                                         QStringLiteral("&Siguiente"), QStringLiteral("&Termina")}));
        const QList<QAbstractButton*> navigator = form->findChildren<QAbstractButton*>();
        for (const QAbstractButton* button : navigator) {
            if (!button->property("record").isNull()) {
                EXPECT_FALSE(button->isEnabled()) << button->property("record").toString().toStdString();
            }
        }
        EXPECT_TRUE(context.respond(QStringLiteral("answer"), QStringLiteral("C")));
    });
    QString table = QStringLiteral("Suscriptores");
    QString sql = names;
    BuscaInd(session, table, sql, prompt, notFoundText, prefix, suffix, result, firstValue, secondValue);
    EXPECT_EQ(result, 2);
}

TEST_F(BuscaIndTest, aStatementWithoutRecordsReturnsTwoAtOnce)
{
    search({QStringLiteral("OK")},
           QStringLiteral("SELECT Nombre, Clave FROM Suscriptores WHERE Clave > 100"));
    EXPECT_EQ(result, 2);
    EXPECT_EQ(seen(),
              QStringList{QStringLiteral("[message] Quelmar: No hay Registros Identifica en Suscriptores")});
    EXPECT_EQ(session.codes.CommandCode, 0);
}

TEST_F(BuscaIndTest, aNumericFieldTakesOnlyNumbers)
{
    // "!Contrato!" names the search field; a value that is not a number is one no record has.
    prefix = QStringLiteral("!Contrato!");
    search({QStringLiteral("104 OR 1=1"), QStringLiteral("OK"), QStringLiteral("104"), QStringLiteral("E")});
    EXPECT_EQ(user.waits.value(0), QStringLiteral("Escriba el valor de Contrato"));
    EXPECT_EQ(seen(), QStringList({QStringLiteral("panel Diego Ruiz"), notFound,
                                   QStringLiteral("panel Carmen Martín")}));
    EXPECT_EQ(prefix, QStringLiteral("Contrato = "));
    EXPECT_EQ(result, -1);
    EXPECT_EQ(firstValue, QStringLiteral("Carmen Martín"));
    EXPECT_EQ(secondValue, QStringLiteral("4"));
}

TEST_F(BuscaIndTest, aDateFieldIsAskedWithTheDateDialog)
{
    search({QStringLiteral("15-Mar-2023"), QStringLiteral("S"), QStringLiteral("E")},
           QStringLiteral("SELECT Alta, Nombre, Clave FROM Suscriptores ORDER BY Clave"));
    EXPECT_EQ(user.kinds.value(0), WaitKind::OneDate);
    EXPECT_TRUE(user.waits.value(0).startsWith(QStringLiteral("Escriba la Fecha Alta")))
        << user.waits.value(0).toStdString();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(firstValue, QStringLiteral("2023-03-15"));
    EXPECT_EQ(secondValue, QStringLiteral("Bruno O'Farrill"));
}

TEST_F(BuscaIndTest, aCriterionTheDatabaseCannotEvaluateIsNotFound)
{
    // The caller's prefix leaves the value outside any literal: what is typed is not a value of the field.
    prefix = QStringLiteral("Nombre = ");
    search(
        {QStringLiteral("Diego"), QStringLiteral("OK"), QStringLiteral("'Diego Ruiz'"), QStringLiteral("E")});
    EXPECT_EQ(seen(), QStringList({QStringLiteral("panel Diego Ruiz"), notFound,
                                   QStringLiteral("panel Diego Ruiz")}));
    EXPECT_EQ(result, -1);
    EXPECT_EQ(secondValue, QStringLiteral("1"));
}

} // namespace
} // namespace quelmar::query
