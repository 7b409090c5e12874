#include "shell/menuloop.h"

#include "panels/askperiod.h"
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

// The options that begin by asking a period ("Per") or one day ("Uni") before their listing.
QString dateQuestion(const QString& option)
{
    static const QStringList periods{QStringLiteral("152"), QStringLiteral("163"), QStringLiteral("164"),
                                     QStringLiteral("232"), QStringLiteral("233"), QStringLiteral("234"),
                                     QStringLiteral("235"), QStringLiteral("241"), QStringLiteral("242"),
                                     QStringLiteral("243"), QStringLiteral("33"),  QStringLiteral("64"),
                                     QStringLiteral("73"),  QStringLiteral("74"),  QStringLiteral("75"),
                                     QStringLiteral("76"),  QStringLiteral("77")};
    static const QStringList days{QStringLiteral("231"), QStringLiteral("244")};
    if (periods.contains(option))
        return QStringLiteral("Per");
    if (days.contains(option))
        return QStringLiteral("Uni");
    return {};
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
    QString option = code + QString::number(session.menu.MenuOption);
    if (hasDeeperMenu(option)) {
        ShowMenu(session, QStringLiteral("Pres"), option);
        if (session.menu.MenuOption == CentreLabel)
            return;
        option += QString::number(session.menu.MenuOption);
    }
    // The listings themselves come with the presentation engine; their date questions are asked already.
    const QString question = dateQuestion(option);
    if (!question.isEmpty()) {
        QString description;
        QString from;
        QString to;
        panels::AskPeriod(session, question, description, from, to);
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
