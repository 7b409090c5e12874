// The office program: quelmar [--dir FOLDER] [--script FILE] [--transcript FILE] [--print-to DIR]
#include "app/automation/commandline.h"
#include "app/automation/script.h"
#include "app/automation/scriptdriver.h"
#include "office/office.h"
#include "panels/mainform.h"
#include "session/session.h"
#include "shell/startup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
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
using quelmar::automation::CommandLine;

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

// Without a display a scripted session runs offscreen.
void prepareEnvironment(const CommandLine& options)
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
    // Every path of the command line is taken from the folder the program was started from, before the
    // working folder is made current.
    QString problem;
    const std::optional<CommandLine> options =
        quelmar::automation::readCommandLine(argumentsOf(argc, argv), QDir::current(), &problem);
    if (!options) {
        printError(problem);
        return BadInput;
    }

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
    const QString folder = options->folder;
    session.shell.WorkingFolder = QDir(folder);
    session.shell.printFolder =
        options->printFolder.isEmpty() ? folder + QStringLiteral("/impresiones") : options->printFolder;
    session.exitProcess = [](int code) { endProcess(code); };

    if ((script || !options->transcript.isEmpty()) && !session.transcript.open(options->transcript)) {
        printError(QStringLiteral("No se puede escribir la transcripción: ") + options->transcript);
        return BadInput;
    }
    QDir::setCurrent(folder);
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
