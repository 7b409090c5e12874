// The office program: quelmar [--dir FOLDER] [--script FILE] [--transcript FILE] [--print-to DIR]
#include "app/automation/script.h"
#include "app/automation/scriptdriver.h"
#include "office/office.h"
#include "panels/mainform.h"
#include "session/session.h"
#include "shell/startup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

using quelmar::automation::BadInput;

struct Options
{
    QString folder;
    QString script;
    QString transcript;
    QString printFolder;
};

QStringList argumentsOf(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

void printError(const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stderr);
}

// The options of the command line; nothing (and the usage on standard error) when they are not valid.
std::optional<Options> readOptions(const QStringList& arguments)
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
        printError(parser.errorText().isEmpty() ? QStringLiteral("Argumentos de más: ") +
                                                      parser.positionalArguments().join(QLatin1Char(' '))
                                                : parser.errorText());
        // Read before the application exists, the parser does not know the program's name.
        printError(parser.helpText().replace(QLatin1String("<executable_name>"), QLatin1String("quelmar")));
        return std::nullopt;
    }
    Options options;
    options.folder = parser.isSet(dir) ? parser.value(dir) : QDir::currentPath();
    options.script = parser.value(script);
    options.transcript = parser.value(transcript);
    options.printFolder = parser.value(printTo);
    if (!QFileInfo(options.folder).isDir()) {
        printError(QStringLiteral("No existe la carpeta de trabajo: ") + options.folder);
        return std::nullopt;
    }
    return options;
}

// Without a display a scripted session runs offscreen.
void prepareEnvironment(const Options& options)
{
    if (!options.script.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = QDir::tempPath() + QStringLiteral("/quelmar-runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    }
}

void installSpanish(QApplication& application, QTranslator& translator)
{
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    if (translator.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        application.installTranslator(&translator);
}

// Ends the process with the status once the transcript is on disk.
[[noreturn]] void endProcess(int status)
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::exit(status);
}

} // namespace

int main(int argc, char** argv)
{
    const std::optional<Options> options = readOptions(argumentsOf(argc, argv));
    if (!options)
        return BadInput;

    std::optional<quelmar::automation::Script> script;
    if (!options->script.isEmpty()) {
        QString error;
        script = quelmar::automation::Script::load(options->script, &error);
        if (!script) {
            printError(error);
            return BadInput;
        }
    }

    prepareEnvironment(*options);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quelmar"));
    QTranslator translator;
    installSpanish(application, translator);

    quelmar::Session session;
    quelmar::office::install(session);
    const QString folder = QDir(options->folder).absolutePath();
    session.shell.WorkingFolder = QDir(folder);
    QDir::setCurrent(folder);
    session.shell.printFolder = options->printFolder.isEmpty() ? folder + QStringLiteral("/impresiones")
                                                               : QDir(options->printFolder).absolutePath();
    session.exitProcess = [](int code) { endProcess(code); };

    if ((script || !options->transcript.isEmpty()) && !session.transcript.open(options->transcript)) {
        printError(QStringLiteral("No se puede escribir la transcripción: ") + options->transcript);
        return BadInput;
    }
    std::unique_ptr<quelmar::automation::ScriptDriver> driver;
    if (script) {
        driver =
            std::make_unique<quelmar::automation::ScriptDriver>(session, std::move(*script), &endProcess);
        driver->setShutdown([&session] { quelmar::startup::EndProgram(session, QStringLiteral("F")); });
        driver->install();
    }

    quelmar::MainForm mainForm(session);
    session.k = &mainForm;
    mainForm.onClose = [&session] { quelmar::startup::EndProgram(session, QStringLiteral("F")); };
    if (!quelmar::startup::mainFormLoad(session))
        return driver ? driver->statusAtEnd(0) : 0;
    mainForm.show();
    QTimer::singleShot(0, &mainForm, [&session] { quelmar::startup::ProgramStart(session); });
    return QApplication::exec();
}
