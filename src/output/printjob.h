#pragma once

#include <QFont>
#include <QImage>
#include <QList>
#include <QString>

#include <memory>
#include <variant>

class QPainter;
class QPagedPaintDevice;
class QPrinter;

namespace quelmar::output {

// One print job written as a PDF file, drawn in twips. The page and the painter open with the first thing
// drawn, so the orientation may still change until then; later changes apply from the next page. When pages
// are kept (an interactive job, for its preview) every drawing is remembered and can be replayed on another
// printer.
class PrintJob
{
public:
    explicit PrintJob(QString pdfPath, bool keepPages);
    ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    QString path() const { return m_path; }
    // True once something was drawn; the file exists from then on.
    bool started() const { return m_painter != nullptr; }
    // Why the file could not be begun or finished, in the system's words; empty when it could.
    QString failure() const { return m_failure; }

    void setLandscape(bool landscape);
    bool isLandscape() const { return m_landscape; }
    // The printable area of the current orientation, and of either orientation.
    int pageWidth() const;
    int pageHeight() const;
    int portraitWidth() const;
    int landscapeWidth() const;

    // The font of what is drawn next (point size, as the printer takes it) and its measures in twips.
    void setFont(const QFont& font);
    QFont font() const { return m_font; }
    int textWidth(const QString& text) const;
    int lineHeight() const;

    // Drawing, in twips from the top left of the printable area; false when the file cannot be written.
    bool text(int x, int y, const QString& text);
    bool line(int x1, int y1, int x2, int y2);
    bool image(int x, int y, int width, int height, const QImage& picture);
    // Ends the page; the next drawing begins a new one.
    bool newPage();
    int page() const { return m_page; }

    // Closes the file; false when it could not be written whole. The number of pages it holds.
    bool finish();
    int pageCount() const { return m_pagesDone; }
    // Removes the file (a job discarded or not written whole).
    void discard();

    // Draws the kept pages again on another device (the preview's printer), fitted to its pages.
    void replay(QPrinter& printer) const;

private:
    struct Text
    {
        int x, y;
        QString text;
        QFont font;
    };
    struct Line
    {
        int x1, y1, x2, y2;
    };
    struct Picture
    {
        int x, y, width, height;
        QImage image;
    };
    using Drawing = std::variant<Text, Line, Picture>;
    struct KeptPage
    {
        bool landscape = false;
        QList<Drawing> drawings;
    };

    bool ensurePage();
    void keep(Drawing drawing);
    static void draw(QPainter& painter, double scale, const Drawing& drawing);

    QString m_path;
    bool m_keepPages = false;
    bool m_landscape = false;
    bool m_pageOpen = false;
    int m_page = 0;
    int m_pagesDone = 0;
    QFont m_font;
    QString m_failure;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    QList<KeptPage> m_kept;
};

} // namespace quelmar::output
