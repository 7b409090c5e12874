#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace quelmar::automation {

// The verbs of a scripted session, one per script line.
enum class Verb
{
    Menu,     // menu N
    Press,    // press CAPTION
    Answer,   // answer [TEXT]
    Choose,   // choose N [N…] | choose "TEXT"
    Set,      // set FIELD [TEXT]
    Pick,     // pick FIELD N
    Record,   // record first|next|previous|last
    Row,      // row N [FIELD]
    Cell,     // cell N FIELD [TEXT]
    Key,      // key Enter|Esc|Tab
    DblClick, // dblclick [FIELD]
    Click,    // click NAME INDEX [right]
    Expect,   // expect TEXT
    Dump,     // dump
    Pause,    // pause MS
    Await,    // await FILE
};

// One action of a script. The arguments are already checked and normalised:
//   menu: the option number; press, expect: the text; answer: the text (possibly empty);
//   choose: the entry numbers, or one quoted text (quoted == true); set: field, text; pick: field, number;
//   record: "first", "next", "previous" or "last"; row: number and an optional field; pause: milliseconds;
//   cell: number, field, text; key: "Enter", "Esc" or "Tab"; click: name, index and, for a right click,
//   "right"; await: the file's path.
struct ScriptAction
{
    Verb verb = Verb::Dump;
    QStringList arguments;
    bool quoted = false;
    int line = 0;   // 1-based line of the script file
    QString source; // the line as written, trimmed

    // True for the actions that may end the wait for the user (menu, press, answer, choose, key, dblclick).
    bool endsWait() const;
};

// A script of user actions: UTF-8 text, one action per line; lines whose first non-blank character is "#" are
// comments and blank lines are skipped. Verbs are not case-sensitive.
class Script
{
public:
    // The actions of the text, or nothing when a line is not a valid action; error then names the line.
    static std::optional<Script> parse(const QString& text, QString* error);
    // The same for a file; a file that cannot be read is an error too.
    static std::optional<Script> load(const QString& path, QString* error);

    const QList<ScriptAction>& actions() const { return m_actions; }

private:
    QList<ScriptAction> m_actions;
};

} // namespace quelmar::automation
