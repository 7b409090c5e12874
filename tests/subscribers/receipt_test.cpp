// The receipt of a payment: its layout, the concept lines, the rent observation and the whole-number total.
#include "subscribers/receipt.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quelmar::subscribers {
namespace {

ReceiptContent sampleReceipt(const QStringList& concepts)
{
    ReceiptContent content;
    content.heading = {u"CABLEVISIÓN DEL VALLE"_s, u"Av. Juárez 215"_s, u"Tel. 555-21-40"_s, u"R.F.C."_s,
                       u"Lunes a viernes"_s,       u"Sábados"_s};
    content.closing = u"Gracias por su pago."_s;
    content.ticket = 1042;
    content.when = QDateTime(QDate(2026, 1, 15), QTime(9, 5));
    content.name = u"María Guadalupe Hernández de la Fuente Villaseñor"_s;
    content.contract = u"318"_s;
    content.total = 40360;
    content.concepts = concepts;
    return content;
}

TEST(ReceiptTest, theLayoutHasSeventeenLinesBesidesTheConcepts)
{
    const QString rule(38, u'_');
    const QStringList counts[] = {
        {},
        {u"     Instalación = 450"_s},
        {u"      Renta (1-2 TV) = 360 (2 Mes  15-Ene-2026 a 15-Mar-2026)"_s, u"     Cable adicional = 60"_s,
         u"     Reconexión (1-2 TV) = 120"_s},
    };
    for (const QStringList& concepts : counts) {
        const QStringList lines = receiptLines(sampleReceipt(concepts));
        const qsizetype k = concepts.size();
        ASSERT_EQ(lines.size(), 17 + k);
        const QStringList expectedTop = {
            u"CABLEVISIÓN DEL VALLE"_s,
            u"Av. Juárez 215"_s,
            u"Tel. 555-21-40"_s,
            u"R.F.C."_s,
            u"Lunes a viernes"_s,
            u"Sábados"_s,
            rule,
            u"Ticket = 1042   15-Ene-2026   09:05"_s,
            u" "_s,
            u"María Guadalupe Hernández de la Fuen   "_s, // the name cut to 36 characters
            u"   Contrato 318       Total: $40,360.00"_s,
            u" "_s,
            u"   Conceptos pagados:"_s,
        };
        EXPECT_EQ(lines.mid(0, 13), expectedTop);
        EXPECT_EQ(lines.mid(13, k), concepts);
        const QStringList expectedBottom = {u" "_s, rule, u" "_s, u"Gracias por su pago."_s};
        EXPECT_EQ(lines.mid(13 + k), expectedBottom);
    }
}

TEST(ReceiptTest, missingCompanyLinesStayEmptySoThatTheLayoutKeepsItsPlaces)
{
    ReceiptContent content = sampleReceipt({});
    content.heading = {u"Solo una línea"_s};
    const QStringList lines = receiptLines(content);
    ASSERT_EQ(lines.size(), 17);
    EXPECT_EQ(lines.mid(0, 6), (QStringList{u"Solo una línea"_s, {}, {}, {}, {}, {}}));
    EXPECT_EQ(lines.at(6), QString(38, u'_'));
}

TEST(ReceiptTest, conceptLinesIndentRentBySixAndTheRestByFive)
{
    EXPECT_EQ(conceptLine(u"Renta (1-2 TV)"_s, u"360"_s, u"2 Mes  15-Ene-2026 a 15-Mar-2026"_s, true),
              u"      Renta (1-2 TV) = 360 (2 Mes  15-Ene-2026 a 15-Mar-2026)"_s);
    EXPECT_EQ(conceptLine(u"Reconexión (1-2 TV)"_s, u"120"_s, QString(), false),
              u"     Reconexión (1-2 TV) = 120"_s);
    // A long concept stays one receipt line; the printer continues it on the next printed line.
    const QString longName = u"Cambio de domicilio con cableado nuevo hasta la casa"_s;
    const QString line = conceptLine(longName, u"1500.5"_s, QString(), false);
    EXPECT_EQ(line, u"     "_s + longName + u" = 1500.5"_s);
    EXPECT_GT(line.size(), ReceiptWidth);
}

TEST(ReceiptTest, theRentObservationTellsTheMonthsAndThePeriod)
{
    struct Case
    {
        int months;
        QDate expiry;
        QDate newExpiry;
        QString observation;
    };
    const Case cases[] = {
        // " Mes ", then the period, which begins with a blank of its own.
        {2, QDate(2026, 1, 15), QDate(2026, 3, 15), u"2 Mes  15-Ene-2026 a 15-Mar-2026"_s},
        {1, QDate(2026, 12, 1), QDate(2027, 1, 1), u"1 Mes  01-Dic-2026 a 01-Ene-2027"_s},
        // Not installed: the expiry does not move; two blanks before "por".
        {2, QDate(1990, 1, 1), QDate(1990, 1, 1), u"2 Mes  por instalar"_s},
        {3, QDate(), QDate(), u"3 Mes  por instalar"_s},
        // Cut to the 34 characters the field keeps.
        {1000, QDate(2026, 1, 15), QDate(2109, 5, 15), u"1000 Mes  15-Ene-2026 a 15-May-210"_s},
    };
    for (const Case& c : cases) {
        const QString observation = rentObservation(c.months, rentPeriod(c.expiry, c.newExpiry));
        EXPECT_EQ(observation, c.observation) << c.months;
        EXPECT_LE(observation.size(), ObservationLength);
    }
}

TEST(ReceiptTest, onlyConceptsNamedRentExtendThePeriod)
{
    EXPECT_TRUE(isRentConcept(u"Renta (1-2 TV)"_s));
    EXPECT_TRUE(isRentConcept(u"Hotel: Renta por unidad"_s));
    EXPECT_FALSE(isRentConcept(u"Reconexión (1-2 TV)"_s));
    EXPECT_FALSE(isRentConcept(u"renta de equipo"_s));
}

TEST(ReceiptTest, theTotalAddsWholeAmountsWithoutOverflow)
{
    struct Case
    {
        QList<double> amounts;
        qint64 total;
        QString shown;
    };
    const Case cases[] = {
        {{}, 0, u"$0.00"_s},
        {{360, 120}, 480, u"$480.00"_s},
        {{360.5}, 360, u"$360.00"_s}, // half to the even whole number
        {{361.5}, 362, u"$362.00"_s},
        {{100.4, 100.4, 100.4}, 300, u"$300.00"_s}, // each addition keeps a whole number
        {{100.6, 100.6}, 202, u"$202.00"_s},
        {{30000, 2767, 1}, 32768, u"$32,768.00"_s}, // above a 16-bit whole number
        {{1200 * 48, 450}, 58050, u"$58,050.00"_s},
        {{1234567}, 1234567, u"$1,234,567.00"_s},
    };
    for (const Case& c : cases) {
        qint64 total = 0;
        for (double amount : c.amounts)
            total = addWholeAmount(total, amount);
        EXPECT_EQ(total, c.total);
        EXPECT_EQ(receiptAmount(total), c.shown);
    }
}

TEST(ReceiptTest, paidLineRecordsAreTakenApart)
{
    struct Case
    {
        QString record;
        bool valid;
        int line;
        int quantity;
        QString conceptName;
        QString total;
        double amount;
    };
    const Case cases[] = {
        {u"1/2/Renta (1-2 TV)/360/"_s, true, 1, 2, u"Renta (1-2 TV)"_s, u"360"_s, 360},
        {u"6/1/Reconexión (1-2 TV)/120/"_s, true, 6, 1, u"Reconexión (1-2 TV)"_s, u"120"_s, 120},
        {u"3/1/Renta c/decodificador/95.5/"_s, true, 3, 1, u"Renta c/decodificador"_s, u"95.5"_s, 95.5},
        {u"2/3/Cable adicional/0/"_s, true, 2, 3, u"Cable adicional"_s, u"0"_s, 0},
        {u"1/1/Hotel/1,200.5/"_s, true, 1, 1, u"Hotel"_s, u"1,200.5"_s, 1200.5},
        {QString(), false, 0, 0, {}, {}, 0},
        {u"1/2/Renta (1-2 TV)/360"_s, false, 0, 0, {}, {}, 0}, // not ended
        {u"1/0/Renta (1-2 TV)/0/"_s, false, 0, 0, {}, {}, 0},  // nothing paid
        {u"1/-1/Renta (1-2 TV)/0/"_s, false, 0, 0, {}, {}, 0},
        {u"1/dos/Renta/360/"_s, false, 0, 0, {}, {}, 0},
        {u"1/2/Renta/trescientos/"_s, false, 0, 0, {}, {}, 0},
        {u"1/2/"_s, false, 0, 0, {}, {}, 0},
    };
    for (const Case& c : cases) {
        const std::optional<PaidLine> paid = parsePaidLine(c.record);
        ASSERT_EQ(paid.has_value(), c.valid) << c.record.toStdString();
        if (!paid)
            continue;
        EXPECT_EQ(paid->line, c.line);
        EXPECT_EQ(paid->quantity, c.quantity);
        EXPECT_EQ(paid->conceptName, c.conceptName);
        EXPECT_EQ(paid->total, c.total);
        EXPECT_DOUBLE_EQ(paid->amount, c.amount);
    }
}

} // namespace
} // namespace quelmar::subscribers
