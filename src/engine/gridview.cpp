#include "engine/gridview.h"

#include "core/errormessages.h"
#include "core/relationrules.h"
#include "db/jetvalue.h"
#include "db/recordset.h"
#include "engine/errorpolicy.h"
#include "engine/fieldrules.h"
#include "engine/gridmodel.h"
#include "panels/mainform.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "session/session.h"
#include "session/twips.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace quelmar::engine {

namespace {

// Why a row could not be written, as the user reads it: the field's own rule text, the translation of the
// errors the user corrects, or the Spanish text of the error's number (never the engine's English).
QString writeProblem(const db::DbError& error)
{
    if (error.number == db::jeterror::ValidationRuleViolated)
        return error.description;
    if (translatedDescription(error.description) != error.description)
        return translatedMessage(error.number, error.description);
    return errormessages::forNumber(error.number);
}

constexpr int ButtonWidth = 1200;
constexpr int ButtonHeight = 400;
constexpr int MaxTranscribedRows = 50;
// The rows a column's width is measured on when the grid is laid out.
constexpr int FirstScreenRows = 40;

QString unbracketed(QString name)
{
    name = name.trimmed();
    if (name.startsWith(u'[') && name.endsWith(u']'))
        name = name.mid(1, name.size() - 2);
    return name;
}

// The grid itself, telling whether a cell editor is open and closing it with its text taken.
class DataGrid final : public QTableView
{
public:
    using QTableView::QTableView;

    bool isEditing() const { return state() == EditingState; }

    void commitOpenEditor()
    {
        if (!isEditing())
            return;
        QWidget* editor = QApplication::focusWidget();
        if (editor && viewport()->isAncestorOf(editor)) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }
};

DataGrid* dataGrid(QTableView* table)
{
    return static_cast<DataGrid*>(table);
}

} // namespace

GridView::GridView(Session& session) : m_session(session) {}

GridView::~GridView()
{
    if (m_table)
        m_table->setModel(nullptr);
    delete m_area;
    for (const int index : std::as_const(m_tcom)) {
        if (QWidget* button = m_session.k
                                  ? m_session.k->findChild<QWidget*>(QStringLiteral("TabCom_%1").arg(index),
                                                                     Qt::FindDirectChildrenOnly)
                                  : nullptr)
            delete button;
    }
}

