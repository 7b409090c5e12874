#include "shell/disco.h"

#include "panels/errortrap.h"
#include "panels/keyboard.h"
#include "panels/mainform.h"
#include "panels/standardbox.h"
#include "session/session.h"
#include "shell/textlines.h"

#include <QAbstractFileIconProvider>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QStorageInfo>

#include <memory>
#include <utility>

namespace quelmar::shell {

namespace {

// The hourglass while a file is read or written.
class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

RuntimeError fileError(const Session& session, int number, const QString& description, const QString& path)
{
    return RuntimeError{number, description + QStringLiteral(": ") + QDir::toNativeSeparators(path),
                        session.shell.AppName};
}

QString resolved(const Session& session, const QString& file)
{
    return file.isEmpty() ? QString() : session.shell.WorkingFolder.absoluteFilePath(file);
}

// Why a file could not be opened, as a classic run-time error.
RuntimeError openError(const Session& session, const QFileDevice& file, const QString& path, bool writing)
{
    const QFileInfo info(path);
    if (!info.dir().exists())
        return fileError(session, 76, QStringLiteral("Path not found"), path);
    if (!writing && !info.exists())
        return fileError(session, 53, QStringLiteral("File not found"), path);
    if (info.isDir())
        return fileError(session, 75, QStringLiteral("Path/File access error"), path);
    if (file.error() == QFileDevice::PermissionsError)
        return fileError(session, 70, QStringLiteral("Permission denied"), path);
    return fileError(session, 75, QStringLiteral("Path/File access error"), path);
}

enum class DialogPurpose
{
    Open,
    Save,
};

// The answer of a scripted session at a file dialog: the path typed into the name field and INTRO; an empty
// answer presses Cancel.
bool answerFileDialog(QFileDialog& dialog, DialogPurpose purpose, const QString& verb, const QString& text)
{
    if (verb != QLatin1String("answer"))
        return false;
    if (text.isEmpty()) {
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        QPushButton* cancel = buttons ? buttons->button(QDialogButtonBox::Cancel) : nullptr;
        if (cancel)
            cancel->click();
        else
            dialog.reject();
        return true;
    }
    const QString path = QDir(dialog.directory()).absoluteFilePath(text);
    const QFileInfo info(path);
    // The dialog would stop on a warning box of its own for these; they are answers that do not fit.
    if (purpose == DialogPurpose::Open ? !info.isFile() : (info.isDir() || !info.dir().exists()))
        return false;
    if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        panels::keyboard::replaceText(name, path);
        panels::keyboard::press(name, Qt::Key_Return);
    }
    if (dialog.isVisible()) {
        dialog.selectFile(path);
        static_cast<QDialog&>(dialog).accept();
    }
    return !dialog.isVisible();
}

// The file systems of the kernel and of devices: they hold no user files, and reading some of their entries
// (as a dialog does to learn their kinds) blocks for ever.
bool isOrdinaryFolder(const QString& folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    static const QByteArrayList special = {
        "proc",      "sysfs",       "devtmpfs", "devpts",    "debugfs",    "tracefs", "securityfs",
        "cgroup",    "cgroup2",     "pstore",   "bpf",       "configfs",   "fusectl", "mqueue",
        "hugetlbfs", "binfmt_misc", "efivarfs", "selinuxfs", "rpc_pipefs", "nsfs",    "autofs"};
    return !special.contains(QStorageInfo(folder).fileSystemType());
}

// Icons and kinds of files told from their names alone. Qt's own read the first bytes of a file whose name
// says nothing, and reading a kernel file such as a message queue never ends: a dialog or its completion list
// that came across one would hang the program.
class NameOnlyIcons final : public QAbstractFileIconProvider
{
public:
    using QAbstractFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override { return icon(info.isDir() ? Folder : File); }
    QString type(const QFileInfo& info) const override
    {
        if (info.isDir())
            return QStringLiteral("Carpeta");
        return info.suffix().isEmpty() ? QStringLiteral("Archivo")
                                       : QStringLiteral("Archivo ") + info.suffix();
    }
};

// Where a dialog starts, and the file name it proposes. A file or folder named by the caller is taken when
// its folder is an ordinary one; otherwise, and for a file to be saved that the caller proposes in the office
// folder, the dialog starts in the folder the user last saved to (when it is still an ordinary folder) or
// in the office folder.
std::pair<QString, QString> startOf(const Session& session, const QString& start, DialogPurpose purpose)
{
    const QString office = session.shell.WorkingFolder.absolutePath();
    QString folder = office;
    QString name;
    if (!start.isEmpty()) {
        const QFileInfo named(resolved(session, start));
        if (named.isDir()) {
            if (isOrdinaryFolder(named.absoluteFilePath()))
                folder = named.absoluteFilePath();
        } else {
            name = named.fileName();
            if (isOrdinaryFolder(named.absolutePath()))
                folder = named.absolutePath();
        }
    }
    if (purpose == DialogPurpose::Save && QDir(folder) == QDir(office) &&
        isOrdinaryFolder(session.shell.lastSaveFolder))
        folder = session.shell.lastSaveFolder;
    return {folder, name};
}

// One showing of the dialog: the path accepted, or empty when the user cancels.
QString showFileDialog(Session& session, const QString& title, const QString& filter, const QString& start,
                       DialogPurpose purpose)
{
    bool finished = false;
    bool accepted = false;
    // Made in its folder: a dialog made without one starts where Qt remembers any earlier dialog was.
    const auto [folder, name] = startOf(session, start, purpose);
    auto dialog = std::make_unique<QFileDialog>(session.k, title, folder);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    static NameOnlyIcons icons;
    dialog->setIconProvider(&icons);
    dialog->setAcceptMode(purpose == DialogPurpose::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(purpose == DialogPurpose::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = dialogNameFilters(filter);
    if (!filters.isEmpty())
        dialog->setNameFilters(filters);
    dialog->setDirectory(folder);
    if (!name.isEmpty())
        dialog->selectFile(QDir(folder).absoluteFilePath(name));
    QObject::connect(dialog.get(), &QDialog::finished, dialog.get(), [&finished, &accepted](int result) {
        finished = true;
        accepted = result == QDialog::Accepted;
    });

    session.transcript.write(QStringLiteral("input"),
                             title + QStringLiteral(": Archivo = ") + QDir::toNativeSeparators(start));
    dialog->open();
    QFileDialog& shown = *dialog;
    WaitContext context{WaitKind::FileDialog, QStringLiteral("el nombre de un archivo: ") + title,
                        dialog.get(), [&shown, purpose](const QString& verb, const QString& text) {
                            return answerFileDialog(shown, purpose, verb, text);
                        }};
    session.wait.forUser([&finished] { return finished; }, context);
    const QString chosen = accepted ? dialog->selectedFiles().value(0) : QString();
    // What Qt remembers for the next dialog is an ordinary folder, whatever folder this one went through.
    const QString chosenFolder = QFileInfo(chosen).absolutePath();
    dialog->setDirectory(!chosen.isEmpty() && isOrdinaryFolder(chosenFolder) ? chosenFolder : folder);
    return chosen;
}

// A file dialog, window-modal on the main form; the chosen path, or empty when the user cancels. A name that
// no file can have (one holding the character NUL, which would cut it short) is refused and asked again.
QString askFileName(Session& session, const QString& title, const QString& filter, const QString& start,
                    DialogPurpose purpose)
{
    for (;;) {
        const QString chosen = showFileDialog(session, title, filter, start, purpose);
        if (!chosen.contains(QChar(u'\0'))) {
            const QString folder = QFileInfo(chosen).absolutePath();
            if (purpose == DialogPurpose::Save && !chosen.isEmpty() && isOrdinaryFolder(folder))
                session.shell.lastSaveFolder = folder;
            return chosen;
        }
        panels::MessageBox(
            session,
            QStringLiteral("El nombre de archivo escrito lleva un carácter nulo después de «") +
                QDir::toNativeSeparators(chosen.left(chosen.indexOf(QChar(u'\0')))) +
                QStringLiteral("», y ningún archivo puede llevarlo.  Escriba el nombre de nuevo."),
            QMessageBox::Ok, QMessageBox::Warning);
    }
}

// True when the file was read (the lines read are kept even when it overflowed).
bool readCurrentFile(Session& session, ErrorTrap& trap)
{
    session.files.FileLines.clear();
    session.files.FileLineCount = 0;
    const QString path = resolved(session, session.shell.CurrentFile);
    WaitCursor hourglass;
    LineBuffer buffer;
    bool read = false;
    trap.step([&] {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw openError(session, file, path, false);
        buffer = readLines(decodeText(file.readAll()));
        read = true;
    });
    buffer.lines.squeeze();
    session.files.FileLines = buffer.lines;
    session.files.FileLineCount = static_cast<int>(buffer.lines.size());
    if (buffer.overflow)
        trap.step([&] { throw fileError(session, 6, QStringLiteral("Overflow"), path); });
    return read;
}

void writeCurrentFile(Session& session, ErrorTrap& trap)
{
    const QString path = resolved(session, session.shell.CurrentFile);
    WaitCursor hourglass;
    trap.step([&] {
        if (path.isEmpty() || path.contains(QChar(u'\0')))
            throw fileError(session, 52, QStringLiteral("Bad file name or number"), path);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
            throw openError(session, file, path, true);
        for (const QString& line : std::as_const(session.files.FileLines)) {
            if (!line.isEmpty())
                file.write((line + QLatin1Char('\n')).toUtf8());
        }
        if (!file.commit()) {
            if (file.error() == QFileDevice::ResourceError)
                throw fileError(session, 61, QStringLiteral("Disk full"), path);
            throw fileError(session, 75, QStringLiteral("Path/File access error"), path);
        }
    });
    session.dialog.VarGroup.clear();
}

bool readSection(Session& session, ErrorTrap& trap)
{
    const QString path = resolved(session, session.shell.CurrentFile);
    const QString name = session.files.FileLines.value(0);
    const int limit = static_cast<int>(session.files.FileLines.size());
    WaitCursor hourglass;
    QStringList section;
    bool read = false;
    trap.step([&] {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw openError(session, file, path, false);
        section = sectionLines(readLines(decodeText(file.readAll())).lines, name, limit);
        read = true;
    });
    session.files.FileLines = section;
    session.files.FileLineCount = static_cast<int>(section.size());
    return read;
}

QString dialogTitle(const Session& session)
{
    return session.dialog.ValidationMessage.trimmed();
}

// The chosen path becomes CurrentFile; a cancel empties it. True when a file was chosen.
bool choose(Session& session, const QString& title, const QString& filter, DialogPurpose purpose)
{
    session.shell.CurrentFile = askFileName(session, title, filter, session.shell.CurrentFile, purpose);
    return !session.shell.CurrentFile.isEmpty();
}

} // namespace

QString Disco(Session& session, const QString& mode)
{
    const QString which = mode.toLower();
    ErrorTrap trap(session, QStringLiteral("Disco ") + mode, 2);
    QString& file = session.shell.CurrentFile;
    const QString& filter = session.dialog.VarGroup;
    if (which == QLatin1String("dir")) {
        choose(session, dialogTitle(session), filter, DialogPurpose::Open);
        return file;
    }
    if (which == QLatin1String("dirgra")) {
        choose(session, dialogTitle(session), filter, DialogPurpose::Save);
        return file;
    }
    if (which == QLatin1String("cat")) {
        choose(session, QStringLiteral("Catálogo de Archivos del Programa"),
               filter + QLatin1Char('|') + filter, DialogPurpose::Open);
        return file;
    }
    if (which == QLatin1String("lee")) {
        if (!choose(session, dialogTitle(session), filter, DialogPurpose::Open))
            return {};
        return readCurrentFile(session, trap) ? file : QString();
    }
    if (which == QLatin1String("leear")) {
        if (file.isEmpty())
            return {};
        return readCurrentFile(session, trap) ? file : QString();
    }
    if (which == QLatin1String("graba")) {
        if (!choose(session, dialogTitle(session), filter.isEmpty() ? QStringLiteral("*.*") : filter,
                    DialogPurpose::Save)) {
            session.dialog.VarGroup.clear();
            return {};
        }
        writeCurrentFile(session, trap);
        return file;
    }
    if (which == QLatin1String("grabaar")) {
        writeCurrentFile(session, trap);
        return file;
    }
    if (which == QLatin1String("busca"))
        return readSection(session, trap) ? file : QString();
    return {};
}

} // namespace quelmar::shell
