#include "panels/reporterror.h"

#include "answeringstandin.h"
#include "core/clock.h"
#include "core/errormessages.h"
#include "session/errorlog.h"
#include "session/session.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quelmar;
using maintenance::ReportError;

namespace {

const QString production = QStringLiteral("1s3456s8901234567890");
const QString debugging = QStringLiteral("1n3456s8901234567890");

class ReportErrorTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        session.shell.WorkingFolder = QDir(m_folder.path());
        session.shell.DebugSwitches = production;
        session.menu.MenuPath = QStringLiteral("Respaldo");
        session.errors.RoutineName = QStringLiteral("BDResp");
    }

    // The entries of the log (its heading left out).
    QStringList logEntries() const
    {
        QFile file(m_folder.filePath(maintenance::errorLogName(session.shell.AppName)));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!lines.isEmpty())
            lines.removeFirst();
        return lines;
    }
    QString folderPath() const { return m_folder.path(); }

    Session session;

private:
    QTemporaryDir m_folder;
};

TEST_F(ReportErrorTest, knownErrorsHaveTheirMessages)
{
    EXPECT_EQ(maintenance::knownErrorMessage(61), QStringLiteral("Disco lleno"));
    EXPECT_EQ(maintenance::knownErrorMessage(716), QStringLiteral("Disco lleno"));
    EXPECT_EQ(maintenance::knownErrorMessage(76), QStringLiteral("La Trayectoria no existe "));
    EXPECT_EQ(maintenance::knownErrorMessage(745),
              QStringLiteral("Texto excesivamente largo.  No se editó."));
    EXPECT_TRUE(maintenance::knownErrorMessage(5).isEmpty());
    EXPECT_TRUE(maintenance::knownErrorMessage(3022).isEmpty());
}

TEST_F(ReportErrorTest, aKnownErrorAsksWhetherToRepeat)
{
    struct Case
    {
        const char* answer;
        int stateAfter;
        int engineStatusAfter;
    };
    for (const Case c : {Case{"No", 3, 1}, Case{"Yes", 2, 0}}) {
        SCOPED_TRACE(c.answer);
        session.codes.EngineStatus = 0;
        session.errors.lastNumber = 0;
        AnsweringStandIn person(session, {QString::fromLatin1(c.answer)});
        int state = 2;
        ReportError(session, 61, state, QStringLiteral("Disk full"), QStringLiteral("Quelmar"));
        EXPECT_EQ(state, c.stateAfter);
        EXPECT_EQ(session.codes.EngineStatus, c.engineStatusAfter);
        EXPECT_EQ(person.shown,
                  QStringList{QStringLiteral("Aviso de Error: Se detecta un error en la operación:  / "
                                             "Disco lleno / ¿Desea repetir la operación?")});
    }
}

