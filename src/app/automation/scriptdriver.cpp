#include "app/automation/scriptdriver.h"

#include "app/automation/screenactions.h"
#include "app/automation/screendump.h"
#include "panels/fieldtext.h"
#include "panels/showmessage.h"
#include "session/session.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

namespace quelmar::automation {

namespace {

QString where(const ScriptAction& action)
{
    return QStringLiteral("línea %1 «%2»").arg(action.line).arg(action.source);
}

// The same for an answer to a wait: what is typed into the access-key box is never written in clear.
QString where(const ScriptAction& action, const WaitContext& context)
{
    if (context.kind != WaitKind::AccessKey || action.verb != Verb::Answer ||
        action.arguments.value(0).isEmpty())
        return where(action);
    const QString typed = action.arguments.value(0);
    QString source = action.source;
    source.replace(source.lastIndexOf(typed), typed.size(), panels::masked(typed));
    return QStringLiteral("línea %1 «%2»").arg(action.line).arg(source);
}

// Waits, the program's events running, until the file exists: a session that works beside others (another
// workstation on the same database) holds its screen until they are done. Empty when it appeared.
QString awaitFile(Session& session, const QString& path)
{
    constexpr int CheckMs = 50;
    constexpr int LimitMs = 120000;
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer check;
    check.start(CheckMs);
    session.wait.until([&] { return QFileInfo::exists(path) || elapsed.hasExpired(LimitMs); });
    if (QFileInfo::exists(path))
        return {};
    return QStringLiteral("el archivo %1 no apareció en %2 segundos").arg(path).arg(LimitMs / 1000);
}

QString verbName(Verb verb)
{
    switch (verb) {
    case Verb::Menu:
        return QStringLiteral("menu");
    case Verb::Choose:
        return QStringLiteral("choose");
    default:
        return QStringLiteral("answer");
    }
}

// The argument of respond(): the option number, the text typed, the entry numbers or the quoted text.
QString respondArgument(const ScriptAction& action)
{
    if (action.verb == Verb::Choose && action.quoted)
        return QLatin1Char('"') + action.arguments.value(0) + QLatin1Char('"');
    return action.arguments.join(QLatin1Char(' '));
}

} // namespace

ScriptDriver::ScriptDriver(Session& session, Script script, std::function<void(int)> terminate)
    : m_session(session), m_script(std::move(script)), m_terminate(std::move(terminate))
{}

void ScriptDriver::install()
{
    m_session.wait.setStandIn(this);
    m_session.exitProcess = [this](int code) { m_terminate(statusAtEnd(code)); };
}

void ScriptDriver::act(const WaitContext& context)
{
    if (m_ending) {
        // The program waits again while it closes after a failure: nobody is left to answer.
        m_terminate(m_status);
        return;
    }
    const QList<ScriptAction>& actions = m_script.actions();
    while (m_next < actions.size()) {
        const ScriptAction action = actions.at(m_next++);
        if (!apply(action, context)) {
            endRun();
            return;
        }
        if (m_ending || action.endsWait())
            return;
        // A person's next action comes after the screen has taken in the last one.
        m_session.wait.letEventsRun();
    }
    recordFailure(ScriptRanOut, QStringLiteral("wait"), context.description);
    endRun();
}

int ScriptDriver::statusAtEnd(int programCode)
{
    if (failed())
        return m_status;
    const QList<ScriptAction>& actions = m_script.actions();
    while (m_next < actions.size()) {
        const ScriptAction action = actions.at(m_next++);
        if (action.endsWait()) {
            recordFailure(ActionFailed, QStringLiteral("error"),
                          where(action) + QStringLiteral(": el programa terminó antes de esta acción"));
            return m_status;
        }
        if (!apply(action, WaitContext{}))
            return m_status;
    }
    return programCode;
}

bool ScriptDriver::apply(const ScriptAction& action, const WaitContext& context)
{
    const QStringList& a = action.arguments;
    switch (action.verb) {
    case Verb::Menu:
    case Verb::Answer:
    case Verb::Choose:
        return respondTo(action, context);
    case Verb::Press:
        return screenResult(action, screen::press(a.value(0)));
    case Verb::Key:
        return screenResult(action, screen::key(a.value(0)));
    case Verb::DblClick:
        return screenResult(action, screen::doubleClick(a.value(0)));
    case Verb::Set:
        return screenResult(action, screen::set(a.value(0), a.value(1)));
    case Verb::Pick:
        return screenResult(action, screen::pick(a.value(0), a.value(1).toInt()));
    case Verb::Record:
        return screenResult(action, screen::record(a.value(0)));
    case Verb::Row:
        return screenResult(action, screen::row(a.value(0).toInt(), a.value(1)));
    case Verb::Cell:
        return screenResult(action, screen::cell(a.value(0).toInt(), a.value(1), a.value(2)));
    case Verb::Click:
        return screenResult(action, screen::click(a.value(0), a.value(1).toInt(), a.size() > 2));
    case Verb::Expect:
        if (!m_session.transcript.sinceMark().contains(a.value(0))) {
            recordFailure(ExpectFailed, QStringLiteral("expect"),
                          QStringLiteral("no se encontró: ") + a.value(0));
            return false;
        }
        m_session.transcript.mark();
        return true;
    case Verb::Pause:
        // A demonstration lets the screen stand for a while, the program's events running.
        panels::Pause(m_session, a.value(0).toInt());
        return true;
    case Verb::Await:
        return screenResult(action, awaitFile(m_session, a.value(0)));
    case Verb::Dump: {
        const QStringList lines = screen::dump();
        for (const QString& line : lines)
            m_session.transcript.write(QStringLiteral("dump"), line);
        return true;
    }
    }
    return false;
}

bool ScriptDriver::respondTo(const ScriptAction& action, const WaitContext& context)
{
    if (!context.respond) {
        recordFailure(ActionFailed, QStringLiteral("error"),
                      where(action, context) +
                          QStringLiteral(": la espera no admite respuestas (%1)").arg(context.description));
        return false;
    }
    if (!context.respond(verbName(action.verb), respondArgument(action))) {
        recordFailure(ActionFailed, QStringLiteral("error"),
                      where(action, context) +
                          QStringLiteral(": no corresponde a la espera (%1)").arg(context.description));
        return false;
    }
    return true;
}

bool ScriptDriver::screenResult(const ScriptAction& action, const QString& problem)
{
    if (problem.isEmpty())
        return true;
    recordFailure(ActionFailed, QStringLiteral("error"), where(action) + QStringLiteral(": ") + problem);
    return false;
}

void ScriptDriver::recordFailure(int status, const QString& tag, const QString& text)
{
    m_session.transcript.write(tag, text);
    if (!failed())
        m_status = status;
}

void ScriptDriver::endRun()
{
    if (m_ending)
        return;
    m_ending = true;
    if (m_shutdown)
        m_shutdown();
    else
        m_terminate(m_status);
}

} // namespace quelmar::automation
