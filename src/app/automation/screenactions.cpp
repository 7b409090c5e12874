#include "app/automation/screenactions.h"

#include "app/automation/screenwindows.h"
#include "panels/keyboard.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTableView>
#include <QTextEdit>

namespace quelmar::automation::screen {

namespace {

QString quoted(const QString& text)
{
    return QStringLiteral("«") + text + QStringLiteral("»");
}

bool sameCaption(const QString& shown, const QString& wanted)
{
    QString a = shown;
    QString b = wanted;
    return a.remove(QLatin1Char('&'))
               .trimmed()
               .compare(b.remove(QLatin1Char('&')).trimmed(), Qt::CaseInsensitive) == 0;
}

// The caption of a label as a field caption: without "&" and a closing ":".
bool labelNames(const QLabel* label, const QString& field)
{
    QString caption = label->text().trimmed();
    if (caption.endsWith(QLatin1Char(':')))
        caption.chop(1);
    return sameCaption(caption, field);
}

bool namesField(const QWidget* widget, const QString& field)
{
    const QVariant name = widget->property("fieldName");
    if (name.isValid())
        return sameCaption(name.toString(), field);
    return sameCaption(widget->accessibleName(), field) || sameCaption(widget->objectName(), field);
}

// The visible widgets of class T for a field, in window order: by name first, then by a label's caption.
template <class T> QList<T*> fieldWidgets(const QString& field)
{
    QList<T*> found;
    for (T* widget : visibleWidgets<T>()) {
        if (namesField(widget, field))
            found.append(widget);
    }
    for (QLabel* label : visibleWidgets<QLabel>()) {
        if (auto* buddy = qobject_cast<T*>(label->buddy());
            buddy && buddy->isVisible() && labelNames(label, field))
            found.append(buddy);
    }
    return found;
}

void sendMouse(QWidget* target, const QPoint& position, Qt::MouseButton button, QEvent::Type type)
{
    const QPointF local(position);
    const QPointF global(target->mapToGlobal(position));
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, local, global, button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

void clickAt(QWidget* target, const QPoint& position, Qt::MouseButton button)
{
    QPointer<QWidget> guard(target);
    sendMouse(target, position, button, QEvent::MouseButtonPress);
    if (guard)
        sendMouse(target, position, button, QEvent::MouseButtonRelease);
}

// Moves the focus on as TAB would, without the key itself (which some fields read as a command).
void leaveField(QWidget* field)
{
    for (QWidget* next = field->nextInFocusChain(); next && next != field; next = next->nextInFocusChain()) {
        if (next->window() == field->window() && next->isVisible() && next->isEnabled() &&
            (next->focusPolicy() & Qt::TabFocus) && !field->isAncestorOf(next)) {
            next->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    field->clearFocus();
}

QTableView* shownGrid()
{
    const QList<QTableView*> grids = visibleWidgets<QTableView>();
    for (const QLatin1String name : {QLatin1String("TabSec"), QLatin1String("Tabla")}) {
        for (QTableView* grid : grids) {
            if (grid->objectName().startsWith(name, Qt::CaseInsensitive))
                return grid;
        }
    }
    return grids.isEmpty() ? nullptr : grids.constFirst();
}

QString noGrid()
{
    return QStringLiteral("no hay ninguna tabla en pantalla");
}

QString noRow(const QTableView* grid, int row)
{
    return QStringLiteral("la tabla %1 tiene %2 filas; no existe la fila %3")
        .arg(grid->objectName())
        .arg(grid->model() ? grid->model()->rowCount() : 0)
        .arg(row);
}

int columnOf(const QTableView* grid, const QString& field)
{
    const QAbstractItemModel* model = grid->model();
    for (int column = 0; column < model->columnCount(); ++column) {
        if (grid->isColumnHidden(column))
            continue;
        if (sameCaption(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(), field) ||
            sameCaption(model->headerData(column, Qt::Horizontal, Qt::UserRole).toString(), field))
            return column;
    }
    return -1;
}

void makeCurrent(QAbstractItemView* view, const QModelIndex& index)
{
    view->setFocus(Qt::OtherFocusReason);
    view->scrollTo(index);
    view->setCurrentIndex(index);
}

} // namespace

QString press(const QString& caption)
{
    bool disabled = false;
    for (QAbstractButton* button : visibleWidgets<QAbstractButton>()) {
        if (!sameCaption(button->text(), caption))
            continue;
        if (!button->isEnabled()) {
            disabled = true;
            continue;
        }
        button->click();
        return {};
    }
    return disabled ? QStringLiteral("el botón %1 está deshabilitado").arg(quoted(caption))
                    : QStringLiteral("no hay ningún botón %1 en pantalla").arg(quoted(caption));
}

QString key(const QString& name)
{
    const int code = name == QLatin1String("Enter") ? Qt::Key_Return
                     : name == QLatin1String("Esc") ? Qt::Key_Escape
                                                    : Qt::Key_Tab;
    QWidget* target = QApplication::focusWidget();
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && (!target || !modal->isAncestorOf(target)))
        target = modal->focusWidget() ? modal->focusWidget() : modal;
    if (!target) {
        const QList<QWidget*> windows = visibleWindows();
        if (!windows.isEmpty())
            target = windows.constFirst()->focusWidget() ? windows.constFirst()->focusWidget()
                                                         : windows.constFirst();
    }
    if (!target)
        return QStringLiteral("no hay ninguna ventana que reciba la tecla %1").arg(name);
    panels::keyboard::press(target, code);
    return {};
}

QString set(const QString& field, const QString& text)
{
    const QList<QWidget*> candidates = fieldWidgets<QWidget>(field);
    for (QWidget* widget : candidates) {
        if (!widget->isEnabled())
            continue;
        QPointer<QWidget> guard(widget);
        if (auto* edit = qobject_cast<QLineEdit*>(widget); edit && !edit->isReadOnly()) {
            panels::keyboard::replaceText(edit, text);
        } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(widget); spin && !spin->isReadOnly()) {
            spin->setFocus(Qt::OtherFocusReason);
            spin->selectAll();
            panels::keyboard::press(spin, Qt::Key_Delete);
            panels::keyboard::replaceText(spin, text);
        } else if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->isEditable()) {
            panels::keyboard::replaceText(combo->lineEdit(), text);
        } else if (auto* box = qobject_cast<QTextEdit*>(widget); box && !box->isReadOnly()) {
            box->setFocus(Qt::OtherFocusReason);
            box->selectAll();
            panels::keyboard::press(box, Qt::Key_Delete);
            panels::keyboard::replaceText(box, text);
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget); plain && !plain->isReadOnly()) {
            plain->setFocus(Qt::OtherFocusReason);
            plain->selectAll();
            panels::keyboard::press(plain, Qt::Key_Delete);
            panels::keyboard::replaceText(plain, text);
        } else {
            continue;
        }
        if (guard)
            leaveField(guard);
        return {};
    }
    return candidates.isEmpty() ? QStringLiteral("no hay ningún campo %1 en pantalla").arg(quoted(field))
                                : QStringLiteral("el campo %1 no admite escritura").arg(quoted(field));
}

