#include "shellfixture.h"

#include "core/errormessages.h"
#include "damagedfile.h"
#include "db/database.h"
#include "db/recordset.h"
#include "session/sessiondatabase.h"
#include "shell/menuform.h"
#include "shell/networkmode.h"
#include "shell/openingmessages.h"
#include "shell/startup.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>

namespace quelmar::shelltest {
namespace {

using namespace Qt::StringLiterals;

QRgb background(const QWidget* widget)
{
    return widget->palette().color(QPalette::Window).rgb();
}

class StartupTest : public ShellTest
{
protected:
    QByteArray fileContent(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The office of the demo: its menu file, a company file and a database with one access key.
    void makeOffice()
    {
        ASSERT_TRUE(QFile::copy(repositoryData(u"Quelmar.men"_s), path(u"Quelmar.men"_s)));
        writeLines(u"Quelmar.emp"_s, {u"Cablevisión del Valle"_s, u"Sucursal Centro"_s, u""_s, u"Quelmar"_s});
        createDatabase(u"Quelmar.mdb"_s, {{u"LA"_s, u"Gerente"_s, u"3"_s, u"gerencia"_s},
                                          {u"P"_s, u"Renta (1-2 TV)"_s, u"mensual"_s, u"180"_s}});
    }
};

TEST_F(StartupTest, ASecondInstanceIsRefused)
{
    ASSERT_TRUE(startup::mainFormLoad(session));
    ASSERT_NE(session.shell.InstanceLock, nullptr);

    Session second;
    second.shell.WorkingFolder = session.shell.WorkingFolder;
    ASSERT_TRUE(second.transcript.open(path(u"second.txt"_s)));
    ShellUser secondUser;
    secondUser.answer(u"OK"_s);
    second.wait.setStandIn(&secondUser);
    EXPECT_FALSE(startup::mainFormLoad(second));
    EXPECT_EQ(second.transcript.sinceMark(),
              u"[message] AVISO: Hay otra instancia del Programa, y solo puede haber una [Aceptar]\n"_s);
    EXPECT_EQ(second.shell.InstanceLock, nullptr);

    session.shell.InstanceLock.reset();
    secondUser.waits.clear();
    EXPECT_TRUE(startup::mainFormLoad(second));
    EXPECT_TRUE(secondUser.waits.isEmpty());
    second.wait.setStandIn(nullptr);
}

TEST_F(StartupTest, ALockFileThatNoRunningInstanceHoldsIsTakenOverWhateverItHolds)
{
    // A process that has ended: its number names no running program.
    QProcess ended;
    ended.start(u"true"_s);
    ASSERT_TRUE(ended.waitForFinished());
    const QByteArray deadPid = QByteArray::number(ended.processId() > 0 ? ended.processId() : 999999);
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    const QString lockPath = path(u"Quelmar.lck"_s);
    enum Place
    {
        File,
        Folder,          // a folder in the lock file's place
        FolderWithFiles, // the same, holding a file of its own
        Held,            // another instance holds the lock and runs
    };
    const struct
    {
        const char* name;
        QByteArray content;
        Place place;
        bool taken;
    } cases[]{
        {"empty", QByteArray(), File, true},
        {"garbage", QByteArray("\xff\x00\x13 basura de un corte de luz\n\n\n", 30), File, true},
        {"a dead process", deadPid + "\nquelmar\n" + host + "\n", File, true},
        {"an empty folder", QByteArray(), Folder, true},
        {"a folder holding a file", QByteArray("guardado"), FolderWithFiles, true},
        {"another running instance", QByteArray(), Held, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(lockPath);
        QLockFile other(lockPath);
        if (c.place == Held) {
            ASSERT_TRUE(other.tryLock(0));
        } else if (c.place == File) {
            writeFile(u"Quelmar.lck"_s, c.content);
        } else {
            ASSERT_TRUE(QDir().mkpath(lockPath));
            if (c.place == FolderWithFiles)
                writeFile(u"Quelmar.lck/nota.txt"_s, c.content);
        }
        if (!c.taken)
            user.answer(u"OK"_s);
        EXPECT_EQ(startup::mainFormLoad(session), c.taken);
        EXPECT_EQ(session.shell.InstanceLock != nullptr, c.taken);
        const QStringList shown = transcriptLines();
        if (c.taken) {
            EXPECT_TRUE(shown.isEmpty()) << shown.join(u'\n').toStdString();
            ASSERT_NE(session.shell.InstanceLock, nullptr);
            EXPECT_TRUE(session.shell.InstanceLock->isLocked());
            session.shell.InstanceLock.reset();
            EXPECT_FALSE(QFile::exists(lockPath));
            if (c.place == FolderWithFiles) {
                // What the folder held is kept, moved aside.
                const QStringList aside =
                    QDir(path(QString())).entryList({u"Quelmar.lck.*"_s}, QDir::Dirs | QDir::NoDotAndDotDot);
                ASSERT_EQ(aside.size(), 1);
                QFile kept(path(aside.constFirst() + u"/nota.txt"_s));
                ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
                EXPECT_EQ(kept.readAll(), c.content);
            }
        } else {
            EXPECT_EQ(shown,
                      QStringList{u"[message] AVISO: Hay otra instancia del Programa, y solo puede haber "
                                  u"una [Aceptar]"_s});
        }
    }
    EXPECT_TRUE(user.steps.isEmpty());
}

TEST_F(StartupTest, EndProgramClosesTheSessionAndEnds)
{
    createDatabase(u"Quelmar.mdb"_s, {});
    ASSERT_TRUE(startup::mainFormLoad(session));
    ASSERT_TRUE(startup::openSessionDatabase(session, path(u"Quelmar.mdb"_s), false, false).ok());
    try {
        startup::EndProgram(session, QString());
        FAIL() << "the program did not end";
    } catch (const ProgramEnded& ended) {
        EXPECT_EQ(ended.status, 0);
    }
    EXPECT_EQ(session.database.ParamTable, nullptr);
    EXPECT_EQ(session.database.CurrentDatabase, nullptr);
    EXPECT_EQ(session.shell.InstanceLock, nullptr);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(QFile::exists(path(u"Quelmar.lck"_s)));

    form->show();
    EXPECT_THROW(startup::EndProgram(session, u"f"_s), ProgramEnded);
    EXPECT_TRUE(form->isVisible()); // "F": the main form is closing already
}

TEST_F(StartupTest, TheColourSchemeFollowsTheDisplay)
{
    session.shell.FormColour = qRgb(72, 76, 128);
    session.shell.PanelColour = qRgb(134, 138, 190);
    session.shell.FieldColour = qRgb(245, 247, 255);
    MenuForm menu(session);
    session.Mn = &menu;

    startup::applyColourSchemeForDepth(session, 24);
    EXPECT_DOUBLE_EQ(session.shell.ColourCount, 16777216);
    EXPECT_EQ(background(form.get()), qRgb(72, 76, 128));
    EXPECT_EQ(menu.backColour(), qRgb(134, 138, 190));
    EXPECT_EQ(session.shell.FieldColour, qRgb(245, 247, 255));

    startup::applyColourSchemeForDepth(session, 8);
    EXPECT_DOUBLE_EQ(session.shell.ColourCount, 256);
    EXPECT_EQ(background(form.get()), qRgb(128, 64, 0));
    EXPECT_EQ(session.shell.FieldColour, qRgb(255, 255, 255));
    EXPECT_EQ(menu.backColour(), qRgb(134, 138, 190)); // the menu form keeps its colour
    session.Mn = nullptr;
}

TEST_F(StartupTest, OpeningTheDatabaseListsItsTablesAndOpensTheParameters)
{
    createDatabase(u"Quelmar.mdb"_s, {{u"LA"_s, u"Gerente"_s, u"3"_s, u"gerencia"_s}});
    ASSERT_TRUE(startup::openSessionDatabase(session, path(u"Quelmar.mdb"_s), false, false).ok());
    ASSERT_NE(session.database.CurrentDatabase, nullptr);
    QStringList tables;
    for (const TableListRow& row : std::as_const(session.database.TableList))
        tables.append(
            QStringLiteral("%1 %2 %3 %4").arg(row.name, row.ordinal).arg(row.fieldCount).arg(row.updatable));
    EXPECT_TRUE(tables.contains(u"Notas 2 1 True"_s) || tables.contains(u"Notas 3 1 True"_s))
        << tables.join(u", "_s).toStdString();
    EXPECT_EQ(session.database.TableCount, session.database.TableList.size());
    ASSERT_NE(session.database.ParamTable, nullptr);
    EXPECT_EQ(session.database.ParamTable->index(), u"Clase"_s);
    EXPECT_EQ(session.database.ParamTable->value(u"Nombre"_s).toString(), u"Gerente"_s);

    const db::DbError missing = startup::openSessionDatabase(session, path(u"Otra.mdb"_s), false, false);
    EXPECT_EQ(missing.number, db::jeterror::FileNotFound);
    EXPECT_NE(session.database.CurrentDatabase, nullptr); // what was open stays open
}

TEST_F(StartupTest, NetworkFilesAreReadInTheSequentialFieldSyntax)
{
    const struct
    {
        QString text;
        QString kind;
        QString path;
    } cases[]{
        {u"\"V\",\"C:\\central\\Quelmar.mdb\"\r\n"_s, u"V"_s, u"C:\\central\\Quelmar.mdb"_s},
        {u"BDR, //servidor/datos/Quelmar.mdb"_s, u"BDR"_s, u"//servidor/datos/Quelmar.mdb"_s},
        {u"\"BDR\"\n\"/datos/con, coma.mdb\"\n"_s, u"BDR"_s, u"/datos/con, coma.mdb"_s},
        {u""_s, u""_s, u""_s},
    };
    for (const auto& c : cases) {
        const startup::NetworkFile file = startup::parseNetworkFile(c.text);
        EXPECT_EQ(file.kind, c.kind) << c.text.toStdString();
        EXPECT_EQ(file.path, c.path) << c.text.toStdString();
    }
}

TEST_F(StartupTest, TheCentralComputerOpensItsOwnDatabase)
{
    createDatabase(u"Sucursal.mdb"_s, {});
    QString mode = u"Inicia"_s;
    QString database = u"Sucursal.mdb"_s;
    startup::NetworkMode(session, mode, database);
    EXPECT_EQ(mode, u"base"_s);
    EXPECT_EQ(database, path(u"Sucursal.mdb"_s));
    EXPECT_NE(session.database.CurrentDatabase, nullptr);
    EXPECT_NE(session.database.ParamTable, nullptr);
}

TEST_F(StartupTest, AMissingDatabaseEndsTheProgram)
{
    session.shell.CompanyData[3] = u"Quelmar"_s;
    user.answer(u"OK"_s);
    QString mode = u"Inicia"_s;
    QString database = u"Quelmar.mdb"_s;
    EXPECT_THROW(startup::NetworkMode(session, mode, database), ProgramEnded);
    EXPECT_EQ(transcriptLines(), QStringList{u"[message] Quelmar: No existe la Base de Datos: Quelmar.mdb / "
                                             u"Debe copiarla al Subdirectorio "_s +
                                             QDir::toNativeSeparators(folder.path()) + u" [Aceptar]"_s});
}

TEST_F(StartupTest, AFileThatIsNoDatabaseOfOursEndsTheProgramWithASpanishReasonAndIsLeftAsItIs)
{
    QByteArray jetHeader(64, '\0');
    jetHeader.replace(4, 15, "Standard Jet DB");
    const struct
    {
        const char* name;
        QByteArray content; // none: a database of the program's engine without the program's tables
        const char* reason;
        const char* logged;
    } cases[]{
        {"texto", "esto no es una base de datos", "El archivo no es una Base de Datos de este Programa",
         " 3343\t"},
        {"vacío", QByteArray(), "El archivo está vacío (mide 0 bytes)", " 3343\t"},
        {"Jet", jetHeader, "El archivo es una Base de Datos de Microsoft Access (Jet)", " 3343\t"},
        {"sin tablas", "-", "El archivo no tiene las tablas de este Programa (falta la tabla Parametros)",
         " 3078\t"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path(u"Quelmar.mdb"_s));
        QFile::remove(path(u"Que_Err.log"_s));
        if (c.content == "-") {
            db::DbError error;
            ASSERT_NE(db::Database::create(path(u"Quelmar.mdb"_s), error), nullptr);
        } else {
            writeFile(u"Quelmar.mdb"_s, c.content);
        }
        const QByteArray before = fileContent(u"Quelmar.mdb"_s);
        user.answer(u"OK"_s);
        QString mode = u"Inicia"_s;
        QString database = u"Quelmar.mdb"_s;
        EXPECT_THROW(startup::NetworkMode(session, mode, database), ProgramEnded);
        const QString shown = transcriptLines().value(0);
        EXPECT_TRUE(
            shown.startsWith(u"[message] Quelmar: No se pudo abrir la Base de Datos: Quelmar.mdb / "_s +
                             QString::fromUtf8(c.reason)))
            << shown.toStdString();
        EXPECT_TRUE(shown.contains(u"El Programa terminará."_s)) << shown.toStdString();
        EXPECT_EQ(session.database.CurrentDatabase, nullptr);
        if (c.content != "-") {
            EXPECT_EQ(fileContent(u"Quelmar.mdb"_s), before);
        }
        // The engine's own words are kept in the error log, and only there.
        const QStringList log = fileLines(u"Que_Err.log"_s);
        ASSERT_EQ(log.size(), 2);
        EXPECT_TRUE(log.at(1).startsWith(QString::fromUtf8(c.logged))) << log.at(1).toStdString();
        EXPECT_FALSE(shown.contains(log.at(1).section(u'\t', 1, 1))) << shown.toStdString();
    }
}

TEST_F(StartupTest, TheReasonForAnUnusableDatabaseSaysWhatToDo)
{
    using Kind = db::Database::FileKind;
    const QString office = u"/oficina"_s;
    const struct
    {
        Kind kind;
        int number;
        QString reason;
        QString advice;
    } cases[]{
        {Kind::Ours, db::jeterror::ReadOnly,
         u"El archivo, o el Subdirectorio /oficina, es de solo lectura, y el Programa necesita escribir en ambos."_s,
         u"Pida al encargado del sistema permiso de escritura sobre el Subdirectorio y sobre la Base de "
         u"Datos, y "
         u"vuelva a ejecutar el Programa."_s},
        {Kind::Ours, db::jeterror::CorruptDatabase, u"La Base de Datos está dañada."_s,
         u"Repárela con la orden  quelmar-admin repair \"/oficina/Quelmar.mdb\"  (guarda aparte el archivo "
         u"dañado y dice cuántos registros se salvaron), o reemplácela por su copia de respaldo más "
         u"reciente, "
         u"y avise al encargado del sistema."_s},
        {Kind::Ours, db::jeterror::OpenedExclusively,
         u"Otra computadora la tiene en uso exclusivo (por ejemplo, para respaldarla o repararla)."_s,
         u"Espere a que termine y vuelva a ejecutar el Programa."_s},
        {Kind::Ours, db::jeterror::DiskError, errormessages::forNumber(db::jeterror::DiskError),
         u"Si el problema sigue, anote el número 3043 y avise al encargado del sistema."_s},
        {Kind::Empty, db::jeterror::UnrecognizedFormat,
         u"El archivo está vacío (mide 0 bytes): no contiene ningún dato, posiblemente por un corte de luz o "
         u"una "
         u"copia incompleta."_s,
         u"Copie la Base de Datos correcta al Subdirectorio /oficina (o su copia de respaldo más reciente).  "
         u"El "
         u"archivo no se modificó."_s},
        {Kind::Jet, db::jeterror::UnrecognizedFormat,
         u"El archivo es una Base de Datos de Microsoft Access (Jet), que este Programa no abre directamente."_s,
         u"Conviértala al formato de este Programa con la orden  quelmar-admin import-mdb "
         u"\"/oficina/Quelmar.mdb\" \"/oficina/importada\"  y ponga la Base de Datos que esa orden crea en "
         u"esa "
         u"carpeta en lugar de este archivo (guárdelo aparte como respaldo).  El archivo no se modificó."_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(startup::openFailureMessage(u"Quelmar.mdb"_s, office, c.kind, c.number, u"\n"_s),
                  u"No se pudo abrir la Base de Datos: Quelmar.mdb\n"_s + c.reason + u"\n\n"_s + c.advice +
                      u"  El Programa terminará."_s);
    }
}

TEST_F(StartupTest, ADamagedDatabaseIsToldWithHowToRepairItAndTheProgramGoesOn)
{
    createDatabase(u"Quelmar.mdb"_s, {{u"LA"_s, u"Gerente"_s, u"3"_s, u"gerencia"_s}});
    {
        db::DbError error;
        auto database = db::Database::open(path(u"Quelmar.mdb"_s), {}, error);
        ASSERT_NE(database, nullptr);
        db::Transaction transaction(*database);
        for (int i = 0; i < 300; ++i)
            database->execute(u"INSERT INTO Notas (Texto) VALUES (?)"_s, {u"nota %1 "_s.arg(i).repeated(8)});
        ASSERT_TRUE(transaction.commit().ok());
    }
    testsupport::damageLastPages(path(u"Quelmar.mdb"_s), 2);
    user.answer(u"OK"_s);
    QString mode = u"Inicia"_s;
    QString database = u"Quelmar.mdb"_s;
    startup::NetworkMode(session, mode, database);
    EXPECT_EQ(mode, u"base"_s);
    EXPECT_NE(session.database.CurrentDatabase, nullptr);
    EXPECT_NE(session.database.ParamTable, nullptr);
    EXPECT_EQ(
        transcriptLines(),
        QStringList{u"[message] AVISO: La Base de Datos Quelmar.mdb está dañada: la revisión al iniciar "
                    u"encontró errores en su contenido, y algunas pantallas pueden mostrar datos "
                    u"incompletos o ninguno. /  / Para repararla, pida a los demás Usuarios que salgan del "
                    u"Programa y use la opción «Repara base de datos» del menú Administración.  Hasta "
                    u"entonces, evite registrar datos en ella. [Aceptar]"_s});
    const QStringList log = fileLines(u"Que_Err.log"_s);
    ASSERT_EQ(log.size(), 2);
    EXPECT_TRUE(log.at(1).startsWith(u" 3049\t"_s)) << log.at(1).toStdString();
    EXPECT_TRUE(log.at(1).contains(u"Quick check: "_s)) << log.at(1).toStdString();
}

TEST_F(StartupTest, ANetworkFileOfAnUnknownKindEndsTheProgram)
{
    const QByteArray cases[]{"bdr,/central/Quelmar.mdb", "v,/central/Quelmar.mdb",
                             "Centro,/central/Quelmar.mdb", ""};
    createDatabase(u"Quelmar.mdb"_s, {});
    for (const QByteArray& file : cases) {
        writeFile(u"Quelmar.red"_s, file);
        session.transcript.mark();
        user.answer(u"OK"_s);
        QString mode = u"Inicia"_s;
        QString database = u"Quelmar.mdb"_s;
        EXPECT_THROW(startup::NetworkMode(session, mode, database), ProgramEnded);
        EXPECT_EQ(transcriptLines(),
                  QStringList{u"[message] Quelmar: Hay errores en el archivo Quelmar.red [Aceptar]"_s})
            << file.toStdString();
        EXPECT_EQ(session.database.CurrentDatabase, nullptr);
    }
}

TEST_F(StartupTest, TheStartUpOpensTheOfficeAndTheMenuLoopEndsAtTheCentre)
{
    makeOffice();
    user.menu(98, [this](const WaitContext&) {
        EXPECT_EQ(session.shell.DebugSwitches, u"1s3456s8901234567890"_s);
        EXPECT_EQ(session.shell.company(1), u"Cablevisión del Valle"_s);
        EXPECT_EQ(session.shell.CurrentFile, u"Quelmar.emp"_s);
        EXPECT_NE(session.database.CurrentDatabase, nullptr);
        EXPECT_NE(session.database.ParamTable, nullptr);
        EXPECT_EQ(session.keys.AccessKeyCount(), 1);
        EXPECT_EQ(session.menu.MenuItems.size(), 84);
        EXPECT_EQ(session.shell.FormColour, qRgb(72, 76, 128));
        EXPECT_EQ(session.shell.ItemColour, qRgb(200, 236, 255));
        EXPECT_EQ(session.Mn->companyName()->text(), u"Cablevisión del Valle"_s);
    });
    try {
        startup::ProgramStart(session);
        FAIL() << "the program did not end";
    } catch (const ProgramEnded& ended) {
        EXPECT_EQ(ended.status, 0);
    }
    EXPECT_EQ(session.database.CurrentDatabase, nullptr);
    EXPECT_TRUE(user.steps.isEmpty());
}

TEST_F(StartupTest, TheMenuLoopWalksSubmenusBackToTheMainMenu)
{
    makeOffice();
    user.menu(1);  // Suscriptores
    user.menu(4);  // Listas: a menu of its own
    user.menu(98); // back from Listas
    user.menu(8);  // Órdenes de trabajo
    user.menu(98); // back from Órdenes de trabajo
    user.menu(5);  // Administración
    user.menu(98); // back from Administración
    user.menu(98);
    EXPECT_THROW(startup::ProgramStart(session), ProgramEnded);
    QStringList shown = transcriptLines();
    shown.removeIf([](const QString& line) { return line.startsWith(u"[footer]"_s); });
    ASSERT_EQ(shown.size(), 8) << shown.join(u'\n').toStdString();
    EXPECT_TRUE(shown.at(0).startsWith(u"[menu] QUELMAR | 1 Suscriptores"_s));
    EXPECT_TRUE(shown.at(1).startsWith(u"[menu] - Suscriptores | 1 "_s));
    EXPECT_TRUE(shown.at(2).startsWith(u"[menu] - Suscriptores - Listas | 1 "_s));
    EXPECT_TRUE(shown.at(3).startsWith(u"[menu] QUELMAR"_s));
    EXPECT_TRUE(shown.at(4).startsWith(u"[menu] - Órdenes de trabajo | 1 "_s));
    EXPECT_TRUE(shown.at(5).startsWith(u"[menu] QUELMAR"_s));
    EXPECT_TRUE(shown.at(6).startsWith(u"[menu] - Administración | 1 Respaldo"_s));
    EXPECT_TRUE(shown.at(7).startsWith(u"[menu] QUELMAR"_s));
    EXPECT_TRUE(user.steps.isEmpty());
}

} // namespace
} // namespace quelmar::shelltest
