#include "subscribers/demooffice.h"

#include "core/clock.h"
#include "core/datetext.h"
#include "db/database.h"
#include "db/recordset.h"

#include "../filesizelimit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace Qt::StringLiterals;
using namespace quelmar;
using namespace quelmar::subscribers;

namespace {

const QDate Today(2026, 11, 15);

DemoOptions smallOffice(quint32 seed = 3)
{
    DemoOptions options;
    options.subscribers = 80;
    options.years = 1;
    options.seed = seed;
    return options;
}

// The office's expiry arithmetic: a day past the end of the month rolls into the next month.
QDate addMonthsRolling(const QDate& date, int months)
{
    const int index = date.year() * 12 + date.month() - 1 + months;
    return QDate(index / 12, index % 12 + 1, 1).addDays(date.day() - 1);
}

QString readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

class DemoOfficeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Clock::setToday(Today);
        ASSERT_TRUE(m_temporary.isValid());
    }
    void TearDown() override { Clock::setToday(QDate()); }

    QString folder(const QString& name = u"oficina"_s) const { return m_temporary.filePath(name); }

    // Creates the office and opens its database.
    db::Database& create(const DemoOptions& options = smallOffice(), const QString& name = u"oficina"_s)
    {
        const db::DbError error = createDemoOffice(folder(name), options, &m_summary);
        EXPECT_TRUE(error.ok()) << error.number << " " << error.description.toStdString();
        db::DbError openError;
        m_database = db::Database::open(QDir(folder(name)).filePath(u"Quelmar.mdb"_s), {}, openError);
        EXPECT_TRUE(m_database) << openError.description.toStdString();
        return *m_database;
    }

    QList<QVariantList> rows(const QString& sql)
    {
        db::DbError error;
        const std::unique_ptr<db::Recordset> recordset =
            m_database->openRecordset(sql, db::RecordsetType::Snapshot, error);
        EXPECT_TRUE(recordset) << sql.toStdString() << ": " << error.description.toStdString();
        QList<QVariantList> result;
        if (!recordset)
            return result;
        for (recordset->moveFirst(); !recordset->eof(); recordset->moveNext()) {
            QVariantList row;
            for (int i = 0; i < recordset->fieldCount(); ++i)
                row.append(recordset->value(i));
            result.append(row);
        }
        return result;
    }

    QStringList column(const QString& sql)
    {
        QStringList values;
        for (const QVariantList& row : rows(sql))
            values.append(row.value(0).toString());
        return values;
    }

    qint64 count(const QString& sql)
    {
        const QList<QVariantList> result = rows(sql);
        return result.isEmpty() ? -1 : result.first().value(0).toLongLong();
    }

    // Every row as one line of text, for comparing whole tables.
    QString text(const QString& sql)
    {
        QStringList lines;
        for (const QVariantList& row : rows(sql)) {
            QStringList values;
            for (const QVariant& value : row)
                values.append(value.isNull() ? u"<null>"_s : value.toString());
            lines.append(values.join(u'|'));
        }
        return lines.join(u'\n');
    }

    QTemporaryDir m_temporary;
    DemoSummary m_summary;
    std::unique_ptr<db::Database> m_database;
};

// ---- The folder ------------------------------------------------------------------------------------------

TEST_F(DemoOfficeTest, writesTheDatabaseAndEveryFileOfTheOffice)
{
    create();
    for (const QString& name : demoOfficeFileNames() + QStringList{u"Quelmar.mdb"_s})
        EXPECT_TRUE(QFile::exists(QDir(folder()).filePath(name))) << name.toStdString();

    ASSERT_EQ(m_summary.rowCounts.size(), 8);
    for (const auto& [table, written] : m_summary.rowCounts) {
        EXPECT_GT(written, 0) << table.toStdString();
        EXPECT_EQ(count(u"SELECT Count(*) FROM [%1]"_s.arg(table)), written) << table.toStdString();
    }
}

