#include "shell/menuloop.h"

#include "panels/showmessage.h"
#include "shell/session.h"
#include "shell/showmenu.h"
#include "shell/startup.h"

#include <QStringList>

namespace quelmar::shell {

namespace {

constexpr int CentreLabel = 98;

bool hasDeeperMenu(const QString& code)
{
    static const QStringList deeper{QStringLiteral("14"), QStringLiteral("15"), QStringLiteral("16"),
                                    QStringLiteral("23"), QStringLiteral("24")};
    return deeper.contains(code);
}

void notYetAvailable(Session& session)
{
    session.dialog.ValidationMessage =
        QStringLiteral("Esta opción estará disponible en una próxima versión.");
    panels::ShowMessage(session, QStringLiteral("tec"));
}

void submenu(Session& session, const QString& code)
{
    ShowMenu(session, QStringLiteral("Pres"), code);
    if (session.menu.MenuOption == CentreLabel)
        return;
    const QString option = code + QString::number(session.menu.MenuOption);
    if (hasDeeperMenu(option)) {
        ShowMenu(session, QStringLiteral("Pres"), option);
        if (session.menu.MenuOption == CentreLabel)
            return;
    }
    notYetAvailable(session);
}

} // namespace

void MenuLoop(Session& session)
{
    for (;;) {
        ShowMenu(session, QStringLiteral("Pres"), QString());
        const int option = session.menu.MenuOption;
        if (option == CentreLabel || option == 10)
            startup::EndProgram(session, QString());
        if (option >= 1 && option <= 9)
            submenu(session, QString::number(option));
    }
}

} // namespace quelmar::shell
