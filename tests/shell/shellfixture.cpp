#include "shellfixture.h"

#include "db/database.h"
#include "db/recordset.h"
#include "office/office.h"
#include "shell/menuform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace quelmar::shelltest {

void ShellUser::act(const WaitContext& context)
{
    waits.append(context.description);
    if (steps.isEmpty()) {
        ADD_FAILURE() << "the program still waits for " << context.description.toStdString();
        throw std::runtime_error("the program still waits for " + context.description.toStdString());
    }
    const Step step = steps.takeFirst();
    if (step.inspect)
        step.inspect(context);
    if (step.verb.isEmpty())
        return;
    if (!context.respond || !context.respond(step.verb, step.argument))
        refused.append(step.verb + QLatin1Char(' ') + step.argument);
}

void ShellUser::menu(int option, std::function<void(const WaitContext&)> inspect)
{
    steps.append({QStringLiteral("menu"), QString::number(option), std::move(inspect)});
}

void ShellUser::answer(const QString& text, std::function<void(const WaitContext&)> inspect)
{
    steps.append({QStringLiteral("answer"), text, std::move(inspect)});
}

void ShellUser::choose(const QString& entries)
{
    steps.append({QStringLiteral("choose"), entries, {}});
}

void ShellUser::inspect(std::function<void(const WaitContext&)> look)
{
    steps.append({QString(), QString(), std::move(look)});
}

void ShellTest::SetUp()
{
    ASSERT_TRUE(folder.isValid());
    office::install(session);
    session.shell.WorkingFolder = QDir(folder.path());
    session.shell.DebugSwitches = QStringLiteral("1s3456s8901234567890");
    ASSERT_TRUE(session.transcript.open(path(QStringLiteral("transcript.txt"))));
    session.exitProcess = [](int status) { throw ProgramEnded{status}; };
    form = std::make_unique<MainForm>(session);
    session.k = form.get();
    form->resize(960, 680);
    form->show();
    session.wait.setStandIn(&user);
}

void ShellTest::TearDown()
{
    session.wait.setStandIn(nullptr);
    delete session.Mn;
    session.k = nullptr;
    form.reset();
    session.database.ParamTable.reset();
    session.database.CurrentDatabase.reset();
}

QString ShellTest::path(const QString& name) const
{
    return QDir(folder.path()).filePath(name);
}

void ShellTest::writeFile(const QString& name, const QByteArray& bytes) const
{
    QFile file(path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void ShellTest::writeLines(const QString& name, const QStringList& lines) const
{
    writeFile(name, (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
}

QStringList ShellTest::fileLines(const QString& name) const
{
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void ShellTest::createDatabase(const QString& name, const QList<QStringList>& parameterRows) const
{
    using namespace db;
    DbError error;
    std::unique_ptr<Database> database = Database::create(path(name), error);
    ASSERT_TRUE(database) << error.description.toStdString();
    const auto field = [](const QString& fieldName, int type, int size) {
        FieldDef def;
        def.name = fieldName;
        def.type = type;
        def.size = size;
        return def;
    };
    TableDef parameters;
    parameters.name = QStringLiteral("Parametros");
    parameters.fields = {
        field(QStringLiteral("Clase"), jettype::Text, 20), field(QStringLiteral("Secuen"), jettype::Long, 0),
        field(QStringLiteral("Nombre"), jettype::Text, 50), field(QStringLiteral("Clave"), jettype::Text, 20),
        field(QStringLiteral("Contenido"), jettype::Text, 255)};
    parameters.indexes = {
        {QStringLiteral("Clase"), {QStringLiteral("Clase"), QStringLiteral("Secuen")}, false, false}};
    TableDef notes;
    notes.name = QStringLiteral("Notas");
    notes.fields = {field(QStringLiteral("Texto"), jettype::Text, 100)};
    error = database->createTables({parameters, notes});
    ASSERT_TRUE(error.ok()) << error.description.toStdString();
    int sequence = 0;
    for (const QStringList& row : parameterRows) {
        error = database->execute(
            QStringLiteral(
                "INSERT INTO Parametros (Clase, Secuen, Nombre, Clave, Contenido) VALUES (?, ?, ?, ?, ?)"),
            {row.value(0), ++sequence, row.value(1), row.value(2), row.value(3)});
        ASSERT_TRUE(error.ok()) << error.description.toStdString();
    }
}

QStringList ShellTest::transcriptLines()
{
    QStringList lines = session.transcript.sinceMark().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    session.transcript.mark();
    return lines;
}

QString repositoryData(const QString& name)
{
    // This file is tests/shell/shellfixture.cpp of the repository.
    const QDir repository =
        QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath(QStringLiteral("../.."));
    return QDir::cleanPath(repository.filePath(QStringLiteral("data/") + name));
}

} // namespace quelmar::shelltest
