#include "engine/panelview.h"

#include "core/datetext.h"
#include "core/relationrules.h"
#include "db/database.h"
#include "db/recordset.h"
#include "engine/engineservices.h"
#include "engine/fieldrules.h"
#include "engine/masterdetail.h"
#include "engine/validatefields.h"
#include "engine/valueformat.h"
#include "panels/controlpool.h"
#include "panels/fieldtext.h"
#include "panels/mainform.h"
#include "panels/memobox.h"
#include "session/session.h"
#include "session/twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>

namespace quelmar::engine {

namespace {

constexpr int RowTwips = 330;
constexpr int FieldHeightTwips = 300;
constexpr int ClassifierHeightTwips = 280;
constexpr int LabelLeftTwips = 150;
constexpr int PanelLeftTwips = 250;
constexpr int PanelTopTwips = 400;
constexpr int MaskedFieldLength = 255;

bool isHourFormat(const QString& format)
{
    return format.contains(QLatin1String("h:m"), Qt::CaseInsensitive);
}

// The keys a field of that type accepts while it is typed.
QValidator* validatorFor(int type, QObject* parent)
{
    switch (type) {
    case 2:
        return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), parent);
    case 3:
    case 4:
        return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9,]*")), parent);
    case 5:
    case 6:
    case 7:
        return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?\\$?[0-9,]*\\.?[0-9]*")),
                                               parent);
    case 8:
        return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Za-z/: -]*")),
                                               parent);
    default:
        return nullptr;
    }
}

void paint(QWidget* widget, const QColor& colour)
{
    if (!widget)
        return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
}

} // namespace

PanelView::PanelView(Session& session) : m_session(session) {}

PanelView::~PanelView()
{
    remove();
}

QWidget* PanelView::panel() const
{
    return m_session.k ? m_session.k->fixedPanel() : nullptr;
}

void PanelView::remove()
{
    for (const QPointer<QWidget>& widget : std::as_const(m_owned)) {
        if (widget) {
            widget->hide();
            widget->deleteLater();
        }
    }
    m_owned.clear();
    m_controls.clear();
    m_labels.clear();
    m_classifierNames.clear();
    m_buttons.clear();
    m_navigator.clear();
    if (m_frame)
        m_frame->hide();
}

