#include "shellfixture.h"

#include "session/twips.h"
#include "shell/menuform.h"
#include "shell/menuline.h"
#include "shell/showmenu.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>

namespace quelmar::shelltest {
namespace {

using namespace Qt::StringLiterals;

QRgb background(const QWidget* widget)
{
    return widget->palette().color(QPalette::Window).rgb();
}

QRgb text(const QWidget* widget)
{
    return widget->palette().color(QPalette::WindowText).rgb();
}

void send(QWidget* widget, QEvent::Type type)
{
    if (type == QEvent::MouseMove) {
        const QPointF at(1, 1);
        QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &move);
        return;
    }
    QEvent event(type);
    QCoreApplication::sendEvent(widget, &event);
}

// The demo office's menu file and company name, the menus read.
class ShowMenuTest : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        ASSERT_TRUE(QFile::copy(repositoryData(u"Quelmar.men"_s), path(u"Quelmar.men"_s)));
        session.shell.CompanyData[0] = u"Cablevisión del Valle"_s;
    }

    MenuForm& mn() { return *session.Mn; }
};

TEST_F(ShowMenuTest, IniReadsTheMenuFileAndLeavesTheMainFormShown)
{
    shell::ShowMenu(session, u"Ini"_s, QString());
    ASSERT_NE(session.Mn, nullptr);
    EXPECT_EQ(session.menu.MenuItems.size(), 84);
    EXPECT_EQ(session.menu.MenuItems.at(1).code, u"1"_s);
    EXPECT_EQ(session.menu.MenuItems.at(1).caption, u"&Suscriptores"_s);
    EXPECT_EQ(mn().objectName(), u"Mn"_s);
    EXPECT_EQ(mn().companyName()->text(), u"Cablevisión del Valle"_s);
    EXPECT_EQ(mn().titlePicture()->text(), u"Quelmar"_s); // no title picture in the folder
    EXPECT_FALSE(mn().logo()->isVisible());
    EXPECT_EQ(mn().geometry(), form->geometry());
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(mn().isVisible());
    EXPECT_TRUE(user.waits.isEmpty());
}

TEST_F(ShowMenuTest, TheMainMenuLiesOnTheArcAndAClickChoosesAnOption)
{
    shell::ShowMenu(session, u"Ini"_s, QString());
    user.menu(2, [this](const WaitContext& wait) {
        EXPECT_EQ(wait.kind, WaitKind::Menu);
        EXPECT_EQ(wait.widget.data(), static_cast<QWidget*>(session.Mn));
        EXPECT_TRUE(mn().isVisible());
        EXPECT_FALSE(form->isVisible());
        ASSERT_EQ(mn().optionCount(), 10);
        EXPECT_EQ(session.menu.OptionCount, 10);
        EXPECT_EQ(mn().windowTitle(), u"QUELMAR"_s);
        EXPECT_EQ(mn().centreLabel()->text(), u"\nFin\n"_s);
        // Every option as wide as the widest ("Órdenes de trabajo", 18 characters), on the arc.
        const shell::ArcLayout& arc = mn().arc();
        ASSERT_EQ(arc.options.size(), 10);
        for (int k = 1; k <= 10; ++k) {
            const QLabel* option = mn().option(k);
            EXPECT_TRUE(option->isVisible());
            EXPECT_EQ(option->width(), twips::toPixels(250 + 115 * 18));
            EXPECT_EQ(option->pos(), QPoint(twips::toPixels(arc.options.at(k - 1).label.left()),
                                            twips::toPixels(arc.options.at(k - 1).label.top())));
            EXPECT_TRUE(mn().line(k)->isVisible());
            EXPECT_EQ(mn().line(k)->to(), QPoint(twips::toPixels(arc.options.at(k - 1).lineTo.x()),
                                                 twips::toPixels(arc.options.at(k - 1).lineTo.y())));
            EXPECT_EQ(background(option), session.shell.ItemColour);
        }
        EXPECT_EQ(mn().option(2)->text(), u"Pagos"_s);
        EXPECT_EQ(mn().option(8)->text(), u"Órdenes de trabajo"_s);
    });
    shell::ShowMenu(session, u"Pres"_s, QString());

    EXPECT_EQ(session.menu.MenuOption, 2);
    EXPECT_EQ(session.menu.MenuPath, u"Pagos"_s);
    EXPECT_EQ(session.menu.MenuHelpTopic, u"Pagos"_s);
    EXPECT_EQ(form->windowTitle(), u"PAGOS"_s);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(mn().isVisible());
    EXPECT_EQ(
        transcriptLines(),
        QStringList{
            u"[menu] QUELMAR | 1 Suscriptores | 2 Pagos | 3 Situación | 4 Consultas | "
            u"5 Administración | 6 Quejas | 7 Gastos | 8 Órdenes de trabajo | 9 Avisos | 10 Fin | 98 Fin"_s});
}

