// Backup, compaction and repair of the office's database, from the administration menu of the real program
// and from the administrators' command, checked on the files and in the database: a second program really
// holding the database, a compaction that fails half way, a file with a damaged page.
#include "../damagedfile.h"
#include "officesession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QThread>

#include <gtest/gtest.h>

namespace {

using quelmar::automationtest::OfficeSession;
using quelmar::automationtest::ProcessTimeout;

// The notice counts up to 60 seconds before a database still in use is given up.
constexpr int HeldTimeout = 150000;

const QString Backup = QStringLiteral("menu 5\nmenu 1\nanswer Yes\n");
const QString Repair = QStringLiteral("menu 5\nmenu 2\nanswer Yes\nanswer Yes\n");

class MaintenanceSession : public OfficeSession
{
protected:
    QString file(const QString& suffix) const { return office() + QStringLiteral("/Quelmar") + suffix; }

    // The companion command; its output in m_output.
    int admin(const QStringList& arguments,
              const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(QUELMAR_ADMIN), arguments);
        EXPECT_TRUE(program.waitForFinished(ProcessTimeout));
        m_output = QString::fromUtf8(program.readAllStandardOutput()) +
                   QString::fromUtf8(program.readAllStandardError());
        return program.exitCode();
    }

    QString scalar(const QString& database, const QString& statement)
    {
        admin({QStringLiteral("query"), database, statement});
        const QStringList found = m_output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return found.size() >= 2 ? found.at(1).trimmed() : QString();
    }

    // A second workstation's folder whose company file names the office's database by its full path.
    QString secondWorkstation()
    {
        const QString folder = path(QStringLiteral("caja2"));
        EXPECT_TRUE(QDir().mkpath(folder));
        QFile::copy(office() + QStringLiteral("/Quelmar.men"), folder + QStringLiteral("/Quelmar.men"));
        QStringList company = lines(office() + QStringLiteral("/Quelmar.emp"));
        EXPECT_GE(company.size(), 4);
        company[3] = office() + QStringLiteral("/Quelmar");
        QFile emp(folder + QStringLiteral("/Quelmar.emp"));
        EXPECT_TRUE(emp.open(QIODevice::WriteOnly));
        emp.write((company.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
        return folder;
    }

    // Starts a program that holds the office's database (waiting at its menu until the flag file appears).
    void hold(QProcess& holder, const QString& flag)
    {
        const QString script = path(QStringLiteral("espera.txt"));
        QFile text(script);
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write(QStringLiteral("await %1\nmenu 98\n").arg(flag).toUtf8());
        text.close();
        const QString transcript = path(QStringLiteral("espera-transcripcion.txt"));
        startProgram(holder, {QStringLiteral("--dir"), office(), QStringLiteral("--script"), script,
                              QStringLiteral("--transcript"), transcript});
        QElapsedTimer elapsed;
        elapsed.start();
        while (!lines(transcript).join(u'\n').contains(QStringLiteral("[menu] "))) {
            ASSERT_FALSE(elapsed.hasExpired(ProcessTimeout)) << "the holding program did not start";
            ASSERT_NE(holder.state(), QProcess::NotRunning) << holder.readAllStandardError().toStdString();
            QThread::msleep(100);
        }
        ASSERT_TRUE(QFileInfo::exists(file(QStringLiteral(".ldb"))));
    }

    QString m_output;
};

TEST_F(MaintenanceSession, backupKeepsTheOldFileAsBakAndTheProgramStartsAgainOnTheCompactedOne)
{
    const QString subscribers = query(QStringLiteral("SELECT Count(*) FROM Suscriptores"));
    ASSERT_FALSE(subscribers.isEmpty());
    // Deleted rows leave free pages that the compaction gives back.
    query(QStringLiteral("DELETE FROM Pagos WHERE Suscriptor > 20"));
    const qint64 before = QFileInfo(file(QStringLiteral(".mdb"))).size();
    // An old backup and the leftover of an interrupted one.
    for (const char* suffix : {".bak", ".tmp"}) {
        QFile old(file(QString::fromLatin1(suffix)));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("viejo");
    }

    QStringList shown;
    EXPECT_EQ(run(Backup + QStringLiteral("expect [message] Quelmar: Se realizó el respaldo correctamente.\n"
                                          "answer OK\n"
                                          "expect El programa se termina.  Vuelva a ejecutarlo\nanswer OK\n"),
                  &shown),
              0)
        << transcript();
    EXPECT_TRUE(
        anyStartsWith(shown, QStringLiteral("[notice] Respaldo de la Base de Datos.  El proceso puede "
                                            "durar varios minutos")))
        << transcript();

    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral(".tmp"))));
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral(".cmp"))));
    // The backup is one file: the journal was written into it before it was renamed.
    EXPECT_EQ(QDir(office()).entryList({QStringLiteral("Quelmar.bak*"), QStringLiteral("Quelmar.tmp*")},
                                       QDir::Files),
              QStringList{QStringLiteral("Quelmar.bak")});
    EXPECT_LT(QFileInfo(file(QStringLiteral(".mdb"))).size(), before);
    // The backup is the database as it was, with all its rows.
    EXPECT_EQ(QFileInfo(file(QStringLiteral(".bak"))).size(), before);
    EXPECT_EQ(scalar(file(QStringLiteral(".bak")), QStringLiteral("SELECT Count(*) FROM Suscriptores")),
              subscribers);
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Suscriptores")), subscribers);
    EXPECT_EQ(admin({QStringLiteral("check"), file(QStringLiteral(".mdb"))}), 0) << m_output.toStdString();
    // A restart opens the compacted file.
    EXPECT_EQ(run(QStringLiteral("expect [menu] QUELMAR\nmenu 98\n")), 0) << transcript();
}

