#include "panels/errortrap.h"

#include "answeringstandin.h"
#include "core/errormessages.h"
#include "session/errorlog.h"
#include "session/session.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace quelmar;

namespace {

class ErrorTrapTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        session.shell.WorkingFolder = QDir(m_folder.path());
        session.shell.DebugSwitches = QStringLiteral("1s3456s8901234567890");
    }

    Session session;
    QTemporaryDir m_folder;
};

TEST_F(ErrorTrapTest, namesTheRoutineAndRunsAStepThatWorksOnce)
{
    ErrorTrap trap(session, QStringLiteral("Disco LeeAr"));
    EXPECT_EQ(session.errors.RoutineName, QStringLiteral("Disco LeeAr"));
    int runs = 0;
    EXPECT_TRUE(trap.step([&runs] { ++runs; }));
    EXPECT_EQ(runs, 1);
}

TEST_F(ErrorTrapTest, theRoutinesStateDecidesWhatFollowsAFailure)
{
    struct Case
    {
        int state;
        bool goesOn;
        int engineStatus;
        int messages;
    };
    for (const Case c : {Case{0, true, 0, 0}, Case{2, true, 0, 1}, Case{3, false, 5, 1}}) {
        SCOPED_TRACE(c.state);
        session.codes.EngineStatus = 0;
        session.errors.lastNumber = 0;
        AnsweringStandIn person(session);
        ErrorTrap trap(session, QStringLiteral("BDParam"), c.state);
        int runs = 0;
        EXPECT_EQ(trap.step([&runs] {
            ++runs;
            throw RuntimeError{5, QStringLiteral("Invalid procedure call"), {}};
        }),
                  c.goesOn);
        EXPECT_EQ(runs, 1);
        EXPECT_EQ(session.codes.EngineStatus, c.engineStatus);
        EXPECT_EQ(person.shown.size(), c.messages);
    }
}

TEST_F(ErrorTrapTest, state1RepeatsTheStepUntilItWorks)
{
    AnsweringStandIn person(session, {QStringLiteral("Yes"), QStringLiteral("Yes")});
    ErrorTrap trap(session, QStringLiteral("RepImp"), 1);
    int runs = 0;
    EXPECT_TRUE(trap.step([&runs] {
        if (++runs < 3)
            throw RuntimeError{482, QStringLiteral("Printer error"), {}};
    }));
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(person.shown.size(), 2); // "repeat?" asked for each failure, answered Yes
}

TEST_F(ErrorTrapTest, aStepThatNeverWorksIsGivenUpAtTheSeventhReport)
{
    AnsweringStandIn person(session);
    ErrorTrap trap(session, QStringLiteral("RepImp"), 1);
    int runs = 0;
    EXPECT_FALSE(trap.step([&runs] {
        ++runs;
        throw std::runtime_error("no printer");
    }));
    EXPECT_EQ(runs, 7);
    EXPECT_EQ(trap.state(), 3);
    EXPECT_EQ(session.codes.EngineStatus, 51);
}

TEST_F(ErrorTrapTest, anyExceptionIsReportedAndItsTextLogged)
{
    session.shell.DebugSwitches.clear(); // debugging behaviour shows every error
    AnsweringStandIn person(session);
    ErrorTrap trap(session, QStringLiteral("GrafEst"), 0);
    EXPECT_TRUE(trap.step([] { throw std::out_of_range("column 7"); }));
    ASSERT_EQ(person.shown.size(), 1);
    EXPECT_TRUE(person.shown.constFirst().endsWith(QStringLiteral("Rutina: GrafEst / Error Num: 51 - ") +
                                                   errormessages::forNumber(51)))
        << person.shown.constFirst().toStdString();
    QFile log(QDir(m_folder.path()).filePath(maintenance::errorLogName(session.shell.AppName)));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("\tcolumn 7\t"));
}

} // namespace
