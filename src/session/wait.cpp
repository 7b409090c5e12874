#include "session/wait.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace quelmar {

void Wait::forUser(const std::function<bool()>& done, const WaitContext& context)
{
    while (!done()) {
        if (m_standIn) {
            m_standIn->act(context);
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        } else {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
}

void Wait::until(const std::function<bool()>& done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void Wait::letEventsRun()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace quelmar
