#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace quelmar {
class Session;
}

namespace quelmar::output {

class PrintJob;

// The font of printed tables: the first family that holds "Arial Narrow" or its free stand-in "Liberation
// Sans Narrow", else "MS Serif" or "DejaVu Serif"; else the first family, with warn set (the user is told
// that the better fonts are not installed).
struct FontChoice
{
    QString family;
    bool warn = false;
};
FontChoice choosePrintFont(const QStringList& families);

// Where print jobs go (the --print-to folder of a scripted session, else the working folder's "impresiones"),
// and the path of a new job's PDF file there, named by the time it is made.
QString printFolder(const Session& session);
QString newPdfPath(const Session& session);
// True when a person works the screens: no scripted session and no stand-in acts for the user.
bool interactive(const Session& session);

// Closes the job's file and sends it: the transcript's "[print] path pages" line, and outside a scripted
// session the preview from which the user sends it to a printer. False when the file could not be written.
bool deliverJob(Session& session, PrintJob& job);
// Prints a picture alone on a page, fitted to it in the orientation that suits its proportions.
void printPicture(Session& session, const QImage& picture);

// `RepImp`: prints what the main form shows (the grid's table, the panel) or exports the grid's table as
// tab-separated text. A print job spans the calls from "Ini" to "Fin"; each "Tab" sends what it printed.
// Every job is written as a PDF file in the session's print folder; outside a scripted session it is
// previewed before it goes to the printer.
class RepImp
{
public:
    RepImp();
    ~RepImp();
    RepImp(const RepImp&) = delete;
    RepImp& operator=(const RepImp&) = delete;

    void run(Session& session, const QString& command);

    // Rows beyond which a print or export shows its progress and can be cancelled.
    static constexpr qint64 ProgressRows = 3000;

private:
    enum class Choice
    {
        Print,
        Export,
        Cancel
    };
    Choice askPrintOrExport(Session& session);
    void exportTable(Session& session);
    void start(Session& session);
    void top(Session& session);
    void panel(Session& session);
    void table(Session& session);
    void finish(Session& session);

    // The job of the calls now running, opened on first use.
    PrintJob& job(Session& session);
    // Reports a failure of the job's file in the "IMPRESORA" box: true to retry, false to cancel (the job is
    // then discarded).
    bool printerProblem(Session& session);
    // Sends the job: closes its file, tells the transcript, shows the preview; nothing when nothing was
    // drawn.
    void send(Session& session);
    void discard();
    void printPageHeading(Session& session, const QString& caption, const QStringList& captions,
                          const QList<int>& positions, int right);
    void setSize(int points, bool bold = false);

    // The answer given for the panel now printing, which its "Top" and "Tab" follow.
    std::optional<Choice> m_panelChoice;
    std::unique_ptr<PrintJob> m_job;
    QString m_family;
    int m_points = 12;
    int m_lineHeight = 0;
    int m_panelPosition = 200;
    bool m_top = false;
    int m_y = 0; // the printer's current vertical position
};

} // namespace quelmar::output
