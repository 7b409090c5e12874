#include "session/lockretries.h"

namespace quelmar::engine {

bool LockRetries::retryLoad()
{
    ++m_count;
    if (m_count <= LoadRepetitions)
        return true;
    m_count = 0;
    return false;
}

bool LockRetries::retryInteractive()
{
    ++m_count;
    if (m_count < QuestionAt)
        return true;
    m_count = 0;
    return false;
}

} // namespace quelmar::engine
