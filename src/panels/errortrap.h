#pragma once

#include <QString>

#include <functional>

namespace quelmar {

class Session;

// A run-time failure of a routine, with the classic run-time error number (53 file not found, 61 disk full,
// 75 path/file access error, 76 path not found, 481 invalid picture, …), its description and its source.
struct RuntimeError
{
    int number = 0;
    QString description;
    QString source;
};

// The error convention of every routine: it names itself in RoutineName, runs its risky steps through step(),
// and a failure is reported through ReportError with the routine's error state, after which the step is
// repeated, skipped or the routine left, as that state says. No exception ever crosses into the caller.
class ErrorTrap
{
public:
    ErrorTrap(Session& session, const QString& routineName, int state = 2);

    // Runs one risky step. A failure (a RuntimeError thrown, or any std::exception) goes to ReportError with
    // the routine's state; then: state 0 or 2 -> true (go on with the next step); 1 -> the step runs again;
    // 3 -> EngineStatus becomes the error number and the result is false (the routine should leave).
    bool step(const std::function<void()>& statement);

    int& state() { return m_state; }

private:
    Session& m_session;
    int m_state;
};

} // namespace quelmar