QString pick(const QString& field, int entry)
{
    for (QWidget* widget : fieldWidgets<QWidget>(field)) {
        if (!widget->isEnabled())
            continue;
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            if (entry > combo->count())
                return QStringLiteral("la lista del campo %1 tiene %2 entradas; no existe la %3")
                    .arg(quoted(field))
                    .arg(combo->count())
                    .arg(entry);
            combo->setFocus(Qt::OtherFocusReason);
            combo->setCurrentIndex(entry - 1);
            Q_EMIT combo->activated(entry - 1);
            return {};
        }
        if (auto* list = qobject_cast<QAbstractItemView*>(widget); list && list->model()) {
            const auto* listView = qobject_cast<QListView*>(list);
            const int column = listView ? listView->modelColumn() : 0;
            const QModelIndex index = list->model()->index(entry - 1, column, list->rootIndex());
            if (!index.isValid())
                return QStringLiteral("la lista del campo %1 tiene %2 entradas; no existe la %3")
                    .arg(quoted(field))
                    .arg(list->model()->rowCount(list->rootIndex()))
                    .arg(entry);
            list->setFocus(Qt::OtherFocusReason);
            list->scrollTo(index);
            clickAt(list->viewport(), list->visualRect(index).center(), Qt::LeftButton);
            return {};
        }
    }
    return QStringLiteral("no hay ninguna lista del campo %1 en pantalla").arg(quoted(field));
}

QString record(const QString& move)
{
    for (QAbstractButton* button : visibleWidgets<QAbstractButton>()) {
        if (button->property("record").toString().compare(move, Qt::CaseInsensitive) != 0)
            continue;
        if (!button->isEnabled())
            return QStringLiteral("el navegador de registros no permite %1").arg(quoted(move));
        button->click();
        return {};
    }
    return QStringLiteral("no hay ningún navegador de registros en pantalla");
}

