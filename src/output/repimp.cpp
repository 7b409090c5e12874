#include "output/repimp.h"

#include "core/clock.h"
#include "db/database.h"
#include "db/fielddef.h"
#include "db/recordset.h"
#include "db/rowcursor.h"
#include "engine/engineservices.h"
#include "engine/gridmodel.h"
#include "engine/gridrules.h"
#include "engine/gridview.h"
#include "engine/panelview.h"
#include "engine/valueformat.h"
#include "output/printjob.h"
#include "output/printlayout.h"
#include "output/tsvexport.h"
#include "panels/controlpool.h"
#include "panels/mainform.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "session/errorlog.h"
#include "session/session.h"
#include "session/twips.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QSet>
#include <QTextEdit>

namespace quelmar::output {

namespace {

const QString PrintOrExportTitle = QStringLiteral("¿Imprime o Exporta?");

void notice(Session& session, const QString& text)
{
    session.dialog.ValidationMessage = text;
    panels::ShowMessage(session, QStringLiteral("con"));
}

void removeNotice(Session& session)
{
    panels::ShowMessage(session, QStringLiteral("bor"));
}

// A progress bar under the notice for long work, with a button to cancel it.
class Progress
{
public:
    Progress(Session& session, const QString& label, qint64 total) : m_session(session)
    {
        if (total <= RepImp::ProgressRows)
            return;
        m_total = total;
        m_dialog = std::make_unique<QProgressDialog>(label, QStringLiteral("Cancelar"), 0, 1000, session.k);
        m_dialog->setWindowTitle(QStringLiteral("Quelmar"));
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setValue(0);
    }

