#include "output/grafest.h"

#include "db/database.h"
#include "db/recordset.h"
#include "db/rowcursor.h"
#include "engine/engineservices.h"
#include "engine/gridmodel.h"
#include "engine/gridview.h"
#include "output/chartrules.h"
#include "output/repimp.h"
#include "panels/choosefromlist.h"
#include "panels/mainform.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "session/errorlog.h"
#include "session/session.h"
#include "session/twips.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsDropShadowEffect>
#include <QLinearGradient>
#include <QPalette>
#include <QRegularExpression>
#include <QScrollArea>
#include <QStyle>
#include <QtCharts/QAreaSeries>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QPieSeries>
#include <QtCharts/QValueAxis>

#include <stdexcept>

namespace quelmar::output {

namespace {

const QList<QColor>& palette()
{
    static const QList<QColor> colours{QColor(31, 119, 180),  QColor(255, 127, 14),  QColor(44, 160, 44),
                                       QColor(214, 39, 40),   QColor(148, 103, 189), QColor(140, 86, 75),
                                       QColor(227, 119, 194), QColor(127, 127, 127), QColor(188, 189, 34),
                                       QColor(23, 190, 207)};
    return colours;
}

QColor colourOf(int index)
{
    return palette().at(index % palette().size());
}

// A shaded fill that gives a bar or an area its volume.
QBrush depthBrush(const QColor& colour, bool depth)
{
    if (!depth)
        return QBrush(colour);
    QLinearGradient gradient(0, 0, 1, 0);
    gradient.setCoordinateMode(QGradient::ObjectMode);
    gradient.setColorAt(0, colour.lighter(150));
    gradient.setColorAt(0.45, colour);
    gradient.setColorAt(1, colour.darker(170));
    return QBrush(gradient);
}

double maximumOf(const ChartData& data, double& minimum)
{
    double maximum = 0;
    minimum = 0;
    for (const QList<double>& series : data.values) {
        for (double value : series) {
            maximum = std::max(maximum, value);
            minimum = std::min(minimum, value);
        }
    }
    return maximum;
}

void addAxes(QChart& chart, const ChartData& data, const QList<QAbstractSeries*>& series)
{
    auto* categories = new QBarCategoryAxis(&chart);
    categories->append(chart::distinctLabels(data.rowLabels));
    const qsizetype rows = data.rowLabels.size();
    categories->setLabelsAngle(rows > 40 ? -90 : rows > 8 ? -60 : 0);
    if (rows > 40) {
        // Upright labels a row apart: small, and whole (the axis would otherwise cut them to nothing).
        QFont small = categories->labelsFont();
        small.setPointSize(8);
        categories->setLabelsFont(small);
        categories->setTruncateLabels(false);
    }
    auto* values = new QValueAxis(&chart);
    double minimum = 0;
    const double maximum = maximumOf(data, minimum);
    values->setRange(minimum, maximum > minimum ? maximum * 1.05 : minimum + 1);
    values->applyNiceNumbers();
    values->setLabelFormat(QStringLiteral("%.10g"));
    chart.addAxis(categories, Qt::AlignBottom);
    chart.addAxis(values, Qt::AlignLeft);
    for (QAbstractSeries* one : series) {
        one->attachAxis(categories);
        one->attachAxis(values);
    }
}

QBarSeries* barSeries(const ChartData& data, QChart& chart, int from, int to, bool depth)
{
    auto* bars = new QBarSeries(&chart);
    for (int s = from; s < to; ++s) {
        auto* set = new QBarSet(data.seriesLabels.value(s));
        for (double value : data.values.at(s))
            set->append(value);
        set->setBrush(depthBrush(colourOf(s), depth));
        set->setPen(QPen(colourOf(s).darker(depth ? 200 : 130)));
        bars->append(set);
    }
    return bars;
}

// Lines at the rows' centres; steps hold each value across its row.
QLineSeries* lineSeries(const ChartData& data, QChart& chart, int s, bool steps, bool depth)
{
    auto* line = new QLineSeries(&chart);
    line->setName(data.seriesLabels.value(s));
    const QList<double>& values = data.values.at(s);
    for (int row = 0; row < values.size(); ++row) {
        if (steps) {
            line->append(row - 0.5, values.at(row));
            line->append(row + 0.5, values.at(row));
        } else {
            line->append(row, values.at(row));
        }
    }
    QPen pen(colourOf(s), depth ? 5 : 2);
    line->setPen(pen);
    return line;
}

void addPie(QChart& chart, const ChartData& data)
{
    // One ring per series, the first inside.
    const int count = static_cast<int>(data.values.size());
    for (int s = 0; s < count; ++s) {
        auto* pie = new QPieSeries(&chart);
        pie->setName(data.seriesLabels.value(s));
        const double inner = count > 1 ? 0.2 + 0.6 * s / count : 0.0;
        const double outer = count > 1 ? 0.2 + 0.6 * (s + 1) / count : 0.8;
        pie->setHoleSize(inner);
        pie->setPieSize(outer);
        const QList<double>& values = data.values.at(s);
        for (int row = 0; row < values.size(); ++row) {
            QPieSlice* slice = pie->append(data.rowLabels.value(row), std::max(0.0, values.at(row)));
            // Each row keeps its colour in every ring.
            slice->setBrush(QColor::fromHsv(360 * row / std::max<qsizetype>(1, values.size()), 170, 215));
            slice->setLabelVisible(s == count - 1 && values.size() <= 24 && values.at(row) > 0);
        }
        chart.addSeries(pie);
        // The legend names the rows once.
        if (s > 0) {
            for (QLegendMarker* marker : chart.legend()->markers(pie))
                marker->setVisible(false);
        }
    }
}

} // namespace

QString chartTranscript(const ChartData& data)
{
    QString title = data.title;
    title.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return title + QStringLiteral(" | tipo ") + QString::number(data.type) + QStringLiteral(" | series: ") +
           data.seriesLabels.join(QStringLiteral("; ")) + QStringLiteral(" | filas: ") +
           data.rowLabels.join(QStringLiteral("; "));
}

QWidget* buildChart(const ChartData& data, QWidget* parent)
{
    auto* chart = new QChart();
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setTitle(data.title);
    QFont titleFont = chart->titleFont();
    titleFont.setPointSize(13);
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    chart->legend()->setAlignment(Qt::AlignRight);
    const bool depth = chart::hasDepth(data.type);
    const int count = static_cast<int>(data.values.size());
    QList<QAbstractSeries*> series;
    switch (data.type) {
    case 0:
    case 1: {
        QBarSeries* bars = barSeries(data, *chart, 0, count, depth);
        chart->addSeries(bars);
        series.append(bars);
        break;
    }
    case 2:
    case 3:
    case 6:
    case 7:
        for (int s = 0; s < count; ++s) {
            QLineSeries* line = lineSeries(data, *chart, s, data.type >= 6, depth);
            chart->addSeries(line);
            series.append(line);
        }
        break;
    case 4:
    case 5: {
        // Areas stacked: each part rests on the parts before it; a total of the parts is a line over them.
        const QList<bool> totals = chart::totalSeries(data.seriesLabels);
        const QList<QList<double>> tops = chart::stackedTops(data.values, totals);
        QList<double> base(data.rowLabels.size(), 0.0);
        for (int s = 0; s < count; ++s) {
            if (totals.value(s)) {
                QLineSeries* line = lineSeries(data, *chart, s, false, depth);
                chart->addSeries(line);
                series.append(line);
                continue;
            }
            auto* upper = new QLineSeries(chart);
            auto* lower = new QLineSeries(chart);
            for (int row = 0; row < base.size(); ++row) {
                lower->append(row, base.at(row));
                base[row] = tops.at(s).value(row);
                upper->append(row, base.at(row));
            }
            auto* area = new QAreaSeries(upper, lower);
            area->setName(data.seriesLabels.value(s));
            QColor colour = colourOf(s);
            area->setBrush(depthBrush(colour, depth));
            area->setPen(QPen(colour.darker(depth ? 200 : 120), depth ? 3 : 1));
            chart->addSeries(area);
            series.append(area);
        }
        break;
    }
    case 8:
    case 9: {
        // The first series as bars, the others as lines over them.
        QBarSeries* bars = barSeries(data, *chart, 0, std::min(1, count), depth);
        chart->addSeries(bars);
        series.append(bars);
        for (int s = 1; s < count; ++s) {
            QLineSeries* line = lineSeries(data, *chart, s, false, depth);
            chart->addSeries(line);
            series.append(line);
        }
        break;
    }
    default:
        addPie(*chart, data);
        break;
    }
    if (!series.isEmpty()) {
        // Stacked areas reach as high as their tops.
        ChartData measured = data;
        if (data.type == 4 || data.type == 5)
            measured.values = chart::stackedTops(data.values, chart::totalSeries(data.seriesLabels));
        addAxes(*chart, measured, series);
    }
    if (depth) {
        auto* shadow = new QGraphicsDropShadowEffect();
        shadow->setOffset(7, 7);
        shadow->setBlurRadius(10);
        shadow->setColor(QColor(0, 0, 0, 110));
        chart->setGraphicsEffect(shadow);
    }
    auto* view = new QChartView(chart, parent);
    view->setObjectName(QStringLiteral("Grafica"));
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

namespace {

// The table behind the grid: its rows read once, the labels and series values kept.
struct TableValues
{
    QList<int> types;
    QStringList captions;
    QList<QVariantList> rows;
};

TableValues readTable(Session& session)
{
    TableValues table;
    engine::GridView* view = session.engine.grid.get();
    db::Recordset* recordset = view ? view->recordset() : nullptr;
    if (!recordset || !session.database.CurrentDatabase)
        throw std::runtime_error("There is no table on the screen.");
    db::DbError error;
    auto rows = db::RowCursor::open(*session.database.CurrentDatabase, recordset->sql(), error);
    if (!rows)
        throw std::runtime_error(error.description.toStdString());
    for (int column = 0; column < rows->fieldCount(); ++column) {
        table.types.append(rows->fields().at(column).type());
        const QString caption = view->model() ? view->model()->caption(column) : QString();
        table.captions.append(caption.isEmpty() ? rows->fields().at(column).name : caption);
    }
    while (rows->next()) {
        QVariantList values;
        for (int column = 0; column < rows->fieldCount(); ++column)
            values.append(rows->value(column));
        table.rows.append(values);
    }
    if (!rows->error().ok())
        throw std::runtime_error(rows->error().description.toStdString());
    return table;
}

void fillValues(ChartData& data, const TableValues& table, const chart::SeriesRange& range, double divisor)
{
    data.seriesLabels.clear();
    data.rowLabels.clear();
    data.values.clear();
    for (int column = range.first; column <= range.last; ++column)
        data.seriesLabels.append(chart::seriesLabel(table.captions.value(column - 1)));
    data.values.resize(range.last - range.first + 1);
    for (const QVariantList& row : table.rows) {
        data.rowLabels.append(chart::rowLabel(row.mid(0, range.first - 1)));
        for (int column = range.first; column <= range.last; ++column)
            data.values[column - range.first].append(row.value(column - 1).toDouble() / divisor);
    }
}

// The chart on the main form, replaced whenever the data change.
class ChartOnForm
{
public:
    explicit ChartOnForm(Session& session) : m_session(session)
    {
        if (MainForm* form = session.k) {
            m_palette = form->palette();
            m_autoFill = form->autoFillBackground();
            QPalette white = m_palette;
            white.setColor(QPalette::Window, Qt::white);
            form->setPalette(white);
            form->setAutoFillBackground(true);
        }
    }

    ~ChartOnForm()
    {
        delete m_area;
        if (MainForm* form = m_session.k) {
            form->setPalette(m_palette);
            form->setAutoFillBackground(m_autoFill);
        }
    }

    // The chart in the place it takes on the form; a chart of more rows than the width shows holds each row
    // at a readable width and scrolls sideways.
    void show(const ChartData& data)
    {
        delete m_area;
        m_area = new QScrollArea(m_session.k);
        m_area->setObjectName(QStringLiteral("GraficaArea"));
        m_area->setFrameShape(QFrame::NoFrame);
        m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        if (MainForm* form = m_session.k) {
            m_area->setGeometry(twips::toPixels(1), twips::toPixels(1),
                                twips::toPixels(form->widthTwips() - 200),
                                twips::toPixels(form->heightTwips() - 1650));
        } else {
            m_area->resize(900, 560);
        }
        m_view = buildChart(data, m_area);
        const int shown = m_area->width();
        const int width = chart::chartWidth(static_cast<int>(data.rowLabels.size()),
                                            static_cast<int>(data.values.size()), data.type, shown);
        const int height =
            m_area->height() - (width > shown ? m_area->style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0);
        m_view->resize(width, height);
        m_area->setWidget(m_view);
        m_area->show();
        m_session.transcript.write(QStringLiteral("chart"), chartTranscript(data));
    }

    // The whole chart, the rows scrolled out of sight too.
    QImage picture() const
    {
        if (!m_view)
            return {};
        return m_view->grab().toImage();
    }

private:
    Session& m_session;
    QScrollArea* m_area = nullptr;
    QWidget* m_view = nullptr;
    QPalette m_palette;
    bool m_autoFill = false;
};

QString askOption(Session& session)
{
    auto& dialog = session.dialog;
    session.errors.RoutineName = QStringLiteral("GEst");
    dialog.ValidationMessage = QStringLiteral("Opciones para la Gráfica");
    dialog.AnswerText = QStringLiteral("&Estilo,E&scala,&Título, &Imprime, &Copia,&Graba,&Finaliza,");
    dialog.ButtonExplanations = QStringLiteral(
        "cambia el tipo de Gráfica/Modifica la escala del eje Y/modifica el Título de la Gráfica/Imprime la "
        "Gráfica presentada en Pantalla/Copia y pega en otro programa/Graba un archivo con la "
        "gráfica/Regresa a "
        "la Tabla Estadística/");
    panels::ShowMessage(session, QStringLiteral("RCa"));
    session.errors.RoutineName = QStringLiteral("GrafEst");
    return dialog.AnswerText.trimmed();
}

void chooseStyle(Session& session, ChartData& data)
{
    QStringList labels;
    for (const QString& entry : chart::styleList().split(QLatin1Char('/'), Qt::SkipEmptyParts))
        labels.append(entry.section(QLatin1Char('-'), 0, 0));
    int count = 0;
    QString answer;
    panels::ChooseFromList(session, QStringLiteral("S"), QStringLiteral("Tipos Gráficas"), labels, count,
                           answer);
    const int type = chart::typeOfStyle(count);
    if (type >= 0)
        data.type = type;
}

void saveChart(Session& session, const QImage& picture, const QString& title)
{
    auto& dialog = session.dialog;
    QString proposed = title.section(QLatin1Char('{'), 0, 0).simplified();
    proposed.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral("-"));
    session.shell.CurrentFile = session.shell.WorkingFolder.absoluteFilePath(
        (proposed.isEmpty() ? QStringLiteral("grafica") : proposed) + QStringLiteral(".bmp"));
    dialog.ValidationMessage = QStringLiteral("Elija nombre y subdirectorio para grabar");
    dialog.VarGroup = QStringLiteral("*.bmp|*.bmp|*.png|*.png");
    QString name = engine::services(session).Disco(session, QStringLiteral("DirGra"));
    dialog.VarGroup.clear();
    if (name.trimmed().isEmpty())
        return;
    QFileInfo info(name);
    QByteArray format = info.suffix().toLower().toLatin1();
    if (format != "png" && format != "bmp") {
        name += QStringLiteral(".bmp");
        format = "bmp";
    }
    if (picture.save(name, format.constData())) {
        session.transcript.write(QStringLiteral("file"), QDir::toNativeSeparators(name));
        panels::MessageBox(session, QStringLiteral("Grabado el archivo: ") + name);
        return;
    }
    QFile::remove(name);
    maintenance::appendErrorLog(session, 75, QStringLiteral("Cannot write image ") + name,
                                QStringLiteral("GrafEst"));
    panels::MessageBox(
        session,
        QStringLiteral("No se pudo grabar la gráfica en ") + name +
            QStringLiteral(".\nRevise que la carpeta exista, que se pueda escribir en ella y que "
                           "haya espacio en el disco, y vuelva a grabarla."),
        QMessageBox::Ok, QMessageBox::Warning);
}

} // namespace

void GrafEst(Session& session, const QString& mode, QString& title, QString pivotName, const QString& options)
{
    session.errors.RoutineName = QStringLiteral("GrafEst");
    if (mode.toUpper() != QLatin1String("GRAF"))
        return;
    try {
        if (pivotName.isEmpty())
            pivotName = chart::pivotColumn(session.engine.CurrentSQL);
        const TableValues table = readTable(session);
        const chart::SeriesRange range = chart::seriesRange(options, table.types);
        if (!range.valid) {
            panels::MessageBox(
                session,
                QStringLiteral("No hay columnas numéricas que graficar en esta tabla (opciones \"") +
                    options + QStringLiteral("\"). Elija una tabla estadística con valores."),
                QMessageBox::Ok, QMessageBox::Warning);
            return;
        }
        if (table.rows.isEmpty()) {
            panels::MessageBox(session, QStringLiteral("La tabla no tiene renglones que graficar."));
            return;
        }
        ChartData data;
        double divisor = 1;
        QString shownTitle = title;
        if (!pivotName.isEmpty())
            shownTitle += QStringLiteral(" por ") + pivotName;
        const QString formCaption = session.k ? session.k->windowTitle() : QString();
        data.title = chart::chartTitle(shownTitle, formCaption);
        data.type = 1;
        fillValues(data, table, range, divisor);
        ChartOnForm onForm(session);
        onForm.show(data);
        for (;;) {
            const QString answer = askOption(session);
            if (answer == QLatin1String("E")) {
                chooseStyle(session, data);
            } else if (answer == QLatin1String("s")) {
                session.dialog.ValidationMessage = QStringLiteral("Elije la Escala usada en los ejes");
                session.dialog.AnswerText = QStringLiteral("Mi&lésimas,&Unidades,M&iles,&Millones,");
                panels::ShowMessage(session, QStringLiteral("RCa"));
                const chart::Scale scale = chart::scaleOfAnswer(session.dialog.AnswerText.trimmed());
                divisor = scale.divisor;
                shownTitle += scale.suffix;
                data.title = chart::chartTitle(shownTitle, formCaption);
                fillValues(data, table, range, divisor);
            } else if (answer == QLatin1String("T")) {
                session.dialog.ValidationMessage = QStringLiteral("Modifica el Título");
                session.dialog.AnswerText = shownTitle;
                session.dialog.InputLength = 60;
                panels::ShowMessage(session, QStringLiteral("Cap"));
                if (!session.dialog.AnswerText.trimmed().isEmpty()) {
                    shownTitle = session.dialog.AnswerText.trimmed();
                    title = shownTitle;
                }
                data.title = chart::chartTitle(shownTitle, formCaption);
            } else if (answer == QLatin1String("I")) {
                printPicture(session, onForm.picture());
                continue;
            } else if (answer == QLatin1String("C")) {
                QGuiApplication::clipboard()->clear();
                QGuiApplication::clipboard()->setImage(onForm.picture());
                continue;
            } else if (answer == QLatin1String("G")) {
                saveChart(session, onForm.picture(), shownTitle);
                continue;
            } else if (answer == QLatin1String("F") || answer.isEmpty()) {
                break;
            } else {
                continue;
            }
            onForm.show(data);
        }
    } catch (const std::exception& failure) {
        maintenance::appendErrorLog(session, 5, QString::fromStdString(failure.what()),
                                    QStringLiteral("GrafEst"));
        panels::MessageBox(
            session,
            QStringLiteral("Fallo en la presentación de Gráfica\n") +
                QStringLiteral("No se pudieron leer los valores de la tabla; vuelva a intentarlo."),
            QMessageBox::Ok, QMessageBox::Warning);
    }
}

} // namespace quelmar::output