TEST_F(ShowMenuTest, ASubmenuNamesItsPathAndItsCentreGoesBack)
{
    shell::ShowMenu(session, u"Ini"_s, QString());
    user.menu(98, [this](const WaitContext& wait) {
        EXPECT_EQ(wait.description, u"menú - Pagos - Listas de pagos"_s);
        EXPECT_EQ(mn().windowTitle(), u" - Pagos - Listas de pagos"_s);
        EXPECT_EQ(form->windowTitle(), u" - PAGOS - LISTAS DE PAGOS"_s);
        EXPECT_EQ(mn().optionCount(), 5);
    });
    shell::ShowMenu(session, u"Pres"_s, u"23"_s);
    EXPECT_EQ(session.menu.MenuOption, 98);
    EXPECT_EQ(session.menu.MenuPath, u"Base"_s);
    EXPECT_EQ(session.menu.MenuHelpTopic, QString());
    EXPECT_EQ(form->windowTitle(), QString());
    EXPECT_EQ(transcriptLines(), QStringList{u"[menu] - Pagos - Listas de pagos | 1 Diario de pagos | "
                                             u"2 Pagos del período | 3 Pagos previstos | 4 Pagos por calle | "
                                             u"5 Pagos por suscriptor | 98 Listas de pagos"_s});
}

TEST_F(ShowMenuTest, AnAnswerWithoutALabelDoesNotFit)
{
    shell::ShowMenu(session, u"Ini"_s, QString());
    user.menu(10);
    user.menu(0);
    user.menu(1);
    shell::ShowMenu(session, u"Pres"_s, u"9"_s);
    EXPECT_EQ(user.refused, (QStringList{u"menu 10"_s, u"menu 0"_s}));
    EXPECT_EQ(session.menu.MenuOption, 1);
    EXPECT_EQ(session.menu.MenuPath, u"Edita avisos"_s);
}

TEST_F(ShowMenuTest, HoveringHighlightsAndTheBackgroundResets)
{
    shell::ShowMenu(session, u"Ini"_s, QString());
    user.menu(98, [this](const WaitContext&) {
        QLabel* third = mn().option(3);
        send(third, QEvent::Enter);
        EXPECT_EQ(background(third), qRgb(255, 255, 255));
        EXPECT_EQ(text(third), qRgb(255, 0, 0));
        EXPECT_EQ(session.menu.HighlightedOption, 3);
        EXPECT_EQ(mn().explanationPanel()->text(),
                  u"Cambios de situación de los suscriptores y su historial"_s);

        send(&mn(), QEvent::MouseMove);
        EXPECT_EQ(background(third), session.shell.ItemColour);
        EXPECT_EQ(text(third), qRgb(0, 0, 0));
        EXPECT_EQ(session.menu.HighlightedOption, 0);
        EXPECT_EQ(mn().explanationPanel()->text(), QString());

        send(mn().centreLabel(), QEvent::Enter);
        EXPECT_EQ(background(mn().centreLabel()), qRgb(255, 255, 255));
        EXPECT_EQ(session.menu.HighlightedOption, -1);
        EXPECT_EQ(mn().explanationPanel()->text(), u"Termina de usar el Programa"_s);
        send(&mn(), QEvent::MouseMove);
        EXPECT_EQ(background(mn().centreLabel()), session.shell.ItemColour);
    });
    shell::ShowMenu(session, u"Pres"_s, QString());
}

TEST_F(ShowMenuTest, TheCentreOfASubmenuExplainsThatItGoesBack)
{
    shell::ShowMenu(session, u"Ini"_s, QString());
    user.menu(98, [this](const WaitContext&) {
        send(mn().centreLabel(), QEvent::Enter);
        EXPECT_EQ(mn().explanationPanel()->text(), u"Regresa al menú inicial"_s);
    });
    shell::ShowMenu(session, u"Pres"_s, u"2"_s);
}

TEST_F(ShowMenuTest, ClosingTheMenuFormIsRefused)
{
    shell::ShowMenu(session, u"Ini"_s, QString());
    user.inspect([this](const WaitContext&) { mn().close(); });
    user.answer(u"OK"_s);
    user.menu(98, [this](const WaitContext&) { EXPECT_TRUE(mn().isVisible()); });
    shell::ShowMenu(session, u"Pres"_s, QString());
    EXPECT_TRUE(transcriptLines().contains(
        u"[message] Quelmar: Para finalizar el Programa, use el Menu: FIN [Aceptar]"_s));
    EXPECT_EQ(session.menu.MenuOption, 98);
}

