#include "panels/showmessage.h"

#include "core/clock.h"
#include "core/datetext.h"
#include "panels/controlpool.h"
#include "panels/dialogrules.h"
#include "panels/errortrap.h"
#include "panels/keyboard.h"
#include "panels/mainform.h"
#include "panels/standardbox.h"
#include "session/session.h"
#include "session/twips.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace quelmar::panels {

namespace {

// Every call starts from a clean state: the inputs of the dialog are emptied once it has been shown.
void emptyInputs(DialogState& dialog)
{
    dialog.ValidationMessage.clear();
    dialog.ButtonTips.clear();
    dialog.ButtonExplanations.clear();
    dialog.InputMask.clear();
    dialog.InputLength = 0;
    dialog.MessageRow = 0;
    dialog.MessageColumn = 0;
    dialog.VerticalPlacement = 0;
}

void captureInFooter(Session& session, const QString& message)
{
    MainForm* form = session.k;
    if (!form)
        return;
    DialogState& dialog = session.dialog;
    form->showFooterMessage(message, false, false);
    QLabel* footer = form->footer();
    QLineEdit* field = form->footerField();

    const QString mask = qtInputMask(dialog.InputMask);
    QString answer = dialog.AnswerText;
    while (!answer.isEmpty() && answer.front().isSpace())
        answer.remove(0, 1);
    const int length = inputFieldLength(dialog.InputLength, static_cast<int>(answer.size()));
    field->setInputMask(mask);
    field->setMaxLength(length);
    QFont font = field->font();
    font.setPointSizeF(8.25);
    field->setFont(font);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    field->setPalette(palette);
    const int fieldWidth = twips::toPixels(inputFieldWidthTwips(length));
    const QFontMetrics metrics(footer->font());
    int left = footer->x() + twips::toPixels(250) + metrics.horizontalAdvance(footer->text());
    left = std::min(left, footer->geometry().right() - fieldWidth);
    const int fieldHeight = std::min(footer->height(), field->sizeHint().height());
    field->setGeometry(left, footer->y() + (footer->height() - fieldHeight) / 2, fieldWidth, fieldHeight);
    field->setText(answer);
    showElement(field);
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();

    session.codes.CommandCode = 0;
    session.transcript.write(QStringLiteral("input"), message + QStringLiteral(" = ") + answer);
    WaitContext context;
    context.kind = WaitKind::FooterInput;
    context.description = Transcript::oneLine(message);
    context.widget = field;
    context.respond = [field](const QString& verb, const QString& argument) {
        if (verb != QLatin1String("answer") || !field->isVisible())
            return false;
        keyboard::replaceText(field, argument);
        keyboard::press(field, Qt::Key_Return);
        return true;
    };
    const int& code = session.codes.CommandCode;
    session.wait.forUser([&code] { return code == 9 || code == 13 || code == 27; }, context);

    dialog.AnswerText = withoutMaskLiterals(field->displayText(), mask);
    field->hide();
    form->hideFooter();
}

} // namespace

void ShowMessage(Session& session, const QString& kind)
{
    ErrorTrap trap(session, QStringLiteral("ShowMessage"));
    DialogState& dialog = session.dialog;
    const QString which = kind.trimmed().toLower();
    QString message = dialog.ValidationMessage;
    while (!message.isEmpty() && message.back().isSpace())
        message.chop(1);
    MainForm* form = session.k;

    if (which == QLatin1String("err")) {
        if (message.isEmpty())
            message = QStringLiteral("Se detecta un problema en la operación");
        const int pressed = MessageBox(session, message, QMessageBox::Retry | QMessageBox::Cancel,
                                       QMessageBox::Critical, QStringLiteral("MENSAJE DE ERROR"));
        dialog.AnswerText = pressed == QMessageBox::Retry ? QStringLiteral("R") : QStringLiteral("C");
    } else if (which == QLatin1String("rsn")) {
        const int pressed = MessageBox(session, message, QMessageBox::Yes | QMessageBox::No,
                                       QMessageBox::Question, QStringLiteral("PREGUNTA"));
        dialog.AnswerText = pressed == QMessageBox::Yes ? QStringLiteral("S") : QStringLiteral("N");
    } else if (which == QLatin1String("capl")) {
        QString answer = dialog.AnswerText;
        const QPoint position(std::min(dialog.MessageColumn * 114, 5600),
                              std::min(dialog.MessageRow * 260, 3850));
        InputBox(session, QStringLiteral("INFORMACION REQUERIDA"), message, answer, position);
        dialog.AnswerText = answer;
    } else if (which == QLatin1String("cap")) {
        captureInFooter(session, message);
    } else if (which == QLatin1String("tec")) {
        MessageBox(session, message, QMessageBox::Ok, QMessageBox::Information, QStringLiteral("MENSAJE"));
    } else if (which == QLatin1String("ptec")) {
        if (form)
            form->hideFooter();
        MessageBox(session, message, QMessageBox::Ok, QMessageBox::Warning, QStringLiteral("A V I S O"));
    } else if (which == QLatin1String("con") || which == QLatin1String("coni")) {
        if (form)
            form->showFooterMessage(message, which == QLatin1String("coni"));
        else
            session.transcript.write(QStringLiteral("footer"), message);
        QApplication::beep();
        Pause(session, 500);
        QApplication::beep();
    } else if (which == QLatin1String("bor")) {
        if (form)
            form->hideFooter();
    } else if (which == QLatin1String("vle")) {
        if (form)
            form->showNotice(message, dialog.MessageRow * 260, dialog.MessageColumn);
    } else if (which == QLatin1String("cen")) {
        session.transcript.write(QStringLiteral("notice"), message);
        if (form)
            form->printText(message, dialog.MessageRow * 260, dialog.MessageColumn * 114, 9);
    } else if (which == QLatin1String("rca")) {
        ShowButtonRow(session, message);
    }
    emptyInputs(dialog);
}