TEST_F(DemoOfficeTest, companyFileNamesTheDatabaseAndTheReceiptPrinterFile)
{
    create();
    const QStringList lines = readText(QDir(folder()).filePath(u"Quelmar.emp"_s)).split(u'\n');
    ASSERT_GE(lines.size(), 13);
    EXPECT_FALSE(lines.at(0).isEmpty());  // company name
    EXPECT_EQ(lines.at(3), u"Quelmar"_s); // database name: Quelmar.mdb
    for (int i = 4; i <= 10; ++i)         // receipt headings and closing line
        EXPECT_FALSE(lines.at(i).isEmpty()) << "line " << i + 1;
    EXPECT_EQ(lines.at(11), u"file:recibos.txt"_s);
}

// A database named elsewhere (a server's URI or another file) is where the data goes, and the company file
// names it on its database line, the other lines as always.
TEST_F(DemoOfficeTest, aDatabaseNamedElsewhereIsNamedByTheCompanyFile)
{
    ASSERT_TRUE(QDir().mkpath(folder(u"datos"_s)));
    DemoOptions options = smallOffice();
    options.database = QDir(folder(u"datos"_s)).filePath(u"Sucursal.mdb"_s);
    const db::DbError error = createDemoOffice(folder(), options, &m_summary);
    ASSERT_TRUE(error.ok()) << error.description.toStdString();
    EXPECT_TRUE(QFileInfo::exists(options.database));
    EXPECT_FALSE(QFileInfo::exists(QDir(folder()).filePath(u"Quelmar.mdb"_s)));
    const QStringList lines = readText(QDir(folder()).filePath(u"Quelmar.emp"_s)).split(u'\n');
    ASSERT_GE(lines.size(), 13);
    EXPECT_EQ(lines.at(3), options.database.chopped(4));
    EXPECT_FALSE(lines.at(0).isEmpty());
    EXPECT_EQ(lines.at(11), u"file:recibos.txt"_s);
}

TEST_F(DemoOfficeTest, refusesAFolderThatAlreadyHasADatabase)
{
    create();
    const qint64 subscribers = count(u"SELECT Count(*) FROM Suscriptores"_s);
    QFile notices(QDir(folder()).filePath(u"Avisos.txt"_s));
    ASSERT_TRUE(notices.open(QIODevice::Append));
    notices.write("5- Aviso escrito en la oficina\n");
    notices.close();

    DemoOptions bigger = smallOffice();
    bigger.subscribers = 120;
    const db::DbError error = createDemoOffice(folder(), bigger);

    EXPECT_FALSE(error.ok());
    EXPECT_TRUE(error.description.contains(u"Quelmar.mdb"_s)) << error.description.toStdString();
    EXPECT_EQ(count(u"SELECT Count(*) FROM Suscriptores"_s), subscribers);
    EXPECT_TRUE(readText(notices.fileName()).contains(u"5- Aviso escrito en la oficina"_s));
}

// Every file under the folder with its bytes, for telling that nothing was touched.
std::map<QString, QByteArray> filesUnder(const QString& folder)
{
    std::map<QString, QByteArray> files;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        QFile file(dir.filePath(name));
        files[name] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<carpeta>");
    }
    return files;
}

// Another office's files, or a file of the demonstration's, are never overwritten nor mixed with a new
// office; a folder that holds only other files takes the office beside them.
TEST_F(DemoOfficeTest, refusesAFolderWithAnotherOfficesFilesAndTakesOneWithOtherFiles)
{
    const struct
    {
        const char* what;
        QStringList files;
        bool refused;
    } cases[] = {
        {"another office", {u"Norte.emp"_s, u"Norte.mdb"_s, u"Avisos.txt"_s}, true},
        {"a notice file alone", {u"Avisos.txt"_s}, true},
        {"a menu file", {u"Norte.men"_s}, true},
        {"a work-order template", {u"OrdCorte.txt"_s}, true},
        {"files of no office", {u"notas.txt"_s, u"foto.jpg"_s}, false},
        {"an empty folder", {}, false},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString name = u"caso%1"_s.arg(++n);
        ASSERT_TRUE(QDir().mkpath(folder(name)));
        for (const QString& file : c.files) {
            QFile text(QDir(folder(name)).filePath(file));
            ASSERT_TRUE(text.open(QIODevice::WriteOnly));
            text.write("de la oficina Norte: " + file.toUtf8());
        }
        const std::map<QString, QByteArray> before = filesUnder(folder(name));
        const std::map<QString, QByteArray> beside = filesUnder(m_temporary.path());

        const db::DbError error = createDemoOffice(folder(name), smallOffice());

        if (c.refused) {
            EXPECT_EQ(error.number, 3204) << error.description.toStdString();
            EXPECT_TRUE(filesUnder(folder(name)) == before) << "the folder was touched";
        } else {
            ASSERT_TRUE(error.ok()) << error.description.toStdString();
            const std::map<QString, QByteArray> after = filesUnder(folder(name));
            for (const auto& [file, bytes] : before)
                EXPECT_EQ(after.at(file), bytes) << file.toStdString();
            for (const QString& file : demoOfficeFileNames() + QStringList{demoDatabaseFileName()})
                EXPECT_TRUE(after.contains(file)) << file.toStdString();
        }
        // Nothing is left beside it either.
        EXPECT_TRUE(filesUnder(m_temporary.path()) == beside);
    }
}

