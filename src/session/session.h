#pragma once

#include "session/enginestate.h"
#include "session/transcript.h"
#include "session/wait.h"

#include <QColor>
#include <QDir>
#include <QList>
#include <QLockFile>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

class QWidget;

namespace quelmar {

namespace db {
class Database;
class Recordset;
} // namespace db

class MainForm;
class MenuForm;
class PaymentForm;

namespace shell {
class OfficeServices;
}

// The program-wide state of the office program, grouped by the part of the program that owns it. One Session
// lives for the whole run; every routine reaches it by reference. The names of the shared values are the
// names the office program has always used for them.

// Start-up, company and colours.
struct ShellState
{
    QString AppName = QStringLiteral("Quelmar");
    QString NewLine = QStringLiteral("\r\n");
    QString DebugSwitches;   // "1s3456s8901234567890" once started; empty before
    QStringList CompanyData; // 13 texts, CompanyData[0] is entry 1
    QString CurrentFile;     // the company file chosen, later the text-file helpers' current file
    QRgb FormColour = qRgb(11, 11, 139);
    QRgb ItemColour = qRgb(200, 196, 255);
    QRgb PanelColour = qRgb(50, 50, 178);
    QRgb FieldColour = qRgb(215, 255, 255);
    double ColourCount = 16777216;
    QDir WorkingFolder; // the office folder (company files, menu file, database, templates)
    std::unique_ptr<QLockFile>
        InstanceLock;    // held while this instance runs (one instance per working folder)
    QString printFolder; // where print jobs go as PDF files in a scripted session (--print-to)
    // The folder the user last chose to save a file in; save dialogs start there.
    QString lastSaveFolder;

    // 1-based access to CompanyData; empty text outside 1..13.
    QString company(int index) const { return CompanyData.value(index - 1); }
};

// One row of TableList: name, ordinal (1-based, as text), field count, "True"/"False" updatable.
struct TableListRow
{
    QString name;
    QString ordinal;
    int fieldCount = 0;
    QString updatable;
};

struct DatabaseState
{
    std::unique_ptr<db::Database> CurrentDatabase;
    std::unique_ptr<db::Recordset> ParamTable; // Parametros, table-type, index "Clase"
    std::unique_ptr<db::Recordset> CurrentRecordset;
    std::unique_ptr<db::Recordset> WorkRecordset2;
    QList<TableListRow> TableList;
    int TableCount = 0;
};

// One line of the menu definition file: code, caption, explanation, help topic.
struct MenuItem
{
    QString code;
    QString caption;
    QString explanation;
    QString helpTopic;
};

struct MenuState
{
    QList<MenuItem> MenuItems;
    int MenuOption = 0;
    QString MenuPath;
    QString MenuHelpTopic;
    int OptionCount = 0;
    int HighlightedOption = 0;
    std::shared_ptr<shell::OfficeServices> services; // the office's operations the menu loop calls
};

// The shared texts of the message and choice dialogs.
struct DialogState
{
    QString ValidationMessage;
    QString AnswerText;
    QString ButtonTips;
    QString ButtonExplanations;
    int ChosenButton = 0;
    int MessageRow = 0;
    int MessageColumn = 0;
    QString InputMask;
    int InputLength = 0;
    int VerticalPlacement = 0;
    QString VarGroup;      // file filter of the file dialogs; group of a named variable
    QString ChosenEntry;   // the chosen-entry value of the lists
    int ListExit = 0;      // the list-exit value of the lists and of F1
    QString ChosenEntries; // "/"-ended text of the entries marked in a multiple-choice list
};

// The two codes every waiting loop reads, and the engine's outcome.
struct CodeState
{
    int CommandCode = 0;
    int TableCommand = 0;
    int EngineStatus = 0;
    int PresentationVariant = 0;
};

struct ErrorState
{
    QString RoutineName;
    qint32 lastNumber = 0; // ErrorRepeat: the last error number reported
    int repeatCount = 0;   // ErrorRepeat: its consecutive repetitions
};

struct FileState
{
    QStringList FileLines; // FileLines[0] is line 1
    int FileLineCount = 0;
};

struct AccessKey
{
    QString key;
    QString name;
    QString level;
};

struct AccessKeyState
{
    QList<AccessKey> AccessKeys;
    int AccessKeyCount() const { return static_cast<int>(AccessKeys.size()); }
};

// The element families of the main form, in pool order; ControlCounts[slot - 1] is the highest index in use.
struct PoolState
{
    std::array<int, 14> ControlCounts{};
    QWidget* lastLoaded = nullptr;
};

// The payment form's tariff lines and the last payment accepted on it.
struct PaymentState
{
    int TariffLines = 0; // the number of lines N of the payment form
    QString BaseRent;    // the price text of the line whose name contains "Renta (1-2"
    // One entry per line (PaidLines[0] is line 1): "line/quantity/concept/line total/" for a line paid in the
    // last accepted payment, empty otherwise.
    QStringList PaidLines;
    QStringList LastReceipt; // the receipt lines of the last payment recorded since the program started
};

class Session
{
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    ShellState shell;
    DatabaseState database;
    MenuState menu;
    DialogState dialog;
    CodeState codes;
    ErrorState errors;
    FileState files;
    AccessKeyState keys;
    PoolState pool;
    EngineState engine;
    PaymentState payments;

    Wait wait;             // the one way to wait for the user, a code or a time
    Transcript transcript; // what a person would have seen, for scripted sessions

    // Ends the process with the exit status; EndProgram calls it once the session is closed. A scripted
    // session replaces it to settle its own exit status.
    std::function<void(int)> exitProcess;

    MainForm* k = nullptr;        // the main form
    MenuForm* Mn = nullptr;       // the menu form
    PaymentForm* Pagos = nullptr; // the payment form, made by LoadTariffs
    bool started() const { return !shell.DebugSwitches.isEmpty(); }
    // Production behaviour: errors are trapped and the routine goes on (debug switch position 2 is "s").
    bool trapsErrors() const { return shell.DebugSwitches.mid(1, 1) == QLatin1String("s"); }
};

} // namespace quelmar
