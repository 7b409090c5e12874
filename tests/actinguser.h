#pragma once

// A stand-in for the person at the keyboard in tests of screens that wait: at each wait of the program it
// carries out the next of the actions the test gave it. A wait with no action left throws, so that a test
// never hangs.
#include "session/wait.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>

namespace quelmar::testsupport {

class ActingUser : public UserStandIn
{
public:
    using Action = std::function<void(const WaitContext&)>;

    void act(const WaitContext& context) override
    {
        waits.append(context.description);
        kinds.append(context.kind);
        if (actions.isEmpty())
            throw std::runtime_error("the program still waits: " + context.description.toStdString());
        actions.takeFirst()(context);
    }

    // Answers a message box (a role such as "OK", "Retry", "Cancel", "Yes"); refused keeps what did not fit.
    void answer(const QString& role)
    {
        actions.append([this, role](const WaitContext& context) {
            if (!context.respond || !context.respond(QStringLiteral("answer"), role))
                refused.append(role);
        });
    }
    void then(Action action) { actions.append(std::move(action)); }

    QList<Action> actions;
    QStringList waits;     // what each wait was for, in order
    QList<WaitKind> kinds; // the kind of each wait
    QStringList refused;
};

} // namespace quelmar::testsupport
