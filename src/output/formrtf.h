#pragma once

#include "output/formrules.h"

#include <QPointer>
#include <QString>

class QTextEdit;

namespace quelmar {
class Session;
}

namespace quelmar::output {

// `FormRTF`: a panel laid over a paper form. The form is an .rtf document shown behind the panel's fields
// (read by the program's own RTF reader into a read-only text view); each field sits at the place stored for
// it in the document's position file.
//   "Eje"  applies the format named by "Fmt=" + file in the options: the document behind the panel, sized as
//          the position file says, and the panel's controls at their stored places (their captions give way
//          to the form's own). A missing or unreadable document or position file goes to the error report
//          and the panel stays as it was.
//   "Dis"  designs a format for the panel built: the document chosen with the file dialog, a placement
//          control per field dragged with the mouse, "-Alto", "+Alto", "-Ancho", "+Ancho" to size the
//          document, "&Acepta" to write the position file (through a temporary file, so a failed write never
//          leaves half a file), "&Cancela" to leave it; then the panel is taken away.
//   "Pos"  the stored place of a field as ten digits.
class FormRtf
{
public:
    void run(Session& session, const QString& command, int fieldNumber, QString& text);

    const QList<formrules::Placement>& positions() const { return m_positions; }

private:
    void apply(Session& session, int fieldCount, const QString& options);
    QString design(Session& session, int fieldCount);
    QTextEdit* showDocument(Session& session, const QString& path, int left, int top, int width, int height);

    QList<formrules::Placement> m_positions;
    QPointer<QTextEdit> m_document;
};

} // namespace quelmar::output
