#include "shell/startup.h"

#include "core/errormessages.h"
#include "db/database.h"
#include "db/recordset.h"
#include "panels/controlpool.h"
#include "panels/errortrap.h"
#include "panels/mainform.h"
#include "panels/reporterror.h"
#include "panels/standardbox.h"
#include "session/errorlog.h"
#include "session/session.h"
#include "shell/accesskeys.h"
#include "shell/companyfile.h"
#include "shell/companyselection.h"
#include "shell/menuform.h"
#include "shell/networkmode.h"
#include "shell/officeservices.h"
#include "shell/showmenu.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <cstdlib>
#include <exception>

namespace quelmar::startup {

namespace {

constexpr QRgb White = 0xFFFFFFFF;

struct ColourScheme
{
    QRgb form;
    QRgb item;
    QRgb panel;
    QRgb field;
};

constexpr ColourScheme FirstScheme{qRgb(11, 11, 139), qRgb(200, 196, 255), qRgb(50, 50, 178),
                                   qRgb(215, 255, 255)};
constexpr ColourScheme SecondScheme{qRgb(72, 76, 128), qRgb(200, 236, 255), qRgb(134, 138, 190),
                                    qRgb(245, 247, 255)};

void setScheme(Session& session, const ColourScheme& scheme)
{
    session.shell.FormColour = scheme.form;
    session.shell.ItemColour = scheme.item;
    session.shell.PanelColour = scheme.panel;
    session.shell.FieldColour = scheme.field;
    ApplyColourScheme(session);
}

// A number as the office program has always written it: a blank before a number that has no sign.
QString withSignPlace(int number)
{
    return number < 0 ? QString::number(number) : QLatin1Char(' ') + QString::number(number);
}

// The user reads the error in Spanish, with what to do; its own description goes to the error log.
void reportEscapedError(Session& session, const RuntimeError& error)
{
    QString shown = error.number != 0 ? errormessages::forNumber(error.number) : error.description;
    if (const QString file = maintenance::fileNamedIn(error.description);
        !file.isEmpty() && error.number != 0)
        shown += QStringLiteral("\nArchivo: ") + file;
    maintenance::appendErrorLog(session, error.number, error.description,
                                error.source.isEmpty() ? QStringLiteral("MenuLoop") : error.source);
    panels::MessageBox(session, QStringLiteral("Ha ocurrido un error.  Conviene que grabe y anote el tipo de "
                                               "problema: ") +
                                    QLatin1Char('\n') + withSignPlace(session.menu.MenuOption) +
                                    QStringLiteral("  ") + shown);
}

// A folder where the lock file belongs holds no running instance (an instance holds a file): an empty one is
// removed, one with anything in it is moved aside under a name of its own, so that the lock can be taken.
void clearFolderFromLockPlace(const QString& lockPath)
{
    const QFileInfo place(lockPath);
    if (!place.isDir() || place.isSymLink())
        return;
    if (QDir().rmdir(lockPath))
        return;
    QFile::rename(lockPath, lockPath + QStringLiteral(".apartada-") +
                                QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

} // namespace

bool mainFormLoad(Session& session)
{
    ShellState& shell = session.shell;
    const QString lockPath = shell.WorkingFolder.absoluteFilePath(shell.AppName + QStringLiteral(".lck"));
    clearFolderFromLockPlace(lockPath);
    auto lock = std::make_unique<QLockFile>(lockPath);
    // The lock lasts as long as this instance runs. A lock file that no running instance holds (left by one
    // that died, or by a power cut: empty, unreadable, or naming a process that is gone) is taken over
    // whatever it holds; the removal fails only while a running instance holds the file.
    lock->setStaleLockTime(0);
    bool taken = lock->tryLock(0);
    if (!taken && lock->error() == QLockFile::LockFailedError && lock->removeStaleLockFile())
        taken = lock->tryLock(0);
    if (!taken && lock->error() == QLockFile::LockFailedError) {
        panels::MessageBox(session, QStringLiteral("Hay otra instancia del Programa, y solo puede haber una"),
                           QMessageBox::Ok, QMessageBox::Warning, QStringLiteral("AVISO"));
        return false;
    }
    shell.InstanceLock = std::move(lock);
    if (session.k) {
        const QScreen* screen = session.k->screen() ? session.k->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            const QRect area = screen->availableGeometry();
            session.k->move(area.left() + (area.width() - session.k->width()) / 2,
                            area.top() + (area.height() - session.k->height()) / 2);
        }
    }
    return true;
}

void ProgramStart(Session& session)
{
    ErrorTrap trap(session, QStringLiteral("ProgramStart"), 0);
    session.wait.letEventsRun();
    session.shell.DebugSwitches = QStringLiteral("1s3456s8901234567890");
    trap.step([&] {
        if (session.k)
            session.k->clearDrawing();
    });
    trap.step([&] { setScheme(session, FirstScheme); });
    session.shell.AppName = QStringLiteral("Quelmar");
    session.shell.NewLine = QStringLiteral("\r\n");
    session.shell.CompanyData.resize(shell::CompanyDataCount);

    // These two may end the program, which no trap may hold up; they report their own failures.
    QString database;
    BDParamElije(session, database, 0);
    QString mode = QStringLiteral("Inicia");
    NetworkMode(session, mode, database);
    trap.step([&] { shell::BDParamLeeAcc(session); });
    trap.step([&] { setScheme(session, SecondScheme); });
    trap.step([&] { shell::ShowMenu(session, QStringLiteral("Ini"), QString()); });
    trap.step([&] { preparePaymentForm(session); });

    for (;;) {
        RuntimeError escaped;
        try {
            shell::officeServices(session).MenuLoop(session);
            escaped.description = QStringLiteral("El menú terminó sin terminar el Programa");
        } catch (const RuntimeError& error) {
            escaped = error;
        } catch (const std::exception& error) {
            escaped = RuntimeError{maintenance::InternalError, QString::fromLocal8Bit(error.what()), {}};
        }
        reportEscapedError(session, escaped);
        panels::ClearElements(session);
        preparePaymentForm(session);
    }
}

void EndProgram(Session& session, const QString& mode)
{
    ErrorTrap trap(session, QStringLiteral("EndProgram"), 0);
    DatabaseState& database = session.database;
    trap.step([&] {
        if (database.CurrentDatabase)
            database.CurrentDatabase->refresh();
    });
    trap.step([&] { database.ParamTable.reset(); });
    trap.step([&] { database.CurrentRecordset.reset(); });
    trap.step([&] { database.WorkRecordset2.reset(); });
    // A panel still on screen holds its own recordset on the database: it goes first.
    trap.step([&] { session.engine.PanelRecordset.reset(); });
    trap.step([&] { database.CurrentDatabase.reset(); });
    // Text files are closed by the routine that opens them, so none is left open here.
    // Closing the main form runs EndProgram("F") from its close event, which ends the process there.
    if (mode.compare(QLatin1String("F"), Qt::CaseInsensitive) != 0 && session.k) {
        if (session.Mn)
            session.Mn->setEnding(true);
        session.k->close();
    }
    trap.step([&] {
        if (session.Mn) {
            session.Mn->setEnding(true);
            session.Mn->hide();
        }
    });
    trap.step([&] { session.shell.InstanceLock.reset(); });
    if (session.exitProcess)
        session.exitProcess(0);
    std::exit(0);
}

void ApplyColourScheme(Session& session)
{
    const QScreen* screen =
        session.k && session.k->screen() ? session.k->screen() : QGuiApplication::primaryScreen();
    applyColourSchemeForDepth(session, screen ? screen->depth() : 24);
}

void applyColourSchemeForDepth(Session& session, int bitsPerPixel)
{
    ErrorTrap trap(session, QStringLiteral("ApplyColourScheme"), 0);
    session.shell.ColourCount = std::pow(2.0, bitsPerPixel);
    const bool fullColour = session.shell.ColourCount > 256;
    trap.step([&] {
        if (session.k)
            session.k->applyColourScheme(session.shell.ColourCount);
    });
    if (fullColour) {
        trap.step([&] {
            if (session.Mn)
                session.Mn->setBackColour(session.shell.PanelColour);
        });
    } else {
        session.shell.FieldColour = White;
    }
}

void preparePaymentForm(Session& session)
{
    shell::officeServices(session).LoadTariffs(session, QStringLiteral("P"));
}

} // namespace quelmar::startup
