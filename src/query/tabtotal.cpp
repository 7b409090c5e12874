#include "query/tabtotal.h"

#include "db/recordset.h"
#include "engine/gridmodel.h"
#include "engine/gridview.h"
#include "panels/errortrap.h"
#include "query/totals.h"
#include "session/session.h"

#include <QRect>

#include <algorithm>

namespace quelmar::query {

namespace {

// Rows read from the grid at a time: a sum never holds more than this many rows' texts, however long the
// grid (the model pages the rows in from the recordset as they are read).
constexpr int ChunkRows = 512;

// The run-time number of a grid column that does not exist.
constexpr int InvalidPropertyValue = 380;

// Starts a reading of the grid's rows with no error left from an earlier use of its recordset.
void startReading(const engine::GridView& view)
{
    db::Recordset* rows = view.recordset();
    if (rows && view.model()->recordCount() > 0)
        rows->setAbsolutePosition(0);
}

// A row the grid could not read from the database counts nothing in the cell texts, so the sum would come
// out short: that fails the reading instead.
void checkReading(const engine::GridView& view)
{
    const db::Recordset* rows = view.recordset();
    if (rows && rows->lastError())
        throw RuntimeError{rows->lastError().number, rows->lastError().description, {}};
}

// The totals of the chosen columns over every record row of the grid, as the cells show them.
QList<double> sumColumns(const engine::GridView& view, const QList<bool>& selected)
{
    const engine::GridModel& model = *view.model();
    const int count = static_cast<int>(std::min<qint64>(model.recordCount(), model.rowCount()));
    QList<double> totals(selected.size(), 0.0);
    startReading(view);
    QList<QStringList> chunk;
    for (int first = 0; first < count; first += ChunkRows) {
        chunk.clear();
        for (int row = first; row < std::min(count, first + ChunkRows); ++row) {
            QStringList cells;
            for (int column = 0; column < selected.size(); ++column)
                cells.append(selected.at(column) ? model.cellText(row, column) : QString());
            checkReading(view);
            chunk.append(cells);
        }
        const QList<double> chunkTotals = columnTotals(chunk, selected);
        for (qsizetype column = 0; column < totals.size(); ++column)
            totals[column] += chunkTotals.at(column);
    }
    return totals;
}

// The subtotals of the summed column per group of the grouping column, over every record row of the grid.
// Each chunk of rows is grouped on its own; a group still open at the end of a chunk carries its text and sum
// into the next one, so that a group is one group however the chunks cut it.
Subtotals groupSums(const engine::GridView& view, int grouping, int summed)
{
    const engine::GridModel& model = *view.model();
    const int count = static_cast<int>(std::min<qint64>(model.recordCount(), model.rowCount()));
    Subtotals result;
    const auto close = [&result](int lastRow, double sum) {
        result.rowsWithSums.append(SubtotalRow{lastRow, sum});
        result.grandTotal += sum;
    };
    bool open = false;
    QString openText;
    double openSum = 0;
    startReading(view);
    for (int first = 0; first < count; first += ChunkRows) {
        QList<QString> groups;
        QList<QString> amounts;
        for (int row = first; row < std::min(count, first + ChunkRows); ++row) {
            groups.append(model.cellText(row, grouping));
            amounts.append(model.cellText(row, summed));
            checkReading(view);
        }
        Subtotals chunk = subtotals(groups, amounts);
        if (open) {
            if (groups.constFirst() == openText)
                chunk.rowsWithSums.first().sum += openSum;
            else
                close(first - 1, openSum);
        }
        for (qsizetype group = 0; group + 1 < chunk.rowsWithSums.size(); ++group)
            close(first + chunk.rowsWithSums.at(group).row, chunk.rowsWithSums.at(group).sum);
        open = true;
        openText = groups.constLast();
        openSum = chunk.rowsWithSums.constLast().sum;
    }
    if (open)
        close(count - 1, openSum);
    return result;
}

// Writes the totals under the headings of their columns, widening the columns (and the grid with them) to
// the new captions, and makes room for the second heading line.
void showTotals(engine::GridView& view, const QList<bool>& selected, const QList<double>& totals)
{
    engine::GridModel& model = *view.model();
    QRect area = view.geometryTwips();
    for (int column = 0; column < selected.size(); ++column) {
        if (!selected.at(column))
            continue;
        const QString caption = headingWithLine(model.caption(column), formatTotal(totals.at(column)));
        model.setCaption(column, caption);
        const int width = view.columnWidthTwips(column);
        const int widened = widenedColumnWidth(width, caption);
        if (widened > width) {
            view.setColumnWidthTwips(column, widened);
            area.setWidth(area.width() + widened - width);
        }
    }
    // A grid near the top of the form grows downwards for what it cannot take above.
    const int height = area.height() + TotalsHeadingRoom;
    area.moveTop(std::max(0, area.top() - TotalsHeadingRoom));
    area.setHeight(height);
    view.setGeometryTwips(area);
    view.fitHeadings();
}

} // namespace

void TabTotal(Session& session, const QString& request)
{
    ErrorTrap trap(session, QStringLiteral("TabTotal"));
    if (request.trimmed().isEmpty())
        return;
    engine::GridView& view = engine::grid(session);
    if (!view.model())
        return;
    const QList<bool> selected = selectedColumns(request, view.model()->columnCount());
    QList<double> totals;
    bool summed = false;
    trap.step([&] {
        totals = sumColumns(view, selected);
        summed = true;
    });
    if (!summed)
        return;
    trap.step([&] { showTotals(view, selected, totals); });
}

void TabSTot(Session& session, const QString& options)
{
    ErrorTrap trap(session, QStringLiteral("TabSTot"));
    engine::GridView& view = engine::grid(session);
    engine::GridModel* model = view.model();
    if (!model || model->columnCount() == 0)
        return;
    const int grouping = groupingColumn(options) - 1;
    const int summed = model->columnCount() - 1;
    if (grouping < 0 || grouping >= model->columnCount()) {
        trap.step([grouping] {
            throw RuntimeError{InvalidPropertyValue,
                               QStringLiteral("Valor de propiedad no válido: columna %1").arg(grouping + 1),
                               {}};
        });
        return;
    }
    const int type = model->field(summed).type;
    model->setAlignment(summed, Qt::AlignRight | Qt::AlignVCenter);
    view.setCurrent(std::max(0, view.currentRow()), grouping);
    view.setEnabled(false);
    Subtotals sums;
    bool grouped = false;
    trap.step([&] {
        sums = groupSums(view, grouping, summed);
        grouped = true;
    });
    if (grouped) {
        trap.step([&] {
            for (const SubtotalRow& group : std::as_const(sums.rowsWithSums))
                model->setShownText(group.row, summed, formatSubtotal(group.sum, type));
            QRect area = view.geometryTwips();
            area.setHeight(area.height() + SubtotalsGridGrowth);
            view.setGeometryTwips(area);
            model->setCaption(summed,
                              headingWithLine(model->caption(summed), formatSubtotal(sums.grandTotal, type)));
            view.fitHeadings();
        });
    }
    view.setEnabled(true);
}

} // namespace quelmar::query
