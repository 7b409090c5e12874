#include "app/automation/screendump.h"

#include "app/automation/screenwindows.h"
#include "panels/fieldtext.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTextDocument>
#include <QTextEdit>

namespace quelmar::automation::screen {

namespace {

constexpr int MaxRows = 50;

QString nameOf(const QWidget* widget)
{
    const QVariant field = widget->property("fieldName");
    if (field.isValid() && !field.toString().isEmpty())
        return field.toString();
    return widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                          : widget->objectName();
}

QString plain(const QString& text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

QString cellText(const QAbstractItemModel* model, int row, int column, const QModelIndex& parent = {})
{
    return model->index(row, column, parent).data(Qt::DisplayRole).toString();
}

void dumpView(const QAbstractItemView* view, QStringList& lines)
{
    const QAbstractItemModel* model = view->model();
    if (!model)
        return;
    const int rows = model->rowCount(view->rootIndex());
    if (const auto* table = qobject_cast<const QTableView*>(view)) {
        QList<int> columns;
        QString heading = QStringLiteral("grid ") + nameOf(view);
        for (int column = 0; column < model->columnCount(); ++column) {
            if (table->isColumnHidden(column))
                continue;
            columns.append(column);
            heading += QStringLiteral(" | ") + model->headerData(column, Qt::Horizontal).toString();
        }
        lines.append(heading);
        for (int row = 0; row < qMin(rows, MaxRows); ++row) {
            QString line = QString::number(row + 1);
            for (const int column : columns)
                line += QStringLiteral(" | ") + cellText(model, row, column);
            lines.append(line);
        }
    } else {
        QString line = QStringLiteral("list ") + nameOf(view);
        for (int row = 0; row < qMin(rows, MaxRows); ++row)
            line += QStringLiteral(" | %1 %2")
                        .arg(row + 1)
                        .arg(cellText(model, row, 0, view->rootIndex()).trimmed());
        lines.append(line);
    }
    if (rows > MaxRows)
        lines.append(QStringLiteral("(%1 filas)").arg(rows));
}

// One line for a widget that shows something, empty for the others.
QString describe(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->text().trimmed().isEmpty() ? QString()
                                                 : QStringLiteral("label ") + plain(label->text());
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        if (button->text().isEmpty())
            return {};
        QString line =
            QStringLiteral("button [") + QString(button->text()).remove(QLatin1Char('&')) + QLatin1Char(']');
        if (button->isCheckable())
            line += button->isChecked() ? QStringLiteral(" (marcado)") : QStringLiteral(" (sin marcar)");
        if (!button->isEnabled())
            line += QStringLiteral(" (deshabilitado)");
        return line;
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
        return QStringLiteral("field ") + nameOf(edit) + QStringLiteral(" = ") + panels::shownText(edit);
    if (const auto* box = qobject_cast<const QTextEdit*>(widget))
        return QStringLiteral("text ") + nameOf(box) + QStringLiteral(" = ") + box->toPlainText();
    if (const auto* box = qobject_cast<const QPlainTextEdit*>(widget))
        return QStringLiteral("text ") + nameOf(box) + QStringLiteral(" = ") + box->toPlainText();
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return QStringLiteral("combo ") + nameOf(combo) + QStringLiteral(" = ") + combo->currentText();
    return {};
}

// The widgets inside these show themselves through them (the editor of a combo box, a spin box's field, a
// view's scroll bars and cell editors).
bool insideCompound(const QWidget* widget, const QWidget* window)
{
    for (const QWidget* parent = widget->parentWidget(); parent && parent != window;
         parent = parent->parentWidget()) {
        if (qobject_cast<const QComboBox*>(parent) || qobject_cast<const QAbstractItemView*>(parent) ||
            qobject_cast<const QTextEdit*>(parent) || qobject_cast<const QPlainTextEdit*>(parent))
            return true;
    }
    return false;
}

} // namespace

QStringList dump()
{
    QStringList lines;
    for (QWidget* window : visibleWindows()) {
        lines.append(QStringLiteral("window ") + nameOf(window) + QStringLiteral(": ") +
                     window->windowTitle());
        const QList<QWidget*> children = window->findChildren<QWidget*>();
        for (const QWidget* child : children) {
            if (!child->isVisible() || insideCompound(child, window))
                continue;
            if (const auto* view = qobject_cast<const QAbstractItemView*>(child)) {
                dumpView(view, lines);
                continue;
            }
            const QString line = describe(child);
            if (!line.isEmpty())
                lines.append(line);
        }
    }
    return lines;
}

} // namespace quelmar::automation::screen
