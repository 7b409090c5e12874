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

// With the central computer off, or its file unusable, the copy kept from the last start is all there is: it
// stays as it was.
TEST_F(NetworkSession, aRemoteSatelliteKeepsItsLastCopyWhenTheCentralOneCannotBeCopied)
{
    const QString copy = satellite() + QStringLiteral("/QuelmarResp.mdb");
    const QString unusable = path(QStringLiteral("dañada.mdb"));
    QFile garbage(unusable);
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(8192, 'x'));
    garbage.close();
    const struct
    {
        const char* name;
        QString central;
    } cases[]{
        {"the central computer off", path(QStringLiteral("apagada/Quelmar.mdb"))},
        {"a central file that is not a database", unusable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(copy);
        ASSERT_TRUE(QFile::copy(central(), copy));
        writeNetworkFile(QStringLiteral("Quelmar.red"), QStringLiteral("BDR,\"%1\"\r\n").arg(c.central));
        EXPECT_EQ(
            runOnSatellite(QStringLiteral("expect Debe tener encendida la Computadora Central\nanswer OK\n"
                                          "expect No pudo respaldarse la Base de Datos\nanswer Cancel\n"
                                          "expect No hay acceso a la Base de Datos central\nanswer OK\n")),
            0)
            << m_transcript.toStdString();
        const QString parameters = query(QStringLiteral("SELECT Count(*) FROM Parametros"));
        ASSERT_FALSE(parameters.isEmpty());
        EXPECT_EQ(valueIn(copy, QStringLiteral("SELECT Count(*) FROM Parametros")), parameters);
        // Nor is a partial copy left behind.
        EXPECT_EQ(QDir(satellite()).entryList({QStringLiteral("*.parcial*")}), QStringList());
    }
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

// What a satellite tells at its start names the file or table at fault and says what fits the cause.
TEST_F(NetworkSession, aSatelliteNamesWhatIsWrongWithItsNetworkFileOrTheCentralTable)
{
    const QString networkFile = QDir::toNativeSeparators(satellite() + QStringLiteral("/Quelmar.red"));
    const QString missing = path(QStringLiteral("apagada/Quelmar.mdb"));
    const struct
    {
        const char* name;
        QString network;
        QString script;
        const char* notShown;
    } cases[]{
        {"a remote satellite's file without the central path", QStringLiteral("BDR\r\n"),
         QStringLiteral("expect Hay errores en el archivo %1: no dice dónde está la Base de Datos central.\n"
                        "answer OK\n")
             .arg(networkFile),
         "Debe tener encendida"},
        {"a linked satellite's file without the central path", QStringLiteral("V\r\n"),
         QStringLiteral("expect Hay errores en el archivo %1: no dice dónde está la Base de Datos central.\n"
                        "answer OK\n")
             .arg(networkFile),
         "[menu]"},
        // The central database has no table Afiliados: nothing to do with the central computer being on.
        {"a central database without affiliates", QStringLiteral("V,%1\r\n").arg(central()),
         QStringLiteral("expect La Base de Datos central %1 no tiene la tabla Afiliados.\nanswer OK\n"
                        "expect [menu] QUELMAR\nmenu 98\n")
             .arg(QDir::toNativeSeparators(central())),
         "esté encendida"},
        {"a central database out of reach", QStringLiteral("V,%1\r\n").arg(missing),
         QStringLiteral("expect No hay acceso a la Base de Datos central %1.\nanswer OK\n"
                        "expect [menu] QUELMAR\nmenu 98\n")
             .arg(QDir::toNativeSeparators(missing)),
         "no tiene la tabla"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeNetworkFile(QStringLiteral("Quelmar.red"), c.network);
        EXPECT_EQ(runOnSatellite(c.script), 0) << m_transcript.toStdString();
        EXPECT_FALSE(m_transcript.contains(QString::fromUtf8(c.notShown))) << m_transcript.toStdString();
    }
    // The last, out of reach, is the one that advises the central computer.
    EXPECT_TRUE(m_transcript.contains(QStringLiteral("Revise que la Computadora Central esté encendida")))
        << m_transcript.toStdString();
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