QString row(int row, const QString& field)
{
    QTableView* grid = shownGrid();
    if (!grid || !grid->model())
        return noGrid();
    const int column = field.isEmpty() ? qMax(grid->currentIndex().column(), 0) : columnOf(grid, field);
    if (column < 0)
        return QStringLiteral("la tabla %1 no tiene la columna %2").arg(grid->objectName(), quoted(field));
    const QModelIndex index = grid->model()->index(row - 1, column);
    if (!index.isValid())
        return noRow(grid, row);
    makeCurrent(grid, index);
    return {};
}

QString cell(int row, const QString& field, const QString& text)
{
    QTableView* grid = shownGrid();
    if (!grid || !grid->model())
        return noGrid();
    const int column = columnOf(grid, field);
    if (column < 0)
        return QStringLiteral("la tabla %1 no tiene la columna %2").arg(grid->objectName(), quoted(field));
    const QModelIndex index = grid->model()->index(row - 1, column);
    if (!index.isValid())
        return noRow(grid, row);
    makeCurrent(grid, index);
    QWidget* editor = grid->indexWidget(index);
    if (!editor) {
        grid->edit(index);
        editor = QApplication::focusWidget();
        if (!editor || !grid->isAncestorOf(editor) || editor == grid->viewport())
            editor = grid->focusWidget();
    }
    if (!editor || editor == grid || editor == grid->viewport())
        return QStringLiteral("la celda %1 de la fila %2 no se puede modificar").arg(quoted(field)).arg(row);
    QPointer<QWidget> guard(editor);
    panels::keyboard::replaceText(editor, text);
    if (guard)
        panels::keyboard::press(editor, Qt::Key_Return);
    return {};
}

QString doubleClick(const QString& field)
{
    if (!field.isEmpty()) {
        const QList<QWidget*> candidates = fieldWidgets<QWidget>(field);
        if (candidates.isEmpty())
            return QStringLiteral("no hay ningún campo %1 en pantalla").arg(quoted(field));
        QWidget* target = candidates.constFirst();
        // A field that takes no clicks (a presented one) is double clicked on its caption.
        if (!target->isEnabled()) {
            for (QLabel* label : visibleWidgets<QLabel>()) {
                if (label->buddy() == target)
                    target = label;
            }
        }
        QPointer<QWidget> guard(target);
        const QPoint centre = target->rect().center();
        sendMouse(target, centre, Qt::LeftButton, QEvent::MouseButtonPress);
        for (const QEvent::Type type :
             {QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
            if (!guard)
                break;
            sendMouse(guard, centre, Qt::LeftButton, type);
        }
        return {};
    }
    QTableView* grid = shownGrid();
    if (!grid || !grid->model())
        return noGrid();
    QModelIndex index = grid->currentIndex();
    if (!index.isValid())
        return QStringLiteral("la tabla %1 no tiene fila actual").arg(grid->objectName());
    grid->scrollTo(index);
    QPointer<QWidget> viewport(grid->viewport());
    const QPoint centre = grid->visualRect(index).center();
    sendMouse(viewport, centre, Qt::LeftButton, QEvent::MouseButtonPress);
    for (const QEvent::Type type :
         {QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        if (!viewport)
            break;
        sendMouse(viewport, centre, Qt::LeftButton, type);
    }
    return {};
}

QString click(const QString& name, int index, bool right)
{
    const QString elementName = name + QLatin1Char('_') + QString::number(index);
    for (QWidget* widget : visibleWidgets<QWidget>()) {
        const bool byProperties =
            widget->property("elementFamily").toString().compare(name, Qt::CaseInsensitive) == 0 &&
            widget->property("elementIndex").isValid() && widget->property("elementIndex").toInt() == index;
        if (!byProperties && widget->objectName().compare(elementName, Qt::CaseInsensitive) != 0)
            continue;
        if (!widget->isEnabled())
            return QStringLiteral("el elemento %1 está deshabilitado").arg(quoted(elementName));
        clickAt(widget, widget->rect().center(), right ? Qt::RightButton : Qt::LeftButton);
        return {};
    }
    return QStringLiteral("no hay ningún elemento %1 en pantalla")
        .arg(quoted(name + QLatin1Char(' ') + QString::number(index)));
}

} // namespace quelmar::automation::screen
