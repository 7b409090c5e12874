#include "panels/choosefromlist.h"

#include "panels/controlpool.h"
#include "panels/errortrap.h"
#include "panels/mainform.h"
#include "panels/showmessage.h"
#include "session/session.h"
#include "session/twips.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

namespace quelmar::panels {

namespace {

void fill(QListWidget* list, const QStringList& labels)
{
    list->clear();
    for (qsizetype i = 0; i < labels.size(); ++i) {
        auto* item = new QListWidgetItem(QStringLiteral("  ") + labels.at(i), list);
        item->setData(Qt::UserRole, static_cast<int>(i + 1));
    }
}

void place(MainForm* form, QListWidget* list, const ListPlacement& placement)
{
    const int top = twips::toPixels(placement.topTwips >= 0 ? placement.topTwips : 600);
    const int width = placement.widthTwips > 0 ? twips::toPixels(placement.widthTwips)
                                               : form->width() - twips::toPixels(1500);
    const int rows = std::max(1, list->count());
    const int wanted = rows * std::max(1, list->sizeHintForRow(0)) + 2 * list->frameWidth() + 4;
    const int room = std::max(twips::toPixels(600), form->height() - top - twips::toPixels(1800));
    list->setGeometry((form->width() - width) / 2, top, width, std::min(wanted, room));
}

// The entries a "choose" answer names: numbers (1-based) separated by blanks, or a quoted text that the first
// entry containing it (in any case) answers. Empty when an entry does not exist.
QList<int> namedEntries(const QListWidget* list, const QString& argument)
{
    QList<int> rows;
    const QString text = argument.trimmed();
    if (text.startsWith(QLatin1Char('"'))) {
        QString wanted = text.mid(1);
        if (wanted.endsWith(QLatin1Char('"')))
            wanted.chop(1);
        for (int row = 0; row < list->count(); ++row) {
            if (list->item(row)->text().contains(wanted, Qt::CaseInsensitive))
                return {row};
        }
        return {};
    }
    const QStringList numbers = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& number : numbers) {
        bool ok = false;
        const int n = number.toInt(&ok);
        if (!ok || n < 1 || n > list->count())
            return {};
        rows.append(n - 1);
    }
    return rows;
}

bool choose(Session& session, QListWidget* list, bool multiple, const ButtonRow& buttons,
            const QString& argument)
{
    const QList<int> rows = namedEntries(list, argument);
    if (rows.isEmpty() || (!multiple && rows.size() > 1))
        return false;
    if (multiple) {
        list->clearSelection();
        for (int row : rows)
            list->item(row)->setSelected(true);
    } else {
        list->setCurrentRow(rows.constFirst());
    }
    auto* accept = qobject_cast<QPushButton*>(element(session, QStringLiteral("tcom"), buttons.first));
    if (!accept)
        return false;
    accept->click();
    return true;
}

bool isAnswer(int code)
{
    return code == 1 || code == 9 || code == 10 || code == 20 || code == -1;
}

// The code of ESC on the list, which cancels as "&Cancelar" does.
constexpr int EscapeCode = 10;

// ESC on a button of the list's row cancels as well, as it does on the list: the row's first button has the
// focus when the list starts waiting.
class EscapeCancels : public QObject
{
public:
    explicit EscapeCancels(Session& session) : m_session(session) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            m_session.codes.CommandCode = EscapeCode;
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    Session& m_session;
};

} // namespace

void ChooseFromList(Session& session, const QString& kind, const QString& prompt, const QStringList& labels,
                    int& count, QString& answer, const ListPlacement& placement)
{
    ErrorTrap trap(session, QStringLiteral("ChooseFromList"));
    count = 0;
    answer.clear();
    MainForm* form = session.k;
    if (!form)
        return;
    const bool multiple = kind.trimmed().compare(QLatin1String("m"), Qt::CaseInsensitive) == 0;
    QListWidget* list = multiple ? form->listamult() : form->listauni();
    session.dialog.ChosenEntries.clear();
    fill(list, labels);
    session.dialog.ChosenEntries.clear();
    place(form, list, placement);
    showElement(list);
    list->setFocus(Qt::OtherFocusReason);
    if (list->count() > 0)
        list->setCurrentRow(0,
                            multiple ? QItemSelectionModel::NoUpdate : QItemSelectionModel::ClearAndSelect);

    QString line = prompt.trimmed();
    for (qsizetype i = 0; i < labels.size(); ++i)
        line += QStringLiteral(" | %1 %2").arg(i + 1).arg(labels.at(i).trimmed());
    session.transcript.write(QStringLiteral("list"), line);

    session.dialog.AnswerText = QStringLiteral("&Aceptar, &Cancelar,");
    session.dialog.ButtonTips.clear();
    session.dialog.ButtonExplanations =
        QStringLiteral("Selecciona los elementos marcados/Cancela la selección/");
    session.codes.CommandCode = 1010;
    const ButtonRow buttons = ShowButtonRow(session, prompt);
    session.dialog.AnswerText.clear();

    WaitContext context;
    context.kind = WaitKind::List;
    context.description = Transcript::oneLine(prompt);
    context.widget = list;
    context.respond = [&session, list, multiple, buttons](const QString& verb, const QString& argument) {
        if (verb == QLatin1String("choose"))
            return choose(session, list, multiple, buttons, argument);
        return verb == QLatin1String("answer") && pressRowButton(session, buttons, argument);
    };
    EscapeCancels escape(session);
    for (int i = 0; i < buttons.count; ++i) {
        if (QWidget* button = element(session, QStringLiteral("tcom"), buttons.first + i))
            button->installEventFilter(&escape);
    }
    session.codes.CommandCode = 0;
    session.dialog.ChosenButton = 0;
    const int& code = session.codes.CommandCode;
    const int& chosen = session.dialog.ChosenButton;
    session.wait.forUser([&] { return chosen != 0 || isAnswer(code); }, context);

    const bool cancelled = code == EscapeCode || code == -1 || (chosen != 0 && chosen != buttons.first);
    if (!cancelled && multiple) {
        for (int row = 0; row < list->count(); ++row) {
            const QListWidgetItem* item = list->item(row);
            if (item->isSelected()) {
                answer += QLatin1Char(' ') + item->data(Qt::UserRole).toString() + QLatin1Char('/');
                ++count;
            }
        }
    } else if (!cancelled && list->currentRow() >= 0) {
        count = list->currentRow() + 1;
        answer = labels.value(list->currentRow());
    }

    if (session.codes.CommandCode != -1)
        session.codes.CommandCode = 0;
    for (int i = 0; i < buttons.count; ++i)
        UnloadControl(session, QStringLiteral("tcom"), 0);
    list->hide();
    form->hideFooter();
}

} // namespace quelmar::panels
