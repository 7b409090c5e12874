#include "app/automation/script.h"

#include <gtest/gtest.h>

using quelmar::automation::Script;
using quelmar::automation::ScriptAction;
using quelmar::automation::Verb;

namespace {

// An action as text: "Verb|arg|arg" with a "quoted" mark, for whole-text comparisons.
QString render(const ScriptAction& action)
{
    static const char* const names[] = {"menu",   "press", "answer", "choose", "set",      "pick",
                                        "record", "row",   "cell",   "key",    "dblclick", "click",
                                        "expect", "dump",  "pause",  "await"};
    QString text = QString::fromLatin1(names[static_cast<int>(action.verb)]);
    for (const QString& argument : action.arguments)
        text += QLatin1Char('|') + argument;
    if (action.quoted)
        text += QStringLiteral(" (quoted)");
    return text;
}

struct GoodLine
{
    const char* line;
    const char* action;
    bool endsWait;
};

class GoodLines : public testing::TestWithParam<GoodLine>
{
};

TEST_P(GoodLines, areReadAsTheirAction)
{
    QString error;
    const auto script = Script::parse(QString::fromUtf8(GetParam().line), &error);
    ASSERT_TRUE(script) << error.toStdString();
    ASSERT_EQ(script->actions().size(), 1);
    EXPECT_EQ(render(script->actions().constFirst()).toStdString(), GetParam().action);
    EXPECT_EQ(script->actions().constFirst().endsWait(), GetParam().endsWait);
}

INSTANTIATE_TEST_SUITE_P(
    Script, GoodLines,
    testing::Values(GoodLine{"menu 3", "menu|3", true}, GoodLine{"MENU 98", "menu|98", true},
                    GoodLine{"press &Termina", "press|&Termina", true},
                    GoodLine{"press Guardar cambios", "press|Guardar cambios", true},
                    GoodLine{"answer Yes", "answer|Yes", true}, GoodLine{"answer", "answer|", true},
                    GoodLine{"answer 01-Ene-2024 31-Ene-2024", "answer|01-Ene-2024 31-Ene-2024", true},
                    GoodLine{"choose 2", "choose|2", true}, GoodLine{"choose 1  3 5", "choose|1|3|5", true},
                    GoodLine{"choose \"Sucursal Norte\"", "choose|Sucursal Norte (quoted)", true},
                    GoodLine{"set Nombre Pérez López", "set|Nombre|Pérez López", false},
                    GoodLine{"set Nombre", "set|Nombre|", false},
                    GoodLine{"set \"Fecha de pago\" 01-Ene-2024", "set|Fecha de pago|01-Ene-2024", false},
                    GoodLine{"pick Situación 2", "pick|Situación|2", false},
                    GoodLine{"record Last", "record|last", false}, GoodLine{"row 12", "row|12", false},
                    GoodLine{"row 2 Cheque", "row|2|Cheque", false},
                    GoodLine{"pause 250", "pause|250", false},
                    GoodLine{"await /tmp/caja 2/listo", "await|/tmp/caja 2/listo", false},
                    GoodLine{"cell 3 Cuota 120.50", "cell|3|Cuota|120.50", false},
                    GoodLine{"key esc", "key|Esc", true}, GoodLine{"key ENTER", "key|Enter", true},
                    GoodLine{"dblclick", "dblclick", true},
                    GoodLine{"dblclick Cliente", "dblclick|Cliente", true},
                    GoodLine{"dblclick \"Fecha de pago\"", "dblclick|Fecha de pago", true},
                    GoodLine{"click PCan 2", "click|PCan|2", false},
                    GoodLine{"click PCan 0 right", "click|PCan|0|right", false},
                    GoodLine{"expect [menu] Menú Principal", "expect|[menu] Menú Principal", false},
                    GoodLine{"  dump  ", "dump", false}));

struct BadLine
{
    const char* text;
    const char* error; // the start of the message: it names the line
};

class BadLines : public testing::TestWithParam<BadLine>
{
};

TEST_P(BadLines, areRefusedNamingTheLine)
{
    QString error;
    EXPECT_FALSE(Script::parse(QString::fromUtf8(GetParam().text), &error));
    EXPECT_TRUE(error.startsWith(QString::fromUtf8(GetParam().error))) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Script, BadLines,
    testing::Values(BadLine{"menu 1\nfly away", "línea 2: verbo desconocido «fly»"},
                    BadLine{"menu", "línea 1: «menu» no es una acción válida; se espera: menu N"},
                    BadLine{"menu tres", "línea 1: «menu tres»"}, BadLine{"menu 0", "línea 1:"},
                    BadLine{"menu 2 3", "línea 1:"}, BadLine{"press", "línea 1:"},
                    BadLine{"choose", "línea 1:"}, BadLine{"choose 0", "línea 1:"},
                    BadLine{"choose 1 dos", "línea 1:"}, BadLine{"choose \"sin cerrar", "línea 1:"},
                    BadLine{"choose \"\"", "línea 1:"}, BadLine{"choose \"a\" 2", "línea 1:"},
                    BadLine{"set", "línea 1:"}, BadLine{"pick Situación", "línea 1:"},
                    BadLine{"pick Situación x", "línea 1:"}, BadLine{"record up", "línea 1:"},
                    BadLine{"row -1", "línea 1:"}, BadLine{"pause", "línea 1:"}, BadLine{"await", "línea 1:"},
                    BadLine{"pause -3", "línea 1:"}, BadLine{"cell 2", "línea 1:"},
                    BadLine{"key Space", "línea 1:"}, BadLine{"key", "línea 1:"},
                    BadLine{"dblclick Cliente sobra", "línea 1:"}, BadLine{"click PCan", "línea 1:"},
                    BadLine{"click PCan 2 left", "línea 1:"}, BadLine{"expect", "línea 1:"},
                    BadLine{"dump all", "línea 1:"},
                    BadLine{"# heading\n\nmenu 1\r\n\r\npress\r\n", "línea 5:"}));

TEST(Script, skipsCommentsAndBlankLinesAndKeepsLineNumbers)
{
    const QString text = QStringLiteral("\xFEFF# a session\r\n\r\nmenu 1\r\n   # indented comment\r\n"
                                        "expect Menú #2\r\n\r\n");
    QString error;
    const auto script = Script::parse(text, &error);
    ASSERT_TRUE(script) << error.toStdString();
    ASSERT_EQ(script->actions().size(), 2);
    EXPECT_EQ(script->actions().at(0).line, 3);
    EXPECT_EQ(script->actions().at(1).line, 5);
    EXPECT_EQ(script->actions().at(1).arguments.value(0), QStringLiteral("Menú #2"));
    EXPECT_EQ(script->actions().at(1).source, QStringLiteral("expect Menú #2"));
}

TEST(Script, anEmptyScriptHasNoActions)
{
    const auto script = Script::parse(QStringLiteral("# nothing to do\n\n"), nullptr);
    ASSERT_TRUE(script);
    EXPECT_TRUE(script->actions().isEmpty());
}

TEST(Script, aFileThatCannotBeReadIsAnError)
{
    QString error;
    EXPECT_FALSE(Script::load(QStringLiteral("/nonexistent/guion.txt"), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("/nonexistent/guion.txt: "))) << error.toStdString();
}

} // namespace
