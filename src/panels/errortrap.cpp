#include "panels/errortrap.h"

#include "panels/reporterror.h"
#include "session/session.h"

#include <exception>
#include <new>

namespace quelmar {

namespace {

// The run-time number of running out of memory, which does not carry one of its own.
constexpr int OutOfMemory = 7;

} // namespace

ErrorTrap::ErrorTrap(Session& session, const QString& routineName, int state)
    : m_session(session), m_state(state)
{
    m_session.errors.RoutineName = routineName;
}

bool ErrorTrap::step(const std::function<void()>& statement)
{
    for (;;) {
        RuntimeError failure;
        try {
            statement();
            return true;
        } catch (const RuntimeError& error) {
            failure = error;
        } catch (const std::bad_alloc&) {
            failure = {OutOfMemory, QStringLiteral("Memoria insuficiente"), {}};
        } catch (const std::exception& error) {
            failure = {maintenance::InternalError, QString::fromLocal8Bit(error.what()), {}};
        } catch (...) {
            failure = {maintenance::InternalError, QStringLiteral("Error interno"), {}};
        }
        if (failure.source.isEmpty())
            failure.source = m_session.shell.AppName;
        maintenance::ReportError(m_session, failure.number, m_state, failure.description, failure.source);
        if (m_state == 1)
            continue;
        if (m_state >= 3) {
            m_session.codes.EngineStatus = failure.number;
            return false;
        }
        return true;
    }
}

} // namespace quelmar
