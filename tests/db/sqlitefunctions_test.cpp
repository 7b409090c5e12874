#include "testdatabase.h"

#include "db/jetsql.h"
#include "db/sqlitestatement.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

using namespace quelmar::db;
using namespace Qt::StringLiterals;
using quelmar::db::testing::TestDatabase;

namespace {

struct LikeCase
{
    QString pattern;
    QString text;
};

// The texts as the file keeps them (UTF-8 in a table), matched by the statement's like() against each
// pattern. The answer must be the matcher's own on the same texts as Qt holds them.
TEST(SqlLike, GivesTheMatchersAnswerForStoredTextOfEveryKind)
{
    TestDatabase fixture;
    sqlite3* handle = fixture.db().handle();
    ASSERT_FALSE(runSql(handle, u"CREATE TEMP TABLE textos (t)"_s));
    const std::vector<LikeCase> cases = {
        {u"*ana*"_s, u"Mariana López"_s},
        {u"*ANA*"_s, u"mariana"_s},
        {u"*ana*"_s, u"ANA MARÍA Ruiz"_s},
        {u"*ana*"_s, u"José Pérez"_s},
        {u"josé"_s, u"JOSÉ"_s},
        {u"jose"_s, u"josé"_s},
        {u"*ñ*"_s, u"PEÑA"_s},
        {u"*Ñ*"_s, u"peña"_s},
        {u"á*"_s, u"Árbol"_s},
        {u"[á-é]*"_s, u"Éxito"_s},
        {u"[!á-é]*"_s, u"éxito"_s},
        {u"*σ*"_s, u"ΚΑΣΑ"_s},
        {u"?"_s, u"ñ"_s},
        {u"??"_s, u"ñ"_s},
        // Outside the basic plane a character is two code units, and '?' stands for one of them.
        {u"a?b"_s, u"a😀b"_s},
        {u"a??b"_s, u"a😀b"_s},
        {u"*😀*"_s, u"sol 😀 y luna"_s},
        {u"Cortado*"_s, u"Cortado por falta de pago"_s},
        {u"a?c"_s, u"ac"_s},
        {u"*a*b*c"_s, u"xaxbxcx"_s},
        {u"[a-c]x"_s, u"Bx"_s},
        {u"[[]1]"_s, u"[1]"_s},
        {u"a[]b"_s, u"ab"_s},
        {u"100%"_s, u"1000"_s},
        {u"a_b"_s, u"a_b"_s},
        {u"#12"_s, u"#12"_s},
        {u"*"_s, QString()},
        {QString(), QString()},
        {u"*x"_s, u"xxxxxxxxy"_s},
        // Plain patterns are answered on the stored bytes: the same answers as the general matcher.
        {u"*ez"_s, u"Pérez"_s},
        {u"*EZ"_s, u"PÉREZ"_s},
        {u"*ana*"_s, u"Ángel Santana"_s},
        {u"perez"_s, u"Pérez"_s},
        {u"centro"_s, u"CENTRO"_s},
        {u"Centro"_s, u"Centro Histórico"_s},
        {u"Centro*"_s, u"centro Histórico"_s},
        {u"*histórico"_s, u"Centro Histórico"_s},
        {u"**"_s, QString()},
        {QString(), u"a"_s},
        {u"*na*"_s, u"n"_s},
        // Characters beyond ASCII that fold to an ASCII letter: the Kelvin sign and the long s.
        {u"*k*"_s, u"\u212A"_s},
        {u"s"_s, u"\u017F"_s},
    };
    for (const LikeCase& c : cases) {
        ASSERT_FALSE(runSql(handle, u"DELETE FROM textos"_s));
        ASSERT_FALSE(runSql(handle, u"INSERT INTO textos VALUES (?)"_s, {c.text}));
        SqliteStatement match(handle, u"SELECT like(?, t) FROM textos"_s);
        match.bind({c.pattern});
        ASSERT_TRUE(match.step()) << match.error().description.toStdString();
        EXPECT_EQ(match.int64(0) != 0, jetsql::likeMatches(c.pattern, c.text))
            << c.pattern.toStdString() << " / " << c.text.toStdString();
    }
}

// Text that is not well-formed UTF-8 (written by another program) is read as SQLite reads it, and numbers are
// matched by their text.
TEST(SqlLike, ReadsMalformedTextAndNumbersAsSqliteDoes)
{
    TestDatabase fixture;
    sqlite3* handle = fixture.db().handle();
    const struct
    {
        const char* value; // an SQL expression
        QString pattern;
    } cases[] = {
        {"CAST(X'61C3' AS TEXT)", u"a*"_s},        // cut in the middle of a character
        {"CAST(X'61C0AF62' AS TEXT)", u"a?b"_s},   // an overlong form
        {"CAST(X'61EDA08062' AS TEXT)", u"a*b"_s}, // an encoded surrogate
        {"CAST(X'6180' AS TEXT)", u"a?"_s},        // a stray continuation byte
        {"CAST(X'C3626364' AS TEXT)", u"*bcd"_s},  // a lead byte without its continuation
        {"CAST(X'80626364' AS TEXT)", u"bcd"_s},   {"1234", u"12*"_s}, {"12.5", u"*.5"_s},
    };
    for (const auto& c : cases) {
        SqliteStatement value(handle, u"SELECT %1"_s.arg(QString::fromLatin1(c.value)));
        ASSERT_TRUE(value.step());
        const auto* units = static_cast<const char16_t*>(sqlite3_column_text16(value.handle(), 0));
        const QString asSqliteReadsIt =
            QString::fromUtf16(units, sqlite3_column_bytes16(value.handle(), 0) / 2);

        SqliteStatement match(handle, u"SELECT like(?, %1)"_s.arg(QString::fromLatin1(c.value)));
        match.bind({c.pattern});
        ASSERT_TRUE(match.step()) << match.error().description.toStdString();
        EXPECT_EQ(match.int64(0) != 0, jetsql::likeMatches(c.pattern, asSqliteReadsIt)) << c.value;
    }
    SqliteStatement nulls(handle, u"SELECT like(NULL, 'a'), like('a', NULL)"_s);
    ASSERT_TRUE(nulls.step());
    EXPECT_TRUE(nulls.isNull(0));
    EXPECT_TRUE(nulls.isNull(1));
}

// A statement keeps the decoded pattern between rows: every row must still be matched against its own text,
// and a pattern that changes from row to row must be read afresh.
TEST(SqlLike, MatchesEveryRowOfAStatement)
{
    TestDatabase fixture;
    auto rows = fixture.open(u"SELECT Nombre FROM Clientes WHERE Nombre LIKE '*a*' ORDER BY Clave"_s,
                             RecordsetType::Snapshot);
    EXPECT_EQ(quelmar::db::testing::rowsOf(*rows), u"Ana López\nANA MARÍA Ruiz\nZoe 100% Díaz"_s);
    auto own = fixture.open(u"SELECT Nombre FROM Clientes WHERE Nombre LIKE Nombre & '*' ORDER BY Clave"_s,
                            RecordsetType::Snapshot);
    EXPECT_EQ(own->recordCount(), 5);
}

// The file answers Jet's functions with its own: the format is read once for all the rows of a statement,
// First and Last follow the rows of each group, and a date worked out is written back as the file keeps
// dates.
TEST(SqlJetFunctions, AnswerTheStatementsOfTheFile)
{
    TestDatabase fixture;
    EXPECT_EQ(fixture.rows(u"SELECT Format(Fecha, 'dd-mmm-yyyy'), Format(Monto, 'Currency'), Str(Ticket), "
                           "DatePart('w', Fecha) FROM Cobros ORDER BY Ticket, Concepto"_s),
              u"10-Nov-2026|$150.50| 1|3\n10-Dic-2026|$150.50| 2|5\n10-Dic-2026|$80.00| 3|5\n"
              "10-Dic-2026|$150.50| 3|5\n09-Dic-2026|$20.00| 4|4"_s);
    EXPECT_EQ(
        fixture.rows(u"SELECT Cliente, First(Concepto), Last(Concepto), Count(*), StDevP(Monto), Var(Monto) "
                     "FROM Cobros GROUP BY Cliente"_s),
        u"1|Renta|Renta|2|0|0\n2|Reconexión|Renta|2|35.25|2485.125\n3|Cable|Cable|1|0|"_s);
    EXPECT_EQ(fixture.rows(u"SELECT Count(*) FROM Cobros WHERE DateDiff('m', Fecha, #01-01-2027#) = 1"_s),
              u"4"_s);

    fixture.exec(u"UPDATE Cobros SET Fecha = DateAdd('m', 1, Fecha) WHERE Ticket = 4"_s);
    EXPECT_EQ(fixture.rows(u"SELECT Fecha FROM Cobros WHERE Ticket = 4"_s), u"2027-01-09"_s);
}

} // namespace
