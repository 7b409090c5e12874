#include "shell/menuloop.h"

#include "engine/bdats.h"
#include "panels/askperiod.h"
#include "panels/controlpool.h"
#include "panels/showmessage.h"
#include "shell/accesskeys.h"
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

// The options the presentation engine already serves; false for the others.
bool presentation(Session& session, const QString& option)
{
    if (option == QLatin1String("13")) {
        engine::BDats(session, QStringLiteral("Presenta"), 1, QStringLiteral("REVISA SUSCRIPTOR"),
                      QStringLiteral("SELECT Suscriptores.Nombre, Suscriptores.Contrato, Suscriptores.Clase, "
                                     "Unidades, Suscriptores.Situación, Suscriptores.Instalación, Poste, "
                                     "Suscriptores.Vencimiento, Suscriptores.Calle, Suscriptores.Colonia, "
                                     "Suscriptores.Teléfono, Suscriptores.Observaciones FROM Suscriptores"));
    } else if (option == QLatin1String("71")) {
        engine::BDats(session, QStringLiteral("Captura"), 1, QStringLiteral("Registra Gastos"),
                      QStringLiteral("SELECT Descripción, Monto, Comprobante FROM Gastos"));
    } else if (option == QLatin1String("72")) {
        engine::BDats(session, QStringLiteral("Edita"), 1, QStringLiteral("Modifica Gastos"),
                      QStringLiteral("SELECT Descripción, Monto, Comprobante, Fecha,Cheque FROM Gastos"));
    } else {
        return false;
    }
    panels::ClearElements(session);
    engine::BDats(session, QStringLiteral("Quita"), 0, QString(), QString());
    return true;
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
    if (presentation(session, option))
        return;
    // The days of expiry are guarded by a level-3 access key; the editing itself comes with the payments.
    if (option == QLatin1String("57")) {
        int granted = 0;
        QString name;
        AskAccessKey(session, 3, granted, name);
        if (granted != -1)
            return;
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