TEST_F(MaintenanceSession, aCompactionFailingHalfWayLeavesTheDataInTmpAndTheNextStartSaysWhatToDo)
{
    const QString subscribers = query(QStringLiteral("SELECT Count(*) FROM Suscriptores"));
    QProcessEnvironment fault = withoutDisplay();
    fault.insert(QStringLiteral("QUELMAR_COMPACTION_FAULT_AT"), QStringLiteral("50"));
    QStringList shown;
    const QString failure = QStringLiteral("expect Hubo Error en Respaldo de la Base de Datos.\nanswer OK\n"
                                           "expect ¡Falló Respaldo !\nanswer OK\n"
                                           "expect Error Num: 3043\nanswer OK\n"
                                           "expect Un respaldo de la Base de Datos no terminó\nanswer OK\n");
    {
        const QString script = path(QStringLiteral("falla.txt"));
        QFile text(script);
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write((Backup + failure).toUtf8());
        text.close();
        QProcess program;
        startProgram(program,
                     {QStringLiteral("--dir"), office(), QStringLiteral("--script"), script,
                      QStringLiteral("--transcript"), path(QStringLiteral("falla-transcripcion.txt"))},
                     fault);
        ASSERT_TRUE(program.waitForFinished(ProcessTimeout));
        EXPECT_EQ(program.exitCode(), 0)
            << lines(path(QStringLiteral("falla-transcripcion.txt"))).join(u'\n').toStdString();
    }
    // No partial copy is taken for the database: the data is whole in X.tmp.
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral(".mdb"))));
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral(".cmp"))));
    EXPECT_EQ(scalar(file(QStringLiteral(".tmp")), QStringLiteral("SELECT Count(*) FROM Suscriptores")),
              subscribers);

    // The next start says where the data is and what to do.
    EXPECT_EQ(run(QStringLiteral("expect [message] Quelmar: Un respaldo de la Base de Datos no terminó: los "
                                 "datos quedaron en el archivo ") +
                      QDir::toNativeSeparators(file(QStringLiteral(".tmp"))) +
                      QStringLiteral(". /  / Cambie el nombre de ese archivo a ") +
                      QDir::toNativeSeparators(file(QStringLiteral(".mdb"))) +
                      QStringLiteral("\nanswer OK\n"),
                  &shown),
              0)
        << transcript();
    // Doing so brings the office back.
    ASSERT_TRUE(QFile::rename(file(QStringLiteral(".tmp")), file(QStringLiteral(".mdb"))));
    EXPECT_EQ(run(QStringLiteral("expect [menu] QUELMAR\nmenu 98\n")), 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Suscriptores")), subscribers);
}

