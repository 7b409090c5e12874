#include "panels/errortrap.h"

#include "panels/reporterror.h"
#include "session/session.h"

#include <exception>
#include <new>

namespace quelmar {

namespace {

// The run-time numbers of failures that do not carry one of their own.
constexpr int OutOfMemory = 7;
constexpr int InternalError = 51;

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
            failure = {InternalError, QString::fromLocal8Bit(error.what()), {}};
        } catch (...) {
            failure = {InternalError, QStringLiteral("Error interno"), {}};
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
