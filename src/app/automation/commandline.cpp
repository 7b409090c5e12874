#include "app/automation/commandline.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace quelmar::automation {

namespace {

QString fromStart(const QDir& startFolder, const QString& path)
{
    return path.isEmpty() || path == QLatin1String("-") ? path
                                                        : QDir::cleanPath(startFolder.absoluteFilePath(path));
}

} // namespace

std::optional<CommandLine> readCommandLine(const QStringList& arguments, const QDir& startFolder,
                                           QString* problem)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Quelmar, la administración de la oficina."));
    const QCommandLineOption dir(QStringLiteral("dir"),
                                 QStringLiteral("Carpeta de trabajo (la actual si falta)."),
                                 QStringLiteral("FOLDER"));
    const QCommandLineOption script(QStringLiteral("script"),
                                    QStringLiteral("Guion de acciones del usuario."), QStringLiteral("FILE"));
    const QCommandLineOption transcript(
        QStringLiteral("transcript"),
        QStringLiteral("Archivo de la transcripción (la salida estándar si falta)."), QStringLiteral("FILE"));
    const QCommandLineOption printTo(
        QStringLiteral("print-to"),
        QStringLiteral("Carpeta de las impresiones en PDF (impresiones/ si falta)."), QStringLiteral("DIR"));
    parser.addOptions({dir, script, transcript, printTo});
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        if (problem) {
            *problem = parser.errorText().isEmpty() ? QStringLiteral("Argumentos de más: ") +
                                                          parser.positionalArguments().join(QLatin1Char(' '))
                                                    : parser.errorText();
            // Read before the application exists, the parser does not know the program's name.
            *problem += QLatin1Char('\n') + parser.helpText().replace(QLatin1String("<executable_name>"),
                                                                      QLatin1String("quelmar"));
        }
        return std::nullopt;
    }
    CommandLine line;
    line.folder = parser.isSet(dir) ? fromStart(startFolder, parser.value(dir)) : startFolder.absolutePath();
    line.script = fromStart(startFolder, parser.value(script));
    line.transcript = fromStart(startFolder, parser.value(transcript));
    line.printFolder = fromStart(startFolder, parser.value(printTo));
    if (!QFileInfo(line.folder).isDir()) {
        if (problem)
            *problem = QStringLiteral("No existe la carpeta de trabajo: ") + parser.value(dir);
        return std::nullopt;
    }
    return line;
}

} // namespace quelmar::automation
