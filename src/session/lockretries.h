#pragma once

namespace quelmar::engine {

// The retry counter of lock conflicts, shared by the engine's two database error handlers: the silent one
// that runs while a result is loaded, and the interactive one that runs while records are written. Each
// conflict is met by a pause and a repetition of the statement; the silent handler gives up after 7
// repetitions, the interactive one asks the user at the 8th conflict.
//
// The counter counts the conflicts of one statement: it starts again from 0 when the statement goes through
// (succeeded()), when the silent handler gives up and when the user is asked, so that conflicts met hours
// apart never add up to a give-up.
class LockRetries
{
public:
    static constexpr int PauseMs = 400;       // pause before each repetition
    static constexpr int LoadRepetitions = 7; // the silent handler repeats while the count stays at most this
    static constexpr int QuestionAt = 8;      // the interactive handler asks when the count reaches this

    // A lock conflict while loading. Counts it; true: pause and repeat the statement; false: give up (the
    // engine leaves the error number in EngineStatus and goes on).
    bool retryLoad();

    // A lock conflict while writing. Counts it; true: pause and repeat the statement without asking; false:
    // the count reached 8: pause and ask the user whether to try again.
    bool retryInteractive();

    // The statement went through.
    void succeeded() { m_count = 0; }

    int count() const { return m_count; }

private:
    int m_count = 0;
};

} // namespace quelmar::engine
