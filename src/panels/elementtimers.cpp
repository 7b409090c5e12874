#include "panels/elementtimers.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

#include <utility>

namespace quelmar::panels {

namespace {

qint64 monotonicMilliseconds()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

QString grouped(qint64 whole)
{
    QString digits = QString::number(whole);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return digits;
}

} // namespace

QString elapsedText(qint64 milliseconds)
{
    const bool negative = milliseconds < 0;
    const qint64 size = negative ? -milliseconds : milliseconds;
    const qint64 tenths = (size + 50) / 100;
    QString text = grouped(tenths / 10);
    if (tenths % 10 != 0)
        text += QLatin1Char('.') + QString::number(tenths % 10);
    return negative && tenths != 0 ? QLatin1Char('-') + text : text;
}

Chronometer::Chronometer(QLabel* label, QObject* parent)
    : now(monotonicMilliseconds), m_label(label), m_timer(new QTimer(parent))
{
    m_timer->setObjectName(QStringLiteral("treloj"));
    m_timer->setInterval(TickMs);
    QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] { tick(); });
}

Chronometer::~Chronometer()
{
    delete m_timer;
}

void Chronometer::start()
{
    m_start = now();
    if (m_label) {
        m_label->setText(elapsedText(0));
        m_label->setEnabled(true);
        m_label->show();
        m_label->raise();
    }
    m_timer->start();
}

void Chronometer::stop()
{
    m_timer->stop();
}

void Chronometer::tick()
{
    if (m_label && m_label->isEnabled())
        m_label->setText(elapsedText(now() - m_start));
}

Alarm::Alarm(std::function<void(int)> pauseFor, std::function<void()> beepOnce, QObject* parent)
    : pause(std::move(pauseFor)), beep(std::move(beepOnce)), m_timer(new QTimer(parent))
{
    m_timer->setObjectName(QStringLiteral("timalar"));
    m_timer->setInterval(TickMs);
    QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] { tick(); });
}

Alarm::~Alarm()
{
    delete m_timer;
}

void Alarm::start()
{
    m_rounds = 0;
    m_timer->start();
}

void Alarm::stop()
{
    m_timer->stop();
}

void Alarm::tick()
{
    if (m_inRound)
        return;
    if (m_rounds >= Rounds) {
        m_timer->stop();
        return;
    }
    m_inRound = true;
    ++m_rounds;
    if (pause)
        pause(PauseMs);
    if (beep) {
        beep();
        beep();
    }
    m_inRound = false;
    if (m_rounds >= Rounds)
        m_timer->stop();
}

} // namespace quelmar::panels