TEST_F(ShowMenuTest, AnotherControlWriting99LeavesBothFormsAsTheyAre)
{
    shell::ShowMenu(session, u"Ini"_s, QString());
    user.inspect([this](const WaitContext&) { session.menu.MenuOption = 99; });
    shell::ShowMenu(session, u"Pres"_s, QString());
    EXPECT_EQ(session.menu.MenuOption, 99);
    EXPECT_TRUE(mn().isVisible());
    EXPECT_FALSE(form->isVisible());
    shell::ShowMenu(session, u"Fin"_s, QString());
    EXPECT_FALSE(mn().isVisible());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(ShowMenuTest, TheMenuFormAndTheMainFormShareTheirWindowState)
{
    shell::ShowMenu(session, u"Ini"_s, QString());
    user.menu(98, [this](const WaitContext&) {
        mn().setWindowState(Qt::WindowMaximized);
        EXPECT_EQ(form->windowState(), Qt::WindowMaximized);
    });
    shell::ShowMenu(session, u"Pres"_s, QString());
    user.menu(98, [this](const WaitContext&) { EXPECT_EQ(mn().windowState(), Qt::WindowMaximized); });
    shell::ShowMenu(session, u"Pres"_s, u"2"_s);
}

TEST_F(ShowMenuTest, ASmallDisplayGetsAPlainBackground)
{
    shell::ShowMenu(session, u"Ini"_s, QString());
    session.shell.ColourCount = 256;
    user.menu(98, [this](const WaitContext&) {
        EXPECT_FALSE(mn().gradient());
        EXPECT_EQ(mn().backColour(), qRgb(128, 64, 0));
    });
    shell::ShowMenu(session, u"Pres"_s, QString());
}

TEST_F(ShowMenuTest, TheTitlePictureAndTheLogoAreLoadedWhenThereAreSome)
{
    QImage picture(120, 40, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(path(u"Que_Titu.gif"_s)) || picture.save(path(u"Que_Titu.gif"_s), "PNG"));
    ASSERT_TRUE(picture.save(path(u"logo.png"_s)));
    session.shell.CompanyData[2] = u"logo.png"_s;
    shell::ShowMenu(session, u"Ini"_s, QString());
    EXPECT_FALSE(mn().titlePicture()->pixmap().isNull());
    EXPECT_FALSE(mn().logo()->isHidden());

    session.shell.CompanyData[2] = u"no-existe.png"_s;
    writeFile(u"Que_Titu.gif"_s, "no es una imagen");
    shell::ShowMenu(session, u"Ini"_s, QString());
    EXPECT_EQ(mn().titlePicture()->text(), u"Quelmar"_s);
    EXPECT_TRUE(mn().logo()->isHidden());
}

// Menu files that are not as they should be.
class BadMenuFileTest : public ShellTest
{
};

TEST_F(BadMenuFileTest, WithoutAMenuFileOnlyTheCentreIsShown)
{
    user.answer(u"OK"_s);
    shell::ShowMenu(session, u"Ini"_s, QString());
    EXPECT_TRUE(session.menu.MenuItems.isEmpty());
    user.menu(1);
    user.menu(98);
    shell::ShowMenu(session, u"Pres"_s, QString());
    EXPECT_EQ(session.menu.MenuOption, 98);
    EXPECT_EQ(user.refused, QStringList{u"menu 1"_s});
    EXPECT_EQ(transcriptLines(), (QStringList{u"[message] Quelmar: No esta definido el menu [Aceptar]"_s,
                                              u"[menu] QUELMAR | 98 Fin"_s}));
}

TEST_F(BadMenuFileTest, LongFilesAndLinesWithoutTabsDoNoHarm)
{
    QStringList lines{u"Encabezado del menú"_s, u"1\tÚnica"_s, u"línea sin tabuladores"_s, u"1"_s, u""_s};
    for (int i = 0; i < 400; ++i)
        lines.append(u"2\tRepetida\tUna y otra vez"_s);
    writeLines(u"Quelmar.men"_s, lines);
    shell::ShowMenu(session, u"Ini"_s, QString());
    EXPECT_EQ(session.menu.MenuItems.size(), 300);
    user.menu(1, [this](const WaitContext&) { EXPECT_EQ(session.Mn->optionCount(), 298); });
    shell::ShowMenu(session, u"Pres"_s, QString());
    EXPECT_EQ(session.menu.MenuPath, u"Única"_s);
}

TEST_F(BadMenuFileTest, AnOptionShownOutOfOrderReturnsTheCaptionOfItsNumber)
{
    writeLines(u"Quelmar.men"_s,
               {u"Código\tMenú"_s, u"2\tPagos"_s, u"23\tTercera"_s, u"21\tPrimera"_s, u"22\tSegunda"_s});
    shell::ShowMenu(session, u"Ini"_s, QString());
    user.menu(1, [this](const WaitContext&) { EXPECT_EQ(session.Mn->option(1)->text(), u"Tercera"_s); });
    shell::ShowMenu(session, u"Pres"_s, u"2"_s);
    EXPECT_EQ(session.menu.MenuPath, u"Primera"_s);
}

} // namespace
} // namespace quelmar::shelltest