// A disk that fills up while the office is made: the command says so and where, and leaves the target as it
// was, with nothing beside it (no half-written files, no journal of the database).
TEST_F(DemoOfficeTest, aFullDiskIsToldAndLeavesTheFolderAsItWas)
{
    const struct
    {
        const char* what;
        rlim_t bytesLeft;
        bool folderExists;
    } cases[] = {
        {"the menu file does not fit, new folder", 4096, false},
        {"the database does not fit, new folder", 96 * 1024, false},
        {"the database does not fit, folder with other files", 96 * 1024, true},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString target = folder(u"lleno%1"_s.arg(++n));
        if (c.folderExists) {
            ASSERT_TRUE(QDir().mkpath(target));
            QFile other(QDir(target).filePath(u"notas.txt"_s));
            ASSERT_TRUE(other.open(QIODevice::WriteOnly));
            other.write("notas");
        }
        const std::map<QString, QByteArray> before = filesUnder(target);
        const std::map<QString, QByteArray> beside = filesUnder(m_temporary.path());

        QProcess admin;
        testsupport::limitFileSize(admin, c.bytesLeft);
        admin.start(QStringLiteral(QUELMAR_ADMIN),
                    {u"create-demo"_s, target, u"--subscribers"_s, u"200"_s, u"--years"_s, u"2"_s});
        ASSERT_TRUE(admin.waitForFinished(120000));
        const QString output = QString::fromUtf8(admin.readAllStandardOutput());
        const QString errors = QString::fromUtf8(admin.readAllStandardError());

        EXPECT_EQ(admin.exitCode(), 1) << output.toStdString() << errors.toStdString();
        EXPECT_FALSE(output.contains(u"creada"_s)) << output.toStdString();
        EXPECT_TRUE(errors.contains(u"no se creó la oficina de demostración en '%1'"_s.arg(target)))
            << errors.toStdString();
        EXPECT_TRUE(errors.contains(u"espacio libre en el disco"_s)) << errors.toStdString();
        EXPECT_TRUE(filesUnder(target) == before) << "the folder was touched";
        EXPECT_EQ(QFileInfo::exists(target), c.folderExists);
        EXPECT_TRUE(filesUnder(m_temporary.path()) == beside) << "something was left beside the folder";
    }
}

TEST_F(DemoOfficeTest, theSameSeedAndDayGiveTheSameDataAndAnotherSeedOther)
{
    const QStringList statements = {u"SELECT * FROM Suscriptores ORDER BY Clave"_s,
                                    u"SELECT * FROM Pagos ORDER BY Ticket, Concepto"_s,
                                    u"SELECT * FROM Situación ORDER BY Suscriptor, Fecha, Nota"_s,
                                    u"SELECT * FROM Quejas ORDER BY Clave"_s,
                                    u"SELECT * FROM Gastos ORDER BY Fecha, Descripción, Monto"_s};
    auto snapshot = [&](const QString& name, quint32 seed) {
        create(smallOffice(seed), name);
        QStringList texts;
        for (const QString& statement : statements)
            texts.append(text(statement));
        return texts;
    };
    const QStringList first = snapshot(u"uno"_s, 11);
    const QStringList again = snapshot(u"dos"_s, 11);
    const QStringList other = snapshot(u"tres"_s, 12);

    for (int i = 0; i < statements.size(); ++i) {
        EXPECT_FALSE(first.at(i).isEmpty()) << statements.at(i).toStdString();
        EXPECT_EQ(first.at(i), again.at(i)) << statements.at(i).toStdString();
    }
    EXPECT_NE(first.at(0), other.at(0));
    EXPECT_NE(first.at(1), other.at(1));
}

