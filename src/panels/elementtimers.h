#pragma once

#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

class QLabel;
class QObject;

// The two timers of the main form's element pool: the chronometer `treloj`, which shows the seconds elapsed
// in the label `tiempo`, and the alarm `timalar`, which calls the user's attention with a few rounds of
// beeps.
namespace quelmar::panels {

// Seconds as the chronometer shows them ("##,##0.#"): rounded to the tenth, thousands grouped with ",", the
// tenth left out when it is 0 ("0", "2.5", "60", "1,234.6").
QString elapsedText(qint64 milliseconds);

// The chronometer `treloj`: while the label `tiempo` is enabled, each tick shows the seconds elapsed since
// the recorded start; a disabled label keeps what it shows.
class Chronometer
{
public:
    static constexpr int TickMs = 100;

    // The timer is made a child of parent (named "treloj").
    Chronometer(QLabel* label, QObject* parent);
    ~Chronometer();
    Chronometer(const Chronometer&) = delete;
    Chronometer& operator=(const Chronometer&) = delete;

    // Records the start, shows the label enabled with "0" and starts the ticks.
    void start();
    // Stops the ticks; the label keeps the last time shown.
    void stop();
    // One tick of `treloj`.
    void tick();
    QTimer* timer() const { return m_timer; }

    // The time in milliseconds from any fixed origin, never going back; the program's monotonic clock unless
    // a test drives it.
    std::function<qint64()> now;

private:
    QPointer<QLabel> m_label;
    QPointer<QTimer> m_timer;
    qint64 m_start = 0;
};

// The alarm `timalar`: each tick, while fewer than four rounds have run, pauses 500 milliseconds and beeps
// twice; after the fourth round it stops ticking. A tick that comes while a round pauses does nothing.
class Alarm
{
public:
    static constexpr int Rounds = 4;
    static constexpr int PauseMs = 500;
    static constexpr int TickMs = 1000;

    // pause waits the milliseconds given (the program's one pause); beep sounds once.
    // The timer is made a child of parent (named "timalar").
    Alarm(std::function<void(int)> pause, std::function<void()> beep, QObject* parent);
    ~Alarm();
    Alarm(const Alarm&) = delete;
    Alarm& operator=(const Alarm&) = delete;

    // Starts the rounds again from none.
    void start();
    void stop();
    // One tick of `timalar`.
    void tick();
    int rounds() const { return m_rounds; }
    QTimer* timer() const { return m_timer; }

    std::function<void(int)> pause;
    std::function<void()> beep;

private:
    QPointer<QTimer> m_timer;
    int m_rounds = 0;
    bool m_inRound = false;
};

} // namespace quelmar::panels
