// The network mode of the real program, on a central office folder and a satellite folder of the same
// machine: a start as a remote satellite working on the central database, a start as a linked satellite, and
// the switch to central and back from the administration menu.
#include "officesession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

using quelmar::automationtest::OfficeSession;
using quelmar::automationtest::ProcessTimeout;

class NetworkSession : public OfficeSession
{
protected:
    void SetUp() override
    {
        OfficeSession::SetUp();
        if (HasFatalFailure())
            return;
        // The satellite: an office folder of its own, with its own (local) database.
        QProcess admin;
        admin.start(QStringLiteral(QUELMAR_ADMIN),
                    {QStringLiteral("create-demo"), satellite(), QStringLiteral("--subscribers"),
                     QStringLiteral("20"), QStringLiteral("--years"), QStringLiteral("1")});
        ASSERT_TRUE(admin.waitForFinished(ProcessTimeout));
        ASSERT_EQ(admin.exitCode(), 0) << admin.readAllStandardError().toStdString();
    }

    QString satellite() const { return path(QStringLiteral("satelite")); }
    QString central() const { return office() + QStringLiteral("/Quelmar.mdb"); }

    void writeNetworkFile(const QString& name, const QString& text)
    {
        QFile file(satellite() + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }

    // Runs the script on the satellite's folder; the transcript in m_transcript.
    int runOnSatellite(const QString& script) { return runIn(satellite(), script); }

    QString valueIn(const QString& database, const QString& statement)
    {
        QProcess admin;
        admin.start(QStringLiteral(QUELMAR_ADMIN), {QStringLiteral("query"), database, statement});
        EXPECT_TRUE(admin.waitForFinished(ProcessTimeout));
        const QStringList found =
            QString::fromUtf8(admin.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        return found.size() >= 2 ? found.at(1).trimmed() : QString();
    }
};

TEST_F(NetworkSession, aRemoteSatelliteWorksOnTheCentralDatabaseAfterCopyingIt)
{
    writeNetworkFile(QStringLiteral("Quelmar.red"), QStringLiteral("BDR,\"%1\"\r\n").arg(central()));
    const QString local = satellite() + QStringLiteral("/Quelmar.mdb");
    const QString localCounter =
        valueIn(local, QStringLiteral("SELECT Contenido FROM Parametros WHERE Clase = 'CDT'"));
    EXPECT_EQ(
        runOnSatellite(QStringLiteral("expect Debe tener encendida la Computadora Central, pero sin ejecutar "
                                      "el Programa Quelmar\nanswer OK\n"
                                      "menu 5\nmenu 6\nanswer 99999\nmenu 98\n")),
        0)
        << m_transcript.toStdString();
    // The ticket counter was changed in the central database, not in the local one.
    EXPECT_EQ(valueIn(central(), QStringLiteral("SELECT Contenido FROM Parametros WHERE Clase = 'CDT'")),
              QStringLiteral("99999"));
    EXPECT_EQ(valueIn(local, QStringLiteral("SELECT Contenido FROM Parametros WHERE Clase = 'CDT'")),
              localCounter);
    EXPECT_TRUE(QFileInfo(satellite() + QStringLiteral("/QuelmarResp.mdb")).size() > 0);
}

TEST_F(NetworkSession, aLinkedSatelliteStartsOnItsLocalDatabaseWithTheCentralAffiliates)
{
    query(QStringLiteral("CREATE TABLE Afiliados (Numero Long, Nombre Text(40))"));
    query(QStringLiteral("INSERT INTO Afiliados (Numero, Nombre) VALUES (1, 'Primero')"));
    writeNetworkFile(QStringLiteral("Quelmar.red"), QStringLiteral("V,%1\r\n").arg(central()));
    EXPECT_EQ(runOnSatellite(QStringLiteral("expect [menu] QUELMAR\nmenu 98\n")), 0)
        << m_transcript.toStdString();
    EXPECT_FALSE(m_transcript.contains(QStringLiteral("[message]"))) << m_transcript.toStdString();
}

TEST_F(NetworkSession, aSatelliteIsSwitchedToCentralAndBackBehindTheAccessKey)
{
    writeNetworkFile(QStringLiteral("Quelmar.red"), QStringLiteral("BDR,%1\r\n").arg(central()));
    EXPECT_EQ(runOnSatellite(QStringLiteral("answer OK\nmenu 5\nmenu 8\n"
                                            "expect está configurado como Satélite\nanswer OK\n"
                                            "answer gerencia\n"
                                            "expect Se configuró como Centro\nanswer No\nmenu 98\n")),
              0)
        << m_transcript.toStdString();
    EXPECT_FALSE(QFileInfo::exists(satellite() + QStringLiteral("/Quelmar.red")));
    EXPECT_TRUE(QFileInfo::exists(satellite() + QStringLiteral("/QuelmarSat.red")));

    // Now central: it starts on its local database, and goes back to satellite at the next start.
    EXPECT_EQ(runOnSatellite(QStringLiteral("menu 5\nmenu 8\n"
                                            "expect está configurado como Centro\nanswer OK\n"
                                            "answer gerencia\n"
                                            "expect Se configuró como Satelite, usando la Base de Datos: ") +
                             central() + QStringLiteral("\nanswer OK\nmenu 98\n")),
              0)
        << m_transcript.toStdString();
    EXPECT_FALSE(m_transcript.contains(QStringLiteral("Debe tener encendida"))) << m_transcript.toStdString();
    EXPECT_TRUE(QFileInfo::exists(satellite() + QStringLiteral("/Quelmar.red")));
    EXPECT_EQ(runOnSatellite(QStringLiteral("expect Debe tener encendida la Computadora Central\nanswer OK\n"
                                            "menu 98\n")),
              0)
        << m_transcript.toStdString();
}

TEST_F(NetworkSession, aNetworkFileOfAnUnknownKindEndsTheProgramCleanly)
{
    writeNetworkFile(QStringLiteral("Quelmar.red"), QStringLiteral("bdr,%1\r\n").arg(central()));
    EXPECT_EQ(
        runOnSatellite(QStringLiteral("expect [message] Quelmar: Hay errores en el archivo Quelmar.red\n"
                                      "answer OK\n")),
        0)
        << m_transcript.toStdString();
}

} // namespace
