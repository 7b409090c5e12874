#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

namespace quelmar {
class Session;
}

namespace quelmar::output {

// What a statistics chart shows: its title, type code, series (one list of values per series, one value per
// row) and labels.
struct ChartData
{
    QString title;
    int type = 1;
    QStringList seriesLabels;
    QStringList rowLabels;
    QList<QList<double>> values; // values[series][row], already divided by the scale
};

// The chart's transcript line: "TITLE | tipo 1 | series: a; b | filas: x; y".
QString chartTranscript(const ChartData& data);

// Builds the chart widget of the data (Qt Charts; the styles with depth are drawn shaded, with a shadow).
QWidget* buildChart(const ChartData& data, QWidget* parent);

// `GrafEst`: draws the table shown in the grid as a chart on the main form and offers its options (style,
// scale, title, print, copy, save) until "&Finaliza". title is in and out; an empty pivot name is taken from
// a crosstab's statement; options are the grid's statistics options.
void GrafEst(Session& session, const QString& mode, QString& title, QString pivotName,
             const QString& options);

} // namespace quelmar::output