void PanelView::build(const QString& title, int widthTwips, const QString& options)
{
    remove();
    QWidget* frame = panel();
    MainForm* form = m_session.k;
    if (!frame || !form)
        return;
    m_title = title;
    m_frame = frame;
    const auto& engine = m_session.engine;
    const int formWidth = form->widthTwips();
    int width = widthTwips > 0 ? widthTwips : formWidth - 500;
    width = qMax(1500, qMin(width, formWidth - 200));

    int top = 120;
    const int titleLines = qMax(1, static_cast<int>(title.size() * 130.0 / width + 0.99));
    auto* heading = new QLabel(title, frame);
    heading->setWordWrap(true);
    heading->setAlignment(Qt::AlignHCenter);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setGeometry(twips::toPixels(100), twips::toPixels(top), twips::toPixels(width - 200),
                         twips::toPixels(titleLines * 260));
    m_owned.append(heading);
    top += titleLines * 260 + 80;

    int longest = 1;
    for (const FieldRow& row : engine.FieldTable)
        longest = qMax(longest, static_cast<int>(row.name.size()));
    const int labelWidth = 110 * longest;
    const int controlLeft = LabelLeftTwips + labelWidth + 100;
    const int controlRoom = qMax(600, width - controlLeft - 150);
    const bool working = engine.WorkState > 0;

    for (int i = 0; i < engine.FieldTable.size(); ++i) {
        const FieldRow& row = engine.FieldTable.at(i);
        const int field = i + 1;
        auto* label = new QLabel(row.name, frame);
        label->setToolTip(row.title);
        m_owned.append(label);
        QWidget* control = nullptr;
        int height = FieldHeightTwips;
        int controlWidth = controlRoom;
        if (row.type == db::jettype::Boolean) {
            auto* box = new QCheckBox(frame);
            panels::markElement(box, QStringLiteral("DCheck"), field);
            controlWidth = 200;
            control = box;
        } else if (row.type == db::jettype::Memo) {
            auto* memo = new panels::MemoBox(frame);
            panels::markElement(memo, QStringLiteral("dmemo"), field);
            memo->setWordWrapMode(QTextOption::WordWrap);
            height = width < 2501 ? 1000 : 750;
            controlWidth = qMax(600, width - controlLeft - 100);
            memo->installEventFilter(this);
            control = memo;
        } else if (row.type == db::jettype::Classifier) {
            auto* list = new QListWidget(frame);
            panels::markElement(list, QStringLiteral("Clasi"), field);
            classifierFilled(field, list);
            int longestEntry = 1;
            for (int entry = 0; entry < list->count(); ++entry)
                longestEntry = qMax(longestEntry, static_cast<int>(list->item(entry)->text().size()));
            controlWidth = qMin(controlRoom, 100 * longestEntry + 400);
            height = ClassifierHeightTwips;
            list->installEventFilter(this);
            control = list;
        } else {
            auto* edit = new QLineEdit(frame);
            panels::markElement(edit, QStringLiteral("DCap"), field);
            // No masked field holds more than a text field can: the number, date or text typed fits, and
            // each keystroke costs the same whatever was typed before.
            edit->setMaxLength(row.type == db::jettype::Text && row.size > 0
                                   ? qMin(row.size, MaskedFieldLength)
                                   : MaskedFieldLength);
            if (QValidator* validator = validatorFor(row.type, edit))
                edit->setValidator(validator);
            const int characters =
                row.type == db::jettype::Date ? 12 : qMax(4, layoutSize(row.type, row.size));
            controlWidth = qMin(controlRoom, 110 * characters + 200);
            edit->installEventFilter(this);
            connect(edit, &QLineEdit::inputRejected, this, [this, field] { rejectedKey(field); });
            control = edit;
        }
        while (m_classifierNames.size() < field)
            m_classifierNames.append(QStringList());
        control->setProperty("fieldName", row.name);
        control->setToolTip(row.title);
        control->setEnabled(working && row.editable != 0);
        control->setGeometry(twips::toPixels(controlLeft), twips::toPixels(top),
                             twips::toPixels(controlWidth), twips::toPixels(height));
        label->setGeometry(twips::toPixels(LabelLeftTwips), twips::toPixels(top), twips::toPixels(labelWidth),
                           twips::toPixels(FieldHeightTwips));
        label->setBuddy(control);
        label->installEventFilter(this);
        m_owned.append(control);
        m_controls.append(control);
        m_labels.append(label);
        top += qMax(RowTwips, height + 30);
    }

    // The record navigator `dato`.
    auto* bar = new QFrame(frame);
    bar->setObjectName(QStringLiteral("dato"));
    bar->setFrameStyle(QFrame::Box | QFrame::Plain);
    bar->setToolTip(QStringLiteral(" Mueve el Registro presentado al tocar las puntas "));
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(2, 1, 2, 1);
    const std::array<std::pair<QString, QString>, 2> before{
        {{QStringLiteral("|◀"), QStringLiteral("first")}, {QStringLiteral("◀"), QStringLiteral("previous")}}};
    const std::array<std::pair<QString, QString>, 2> after{
        {{QStringLiteral("▶"), QStringLiteral("next")}, {QStringLiteral("▶|"), QStringLiteral("last")}}};
    auto addMove = [this, bar, layout](const std::pair<QString, QString>& move) {
        auto* button = new QToolButton(bar);
        button->setText(move.first);
        button->setProperty("record", move.second);
        button->setToolTip(bar->toolTip());
        connect(button, &QToolButton::clicked, this, [this, where = move.second] { moveTo(where); });
        layout->addWidget(button);
        m_navigator.append(button);
    };
    for (const auto& move : before)
        addMove(move);
    m_position = new QLabel(bar);
    m_position->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_position, 1);
    for (const auto& move : after)
        addMove(move);
    bar->setGeometry(twips::toPixels(LabelLeftTwips), twips::toPixels(top + 60),
                     twips::toPixels(qMin(width - 300, 4600)), twips::toPixels(360));
    m_navigatorBar = bar;
    m_owned.append(bar);
    top += 500;

    int panelTop = PanelTopTwips;
    const int at = options.indexOf(QLatin1String("Top="), 0, Qt::CaseInsensitive);
    if (at >= 0) {
        QString digits;
        for (int c = at + 4; c < options.size() && options.at(c).isDigit(); ++c)
            digits.append(options.at(c));
        if (!digits.isEmpty())
            panelTop = digits.toInt();
    }
    frame->setGeometry(twips::toPixels(PanelLeftTwips), twips::toPixels(panelTop), twips::toPixels(width),
                       twips::toPixels(top + 100));

    // The command buttons `dcom`, below the panel.
    for (int index = 0; index < 4; ++index) {
        auto* button = new QPushButton(form);
        panels::markElement(button, QStringLiteral("dcom"), index);
        button->setGeometry(twips::toPixels(PanelLeftTwips + index * 1500),
                            twips::toPixels(panelTop + top + 200), twips::toPixels(1400),
                            twips::toPixels(400));
        connect(button, &QPushButton::clicked, this,
                [this, index] { m_session.codes.CommandCode = 1001 + index; });
        button->hide();
        m_owned.append(button);
        m_buttons.append(button);
    }
}

