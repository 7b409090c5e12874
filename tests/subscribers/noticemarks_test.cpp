// The notice marks of Observaciones.
#include "subscribers/noticemarks.h"

#include <gtest/gtest.h>

namespace quelmar::subscribers::notices {
namespace {

TEST(NoticeMarks, aNoticeNumberIsAWholeNumberFromOne)
{
    struct Case
    {
        const char* typed;
        std::optional<int> number;
    };
    const Case cases[] = {{"2", 2},
                          {" 12 ", 12},
                          {"9999", 9999},
                          {"0", std::nullopt},
                          {"", std::nullopt},
                          {"dos", std::nullopt},
                          {"2a", std::nullopt},
                          {"-2", std::nullopt},
                          {"2.5", std::nullopt},
                          {"10000", std::nullopt},
                          {"٣", std::nullopt}};
    for (const Case& c : cases)
        EXPECT_EQ(noticeNumber(QString::fromUtf8(c.typed)), c.number) << c.typed;
}

TEST(NoticeMarks, programmingAppendsTheMarkEachTime)
{
    EXPECT_EQ(appendMark(QString(), 3), QStringLiteral("  Aviso=3"));
    EXPECT_EQ(appendMark(appendMark(QStringLiteral("Paga en oficina"), 3), 3),
              QStringLiteral("Paga en oficina  Aviso=3  Aviso=3"));
}

TEST(NoticeMarks, removalTakesEveryMarkOfTheNoticeAndNothingElse)
{
    struct Case
    {
        const char* notes;
        int number;
        bool has;
        const char* rest;
    };
    const Case cases[] = {
        {"  Aviso=2", 2, true, ""},
        {"Paga en oficina  Aviso=2  Aviso=2", 2, true, "Paga en oficina"},
        {"Paga en oficina  Aviso=12", 1, false, "Paga en oficina  Aviso=12"},
        {"  Aviso=1  Aviso=12", 1, true, "  Aviso=12"},
        {"  Aviso=12  Aviso=1", 12, true, "  Aviso=1"},
        {"Aviso=4 al frente", 4, true, " al frente"},
        {"Sin avisos", 2, false, "Sin avisos"},
        {"", 2, false, ""},
    };
    for (const Case& c : cases) {
        const QString notes = QString::fromUtf8(c.notes);
        EXPECT_EQ(hasMark(notes, c.number), c.has) << c.notes;
        EXPECT_EQ(removeMarks(notes, c.number), QString::fromUtf8(c.rest)) << c.notes;
    }
}

} // namespace
} // namespace quelmar::subscribers::notices
