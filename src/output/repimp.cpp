#include "output/repimp.h"

#include "core/clock.h"
#include "db/database.h"
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

// The texts of the panel on `dfija`: its heading, field captions and the values its controls show.
QList<layout::PanelElement> panelElements(const QWidget& frame)
{
    QList<layout::PanelElement> elements;
    const QList<QWidget*> children = frame.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (const QWidget* widget : children) {
        if (!widget->isVisibleTo(&frame) || widget->objectName() == QLatin1String("dato"))
            continue;
        QString text;
        if (const auto* label = qobject_cast<const QLabel*>(widget))
            text = label->text();
        else if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
            text = edit->text();
        else if (const auto* list = qobject_cast<const QListWidget*>(widget))
            text = list->currentItem() ? list->currentItem()->text() : QString();
        else if (const auto* box = qobject_cast<const QCheckBox*>(widget))
            text = box->isChecked() ? QStringLiteral("Sí") : QStringLiteral("No");
        else if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget))
            text = plain->toPlainText();
        else if (const auto* rich = qobject_cast<const QTextEdit*>(widget))
            text = rich->toPlainText();
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        text.remove(QLatin1Char('\r'));
        elements.append({twips::fromPixels(widget->x()), twips::fromPixels(widget->y()), text});
    }
    return elements;
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
    if (command != QLatin1String("Ini") && command != QLatin1String("Fin")) {
        switch (askPrintOrExport(session)) {
        case Choice::Cancel:
            return;
        case Choice::Export:
            exportTable(session);
            return;
        case Choice::Print:
            break;
        }
    }
    const QString which = command.toUpper();
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
    if (!recordset || !session.database.CurrentDatabase) {
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
        const QList<layout::PlacedText> texts = layout::placePanel(panelElements(*frame), m_panelPosition);
        int bottom = m_y;
        for (const layout::PlacedText& text : texts) {
            written = written && printer.text(text.x, text.y, text.text);
            bottom = std::max(bottom, text.y + m_lineHeight);
        }
        m_y = bottom + m_lineHeight;
        written = written && printer.text(left, m_y, layout::panelRule(twips::fromPixels(frame->width())));
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
    printer.text(x, top + m_lineHeight, QStringLiteral("   ") + caption);
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
    if (!view || !view->isShown() || !view->recordset())
        return;
    db::Recordset& recordset = *view->recordset();
    const qint64 total = recordset.recordCount();
    if (total <= 0) {
        panels::MessageBox(session, QStringLiteral("No hay Registros"));
        view->hide();
        return;
    }
    const QString caption = view->caption();
    notice(session, caption + QStringLiteral("Imprimiendo "));
    engine::GridModel* model = view->model();
    const int columns = model ? model->columnCount() : 0;
    QList<int> widths;
    QStringList captions;
    QStringList formats;
    const bool readOnly = !view->allowsUpdates();
    for (int column = 0; column < columns; ++column) {
        widths.append(view->columnWidthTwips(column));
        captions.append(oneLineCaption(model->caption(column)));
        const engine::FieldRow& field = model->field(column);
        formats.append(engine::gridColumnFormat(field.type, field.format, readOnly));
    }
    PrintJob& printer = job(session);
    const int gridWidth = view->geometryTwips().width();
    layout::ColumnPositions positions =
        layout::columnPositions(view->columnLeftTwips(0), widths, gridWidth, printer.pageWidth());
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
    positions = layout::scaledPositions(positions, m_points);
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

    db::DbError error;
    auto rows = session.database.CurrentDatabase
                    ? db::RowCursor::open(*session.database.CurrentDatabase, recordset.sql(), error)
                    : nullptr;
    if (!rows) {
        maintenance::appendErrorLog(session, error.number, error.description, QStringLiteral("RepImp"));
        panels::MessageBox(session,
                           QStringLiteral("No se pudieron leer los registros de la tabla para imprimirlos."),
                           QMessageBox::Ok, QMessageBox::Warning);
        removeNotice(session);
        return;
    }
    const auto width = [&printer](const QString& text) { return printer.textWidth(text); };
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
    while (!cancelled && rows->next()) {
        for (int column = 0; column < columns && column < rows->fieldCount(); ++column) {
            const QString& format = formats.at(column);
            const layout::CellPlacement cell =
                layout::placeCell(positions, column, engine::formatValue(rows->value(column), format),
                                  format.contains(QLatin1Char('#')), width);
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
        if (layout::pageFull(m_y + m_lineHeight, printer.pageHeight())) {
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