// ---- Parameters ------------------------------------------------------------------------------------------

// The payment form walks class "P" on the index "Clase" and skips rows whose Clave holds "@".
TEST_F(DemoOfficeTest, offersTheTariffsInThePaymentFormsOrder)
{
    db::Database& database = create();
    db::DbError error;
    const std::unique_ptr<db::Recordset> parameters = database.openTable(u"Parametros"_s, u"Clase"_s, error);
    ASSERT_TRUE(parameters) << error.description.toStdString();
    ASSERT_TRUE(parameters->seek(u"="_s, {u"P"_s}));

    QStringList offered;
    int skipped = 0;
    for (; !parameters->eof() && parameters->value(u"Clase"_s).toString() == u"P"_s; parameters->moveNext()) {
        if (parameters->value(u"Clave"_s).toString().contains(u'@'))
            ++skipped;
        else
            offered.append(parameters->value(u"Nombre"_s).toString());
    }

    EXPECT_EQ(offered, (QStringList{u"Renta (1-2 TV)"_s, u"Renta (3-4 TV)"_s, u"Cable adicional"_s,
                                    u"Cambio de domicilio"_s, u"Reconexión (1-2 TV)"_s,
                                    u"Reconexión (3-4 TV)"_s, u"Instalación"_s}));
    EXPECT_EQ(skipped, 1);
}

TEST_F(DemoOfficeTest, classifierFieldsNameClassesThatHoldEveryValueTheDataUses)
{
    db::Database& database = create();
    struct Case
    {
        QString table;
        QString field;
        QStringList values; // in the classifier's order
        bool everyValueUsed;
    };
    const QList<Case> cases = {
        {u"Suscriptores"_s,
         u"Situación"_s,
         {u"Conectado"_s, u"Vencido"_s, u"Cortado"_s, u"Por Reconectar"_s, u"Por Instalar"_s, u"Baja"_s},
         true},
        {u"Suscriptores"_s, u"Clase"_s, {u"1-2 TV"_s, u"3-4 TV"_s, u"Hotel"_s}, true},
        {u"Gastos"_s,
         u"Tipo"_s,
         {u"Papelería"_s, u"Combustible"_s, u"Material de instalación"_s, u"Mantenimiento de vehículos"_s,
          u"Luz y teléfono"_s, u"Sueldos y honorarios"_s, u"Renta de postes"_s, u"Limpieza"_s},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field.toStdString());
        const db::FieldDef field = database.field(c.table, c.field);
        ASSERT_TRUE(field.isClassifier());
        const QString parameterClass = field.defaultValue.mid(1, field.defaultValue.size() - 2).trimmed();

        EXPECT_EQ(count(u"SELECT Count(*) FROM Parametros WHERE Clase = '%1' AND Clave Like '*@*'"_s.arg(
                      parameterClass)),
                  1);
        const QStringList values = column(
            u"SELECT Nombre FROM Parametros WHERE Clase = '%1' AND Clave Is Null ORDER BY Secuen"_s.arg(
                parameterClass));
        EXPECT_EQ(values, c.values);
        const QStringList used =
            column(u"SELECT DISTINCT [%1] FROM [%2] WHERE [%1] Is Not Null"_s.arg(c.field, c.table));
        EXPECT_FALSE(used.isEmpty());
        for (const QString& value : used)
            EXPECT_TRUE(values.contains(value)) << value.toStdString();
        if (c.everyValueUsed) {
            EXPECT_EQ(QSet<QString>(used.begin(), used.end()), QSet<QString>(values.begin(), values.end()));
        }
    }
    EXPECT_EQ(
        count(
            u"SELECT Count(*) FROM Parametros WHERE Clase Like '!C*' AND Clave = '@' AND Contenido = 'x'"_s),
        1);
}

