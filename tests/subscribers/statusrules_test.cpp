// The status rules: expiry arithmetic, cut days and their bonification, the history notes, the key check.
#include "subscribers/statusrules.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quelmar::subscribers {
namespace {

TEST(ExpiryTest, paidMonthsAreAddedToTheMonthAndTheDayRollsOver)
{
    struct Case
    {
        QDate expiry;
        int months;
        QDate expected;
    };
    const Case cases[] = {
        {QDate(2026, 1, 15), 1, QDate(2026, 2, 15)},
        {QDate(2026, 1, 31), 1, QDate(2026, 3, 3)}, // 31 February is 3 March
        {QDate(2028, 1, 31), 1, QDate(2028, 3, 2)}, // in a leap year, 2 March
        {QDate(2026, 11, 20), 2, QDate(2027, 1, 20)},
        {QDate(2026, 12, 31), 1, QDate(2027, 1, 31)},
        {QDate(2026, 12, 31), 2, QDate(2027, 3, 3)},
        {QDate(2026, 8, 31), 1, QDate(2026, 10, 1)},
        {QDate(2026, 5, 10), 12, QDate(2027, 5, 10)},
        {QDate(2026, 5, 10), 25, QDate(2028, 6, 10)},
        {QDate(2026, 5, 10), 0, QDate(2026, 5, 10)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(addPaidMonths(c.expiry, c.months), c.expected)
            << c.expiry.toString(Qt::ISODate).toStdString() << " + " << c.months;
        EXPECT_EQ(extendedExpiry(c.expiry, c.months), c.expected);
    }
}

TEST(ExpiryTest, anExpiryBefore1991MarksASubscriberNotInstalledAndIsNotExtended)
{
    struct Case
    {
        QDate expiry;
        bool notInstalled;
    };
    const Case cases[] = {
        {QDate(1990, 1, 1), true}, {QDate(1990, 12, 31), true}, {QDate(1985, 6, 15), true},
        {QDate(), true},           {QDate(1991, 1, 1), false},  {QDate(2026, 12, 10), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isNotInstalled(c.expiry), c.notInstalled) << c.expiry.toString(Qt::ISODate).toStdString();
        if (c.notInstalled) {
            EXPECT_EQ(extendedExpiry(c.expiry, 3), c.expiry);
        }
    }
    EXPECT_TRUE(isNotInstalled(notInstalledExpiry()));
    EXPECT_EQ(notInstalledExpiry(), QDate(1990, 1, 1));
}

TEST(BonificationTest, onlyMoreThanThreeCutDaysAreOffered)
{
    const QDate today(2026, 12, 10);
    struct Case
    {
        QDate cutDay;
        qint64 days;
        bool offered;
    };
    const Case cases[] = {
        {today, 0, false},
        {QDate(2026, 12, 7), 3, false},
        {QDate(2026, 12, 6), 4, true},
        {QDate(2026, 11, 30), 10, true},
        {QDate(2025, 12, 10), 365, true},
        {QDate(2026, 12, 15), -5, false}, // a cut day ahead of today
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cutDays(c.cutDay, today), c.days) << c.cutDay.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(offersBonification(cutDays(c.cutDay, today)), c.offered);
    }
}

TEST(BonificationTest, theQuestionGivesTheCutDayInWordsAndTheDays)
{
    EXPECT_EQ(bonificationTitle(), u"¿Bonifica Días de Corte?"_s);
    EXPECT_EQ(
        bonificationQuestion(QDate(2026, 11, 30), 10),
        u"Fue Cortado el lunes, 30 de noviembre de 2026     Se puede Bonificar 10 días\r\n\r\n¿Bonifica?"_s);
    EXPECT_EQ(bonificationNote(10), u"10 Dias Bonificados"_s);
    EXPECT_EQ(bonificationNote(4), u"4 Dias Bonificados"_s);
}

TEST(BonificationTest, theLongDateNamesTheWeekdayAndTheMonthInSpanish)
{
    struct Case
    {
        QDate date;
        const char16_t* text;
    };
    const Case cases[] = {
        {QDate(2026, 12, 10), u"jueves, 10 de diciembre de 2026"},
        {QDate(2026, 1, 5), u"lunes, 5 de enero de 2026"},
        {QDate(2025, 10, 1), u"miércoles, 1 de octubre de 2025"},
        {QDate(2026, 2, 28), u"sábado, 28 de febrero de 2026"},
        {QDate(2026, 3, 1), u"domingo, 1 de marzo de 2026"},
        {QDate(2026, 9, 4), u"viernes, 4 de septiembre de 2026"},
        {QDate(2026, 6, 30), u"martes, 30 de junio de 2026"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(longDate(c.date), QString::fromUtf16(c.text));
    EXPECT_TRUE(longDate(QDate()).isEmpty());
}

TEST(HistoryNoteTest, theNoteBeginsWithTheNewStatusAndADash)
{
    struct Case
    {
        const char16_t* status;
        const char16_t* note;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"Cortado", u"Orden de corte", u"Cortado-Orden de corte"},
        {u"Conectado", u"", u"Conectado-"},
        {u"Por Reconectar", u"   pagó hoy  ", u"Por Reconectar-pagó hoy"},
        {u"Baja", u"   ", u"Baja-"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(statusNote(QString::fromUtf16(c.status), QString::fromUtf16(c.note)),
                  QString::fromUtf16(c.expected));
    EXPECT_TRUE(statusNote(QString(status::Cut), u"x"_s).startsWith(status::Cut));
}

TEST(HistoryNoteTest, theLastCutStatementLooksForNotesBeginningWithCortado)
{
    EXPECT_EQ(lastCutStatement(u"25"_s),
              u"SELECT DISTINCTROW Situación.Fecha From Situación Where Situación.Nota Like 'Cortado*' And "
              u"Situación.Suscriptor = 25 ORDER BY Situación.Fecha DESC"_s);
}

TEST(SubscriberKeyTest, onlyAWholeNumberReachesAStatement)
{
    struct Case
    {
        const char16_t* typed;
        const char16_t* key; // empty: refused
    };
    const Case cases[] = {
        {u"25", u"25"},
        {u" 25 ", u"25"},
        {u"0007", u"7"},
        {u"1,234", u"1234"},
        {u"12,345,678", u"12345678"},
        {u"2147483647", u"2147483647"},
        {u"2147483648", u""},
        {u"", u""},
        {u"  ", u""},
        {u"-5", u""},
        {u"+5", u""},
        {u"5.0", u""},
        {u"1,23", u""},
        {u"12a", u""},
        {u"25 OR 1=1", u""},
        {u"25; DELETE FROM Suscriptores", u""},
        {u"Todos", u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(subscriberKey(QString::fromUtf16(c.typed)), QString::fromUtf16(c.key))
            << QString::fromUtf16(c.typed).toStdString();
}

} // namespace
} // namespace quelmar::subscribers