TEST_F(MaintenanceSession, backupWhileAnotherProgramHoldsTheDatabaseCountsNamesItsUsersAndTouchesNothing)
{
    const QString flag = path(QStringLiteral("suelta.flag"));
    QProcess holder;
    ASSERT_NO_FATAL_FAILURE(hold(holder, flag));
    const QByteArray before = [&] {
        QFile database(file(QStringLiteral(".mdb")));
        return database.open(QIODevice::ReadOnly) ? database.readAll() : QByteArray();
    }();

    // The companion command refuses at once, for a scheduled job to try again.
    EXPECT_EQ(admin({QStringLiteral("backup"), office()}), 3) << m_output.toStdString();
    EXPECT_TRUE(m_output.contains(QStringLiteral("está en uso"))) << m_output.toStdString();
    EXPECT_EQ(admin({QStringLiteral("repair"), file(QStringLiteral(".mdb"))}), 3) << m_output.toStdString();

    // The office program on a second workstation waits for it, counting, then gives up.
    const QString second = secondWorkstation();
    const QString script = path(QStringLiteral("respaldo.txt"));
    QFile text(script);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write((Backup + QStringLiteral("expect No puede cerrarse la Base de Datos, pues la ésta usando: \n"
                                        "answer OK\n"
                                        "expect Están usando la Base de Datos en este momento.  Para esta "
                                        "operación se requiere que nadie la use. \nanswer OK\n"
                                        "expect El programa se termina.  Vuelva a ejecutarlo\nanswer OK\n"))
                   .toUtf8());
    text.close();
    QProcess program;
    const QString transcriptFile = path(QStringLiteral("respaldo-transcripcion.txt"));
    startProgram(program, {QStringLiteral("--dir"), second, QStringLiteral("--script"), script,
                           QStringLiteral("--transcript"), transcriptFile});
    ASSERT_TRUE(program.waitForFinished(HeldTimeout));
    const QString shown = lines(transcriptFile).join(u'\n');
    EXPECT_EQ(program.exitCode(), 0) << shown.toStdString() << program.readAllStandardError().toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("[notice] CERRANDO LA BASE DE DATOS 1 segs.\n")));
    EXPECT_TRUE(shown.contains(QStringLiteral("[notice] CERRANDO LA BASE DE DATOS 60 segs.\n")));
    // The users named are the holder's line of the users file.
    EXPECT_TRUE(shown.contains(QStringLiteral("pues la ésta usando:  / ") + QSysInfo::machineHostName()))
        << shown.toStdString();

    QFile(flag).open(QIODevice::WriteOnly);
    ASSERT_TRUE(holder.waitForFinished(ProcessTimeout));
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral(".tmp"))));
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral(".bak"))));
    QFile database(file(QStringLiteral(".mdb")));
    ASSERT_TRUE(database.open(QIODevice::ReadOnly));
    EXPECT_TRUE(database.readAll() == before) << "the working database is untouched";
}