QString AskButtonRow(Session& session, const QString& prompt, const QString& buttons)
{
    DialogState& dialog = session.dialog;
    dialog.ValidationMessage = prompt;
    dialog.AnswerText = buttons;
    dialog.ButtonExplanations.clear();
    ShowMessage(session, QStringLiteral("RCa"));
    const QString answer = dialog.AnswerText.trimmed().left(1).toUpper();
    dialog.AnswerText.clear();
    return answer;
}

namespace {

struct RowLayout
{
    QList<QRect> buttons; // twips
};

// Places the buttons of a row (positive row) or a column (negative row), then the whole group by the
// vertical placement mode.
RowLayout layoutButtons(int count, int buttonWidth, int buttonHeight, int row, int column, int placement,
                        int formWidth, int formHeight)
{
    RowLayout layout;
    if (row > 0) {
        int left = 100;
        for (int i = 0; i < count; ++i) {
            layout.buttons.append(QRect(left, row * 260, buttonWidth, buttonHeight));
            left += buttonWidth + 100;
        }
        const int groupWidth = left - 100 - 100;
        int shiftY = 0;
        if (placement == 1)
            shiftY = formHeight - 400 - (row * 260 + buttonHeight);
        else if (placement == 2)
            shiftY = formHeight - (row * 260 + buttonHeight);
        const int shiftX = std::max(0, (formWidth - groupWidth) / 2 - 100);
        for (QRect& rect : layout.buttons)
            rect.translate(shiftX, shiftY);
    } else {
        const int left = (column - 1) * formWidth / 24 + 50;
        int top = 100;
        for (int i = 0; i < count; ++i) {
            layout.buttons.append(QRect(left, top, buttonWidth, buttonHeight));
            top += buttonHeight + 100;
        }
        const int groupHeight = top - 100 - 100;
        int newTop = (formHeight - groupHeight) / 2;
        if (placement == 1)
            newTop = formHeight - 400 - groupHeight;
        else if (placement == 2)
            newTop = formHeight - groupHeight;
        for (QRect& rect : layout.buttons)
            rect.translate(0, std::max(0, newTop) - 100);
    }
    return layout;
}

QString trimmedPiece(const QStringList& pieces, int i)
{
    return pieces.value(i).trimmed();
}

} // namespace

bool pressRowButton(Session& session, const ButtonRow& row, const QString& answer)
{
    const QString wanted = answer.trimmed();
    if (wanted.isEmpty())
        return false;
    QPushButton* byCaption = nullptr;
    for (int index = row.first; index < row.first + row.count; ++index) {
        auto* button = qobject_cast<QPushButton*>(element(session, QStringLiteral("tcom"), index));
        if (!button || !button->isVisible())
            continue;
        if (button->text().contains(QLatin1Char('&')) &&
            accessLetter(button->text()).compare(wanted, Qt::CaseInsensitive) == 0) {
            button->click();
            return true;
        }
        if (!byCaption && withoutAccessMark(button->text()).compare(wanted, Qt::CaseInsensitive) == 0)
            byCaption = button;
    }
    if (!byCaption)
        return false;
    byCaption->click();
    return true;
}

