#pragma once

#include <QString>

namespace quelmar {
class Session;
}

// The totals and subtotals of the grid shown (`TabSec`), written under its column headings and in its cells.
namespace quelmar::query {

// The totals of the columns a totals request chooses (the options text after "ET", such as " 6 NoG"), each
// written as a second line of its column's heading; an empty request does nothing.
void TabTotal(Session& session, const QString& request);

// The subtotals of the grid's last column per group of rows with the same text in the grouping column (the
// number after "=" in the options, counted from 1), each shown in the group's last row, and the grand total
// under the last column's heading. The database is not changed.
void TabSTot(Session& session, const QString& options);

} // namespace quelmar::query
