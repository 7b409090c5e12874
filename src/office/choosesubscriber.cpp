#include "office/choosesubscriber.h"

#include "engine/bdats.h"
#include "panels/errortrap.h"
#include "panels/showmessage.h"
#include "query/buscaind.h"
#include "session/session.h"

namespace quelmar::office {

namespace {

// The number a person typed: its leading digits (and sign); 0 for none.
qint64 typedNumber(const QString& typed)
{
    const QString text = typed.trimmed();
    qsizetype end = 0;
    if (end < text.size() && (text.at(end) == u'-' || text.at(end) == u'+'))
        ++end;
    while (end < text.size() && text.at(end).isDigit() && end < 12)
        ++end;
    return text.left(end).toLongLong();
}

// The search by letters of the name: the subscriber's name comes first and its key second.
void chooseByName(Session& session, QString& chosenKey, QString& chosenName)
{
    QString table = QStringLiteral("Suscriptores");
    QString statement = QStringLiteral(
        "SELECT Suscriptores.Nombre,Suscriptores.Clave, Suscriptores.Calle,Suscriptores.Contrato, "
        "Suscriptores.Colonia, Suscriptores.Clase, Suscriptores.Situación, Suscriptores.Vencimiento FROM "
        "Suscriptores");
    QString prompt;
    QString notFoundText;
    QString prefix;
    QString suffix;
    int result = 0;
    QString name;
    QString key;
    query::BuscaInd(session, table, statement, prompt, notFoundText, prefix, suffix, result, name, key);
    if (result == -1) {
        chosenKey = key;
        chosenName = name;
        session.codes.EngineStatus = 0;
    } else if (session.codes.EngineStatus <= 1) {
        // Nothing chosen; a search that failed keeps its error for the caller to tell.
        session.codes.EngineStatus = 1;
    }
}

} // namespace

QString contractRangeStatement(const QString& typed)
{
    qint64 first = typedNumber(typed);
    const qint64 last = first + 30;
    if (first < 1)
        first = 1;
    return QStringLiteral(
               "SELECT Contrato, Nombre,Clave, Clase, Situación,Vencimiento FROM Suscriptores WHERE "
               "Contrato >= %1 AND Contrato <= %2")
        .arg(first)
        .arg(last);
}

void ChooseSubscriber(Session& session, QString& chosenKey, QString& chosenName)
{
    ErrorTrap trap(session, QStringLiteral("ChooseSubscriber"));
    chosenKey.clear();
    chosenName.clear();
    auto& dialog = session.dialog;
    dialog.ValidationMessage = QStringLiteral("Como busca al Suscriptor");
    dialog.AnswerText = QStringLiteral("&Nombre, &Contrato,");
    dialog.ButtonExplanations =
        QStringLiteral("Busca con algunas letras del Nombre/Busca los 25 contratos siguientes/");
    panels::ShowMessage(session, QStringLiteral("RCa"));
    const QString answer = dialog.AnswerText.trimmed().left(1).toUpper();
    session.codes.EngineStatus = 0;
    if (answer == u'N') {
        chooseByName(session, chosenKey, chosenName);
    } else if (answer == u'C') {
        dialog.ValidationMessage = QStringLiteral("Numero inicial del Contrato buscado");
        dialog.AnswerText.clear();
        panels::ShowMessage(session, QStringLiteral("Cap"));
        engine::BDats(session, QStringLiteral("TabSel"), 3, QStringLiteral("Elija el Contrato"),
                      contractRangeStatement(dialog.AnswerText), QStringLiteral("2"));
        if (session.engine.SelectedRow != 0) {
            chosenKey = session.engine.SelectedValue;
            chosenName = engine::GridCell(session, session.engine.SelectedRow, 2);
        } else if (session.codes.EngineStatus <= 1) {
            // Nothing chosen; a list that could not be loaded keeps its error for the caller to tell.
            session.codes.EngineStatus = 1;
        }
    } else {
        session.codes.EngineStatus = 1;
    }
    dialog.AnswerText.clear();
}

} // namespace quelmar::office
