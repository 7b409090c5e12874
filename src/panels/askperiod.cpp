#include "panels/askperiod.h"

#include "core/datetext.h"
#include "panels/controlpool.h"
#include "panels/dialogrules.h"
#include "panels/errortrap.h"
#include "panels/keyboard.h"
#include "panels/mainform.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "session/session.h"
#include "session/twips.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace quelmar::panels {

namespace {

constexpr int dateFieldTwips = 1400;

// The controls of one question, made through the pool and removed again (highest first) when it ends.
struct PeriodControls
{
    QLabel* prompt = nullptr;
    QList<QLineEdit*> fields;
    QPushButton* accept = nullptr;
    int acceptIndex = 0;
};

template <typename Widget> Widget* load(Session& session, const QString& kind, int* index = nullptr)
{
    int newIndex = 0;
    LoadControl(session, kind, newIndex);
    if (index)
        *index = newIndex;
    return newIndex > 0 ? qobject_cast<Widget*>(session.pool.lastLoaded) : nullptr;
}

void placeField(QLineEdit* field, int left, int top, int height)
{
    field->setGeometry(left, top, twips::toPixels(dateFieldTwips), height);
    field->setMaxLength(20);
    field->setText(TodayText());
    showElement(field);
}

PeriodControls layOut(Session& session, MainForm* form, bool period, const QString& prompt)
{
    PeriodControls controls;
    QLabel* footer = form->footer();
    const int rowHeight = twips::toPixels(350);
    if (period) {
        form->showFooterMessage(QStringLiteral("Las Fechas usan el formato: Dia-Mes-Año como 31-Ene-2001"));
        controls.prompt = load<QLabel>(session, QStringLiteral("let"));
        if (controls.prompt) {
            const int top = std::max(0, footer->y() - rowHeight - twips::toPixels(100));
            controls.prompt->setText(prompt);
            controls.prompt->setPalette(footer->palette());
            controls.prompt->setAutoFillBackground(true);
            controls.prompt->setGeometry(footer->x(), top, footer->width(), rowHeight);
            showElement(controls.prompt);
            const QFontMetrics metrics(controls.prompt->font());
            const int gap = metrics.horizontalAdvance(QStringLiteral("  El período considerado inicia en "));
            for (int x : {footer->x() + gap, footer->x() + metrics.horizontalAdvance(prompt)}) {
                if (auto* field = load<QLineEdit>(session, QStringLiteral("cap"))) {
                    placeField(field, x, top, rowHeight);
                    controls.fields.append(field);
                }
            }
        }
    } else {
        form->showFooterMessage(prompt, false, false);
        const QFontMetrics metrics(footer->font());
        if (auto* field = load<QLineEdit>(session, QStringLiteral("cap"))) {
            const int left =
                std::min(footer->x() + twips::toPixels(250) + metrics.horizontalAdvance(footer->text()),
                         footer->geometry().right() - twips::toPixels(dateFieldTwips + 1300));
            placeField(field, left, footer->y() + (footer->height() - rowHeight) / 2, rowHeight);
            field->raise();
            controls.fields.append(field);
        }
    }
    controls.accept = load<QPushButton>(session, QStringLiteral("tcom"), &controls.acceptIndex);
    if (controls.accept) {
        const QWidget* last =
            controls.fields.isEmpty() ? static_cast<QWidget*>(footer) : controls.fields.constLast();
        controls.accept->setText(QStringLiteral("&Aceptar"));
        controls.accept->setGeometry(last->geometry().right() + twips::toPixels(200), last->y(),
                                     twips::toPixels(1100), rowHeight);
        showElement(controls.accept);
    }
    if (!controls.fields.isEmpty()) {
        controls.fields.constFirst()->setFocus(Qt::OtherFocusReason);
        controls.fields.constFirst()->selectAll();
    }
    return controls;
}

void remove(Session& session, const PeriodControls& controls)
{
    if (controls.accept)
        UnloadControl(session, QStringLiteral("tcom"), controls.acceptIndex);
    for (qsizetype i = 0; i < controls.fields.size(); ++i)
        UnloadControl(session, QStringLiteral("cap"), 0);
    if (controls.prompt)
        UnloadControl(session, QStringLiteral("let"), 0);
    if (session.k)
        session.k->hideFooter();
}

// Types the dates of an answer ("D1 D2", or "D" for one date) and presses INTRO in the last field.
bool typeDates(const PeriodControls& controls, const QString& argument)
{
    const QStringList dates = argument.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (controls.fields.isEmpty() || dates.size() > controls.fields.size() ||
        (!dates.isEmpty() && dates.size() != controls.fields.size()))
        return false;
    for (qsizetype i = 0; i < dates.size(); ++i)
        keyboard::replaceText(controls.fields.at(i), dates.at(i));
    keyboard::press(controls.fields.constLast(), Qt::Key_Return);
    return true;
}

// Waits for INTRO or "&Aceptar" and reads the dates; an invalid one is shown, focused, and the dates read so
// far come back short, so that the question is asked again.
QList<QDate> askOnce(Session& session, const PeriodControls& controls, const WaitContext& context,
                     const QString& title, const QString& prompt)
{
    QStringList shown;
    for (const QLineEdit* field : controls.fields)
        shown.append(field->text());
    session.transcript.write(QStringLiteral("input"),
                             title + prompt + QStringLiteral(" = ") + shown.join(QLatin1Char(' ')));
    session.codes.CommandCode = 0;
    session.dialog.ChosenButton = 0;
    const int& code = session.codes.CommandCode;
    const int& chosen = session.dialog.ChosenButton;
    const int acceptIndex = controls.acceptIndex;
    session.wait.forUser([&] { return code == 13 || (acceptIndex > 0 && chosen == acceptIndex); }, context);

    QList<QDate> dates;
    for (QLineEdit* field : controls.fields) {
        const QString typed = field->text().trimmed();
        const QDate date = datetext::parse(typed);
        if (!date.isValid()) {
            MessageBox(session,
                       QStringLiteral("Revise la Fecha, que esta escrita así:  ") + typed +
                           session.shell.NewLine +
                           QStringLiteral("No es una Fecha válida.  El formato aceptado es: ") + TodayText(),
                       QMessageBox::Ok, QMessageBox::Warning, QStringLiteral("AVISO"));
            field->setFocus(Qt::OtherFocusReason);
            field->selectAll();
            break;
        }
        dates.append(date);
    }
    return dates;
}

} // namespace

