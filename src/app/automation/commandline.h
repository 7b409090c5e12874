#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

#include <optional>

namespace quelmar::automation {

// The office program's command line: quelmar [--dir FOLDER] [--script FILE] [--transcript FILE]
// [--print-to DIR].
struct CommandLine
{
    QString folder;      // the working folder, absolute (the folder started from when not given)
    QString script;      // the script file, absolute; empty without a script
    QString transcript;  // the transcript file, absolute; empty for standard output ("-" stays "-")
    QString printFolder; // where print jobs go, absolute; empty for the working folder's impresiones/
};

// Reads the options. Relative paths are taken from startFolder, the folder the program was started from: the
// working folder made current afterwards never changes where a transcript or a print goes. Nothing when the
// command line is not valid; problem then holds what to tell (the fault, then the usage).
std::optional<CommandLine> readCommandLine(const QStringList& arguments, const QDir& startFolder,
                                           QString* problem);

} // namespace quelmar::automation