TEST_F(ReportErrorTest, whatIsShownDependsOnStateAndDebugSwitch)
{
    const QString where = QStringLiteral("Error en Menu: Respaldo, Rutina: BDResp / Error Num: %1 - %2");
    const QString invalidValue = errormessages::forNumber(5);
    struct Case
    {
        QString switches;
        qint32 number;
        int state;
        QStringList shown;
    };
    const Case cases[] = {
        {production, 61, 3, {QStringLiteral("Quelmar: ") + where.arg(61).arg(QStringLiteral("Disco lleno"))}},
        {production, 5, 2, {QStringLiteral("Quelmar: ") + where.arg(5).arg(invalidValue)}},
        {production, 5, 0, {}},
        {production, 5, 1, {}},
        {debugging, 5, 0, {QStringLiteral("Quelmar: Depuracion.  ") + where.arg(5).arg(invalidValue)}},
        {QString(), 5, 1, {QStringLiteral("Quelmar: Depuracion.  ") + where.arg(5).arg(invalidValue)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.switches.toStdString() << " " << c.number << " state " << c.state);
        session.shell.DebugSwitches = c.switches;
        session.errors.lastNumber = 0;
        AnsweringStandIn person(session);
        int state = c.state;
        ReportError(session, c.number, state, QStringLiteral("Disk full"), QStringLiteral("Quelmar"));
        EXPECT_EQ(person.shown, c.shown);
        EXPECT_EQ(state, c.state);
    }
}

TEST_F(ReportErrorTest, theUserReadsSpanishAndTheLogKeepsTheEnginesOwnText)
{
    struct Case
    {
        qint32 number;
        const char* description;
        const char* shown;
    };
    const Case cases[] = {
        {3163, "The field is too small to accept the amount of data you attempted to add.",
         "El Dato es demasiado largo para su campo.  Acórtelo y vuelva a escribirlo."},
        {3043, "Disk or network error.",
         "Error de disco o de red al usar la Base de Datos.  Revise el espacio libre en el disco"},
        {3260, "Couldn't update; currently locked by user '?' on machine '?'.",
         "Otro Usuario de la Red está usando estos datos en este momento.  Espere unos segundos"},
        {91, "Object variable or With block variable not set", "Falta algo que la operación necesita"},
        {4711, "Something nobody expected", "Error no previsto en la operación.  Anote el número del error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        session.errors.lastNumber = 0;
        AnsweringStandIn person(session);
        int state = 2;
        ReportError(session, c.number, state, QString::fromUtf8(c.description), QStringLiteral("Quelmar"));
        ASSERT_EQ(person.shown.size(), 1);
        const QString shown = person.shown.constFirst();
        EXPECT_TRUE(
            shown.contains(QStringLiteral("Error Num: %1 - ").arg(c.number) + QString::fromUtf8(c.shown)))
            << shown.toStdString();
        EXPECT_FALSE(shown.contains(QString::fromUtf8(c.description))) << shown.toStdString();
        // The text fits a database on this computer as well as one on the central computer.
        EXPECT_FALSE(shown.contains(QStringLiteral("Computadora Central"))) << shown.toStdString();
        EXPECT_TRUE(logEntries().constLast().contains(QString::fromUtf8(c.description)));
    }
}

TEST_F(ReportErrorTest, theFileOfTheErrorIsNamed)
{
    const QString file = folderPath() + QStringLiteral("/Ficha.pos");
    struct Case
    {
        qint32 number;
        QString description;
        QString named; // the line naming the file; empty: none
        const char* answer;
    };
    const Case cases[] = {
        // A known error: named in the question whether to repeat.
        {53, QStringLiteral("No such file or directory: ") + file, QStringLiteral("Archivo: ") + file, "No"},
        {61, QStringLiteral("Disk full"), QString(), "No"},
        // Any other error: named under its number.
        {321, QStringLiteral("The positions file has 3 lines: ") + file, QStringLiteral("Archivo: ") + file,
         "OK"},
        {3061, QStringLiteral("near \"FROM\": syntax error"), QString(), "OK"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        session.errors.lastNumber = 0;
        AnsweringStandIn person(session, {QString::fromLatin1(c.answer)});
        int state = 2;
        ReportError(session, c.number, state, c.description, QStringLiteral("FormRTF"));
        ASSERT_EQ(person.shown.size(), 1);
        const QString shown = person.shown.constFirst();
        if (c.named.isEmpty())
            EXPECT_FALSE(shown.contains(QStringLiteral("Archivo: "))) << shown.toStdString();
        else
            EXPECT_TRUE(shown.contains(c.named)) << shown.toStdString();
    }
}

TEST_F(ReportErrorTest, debuggingShowsEveryRepetitionAndProductionOnlyTheFirstOnes)
{
    for (const bool debug : {true, false}) {
        SCOPED_TRACE(debug ? "debugging" : "production");
        session.shell.DebugSwitches = debug ? debugging : production;
        session.errors.lastNumber = 0;
        AnsweringStandIn person(session);
        for (int report = 0; report < 5; ++report) {
            int state = 2;
            ReportError(session, 9, state, QStringLiteral("Subscript out of range"), {});
        }
        EXPECT_EQ(person.shown.size(), debug ? 5 : 3);
    }
}

TEST_F(ReportErrorTest, aNewErrorIsShownEvenRightAfterARepeatedOne)
{
    AnsweringStandIn person(session);
    for (int report = 0; report < 4; ++report) {
        int state = 2;
        ReportError(session, 9, state, QStringLiteral("Subscript out of range"), {});
    }
    person.shown.clear();
    int state = 2;
    ReportError(session, 13, state, QStringLiteral("Type mismatch"), {});
    ASSERT_EQ(person.shown.size(), 1);
    EXPECT_TRUE(person.shown.constFirst().endsWith(QStringLiteral("Error Num: 13 - ") +
                                                   errormessages::forNumber(13)));
}

TEST_F(ReportErrorTest, theSeventhReportOfTheSameErrorIsLoggedAgainAndGivesUp)
{
    AnsweringStandIn person(session);
    int state = 1; // the routine repeats the failing statement
    for (int report = 1; report <= 7; ++report) {
        SCOPED_TRACE(report);
        ReportError(session, 5, state, QStringLiteral("Invalid procedure call"), QStringLiteral("Quelmar"));
        EXPECT_EQ(state, report < 7 ? 1 : 3);
        EXPECT_EQ(logEntries().size(), report < 7 ? 1 : 2);
    }
    EXPECT_EQ(session.codes.EngineStatus, 1);
    EXPECT_EQ(session.errors.repeatCount, 0);
    EXPECT_TRUE(person.shown.isEmpty());
    EXPECT_TRUE(logEntries().at(1).startsWith(QStringLiteral(" 5\tInvalid procedure call\tQuelmar\t")));
}

TEST_F(ReportErrorTest, everyChangeOfErrorIsLogged)
{
    AnsweringStandIn person(session);
    for (const qint32 number : {5, 9, 5}) {
        int state = 0;
        ReportError(session, number, state, QStringLiteral("error %1").arg(number), {});
    }
    const QStringList entries = logEntries();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_TRUE(entries.at(0).startsWith(QStringLiteral(" 5\t")));
    EXPECT_TRUE(entries.at(1).startsWith(QStringLiteral(" 9\t")));
    EXPECT_TRUE(entries.at(2).startsWith(QStringLiteral(" 5\t")));
}

TEST_F(ReportErrorTest, aLogThatCannotBeWrittenDoesNotStopTheReport)
{
    ASSERT_TRUE(QDir(folderPath()).mkdir(QStringLiteral("Que_Err.log")));
    const QString readOnly = folderPath() + QStringLiteral("/solo-lectura");
    ASSERT_TRUE(QDir().mkpath(readOnly));
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    for (const QString& folder : {folderPath(), readOnly, folderPath() + QStringLiteral("/no-existe")}) {
        SCOPED_TRACE(folder.toStdString());
        session.shell.WorkingFolder = QDir(folder);
        session.errors.lastNumber = 0;
        AnsweringStandIn person(session, {QStringLiteral("No")});
        int state = 2;
        ReportError(session, 61, state, QStringLiteral("Disk full"), {});
        EXPECT_EQ(state, 3);
        EXPECT_EQ(person.shown.size(), 1);
    }
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace
