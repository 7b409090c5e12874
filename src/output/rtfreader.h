#pragma once

#include <QByteArray>
#include <QString>

// A small reader of Rich Text documents (the .rtf image of a paper form laid behind a panel): paragraphs,
// line breaks and tabs; bold, italic and underline; font sizes; centred and right-aligned paragraphs; the
// characters written as \'hh (Windows-1252) or \uN. Destinations it does not show (font and colour tables,
// styles, document information, pictures, "\*" groups) are skipped. The result is HTML for a QTextDocument.
namespace quelmar::output::rtf {

// The document as HTML; empty when the text is not RTF (it does not begin with "{\rtf").
QString toHtml(const QByteArray& rtf);

} // namespace quelmar::output::rtf