TEST_F(DemoOfficeTest, relationFieldsPointAtSubscribersThatExist)
{
    db::Database& database = create();
    const QList<std::pair<QString, QString>> relations = {
        {u"Pagos"_s, u"Suscriptor"_s}, {u"Situación"_s, u"Suscriptor"_s}, {u"Quejas"_s, u"Cliente"_s}};
    for (const auto& [table, field] : relations) {
        SCOPED_TRACE(table.toStdString());
        EXPECT_TRUE(database.field(table, field).defaultValue.startsWith(u"!R/Suscriptores/Clave"_s));
        EXPECT_EQ(count(u"SELECT Count(*) FROM [%1] LEFT JOIN Suscriptores ON [%1].[%2] = Suscriptores.Clave "
                        u"WHERE Suscriptores.Clave Is Null"_s.arg(table, field)),
                  0);
    }
}

TEST_F(DemoOfficeTest, accessKeysCounterAndConstantsAreThere)
{
    create();
    EXPECT_EQ(text(u"SELECT Nombre, Clave, Contenido FROM Parametros WHERE Clase = 'LA' ORDER BY Secuen"_s),
              u"Cajero|2|caja\nGerente|3|gerencia"_s);
    for (const QString& parameterClass : {u"CDT"_s, u"DV"_s, u"DOC"_s, u"CONS"_s})
        EXPECT_GT(count(u"SELECT Count(*) FROM Parametros WHERE Clase = '%1'"_s.arg(parameterClass)), 0)
            << parameterClass.toStdString();
}

// ---- Subscribers and their history ---------------------------------------------------------------------

TEST_F(DemoOfficeTest, unitsFitTheServiceClass)
{
    create();
    const QList<std::tuple<QString, int, int>> cases = {
        {u"1-2 TV"_s, 1, 2}, {u"3-4 TV"_s, 3, 4}, {u"Hotel"_s, 5, 40}};
    for (const auto& [serviceClass, lowest, highest] : cases) {
        const QList<QVariantList> range = rows(
            u"SELECT Min(Unidades), Max(Unidades) FROM Suscriptores WHERE Clase = '%1'"_s.arg(serviceClass));
        ASSERT_EQ(range.size(), 1);
        EXPECT_GE(range.first().at(0).toInt(), lowest) << serviceClass.toStdString();
        EXPECT_LE(range.first().at(1).toInt(), highest) << serviceClass.toStdString();
    }
}

TEST_F(DemoOfficeTest, expiriesAgreeWithTheStatus)
{
    create(smallOffice(5));
    const QString today = datetext::jetLiteral(Today);
    // Subscribers that break the rule of their status: none.
    const QStringList breaking = {
        u"Situación = 'Por Instalar' AND (Vencimiento >= #01-01-1991# OR Instalación Is Not Null)"_s,
        u"Situación <> 'Por Instalar' AND (Vencimiento < #01-01-1991# OR Instalación Is Null)"_s,
        u"Situación In ('Vencido', 'Cortado', 'Baja') AND Vencimiento >= "_s + today,
        u"Situación = 'Conectado' AND Vencimiento < "_s + datetext::jetLiteral(Today.addDays(-5)),
        u"Instalación > Vencimiento"_s,
    };
    for (const QString& condition : breaking)
        EXPECT_EQ(count(u"SELECT Count(*) FROM Suscriptores WHERE "_s + condition), 0)
            << condition.toStdString();
    EXPECT_GT(count(u"SELECT Count(*) FROM Suscriptores WHERE Situación = 'Conectado' AND Vencimiento > "_s +
                    today),
              0);
}

// A cut subscriber who pays is offered the days since the newest "Cortado" row of the history.
TEST_F(DemoOfficeTest, everySubscriberThatWasCutHasTheCutInTheHistory)
{
    create(smallOffice(7));
    const QStringList cut = column(u"SELECT DISTINCT Suscriptor FROM Situación WHERE Nota Like 'Cortado*'"_s);
    for (const QString& status : {u"Cortado"_s, u"Por Reconectar"_s, u"Baja"_s}) {
        const QStringList keys =
            column(u"SELECT Clave FROM Suscriptores WHERE Situación = '%1'"_s.arg(status));
        EXPECT_FALSE(keys.isEmpty()) << status.toStdString();
        for (const QString& key : keys)
            EXPECT_TRUE(cut.contains(key)) << status.toStdString() << " " << key.toStdString();
    }
}

