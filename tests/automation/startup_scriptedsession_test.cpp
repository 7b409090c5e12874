// The start of the real program, as scripted sessions meet it: the command line's paths, the company list,
// a database that cannot be written, and what the transcript may show of an access key.
#include "officesession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using quelmar::automationtest::OfficeSession;
using quelmar::automationtest::ProcessTimeout;

class StartupSession : public OfficeSession
{
protected:
    static QString joined(const QStringList& lines) { return lines.join(QLatin1Char('\n')); }
};

TEST_F(StartupSession, relativeTranscriptAndScriptPathsAreTakenFromTheFolderStartedFrom)
{
    QFile script(path(QStringLiteral("guion.txt")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("menu 98\n");
    script.close();

    // Started in the test's folder, working in its office folder.
    QProcess program;
    startProgram(program, {QStringLiteral("--dir"), QStringLiteral("oficina"), QStringLiteral("--script"),
                           QStringLiteral("guion.txt"), QStringLiteral("--transcript"),
                           QStringLiteral("transcripcion-relativa.txt")});
    ASSERT_TRUE(program.waitForFinished(ProcessTimeout));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    const QStringList transcript = lines(path(QStringLiteral("transcripcion-relativa.txt")));
    EXPECT_TRUE(anyStartsWith(transcript, QStringLiteral("[menu] QUELMAR")))
        << joined(transcript).toStdString();
    EXPECT_FALSE(QFile::exists(office() + QStringLiteral("/transcripcion-relativa.txt")));
}

TEST_F(StartupSession, escOnTheCompanyListEndsTheProgramAsCancelarDoes)
{
    ASSERT_TRUE(
        QFile::copy(office() + QStringLiteral("/Quelmar.emp"), office() + QStringLiteral("/Norte.emp")));
    QStringList transcript;
    const int status = run(QStringLiteral("expect [list] Elige la Sucursal | 1 Norte.emp | 2 Quelmar.emp\n"
                                          "key Esc\n"),
                           &transcript);
    EXPECT_EQ(status, 0) << transcript.join(QLatin1Char('\n')).toStdString() << m_errors.toStdString();
    EXPECT_FALSE(anyStartsWith(transcript, QStringLiteral("[menu] "))) << joined(transcript).toStdString();
}

// A folder where the lock file belongs (left by a copy of the office, say) is no running program.
TEST_F(StartupSession, aFolderInThePlaceOfTheLockFileDoesNotStopTheStart)
{
    ASSERT_TRUE(QDir().mkpath(office() + QStringLiteral("/Quelmar.lck")));
    QStringList transcript;
    EXPECT_EQ(run(QStringLiteral("expect [menu] QUELMAR\nmenu 98\n"), &transcript), 0)
        << joined(transcript).toStdString() << m_errors.toStdString();
    EXPECT_FALSE(joined(transcript).contains(QStringLiteral("Hay otra instancia")));
}

TEST_F(StartupSession, anAccessKeyTypedIntoItsBoxIsNeverWrittenInClear)
{
    QStringList transcript;
    const int status = run(QStringLiteral("menu 5\nmenu 7\n"
                                          "set Texto gerencia\n"
                                          "dump\n"
                                          "expect [dump] field Texto = ********\n"
                                          "answer gerencia\n"
                                          "expect [input] Modifica los dias de vencimiento = \n"
                                          "answer 7\nmenu 98\n"),
                           &transcript);
    EXPECT_EQ(status, 0) << transcript.join(QLatin1Char('\n')).toStdString() << m_errors.toStdString();
    EXPECT_FALSE(joined(transcript).contains(QStringLiteral("gerencia"))) << joined(transcript).toStdString();
}

// The program is run by a user who may not write what this test's user owns: as root (who may write
// anything) through setpriv as nobody, otherwise by taking the write permission away.
class ReadOnlyOffice : public StartupSession
{
protected:
    void SetUp() override
    {
        StartupSession::SetUp();
        m_asRoot = ::geteuid() == 0;
        if (m_asRoot) {
            const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
            if (setpriv.isEmpty())
                GTEST_SKIP() << "setpriv is needed to run the program as another user";
            m_launcher = {setpriv, QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                          QStringLiteral("--clear-groups"), QStringLiteral("--")};
            // The other user writes the transcript in the test's folder and reads the office.
            QFile::setPermissions(QFileInfo(office()).path(), allPermissions);
        }
    }

    void TearDown() override
    {
        QFile::setPermissions(office(), allPermissions);
        QFile::setPermissions(database(), QFile::ReadOwner | QFile::WriteOwner);
    }

    QString database() const { return office() + QStringLiteral("/Quelmar.mdb"); }

    // The office folder stays writable (or not) for the program; its database never is.
    void takeWritingAway(bool folderToo)
    {
        if (m_asRoot) {
            // Root owns the office: the other user may write only where everybody may.
            QFile::setPermissions(office(), folderToo
                                                ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::ExeOther
                                                : allPermissions);
            QFile::setPermissions(database(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        } else {
            if (folderToo)
                QFile::setPermissions(office(), QFile::ReadOwner | QFile::ExeOwner);
            QFile::setPermissions(database(), QFile::ReadOwner);
        }
    }

    static constexpr QFile::Permissions allPermissions =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::WriteGroup |
        QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    bool m_asRoot = false;
};

TEST_F(ReadOnlyOffice, aDatabaseThatCannotBeWrittenIsToldInSpanishAtStartUp)
{
    for (const bool folderToo : {true, false}) {
        SCOPED_TRACE(folderToo ? "read-only folder" : "read-only file");
        takeWritingAway(folderToo);
        QStringList transcript;
        const int status = run(
            QStringLiteral("expect [message] Quelmar: No se pudo abrir la Base de Datos: Quelmar.mdb / El "
                           "archivo, o el Subdirectorio ") +
                QDir::toNativeSeparators(office()) +
                QStringLiteral(", es de solo lectura, y el Programa necesita escribir en ambos. /  / Pida al "
                               "encargado del sistema permiso de escritura sobre el Subdirectorio y sobre la "
                               "Base de Datos, y vuelva a ejecutar el Programa.  El Programa terminará.\n"
                               "answer OK\n"),
            &transcript);
        EXPECT_EQ(status, 0) << joined(transcript).toStdString() << m_errors.toStdString();
        EXPECT_FALSE(anyStartsWith(transcript, QStringLiteral("[menu] ")))
            << joined(transcript).toStdString();
    }
}

// The office's database is still the original program's Jet file: the program says how to import it, and
// the command line it gives does.
TEST_F(StartupSession, aJetDatabaseIsToldWithTheCommandLineThatImportsIt)
{
    QString archive;
    const QDir docs(QStringLiteral("/usr/share/doc/fp-units-db"));
    for (const QString& version : docs.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (QFileInfo::exists(docs.filePath(version + QStringLiteral("/examples/odbc/testodbc.mdb.gz"))))
            archive = docs.filePath(version + QStringLiteral("/examples/odbc/testodbc.mdb.gz"));
    }
    if (archive.isEmpty())
        GTEST_SKIP()
            << "Debian's fp-units-db, which ships a real Jet file (testodbc.mdb.gz), is not installed";
    QProcess gzip;
    gzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), archive});
    ASSERT_TRUE(gzip.waitForFinished(ProcessTimeout));
    const QByteArray jet = gzip.readAllStandardOutput();
    QFile database(office() + QStringLiteral("/Quelmar.mdb"));
    ASSERT_TRUE(database.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(database.write(jet), jet.size());
    database.close();

    QStringList transcript;
    const int status = run(QStringLiteral("answer OK\n"), &transcript);
    EXPECT_EQ(status, 0) << joined(transcript).toStdString() << m_errors.toStdString();
    const QString shown = joined(transcript);
    const QString source = QDir::toNativeSeparators(office() + QStringLiteral("/Quelmar.mdb"));
    const QString target = QDir::toNativeSeparators(office() + QStringLiteral("/importada"));
    EXPECT_TRUE(
        shown.contains(QStringLiteral("[message] Quelmar: No se pudo abrir la Base de Datos: Quelmar.mdb / "
                                      "El archivo es una Base de Datos de Microsoft Access (Jet)")))
        << shown.toStdString();
    const QString command = QStringLiteral("quelmar-admin import-mdb \"%1\" \"%2\"").arg(source, target);
    ASSERT_TRUE(shown.contains(command)) << shown.toStdString();
    EXPECT_FALSE(anyStartsWith(transcript, QStringLiteral("[menu] "))) << shown.toStdString();

    QProcess admin;
    admin.start(QStringLiteral(QUELMAR_ADMIN), {QStringLiteral("import-mdb"), source, target});
    ASSERT_TRUE(admin.waitForFinished(ProcessTimeout));
    EXPECT_EQ(admin.exitCode(), 0) << admin.readAllStandardError().toStdString();
    EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral("/Quelmar.mdb")));
    ASSERT_TRUE(database.open(QIODevice::ReadOnly));
    EXPECT_EQ(database.readAll(), jet);
}

} // namespace