TEST_F(MaintenanceSession, repairOfADamagedPageSavesWhatIsReadableAndSaysWhatWasLost)
{
    const qint64 payments = query(QStringLiteral("SELECT Count(*) FROM Pagos")).toLongLong();
    ASSERT_GT(payments, 0);
    // Pages amid the payments' rows, which fill most of the file.
    quelmar::testsupport::damagePages(file(QStringLiteral(".mdb")), 0.5, 2);
    EXPECT_EQ(admin({QStringLiteral("check"), file(QStringLiteral(".mdb"))}), 1) << m_output.toStdString();
    EXPECT_TRUE(m_output.contains(QStringLiteral("integridad:"))) << m_output.toStdString();

    QStringList shown;
    EXPECT_EQ(run(QStringLiteral("answer OK\n") + Repair +
                      QStringLiteral("expect La Base de Datos estaba dañada.  Se reconstruyó con lo que pudo "
                                     "leerse: / MSysFields: \n"
                                     "answer OK\n"
                                     "expect ¡Fin del proceso de Reparación!  El programa se termina.\n"
                                     "answer OK\n"),
                  &shown),
              0)
        << transcript();
    EXPECT_TRUE(m_transcript.contains(QStringLiteral(" / La Base de Datos dañada se guardó como ") +
                                      QDir::toNativeSeparators(file(QStringLiteral(".dañada-")))))
        << transcript();
    EXPECT_EQ(admin({QStringLiteral("check"), file(QStringLiteral(".mdb"))}), 0) << m_output.toStdString();
    const QStringList kept = QDir(office()).entryList({QStringLiteral("Quelmar.dañada-*")}, QDir::Files);
    EXPECT_EQ(kept.size(), 1);
    const qint64 saved = query(QStringLiteral("SELECT Count(*) FROM Pagos")).toLongLong();
    EXPECT_GT(saved, 0);
    EXPECT_LE(saved, payments);
    // The office opens the rebuilt file.
    EXPECT_EQ(run(QStringLiteral("expect [menu] QUELMAR\nmenu 98\n")), 0) << transcript();
}

TEST_F(MaintenanceSession, repairAnsweredNoLeavesTheDatabaseOpenAndTheProgramWorking)
{
    EXPECT_EQ(run(QStringLiteral("menu 5\nmenu 2\nanswer No\nexpect [menu] QUELMAR\nmenu 98\n")), 0)
        << transcript();
    EXPECT_EQ(QDir(office()).entryList({QStringLiteral("Quelmar.dañada-*")}, QDir::Files).size(), 0);
}

TEST_F(MaintenanceSession, theCompanionCommandBacksUpChecksAndRepairsForScheduledJobs)
{
    // Backup of the office folder: .bak and a checked database.
    EXPECT_EQ(admin({QStringLiteral("backup"), office()}), 0) << m_output.toStdString();
    EXPECT_TRUE(m_output.contains(QStringLiteral("100%"))) << "progress is shown: " << m_output.toStdString();
    EXPECT_TRUE(QFileInfo::exists(file(QStringLiteral(".bak"))));
    EXPECT_EQ(admin({QStringLiteral("check"), file(QStringLiteral(".mdb"))}), 0) << m_output.toStdString();

    // A ticket counter behind the tickets recorded is found.
    query(QStringLiteral("UPDATE Parametros SET Contenido = '1' WHERE Clase = 'CDT'"));
    EXPECT_EQ(admin({QStringLiteral("check"), file(QStringLiteral(".mdb"))}), 1) << m_output.toStdString();
    EXPECT_TRUE(m_output.contains(QStringLiteral("contador de recibos (CDT) es 1,")))
        << m_output.toStdString();

    // A failing compaction: exit status 1 and where the data is.
    QProcessEnvironment fault = QProcessEnvironment::systemEnvironment();
    fault.insert(QStringLiteral("QUELMAR_COMPACTION_FAULT_AT"), QStringLiteral("40"));
    EXPECT_EQ(admin({QStringLiteral("backup"), office()}, fault), 1) << m_output.toStdString();
    EXPECT_TRUE(m_output.contains(QStringLiteral("cámbiele el nombre a"))) << m_output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral(".mdb"))));
    ASSERT_TRUE(QFile::rename(file(QStringLiteral(".tmp")), file(QStringLiteral(".mdb"))));

    // Repair: a sound file is left alone; a damaged one is rebuilt, table by table.
    EXPECT_EQ(admin({QStringLiteral("repair"), file(QStringLiteral(".mdb"))}), 0) << m_output.toStdString();
    EXPECT_TRUE(m_output.contains(QStringLiteral("No se encontró ningún daño"))) << m_output.toStdString();
    // Pages of rows halfway through the file: a compacted file keeps its schema's last pages (the triggers)
    // at its end, and a file whose schema cannot be read has nothing left to rebuild from.
    quelmar::testsupport::damagePages(file(QStringLiteral(".mdb")), 0.5, 2);
    EXPECT_EQ(admin({QStringLiteral("repair"), file(QStringLiteral(".mdb"))}), 0) << m_output.toStdString();
    EXPECT_TRUE(m_output.contains(QStringLiteral("Suscriptores: "))) << m_output.toStdString();
    EXPECT_TRUE(m_output.contains(QStringLiteral("El archivo dañado se guardó como")))
        << m_output.toStdString();
    EXPECT_EQ(admin({QStringLiteral("check"), file(QStringLiteral(".mdb"))}), 1)
        << "the counter is still behind: " << m_output.toStdString();
    EXPECT_FALSE(m_output.contains(QStringLiteral("integridad:"))) << m_output.toStdString();

    // A garbage file: nothing can be read, it stays as it is.
    QFile garbage(path(QStringLiteral("Basura.mdb")));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(8192, 'x'));
    garbage.close();
    EXPECT_EQ(admin({QStringLiteral("repair"), garbage.fileName()}), 1) << m_output.toStdString();
    EXPECT_TRUE(QFileInfo::exists(garbage.fileName()));
    EXPECT_EQ(admin({QStringLiteral("check"), garbage.fileName()}), 1) << m_output.toStdString();
}