void PanelView::classifierFilled(int field, QListWidget* list)
{
    QStringList names;
    const FieldRow& row = m_session.engine.FieldTable.at(field - 1);
    const QString parameterClass = classifierClass(row.defaultValue);
    if (m_session.database.CurrentDatabase) {
        QString escaped = parameterClass;
        escaped.replace(QLatin1Char('\''), QLatin1String("''"));
        db::DbError error;
        auto rows = m_session.database.CurrentDatabase->openRecordset(
            QStringLiteral("Select Nombre,Clave From Parametros Where Clase='") + escaped +
                QStringLiteral("' Order By Secuen"),
            db::RecordsetType::Snapshot, error);
        if (rows) {
            for (; !rows->eof(); rows->moveNext()) {
                if (rows->value(1).toString().contains(QLatin1Char('@')))
                    continue;
                names.append(rows->value(0).toString());
            }
        }
    }
    list->addItems(names);
    while (m_classifierNames.size() < field)
        m_classifierNames.append(QStringList());
    m_classifierNames[field - 1] = names;
}

void PanelView::showPanel()
{
    QWidget* frame = panel();
    if (!frame)
        return;
    frame->raise();
    frame->show();
    for (const QPointer<QWidget>& widget : std::as_const(m_owned)) {
        if (widget && widget->parentWidget() == frame)
            widget->show();
    }
}

void PanelView::hidePanel()
{
    for (const QPointer<QWidget>& widget : std::as_const(m_owned)) {
        if (widget)
            widget->hide();
    }
}

void PanelView::setButtons(const QStringList& captions, const QStringList& tips)
{
    for (int index = 0; index < m_buttons.size(); ++index) {
        if (!m_buttons.at(index))
            continue;
        m_buttons.at(index)->setText(captions.value(index));
        m_buttons.at(index)->setToolTip(tips.value(index));
    }
}

void PanelView::setButtonsVisible(bool on)
{
    for (const QPointer<QPushButton>& button : std::as_const(m_buttons)) {
        if (!button)
            continue;
        button->setVisible(on && !button->text().isEmpty());
        if (on)
            button->raise();
    }
}

