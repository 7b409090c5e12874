#include "output/printjob.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <cmath>

namespace quelmar::output {

namespace {

constexpr double TwipsPerInch = 1440.0;
// The margins the printer keeps free around the printable area, in millimetres.
constexpr double MarginMillimetres = 8.0;

QPageLayout pageLayout(bool landscape)
{
    return QPageLayout(QPageSize(QPageSize::Letter),
                       landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(MarginMillimetres, MarginMillimetres, MarginMillimetres, MarginMillimetres),
                       QPageLayout::Millimeter);
}

int twipsOf(double inches)
{
    return static_cast<int>(std::lround(inches * TwipsPerInch));
}

} // namespace

PrintJob::PrintJob(QString pdfPath, bool keepPages)
    : m_path(std::move(pdfPath)), m_keepPages(keepPages),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    m_printer->setOutputFormat(QPrinter::PdfFormat);
    m_printer->setOutputFileName(m_path);
    m_printer->setPageLayout(pageLayout(false));
    m_printer->setCreator(QStringLiteral("Quelmar"));
}

PrintJob::~PrintJob()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
}

void PrintJob::setLandscape(bool landscape)
{
    m_landscape = landscape;
    m_printer->setPageLayout(pageLayout(landscape));
}

int PrintJob::pageWidth() const
{
    return m_landscape ? landscapeWidth() : portraitWidth();
}

int PrintJob::pageHeight() const
{
    return twipsOf(pageLayout(m_landscape).paintRect(QPageLayout::Inch).height());
}

int PrintJob::portraitWidth() const
{
    return twipsOf(pageLayout(false).paintRect(QPageLayout::Inch).width());
}

int PrintJob::landscapeWidth() const
{
    return twipsOf(pageLayout(true).paintRect(QPageLayout::Inch).width());
}

void PrintJob::setFont(const QFont& font)
{
    m_font = font;
}

int PrintJob::textWidth(const QString& text) const
{
    const QFontMetricsF metrics(m_font, m_printer.get());
    return static_cast<int>(
        std::lround(metrics.horizontalAdvance(text) * TwipsPerInch / m_printer->resolution()));
}

int PrintJob::lineHeight() const
{
    const QFontMetricsF metrics(m_font, m_printer.get());
    return static_cast<int>(std::lround(metrics.height() * TwipsPerInch / m_printer->resolution()));
}

bool PrintJob::ensurePage()
{
    if (!m_failure.isEmpty())
        return false;
    if (!m_painter) {
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        m_painter = std::make_unique<QPainter>();
        if (!m_painter->begin(m_printer.get())) {
            QFileInfo info(m_path);
            m_failure = info.absoluteDir().exists() ? QStringLiteral("Permission denied: ") + m_path
                                                    : QStringLiteral("Path not found: ") + m_path;
            m_painter.reset();
            return false;
        }
    } else if (!m_pageOpen) {
        if (!m_printer->newPage()) {
            m_failure = QStringLiteral("Device I/O error: ") + m_path;
            return false;
        }
    }
    if (!m_pageOpen) {
        m_pageOpen = true;
        ++m_page;
        if (m_keepPages)
            m_kept.append(KeptPage{m_landscape, {}});
    }
    return true;
}

void PrintJob::keep(Drawing drawing)
{
    const double scale = m_printer->resolution() / TwipsPerInch;
    draw(*m_painter, scale, drawing);
    if (m_keepPages && !m_kept.isEmpty())
        m_kept.last().drawings.append(std::move(drawing));
}

void PrintJob::draw(QPainter& painter, double scale, const Drawing& drawing)
{
    if (const auto* text = std::get_if<Text>(&drawing)) {
        painter.setFont(text->font);
        const QFontMetricsF metrics(text->font, painter.device());
        // The position is the top of the line, as the printer's current position is.
        painter.drawText(QPointF(text->x * scale, text->y * scale + metrics.ascent()), text->text);
    } else if (const auto* line = std::get_if<Line>(&drawing)) {
        painter.setPen(QPen(Qt::black, std::max(1.0, scale * 10)));
        painter.drawLine(QPointF(line->x1 * scale, line->y1 * scale),
                         QPointF(line->x2 * scale, line->y2 * scale));
    } else if (const auto* picture = std::get_if<Picture>(&drawing)) {
        painter.drawImage(
            QRectF(picture->x * scale, picture->y * scale, picture->width * scale, picture->height * scale),
            picture->image);
    }
}

bool PrintJob::text(int x, int y, const QString& text)
{
    if (!ensurePage())
        return false;
    keep(Text{x, y, text, m_font});
    return true;
}

bool PrintJob::line(int x1, int y1, int x2, int y2)
{
    if (!ensurePage())
        return false;
    keep(Line{x1, y1, x2, y2});
    return true;
}

bool PrintJob::image(int x, int y, int width, int height, const QImage& picture)
{
    if (!ensurePage())
        return false;
    keep(Picture{x, y, width, height, picture});
    return true;
}

bool PrintJob::newPage()
{
    if (!m_pageOpen && !ensurePage())
        return false;
    m_pageOpen = false;
    ++m_pagesDone;
    return true;
}

bool PrintJob::finish()
{
    if (!m_painter)
        return m_failure.isEmpty();
    if (m_pageOpen) {
        m_pageOpen = false;
        ++m_pagesDone;
    }
    const bool ended = m_painter->end();
    m_painter.reset();
    if (!ended && m_failure.isEmpty())
        m_failure = QStringLiteral("Device I/O error: ") + m_path;
    // A full disk shows as a file shorter than what was written: a PDF always ends with its trailer.
    if (m_failure.isEmpty()) {
        QFile written(m_path);
        if (!written.open(QIODevice::ReadOnly) || written.size() < 16) {
            m_failure = QStringLiteral("Disk full: ") + m_path;
        } else {
            written.seek(written.size() - 16);
            if (!written.read(16).contains("%%EOF"))
                m_failure = QStringLiteral("Disk full: ") + m_path;
        }
    }
    return m_failure.isEmpty();
}

void PrintJob::discard()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
    m_painter.reset();
    QFile::remove(m_path);
}

void PrintJob::replay(QPrinter& printer) const
{
    QPainter painter;
    bool first = true;
    for (const KeptPage& page : m_kept) {
        printer.setPageOrientation(page.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        if (first) {
            if (!painter.begin(&printer))
                return;
            first = false;
        } else {
            printer.newPage();
        }
        const double scale = printer.resolution() / TwipsPerInch;
        for (const Drawing& drawing : page.drawings)
            draw(painter, scale, drawing);
    }
    if (painter.isActive())
        painter.end();
}

} // namespace quelmar::output
