#pragma once

#include "db/dberror.h"
#include "session/fieldtable.h"

#include <QAbstractTableModel>
#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

#include <deque>
#include <functional>
#include <map>

namespace quelmar::db {
class Recordset;
}

namespace quelmar::engine {

// What the before-row-write check decides about a row about to be written.
enum class RowDecision
{
    Write,   // write it
    Correct, // do not write; the row stays as typed for the user to correct
    Undo,    // do not write; the row's changes are undone
};

// The outcome of writing the row being edited.
enum class RowWrite
{
    Nothing, // no row was being edited
    Written,
    Kept,   // not written; the row stays as typed
    Undone, // not written; its changes are gone
};

// The rows of a grid's recordset as a table model. The model never holds the whole result: it knows the exact
// record count from the database and reads rows a page at a time as the view asks for them, keeping a bounded
// number of pages. One row at a time may be edited: its typed texts stay in the model until the row is
// written (when the user leaves it, or the grid is closed) or undone. A grid that allows adding shows one
// more row, empty, for a new record.
class GridModel final : public QAbstractTableModel
{
public:
    explicit GridModel(QObject* parent = nullptr);
    ~GridModel() override;

    // Shows the recordset's rows (the recordset is not owned and must outlive its use here; nullptr empties
    // the model). fields describes the columns (FieldTable), formats the display format of each column.
    void setSource(db::Recordset* rows, const QList<FieldRow>& fields, const QStringList& formats);
    db::Recordset* source() const { return m_rows; }
    // Shows the rows of another recordset with the same columns, keeping the columns' captions, formats,
    // alignments and locks (a narrowed or reordered statement of the same result).
    void replaceRows(db::Recordset* rows);
    void setFormats(const QStringList& formats);

    // What the user may do: change cells, add rows, delete rows.
    void setEditing(bool update, bool add, bool remove);
    bool allowsUpdates() const { return m_update; }
    bool allowsAdding() const { return m_add; }
    bool allowsDeleting() const { return m_remove; }
    // Append-only: the grid shows none of the rows already there, only those added through it.
    void setAppendOnly(bool on);
    void setLockedColumns(const QList<bool>& locked);
    bool isLocked(int column) const { return m_locked.value(column); }
    // The values a new row takes as soon as it is started, by column; their columns are locked on it.
    void setFixedValues(const QMap<int, QString>& fixedByColumn) { m_fixed = fixedByColumn; }

    qint64 recordCount() const { return m_count; }
    const FieldRow& field(int column) const { return m_fields.at(column); }
    QString caption(int column) const { return m_captions.value(column); }
    void setCaption(int column, const QString& caption);
    void setAlignment(int column, Qt::Alignment alignment);

    // A cell as the grid shows it: a text put over it, the text typed into it, or its value in the column's
    // format. Empty outside the grid.
    QString cellText(int row, int column) const;
    // Shows a text in a cell without touching the data (subtotals); cleared by refresh().
    void setShownText(int row, int column, const QString& text);

    // The row being edited (-1 when none), and whether a row is beyond the data: the new row (and, while the
    // new row is typed, the one below it for the next).
    int pendingRow() const { return m_pendingRow; }
    bool isNewRow(int row) const { return m_add && row >= m_count; }
    // Writes the row being edited, asking beforeRowWrite first and dataError on a failure.
    RowWrite writePendingRow();
    void undoPendingRow();
    // Deletes a record; the rows after it move up.
    db::DbError removeRecord(int row);
    // Reads the count and the rows again (a refresh request).
    void refresh();

    // Asked before a typed text goes into a cell (false refuses it).
    std::function<bool(int row, int column, const QString& text)> beforeColumnWrite;
    // Asked before the row is written.
    std::function<RowDecision(int row)> beforeRowWrite;
    // Told of a database error while writing; true to keep the row as typed (Retry), false to undo it.
    std::function<bool(const db::DbError& error)> dataError;
    // Told when a new row cannot take its fixed values (the row is undone).
    std::function<void()> fixedValuesFailed;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    static constexpr int PageRows = 64;
    static constexpr std::size_t MaxPages = 32;

    const QVariantList* rowValues(int row) const;
    qint64 positionOf(int row) const; // the recordset position of a grid row
    QString formatted(int row, int column) const;
    bool startPending(int row);
    db::DbError writeRow();
    void clearPending();
    void dropCache();
    void emitRowChanged(int row);

    db::Recordset* m_rows = nullptr;
    QList<FieldRow> m_fields;
    QStringList m_formats;
    QStringList m_captions;
    QList<Qt::Alignment> m_alignments;
    QList<bool> m_locked;
    QMap<int, QString> m_fixed;
    bool m_update = false;
    bool m_add = false;
    bool m_remove = false;
    bool m_appendOnly = false;
    QList<qint64> m_appended; // append-only: the recordset position of each row added
    mutable QVariantList m_appendedValues;
    qint64 m_count = 0;

    mutable std::map<qint64, QList<QVariantList>> m_pages; // page number -> its rows
    mutable std::deque<qint64> m_pageOrder;                // least recently read first
    std::map<std::pair<int, int>, QString> m_shown;

    int m_pendingRow = -1;
    QMap<int, QString> m_typed; // column -> text typed into the row being edited
};

} // namespace quelmar::engine
