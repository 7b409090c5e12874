#include "testdatabase.h"

#include "db/keysetsql.h"
#include "db/sqlitestatement.h"
#include "db/textrows.h"

#include <QDate>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <chrono>
#include <set>
#include <thread>
#include <vector>

using namespace quelmar::db;
using quelmar::db::testing::TestDatabase;

namespace {

// ---------------------------------------------------------------------------------------------------------------
// The conditions of keyset paging, judged by SQLite itself: for every row of a small table with Nulls, ties
// and letters that differ only in case, "the rows after this one" must be exactly the rows that follow it in
// the order.

class Memory
{
public:
    Memory()
    {
        sqlite3_open(":memory:", &m_handle);
        exec(QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, a INTEGER, b TEXT COLLATE NOCASE)"));
        const char* rows[] = {"(1, 5, 'ana')",   "(2, NULL, 'Ana')", "(3, 5, NULL)",   "(4, 2, 'beto')",
                              "(5, NULL, NULL)", "(6, 2, 'ANA')",    "(7, 9, 'Beto')", "(8, 5, 'ana')"};
        for (const char* row : rows)
            exec(QStringLiteral("INSERT INTO t VALUES ") + QLatin1StringView(row));
    }
    ~Memory() { sqlite3_close(m_handle); }

