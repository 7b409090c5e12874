#include "engine/gridmodel.h"

#include "core/relationrules.h"
#include "db/jetvalue.h"
#include "db/recordset.h"
#include "engine/valueformat.h"

#include <algorithm>
#include <limits>

namespace quelmar::engine {

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

GridModel::~GridModel() = default;

void GridModel::setSource(db::Recordset* rows, const QList<FieldRow>& fields, const QStringList& formats)
{
    beginResetModel();
    m_rows = rows;
    m_fields = rows ? fields.mid(0, rows->fieldCount()) : QList<FieldRow>();
    m_formats = formats;
    m_captions.clear();
    m_alignments.clear();
    for (qsizetype column = 0; column < m_fields.size(); ++column) {
        m_captions.append(m_rows->field(static_cast<int>(column)).name);
        m_alignments.append(Qt::AlignLeft | Qt::AlignVCenter);
    }
    m_locked = QList<bool>(m_fields.size(), false);
    m_fixed.clear();
    m_shown.clear();
    clearPending();
    dropCache();
    m_count = m_rows ? std::max<qint64>(0, m_rows->recordCount()) : 0;
    endResetModel();
}

void GridModel::replaceRows(db::Recordset* rows)
{
    beginResetModel();
    m_rows = rows;
    m_shown.clear();
    clearPending();
    dropCache();
    m_count = m_rows ? std::max<qint64>(0, m_rows->recordCount()) : 0;
    endResetModel();
}

void GridModel::setFormats(const QStringList& formats)
{
    m_formats = formats;
    if (rowCount() > 0 && columnCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
}

void GridModel::setEditing(bool update, bool add, bool remove)
{
    if (add != m_add) {
        beginResetModel();
        m_add = add;
        endResetModel();
    }
    m_update = update;
    m_remove = remove;
}

void GridModel::setAppendOnly(bool on)
{
    beginResetModel();
    m_appendOnly = on;
    m_appended.clear();
    clearPending();
    dropCache();
    m_count = on || !m_rows ? 0 : std::max<qint64>(0, m_rows->recordCount());
    endResetModel();
}

qint64 GridModel::positionOf(int row) const
{
    return m_appendOnly ? m_appended.value(row, -1) : row;
}

void GridModel::setLockedColumns(const QList<bool>& locked)
{
    m_locked = locked;
    m_locked.resize(m_fields.size());
}

void GridModel::setCaption(int column, const QString& caption)
{
    if (column < 0 || column >= m_captions.size())
        return;
    m_captions[column] = caption;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

void GridModel::setAlignment(int column, Qt::Alignment alignment)
{
    if (column < 0 || column >= m_alignments.size())
        return;
    m_alignments[column] = alignment;
    if (m_count > 0)
        Q_EMIT dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::TextAlignmentRole});
}

void GridModel::dropCache()
{
    m_pages.clear();
    m_pageOrder.clear();
}

const QVariantList* GridModel::rowValues(int row) const
{
    if (!m_rows || row < 0 || row >= m_count)
        return nullptr;
    if (m_appendOnly) {
        // Rows added through the grid are few: each is read where the recordset put it.
        m_appendedValues.clear();
        if (m_rows->setAbsolutePosition(positionOf(row))) {
            for (int column = 0; column < m_rows->fieldCount(); ++column)
                m_appendedValues.append(m_rows->value(column));
        }
        return &m_appendedValues;
    }
    const qint64 page = row / PageRows;
    auto found = m_pages.find(page);
    if (found == m_pages.end()) {
        QList<QVariantList> values;
        const qint64 first = page * PageRows;
        values.reserve(PageRows);
        m_rows->readRows(first, std::min<qint64>(PageRows, m_count - first), values);
        if (m_pages.size() >= MaxPages) {
            m_pages.erase(m_pageOrder.front());
            m_pageOrder.pop_front();
        }
        found = m_pages.emplace(page, std::move(values)).first;
    } else {
        m_pageOrder.erase(std::find(m_pageOrder.begin(), m_pageOrder.end(), page));
    }
    m_pageOrder.push_back(page);
    const qint64 inPage = row - page * PageRows;
    return inPage < found->second.size() ? &found->second.at(inPage) : nullptr;
}

QString GridModel::formatted(int row, int column) const
{
    const QVariantList* values = rowValues(row);
    if (!values || column >= values->size())
        return {};
    return formatValue(values->at(column), m_formats.value(column));
}

QString GridModel::cellText(int row, int column) const
{
    if (column < 0 || column >= m_fields.size() || row < 0 || row >= rowCount())
        return {};
    if (const auto shown = m_shown.find({row, column}); shown != m_shown.end())
        return shown->second;
    if (row == m_pendingRow && m_typed.contains(column))
        return m_typed.value(column);
    return formatted(row, column);
}

void GridModel::setShownText(int row, int column, const QString& text)
{
    m_shown[{row, column}] = text;
    const QModelIndex at = index(row, column);
    Q_EMIT dataChanged(at, at, {Qt::DisplayRole});
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    const qint64 rows = m_count + (m_add ? 1 : 0) + (m_add && m_pendingRow == m_count ? 1 : 0);
    return static_cast<int>(std::min<qint64>(rows, std::numeric_limits<int>::max()));
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_fields.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cellText(index.row(), index.column());
    case Qt::EditRole: {
        if (index.row() == m_pendingRow && m_typed.contains(index.column()))
            return m_typed.value(index.column());
        if (isNewRow(index.row()))
            return m_fixed.value(index.column());
        return formatted(index.row(), index.column());
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_alignments.value(index.column(), Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (role != Qt::DisplayRole)
            return {};
        if (isNewRow(section))
            return QStringLiteral("*");
        return section == m_pendingRow ? QStringLiteral("✎") : QString();
    }
    if (section < 0 || section >= m_captions.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_captions.at(section);
    if (role == Qt::UserRole)
        return m_fields.at(section).name;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignCenter);
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const int column = index.column();
    const bool fixedOnNewRow = isNewRow(index.row()) && m_fixed.contains(column);
    const bool mayChange = isNewRow(index.row()) ? m_add : m_update;
    if (mayChange && !m_locked.value(column) && !fixedOnNewRow && m_rows && m_rows->field(column).writable)
        result |= Qt::ItemIsEditable;
    return result;
}

bool GridModel::startPending(int row)
{
    if (m_pendingRow == row)
        return true;
    if (m_pendingRow >= 0 && writePendingRow() == RowWrite::Kept)
        return false;
    m_typed.clear();
    if (isNewRow(row)) {
        // A new row being typed makes room for the next one below it.
        row = static_cast<int>(m_count);
        beginInsertRows(QModelIndex(), row + 1, row + 1);
        m_pendingRow = row;
        endInsertRows();
    } else {
        m_pendingRow = row;
    }
    if (isNewRow(row)) {
        // A new row takes its fixed values as soon as it is started.
        for (auto fixed = m_fixed.cbegin(); fixed != m_fixed.cend(); ++fixed) {
            db::DbError error;
            if (fixed.key() >= 0 && fixed.key() < m_fields.size())
                db::jetvalue::toStorage(fixed.value(), m_rows->field(fixed.key()).type(), error);
            if (fixed.key() < 0 || fixed.key() >= m_fields.size() || error) {
                undoPendingRow();
                if (fixedValuesFailed)
                    fixedValuesFailed();
                return false;
            }
            m_typed.insert(fixed.key(), fixed.value());
        }
    }
    Q_EMIT headerDataChanged(Qt::Vertical, row, row);
    return true;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const int row = index.row();
    const int column = index.column();
    const QString text = value.toString();
    if (row != m_pendingRow && text == data(index, Qt::EditRole).toString())
        return true; // nothing typed: the row is not started
    if (beforeColumnWrite && !beforeColumnWrite(row, column, text))
        return false;
    if (!startPending(row))
        return false;
    m_typed.insert(column, text);
    Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

db::DbError GridModel::writeRow()
{
    const bool adding = isNewRow(m_pendingRow);
    if (adding) {
        if (const db::DbError error = m_rows->addNew())
            return error;
    } else {
        if (!m_rows->setAbsolutePosition(positionOf(m_pendingRow)))
            return m_rows->lastError();
        if (const db::DbError error = m_rows->edit())
            return error;
    }
    for (auto typed = m_typed.cbegin(); typed != m_typed.cend(); ++typed) {
        QString text = typed.value().trimmed();
        // A relation column stores the key alone, also when "key · description" was typed or pasted.
        if (m_rows->field(typed.key()).def.isRelation())
            text = relation::strippedValue(text);
        if (const db::DbError error =
                m_rows->setValue(typed.key(), text.isEmpty() ? QVariant() : QVariant(text))) {
            m_rows->cancelUpdate();
            return error;
        }
    }
    if (const db::DbError error = m_rows->update()) {
        m_rows->cancelUpdate();
        return error;
    }
    return {};
}

RowWrite GridModel::writePendingRow()
{
    if (m_pendingRow < 0 || !m_rows)
        return RowWrite::Nothing;
    const int row = m_pendingRow;
    if (m_typed.isEmpty()) {
        undoPendingRow();
        return RowWrite::Nothing;
    }
    const RowDecision decision = beforeRowWrite ? beforeRowWrite(row) : RowDecision::Write;
    if (decision == RowDecision::Correct)
        return RowWrite::Kept;
    if (decision == RowDecision::Undo) {
        undoPendingRow();
        return RowWrite::Undone;
    }
    const db::DbError error = writeRow();
    if (error) {
        if (dataError && dataError(error))
            return RowWrite::Kept;
        undoPendingRow();
        return RowWrite::Undone;
    }
    const bool added = isNewRow(row);
    clearPending();
    if (added && m_appendOnly)
        m_appended.append(m_rows->absolutePosition());
    if (added) {
        // The row written joins the data; the row made for the next one is the new row now.
        ++m_count;
        dropCache();
        emitRowChanged(row);
        emitRowChanged(row + 1);
    } else {
        dropCache();
        emitRowChanged(row);
    }
    return RowWrite::Written;
}

void GridModel::undoPendingRow()
{
    const int row = m_pendingRow;
    if (row >= 0 && isNewRow(row)) {
        beginRemoveRows(QModelIndex(), row + 1, row + 1);
        clearPending();
        endRemoveRows();
    } else {
        clearPending();
    }
    if (row >= 0)
        emitRowChanged(row);
}

db::DbError GridModel::removeRecord(int row)
{
    if (!m_rows || row < 0 || row >= m_count)
        return db::DbError::make(db::jeterror::NoCurrentRecord);
    if (row == m_pendingRow)
        clearPending();
    const qint64 position = positionOf(row);
    if (!m_rows->setAbsolutePosition(position))
        return m_rows->lastError();
    if (const db::DbError error = m_rows->remove())
        return error;
    beginRemoveRows(QModelIndex(), row, row);
    if (m_appendOnly) {
        m_appended.removeAt(row);
        for (qint64& later : m_appended) {
            if (later > position)
                --later;
        }
    }
    --m_count;
    dropCache();
    m_shown.clear();
    endRemoveRows();
    return {};
}

void GridModel::refresh()
{
    beginResetModel();
    clearPending();
    dropCache();
    m_shown.clear();
    if (m_rows && !m_appendOnly) {
        m_rows->requery();
        m_count = std::max<qint64>(0, m_rows->recordCount());
    }
    endResetModel();
}

void GridModel::clearPending()
{
    m_pendingRow = -1;
    m_typed.clear();
}

void GridModel::emitRowChanged(int row)
{
    if (row < 0 || row >= rowCount() || columnCount() == 0)
        return;
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    Q_EMIT headerDataChanged(Qt::Vertical, row, row);
}

} // namespace quelmar::engine