ButtonRow ShowButtonRow(Session& session, const QString& message)
{
    ErrorTrap trap(session, QStringLiteral("ShowMessage"));
    DialogState& dialog = session.dialog;
    MainForm* form = session.k;
    ButtonRow row;
    if (!form)
        return row;

    const QStringList captions = SplitWords(dialog.AnswerText, QStringLiteral(","));
    const QStringList pictures = SplitWords(dialog.ButtonTips, QStringLiteral(","));
    const QStringList explanations = SplitWords(dialog.ButtonExplanations, QStringLiteral("/"));
    const bool withPictures = !pictures.isEmpty();
    const int count = static_cast<int>(
        withPictures && !captions.isEmpty() ? std::min(captions.size(), pictures.size()) : captions.size());
    int widest = 0;
    for (int i = 0; i < count; ++i)
        widest = std::max(widest, static_cast<int>(trimmedPiece(captions, i).size()));
    const int buttonWidth = buttonWidthTwips(widest, withPictures);
    int buttonHeight = 350;

    QStringList shownCaptions;
    for (int i = 0; i < count; ++i) {
        int index = 0;
        LoadControl(session, QStringLiteral("tcom"), index);
        auto* button = qobject_cast<QPushButton*>(session.pool.lastLoaded);
        if (!button)
            continue;
        if (row.first == 0)
            row.first = index;
        ++row.count;
        const QString caption = trimmedPiece(captions, i);
        const QString picture = trimmedPiece(pictures, i);
        if (!picture.isEmpty()) {
            trap.step([&] {
                const QString path = QCoreApplication::applicationDirPath() + QLatin1Char('/') + picture;
                const QPixmap pixmap(path);
                if (pixmap.isNull())
                    throw RuntimeError{53, QStringLiteral("File not found: ") + path,
                                       QStringLiteral("ShowMessage")};
                button->setIcon(pixmap);
            });
            buttonHeight = caption.isEmpty() ? 700 : 900;
        }
        button->setText(caption);
        button->setToolTip(trimmedPiece(explanations, i));
        shownCaptions.append(withoutAccessMark(caption));
    }

    int messageRow = dialog.MessageRow;
    if (messageRow == 0)
        messageRow = form->heightTwips() / 260 - 3 - (form->isMaximized() ? 2 : 0);
    const RowLayout layout =
        layoutButtons(row.count, buttonWidth, buttonHeight, messageRow, dialog.MessageColumn,
                      dialog.VerticalPlacement, form->widthTwips(), form->heightTwips());
    for (int i = 0; i < row.count; ++i) {
        QWidget* button = element(session, QStringLiteral("tcom"), row.first + i);
        const QRect rect = layout.buttons.value(i);
        button->setGeometry(twips::toPixels(rect.x()), twips::toPixels(rect.y()),
                            twips::toPixels(rect.width()), twips::toPixels(rect.height()));
        showElement(button);
    }

    const bool drag = message.compare(QLatin1String("drag"), Qt::CaseInsensitive) == 0;
    if (!message.isEmpty() && !drag) {
        form->showFooterMessage(message, false, false);
        if (messageRow > 0 && !layout.buttons.isEmpty()) {
            QLabel* footer = form->footer();
            const int top = layout.buttons.constFirst().y() - 50 - twips::fromPixels(footer->height());
            footer->move(footer->x(), std::max(0, twips::toPixels(top)));
        }
    }
    session.transcript.write(QStringLiteral("buttons"), (drag ? QString() : message) + QStringLiteral(" | ") +
                                                            shownCaptions.join(QStringLiteral(" | ")));
    if (QWidget* first = element(session, QStringLiteral("tcom"), row.first))
        first->setFocus(Qt::OtherFocusReason);

    // A row without buttons could never be answered: it answers nothing at once.
    if (row.count == 0) {
        dialog.AnswerText.clear();
        dialog.ChosenButton = 0;
        return row;
    }
    const bool leaveButtons = session.codes.CommandCode == 1010;
    dialog.ChosenButton = 0;
    session.codes.CommandCode = 0;
    dialog.ButtonTips.clear();
    dialog.ButtonExplanations.clear();
    dialog.VerticalPlacement = 0;
    dialog.MessageRow = 0;
    if (leaveButtons)
        return row;

    WaitContext context;
    context.kind = WaitKind::ButtonRow;
    context.description = Transcript::oneLine(message);
    context.widget = element(session, QStringLiteral("tcom"), row.first);
    context.respond = [&session, row](const QString& verb, const QString& argument) {
        return verb == QLatin1String("answer") && pressRowButton(session, row, argument);
    };
    const int& chosen = dialog.ChosenButton;
    session.wait.forUser([&chosen] { return chosen != 0; }, context);

    const int position = dialog.ChosenButton - row.first;
    dialog.AnswerText =
        position >= 0 && position < row.count ? accessLetter(trimmedPiece(captions, position)) : QString();
    for (int i = 0; i < row.count; ++i)
        UnloadControl(session, QStringLiteral("tcom"), 0);
    return row;
}

QString TodayText()
{
    return datetext::dayMonthYear(Clock::today());
}

QString TodayLiteral()
{
    return datetext::jetLiteral(Clock::today());
}

void Pause(Session& session, int milliseconds)
{
    if (milliseconds <= 0)
        return;
    bool ended = false;
    QTimer tpausa;
    tpausa.setSingleShot(true);
    QObject::connect(&tpausa, &QTimer::timeout, &tpausa, [&ended] { ended = true; });
    tpausa.start(milliseconds);
    session.wait.until([&ended] { return ended; });
}

} // namespace quelmar::panels
