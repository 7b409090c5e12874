#include "panels/showmessage.h"

#include "panels/controlpool.h"
#include "panels/standardbox.h"
#include "panelsfixture.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quelmar::panels {
namespace {

using quelmar::testing::PanelsTest;

class ShowMessageTest : public PanelsTest
{
protected:
    int tcomCount() const { return session.pool.ControlCounts[2]; }
};

TEST_F(ShowMessageTest, ButtonRowAnswersWithTheAccessLetterOfTheChosenButton)
{
    session.dialog.ValidationMessage = QStringLiteral("¿Graba los cambios?");
    session.dialog.AnswerText = QStringLiteral("&Si,&No,");
    user.answer(QStringLiteral("N"));
    ShowMessage(session, QStringLiteral("rca"));
    EXPECT_EQ(session.dialog.AnswerText, QStringLiteral("N"));
    EXPECT_EQ(session.dialog.ChosenButton, 2);
    EXPECT_EQ(tcomCount(), 0) << "the buttons are removed";
    EXPECT_EQ(element(session, QStringLiteral("tcom"), 1), nullptr);
    EXPECT_TRUE(session.dialog.ValidationMessage.isEmpty());
    EXPECT_EQ(user.kinds, QList<WaitKind>{WaitKind::ButtonRow});
    EXPECT_TRUE(user.refused.isEmpty());
    EXPECT_EQ(transcriptLines(), QStringList{QStringLiteral("[buttons] ¿Graba los cambios? | Si | No")});
}

TEST_F(ShowMessageTest, ButtonRowAnswersByCaptionAndKeepsTheMarkedLetter)
{
    const std::tuple<const char*, const char*, const char*, int> cases[] = {
        {"C&ontinúa, &Termina,", "o", "o", 1},
        {"C&ontinúa, &Termina,", "Termina", "T", 2},
        {"Uno, Dos,", "dos", "Dos", 2},
    };
    for (const auto& [captions, answer, letter, button] : cases) {
        session.dialog.AnswerText = QString::fromUtf8(captions);
        user.answer(QString::fromUtf8(answer));
        ShowMessage(session, QStringLiteral("RCA"));
        EXPECT_EQ(session.dialog.AnswerText, QString::fromUtf8(letter)) << captions << " " << answer;
        EXPECT_EQ(session.dialog.ChosenButton, button) << captions << " " << answer;
    }
}

TEST_F(ShowMessageTest, ButtonRowRefusesAnAnswerThatNamesNoButton)
{
    session.dialog.AnswerText = QStringLiteral("&Si,&No,");
    user.answer(QStringLiteral("x"));
    user.answer(QStringLiteral("s"));
    ShowMessage(session, QStringLiteral("rca"));
    EXPECT_EQ(user.refused, QStringList{QStringLiteral("answer x")});
    EXPECT_EQ(session.dialog.AnswerText, QStringLiteral("S"));
}

TEST_F(ShowMessageTest, ButtonRowWithoutCaptionsDoesNotWait)
{
    session.dialog.ValidationMessage = QStringLiteral("Sin botones");
    session.dialog.AnswerText = QStringLiteral("sin coma");
    ShowMessage(session, QStringLiteral("rca"));
    EXPECT_TRUE(user.kinds.isEmpty());
    EXPECT_TRUE(session.dialog.AnswerText.isEmpty());
    EXPECT_EQ(session.dialog.ChosenButton, 0);
}

TEST_F(ShowMessageTest, ButtonRowWithCode1010LeavesTheButtonsForTheCaller)
{
    session.dialog.AnswerText = QStringLiteral("&Aceptar,&Cancelar,");
    session.dialog.ButtonExplanations = QStringLiteral("Acepta/Cancela/");
    session.codes.CommandCode = 1010;
    ShowMessage(session, QStringLiteral("rca"));
    EXPECT_TRUE(user.kinds.isEmpty()) << "no wait";
    EXPECT_EQ(tcomCount(), 2);
    auto* second = qobject_cast<QPushButton*>(element(session, QStringLiteral("tcom"), 2));
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(second->text(), QStringLiteral("&Cancelar"));
    EXPECT_EQ(second->toolTip(), QStringLiteral("Cancela"));
    UnloadControl(session, QStringLiteral("tcom"), 0);
    UnloadControl(session, QStringLiteral("tcom"), 0);
    EXPECT_EQ(tcomCount(), 0);
}

TEST_F(ShowMessageTest, ButtonRowLaysButtonsSideBySideOrInAColumn)
{
    session.dialog.AnswerText = QStringLiteral("&Uno,&Dos,");
    session.dialog.MessageRow = 5;
    session.codes.CommandCode = 1010;
    ShowMessage(session, QStringLiteral("rca"));
    QWidget* first = element(session, QStringLiteral("tcom"), 1);
    QWidget* second = element(session, QStringLiteral("tcom"), 2);
    EXPECT_EQ(first->y(), second->y());
    EXPECT_GT(second->x(), first->geometry().right());
    ClearElements(session);

    session.dialog.AnswerText = QStringLiteral("&Uno,&Dos,");
    session.dialog.MessageRow = -1;
    session.dialog.MessageColumn = 1;
    session.codes.CommandCode = 1010;
    ShowMessage(session, QStringLiteral("rca"));
    first = element(session, QStringLiteral("tcom"), 1);
    second = element(session, QStringLiteral("tcom"), 2);
    EXPECT_EQ(first->x(), second->x());
    EXPECT_GT(second->y(), first->geometry().bottom());
}

TEST_F(ShowMessageTest, ErrorBoxAnswersRetryOrCancel)
{
    const std::pair<const char*, const char*> cases[] = {{"Retry", "R"}, {"Cancel", "C"}};
    for (const auto& [role, answer] : cases) {
        user.answer(QString::fromLatin1(role));
        ShowMessage(session, QStringLiteral("ERR"));
        EXPECT_EQ(session.dialog.AnswerText, QString::fromLatin1(answer)) << role;
    }
    EXPECT_EQ(
        transcriptLines().constFirst(),
        QStringLiteral(
            "[message] MENSAJE DE ERROR: Se detecta un problema en la operación [Reintentar] [Cancelar]"));
}

TEST_F(ShowMessageTest, QuestionAnswersYesOrNo)
{
    const std::pair<const char*, const char*> cases[] = {{"Yes", "S"}, {"No", "N"}, {"Sí", "S"}};
    for (const auto& [answer, letter] : cases) {
        session.dialog.ValidationMessage = QStringLiteral("¿Borra el registro?   ");
        user.answer(QString::fromUtf8(answer));
        ShowMessage(session, QStringLiteral("rsn"));
        EXPECT_EQ(session.dialog.AnswerText, QString::fromLatin1(letter)) << answer;
    }
    EXPECT_EQ(transcriptLines().constFirst(),
              QStringLiteral("[question] PREGUNTA: ¿Borra el registro? [Sí] [No]"));
}

TEST_F(ShowMessageTest, InformationAndWarningBoxes)
{
    form->showFooterMessage(QStringLiteral("pie"));
    transcriptLines();
    session.dialog.ValidationMessage = QStringLiteral("Dato grabado");
    user.answer(QStringLiteral("OK"));
    ShowMessage(session, QStringLiteral("tec"));
    session.dialog.ValidationMessage = QStringLiteral("Revise el dato");
    user.answer(QString());
    ShowMessage(session, QStringLiteral("ptec"));
    EXPECT_FALSE(form->footer()->isVisible());
    EXPECT_EQ(transcriptLines(),
              QStringList({QStringLiteral("[message] MENSAJE: Dato grabado [Aceptar]"),
                           QStringLiteral("[message] A V I S O: Revise el dato [Aceptar]")}));
}

TEST_F(ShowMessageTest, InputBoxReturnsTheTypedTextOrNothingWhenCancelled)
{
    session.dialog.ValidationMessage = QStringLiteral("Nombre del archivo");
    session.dialog.AnswerText = QStringLiteral("datos.txt");
    user.answer(QStringLiteral("otros.txt"));
    ShowMessage(session, QStringLiteral("capl"));
    EXPECT_EQ(session.dialog.AnswerText, QStringLiteral("otros.txt"));
    EXPECT_EQ(transcriptLines().constFirst(),
              QStringLiteral("[input] INFORMACION REQUERIDA: Nombre del archivo = datos.txt"));
}

TEST_F(ShowMessageTest, FooterCaptureReturnsTheTypedText)
{
    session.dialog.ValidationMessage = QStringLiteral("Numero inicial del Contrato buscado");
    session.dialog.AnswerText = QStringLiteral("  12");
    user.answer(QStringLiteral("345"));
    ShowMessage(session, QStringLiteral("Cap"));
    EXPECT_EQ(session.dialog.AnswerText, QStringLiteral("345"));
    EXPECT_EQ(session.codes.CommandCode, 13);
    EXPECT_FALSE(form->footer()->isVisible());
    EXPECT_FALSE(form->footerField()->isVisible());
    EXPECT_EQ(user.kinds, QList<WaitKind>{WaitKind::FooterInput});
    EXPECT_EQ(transcriptLines(),
              QStringList{QStringLiteral("[input] Numero inicial del Contrato buscado = 12")});
}

TEST_F(ShowMessageTest, FooterCaptureFieldLengthFollowsTheDefaultAnswer)
{
    const std::tuple<int, QString, int> cases[] = {
        {0, QString(14, QLatin1Char('x')), 14},
        {0, QString(80, QLatin1Char('x')), 60},
        {21, QString(), 21},
    };
    for (const auto& [length, preset, expected] : cases) {
        session.dialog.InputLength = length;
        session.dialog.AnswerText = preset;
        user.answer(QString());
        ShowMessage(session, QStringLiteral("cap"));
        EXPECT_EQ(form->footerField()->maxLength(), expected) << length;
        EXPECT_EQ(session.dialog.InputLength, 0);
    }
}

TEST_F(ShowMessageTest, FooterCaptureWithAMaskAnswersWithoutLiterals)
{
    session.dialog.InputMask = QStringLiteral("##-##");
    user.answer(QStringLiteral("1234"));
    ShowMessage(session, QStringLiteral("cap"));
    EXPECT_EQ(session.dialog.AnswerText, QStringLiteral("1234"));
    EXPECT_TRUE(session.dialog.InputMask.isEmpty());
}

TEST_F(ShowMessageTest, NoticesAndFooterMessagesNeedNoAnswer)
{
    session.dialog.ValidationMessage = QStringLiteral("Imprimiendo");
    ShowMessage(session, QStringLiteral("con"));
    EXPECT_TRUE(form->footer()->isVisible());
    EXPECT_EQ(form->footer()->text(), QStringLiteral(" Imprimiendo "));
    ShowMessage(session, QStringLiteral("bor"));
    EXPECT_FALSE(form->footer()->isVisible());

    session.dialog.ValidationMessage = QStringLiteral("Falta el nombre");
    session.dialog.MessageRow = 3;
    session.dialog.MessageColumn = 500;
    ShowMessage(session, QStringLiteral("vle"));
    EXPECT_TRUE(form->notice()->isVisible());
    EXPECT_EQ(form->notice()->text(), QStringLiteral("Falta el nombre"));
    EXPECT_EQ(session.dialog.MessageRow, 0);
    EXPECT_EQ(session.dialog.MessageColumn, 0);
    EXPECT_TRUE(user.kinds.isEmpty());
    EXPECT_EQ(transcriptLines(), QStringList({QStringLiteral("[footer] Imprimiendo"),
                                              QStringLiteral("[notice] Falta el nombre")}));
}

TEST_F(ShowMessageTest, FooterFontFollowsTheMessageLength)
{
    form->showFooterMessage(QString(60, QLatin1Char('a')));
    EXPECT_DOUBLE_EQ(form->footer()->font().pointSizeF(), 9);
    form->showFooterMessage(QString(61, QLatin1Char('a')));
    EXPECT_NEAR(form->footer()->font().pointSizeF(), 8.3, 0.01);
}

TEST_F(ShowMessageTest, StandardBoxReturnsTheButtonOfTheRole)
{
    user.answer(QStringLiteral("Ignore"));
    EXPECT_EQ(MessageBox(session, QStringLiteral("¿Sigue?"),
                         QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, QMessageBox::Warning,
                         QStringLiteral("AVISO")),
              QMessageBox::Ignore);
    user.answer(QStringLiteral("No"));
    EXPECT_EQ(MessageBox(session, QStringLiteral("¿Sigue?"), QMessageBox::Yes | QMessageBox::No),
              QMessageBox::No);
}

TEST_F(ShowMessageTest, InputBoxCancelledGivesNothing)
{
    QString answer = QStringLiteral("inicial");
    user.key(Qt::Key_Escape);
    EXPECT_FALSE(InputBox(session, QStringLiteral("Nota"), QStringLiteral("Escriba la nota"), answer));
    EXPECT_TRUE(answer.isEmpty());
    EXPECT_TRUE(user.refused.isEmpty());
}

TEST_F(ShowMessageTest, PauseOfZeroReturnsAtOnceAndAShortOneWaits)
{
    QElapsedTimer clock;
    clock.start();
    Pause(session, 0);
    EXPECT_LT(clock.elapsed(), 20);
    clock.restart();
    Pause(session, 60);
    EXPECT_GE(clock.elapsed(), 55);
    EXPECT_TRUE(user.kinds.isEmpty()) << "a pause is not a wait for the user";
}

} // namespace
} // namespace quelmar::panels