// A file that is not a database of this program is told so by every command, as the program tells it, and
// none of them changes it or makes a backup or a "repaired" file of it.
TEST_F(MaintenanceSession, aFileThatIsNoDatabaseIsRefusedAlikeByBackupRepairAndCheck)
{
    QByteArray jet(4096, '\0');
    jet.replace(4, 15, "Standard Jet DB");
    const struct
    {
        const char* what;
        QByteArray bytes;
        QString told;
    } files[] = {
        {"an empty file", QByteArray(), QStringLiteral("está vacío (mide 0 bytes)")},
        {"a text file", QByteArray("Avisos de la oficina\n").repeated(300),
         QStringLiteral("Revise el nombre")},
        {"a Jet file", jet, QStringLiteral("quelmar-admin import-mdb")},
    };
    const QString folder = path(QStringLiteral("ajena"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString database = folder + QStringLiteral("/Quelmar.mdb");
    for (const auto& f : files) {
        QFile file(database);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(f.bytes);
        file.close();
        for (const QStringList& command :
             {QStringList{QStringLiteral("backup"), folder}, QStringList{QStringLiteral("backup"), database},
              QStringList{QStringLiteral("repair"), database},
              QStringList{QStringLiteral("check"), database}}) {
            SCOPED_TRACE(std::string(f.what) + ", " + command.join(u' ').toStdString());
            EXPECT_EQ(admin(command), 1) << m_output.toStdString();
            EXPECT_TRUE(m_output.contains(QStringLiteral("no es una Base de Datos de este Programa")))
                << m_output.toStdString();
            EXPECT_TRUE(m_output.contains(f.told)) << m_output.toStdString();
            EXPECT_TRUE(m_output.contains(QDir::toNativeSeparators(database))) << m_output.toStdString();
            EXPECT_FALSE(m_output.contains(QStringLiteral("compactada"))) << m_output.toStdString();
            EXPECT_FALSE(m_output.contains(QStringLiteral("No se encontró ningún daño")))
                << m_output.toStdString();
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_TRUE(file.readAll() == f.bytes) << "the file was changed";
            file.close();
            EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("Quelmar.mdb")});
        }
    }
}

// The failures of the checks name the database file, never a statement, and say what to do.
TEST_F(MaintenanceSession, aDamagedFileIsNamedByCheckWithTheRepairThatFits)
{
    quelmar::testsupport::damagePages(file(QStringLiteral(".mdb")), 0.5, 2);
    EXPECT_EQ(admin({QStringLiteral("check"), file(QStringLiteral(".mdb"))}), 1) << m_output.toStdString();
    EXPECT_TRUE(m_output.contains(QStringLiteral("quelmar-admin repair \"%1\"")
                                      .arg(QDir::toNativeSeparators(file(QStringLiteral(".mdb"))))))
        << m_output.toStdString();
    EXPECT_FALSE(m_output.contains(QStringLiteral("'PRAGMA"))) << m_output.toStdString();
}

} // namespace