void PanelView::setButtonsEnabled(bool on)
{
    for (const QPointer<QPushButton>& button : std::as_const(m_buttons)) {
        if (button)
            button->setEnabled(on);
    }
}

void PanelView::setNavigatorEnabled(bool on)
{
    for (const QPointer<QAbstractButton>& button : std::as_const(m_navigator)) {
        if (button)
            button->setEnabled(on);
    }
}

QWidget* PanelView::control(int field) const
{
    return field >= 1 && field <= m_controls.size() ? m_controls.at(field - 1).data() : nullptr;
}

int PanelView::fieldOf(const QObject* widget) const
{
    for (int i = 0; i < m_controls.size(); ++i) {
        if (m_controls.at(i) == widget)
            return i + 1;
    }
    return 0;
}

bool PanelView::isRelationField(int field) const
{
    const auto& table = m_session.engine.FieldTable;
    return field >= 1 && field <= table.size() &&
           relation::parseRelation(table.at(field - 1).defaultValue).has_value();
}

void PanelView::setColour(int field, const QColor& colour)
{
    paint(control(field), colour);
}

QString PanelView::positionText() const
{
    db::Recordset* rows = m_session.engine.PanelRecordset.get();
    if (!rows)
        return {};
    if (rows->editMode() == db::EditMode::AddNew)
        return QStringLiteral("Registro nuevo");
    return QStringLiteral("Registro %1 de %2").arg(rows->absolutePosition() + 1).arg(rows->recordCount());
}

void PanelView::showRecord()
{
    db::Recordset* rows = m_session.engine.PanelRecordset.get();
    if (!rows)
        return;
    const auto& engine = m_session.engine;
    // A new record shows the default values it was given; outside the records, nothing.
    const bool adding = rows->editMode() == db::EditMode::AddNew;
    const bool outside = !adding && (rows->bof() || rows->eof());
    for (int i = 0; i < m_controls.size(); ++i) {
        QWidget* widget = m_controls.at(i);
        if (!widget)
            continue;
        const FieldRow& row = engine.FieldTable.at(i);
        const QVariant value = outside ? QVariant() : rows->value(i);
        if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            box->setChecked(value.isValid() && !value.isNull() && value.toInt() != 0);
        } else if (auto* memo = qobject_cast<panels::MemoBox*>(widget)) {
            memo->setText(value.toString());
        } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
            const QStringList& names = m_classifierNames.value(i);
            int chosen = value.isNull() ? -1 : static_cast<int>(names.indexOf(value.toString()));
            bool number = false;
            const int ordinal = value.toString().toInt(&number);
            if (chosen < 0 && number && ordinal >= 1 && ordinal <= names.size())
                chosen = ordinal - 1;
            list->setCurrentRow(chosen);
            if (chosen < 0)
                list->clearSelection();
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            QString text;
            if (row.type == db::jettype::Date)
                text =
                    formatValue(value, isHourFormat(row.format) ? row.format : QStringLiteral("dd-mmm-yyyy"));
            else if (db::jettype::isNumeric(row.type))
                text = formatValue(value, row.format);
            else
                text = value.toString();
            edit->setText(text);
            edit->setCursorPosition(0);
        }
        if (engine.WorkState > 0 && !qobject_cast<QCheckBox*>(widget))
            paint(widget, fieldcolour::Empty);
    }
    if (m_position)
        m_position->setText(positionText());
    const bool moving = !rows->eof() && rows->editMode() != db::EditMode::AddNew && rows->recordCount() > 0;
    setNavigatorEnabled(moving);
    services(m_session).Relation(m_session, QStringLiteral("Pon"), 0);
}

QString PanelView::shownValue(int field) const
{
    QWidget* widget = control(field);
    if (auto* box = qobject_cast<QCheckBox*>(widget))
        return box->isChecked() ? QStringLiteral("Sí") : QStringLiteral("No");
    if (auto* memo = qobject_cast<panels::MemoBox*>(widget))
        return memo->text();
    if (auto* list = qobject_cast<QListWidget*>(widget))
        return list->currentRow() >= 0 && list->currentItem() ? list->currentItem()->text() : QString();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return panels::shownText(edit);
    return {};
}

