#include "shell/showmenu.h"

#include "panels/mainform.h"
#include "panels/standardbox.h"
#include "session/session.h"
#include "shell/menuform.h"
#include "shell/menurules.h"
#include "shell/textlines.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>

namespace quelmar::shell {

namespace {

constexpr QRgb SmallDisplayBackground = 0xFF804000; // RGB(128, 64, 0)

void restorePointer()
{
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

void backToMainForm(Session& session)
{
    restorePointer();
    if (session.k)
        session.k->show();
    if (session.Mn)
        session.Mn->hide();
}

bool readMenuFile(Session& session)
{
    QFile file(session.shell.WorkingFolder.absoluteFilePath(session.shell.AppName + QStringLiteral(".men")));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    session.menu.MenuItems = parseMenuLines(readLines(decodeText(file.readAll())).lines);
    return true;
}

void initialise(Session& session)
{
    session.menu.MenuItems.clear();
    if (!readMenuFile(session))
        panels::MessageBox(session, QStringLiteral("No esta definido el menu"));
    // The fixed parts are laid out even without menus, so that the empty menu still shows whose program it
    // is.
    MenuForm& form = menuForm(session);
    if (session.k)
        form.setGeometry(session.k->geometry());
    form.setColours(session.shell.FormColour, session.shell.ItemColour, session.shell.FormColour);
    const QDir& folder = session.shell.WorkingFolder;
    form.loadTitlePicture(
        folder.absoluteFilePath(session.shell.AppName.left(3) + QStringLiteral("_Titu.gif")),
        session.shell.AppName);
    form.setCompanyName(session.shell.company(1));
    const QString logo = session.shell.company(3).trimmed();
    form.loadLogo(logo.isEmpty() ? QString() : folder.absoluteFilePath(logo));
    form.placeFixedParts();
    backToMainForm(session);
}

QString transcriptLine(const QString& title, const MenuForm& form)
{
    QStringList parts{title};
    for (int k = 1; k <= form.optionCount(); ++k)
        parts.append(QString::number(k) + QLatin1Char(' ') + form.option(k)->text());
    parts.append(QStringLiteral("98 ") + form.centreCaption());
    return parts.join(QStringLiteral(" | "));
}

void present(Session& session, const QString& code)
{
    MenuForm& form = menuForm(session);
    if (session.k) {
        const Qt::WindowStates state = session.k->windowState();
        if (state == Qt::WindowNoState)
            form.setGeometry(session.k->geometry());
        form.setWindowState(state);
    }
    form.show();
    if (session.k)
        session.k->hide();

    form.placeFixedParts();
    if (session.shell.ColourCount > 256) {
        form.setGradient(true);
    } else {
        form.setGradient(false);
        form.setBackColour(SmallDisplayBackground);
    }

    form.clearOptions();
    session.menu.MenuPath.clear();
    const QList<MenuItem>& items = session.menu.MenuItems;
    const MenuSelection selection = selectMenuOptions(items, code);
    session.menu.OptionCount = static_cast<int>(selection.options.size());
    const MenuTitles titles = menuTitles(items, code, session.shell.AppName);
    form.setWindowTitle(titles.formCaption);
    form.showOptions(selection, titles.centreCaption);
    if (session.k)
        session.k->setWindowTitle(titles.formCaption.toUpper());

    session.menu.MenuOption = 0;
    session.menu.HighlightedOption = 0;
    const QString title = titles.formCaption.trimmed();
    session.transcript.write(QStringLiteral("menu"), transcriptLine(title, form));
    WaitContext context{WaitKind::Menu, QStringLiteral("menú ") + title, &form,
                        [&form](const QString& verb, const QString& argument) {
                            bool number = false;
                            const int option = argument.trimmed().toInt(&number);
                            return verb == QLatin1String("menu") && number && form.clickOption(option);
                        }};
    session.wait.forUser([&session] { return session.menu.MenuOption >= 1; }, context);
    if (session.menu.MenuOption == 99)
        return;

    const MenuChoice choice = lookupChoice(items, code, session.menu.MenuOption);
    session.menu.MenuPath = choice.path;
    session.menu.MenuHelpTopic = choice.helpTopic;
    if (session.k)
        session.k->setWindowTitle(choice.found ? choice.path.toUpper() : QString());
    backToMainForm(session);
}

} // namespace

MenuForm& menuForm(Session& session)
{
    if (!session.Mn)
        session.Mn = new MenuForm(session);
    return *session.Mn;
}

void ShowMenu(Session& session, const QString& mode, const QString& code)
{
    session.errors.RoutineName = QStringLiteral("ShowMenu");
    const QString which = mode.toUpper();
    if (which == QLatin1String("INI"))
        initialise(session);
    else if (which == QLatin1String("PRES"))
        present(session, code);
    else
        backToMainForm(session);
}

} // namespace quelmar::shell
