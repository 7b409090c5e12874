#include "shell/companyfile.h"

#include <gtest/gtest.h>

namespace quelmar::shell {
namespace {

using namespace Qt::StringLiterals;

TEST(CompanyFile, EncodedLinesDecodeToTheirText)
{
    const QString encoded = encodeCompanyLine(u"Cablevisión del Valle"_s);
    EXPECT_TRUE(encoded.startsWith(QChar(1) + u"KT"_s));
    EXPECT_TRUE(isEncodedCompanyLine(encoded));
    EXPECT_FALSE(isEncodedCompanyLine(u"KT sin marca"_s));
    EXPECT_EQ(decodeCompanyLine(encoded), u"Cablevisión del Valle"_s);
    EXPECT_EQ(decodeCompanyLine(QChar(1) + u"KT***"_s), QString());
}

TEST(CompanyFile, CompanyDataHasThirteenEntries)
{
    const QStringList current(13, u"antes"_s);
    const QString encoded = encodeCompanyLine(u"Sucursal Norte"_s);
    const struct
    {
        const char* name;
        QStringList lines;
        int flag;
        QStringList expected;
    } cases[]{
        {"a file of four lines leaves 5 to 13 empty",
         {u"Empresa"_s, u"Encabezado"_s, u"logo.png"_s, u"Norte"_s},
         0,
         {u"Empresa"_s, u"Encabezado"_s, u"logo.png"_s, u"Norte"_s, {}, {}, {}, {}, {}, {}, {}, {}, {}}},
        {"encoded lines are decoded",
         {encoded, u"Segunda"_s},
         0,
         {u"Sucursal Norte"_s, u"Segunda"_s, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}}},
        {"with a flag only encoded lines are taken",
         {encoded, u"Segunda"_s},
         1,
         {u"Sucursal Norte"_s, u"antes"_s, u"antes"_s, u"antes"_s, u"antes"_s, u"antes"_s, u"antes"_s,
          u"antes"_s, u"antes"_s, u"antes"_s, u"antes"_s, u"antes"_s, u"antes"_s}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(companyDataFromLines(c.lines, current, c.flag), c.expected) << c.name;

    QStringList longFile;
    for (int i = 1; i <= 20; ++i)
        longFile.append(QString::number(i));
    const QStringList data = companyDataFromLines(longFile, {}, 0);
    ASSERT_EQ(data.size(), 13);
    EXPECT_EQ(data.last(), u"13"_s);
}

} // namespace
} // namespace quelmar::shell
