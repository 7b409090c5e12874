#include "panels/elementtimers.h"

#include "panelsfixture.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

namespace quelmar::panels {
namespace {

using quelmar::testing::PanelsTest;

TEST(ElapsedTextTest, SecondsToTheTenthWithThousandsGrouped)
{
    const std::pair<qint64, const char*> cases[] = {
        {0, "0"},
        {49, "0"},
        {50, "0.1"},
        {2500, "2.5"},
        {1000, "1"},
        {59950, "60"},
        {999949, "999.9"},
        {999950, "1,000"},
        {1234560, "1,234.6"},
        {12345678901, "12,345,678.9"},
    };
    for (const auto& [milliseconds, text] : cases)
        EXPECT_EQ(elapsedText(milliseconds), QString::fromUtf8(text)) << milliseconds;
}

class ElementTimersTest : public PanelsTest
{
protected:
    qint64 clock = 5000; // the chronometer's time, driven by the test
};

TEST_F(ElementTimersTest, theChronometerShowsTheSecondsSinceItsStartWhileItsLabelIsEnabled)
{
    Chronometer& chronometer = form->chronometer();
    chronometer.now = [this] { return clock; };
    QLabel* tiempo = form->elapsedLabel();
    ASSERT_NE(tiempo, nullptr);
    EXPECT_EQ(tiempo->objectName(), QStringLiteral("tiempo"));
    EXPECT_EQ(form->findChild<QTimer*>(QStringLiteral("treloj")), chronometer.timer());

    chronometer.start();
    EXPECT_TRUE(chronometer.timer()->isActive());
    EXPECT_TRUE(tiempo->isVisible());
    EXPECT_EQ(tiempo->text(), QStringLiteral("0"));
    clock += 2500;
    chronometer.tick();
    EXPECT_EQ(tiempo->text(), QStringLiteral("2.5"));
    // A disabled label keeps what it shows; enabled again it shows the whole time since the start.
    tiempo->setEnabled(false);
    clock += 1232100;
    chronometer.tick();
    EXPECT_EQ(tiempo->text(), QStringLiteral("2.5"));
    tiempo->setEnabled(true);
    chronometer.tick();
    EXPECT_EQ(tiempo->text(), QStringLiteral("1,234.6"));
    chronometer.stop();
    EXPECT_FALSE(chronometer.timer()->isActive());
    // A new start counts from the new moment.
    chronometer.start();
    clock += 300;
    chronometer.tick();
    EXPECT_EQ(tiempo->text(), QStringLiteral("0.3"));
    chronometer.stop();
}

TEST_F(ElementTimersTest, theAlarmPausesAndBeepsTwiceForFourRoundsThenStops)
{
    Alarm& alarm = form->alarm();
    EXPECT_EQ(form->findChild<QTimer*>(QStringLiteral("timalar")), alarm.timer());
    QStringList heard;
    alarm.pause = [&heard](int milliseconds) { heard.append(QStringLiteral("pausa %1").arg(milliseconds)); };
    alarm.beep = [&heard] { heard.append(QStringLiteral("bip")); };
    alarm.start();
    EXPECT_TRUE(alarm.timer()->isActive());
    for (int tick = 1; tick <= 6; ++tick)
        alarm.tick();
    const QString round = QStringLiteral("pausa 500,bip,bip");
    EXPECT_EQ(heard.join(QLatin1Char(',')), QStringList(4, round).join(QLatin1Char(',')));
    EXPECT_EQ(alarm.rounds(), 4);
    EXPECT_FALSE(alarm.timer()->isActive());
    // Started again, it gives its four rounds again.
    heard.clear();
    alarm.start();
    alarm.tick();
    EXPECT_EQ(heard.join(QLatin1Char(',')), round);
    EXPECT_EQ(alarm.rounds(), 1);
    alarm.stop();
}

TEST_F(ElementTimersTest, theAlarmsTimerRunsItsRoundsWithThePausesOfTheSession)
{
    Alarm& alarm = form->alarm();
    int beeps = 0;
    alarm.beep = [&beeps] { ++beeps; };
    alarm.timer()->setInterval(10);
    QElapsedTimer elapsed;
    elapsed.start();
    alarm.start();
    session.wait.until([&alarm] { return !alarm.timer()->isActive(); });
    EXPECT_EQ(beeps, 8);
    EXPECT_EQ(alarm.rounds(), 4);
    // Four pauses of half a second each: ticks that came during a pause started no round of their own. Qt's
    // coarse timers may end a pause up to 5 % early, so the bound allows a tenth.
    EXPECT_GE(elapsed.elapsed(), 4 * Alarm::PauseMs * 9 / 10);
}

} // namespace
} // namespace quelmar::panels