void AskPeriod(Session& session, const QString& kind, QString& description, QString& from, QString& to)
{
    ErrorTrap trap(session, QStringLiteral("AskPeriod"));
    MainForm* form = session.k;
    if (!form)
        return;
    const bool period = kind.trimmed().compare(QLatin1String("per"), Qt::CaseInsensitive) == 0;
    QString prompt;
    if (period)
        prompt = QStringLiteral(
            "  El período considerado inicia en                                    y termina en ");
    else if (description.isEmpty() || description.startsWith(QLatin1Char('#')))
        prompt = QStringLiteral("Defina la Fecha (día-mes-año)  ");
    else
        prompt = description + QStringLiteral(" (Día - mes - año)  ");

    const PeriodControls controls = layOut(session, form, period, prompt);
    WaitContext context;
    context.kind = period ? WaitKind::Period : WaitKind::OneDate;
    context.description = prompt.simplified();
    context.widget = controls.fields.value(0);
    context.respond = [&controls](const QString& verb, const QString& argument) {
        return verb == QLatin1String("answer") && typeDates(controls, argument);
    };

    QList<QDate> dates;
    while (!controls.fields.isEmpty() && dates.size() < controls.fields.size())
        dates =
            askOnce(session, controls, context,
                    period ? QStringLiteral("Período: ") : QStringLiteral("Fecha: "), prompt.simplified());

    const QString first = controls.fields.isEmpty() ? QString() : controls.fields.at(0)->text().trimmed();
    if (period && dates.size() == 2) {
        description = QStringLiteral(" del ") + first + QStringLiteral(" al ") +
                      controls.fields.at(1)->text().trimmed();
        from = monthDayYearLiteral(dates.at(0));
        to = monthDayYearLiteral(dates.at(1));
    } else if (dates.size() == 1) {
        description = QLatin1Char(' ') + first + QLatin1Char(' ');
        from = monthDayYearLiteral(dates.at(0));
        to.clear();
    }
    session.codes.CommandCode = 0;
    session.dialog.ChosenButton = 0;
    remove(session, controls);
}

} // namespace quelmar::panels
