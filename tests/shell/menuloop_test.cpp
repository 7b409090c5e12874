// The menu loop's options that fail: the user is told, in Spanish, that an error happened, in which option
// and what to do, and the error log keeps the database's own description; the loop then goes on.
#include "db/database.h"
#include "shell/shellfixture.h"
#include "shell/startup.h"

#include <QFile>

#include <gtest/gtest.h>

namespace quelmar::shelltest {
namespace {

using namespace Qt::StringLiterals;

class FailingOptionTest : public ShellTest
{
protected:
    // An office whose parameters table lacks the tariffs' amount (Contenido): the program starts, but the
    // tariffs cannot be shown.
    void makeOffice()
    {
        ASSERT_TRUE(QFile::copy(repositoryData(u"Quelmar.men"_s), path(u"Quelmar.men"_s)));
        writeLines(u"Quelmar.emp"_s, {u"Cablevisión del Valle"_s, u"Sucursal Centro"_s, u""_s, u"Quelmar"_s});
        db::DbError error;
        std::unique_ptr<db::Database> database = db::Database::create(path(u"Quelmar.mdb"_s), error);
        ASSERT_TRUE(database) << error.description.toStdString();
        const auto field = [](const QString& name, int type, int size) {
            db::FieldDef def;
            def.name = name;
            def.type = type;
            def.size = size;
            return def;
        };
        db::TableDef parameters;
        parameters.name = u"Parametros"_s;
        parameters.fields = {
            field(u"Clase"_s, db::jettype::Text, 20), field(u"Secuen"_s, db::jettype::Long, 0),
            field(u"Nombre"_s, db::jettype::Text, 50), field(u"Clave"_s, db::jettype::Text, 20)};
        parameters.indexes = {{u"Clase"_s, {u"Clase"_s, u"Secuen"_s}, false, false}};
        ASSERT_FALSE(database->createTables({parameters}));
        ASSERT_FALSE(
            database->execute(u"INSERT INTO Parametros (Clase, Secuen, Nombre) VALUES ('P', 1, 'Renta')"_s));
    }
};

TEST_F(FailingOptionTest, TariffsThatCannotBeShownAreToldAndLogged)
{
    makeOffice();
    user.menu(5);
    user.menu(5);
    QString shown;
    user.answer(u"OK"_s, [&shown](const WaitContext& context) { shown = context.description; });
    user.menu(98);
    EXPECT_THROW(startup::ProgramStart(session), ProgramEnded);
    EXPECT_TRUE(user.steps.isEmpty());
    EXPECT_TRUE(user.refused.isEmpty()) << user.refused.join(u" | "_s).toStdString();

    EXPECT_EQ(shown,
              u"Quelmar: Ha ocurrido un error.  Conviene que grabe y anote el tipo de problema:  /  5  La "
              u"consulta tiene un error o nombra un campo que no existe.  Revise la selección o el orden que "
              u"escribió y vuelva a intentarlo."_s);
    const QStringList log = fileLines(u"Que_Err.log"_s);
    ASSERT_GE(log.size(), 2) << log.join(u'\n').toStdString();
    EXPECT_TRUE(log.constLast().startsWith(u" 3061\t"_s)) << log.join(u'\n').toStdString();
    EXPECT_TRUE(log.constLast().contains(u"\tBDats\t"_s)) << log.join(u'\n').toStdString();
}

TEST_F(FailingOptionTest, AChooserThatCannotListTheSubscribersIsToldAndLogged)
{
    makeOffice(); // an office without the subscribers' table
    user.menu(2);
    user.menu(1);
    user.answer(u"C"_s);
    user.answer(u"120"_s);
    QString shown;
    user.answer(u"OK"_s, [&shown](const WaitContext& context) { shown = context.description; });
    user.menu(98);
    EXPECT_THROW(startup::ProgramStart(session), ProgramEnded);
    EXPECT_TRUE(user.steps.isEmpty());
    EXPECT_TRUE(user.refused.isEmpty()) << user.refused.join(u" | "_s).toStdString();

    EXPECT_EQ(shown,
              u"Quelmar: Ha ocurrido un error.  Conviene que grabe y anote el tipo de problema:  /  1  No se "
              u"encuentra una tabla o consulta en la Base de Datos.  Revise que la Base de Datos sea la de "
              u"este Programa."_s);
    const QStringList log = fileLines(u"Que_Err.log"_s);
    ASSERT_GE(log.size(), 2) << log.join(u'\n').toStdString();
    EXPECT_TRUE(log.constLast().startsWith(u" 3078\t"_s)) << log.join(u'\n').toStdString();
}

} // namespace
} // namespace quelmar::shelltest
