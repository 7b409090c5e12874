// Whole scripted sessions of the real program on a demonstration office made by the companion command.
#include "officesession.h"

#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

namespace {

using quelmar::automationtest::OfficeSession;
using quelmar::automationtest::ProcessTimeout;

class ScriptedSession : public OfficeSession
{
};

TEST_F(ScriptedSession, opensSubmenusAndLeavesThroughTheCentreLabel)
{
    QStringList transcript;
    const int status = run(QStringLiteral("# Suscriptores, then Vencimientos, back, and out\n"
                                          "menu 1\nmenu 5\nexpect [menu]\nmenu 98\nmenu 98\n"),
                           &transcript);
    EXPECT_EQ(status, 0) << transcript.join(QLatin1Char('\n')).toStdString() << m_errors.toStdString();
    EXPECT_GE(transcript.filter(QStringLiteral("[menu] ")).size(), 4)
        << transcript.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ScriptedSession, answersAPeriodQuestionAndLeavesTheMenus)
{
    QStringList transcript;
    const int status = run(QStringLiteral("menu 2\nmenu 3\nmenu 2\n"
                                          "expect Las Fechas usan el formato: Dia-Mes-Año como 31-Ene-2001\n"
                                          "answer 01-Ene-2024 31-Dic-2024\n"
                                          "answer OK\n"
                                          "expect [menu] QUELMAR\n"
                                          "menu 98\n"),
                           &transcript);
    EXPECT_EQ(status, 0) << transcript.join(QLatin1Char('\n')).toStdString() << m_errors.toStdString();
    EXPECT_TRUE(anyStartsWith(transcript, QStringLiteral("[menu] - Pagos - Listas de pagos")));
}

TEST_F(ScriptedSession, aPeriodTypedAsNonsenseIsAskedAgain)
{
    QStringList transcript;
    const int status = run(QStringLiteral("menu 2\nmenu 3\nmenu 2\n"
                                          "answer hoy mañana\n"
                                          "expect No es una Fecha válida.\n"
                                          "answer OK\n"
                                          "answer 01-Ene-2024 31-Dic-2024\n"
                                          "answer OK\nmenu 98\n"),
                           &transcript);
    EXPECT_EQ(status, 0) << transcript.join(QLatin1Char('\n')).toStdString() << m_errors.toStdString();
}

TEST_F(ScriptedSession, anAccessKeyOfTooLowALevelIsRefusedAndTheRightOneGranted)
{
    QStringList transcript;
    const int status = run(
        QStringLiteral("menu 5\nmenu 7\n"
                       "expect Esta operación requiere Clave de Acceso. Escríbala y termine con tecla INTRO\n"
                       "answer caja\n"
                       "expect Esta Operación requiere de una Clave con Nivel 3\n"
                       "answer OK\n"
                       "expect Clave de Acceso equivocada. Corrija, por favor.\n"
                       "answer OK\n"
                       "answer gerencia\n"
                       "expect [input] Modifica los dias de vencimiento = \n"
                       "answer 7\nmenu 98\n"),
        &transcript);
    EXPECT_EQ(status, 0) << transcript.join(QLatin1Char('\n')).toStdString() << m_errors.toStdString();
    EXPECT_EQ(query(QStringLiteral("SELECT Contenido FROM Parametros WHERE Clase = 'DV'")), QStringLiteral("7"));
}

TEST_F(ScriptedSession, threeWrongAccessKeysAreNotAuthorised)
{
    QStringList transcript;
    const int status = run(QStringLiteral("menu 5\nmenu 7\n"
                                          "answer uno\nanswer OK\nanswer dos\nanswer OK\nanswer tres\n"
                                          "expect Clave de Acceso no autorizada\n"
                                          "answer OK\nmenu 98\n"),
                           &transcript);
    EXPECT_EQ(status, 0) << transcript.join(QLatin1Char('\n')).toStdString() << m_errors.toStdString();
}

TEST_F(ScriptedSession, aSecondInstanceIsRefusedWhileOneRuns)
{
    // The first instance, without a script, waits at the main menu for a person.
    QProcessEnvironment offscreen = withoutDisplay();
    offscreen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QString firstTranscript = path(QStringLiteral("primera.txt"));
    QProcess first;
    startProgram(first, {QStringLiteral("--dir"), office(), QStringLiteral("--transcript"), firstTranscript},
                 offscreen);
    ASSERT_TRUE(first.waitForStarted(ProcessTimeout));
    const QDeadlineTimer deadline(ProcessTimeout);
    while (!anyStartsWith(lines(firstTranscript), QStringLiteral("[menu] ")) && !deadline.hasExpired() &&
           first.state() == QProcess::Running)
        QThread::msleep(50);
    ASSERT_TRUE(anyStartsWith(lines(firstTranscript), QStringLiteral("[menu] ")))
        << first.readAllStandardError().toStdString();

    QStringList transcript;
    const int status = run(QStringLiteral("expect Hay otra instancia del Programa, y solo puede haber una\n"
                                          "answer OK\n"),
                           &transcript);
    first.kill();
    first.waitForFinished();
    EXPECT_EQ(status, 0) << transcript.join(QLatin1Char('\n')).toStdString() << m_errors.toStdString();
    EXPECT_TRUE(anyStartsWith(
        transcript,
        QStringLiteral("[message] AVISO: Hay otra instancia del Programa, y solo puede haber una")))
        << transcript.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ScriptedSession, aScriptThatRunsOutSaysWhatTheProgramWaitsFor)
{
    QStringList transcript;
    EXPECT_EQ(run(QStringLiteral("menu 1\n"), &transcript), 3) << m_errors.toStdString();
    ASSERT_FALSE(transcript.isEmpty());
    EXPECT_TRUE(transcript.constLast().startsWith(QStringLiteral("[wait] ")))
        << transcript.constLast().toStdString();
}

TEST_F(ScriptedSession, aFailedExpectEndsWithStatus1)
{
    QStringList transcript;
    EXPECT_EQ(run(QStringLiteral("expect Esto no aparece nunca\nmenu 98\n"), &transcript), 1)
        << m_errors.toStdString();
    EXPECT_TRUE(transcript.contains(QStringLiteral("[expect] no se encontró: Esto no aparece nunca")))
        << transcript.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ScriptedSession, anActionThatCannotBeCarriedOutEndsWithStatus4)
{
    QStringList transcript;
    EXPECT_EQ(run(QStringLiteral("press NoExiste\n"), &transcript), 4) << m_errors.toStdString();
    EXPECT_TRUE(transcript.contains(
        QStringLiteral("[error] línea 1 «press NoExiste»: no hay ningún botón «NoExiste» en pantalla")))
        << transcript.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ScriptedSession, aBadCommandLineOrScriptEndsWithStatus2)
{
    struct Case
    {
        const char* script;
        QStringList extra;
        const char* error;
    };
    const Case cases[] = {
        {"menu 1\nmenu uno\n", {}, "línea 2:"},
        {"menu 1\n", {QStringLiteral("--colour")}, "Unknown option 'colour'"},
        {"menu 1\n", {QStringLiteral("sobrante")}, "sobrante"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        EXPECT_EQ(run(QString::fromUtf8(c.script), nullptr, c.extra), 2);
        EXPECT_TRUE(m_errors.contains(QString::fromUtf8(c.error))) << m_errors.toStdString();
        EXPECT_TRUE(c.extra.isEmpty() || m_errors.contains(QStringLiteral("Usage: quelmar [options]")));
    }
}

} // namespace
