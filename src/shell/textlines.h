#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Text files as lists of lines, without the file system: how a file's bytes become lines, how a section is
// cut out of them, and how a file filter is written for the file dialog.
namespace quelmar::shell {

inline constexpr int FirstLineBufferSize = 5000;
inline constexpr int LineBufferGrowth = 500;
inline constexpr int MaxFileLines = 32767; // the line count is a 16-bit value

// The lines of a text read line by line into a buffer of FirstLineBufferSize lines that grows by
// LineBufferGrowth whenever it is full. A text of more than MaxFileLines lines overflows: its first
// MaxFileLines lines are kept.
struct LineBuffer
{
    QStringList lines;
    int capacity = 0; // the buffer's size before it was cut down to the lines read
    int growths = 0;
    bool overflow = false;
};

// Lines end at CR LF, LF or CR; a last line without an end counts, an end at the very end adds no empty line.
LineBuffer readLines(const QString& text);

// A file's text: UTF-8 when the bytes are valid UTF-8 (a byte-order mark is dropped), otherwise the Windows
// code page of older office files.
QString decodeText(const QByteArray& bytes);

// The section named `name` of the lines of a file: the lines after the first line whose trimmed text equals
// the name, up to the first line that begins with "&&", blank lines left out, at most `limit` lines (at least
// one).
QStringList sectionLines(const QStringList& fileLines, const QString& name, int limit);

// A file filter of the program ("Description|*.txt", several such pairs, or a bare "*.txt;*.csv") as the name
// filters of the file dialog ("Description (*.txt)").
QStringList dialogNameFilters(const QString& filter);

} // namespace quelmar::shell