// ---- Payments ---------------------------------------------------------------------------------------------

TEST_F(DemoOfficeTest, ticketsRiseWithTheDateAndTheCounterHoldsTheLastOne)
{
    db::Database& database = create();
    const QList<QVariantList> tickets = rows(u"SELECT Ticket, Fecha FROM Pagos ORDER BY Ticket"_s);
    ASSERT_FALSE(tickets.isEmpty());
    for (qsizetype i = 1; i < tickets.size(); ++i)
        ASSERT_LE(tickets.at(i - 1).at(1).toDate(), tickets.at(i).at(1).toDate()) << "ticket " << i;
    QSet<qint64> distinct;
    for (const QVariantList& ticket : tickets)
        distinct.insert(ticket.at(0).toLongLong());
    EXPECT_GT(tickets.size(), distinct.size()); // some payments have several concepts on one ticket

    const qint64 last = tickets.last().at(0).toLongLong();
    EXPECT_EQ(m_summary.lastTicket, last);
    EXPECT_EQ(column(u"SELECT Contenido FROM Parametros WHERE Clase = 'CDT'"_s),
              QStringList{QString::number(last)});
    qint64 next = 0;
    ASSERT_TRUE(database.takeCounter(u"CDT"_s, next).ok());
    EXPECT_EQ(next, last + 1);
}

// Every ticket has the receipt its payment printed, kept with it: the company's heading, the ticket on its
// day, the subscriber's name and contract, and one line per concept paid with the ticket's total.
TEST_F(DemoOfficeTest, everyTicketKeepsItsReceipt)
{
    create();
    const QStringList paidTickets = column(u"SELECT Ticket FROM Pagos"_s);
    const QStringList receiptTickets = column(u"SELECT Ticket FROM Recibos"_s);
    EXPECT_EQ(QSet<QString>(receiptTickets.begin(), receiptTickets.end()),
              QSet<QString>(paidTickets.begin(), paidTickets.end()));
    EXPECT_EQ(QSet<QString>(receiptTickets.begin(), receiptTickets.end()).size(), receiptTickets.size());
    const QStringList company = readText(QDir(folder()).filePath(u"Quelmar.emp"_s)).split(u'\n');
    const QList<QVariantList> receipts = rows(
        u"SELECT Recibos.Ticket, Recibos.Suscriptor, Recibos.Fecha, Recibos.Texto, Suscriptores.Nombre, "
        u"Suscriptores.Contrato FROM Recibos, Suscriptores WHERE Suscriptores.Clave = Recibos.Suscriptor "
        u"ORDER BY Recibos.Ticket"_s);
    ASSERT_EQ(qint64(receipts.size()), count(u"SELECT Count(*) FROM Recibos"_s));
    for (const QVariantList& receipt : receipts) {
        const QString ticket = receipt.at(0).toString();
        SCOPED_TRACE(ticket.toStdString());
        const QStringList lines = receipt.at(3).toString().split(u'\n');
        const QList<QVariantList> paid =
            rows(u"SELECT Concepto, Cantidad, Suscriptor, Fecha FROM Pagos WHERE Ticket = "_s + ticket);
        ASSERT_FALSE(paid.isEmpty());
        ASSERT_EQ(lines.size(), 17 + paid.size());
        EXPECT_EQ(lines.at(0), company.at(4));
        EXPECT_EQ(lines.at(16 + paid.size()), company.at(10));
        EXPECT_TRUE(lines.at(7).startsWith(u"Ticket = "_s + ticket + u"   "_s +
                                           datetext::dayMonthYear(paid.first().at(3).toDate())))
            << lines.at(7).toStdString();
        EXPECT_EQ(receipt.at(2).toDate(), paid.first().at(3).toDate());
        EXPECT_EQ(lines.at(9).trimmed(), receipt.at(4).toString().left(36).trimmed());
        double total = 0;
        for (qsizetype i = 0; i < paid.size(); ++i) {
            EXPECT_EQ(paid.at(i).at(2), receipt.at(1));
            const QString amount = QString::number(paid.at(i).at(1).toDouble(), 'g', 15);
            EXPECT_TRUE(lines.at(13 + i).contains(paid.at(i).at(0).toString() + u" = "_s + amount))
                << lines.at(13 + i).toStdString();
            total += paid.at(i).at(1).toDouble();
        }
        EXPECT_TRUE(lines.at(10).startsWith(u"   Contrato "_s + receipt.at(5).toString()));
        EXPECT_TRUE(lines.at(10).endsWith(u"Total: $"_s + QLocale(QLocale::English).toString(qint64(total)) +
                                          u".00"_s))
            << lines.at(10).toStdString();
    }
}

