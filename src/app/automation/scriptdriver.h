#pragma once

#include "app/automation/script.h"
#include "session/wait.h"

#include <functional>

namespace quelmar {
class Session;
}

namespace quelmar::automation {

// Exit statuses of a scripted session.
enum ExitStatus : int
{
    EndedNormally = 0, // the program ended through its own shutdown path after the script's last action
    ExpectFailed = 1,  // an "expect" did not find its text
    BadInput = 2,      // bad command line or script file
    ScriptRanOut = 3,  // the program still waited for the user when the script had no more actions
    ActionFailed = 4,  // an action could not be carried out
};

// Plays a script in the user's place. At each wait for the user it applies the script's actions in order:
// the actions that do not end a wait (set, pick, record, row, cell, click, expect, dump) at once, and the
// first one that may end it (menu, press, answer, choose, key, dblclick), after which it hands control back
// to the program. A failure writes its transcript line and ends the run with its status; the program's own
// shutdown ends it with status 0, or with the failure of the actions still left.
class ScriptDriver : public UserStandIn
{
public:
    // terminate ends the process with the status (the program's terminate never returns).
    ScriptDriver(Session& session, Script script, std::function<void(int)> terminate);

    // Acts at every wait for the user of the session, and makes the program's shutdown end the process with
    // the script's status.
    void install();
    // How a failure closes the program before the process ends (the program's shutdown path, which ends in
    // session.exitProcess); without it a failure ends the process at once.
    void setShutdown(std::function<void()> shutdown) { m_shutdown = std::move(shutdown); }

    void act(const WaitContext& context) override;

    // The status of a program that ends now with that code: the actions still left are applied (checks and
    // dumps) or, when they would need the program, make the run fail.
    int statusAtEnd(int programCode);

    // The failure status so far (0 when none).
    int status() const { return m_status; }
    bool failed() const { return m_status != EndedNormally; }

private:
    // Applies one action; false when it failed (the failure is then recorded).
    bool apply(const ScriptAction& action, const WaitContext& context);
    bool respondTo(const ScriptAction& action, const WaitContext& context);
    bool screenResult(const ScriptAction& action, const QString& problem);
    void recordFailure(int status, const QString& tag, const QString& text);
    // Ends the run after a failure: through the program's shutdown when there is one, else at once.
    void endRun();

    Session& m_session;
    Script m_script;
    qsizetype m_next = 0;
    int m_status = EndedNormally;
    bool m_ending = false;
    std::function<void(int)> m_terminate;
    std::function<void()> m_shutdown;
};

} // namespace quelmar::automation
