#include "engine/valueformat.h"

#include "qtprinters.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <gtest/gtest.h>

namespace quelmar::engine {
namespace {

struct Case
{
    QVariant value;
    const char* format;
    const char* text;
};

void expectFormats(const std::initializer_list<Case>& cases)
{
    for (const Case& c : cases)
        EXPECT_EQ(formatValue(c.value, QString::fromUtf8(c.format)), QString::fromUtf8(c.text))
            << c.value.toString().toStdString() << " in \"" << c.format << "\"";
}

TEST(FormatValueTest, NumberPatternsOfTheFieldTypes)
{
    expectFormats({
        {7, "#0", "7"},
        {0, "#0", "0"},
        {1234.5, "#0", "1235"},
        {-1234.5, "#0", "-1235"},
        {1234567, "#,##0", "1,234,567"},
        {-1234567, "#,##0", "-1,234,567"},
        {123, "#,##0", "123"},
        {123456789, "###,###,##0", "123,456,789"},
        {qlonglong(3000000000), "###,###,##0", "3,000,000,000"},
        {1234.5, "###,###,###,##0.00", "1,234.50"},
        {-1234.5, "###,###,###,##0.00", "-1,234.50"},
        {0.5, "###,###,###,##0.00", "0.50"},
        {12, "###,###,###,##0.00", "12.00"},
        {1234.123456789, "###,###,###,##0.######", "1,234.123457"},
        {1.5f, "###,###,###,##0.######", "1.5"},
        {0.1f, "###,###,###,##0.######", "0.1"},
        {1234567.123456, "###,###,###,###,##0.#####", "1,234,567.12346"},
        {-0.000004, "###,###,###,###,##0.#####", "0"},
        {1e20, "#,##0", "100,000,000,000,000,000,000"},
    });
}

TEST(FormatValueTest, OtherPatternsAndNamedFormats)
{
    expectFormats({
        {5, "#,##0.##", "5"},
        {5.5, "#,##0.##", "5.5"},
        {1234.567, "#,##0.##", "1,234.57"},
        {-1234.567, "#,##0.##", "-1,234.57"},
        {1234.5, "$###,##0.00", "$1,234.50"},
        {-1234.5, "$###,##0.00", "-$1,234.50"},
        {0, "$###,##0.00", "$0.00"},
        {999.5, "###,##0", "1,000"},
        {-999999.5, "###,##0", "-1,000,000"},
        {1234.5, "Currency", "$1,234.50"},
        {-3, "currency", "-$3.00"},
        // The largest amounts keep their decimals beyond the 15 significant digits.
        {500000000000000.0, "Currency", "$500,000,000,000,000.00"},
        {-922337203685477.0, "Currency", "-$922,337,203,685,477.00"},
        {1234.5, "Standard", "1,234.50"},
        {-1234.5, "Standard", "-1,234.50"},
        {0.004, "Standard", "0.00"},
    });
}

TEST(FormatValueTest, RoundsHalfAwayFromZeroOnTheDecimalValue)
{
    expectFormats({
        {2.675, "#,##0.00", "2.68"},
        {-2.675, "#,##0.00", "-2.68"},
        {1.005, "#,##0.00", "1.01"},
        {0.125, "#,##0.00", "0.13"},
        {-0.125, "#,##0.00", "-0.13"},
        {0.124999, "#,##0.00", "0.12"},
        {2.5, "#0", "3"},
        {-2.5, "#0", "-3"},
        {-0.4, "#0", "0"},
        {-0.005, "#,##0.00", "-0.01"},
        {-0.004, "#,##0.00", "0.00"},
        {9.995, "#,##0.00", "10.00"},
    });
}

TEST(FormatValueTest, NumbersGivenAsTextOrYesNo)
{
    expectFormats({
        {QStringLiteral("1250"), "#,##0", "1,250"},
        {QStringLiteral(" 1,250.5 "), "#,##0.00", "1,250.50"},
        {QStringLiteral("$-3"), "Currency", "-$3.00"},
        {QStringLiteral("abc"), "#,##0", "abc"},
        {QStringLiteral(""), "#0", ""},
        {true, "#0", "-1"},
        {false, "#0", "0"},
        {true, "Yes/No", "Sí"},
        {-1, "yes/no", "Sí"},
        {0, "Yes/No", "No"},
    });
}

TEST(FormatValueTest, DatesAndHours)
{
    const QDate date(2026, 12, 10);
    const QDateTime afternoon(QDate(2026, 1, 5), QTime(14, 30, 15));
    expectFormats({
        {date, "dd-mmm-yy", "10-Dic-26"},
        {date, "dd-mmm-yyyy", "10-Dic-2026"},
        {date, "DD-MMM-YYYY", "10-Dic-2026"},
        {QDate(2005, 1, 3), "dd-mmm-yy", "03-Ene-05"},
        {date, "mm-dd-yyyy", "12-10-2026"},
        {date, "dd-mm-yy", "10-12-26"},
        {date, "hh:mm", "00:00"},
        {afternoon, "dd-mmm-yyyy", "05-Ene-2026"},
        {afternoon, "hh:mm", "14:30"},
        {QTime(9, 5), "hh:mm", "09:05"},
        {QStringLiteral("2026-01-05"), "dd-mmm-yyyy", "05-Ene-2026"},
        {QStringLiteral("5-ene-26"), "dd-mmm-yy", "05-Ene-26"},
        {QStringLiteral("2026-01-05 07:45:00"), "hh:mm", "07:45"},
        {QStringLiteral("7:45"), "hh:mm", "07:45"},
        {QStringLiteral("no es fecha"), "dd-mmm-yy", "no es fecha"},
        {5, "dd-mmm-yy", "5"},
    });
}

TEST(FormatValueTest, WithoutFormatShowsTheValuesOwnText)
{
    expectFormats({
        {QStringLiteral("Ana López"), "", "Ana López"},
        {42, "", "42"},
        {1234.5, "", "1234.5"},
        {0.1f, "", "0.1"},
        {QDate(2026, 12, 10), "", "10-Dic-2026"},
        {QDateTime(QDate(2026, 12, 10), QTime(0, 0)), "", "10-Dic-2026"},
        {QDateTime(QDate(2026, 12, 10), QTime(14, 30)), "", "10-Dic-2026 14:30:00"},
        {true, "", "Sí"},
        {false, "", "No"},
        {QDate(2026, 12, 10), "#,##0", "10-Dic-2026"},
        {5, "@@@", "5"},
        {0.5, "0%", "0.5"},
        {1234.5, "0.00E+00", "1234.5"},
        {QStringLiteral("texto"), "Texto libre", "texto"},
    });
}

TEST(FormatValueTest, NullShowsNothing)
{
    for (const char* format : {"", "#,##0", "Currency", "dd-mmm-yy", "Yes/No"}) {
        EXPECT_EQ(formatValue(QVariant(), QString::fromUtf8(format)), QString()) << format;
        EXPECT_EQ(formatValue(QVariant(QMetaType(QMetaType::Double)), QString::fromUtf8(format)), QString())
            << format;
        EXPECT_EQ(formatValue(QVariant(QMetaType(QMetaType::QDate)), QString::fromUtf8(format)), QString())
            << format;
    }
}

} // namespace
} // namespace quelmar::engine