// Rent rows carry the months and the period as the payment form writes them, within 34 characters.
TEST_F(DemoOfficeTest, rentObservationsDescribeThePeriodPaid)
{
    create();
    static const QRegularExpression note(
        u"^(\\d+) Mes (?: por instalar| (\\d\\d-\\w{3}-\\d{4}) a (\\d\\d-\\w{3}-\\d{4}))$"_s);
    const QList<QVariantList> rents =
        rows(u"SELECT Observaciones, Cantidad, Concepto FROM Pagos WHERE Concepto Like 'Renta*'"_s);
    ASSERT_FALSE(rents.isEmpty());
    int periods = 0;
    for (const QVariantList& rent : rents) {
        const QString observation = rent.at(0).toString();
        const QRegularExpressionMatch match = note.match(observation);
        ASSERT_TRUE(match.hasMatch()) << observation.toStdString();
        EXPECT_LE(observation.size(), 34);
        EXPECT_GT(rent.at(1).toDouble(), 0);
        if (match.captured(2).isEmpty())
            continue;
        ++periods;
        const QDate from = datetext::parse(match.captured(2));
        const QDate to = datetext::parse(match.captured(3));
        ASSERT_TRUE(from.isValid() && to.isValid()) << observation.toStdString();
        EXPECT_EQ(addMonthsRolling(from, match.captured(1).toInt()), to) << observation.toStdString();
    }
    EXPECT_GT(periods, 0);
    EXPECT_EQ(count(u"SELECT Count(*) FROM Pagos WHERE Concepto Not Like 'Renta*' AND Observaciones <> ''"_s),
              0);
}

// Each screen of the menus finds something to show.
TEST_F(DemoOfficeTest, holdsTheCasesEveryScreenShows)
{
    create();
    const std::map<QString, QString> cases = {
        {u"pending complaints"_s, u"SELECT Count(*) FROM Quejas WHERE Solución Is Null"_s},
        {u"solved complaints"_s,
         u"SELECT Count(*) FROM Quejas WHERE Solución Is Not Null AND Fecha Is Not Null"_s},
        {u"expenses to reimburse"_s, u"SELECT Count(*) FROM Gastos WHERE Cheque Is Null"_s},
        {u"reimbursed expenses"_s, u"SELECT Count(*) FROM Gastos WHERE Cheque Is Not Null"_s},
        {u"bonified cuts"_s,
         u"SELECT Count(*) FROM Situación WHERE Clase = 'Bonifica' AND [Cambiado por] = 'Automatico'"_s},
        {u"reconnections"_s, u"SELECT Count(*) FROM Situación WHERE Nota Like 'Conectado-*'"_s},
        {u"notices waiting"_s, u"SELECT Count(*) FROM Suscriptores WHERE Observaciones Like '*  Aviso=2*'"_s},
        {u"reconnection payments"_s, u"SELECT Count(*) FROM Pagos WHERE Concepto Like 'Reconexión*'"_s},
        {u"today's expiries window"_s,
         u"SELECT Count(*) FROM Suscriptores WHERE Situación = 'Conectado' AND Vencimiento >= "_s +
             datetext::jetLiteral(Today) + u" AND Vencimiento <= "_s +
             datetext::jetLiteral(Today.addDays(31))},
    };
    for (const auto& [what, statement] : cases)
        EXPECT_GT(count(statement), 0) << what.toStdString();
}

