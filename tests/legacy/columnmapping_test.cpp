#include "legacy/columnmapping.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Qt::StringLiterals;
using namespace quelmar;
using namespace quelmar::legacy;
namespace jettype = db::jettype;

TEST(ColumnMapping, EachColumnTypeBecomesOurFieldTypeWithItsSize)
{
    const struct
    {
        const char* what;
        int type;
        int size;
        bool autoNumber;
        bool twoBytesPerChar;
        int expectedType;
        int expectedSize;
        bool expectedAutoNumber;
    } cases[]{
        {"yes/no", legacytype::Boolean, 1, false, false, jettype::Boolean, 0, false},
        {"byte", legacytype::Byte, 1, false, false, jettype::Byte, 0, false},
        {"integer", legacytype::Integer, 2, false, false, jettype::Integer, 0, false},
        {"long", legacytype::Long, 4, false, false, jettype::Long, 0, false},
        {"counter", legacytype::Long, 4, true, false, jettype::Long, 0, true},
        {"currency", legacytype::Currency, 8, false, false, jettype::Currency, 0, false},
        {"single", legacytype::Single, 4, false, false, jettype::Single, 0, false},
        {"double", legacytype::Double, 8, false, false, jettype::Double, 0, false},
        {"decimal", legacytype::Numeric, 17, false, true, jettype::Double, 0, false},
        {"date", legacytype::DateTime, 8, false, false, jettype::Date, 0, false},
        {"Jet 3 text keeps its size", legacytype::Text, 50, false, false, jettype::Text, 50, false},
        {"Jet 4 text keeps two bytes a character", legacytype::Text, 100, false, true, jettype::Text, 50,
         false},
        {"text without a size", legacytype::Text, 0, false, false, jettype::Text, 255, false},
        {"memo", legacytype::Memo, 0, false, true, jettype::Memo, 0, false},
        {"replication id", legacytype::ReplicationId, 16, false, true, jettype::Text, 38, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LegacyColumn column{u"Campo"_s, c.type, c.size, c.autoNumber, {}};
        const ColumnMapping mapping = mapColumn(u"Tabla"_s, 3, column, c.twoBytesPerChar);
        ASSERT_TRUE(mapping.mapped) << mapping.problem.toStdString();
        EXPECT_EQ(mapping.field.type, c.expectedType);
        EXPECT_EQ(mapping.field.size, c.expectedSize);
        EXPECT_EQ(mapping.field.autoNumber, c.expectedAutoNumber);
        EXPECT_EQ(mapping.field.table, u"Tabla"_s);
        EXPECT_EQ(mapping.field.position, 3);
    }
}

TEST(ColumnMapping, ColumnsWithoutCounterpartAreNamedWithTheirTable)
{
    for (const int type : {legacytype::Binary, legacytype::OleObject, legacytype::Complex, 99}) {
        SCOPED_TRACE(type);
        const ColumnMapping mapping = mapColumn(u"Suscriptores"_s, 1, {u"Foto"_s, type, 0, false, {}}, true);
        EXPECT_FALSE(mapping.mapped);
        EXPECT_TRUE(mapping.problem.contains(u"Foto"_s));
        EXPECT_TRUE(mapping.problem.contains(u"Suscriptores"_s));
        EXPECT_TRUE(mapping.problem.contains(legacytype::name(type)));
    }
}

TEST(ColumnMapping, TheCataloguePropertiesAreKeptAsStored)
{
    const struct
    {
        const char* what;
        QHash<QString, QString> properties;
        QString defaultValue;
        QString rule;
        QString ruleText;
        bool required;
        bool allowZeroLength;
    } cases[]{
        {"none", {}, {}, {}, {}, false, true},
        {"classifier marker", {{u"DefaultValue"_s, u"!C/Estado"_s}}, u"!C/Estado"_s, {}, {}, false, true},
        {"relation marker",
         {{u"DefaultValue"_s, u"!R/Suscriptores"_s}},
         u"!R/Suscriptores"_s,
         {},
         {},
         false,
         true},
        {"quoted default and rule",
         {{u"DefaultValue"_s, u"\"Por Instalar\""_s},
          {u"ValidationRule"_s, u"Between 1 And 50"_s},
          {u"ValidationText"_s, u"De 1 a 50 televisores"_s}},
         u"\"Por Instalar\""_s,
         u"Between 1 And 50"_s,
         u"De 1 a 50 televisores"_s,
         false,
         true},
        {"required, zero length refused",
         {{u"Required"_s, u"yes"_s}, {u"AllowZeroLength"_s, u"no"_s}},
         {},
         {},
         {},
         true,
         false},
        {"flags written as the engine's numbers",
         {{u"required"_s, u"-1"_s}, {u"allowzerolength"_s, u"0"_s}},
         {},
         {},
         {},
         true,
         false},
        {"required no", {{u"Required"_s, u"False"_s}}, {}, {}, {}, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ColumnMapping mapping =
            mapColumn(u"T"_s, 1, {u"Campo"_s, legacytype::Text, 50, false, c.properties}, false);
        ASSERT_TRUE(mapping.mapped);
        EXPECT_EQ(mapping.field.defaultValue, c.defaultValue);
        EXPECT_EQ(mapping.field.validationRule, c.rule);
        EXPECT_EQ(mapping.field.validationText, c.ruleText);
        EXPECT_EQ(mapping.field.required, c.required);
        EXPECT_EQ(mapping.field.allowZeroLength, c.allowZeroLength);
    }
}

TEST(ColumnMapping, EngineDatesBecomeIsoTextAlsoBefore1900)
{
    const struct
    {
        double days;
        QString iso;
    } cases[]{
        {0, u"1899-12-30"_s},
        {1, u"1899-12-31"_s},
        {2.5, u"1900-01-01 12:00:00"_s},
        {45352.6041666667, u"2024-03-01 14:30:00"_s},
        {-1, u"1899-12-29"_s},
        // Before day 0 the fraction still counts forward from the start of the day.
        {-1.25, u"1899-12-29 06:00:00"_s},
        {-0.5, u"1899-12-30 12:00:00"_s},
        {-547.75, u"1898-07-01 18:00:00"_s},
        {-36522, u"1800-01-01"_s},
        {-657434, u"0100-01-01"_s},
        {2958465, u"9999-12-31"_s},
        {1.9999999999, u"1900-01-01"_s},
        {-657435, {}},
        {2958466, {}},
        {std::numeric_limits<double>::quiet_NaN(), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.days);
        EXPECT_EQ(isoFromJetDate(c.days), c.iso);
    }
}

TEST(ColumnMapping, TextIsUtf8OrTheOldWindowsCodePage)
{
    const struct
    {
        QByteArray bytes;
        QString text;
    } cases[]{
        {"Pe\xc3\xb1"
         "a",
         u"Peña"_s},
        {"Pe\xf1"
         "a",
         u"Peña"_s},
        {"Situaci\xf3n \x80 \x93"
         "a\x94",
         u"Situación € “a”"_s},
        {"Cami\xf3n del \xc1lamo", u"Camión del Álamo"_s},
        {"", u""_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.toStdString());
        EXPECT_EQ(legacyText(c.bytes), c.text);
    }
}

TEST(ColumnMapping, ValuesAreStoredByTheirTypeOrTold)
{
    const struct
    {
        const char* what;
        QVariant read;
        int type;
        QVariant stored;
        bool problem;
    } cases[]{
        {"null stays null", QVariant(), legacytype::Long, QVariant(), false},
        {"yes", true, legacytype::Boolean, QVariant::fromValue(1LL), false},
        {"no", false, legacytype::Boolean, QVariant::fromValue(0LL), false},
        {"long", QVariant::fromValue(-70000LL), legacytype::Long, QVariant::fromValue(-70000LL), false},
        {"money in ten-thousandths", QVariant::fromValue(1234567LL), legacytype::Currency, 123.4567, false},
        {"money keeps whole amounts real", QVariant::fromValue(120000LL), legacytype::Currency, 12.0, false},
        {"double", 2.5, legacytype::Double, 2.5, false},
        {"infinite double", std::numeric_limits<double>::infinity(), legacytype::Double, QVariant(), true},
        {"decimal as text", QByteArray("12.3400"), legacytype::Numeric, 12.34, false},
        {"decimal unreadable", QByteArray("abc"), legacytype::Numeric, QVariant(), true},
        {"date", 45352.0, legacytype::DateTime, u"2024-03-01"_s, false},
        {"date before 1900", -36522.0, legacytype::DateTime, u"1800-01-01"_s, false},
        {"date out of range", 1e9, legacytype::DateTime, QVariant(), true},
        {"old code page text",
         QByteArray("Nu\xf1"
                    "ez"),
         legacytype::Text, u"Nuñez"_s, false},
        {"memo", QByteArray("l\xc3\xadnea"), legacytype::Memo, u"línea"_s, false},
        {"empty text is no null", QByteArray(""), legacytype::Text, QStringLiteral(""), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QString problem;
        const QVariant stored = storedValue(c.read, c.type, problem);
        EXPECT_EQ(stored, c.stored);
        EXPECT_EQ(stored.isNull(), c.stored.isNull());
        EXPECT_EQ(!problem.isEmpty(), c.problem) << problem.toStdString();
    }
}
