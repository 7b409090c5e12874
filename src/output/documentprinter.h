#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace quelmar {
class Session;
}

namespace quelmar::output {

class PrintJob;

// The printing of filled documents (work orders): a run is prepared once (the font, and the print dialog in
// which the user chooses the number of copies), then pages of text are printed, each once per copy and each
// copy on a page of its own, and at the end the run's job is sent (its "[print]" line and the preview) with a
// text file of what was printed beside it (its "[file]" line). In a scripted session the dialog is not
// shown: one copy.
class DocumentPrinter
{
public:
    // name: what the documents are, for the file names and the preview ("OrdCorte").
    DocumentPrinter(Session& session, QString name);
    ~DocumentPrinter();
    DocumentPrinter(const DocumentPrinter&) = delete;
    DocumentPrinter& operator=(const DocumentPrinter&) = delete;

    // Prepares the run once; false when the user cancelled the print dialog (nothing is then printed).
    bool prepare();
    bool prepared() const { return m_prepared; }
    int copies() const { return m_copies; }

    // The width a printed line may take and the font's measure of a text, in twips: the printable width less
    // a reserve of eight blanks.
    int printableWidth() const;
    std::function<int(const QString&)> measure() const;

    // Prints a page of text (lines broken at CR LF, LF or CR) once per copy; false when the file could not be
    // written and the user cancelled the printing. A failure asks to retry or cancel: a retry starts the
    // run's job again with every copy it held.
    bool printPage(const QString& text);
    // Sends what was printed; nothing when nothing was. A job that cannot be written asks to retry or cancel
    // as printPage does.
    void finish();

private:
    bool drawCopy(const QStringList& lines);
    // After a failure: logged, the job discarded, and the user asked; true to retry.
    bool retryAfterFailure(const QString& message);
    // A new job for the run holding every copy printed so far; false when it could not be written.
    bool redrawOnNewJob();
    void writeTextCopy();

    Session& m_session;
    QString m_name;
    std::unique_ptr<PrintJob> m_job;
    QList<QStringList> m_drawn; // every copy printed in the run's job, for a retry and for the text file
    bool m_prepared = false;
    bool m_failed = false;
    int m_copies = 1;
};

} // namespace quelmar::output