TEST_F(DemoOfficeTest, largeOfficeComesCloseToThePaymentsAsked)
{
    DemoSummary summary;
    ASSERT_TRUE(createLargeOffice(folder(u"grande"_s), 400, 6000, 1, &summary).ok());
    std::map<QString, qint64> counts(summary.rowCounts.begin(), summary.rowCounts.end());
    EXPECT_EQ(counts[u"Suscriptores"_s], 400);
    EXPECT_NEAR(double(counts[u"Pagos"_s]), 6000.0, 6000.0 * 0.2);
}

// ---- Text files
// ---------------------------------------------------------------------------------------------

// The menu engine finds the chosen option's line by the menu's code followed by the option's number, so
// the k-th option of each menu in file order must have that code.
TEST_F(DemoOfficeTest, menuFileHasEveryOptionTheMenuLoopHandles)
{
    create();
    QList<QStringList> lines;
    for (const QString& line : readText(QDir(folder()).filePath(u"Quelmar.men"_s)).split(u'\n')) {
        if (line.size() >= 6)
            lines.append((line + u'\t').split(u'\t'));
    }
    ASSERT_FALSE(lines.isEmpty());
    lines.removeFirst(); // the heading line

    const std::map<QString, int> menus = {{u""_s, 9},  {u"1"_s, 6},  {u"14"_s, 9}, {u"15"_s, 2}, {u"16"_s, 5},
                                          {u"2"_s, 7}, {u"23"_s, 5}, {u"24"_s, 4}, {u"3"_s, 4},  {u"5"_s, 8},
                                          {u"6"_s, 5}, {u"7"_s, 7},  {u"8"_s, 4},  {u"9"_s, 4}};
    for (const auto& [menu, options] : menus) {
        QStringList codes;
        for (const QStringList& fields : lines) {
            const QString code = fields.at(0).trimmed();
            if (code.size() == menu.size() + 1 && code.startsWith(menu)) {
                codes.append(code);
                EXPECT_FALSE(fields.value(1).trimmed().isEmpty()) << code.toStdString();
            }
        }
        SCOPED_TRACE("menu '" + menu.toStdString() + "'");
        ASSERT_GE(codes.size(), options);
        for (int k = 1; k <= options; ++k)
            EXPECT_EQ(codes.at(k - 1), menu + QString::number(k));
    }

    QStringList top;
    for (const QStringList& fields : lines) {
        if (fields.at(0).trimmed().size() == 1)
            top.append(fields.at(1).trimmed().remove(u'&'));
    }
    ASSERT_EQ(top.size(), 10);
    EXPECT_EQ(top.at(9), u"Fin"_s);
}

TEST_F(DemoOfficeTest, orderTemplatesUseOnlyTheValuesTheirOrdersFill)
{
    create();
    static const QRegularExpression valueMark(u"&·&(\\d+)"_s);
    const QList<std::pair<QString, int>> templates = {
        {u"OrdCorte.txt"_s, 11}, {u"OrdRecon.txt"_s, 11}, {u"OrdServ.txt"_s, 11}, {u"OrdRepa.txt"_s, 10}};
    for (const auto& [name, values] : templates) {
        SCOPED_TRACE(name.toStdString());
        const QString text = readText(QDir(folder()).filePath(name));
        ASSERT_FALSE(text.isEmpty());
        EXPECT_LT(text.count(u'\n'), 20);
        EXPECT_TRUE(text.contains(u"&·&Fecha"_s));
        EXPECT_TRUE(text.contains(u"_·"_s)); // at least one fixed-width field
        QSet<int> used;
        for (const QRegularExpressionMatch& match : valueMark.globalMatch(text)) {
            const int index = match.captured(1).toInt();
            EXPECT_GE(index, 1);
            EXPECT_LE(index, values);
            used.insert(index);
        }
        EXPECT_GE(used.size(), 8);
    }
}

TEST_F(DemoOfficeTest, noticesAreNumberedFromOne)
{
    create();
    const QStringList notices =
        readText(QDir(folder()).filePath(u"Avisos.txt"_s)).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(notices.size(), 3);
    for (int i = 0; i < notices.size(); ++i)
        EXPECT_TRUE(notices.at(i).startsWith(QString::number(i + 1) + u"- "_s))
            << notices.at(i).toStdString();
}

} // namespace