    // False when the user cancelled.
    bool advance(qint64 done)
    {
        if (!m_dialog)
            return true;
        m_dialog->setValue(
            static_cast<int>(std::min<qint64>(1000, done * 1000 / std::max<qint64>(1, m_total))));
        m_session.wait.letEventsRun();
        return !m_dialog->wasCanceled();
    }

private:
    Session& m_session;
    qint64 m_total = 0;
    std::unique_ptr<QProgressDialog> m_dialog;
};

// The company's logo: entry 3 of the company file, relative to the working folder unless it holds a drive
// or a root; the same name with the extension "bmp" when it is missing.
QImage companyLogo(const Session& session)
{
    const QString named = session.shell.company(3).trimmed();
    if (named.isEmpty())
        return {};
    QString path = QDir::isAbsolutePath(named) || named.contains(QLatin1String(":\\"))
                       ? named
                       : session.shell.WorkingFolder.absoluteFilePath(named);
    if (!QFileInfo::exists(path)) {
        const QFileInfo info(path);
        path = info.dir().absoluteFilePath(info.completeBaseName() + QStringLiteral(".bmp"));
    }
    return QImage(path);
}

// The text a control of the panel shows, on one line.
QString shownText(const QWidget& widget)
{
    QString text;
    if (const auto* label = qobject_cast<const QLabel*>(&widget))
        text = label->text();
    else if (const auto* edit = qobject_cast<const QLineEdit*>(&widget))
        text = edit->text();
    else if (const auto* list = qobject_cast<const QListWidget*>(&widget))
        text = list->currentItem() ? list->currentItem()->text() : QString();
    else if (const auto* box = qobject_cast<const QCheckBox*>(&widget))
        text = box->isChecked() ? QStringLiteral("Sí") : QStringLiteral("No");
    else if (const auto* plain = qobject_cast<const QPlainTextEdit*>(&widget))
        text = plain->toPlainText();
    else if (const auto* rich = qobject_cast<const QTextEdit*>(&widget))
        text = rich->toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.remove(QLatin1Char('\r'));
    return text;
}

// The paper form laid behind the panel's fields, when there is one.
const QWidget* paperForm(const QWidget& frame)
{
    const QWidget* form =
        frame.findChild<QWidget*>(panels::elementName(QStringLiteral("fRTF"), 1), Qt::FindDirectChildrenOnly);
    return form && form->isVisibleTo(&frame) ? form : nullptr;
}

// The texts of the panel on `dfija`: its heading, field captions and the values its controls show.
QList<layout::PanelElement> panelElements(const QWidget& frame)
{
    QList<layout::PanelElement> elements;
    const QList<QWidget*> children = frame.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (const QWidget* widget : children) {
        if (!widget->isVisibleTo(&frame) || widget->objectName() == QLatin1String("dato"))
            continue;
        elements.append({twips::fromPixels(widget->x()), twips::fromPixels(widget->y()), shownText(*widget)});
    }
    return elements;
}

// A panel laid over a paper form, as it prints: its heading where the panel has it, and each field as its
// caption (where the panel put it before the form moved the values) and its value on the same line. The
// form itself is not printed: its text cannot be placed without the picture it is drawn on.
void panelOverForm(const QWidget& frame, const QWidget& form, QList<layout::PanelElement>& headings,
                   QList<layout::PanelField>& fields)
{
    const QList<QWidget*> children = frame.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    QSet<const QWidget*> values;
    for (const QWidget* widget : children) {
        if (const auto* label = qobject_cast<const QLabel*>(widget); label && label->buddy())
            values.insert(label->buddy());
    }
    for (const QWidget* widget : children) {
        if (widget == &form || values.contains(widget) || !widget->isVisibleTo(&frame) ||
            widget->objectName() == QLatin1String("dato"))
            continue;
        const auto* label = qobject_cast<const QLabel*>(widget);
        if (label && label->buddy()) {
            fields.append({twips::fromPixels(label->x()), twips::fromPixels(label->y()), label->text(),
                           label->buddy()->isVisibleTo(&frame) ? shownText(*label->buddy()) : QString()});
        } else {
            headings.append(
                {twips::fromPixels(widget->x()), twips::fromPixels(widget->y()), shownText(*widget)});
        }
    }
}

// The name first proposed for the export of a table: its caption without the count, as a file name.
QString exportFileName(const QString& caption)
{
    QString name = caption.section(QLatin1Char('{'), 0, 0).simplified();
    static const QString unsafe = QStringLiteral("\\/:*?\"<>|");
    for (QChar& c : name) {
        if (unsafe.contains(c))
            c = QLatin1Char('-');
    }
    return (name.isEmpty() ? QStringLiteral("tabla") : name) + QStringLiteral(".txt");
}

QString oneLineCaption(QString caption)
{
    caption.replace(QLatin1String("\r\n"), QLatin1String(" "));
    caption.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return caption;
}

// The size of the font the geometry of a table is drawn for: its positions grow and shrink with the size
// printed.
constexpr int ReferencePoints = 11;
// The rows of a table measured for the width of its dates and numbers, besides their widest forms.
constexpr int MeasuredRows = 200;

layout::CellKind cellKind(int type, const QString& format)
{
    if (format.contains(QLatin1Char('#')))
        return layout::CellKind::Number;
    if (type == db::jettype::Date || db::jettype::isNumeric(type))
        return layout::CellKind::Whole;
    return layout::CellKind::Text;
}

// The widest and the narrowest value of the numeric columns of the statement, as the database finds them;
// an empty list when it cannot tell (the texts of the first rows then measure the column alone).
QVariantList numericExtremes(Session& session, const db::Recordset& recordset, const QList<int>& columns)
{
    // A crosstab cannot be read as a table of its own: its first rows measure it.
    if (columns.isEmpty() || !session.database.CurrentDatabase ||
        recordset.sql().trimmed().startsWith(QLatin1String("TRANSFORM"), Qt::CaseInsensitive))
        return {};
    QStringList aggregates;
    for (int column : columns) {
        QString name = recordset.field(column).name;
        if (name.contains(QLatin1Char(']')))
            return {};
        if (!name.startsWith(QLatin1Char('[')))
            name = QLatin1Char('[') + name + QLatin1Char(']');
        aggregates << QStringLiteral("Max(%1)").arg(name) << QStringLiteral("Min(%1)").arg(name);
    }
    const QString statement = QStringLiteral("SELECT ") + aggregates.join(QStringLiteral(", ")) +
                              QStringLiteral(" FROM (") + recordset.sql() + QStringLiteral(")");
    db::DbError error;
    auto rows = db::RowCursor::open(*session.database.CurrentDatabase, statement, error);
    if (!rows || !rows->next() || rows->fieldCount() != aggregates.size()) {
        if (!error.ok() || (rows && !rows->error().ok())) {
            const db::DbError& failed = rows ? rows->error() : error;
            maintenance::appendErrorLog(session, failed.number,
                                        QStringLiteral("widest values not known: ") + failed.description,
                                        QStringLiteral("RepImp"));
        }
        return {};
    }
    QVariantList extremes;
    for (int index = 0; index < rows->fieldCount(); ++index)
        extremes.append(rows->value(index));
    return extremes;
}

// For each column, the texts of which the widest sets the column's width on paper: for dates their widest
// form (each month's name, the widest digits), for numbers the largest and the smallest value of the whole
// statement, and for both the values of the first rows as the grid shows them. Text columns keep their share
// of the grid and measure nothing.
QList<QStringList> widestValues(Session& session, const engine::GridView& view, const QStringList& formats,
                                const QList<layout::CellKind>& kinds)
{
    const engine::GridModel& model = *view.model();
    QList<QStringList> widest(kinds.size());
    QList<int> numeric;
    for (int column = 0; column < kinds.size(); ++column) {
        if (kinds.at(column) == layout::CellKind::Text)
            continue;
        const int type = model.field(column).type;
        if (type == db::jettype::Date) {
            for (int month = 1; month <= 12; ++month)
                widest[column].append(engine::formatValue(
                    QDateTime(QDate(2888, month, 28), QTime(20, 58, 58)), formats.at(column)));
        } else if (db::jettype::isNumeric(type)) {
            numeric.append(column);
        }
        const qint64 rows = std::min<qint64>(model.recordCount(), MeasuredRows);
        for (int row = 0; row < rows; ++row)
            widest[column].append(model.cellText(row, column));
    }
    if (const db::Recordset* recordset = view.recordset()) {
        const QVariantList extremes = numericExtremes(session, *recordset, numeric);
        for (int index = 0; index < extremes.size(); ++index) {
            const int column = numeric.at(index / 2);
            widest[column].append(engine::formatValue(extremes.at(index), formats.at(column)));
        }
    }
    return widest;
}

// The width of each column's widest text in the printer's font.
QList<int> neededWidths(const QList<QStringList>& widest, const std::function<int(const QString&)>& width)
{
    QList<int> needed;
    for (const QStringList& texts : widest) {
        int most = 0;
        for (const QString& text : texts)
            most = std::max(most, width(text));
        needed.append(most);
    }
    return needed;
}

} // namespace

QString printFolder(const Session& session)
{
    if (!session.shell.printFolder.isEmpty())
        return session.shell.printFolder;
    return session.shell.WorkingFolder.absoluteFilePath(QStringLiteral("impresiones"));
}

QString newPdfPath(const Session& session)
{
    const QDir folder(printFolder(session));
    const QString stem =
        QStringLiteral("impresion-") + Clock::now().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString path = folder.absoluteFilePath(stem + QStringLiteral(".pdf"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder.absoluteFilePath(stem + QLatin1Char('-') + QString::number(n) + QStringLiteral(".pdf"));
    return path;
}

bool interactive(const Session& session)
{
    return !session.transcript.isOn() && session.wait.standIn() == nullptr;
}

bool deliverJob(Session& session, PrintJob& job)
{
    if (!job.finish())
        return false;
    session.transcript.write(QStringLiteral("print"), QDir::toNativeSeparators(job.path()) +
                                                          QLatin1Char(' ') +
                                                          QString::number(job.pageCount()));
    if (!interactive(session))
        return true;
    // The preview, from which the user sends the pages to a printer (the PDF is already written).
    QPrinter printer(QPrinter::HighResolution);
    auto preview = std::make_unique<QPrintPreviewDialog>(&printer, session.k);
    preview->setWindowTitle(QStringLiteral("Vista previa: ") + QDir::toNativeSeparators(job.path()));
    QObject::connect(preview.get(), &QPrintPreviewDialog::paintRequested,
                     [&job](QPrinter* target) { job.replay(*target); });
    bool finished = false;
    QObject::connect(preview.get(), &QDialog::finished, [&finished] { finished = true; });
    preview->open();
    WaitContext context{
        WaitKind::Screen, QStringLiteral("la vista previa de la impresión"), preview.get(), {}};
    session.wait.forUser([&finished] { return finished; }, context);
    return true;
}

void printPicture(Session& session, const QImage& picture)
{
    for (;;) {
        PrintJob job(newPdfPath(session), interactive(session));
        job.setLandscape(picture.width() > picture.height());
        const double scale = std::min(static_cast<double>(job.pageWidth()) / std::max(1, picture.width()),
                                      static_cast<double>(job.pageHeight()) / std::max(1, picture.height()));
        const int width = static_cast<int>(picture.width() * scale);
        const int height = static_cast<int>(picture.height() * scale);
        if (job.image((job.pageWidth() - width) / 2, (job.pageHeight() - height) / 2, width, height,
                      picture) &&
            deliverJob(session, job))
            return;
        maintenance::appendErrorLog(session, 68, job.failure(), QStringLiteral("GrafEst"));
        job.discard();
        const int answer = panels::MessageBox(
            session,
            layout::printerProblemText(
                QStringLiteral("No se puede escribir la impresión en ") +
                QDir::toNativeSeparators(printFolder(session)) +
                QStringLiteral(". Revise que la carpeta exista, que se pueda escribir en "
                               "ella y que haya espacio en el disco.")),
            QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Warning, QStringLiteral("IMPRESORA"));
        if (answer != QMessageBox::Retry)
            return;
    }
}

FontChoice choosePrintFont(const QStringList& families)
{
    const QStringList preferred{QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"),
                                QStringLiteral("MS Serif"), QStringLiteral("DejaVu Serif")};
    for (const QString& wanted : preferred) {
        for (const QString& family : families) {
            if (family.contains(wanted, Qt::CaseInsensitive))
                return {family, false};
        }
    }
    return {families.value(0), true};
}

RepImp::RepImp() = default;

RepImp::~RepImp() = default;

void RepImp::run(Session& session, const QString& command)
{
    session.errors.RoutineName = QStringLiteral("RepImp");
    const QString which = command.toUpper();
    if (command == QLatin1String("Ini") || command == QLatin1String("Fin")) {
        m_panelChoice.reset();
    } else {
        // A panel's print goes on with "Top" and "Tab" for the table under it: the one answer given for the
        // panel holds for them (a table printed alone is asked for itself).
        const bool followsPanel =
            m_panelChoice && (which == QLatin1String("TOP") || which == QLatin1String("TAB"));
        const Choice choice = followsPanel ? *m_panelChoice : askPrintOrExport(session);
        if (which == QLatin1String("PANEL"))
            m_panelChoice = choice;
        else if (which == QLatin1String("TAB"))
            m_panelChoice.reset();
        switch (choice) {
        case Choice::Cancel:
            return;
        case Choice::Export:
            if (!followsPanel)
                exportTable(session);
            return;
        case Choice::Print:
            break;
        }
    }
    if (which == QLatin1String("INI"))
        start(session);
    else if (which == QLatin1String("TOP"))
        top(session);
    else if (which == QLatin1String("PANEL"))
        panel(session);
    else if (which == QLatin1String("TAB"))
        table(session);
    else if (which == QLatin1String("FIN"))
        finish(session);
}

RepImp::Choice RepImp::askPrintOrExport(Session& session)
{
    const int answer = panels::MessageBox(
        session, QStringLiteral("¿Imprime, Exporta ó Cancela?   Imprime=Si, Exporta=No"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question, PrintOrExportTitle);
    if (answer == QMessageBox::Yes)
        return Choice::Print;
    if (answer == QMessageBox::No)
        return Choice::Export;
    return Choice::Cancel;
}

void RepImp::exportTable(Session& session)
{
    engine::GridView* view = session.engine.grid.get();
    db::Recordset* recordset = view ? view->recordset() : nullptr;
    if (!recordset || !view->isShown() || !session.database.CurrentDatabase) {
        panels::MessageBox(session, QStringLiteral("No hay una tabla en pantalla que se pueda exportar."));
        return;
    }
    session.dialog.ValidationMessage = QStringLiteral("Elige el nombre y lugar para el archivo");
    session.dialog.VarGroup = QStringLiteral("*.txt|*.txt");
    session.shell.CurrentFile = session.shell.WorkingFolder.absoluteFilePath(exportFileName(view->caption()));
    const QString name = engine::services(session).Disco(session, QStringLiteral("DirGra"));
    session.dialog.VarGroup.clear();
    if (name.trimmed().isEmpty())
        return;
    if (QFileInfo::exists(name)) {
        const int answer = panels::MessageBox(session,
                                              QStringLiteral("El archivo ") + name +
                                                  QStringLiteral(" ya existe.  ¿Desea substituirlo?"),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Question);
        if (answer != QMessageBox::Yes)
            return;
    }
    db::DbError error;
    auto rows = db::RowCursor::open(*session.database.CurrentDatabase, recordset->sql(), error);
    ExportResult result;
    if (rows) {
        QStringList captions;
        for (int column = 0; column < rows->fieldCount(); ++column)
            captions.append(view->model() ? view->model()->caption(column) : QString());
        notice(session, view->caption() + QStringLiteral(" Exportando "));
        Progress progress(session, QStringLiteral("Exportando ") + QFileInfo(name).fileName(),
                          recordset->recordCount());
        result = writeTsv(*rows, captions, name, [&progress](qint64 done) { return progress.advance(done); });
        removeNotice(session);
    } else {
        result.failure = error.description;
    }
    if (result.written) {
        session.transcript.write(QStringLiteral("file"), QDir::toNativeSeparators(name));
        panels::MessageBox(session, QStringLiteral("Grabado el archivo: ") + name);
    } else if (result.cancelled) {
        panels::MessageBox(session, QStringLiteral("Se canceló la exportación: el archivo ") + name +
                                        QStringLiteral(" no se grabó."));
    } else {
        maintenance::appendErrorLog(session, 75, result.failure, QStringLiteral("RepImp"));
        panels::MessageBox(
            session,
            QStringLiteral("No se pudo grabar el archivo ") + name +
                QStringLiteral(".\nRevise que la carpeta exista, que se pueda escribir en ella y "
                               "que haya espacio en el disco, y vuelva a exportar."),
            QMessageBox::Ok, QMessageBox::Warning);
    }
}

PrintJob& RepImp::job(Session& session)
{
    if (!m_job) {
        if (m_family.isEmpty())
            m_family = choosePrintFont(QFontDatabase::families()).family;
        m_job = std::make_unique<PrintJob>(newPdfPath(session), interactive(session));
        setSize(m_points);
    }
    return *m_job;
}

void RepImp::setSize(int points, bool bold)
{
    m_points = points;
    if (!m_job)
        return;
    QFont font(m_family);
    font.setPointSize(points);
    font.setBold(bold);
    m_job->setFont(font);
    m_lineHeight = m_job->lineHeight();
}

void RepImp::start(Session& session)
{
    discard();
    m_panelPosition = 200;
    m_top = false;
    m_y = 0;
    const FontChoice choice = choosePrintFont(QFontDatabase::families());
    m_family = choice.family;
    if (choice.warn) {
        panels::MessageBox(
            session, QStringLiteral("No estan instaladas las Fuentes 'Arial Narrow' ó 'MS Serif', que dan "
                                    "mas calidad"));
    }
    m_points = layout::LargestFont;
    job(session);
}

void RepImp::top(Session&)
{
    m_panelPosition = m_y;
    m_top = true;
}

bool RepImp::printerProblem(Session& session)
{
    const QString raw = m_job ? m_job->failure() : QString();
    maintenance::appendErrorLog(session, 68, raw, QStringLiteral("RepImp"));
    const QString message =
        QStringLiteral("No se puede escribir la impresión en ") +
        QDir::toNativeSeparators(m_job ? m_job->path() : printFolder(session)) +
        QStringLiteral(
            ". Revise que la carpeta exista, que se pueda escribir en ella y que haya espacio en el "
            "disco.");
    const int answer = panels::MessageBox(session, layout::printerProblemText(message),
                                          QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Warning,
                                          QStringLiteral("IMPRESORA"));
    discard();
    removeNotice(session);
    return answer == QMessageBox::Retry;
}

void RepImp::panel(Session& session)
{
    QWidget* frame = session.k ? session.k->fixedPanel() : nullptr;
    if (!frame || !frame->isVisible())
        return;
    for (;;) {
        notice(session, QStringLiteral("Imprimiendo"));
        PrintJob& printer = job(session);
        const int left = 300;
        bool written = true;
        if (layout::panelNeedsNewPage(m_y, printer.pageHeight())) {
            written = printer.newPage();
            m_panelPosition = 200;
            m_y = 100;
            QString caption;
            if (auto view = session.engine.panel)
                caption = view->caption();
            written = written && printer.text(1000, m_y, caption.toUpper());
        }
        QList<layout::PlacedText> texts;
        if (const QWidget* form = paperForm(*frame)) {
            QList<layout::PanelElement> headings;
            QList<layout::PanelField> fields;
            panelOverForm(*frame, *form, headings, fields);
            texts = layout::placePanel(headings, m_panelPosition) +
                    layout::placePanelFields(fields, m_panelPosition, [&printer](const QString& text) {
                        return printer.textWidth(text);
                    });
        } else {
            texts = layout::placePanel(panelElements(*frame), m_panelPosition);
        }
        int bottom = m_y;
        for (const layout::PlacedText& text : texts) {
            written = written && printer.text(text.x, text.y, text.text);
            bottom = std::max(bottom, text.y + m_lineHeight);
        }
        m_y = bottom + m_lineHeight;
        // The rule as wide as the panel, within the paper.
        QString rule = layout::panelRule(twips::fromPixels(frame->width()));
        while (!rule.isEmpty() && left + printer.textWidth(rule) > printer.pageWidth())
            rule.chop(1);
        written = written && printer.text(left, m_y, rule);
        m_y += m_lineHeight;
        if (!written) {
            if (printerProblem(session))
                continue;
            return;
        }
        m_panelPosition = m_y - 70;
        removeNotice(session);
        return;
    }
}

void RepImp::printPageHeading(Session& session, const QString& caption, const QStringList& captions,
                              const QList<int>& positions, int right)
{
    PrintJob& printer = *m_job;
    const int points = m_points;
    int x = layout::RowMargin;
    const QImage logo = companyLogo(session);
    const int top = m_y;
    if (!logo.isNull()) {
        const int height = 3 * m_lineHeight;
        const int width = layout::logoWidth(logo.width(), logo.height(), m_lineHeight);
        printer.image(layout::RowMargin, top, width, height, logo);
        x += width + 100;
    }
    setSize(points, true);
    printer.text(x, top, layout::headingText(session.shell.company(1), session.shell.company(2)));
    const QString page = layout::pageText(panels::TodayText(), printer.page());
    const int pageRight = std::max(right + layout::RowMargin, printer.pageWidth());
    printer.text(pageRight - printer.textWidth(page), top, page);
    printer.text(x, top + m_lineHeight, QStringLiteral("   ") + layout::headingCaption(caption));
    setSize(points);
    m_y = top + (logo.isNull() ? 2 : 3) * m_lineHeight + 60;
    for (int column = 0; column < captions.size(); ++column)
        printer.text(positions.at(column) + layout::RowMargin, m_y, captions.at(column));
    m_y += m_lineHeight + 20;
    printer.line(layout::RowMargin + positions.value(0), m_y, right, m_y);
    m_y += 20;
}

void RepImp::table(Session& session)
{
    engine::GridView* view = session.engine.grid.get();
    engine::GridModel* model = view ? view->model() : nullptr;
    if (!view || !view->isShown() || !model)
        return;
    // The rows printed are those of the grid, as it shows them (read through its own recordset, a page at a
    // time), never the statement run again: rows changed meanwhile elsewhere do not change the list shown.
    const qint64 total = model->recordCount();
    if (total <= 0) {
        panels::MessageBox(session, QStringLiteral("No hay Registros"));
        view->hide();
        return;
    }
    const QString caption = view->caption();
    notice(session, caption + QStringLiteral("Imprimiendo "));
    const int columns = model->columnCount();
    QList<int> widths;
    QStringList captions;
    QStringList formats;
    QList<layout::CellKind> kinds;
    const bool readOnly = !view->allowsUpdates();
    for (int column = 0; column < columns; ++column) {
        widths.append(view->columnWidthTwips(column));
        captions.append(oneLineCaption(model->caption(column)));
        const engine::FieldRow& field = model->field(column);
        formats.append(engine::gridColumnFormat(field.type, field.format, readOnly));
        kinds.append(cellKind(field.type, formats.last()));
    }
    const QList<QStringList> widest = widestValues(session, *view, formats, kinds);
    PrintJob& printer = job(session);
    const auto width = [&printer](const QString& text) { return printer.textWidth(text); };
    const int gridWidth = view->geometryTwips().width();
    // The grid's columns carried onto paper, each date and number given the room its widest value takes in
    // the printer's font (measured at the size the geometry is drawn for).
    setSize(ReferencePoints);
    layout::ColumnPositions positions = layout::widenedPositions(
        layout::columnPositions(view->columnLeftTwips(0), widths, gridWidth, printer.pageWidth()),
        neededWidths(widest, width));
    switch (layout::fitPaper(positions.right(), printer.portraitWidth(), printer.landscapeWidth())) {
    case layout::Fit::Portrait:
        break;
    case layout::Fit::Landscape:
        printer.setLandscape(true);
        break;
    case layout::Fit::TooWide: {
        printer.setLandscape(true);
        const int answer = panels::MessageBox(
            session,
            QStringLiteral(
                "La Tabla excede las Dimensiones del Papel.   Puede reducir el ancho de Columnas o "
                "imprimir en hojas múltiples\n¿Desea reducir ancho de Columnas?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning, QStringLiteral("AVISO"));
        if (answer == QMessageBox::Yes) {
            removeNotice(session);
            return;
        }
        break;
    }
    }
    const int paperWidth = printer.pageWidth();
    setSize(layout::printedFontSize(paperWidth, positions.right()));
    // A font does not always scale in step with its size: measured again at the size printed.
    positions =
        layout::widenedPositions(layout::scaledPositions(positions, m_points), neededWidths(widest, width));
    const int right = positions.right();
    if (right > layout::WidestReport) {
        panels::MessageBox(session,
                           QStringLiteral("No es posible imprimirlo.  El ancho del reporte abarca ") +
                               QString::number(layout::pageWidthsNeeded(right, paperWidth)) +
                               QStringLiteral(" páginas"));
        discard();
        removeNotice(session);
        return;
    }

    if (m_top) {
        // The table continues the sheet below what was printed: only its captions.
        for (int column = 0; column < captions.size(); ++column)
            printer.text(positions.x.at(column) + layout::RowMargin, m_y, captions.at(column));
        m_y += m_lineHeight + 20;
        printer.line(layout::RowMargin + positions.x.at(0), m_y, right, m_y);
        m_y += 20;
        m_top = false;
    } else {
        if (m_job->started() && m_y > 100)
            printer.newPage();
        m_y = 100;
        printPageHeading(session, caption, captions, positions.x, right);
    }
    Progress progress(session, caption + QStringLiteral("Imprimiendo "), total);
    qint64 done = 0;
    bool cancelled = false;
    for (qint64 row = 0; !cancelled && row < total; ++row) {
        for (int column = 0; column < columns; ++column) {
            const layout::CellPlacement cell = layout::placeCell(
                positions, column, model->cellText(static_cast<int>(row), column), kinds.at(column), width);
            if (cell.printed)
                printer.text(cell.x, m_y, cell.text);
        }
        m_y += m_lineHeight + 20;
        printer.line(layout::RowMargin + positions.x.at(0), m_y, right, m_y);
        m_y += 20;
        if (!printer.failure().isEmpty())
            break;
        ++done;
        if (done % 256 == 0 && !progress.advance(done))
            cancelled = true;
        if (row + 1 < total && layout::pageFull(m_y + m_lineHeight, printer.pageHeight())) {
            printer.newPage();
            if (layout::asksToGoOn(printer.pageCount())) {
                const int answer =
                    panels::MessageBox(session, QStringLiteral("Imprime siguientes 10 páginas"),
                                       QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question,
                                       QStringLiteral("Impresión"));
                if (answer != QMessageBox::Ok)
                    break;
            }
            m_y = 100;
            printPageHeading(session, caption, captions, positions.x, right);
        }
    }
    if (!printer.failure().isEmpty()) {
        if (printerProblem(session))
            table(session);
        return;
    }
    send(session);
    removeNotice(session);
}

void RepImp::finish(Session& session)
{
    if (!m_job || !m_job->started()) {
        discard();
        m_panelPosition = 200;
        return;
    }
    notice(session, QStringLiteral("Termina Impresión de Datos"));
    send(session);
    m_panelPosition = 200;
    removeNotice(session);
}

void RepImp::send(Session& session)
{
    if (!m_job || !m_job->started())
        return;
    m_y = 0;
    if (!deliverJob(session, *m_job)) {
        printerProblem(session);
        return;
    }
    m_job.reset();
}

void RepImp::discard()
{
    if (m_job)
        m_job->discard();
    m_job.reset();
    m_y = 0;
}

} // namespace quelmar::output