void PanelView::transcribe()
{
    QStringList parts{m_title, positionText()};
    for (int i = 0; i < m_controls.size(); ++i)
        parts.append(m_session.engine.FieldTable.at(i).name + QStringLiteral(" = ") + shownValue(i + 1));
    m_session.transcript.write(QStringLiteral("panel"),
                               Transcript::oneLine(parts.join(QStringLiteral(" | "))));
}

QString PanelView::checkValue(int field)
{
    QWidget* widget = control(field);
    const int kind = m_session.engine.CaptureKinds.value(field - 1, capturekind::None);
    switch (kind) {
    case capturekind::Memo:
        if (auto* memo = qobject_cast<panels::MemoBox*>(widget))
            return memo->text().trimmed();
        return {};
    case capturekind::ClassifierList:
        if (auto* list = qobject_cast<QListWidget*>(widget))
            return QString::number(
                list->currentItem() && list->currentItem()->isSelected() ? list->currentRow() : -1);
        return QStringLiteral("-1");
    case capturekind::MaskedField:
    case capturekind::DateField:
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            const QString format = m_session.engine.FieldTable.at(field - 1).format;
            if (kind == capturekind::MaskedField &&
                (format.contains(QLatin1Char(',')) || format.contains(QLatin1Char('$')))) {
                const QString cleaned = cleanNumberText(edit->text());
                if (cleaned != edit->text())
                    edit->setText(cleaned);
            }
            // A relation field is checked by its key: the description is only shown.
            if (isRelationField(field))
                return cleanNumberText(relation::strippedValue(edit->text())).trimmed();
            return edit->text().trimmed();
        }
        return {};
    default:
        return {};
    }
}