void GridView::build()
{
    if (m_area)
        return;
    m_area = new QWidget(m_session.k);
    m_area->setObjectName(QStringLiteral("TabSecArea"));
    auto* layout = new QVBoxLayout(m_area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_caption = new QLabel(m_area);
    m_caption->setObjectName(QStringLiteral("TabSecCaption"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setAutoFillBackground(true);
    m_caption->setStyleSheet(QStringLiteral("QLabel { background: #000080; color: white; padding: 2px; }"));
    layout->addWidget(m_caption);
    m_table = new DataGrid(m_area);
    m_table->setObjectName(QStringLiteral("TabSec"));
    m_table->setWordWrap(false);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(std::max(18, m_table->fontMetrics().height() + 6));
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    layout->addWidget(m_table);
    if (!m_model) {
        m_model = new GridModel(this);
        connectModel();
    }
    m_table->setModel(m_model);
    m_table->installEventFilter(this);
    m_table->viewport()->installEventFilter(this);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                currentChanged(current.row(), previous.row());
            });
    for (QScrollBar* bar : {m_table->horizontalScrollBar(), m_table->verticalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, this, &GridView::placeClassifierButton);
    connect(m_table->horizontalHeader(), &QHeaderView::sectionResized, this,
            &GridView::placeClassifierButton);
    m_classifierButton = new QToolButton(m_table->viewport());
    m_classifierButton->setObjectName(QStringLiteral("TabBoton_0"));
    m_classifierButton->setText(QStringLiteral("▾"));
    m_classifierButton->setToolTip(QStringLiteral("Elija de la lista"));
    m_classifierButton->hide();
    connect(m_classifierButton, &QToolButton::clicked, this, [this] {
        if (classifierRequested)
            classifierRequested(currentColumn());
    });
    m_area->hide();
}

void GridView::connectModel()
{
    m_model->beforeColumnWrite = [this](int, int column, const QString& text) {
        return validateColumn(column, text) == 0;
    };
    m_model->beforeRowWrite = [this](int row) {
        if (validateRow(row) == 0)
            return RowDecision::Write;
        const int answer = panels::MessageBox(m_session, QStringLiteral("¿Corrige los Datos?"),
                                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question,
                                              QStringLiteral("Error en Datos"));
        if (answer == QMessageBox::Cancel) {
            m_session.codes.EngineStatus = 0;
            return RowDecision::Undo;
        }
        m_session.codes.EngineStatus = 1;
        return RowDecision::Correct;
    };
    m_model->dataError = [this](const db::DbError& error) {
        const int answer = panels::MessageBox(m_session,
                                              QStringLiteral("No se pudieron registrar los Datos") +
                                                  m_session.shell.NewLine + writeProblem(error),
                                              QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Question,
                                              QStringLiteral("Error en Datos"));
        return answer == QMessageBox::Retry;
    };
    m_model->fixedValuesFailed = [this] {
        panels::MessageBox(m_session, QStringLiteral("No pudo registrarse el nuevo Dato"));
    };
}

void GridView::bind(std::unique_ptr<db::Recordset> rows)
{
    build();
    m_model->setSource(nullptr, {}, {});
    m_rows = std::move(rows);
    m_model->setSource(m_rows.get(), m_session.engine.FieldTable, {});
}

void GridView::replaceRows(std::unique_ptr<db::Recordset> rows)
{
    build();
    QList<int> widths;
    for (int column = 0; column < m_model->columnCount(); ++column)
        widths.append(m_table->columnWidth(column));
    m_model->replaceRows(rows.get());
    m_rows = std::move(rows);
    for (int column = 0; column < widths.size(); ++column)
        m_table->setColumnWidth(column, widths.at(column));
}

void GridView::unbind()
{
    if (m_model)
        m_model->setSource(nullptr, {}, {});
    m_rows.reset();
}

db::Recordset* GridView::recordset() const
{
    return m_rows.get();
}

GridModel* GridView::model() const
{
    return m_model;
}

QTableView* GridView::table() const
{
    return m_table;
}

void GridView::setEditing(bool update, bool add, bool remove)
{
    build();
    m_model->setEditing(update, add, remove);
    const bool editing = update || add;
    m_table->setSelectionBehavior(editing ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(editing ? QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                                           QAbstractItemView::SelectedClicked
                                     : QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(true);
    const QColor background = editing ? QColor(255, 255, 255) : QColor(QRgb(m_session.shell.FieldColour));
    QPalette palette = m_table->palette();
    palette.setColor(QPalette::Base, background);
    m_table->setPalette(palette);
}

bool GridView::allowsUpdates() const
{
    return m_model && (m_model->allowsUpdates() || m_model->allowsAdding());
}

void GridView::layout(const QString& caption, const QString& title)
{
    build();
    setCaption(caption);
    auto& engine = m_session.engine;
    const bool readOnly = !allowsUpdates();
    QStringList formats;
    QStringList names;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const FieldRow& row = m_model->field(column);
        formats.append(gridColumnFormat(row.type, row.format, readOnly));
        names.append(row.name);
    }
    m_model->setFormats(formats);
    const QFontMetrics cells = m_table->fontMetrics();
    int right = 0;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const FieldRow& row = m_model->field(column);
        if (row.type == db::jettype::Boolean)
            m_model->setAlignment(column, Qt::AlignCenter);
        // Dates show eleven characters ("10-Dic-2026"), whatever they take to store; neither the heading nor
        // the cells of the first screen are cut (a long text up to 30 characters).
        const int size = row.type == db::jettype::Date ? std::max(row.size, 11) : row.size;
        int shown = m_table->horizontalHeader()->fontMetrics().horizontalAdvance(m_model->caption(column));
        for (int r = 0; r < std::min(m_model->rowCount(), FirstScreenRows); ++r)
            shown = std::max(shown, std::min(cells.horizontalAdvance(m_model->cellText(r, column)),
                                             cells.averageCharWidth() * 30));
        const int width = std::max(gridColumnWidth(m_model->caption(column), row.type, size),
                                   twips::fromPixels(shown + 12));
        m_table->setColumnWidth(column, twips::toPixels(width));
        right += width;
    }
    m_model->setLockedColumns(lockedColumns(names, engine.ProtectedFields, QString(), !readOnly));
    QMap<int, QString> fixedByColumn;
    if (!readOnly) {
        const QList<FixedValue> fixed = parseFixedValues(engine.FixedValues);
        for (qsizetype item = 0; item < fixed.size(); ++item) {
            int found = -1;
            for (int c = 0; found < 0 && c < names.size(); ++c) {
                if (unbracketed(names.at(c)).compare(fixed.at(item).field, Qt::CaseInsensitive) == 0)
                    found = c;
            }
            fixedByColumn.insert(found >= 0 ? found : -1 - static_cast<int>(item), fixed.at(item).value);
        }
    }
    m_model->setFixedValues(fixedByColumn);
    const int formWidth = m_session.k ? m_session.k->widthTwips() : 12000;
    const int formHeight = m_session.k ? m_session.k->heightTwips() : 9000;
    setGeometryTwips(gridGeometry(formWidth, formHeight, right, title));
    fitHeadings();
}

void GridView::setCaption(const QString& caption)
{
    build();
    m_caption->setText(caption);
}

QString GridView::caption() const
{
    return m_caption ? m_caption->text() : QString();
}

void GridView::placeVertically()
{
    QRect area = geometryTwips();
    const int formHeight = m_session.k ? m_session.k->heightTwips() : 9000;
    area.moveTop(gridTop(formHeight, area.height()));
    setGeometryTwips(area);
}

void GridView::showButtons(const QList<GridButton>& buttons)
{
    hideButtons();
    QWidget* form = m_session.k;
    if (!form)
        return;
    const QList<QRect> places =
        gridButtonGeometry(geometryTwips(), static_cast<int>(buttons.size()), ButtonWidth, ButtonHeight);
    const auto toPixels = [](const QRect& r) {
        return QRect(twips::toPixels(r.x()), twips::toPixels(r.y()), twips::toPixels(r.width()),
                     twips::toPixels(r.height()));
    };
    QPushButton* termina = m_session.k->termina();
    const GridButton end = terminaButton();
    termina->setText(end.caption);
    termina->setToolTip(end.tip);
    termina->setGeometry(toPixels(places.value(0)));
    termina->setEnabled(true);
    termina->show();
    termina->raise();
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        const GridButton& button = buttons.at(i);
        auto* widget = new QPushButton(button.caption, form);
        widget->setObjectName(QStringLiteral("TabCom_%1").arg(button.index));
        widget->setToolTip(button.tip);
        widget->setGeometry(toPixels(places.value(i + 1)));
        const int command = FirstGridCommand + button.index;
        connect(widget, &QPushButton::clicked, widget,
                [this, command] { m_session.codes.TableCommand = command; });
        widget->show();
        widget->raise();
        m_tcom.append(button.index);
    }
}

void GridView::hideButtons()
{
    if (!m_session.k)
        return;
    for (const int index : std::as_const(m_tcom)) {
        if (QWidget* button = m_session.k->findChild<QWidget*>(QStringLiteral("TabCom_%1").arg(index),
                                                               Qt::FindDirectChildrenOnly))
            delete button;
    }
    m_tcom.clear();
    m_session.k->termina()->hide();
}

QRect GridView::geometryTwips() const
{
    if (!m_area)
        return {};
    const QRect r = m_area->geometry();
    return {twips::fromPixels(r.x()), twips::fromPixels(r.y()), twips::fromPixels(r.width()),
            twips::fromPixels(r.height())};
}

void GridView::setGeometryTwips(const QRect& area)
{
    build();
    QRect pixels(twips::toPixels(area.x()), twips::toPixels(area.y()), twips::toPixels(area.width()),
                 twips::toPixels(area.height()));
    // The grid stays on the form: what does not fit scrolls inside it.
    if (const QWidget* form = m_area->parentWidget()) {
        const int margin = twips::toPixels(100);
        pixels.setLeft(std::max(pixels.left(), margin));
        pixels.setRight(std::min(pixels.right(), form->width() - margin));
        pixels.setTop(std::max(pixels.top(), 0));
        pixels.setBottom(std::min(pixels.bottom(), form->height() - margin));
    }
    m_area->setGeometry(pixels);
}

int GridView::columnLeftTwips(int column) const
{
    if (!m_table)
        return 0;
    return twips::fromPixels(m_table->columnViewportPosition(column) + m_table->verticalHeader()->width() +
                             m_table->frameWidth());
}

int GridView::columnWidthTwips(int column) const
{
    return m_table ? twips::fromPixels(m_table->columnWidth(column)) : 0;
}

void GridView::setColumnWidthTwips(int column, int width)
{
    if (m_table)
        m_table->setColumnWidth(column, twips::toPixels(width));
}

int GridView::rowHeightTwips() const
{
    return m_table ? twips::fromPixels(m_table->verticalHeader()->defaultSectionSize()) : 0;
}

void GridView::fitHeadings()
{
    if (!m_table || !m_model)
        return;
    int lines = 1;
    for (int column = 0; column < m_model->columnCount(); ++column)
        lines = std::max(lines, static_cast<int>(m_model->caption(column).count(u'\n')) + 1);
    m_table->horizontalHeader()->setFixedHeight(lines * (m_table->fontMetrics().height() + 2) + 6);
}

void GridView::show()
{
    build();
    m_area->show();
    m_area->raise();
    m_table->setEnabled(true);
}

void GridView::hide()
{
    if (m_area)
        m_area->hide();
    if (m_classifierButton)
        m_classifierButton->hide();
    hideButtons();
}

bool GridView::isShown() const
{
    return m_area && m_area->isVisible();
}

void GridView::setEnabled(bool on)
{
    if (m_table)
        m_table->setEnabled(on);
}

void GridView::focus()
{
    if (m_table)
        m_table->setFocus(Qt::OtherFocusReason);
}

int GridView::currentRow() const
{
    return m_table ? m_table->currentIndex().row() : -1;
}

int GridView::currentColumn() const
{
    return m_table ? m_table->currentIndex().column() : -1;
}

void GridView::setCurrent(int row, int column)
{
    if (!m_table || !m_model)
        return;
    const QModelIndex index = m_model->index(row, std::max(0, column));
    if (!index.isValid())
        return;
    m_table->setCurrentIndex(index);
    m_table->scrollTo(index);
}

QString GridView::cellText(int row, int column) const
{
    return m_model ? m_model->cellText(row, column) : QString();
}

bool GridView::finishEditing()
{
    if (!m_model)
        return true;
    // Whatever is typed in the open cell counts as typed.
    if (m_table)
        dataGrid(m_table)->commitOpenEditor();
    return m_model->writePendingRow() != RowWrite::Kept;
}

void GridView::refresh()
{
    if (!m_model)
        return;
    const int row = currentRow();
    const int column = currentColumn();
    m_model->refresh();
    if (row >= 0)
        setCurrent(std::min(row, m_model->rowCount() - 1), column);
}

int GridView::validateColumn(int column, const QString& typed)
{
    m_session.errors.RoutineName = QStringLiteral("ValidateFields");
    if (!m_rows || column < 0 || column >= m_rows->fieldCount())
        return 0;
    const db::FieldInfo& info = m_rows->field(column);
    // A relation column is checked by its key: a description typed with it is not stored.
    const bool related = info.def.isRelation();
    const QString text = related ? relation::strippedValue(typed) : typed;
    const FieldCheck check = checkGridColumn(
        info.def, info.sourceField.isEmpty() ? info.name : info.sourceField, text, capturekind::GridColumn);
    if (!check.failed) {
        // A text the column's type cannot hold is refused here, as the grid refuses it while typing.
        db::DbError conversion;
        if (!text.trimmed().isEmpty())
            db::jetvalue::toStorage(text.trimmed(), info.type(), conversion);
        if (!conversion)
            return 0;
        const QString name = unbracketed(m_model->field(column).name);
        const QString cleaned = cleanNumberText(text).trimmed();
        const QString why =
            db::jetvalue::isNumberText(cleaned) && !db::jetvalue::fitsType(cleaned, info.type())
                ? numberRangeMessage(name, info.type())
                : name.toUpper() + QStringLiteral("   ") +
                      keystrokeMessage(related ? info.type() : info.typeCode());
        const int answer = panels::MessageBox(
            m_session, QStringLiteral("No se pudieron registrar los Datos") + m_session.shell.NewLine + why,
            QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Question,
            QStringLiteral("Error en Datos"));
        if (answer != QMessageBox::Retry)
            m_model->undoPendingRow();
        return 1;
    }
    QApplication::beep();
    QApplication::beep();
    m_session.dialog.ValidationMessage = check.message;
    panels::ShowMessage(m_session, QStringLiteral("PTec"));
    return -1;
}

int GridView::validateRow(int row)
{
    if (!m_rows || !m_model)
        return 0;
    setEnabled(false);
    int failed = 0;
    for (int column = 0; column < m_model->columnCount() && failed == 0; ++column) {
        if (!m_rows->field(column).writable)
            continue;
        failed = validateColumn(column, m_model->cellText(row, column));
    }
    setEnabled(true);
    return failed;
}

void GridView::transcribe()
{
    if (!m_session.transcript.isOn() || !m_model)
        return;
    m_session.transcript.write(QStringLiteral("grid"), caption());
    QString heading = QStringLiteral("columnas");
    for (int column = 0; column < m_model->columnCount(); ++column)
        heading += QStringLiteral(" | ") + Transcript::oneLine(m_model->caption(column));
    m_session.transcript.write(QStringLiteral("grid"), heading);
    const int rows = m_model->rowCount();
    for (int row = 0; row < std::min(rows, MaxTranscribedRows); ++row) {
        QString line = m_model->isNewRow(row) ? QStringLiteral("*") : QString::number(row + 1);
        for (int column = 0; column < m_model->columnCount(); ++column)
            line += QStringLiteral(" | ") + Transcript::oneLine(m_model->cellText(row, column));
        m_session.transcript.write(QStringLiteral("grid"), line);
    }
    if (rows > MaxTranscribedRows)
        m_session.transcript.write(QStringLiteral("grid"),
                                   QStringLiteral("(%1 filas)").arg(m_model->recordCount()));
}

bool GridView::isClassifierColumn(int column) const
{
    return m_model && column >= 0 && column < m_model->columnCount() &&
           m_model->field(column).defaultValue.contains(QLatin1String("!C"));
}

void GridView::placeClassifierButton()
{
    if (!m_classifierButton || !m_table)
        return;
    const QModelIndex index = m_table->currentIndex();
    const bool offer =
        index.isValid() && isClassifierColumn(index.column()) && (m_model->flags(index) & Qt::ItemIsEditable);
    if (!offer) {
        m_classifierButton->hide();
        return;
    }
    const QRect cell = m_table->visualRect(index);
    const int side = cell.height();
    m_classifierButton->setGeometry(cell.right() - side + 1, cell.top(), side, side);
    m_classifierButton->show();
    m_classifierButton->raise();
}

void GridView::currentChanged(int row, int previousRow)
{
    placeClassifierButton();
    if (m_restoring || !m_model)
        return;
    if (previousRow < 0 || row == previousRow || m_model->pendingRow() != previousRow)
        return;
    if (m_model->writePendingRow() == RowWrite::Kept) {
        // The user corrects the row: the grid goes back to it.
        m_restoring = true;
        setCurrent(previousRow, currentColumn());
        m_restoring = false;
    }
}

void GridView::deleteCurrentRecord()
{
    const int row = currentRow();
    if (row < 0 || m_model->isNewRow(row))
        return;
    const int answer = panels::MessageBox(
        m_session, QStringLiteral("  ¿Esta seguro de borrar este Registro?"),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question, QStringLiteral("BORRA REGISTRO"));
    if (answer != QMessageBox::Ok)
        return;
    if (const db::DbError error = m_model->removeRecord(row); error && m_model->dataError)
        m_model->dataError(error);
}

bool GridView::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_table)
        return false;
    if (watched == m_table->viewport()) {
        if (event->type() == QEvent::MouseButtonDblClick)
            m_session.codes.CommandCode = -2;
        if (event->type() == QEvent::Resize)
            placeClassifierButton();
        return false;
    }
    if (watched != m_table || event->type() != QEvent::KeyPress || dataGrid(m_table)->isEditing())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_session.codes.CommandCode = -2;
        return true;
    case Qt::Key_Escape:
        if (m_model->pendingRow() >= 0)
            m_model->undoPendingRow();
        else
            m_session.codes.CommandCode = -3;
        return true;
    case Qt::Key_Delete:
        if (m_model->allowsDeleting()) {
            deleteCurrentRecord();
            return true;
        }
        return false;
    case Qt::Key_F4:
        if (classifierRequested && isClassifierColumn(currentColumn()) && m_classifierButton &&
            m_classifierButton->isVisible()) {
            classifierRequested(currentColumn());
            return true;
        }
        return false;
    default:
        return false;
    }
}

GridView& grid(Session& session)
{
    if (!session.engine.grid)
        session.engine.grid = std::make_shared<GridView>(session);
    return *session.engine.grid;
}

} // namespace quelmar::engine
