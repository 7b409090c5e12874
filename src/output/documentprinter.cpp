#include "output/documentprinter.h"

#include "core/clock.h"
#include "output/printjob.h"
#include "output/printlayout.h"
#include "output/repimp.h"
#include "panels/mainform.h"
#include "panels/standardbox.h"
#include "session/errorlog.h"
#include "session/session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>

namespace quelmar::output {

namespace {

constexpr int PointSize = 12;
// Blanks kept free at the right of a printed line.
constexpr int ReserveBlanks = 8;

// "Arial", else its free stand-in, else the default font's family.
QFont documentFont()
{
    const QStringList families = QFontDatabase::families();
    QFont font;
    for (const QString& wanted : {QStringLiteral("Arial"), QStringLiteral("Liberation Sans")}) {
        if (families.contains(wanted, Qt::CaseInsensitive)) {
            font.setFamily(wanted);
            break;
        }
    }
    font.setPointSize(PointSize);
    return font;
}

QStringList pageLines(const QString& text)
{
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normal.replace(u'\r', u'\n');
    return normal.split(u'\n');
}

} // namespace

DocumentPrinter::DocumentPrinter(Session& session, QString name)
    : m_session(session), m_name(std::move(name)),
      m_job(std::make_unique<PrintJob>(newPdfPath(session), interactive(session)))
{
    m_job->setFont(documentFont());
}

DocumentPrinter::~DocumentPrinter() = default;

bool DocumentPrinter::prepare()
{
    if (m_prepared)
        return !m_failed;
    m_prepared = true;
    if (!interactive(m_session))
        return true;
    // The system's print dialog, for the number of copies (the pages go to the preview's printer).
    QPrinter printer(QPrinter::HighResolution);
    auto dialog = std::make_unique<QPrintDialog>(&printer, m_session.k);
    dialog->setWindowTitle(QStringLiteral("Imprime ") + m_name);
    bool finished = false;
    QObject::connect(dialog.get(), &QDialog::finished, [&finished] { finished = true; });
    dialog->open();
    WaitContext context{WaitKind::Screen, QStringLiteral("el diálogo de impresión"), dialog.get(), {}};
    m_session.wait.forUser([&finished] { return finished; }, context);
    if (dialog->result() != QDialog::Accepted) {
        m_failed = true;
        return false;
    }
    m_copies = std::max(1, printer.copyCount());
    return true;
}

int DocumentPrinter::printableWidth() const
{
    return m_job->pageWidth() - m_job->textWidth(QString(ReserveBlanks, u' '));
}

std::function<int(const QString&)> DocumentPrinter::measure() const
{
    const PrintJob* job = m_job.get();
    return [job](const QString& text) { return job->textWidth(text); };
}

bool DocumentPrinter::drawCopy(const QStringList& lines)
{
    const int height = m_job->lineHeight();
    int y = 0;
    for (const QString& line : lines) {
        if (y + height > m_job->pageHeight()) {
            if (!m_job->newPage())
                return false;
            y = 0;
        }
        if (!line.trimmed().isEmpty() && !m_job->text(0, y, line))
            return false;
        y += height;
    }
    return m_job->newPage();
}

bool DocumentPrinter::retryAfterFailure(const QString& message)
{
    maintenance::appendErrorLog(m_session, 68, m_job->failure(), QStringLiteral("FillDocument"));
    m_job->discard();
    const int answer = panels::MessageBox(m_session, layout::printerProblemText(message),
                                          QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Warning,
                                          QStringLiteral("IMPRESORA"));
    return answer == QMessageBox::Retry;
}

bool DocumentPrinter::redrawOnNewJob()
{
    m_job = std::make_unique<PrintJob>(newPdfPath(m_session), interactive(m_session));
    m_job->setFont(documentFont());
    for (const QStringList& copy : std::as_const(m_drawn)) {
        if (!drawCopy(copy))
            return false;
    }
    return true;
}

bool DocumentPrinter::printPage(const QString& text)
{
    if (m_failed || text.isEmpty())
        return !m_failed;
    QStringList lines = pageLines(text);
    // The page text begins with the line break before its first copy.
    if (!lines.isEmpty() && lines.constFirst().isEmpty())
        lines.removeFirst();
    for (int copy = 0; copy < m_copies; ++copy) {
        bool drawn = drawCopy(lines);
        while (!drawn) {
            const QString message = QStringLiteral("No se puede escribir la impresión en ") +
                                    QDir::toNativeSeparators(printFolder(m_session)) +
                                    QStringLiteral(". Revise que la carpeta exista, que se pueda escribir en "
                                                   "ella y que haya espacio en el disco.");
            if (!retryAfterFailure(message)) {
                m_failed = true;
                return false;
            }
            drawn = redrawOnNewJob() && drawCopy(lines);
        }
        m_drawn.append(lines);
    }
    return true;
}

// The text of what was printed beside the PDF, for the office's records.
void DocumentPrinter::writeTextCopy()
{
    QString printed;
    for (const QStringList& copy : std::as_const(m_drawn))
        printed += copy.join(u'\n') + u'\n';
    const QFileInfo pdf(m_job->path());
    const QString textPath = pdf.dir().absoluteFilePath(pdf.completeBaseName() + QLatin1Char('-') + m_name +
                                                        QStringLiteral(".txt"));
    QSaveFile file(textPath);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text) && file.write(printed.toUtf8()) >= 0 &&
        file.commit())
        m_session.transcript.write(QStringLiteral("file"), QDir::toNativeSeparators(textPath));
    else
        maintenance::appendErrorLog(m_session, 75, file.errorString() + QStringLiteral(" | ") + textPath,
                                    QStringLiteral("FillDocument"));
}

void DocumentPrinter::finish()
{
    if (m_failed || !m_job->started())
        return;
    bool delivered = deliverJob(m_session, *m_job);
    while (!delivered && retryAfterFailure(QStringLiteral("No se pudo terminar la impresión en ") +
                                           QDir::toNativeSeparators(m_job->path()) +
                                           QStringLiteral(". Revise el espacio en el disco.")))
        delivered = redrawOnNewJob() && deliverJob(m_session, *m_job);
    if (delivered)
        writeTextCopy();
    m_job = std::make_unique<PrintJob>(newPdfPath(m_session), interactive(m_session));
    m_job->setFont(documentFont());
    m_drawn.clear();
}

} // namespace quelmar::output