QVariant PanelView::writeValue(int field) const
{
    QWidget* widget = control(field);
    const FieldRow& row = m_session.engine.FieldTable.at(field - 1);
    if (auto* box = qobject_cast<QCheckBox*>(widget))
        return box->isChecked();
    if (auto* memo = qobject_cast<panels::MemoBox*>(widget)) {
        const QString text = memo->text().trimmed();
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    if (auto* list = qobject_cast<QListWidget*>(widget)) {
        const int chosen = list->currentItem() && list->currentItem()->isSelected() ? list->currentRow() : -1;
        if (chosen < 0)
            return {};
        const QString valueType =
            m_session.engine.PanelRecordset
                ? QString::number(m_session.engine.PanelRecordset->field(field - 1).type())
                : QString();
        if (db::jettype::isNumeric(valueType.toInt()))
            return chosen + 1;
        return list->item(chosen)->text();
    }
    auto* edit = qobject_cast<QLineEdit*>(widget);
    if (!edit)
        return {};
    QString text = edit->text().trimmed();
    if (isRelationField(field)) {
        // Only the key is stored, whatever description the field shows or was typed with.
        text = cleanNumberText(relation::strippedValue(text)).trimmed();
        if (text.isEmpty())
            return {};
        bool whole = false;
        const qlonglong key = text.toLongLong(&whole);
        if (whole)
            return key;
        bool number = false;
        const double value = text.toDouble(&number);
        return number ? QVariant(value) : QVariant(text);
    }
    if (text.isEmpty())
        return {};
    if (db::jettype::isNumeric(row.type)) {
        bool number = false;
        const double value = cleanNumberText(text).toDouble(&number);
        if (!number)
            return text;
        if (row.type >= 5)
            return value;
        return static_cast<qlonglong>(value);
    }
    if (row.type == db::jettype::Date && !isHourFormat(row.format)) {
        const QDate date = datetext::parse(text);
        return date.isValid() ? QVariant(date) : QVariant(text);
    }
    return text;
}

db::DbError PanelView::writeFields()
{
    db::Recordset* rows = m_session.engine.PanelRecordset.get();
    if (!rows)
        return db::DbError::make(db::jeterror::NoCurrentRecord);
    for (int field = 1; field <= m_controls.size(); ++field) {
        QWidget* widget = control(field);
        // The editable flag, not the control's state: the form is disabled while a record is written.
        const bool editable = m_session.engine.FieldTable.at(field - 1).editable != 0;
        if (!widget || (!editable && !widget->property("fixedValue").toBool()) ||
            !rows->field(field - 1).writable)
            continue;
        if (const db::DbError error = rows->setValue(field - 1, writeValue(field)))
            return error;
    }
    return {};
}

void PanelView::fix(int field, const QString& value)
{
    QWidget* widget = control(field);
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->setText(value);
    else if (auto* memo = qobject_cast<panels::MemoBox*>(widget))
        memo->setText(value);
    else if (auto* box = qobject_cast<QCheckBox*>(widget))
        box->setChecked(value != QLatin1String("0") &&
                        value.compare(QLatin1String("False"), Qt::CaseInsensitive));
    else if (auto* list = qobject_cast<QListWidget*>(widget))
        list->setCurrentRow(static_cast<int>(m_classifierNames.value(field - 1).indexOf(value)));
    if (widget) {
        widget->setProperty("fixedValue", true);
        widget->setEnabled(false);
    }
}

void PanelView::focusFirstField()
{
    for (const QPointer<QWidget>& widget : std::as_const(m_controls)) {
        if (widget && widget->isEnabled()) {
            widget->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

bool PanelView::moveTo(const QString& where)
{
    db::Recordset* rows = m_session.engine.PanelRecordset.get();
    if (!rows || rows->recordCount() == 0)
        return false;
    if (beforeMove && !beforeMove())
        return false;
    if (where == QLatin1String("first"))
        rows->moveFirst();
    else if (where == QLatin1String("last"))
        rows->moveLast();
    else if (where == QLatin1String("next")) {
        rows->moveNext();
        if (rows->eof())
            rows->moveLast();
    } else if (where == QLatin1String("previous")) {
        rows->movePrevious();
        if (rows->bof())
            rows->moveFirst();
    }
    if (afterMove)
        afterMove();
    showRecord();
    transcribe();
    // A detail grid below the panel follows its record.
    if (m_session.engine.MasterDetail > 0)
        MDSinc(m_session);
    return true;
}

void PanelView::placeNotice(const QString& text, bool underPanel)
{
    QWidget* frame = panel();
    if (!m_session.k || !frame)
        return;
    const int left = twips::fromPixels(frame->x());
    const int top =
        underPanel ? twips::fromPixels(frame->y() + frame->height()) + 50 : twips::fromPixels(frame->y());
    m_session.k->showNotice(text, top, left);
}

void PanelView::gotFocus(int field)
{
    QWidget* widget = control(field);
    paint(widget, fieldcolour::Focus);
    const FieldRow& row = m_session.engine.FieldTable.at(field - 1);
    if (qobject_cast<QListWidget*>(widget)) {
        placeNotice(QStringLiteral("Elija Opcion, Mueve con Flechas, acepta con INTRO"), false);
        return;
    }
    if (!qobject_cast<QLineEdit*>(widget))
        return;
    QString hint = row.name.toUpper();
    const db::Recordset* rows = m_session.engine.PanelRecordset.get();
    if (rows && field - 1 < rows->fieldCount() && !rows->field(field - 1).def.validationText.isEmpty())
        hint += QStringLiteral("   ") + rows->field(field - 1).def.validationText;
    if (!row.format.isEmpty())
        hint += QStringLiteral("   Formato: ") + row.format;
    placeNotice(hint, true);
}

void PanelView::lostFocus(int field)
{
    QWidget* widget = control(field);
    if (!widget || !widget->isEnabled() || m_session.engine.WorkState == 0)
        return;
    const FieldRow& row = m_session.engine.FieldTable.at(field - 1);
    if (auto* list = qobject_cast<QListWidget*>(widget)) {
        if (checkValue(field) == QLatin1String("-1")) {
            placeNotice(QStringLiteral("No esta seleccionada ninguna opción en ") + row.name, false);
            paint(list, fieldcolour::Failed);
        } else {
            paint(list, fieldcolour::Filled);
        }
        return;
    }
    int kind = m_session.engine.CaptureKinds.value(field - 1, capturekind::None);
    int failed = 0;
    ValidateFields(m_session, QStringLiteral("Panel"), kind, field, failed);
    QString text = checkValue(field);
    if (auto* edit = qobject_cast<QLineEdit*>(widget); edit && failed == 0 && !text.isEmpty()) {
        if (db::jettype::isNumeric(row.type) && !row.format.isEmpty()) {
            bool number = false;
            const double value = text.toDouble(&number);
            if (number)
                edit->setText(formatValue(value, row.format));
        } else if (row.type == db::jettype::Date && !isHourFormat(row.format)) {
            const QDate date = datetext::parse(text);
            if (date.isValid())
                edit->setText(datetext::dayMonthYear(date));
        }
    }
    paint(widget, colourAfterCheck(failed != 0, text));
    if (failed == 0 && !text.isEmpty() && isRelationField(field))
        services(m_session).Relation(m_session, QStringLiteral("Pon"), field);
}

void PanelView::rejectedKey(int field)
{
    const QString message = keystrokeMessage(m_session.engine.FieldTable.at(field - 1).type);
    if (message.isEmpty())
        return;
    QApplication::beep();
    placeNotice(message, true);
    QApplication::beep();
}

void PanelView::requestRelation(const QString& request, int field)
{
    // The routine waits for the user's choice: it runs from the event loop, not inside the event itself.
    QMetaObject::invokeMethod(
        this, [this, request, field] { services(m_session).Relation(m_session, request, field); },
        Qt::QueuedConnection);
}

bool PanelView::relationEvent(int field, QEvent* event)
{
    if (!isRelationField(field))
        return false;
    QWidget* widget = control(field);
    if (event->type() == QEvent::MouseButtonDblClick) {
        // Presenting, the related record is shown; editing or capturing, the value is picked.
        if (m_session.engine.WorkState > 0 && (!widget || !widget->isEnabled()))
            return false;
        requestRelation(QStringLiteral("Edi"), field);
        return true;
    }
    if (event->type() != QEvent::KeyPress || m_session.engine.WorkState == 0 || !widget ||
        !widget->isEnabled())
        return false;
    // Digits type a key that is known; any other character opens the choice, and is not entered.
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString typed = key->text();
    if (typed.isEmpty() || !typed.at(0).isPrint() ||
        (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    if (typed.at(0).isDigit()) {
        // A key typed over one shown with its description begins anew.
        auto* edit = qobject_cast<QLineEdit*>(widget);
        if (edit && edit->text().contains(u'·'))
            edit->clear();
        return false;
    }
    requestRelation(m_session.engine.WorkState == 2 ? QStringLiteral("Capt") : QStringLiteral("Edi"), field);
    return true;
}

bool PanelView::eventFilter(QObject* watched, QEvent* event)
{
    const bool relationCue =
        event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonDblClick;
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int i = 0; i < m_labels.size(); ++i) {
            if (m_labels.at(i) == watched)
                return relationEvent(i + 1, event);
        }
    }
    const int field = fieldOf(watched);
    if (relationCue && field > 0 && relationEvent(field, event))
        return true;
    if (field > 0) {
        if (event->type() == QEvent::FocusIn)
            gotFocus(field);
        else if (event->type() == QEvent::FocusOut)
            lostFocus(field);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quelmar::engine
