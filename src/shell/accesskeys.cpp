#include "shell/accesskeys.h"

#include "db/recordset.h"
#include "panels/errortrap.h"
#include "panels/keyboard.h"
#include "panels/mainform.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "session/session.h"
#include "session/twips.h"
#include "shell/accesskeyrules.h"

#include <QLabel>
#include <QLineEdit>

namespace quelmar::shell {

namespace {

constexpr int KeyCommand = -4; // the key box reports INTRO so
constexpr int Attempts = 3;
constexpr int KeyBoxLength = 30;

QString trimmedText(const db::Recordset& table, const QString& field)
{
    return table.value(field).toString().trimmed();
}

// The key box `Texto`: empty, every character shown as "*", at the right end of the footer panel, focused.
QLineEdit* prepareKeyBox(Session& session)
{
    QLineEdit* box = session.k ? session.k->keyBox() : nullptr;
    if (!box)
        return nullptr;
    box->clear();
    box->setEchoMode(QLineEdit::Password);
    box->setMaxLength(KeyBoxLength);
    if (const QLabel* footer = session.k->footer()) {
        const QRect panel = footer->geometry();
        box->setGeometry(panel.right() + 1 - twips::toPixels(1300), panel.top() + twips::toPixels(50),
                         twips::toPixels(900), box->height());
    }
    box->show();
    box->raise();
    box->setFocus();
    return box;
}

// Waits until INTRO is typed in the key box and gives what was typed; nothing when the form has no key box.
QString readKey(Session& session)
{
    QLineEdit* box = prepareKeyBox(session);
    if (box) {
        session.codes.CommandCode = 0;
        WaitContext context{WaitKind::AccessKey, QStringLiteral("la clave de acceso"), box,
                            [box](const QString& verb, const QString& text) {
                                if (verb != QLatin1String("answer") || !box->isVisible())
                                    return false;
                                panels::keyboard::replaceText(box, text);
                                panels::keyboard::press(box, Qt::Key_Return);
                                return true;
                            }};
        session.wait.forUser([&session] { return session.codes.CommandCode == KeyCommand; }, context);
    }
    panels::ShowMessage(session, QStringLiteral("Bor"));
    if (!box)
        return {};
    const QString typed = box->text();
    box->clear();
    box->hide();
    return typed;
}

} // namespace

void BDParamLeeAcc(Session& session)
{
    ErrorTrap trap(session, QStringLiteral("BDParam"), 2);
    QList<AccessKey>& keys = session.keys.AccessKeys;
    keys.clear();
    db::Recordset* table = session.database.ParamTable.get();
    if (!table)
        return;
    trap.step([&] {
        table->moveFirst();
        bool found = table->seek(QStringLiteral("="), {QStringLiteral("LA")});
        while (found && !table->eof() && keys.size() < MaxAccessKeys) {
            if (table->value(QStringLiteral("Clase")).toString() != QLatin1String("LA"))
                break;
            keys.append({trimmedText(*table, QStringLiteral("Contenido")),
                         trimmedText(*table, QStringLiteral("Nombre")),
                         trimmedText(*table, QStringLiteral("Clave"))});
            table->moveNext();
        }
    });
}

void AskAccessKey(Session& session, int level, int& granted, QString& name)
{
    session.errors.RoutineName = QStringLiteral("AskAccessKey");
    if (session.keys.AccessKeyCount() == 0) {
        granted = -1;
        return;
    }
    granted = 0;
    name.clear();
    const int pendingCommand = session.codes.CommandCode;
    for (int attempt = 1;; ++attempt) {
        session.dialog.ValidationMessage =
            QStringLiteral("Esta operación requiere Clave de Acceso. Escríbala y termine con tecla INTRO");
        session.dialog.AnswerText.clear();
        panels::ShowMessage(session, QStringLiteral("Con"));
        const KeyCheck check = checkAccessKey(session.keys.AccessKeys, readKey(session), level);
        if (check.outcome == KeyOutcome::Granted) {
            granted = -1;
            name = check.name;
        } else if (check.outcome == KeyOutcome::LevelTooLow) {
            panels::MessageBox(session, QStringLiteral("Esta Operación requiere de una Clave con Nivel ") +
                                            QString::number(level));
        }
        if (granted == -1 || attempt == Attempts)
            break;
        panels::MessageBox(session, QStringLiteral("Clave de Acceso equivocada. Corrija, por favor."));
    }
    session.codes.CommandCode = pendingCommand;
    if (granted != -1)
        panels::MessageBox(session, QStringLiteral("Clave de Acceso no autorizada"));
}

} // namespace quelmar::shell