    void exec(const QString& sql)
    {
        ASSERT_EQ(sqlite3_exec(m_handle, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK)
            << sql.toStdString();
    }

    QList<qint64> ids(const QString& sql, const QVariantList& bound = {})
    {
        SqliteStatement statement(m_handle, sql);
        EXPECT_TRUE(statement.isValid()) << sql.toStdString();
        statement.bind(bound);
        QList<qint64> result;
        while (statement.step())
            result.append(statement.int64(0));
        return result;
    }

    QVariantList row(const QList<keysetsql::OrderTerm>& terms, qint64 id)
    {
        QStringList expressions;
        for (const keysetsql::OrderTerm& term : terms)
            expressions.append(term.expression);
        SqliteStatement statement(
            m_handle, QStringLiteral("SELECT %1 FROM t WHERE id = ?").arg(expressions.join(u',')));
        statement.bind({id});
        statement.step();
        QVariantList values;
        for (int i = 0; i < terms.size(); ++i)
            values.append(statement.isNull(i) ? QVariant() : statement.value(i));
        return values;
    }

private:
    sqlite3* m_handle = nullptr;
};

TEST(KeysetConditions, TheRowsAfterARowAreTheRowsThatFollowItInTheOrder)
{
    Memory table;
    const QString orders[] = {
        QStringLiteral("a, id"),         QStringLiteral("a DESC, id"),
        QStringLiteral("b, a DESC, id"), QStringLiteral("b COLLATE NOCASE DESC, id DESC"),
        QStringLiteral("a DESC, b, id"),
    };
    for (const QString& order : orders) {
        bool ok = false;
        QList<keysetsql::OrderTerm> terms = keysetsql::splitOrderBy(order, &ok);
        ASSERT_TRUE(ok) << order.toStdString();
        terms.last().notNull = true; // the row key
        for (const auto& direction : {terms, keysetsql::reversed(terms)}) {
            const QString orderText = keysetsql::orderByText(direction);
            const QList<qint64> all = table.ids(QStringLiteral("SELECT id FROM t ORDER BY ") + orderText);
            for (qsizetype at = 0; at < all.size(); ++at) {
                const QVariantList bound = table.row(direction, all.at(at));
                QList<bool> nulls;
                for (const QVariant& value : bound)
                    nulls.append(!value.isValid());
                for (const bool inclusive : {false, true}) {
                    const QString condition = keysetsql::afterCondition(direction, nulls, 1, inclusive);
                    const QList<qint64> after = table.ids(
                        QStringLiteral("SELECT id FROM t WHERE %1 ORDER BY %2").arg(condition, orderText),
                        bound);
                    EXPECT_EQ(after, all.mid(inclusive ? at : at + 1))
                        << orderText.toStdString() << " after id " << all.at(at)
                        << (inclusive ? " inclusive: " : ": ") << condition.toStdString();
                }
            }
        }
    }
}

TEST(KeysetConditions, OrderClausesAreSplitIntoComparableTerms)
{
    const struct
    {
        const char* orderBy;
        bool ok;
        std::vector<const char*> expressions;
        QList<bool> descending;
    } cases[] = {
        {"\"T\".\"a\" COLLATE NOCASE DESC, \"T\".rowid",
         true,
         {"\"T\".\"a\" COLLATE NOCASE", "\"T\".rowid"},
         {true, false}},
        {"coalesce(a, b) ASC, \"x, y\" desc", true, {"coalesce(a, b)", "\"x, y\""}, {false, true}},
        {"[Fecha de Alta],substr(b,1,2)", true, {"[Fecha de Alta]", "substr(b,1,2)"}, {false, false}},
        {"\"DESCRIPCION\"", true, {"\"DESCRIPCION\""}, {false}},
        {"2 DESC", false, {}, {}},
        {"a NULLS LAST", false, {}, {}},
        {"", true, {}, {}},
    };
    for (const auto& c : cases) {
        bool ok = false;
        const QList<keysetsql::OrderTerm> terms = keysetsql::splitOrderBy(QString::fromUtf8(c.orderBy), &ok);
        EXPECT_EQ(ok, c.ok) << c.orderBy;
        QStringList expressions;
        QList<bool> descending;
        QStringList wanted;
        for (const char* expression : c.expressions)
            wanted.append(QString::fromUtf8(expression));
        for (const keysetsql::OrderTerm& term : terms) {
            expressions.append(term.expression);
            descending.append(term.descending);
        }
        EXPECT_EQ(expressions, wanted) << c.orderBy;
        EXPECT_EQ(descending, c.descending) << c.orderBy;
    }
}

TEST(KeysetConditions, InnerJoinsKeepTheirWrittenOrderAndOuterJoinsAreLeftAlone)
{
    const struct
    {
        const char* from;
        const char* written;
        bool outer;
    } cases[] = {
        {"\"A\", \"B\"", "\"A\" CROSS JOIN \"B\"", false},
        {"\"A\" INNER JOIN \"B\" ON \"A\".k = \"B\".k", "\"A\" CROSS JOIN \"B\" ON \"A\".k = \"B\".k", false},
        {"\"A\" inner join \"B\" ON x", "\"A\" CROSS join \"B\" ON x", false},
        {"\"INNER \" , \"B\"", "\"INNER \"  CROSS JOIN \"B\"", false},
        {"\"A\" LEFT JOIN \"B\" ON x", "\"A\" LEFT JOIN \"B\" ON x", true},
        {"\"A\", (SELECT k FROM \"B\", \"C\") AS s", "\"A\", (SELECT k FROM \"B\", \"C\") AS s", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(keysetsql::writtenJoinOrder(QString::fromUtf8(c.from)), QString::fromUtf8(c.written))
            << c.from;
        EXPECT_EQ(keysetsql::hasOuterJoin(QString::fromUtf8(c.from)), c.outer) << c.from;
    }
}

// ---------------------------------------------------------------------------------------------------------------
// A dynaset read a window at a time gives the rows of its statement, in its order, whichever way the user
// moves: forward, backward, jumping, to the last row; also across windows whose boundaries fall inside runs
// of equal values, Nulls and texts that differ only in case.

constexpr int ManyRows = 1500; // several windows

void addManyPayments(TestDatabase& fixture)
{
    fixture.exec(QStringLiteral("DELETE FROM Cobros"));
    Transaction transaction(fixture.db());
    DbError error;
    auto insert = fixture.db().prepare(QStringLiteral("INSERT INTO Cobros (Cliente, Fecha, Monto, Concepto, "
                                                      "Ticket) VALUES (?, ?, ?, ?, ?)"),
                                       error);
    ASSERT_TRUE(insert) << error.description.toStdString();
    const QString concepts[] = {QStringLiteral("Renta"), QStringLiteral("renta"),
                                QStringLiteral("RENTA"), QStringLiteral("Reconexión"),
                                QStringLiteral("Cable"), QString()};
    for (int i = 0; i < ManyRows; ++i) {
        const QVariant client = i % 7 == 0 ? QVariant() : QVariant(1 + i % 5);
        const QVariant date = i % 11 == 0 ? QVariant() : QVariant(QDate(2024, 1, 1).addDays(i % 40));
        const QVariant amount = i % 13 == 0 ? QVariant() : QVariant(10.5 * (1 + i % 9));
        const QString name = concepts[i % 6];
        ASSERT_TRUE(
            insert->run({client, date, amount, name.isNull() ? QVariant() : QVariant(name), 1000 + i}).ok());
    }
    ASSERT_TRUE(transaction.commit().ok());
}

QList<QVariantList> readForward(Recordset& rows)
{
    QList<QVariantList> result;
    for (rows.moveFirst(); !rows.eof(); rows.moveNext())
        result.append(rows.values());
    return result;
}

QList<QVariantList> readBackward(Recordset& rows)
{
    QList<QVariantList> result;
    for (rows.moveLast(); !rows.bof(); rows.movePrevious())
        result.prepend(rows.values());
    return result;
}

TEST(KeyedDynaset, GivesTheStatementsRowsInItsOrderWhicheverWayTheUserMoves)
{
    TestDatabase fixture;
    addManyPayments(fixture);
    // Each statement ends its order with a unique column, so that the expected order is the snapshot's.
    const QString statements[] = {
        QStringLiteral("SELECT Ticket, Concepto, Monto FROM Cobros ORDER BY Concepto, Ticket"),
        QStringLiteral("SELECT Ticket, Fecha, Monto FROM Cobros ORDER BY Fecha DESC, Monto, Ticket DESC"),
        QStringLiteral("SELECT Ticket, Cliente, Concepto FROM Cobros WHERE Monto > 30 ORDER BY Cliente DESC, "
                       "Concepto DESC, Ticket"),
        QStringLiteral(
            "SELECT Cobros.Ticket, Clientes.Nombre, Cobros.Fecha FROM Clientes INNER JOIN Cobros ON "
            "Clientes.Clave = Cobros.Cliente ORDER BY Clientes.Nombre, Cobros.Fecha, Cobros.Ticket"),
        QStringLiteral("SELECT Ticket, Monto FROM Cobros ORDER BY Ticket"),
    };
    QRandomGenerator random(20261211);
    for (const QString& sql : statements) {
        SCOPED_TRACE(sql.toStdString());
        auto expected = fixture.open(sql, RecordsetType::Snapshot);
        const QList<QVariantList> all = readForward(*expected);
        ASSERT_GT(all.size(), 600);

        auto rows = fixture.open(sql, RecordsetType::Dynaset);
        EXPECT_EQ(rows->recordCount(), all.size());
        EXPECT_EQ(readForward(*rows), all);
        EXPECT_EQ(readBackward(*rows), all);
        rows->moveLast();
        EXPECT_EQ(rows->values(), all.last());
        EXPECT_EQ(rows->absolutePosition(), all.size() - 1);

        // Jumps in a fresh recordset, so that windows are found from anchors and from either end.
        auto jumping = fixture.open(sql, RecordsetType::Dynaset);
        for (int jump = 0; jump < 60; ++jump) {
            const qint64 at = random.bounded(qint64(all.size()));
            ASSERT_TRUE(jumping->setAbsolutePosition(at)) << at;
            EXPECT_EQ(jumping->values(), all.at(at)) << "at " << at;
        }
        jumping->moveLast();
        jumping->move(-qint64(all.size()) / 2);
        EXPECT_EQ(jumping->values(), all.at(all.size() - 1 - all.size() / 2));
    }
}

// The same without a unique column at the end of the order: the rows of equal values may come in any order,
// but each row comes once, and the ordered values come as the statement orders them.
TEST(KeyedDynaset, RunsOfEqualValuesAcrossWindowsGiveEachRowOnce)
{
    TestDatabase fixture;
    addManyPayments(fixture);
    const struct
    {
        const char* column;
        const char* order;
    } cases[] = {{"Concepto", "Concepto"}, {"Monto", "Monto DESC"}, {"Cliente", "Cliente"}};
    for (const auto& c : cases) {
        const QString sql = QStringLiteral("SELECT %1, Ticket FROM Cobros ORDER BY %2")
                                .arg(QLatin1StringView(c.column), QLatin1StringView(c.order));
        SCOPED_TRACE(sql.toStdString());
        auto expected = fixture.open(sql, RecordsetType::Snapshot);
        auto rows = fixture.open(sql, RecordsetType::Dynaset);
        const QList<QVariantList> want = readForward(*expected);
        for (const QList<QVariantList>& got : {readForward(*rows), readBackward(*rows)}) {
            ASSERT_EQ(got.size(), want.size());
            std::set<qint64> tickets;
            for (qsizetype i = 0; i < got.size(); ++i) {
                EXPECT_EQ(got.at(i).at(0).toString().toLower(), want.at(i).at(0).toString().toLower()) << i;
                tickets.insert(got.at(i).at(1).toLongLong());
            }
            EXPECT_EQ(qsizetype(tickets.size()), want.size());
        }
    }
}

// Another workstation writes while the user browses: changed values show, a deleted row is told or skipped,
// and after a requery the recordset is the statement's again.
TEST(KeyedDynaset, ShowsWhatOthersWroteAndCountsExactlyAfterARequery)
{
    TestDatabase fixture;
    addManyPayments(fixture);
    DbError error;
    auto other = Database::open(fixture.path(), {}, error);
    ASSERT_TRUE(other) << error.description.toStdString();
    const QString sql = QStringLiteral("SELECT Ticket, Monto FROM Cobros ORDER BY Ticket");
    auto rows = fixture.open(sql, RecordsetType::Dynaset);
    ASSERT_TRUE(rows->setAbsolutePosition(700));
    EXPECT_EQ(rows->value(0).toLongLong(), 1700);

    ASSERT_TRUE(other->execute(QStringLiteral("UPDATE Cobros SET Monto = 999 WHERE Ticket = 1701")).ok());
    ASSERT_TRUE(other->execute(QStringLiteral("DELETE FROM Cobros WHERE Ticket = 1100")).ok());
    ASSERT_TRUE(other
                    ->execute(QStringLiteral("INSERT INTO Cobros (Cliente, Monto, Concepto, Ticket) VALUES "
                                             "(1, 5, 'Nuevo', 5000)"))
                    .ok());
    // The user moves a moment later: values read with a window serve for a few milliseconds at most.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    rows->moveNext();
    EXPECT_EQ(rows->value(0).toLongLong(), 1701);
    EXPECT_EQ(rows->value(1).toDouble(), 999.0);

    // Moving on never shows a row twice nor the deleted one as if it were there.
    std::set<qint64> seen;
    int steps = 0;
    for (rows->moveFirst(); !rows->eof() && steps < 3 * ManyRows; rows->moveNext(), ++steps) {
        if (rows->lastError().number == jeterror::RecordDeleted)
            continue;
        const qint64 ticket = rows->value(0).toLongLong();
        EXPECT_TRUE(seen.insert(ticket).second) << ticket;
        EXPECT_NE(ticket, 1100);
    }
    EXPECT_TRUE(rows->eof()) << "stuck at " << rows->absolutePosition() << " " << rows->lastError().number;

    ASSERT_TRUE(rows->requery().ok());
    EXPECT_EQ(rows->recordCount(), ManyRows);
    rows->moveLast();
    EXPECT_EQ(rows->value(0).toLongLong(), 5000);
}

// Adding a row through the dynaset puts it after the others, where the user sees it, without reading the
// table.
TEST(KeyedDynaset, ARowAddedComesLastAndIsEditedByItsKey)
{
    TestDatabase fixture;
    addManyPayments(fixture);
    auto rows =
        fixture.open(QStringLiteral("SELECT Ticket, Monto, Concepto FROM Cobros ORDER BY Concepto DESC"),
                     RecordsetType::Dynaset);
    ASSERT_TRUE(rows->addNew().ok());
    rows->setValue(0, 9000);
    rows->setValue(1, 12.5);
    rows->setValue(2, QStringLiteral("Alta"));
    ASSERT_TRUE(rows->update().ok()) << rows->lastError().description.toStdString();
    EXPECT_EQ(rows->value(0).toLongLong(), 9000);
    EXPECT_EQ(rows->recordCount(), ManyRows + 1);
    EXPECT_EQ(rows->absolutePosition(), ManyRows);

    ASSERT_TRUE(rows->edit().ok());
    rows->setValue(1, 13.75);
    ASSERT_TRUE(rows->update().ok());
    EXPECT_EQ(fixture.rows(QStringLiteral("SELECT Monto FROM Cobros WHERE Ticket = 9000")),
              QStringLiteral("13.75"));
    rows->moveFirst();
    rows->moveLast();
    EXPECT_EQ(rows->value(0).toLongLong(), 9000);
}

} // namespace

namespace {

// ---------------------------------------------------------------------------------------------------------------
// Rows as text straight from the file are what the program's values give as text, for every kind of stored
// value: the quick path never writes a value otherwise than the general one.

TEST(TextRows, WriteEveryValueAsTheProgramsValueIsWritten)
{
    TestDatabase fixture;
    // Odd stored forms next to the usual ones, written past the program's checks as another tool could.
    const char* odd[] = {
        "INSERT INTO Clientes (Nombre, Unidades, \"Fecha de Alta\", Activo, Notas) VALUES "
        "('Línea\r\nDos\tTres\rCuatro\nCinco', 7, '2024-03-05 00:00:00', 0, 12)",
        "INSERT INTO Clientes (Nombre, Unidades, \"Fecha de Alta\", Activo, Notas) VALUES "
        "('Hora', 2.75, '2024-03-05 17:45:09', 5, 3.5)",
        "INSERT INTO Clientes (Nombre, Unidades, \"Fecha de Alta\", Activo) VALUES "
        "('Fecha rara', 3, '2023-02-30', NULL)",
        "INSERT INTO Clientes (Nombre, \"Fecha de Alta\") VALUES ('Texto', '5 de marzo')",
        "INSERT INTO Cobros (Cliente, Fecha, Monto, Concepto, Ticket) VALUES "
        "(1, '2024-01-01', 1e14, 'Grande', 90), "
        "(1, '2024-01-01', 123456789012345, 'Entero', 92), (1, '2024-01-01', 0.1, 'Decimal', 93), "
        "(1, '2024-01-01', 150, 'Entero guardado', 94), ('zz', '2024-01-01', 'abc', 'Texto', 95)",
    };
    for (const char* sql : odd)
        ASSERT_EQ(sqlite3_exec(fixture.db().handle(), sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;

    for (const QString& source :
         {QStringLiteral("Clientes"), QStringLiteral("SELECT * FROM Cobros"),
          QStringLiteral("SELECT Monto * 2 AS Doble, -0.0 * Monto AS Cero, Monto * 1e10 AS Grande, Fecha, "
                         "Concepto & '!' FROM Cobros")}) {
        SCOPED_TRACE(source.toStdString());
        auto expected = fixture.open(source, RecordsetType::ForwardOnly);
        DbError error;
        auto rows = TextRows::open(fixture.db(), source, error);
        ASSERT_TRUE(rows) << error.description.toStdString();
        ASSERT_EQ(rows->fields().size(), expected->fieldCount());
        int count = 0;
        for (expected->moveFirst(); !expected->eof(); expected->moveNext(), ++count) {
            ASSERT_TRUE(rows->next());
            for (int column = 0; column < expected->fieldCount(); ++column) {
                QByteArray text;
                rows->appendText(column, text);
                EXPECT_EQ(QString::fromUtf8(text), exportText(expected->value(column)))
                    << "row " << count << " column " << expected->field(column).name.toStdString();
            }
        }
        EXPECT_FALSE(rows->next());
        EXPECT_TRUE(rows->error().ok());
        EXPECT_GT(count, 4);
    }
}

TEST(TextRows, GiveTheExportsTextRules)
{
    const struct
    {
        QVariant value;
        const char* text;
    } cases[] = {
        {QVariant(), ""},
        {QDate(2024, 3, 5), "2024-03-05"},
        {QDateTime(QDate(2024, 3, 5), QTime(17, 45, 9)), "2024-03-05 17:45:09"},
        {true, "1"},
        {false, "0"},
        {150.0, "150"},
        {150.5, "150.5"},
        {1e20, "1e+20"},
        {QStringLiteral("a\r\nb\tc\rd\ne"), "a b c d e"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(exportText(c.value), QString::fromUtf8(c.text)) << c.text;
}

} // namespace
