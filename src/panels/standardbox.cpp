#include "panels/standardbox.h"

#include "panels/dialogrules.h"
#include "panels/keyboard.h"
#include "panels/mainform.h"
#include "session/session.h"
#include "session/twips.h"

#include <QAbstractButton>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <utility>

namespace quelmar::panels {

namespace {

constexpr std::array<std::pair<const char*, QMessageBox::StandardButton>, 7> roles{{
    {"ok", QMessageBox::Ok},
    {"cancel", QMessageBox::Cancel},
    {"yes", QMessageBox::Yes},
    {"no", QMessageBox::No},
    {"retry", QMessageBox::Retry},
    {"abort", QMessageBox::Abort},
    {"ignore", QMessageBox::Ignore},
}};

bool isQuestion(QMessageBox::StandardButtons buttons, QMessageBox::Icon icon)
{
    return icon == QMessageBox::Question || buttons.testFlag(QMessageBox::Yes) ||
           buttons.testFlag(QMessageBox::No);
}

QString transcriptLine(const QMessageBox& box)
{
    QString line = box.windowTitle() + QStringLiteral(": ") + box.text();
    const QList<QAbstractButton*> buttons = box.buttons();
    for (const QAbstractButton* button : buttons)
        line += QStringLiteral(" [") + withoutAccessMark(button->text()) + QLatin1Char(']');
    return line;
}

// The button a script's answer names: a role (whatever the captions), else a caption without "&"; an empty
// answer names the default button, or the only one.
QAbstractButton* answeredButton(QMessageBox& box, const QString& answer)
{
    const QString wanted = answer.trimmed();
    if (wanted.isEmpty()) {
        if (box.defaultButton())
            return box.defaultButton();
        return box.buttons().size() == 1 ? box.buttons().constFirst() : nullptr;
    }
    if (const QMessageBox::StandardButton standard = buttonOfRole(wanted); standard != QMessageBox::NoButton)
        return box.button(standard);
    const QList<QAbstractButton*> buttons = box.buttons();
    for (QAbstractButton* button : buttons) {
        if (withoutAccessMark(button->text()).compare(wanted, Qt::CaseInsensitive) == 0)
            return button;
    }
    return nullptr;
}

} // namespace

QMessageBox::StandardButton buttonOfRole(const QString& role)
{
    const QString name = role.trimmed().toLower();
    for (const auto& [roleName, button] : roles) {
        if (name == QLatin1String(roleName))
            return button;
    }
    return QMessageBox::NoButton;
}

int MessageBox(Session& session, const QString& text, QMessageBox::StandardButtons buttons,
               QMessageBox::Icon icon, const QString& title)
{
    QMessageBox box(icon, title.isEmpty() ? session.shell.AppName : title, text, buttons, session.k);
    box.setWindowModality(Qt::WindowModal);
    bool finished = false;
    QObject::connect(&box, &QMessageBox::finished, &box, [&finished] { finished = true; });
    const QString tag = isQuestion(buttons, icon) ? QStringLiteral("question") : QStringLiteral("message");
    session.transcript.write(tag, transcriptLine(box));
    box.open();

    WaitContext context;
    context.kind = WaitKind::MessageBox;
    context.description = box.windowTitle() + QStringLiteral(": ") + Transcript::oneLine(text);
    context.widget = &box;
    context.respond = [&box](const QString& verb, const QString& argument) {
        if (verb != QLatin1String("answer"))
            return false;
        QAbstractButton* button = answeredButton(box, argument);
        if (!button)
            return false;
        button->click();
        return true;
    };
    session.wait.forUser([&finished] { return finished; }, context);

    QAbstractButton* clicked = box.clickedButton();
    return clicked ? static_cast<int>(box.standardButton(clicked)) : static_cast<int>(QMessageBox::NoButton);
}

bool InputBox(Session& session, const QString& title, const QString& prompt, QString& answer,
              const QPoint& positionTwips)
{
    QInputDialog dialog(session.k);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(answer);
    if (positionTwips.x() >= 0 && positionTwips.y() >= 0) {
        const QPoint origin = session.k ? session.k->geometry().topLeft() : QPoint();
        dialog.move(origin + QPoint(twips::toPixels(positionTwips.x()), twips::toPixels(positionTwips.y())));
    }
    bool finished = false;
    QObject::connect(&dialog, &QDialog::finished, &dialog, [&finished] { finished = true; });
    session.transcript.write(QStringLiteral("input"),
                             title + QStringLiteral(": ") + prompt + QStringLiteral(" = ") + answer);
    dialog.open();

    WaitContext context;
    context.kind = WaitKind::InputBox;
    context.description = title + QStringLiteral(": ") + Transcript::oneLine(prompt);
    context.widget = &dialog;
    context.respond = [&dialog](const QString& verb, const QString& argument) {
        auto* field = dialog.findChild<QLineEdit*>();
        if (verb != QLatin1String("answer") || !field)
            return false;
        keyboard::replaceText(field, argument);
        keyboard::press(field, Qt::Key_Return);
        return true;
    };
    session.wait.forUser([&finished] { return finished; }, context);

    const bool accepted = dialog.result() == QDialog::Accepted;
    answer = accepted ? dialog.textValue() : QString();
    return accepted;
}

} // namespace quelmar::panels
