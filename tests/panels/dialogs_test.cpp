#include "panels/askperiod.h"
#include "panels/choicelistform.h"
#include "panels/choosefromlist.h"

#include "core/clock.h"
#include "panels/controlpool.h"
#include "panelsfixture.h"

#include <QListWidget>

namespace quelmar::panels {
namespace {

using quelmar::testing::PanelsTest;

class DialogsTest : public PanelsTest
{
protected:
    void SetUp() override
    {
        PanelsTest::SetUp();
        Clock::setToday(QDate(2026, 12, 10));
    }
    void TearDown() override
    {
        Clock::setToday(QDate());
        PanelsTest::TearDown();
    }

    bool poolIsEmpty() const
    {
        for (int count : session.pool.ControlCounts) {
            if (count != 0)
                return false;
        }
        return true;
    }

    const QStringList labels = {QStringLiteral("Centro"), QStringLiteral("Norte"), QStringLiteral("Sur")};
};

TEST_F(DialogsTest, AskPeriodReturnsBothDatesAsLiterals)
{
    QString description, from, to;
    user.answer(QStringLiteral("1-Ene-2026 31/01/26"));
    AskPeriod(session, QStringLiteral("Per"), description, from, to);
    EXPECT_EQ(description, QStringLiteral(" del 1-Ene-2026 al 31/01/26"));
    EXPECT_EQ(from, QStringLiteral("#1/1/2026#"));
    EXPECT_EQ(to, QStringLiteral("#1/31/2026#"));
    EXPECT_EQ(user.kinds, QList<WaitKind>{WaitKind::Period});
    EXPECT_TRUE(poolIsEmpty()) << "the fields and the button are removed";
    const QStringList lines = transcriptLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.at(0),
              QStringLiteral("[footer] Las Fechas usan el formato: Dia-Mes-Año como 31-Ene-2001"));
    EXPECT_EQ(lines.at(1), QStringLiteral("[input] Período: El período considerado inicia en y termina en = "
                                          "10-Dic-2026 10-Dic-2026"));
}

TEST_F(DialogsTest, AskPeriodAsksAnInvalidDateAgain)
{
    QString description, from, to;
    user.answer(QStringLiteral("31-Feb-2026 10-Mar-2026"));
    user.answer(QStringLiteral("OK"));
    user.answer(QStringLiteral("28-Feb-2026 10-Mar-2026"));
    AskPeriod(session, QStringLiteral("per"), description, from, to);
    EXPECT_EQ(user.kinds, QList<WaitKind>({WaitKind::Period, WaitKind::MessageBox, WaitKind::Period}));
    EXPECT_EQ(from, QStringLiteral("#2/28/2026#"));
    EXPECT_EQ(to, QStringLiteral("#3/10/2026#"));
    const QStringList lines = transcriptLines();
    EXPECT_TRUE(lines.contains(
        QStringLiteral("[message] AVISO: Revise la Fecha, que esta escrita así:  31-Feb-2026 / "
                       "No es una Fecha válida.  El formato aceptado es: 10-Dic-2026 [Aceptar]")))
        << lines.join(QLatin1Char('\n')).toStdString();
}

TEST_F(DialogsTest, AskPeriodForOneDate)
{
    const std::tuple<QString, QString, QString, QString> cases[] = {
        {QStringLiteral("Escriba la Fecha Vencimiento"), QStringLiteral("5/3/2026"),
         QStringLiteral(" 5/3/2026 "), QStringLiteral("#3/5/2026#")},
        {QString(), QString(), QStringLiteral(" 10-Dic-2026 "), QStringLiteral("#12/10/2026#")},
    };
    for (const auto& [prompt, typed, text, literal] : cases) {
        QString description = prompt, from, to = QStringLiteral("x");
        user.answer(typed);
        AskPeriod(session, QStringLiteral("Uni"), description, from, to);
        EXPECT_EQ(description, text);
        EXPECT_EQ(from, literal);
        EXPECT_TRUE(to.isEmpty());
    }
    const QStringList lines = transcriptLines();
    EXPECT_EQ(lines.at(0),
              QStringLiteral("[input] Fecha: Escriba la Fecha Vencimiento (Día - mes - año) = 10-Dic-2026"));
    EXPECT_EQ(lines.at(1), QStringLiteral("[input] Fecha: Defina la Fecha (día-mes-año) = 10-Dic-2026"));
    EXPECT_EQ(user.kinds, QList<WaitKind>({WaitKind::OneDate, WaitKind::OneDate}));
}

TEST_F(DialogsTest, AskPeriodRefusesTheWrongNumberOfDates)
{
    QString description, from, to;
    user.answer(QStringLiteral("1-Ene-2026"));
    user.answer(QStringLiteral("1-Ene-2026 2-Ene-2026"));
    AskPeriod(session, QStringLiteral("Per"), description, from, to);
    EXPECT_EQ(user.refused, QStringList{QStringLiteral("answer 1-Ene-2026")});
    EXPECT_EQ(to, QStringLiteral("#1/2/2026#"));
}

TEST_F(DialogsTest, ChooseFromListMarksSeveralEntries)
{
    int count = -1;
    QString answer;
    user.choose(QStringLiteral("1 3"));
    ChooseFromList(session, QStringLiteral("M"), QStringLiteral("Elige las zonas"), labels, count, answer);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(answer, QStringLiteral(" 1/ 3/"));
    EXPECT_EQ(session.dialog.ChosenEntries, QStringLiteral("Centro/Sur/"));
    EXPECT_EQ(user.kinds, QList<WaitKind>{WaitKind::List});
    EXPECT_TRUE(poolIsEmpty());
    EXPECT_FALSE(form->listamult()->isVisible());
    EXPECT_EQ(transcriptLines().constFirst(),
              QStringLiteral("[list] Elige las zonas | 1 Centro | 2 Norte | 3 Sur"));
}

TEST_F(DialogsTest, ChooseFromListTakesOneEntryByNumberOrText)
{
    const std::tuple<QString, int, QString> cases[] = {
        {QStringLiteral("2"), 2, QStringLiteral("Norte")},
        {QStringLiteral("\"sur\""), 3, QStringLiteral("Sur")},
    };
    for (const auto& [choice, position, label] : cases) {
        int count = -1;
        QString answer;
        user.choose(choice);
        ChooseFromList(session, QStringLiteral("S"), QStringLiteral("Elige la Sucursal"), labels, count,
                       answer);
        EXPECT_EQ(count, position) << choice.toStdString();
        EXPECT_EQ(answer, label) << choice.toStdString();
    }
    EXPECT_EQ(form->listauni()->item(0)->text(), QStringLiteral("  Centro"));
}

TEST_F(DialogsTest, ChooseFromListCancelledGivesNothing)
{
    int count = -1;
    QString answer = QStringLiteral("x");
    user.choose(QStringLiteral("7"));
    user.answer(QStringLiteral("Cancelar"));
    ChooseFromList(session, QStringLiteral("U"), QStringLiteral("Elige la Sucursal"), labels, count, answer,
                   ListPlacement{400, 12900});
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(answer.isEmpty());
    EXPECT_EQ(user.refused, QStringList{QStringLiteral("choose 7")});
    EXPECT_TRUE(poolIsEmpty());
}

TEST_F(DialogsTest, ChooseFromListAnswersTheKeysOfTheList)
{
    const std::tuple<Qt::Key, int, QString> cases[] = {
        {Qt::Key_Return, 1, QStringLiteral("Centro")},
        {Qt::Key_Escape, 0, QString()},
    };
    for (const auto& [key, position, label] : cases) {
        int count = -1;
        QString answer;
        user.key(key);
        ChooseFromList(session, QStringLiteral("S"), QStringLiteral("Elige"), labels, count, answer);
        EXPECT_EQ(count, position) << key;
        EXPECT_EQ(answer, label) << key;
    }
}

TEST(ChoiceListFormTest, OffersOnlyTheAllowedActionsAfterNada)
{
    QString explanations;
    EXPECT_EQ(ChoiceListForm::actionCaptions(QStringLiteral("TM"), QStringLiteral("Zonas"), explanations),
              QStringLiteral("&Nada,&Modifica,&Tabla,"));
    EXPECT_EQ(explanations, QStringLiteral("Cancela la operación/Cambia los datos ó elimina Zonas/"
                                           "Presenta Tabla de Zonas, con mas datos/"));
    const std::pair<const char*, int> codes[] = {{"N", 0}, {"M", 2}, {"a", 3}, {"S", 4},
                                                 {"T", 5}, {"E", 6}, {"I", 7}, {"B", 8}};
    for (const auto& [letter, code] : codes)
        EXPECT_EQ(ChoiceListForm::actionCode(QString::fromLatin1(letter)), code) << letter;
}

TEST_F(DialogsTest, ChoiceListRightPressOffersTheActions)
{
    ChoiceListForm choices(session);
    choices.setAllowedActions(QStringLiteral("MAB"));
    const int n = choices.addList(QStringLiteral("Zonas"), labels);
    user.answer(QStringLiteral("B"));
    choices.offerActions(n, 1);
    EXPECT_EQ(session.dialog.ListExit, 8);
    EXPECT_EQ(session.codes.CommandCode, n + 1);
    EXPECT_EQ(transcriptLines().constLast(),
              QStringLiteral("[buttons] Que hace con Zonas: Norte | Nada | Modifica | Agrega | Busca"));
}

} // namespace
} // namespace quelmar::panels
