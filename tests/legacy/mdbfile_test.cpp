#include "legacy/jetheader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace quelmar::legacy;

namespace {

// A real Jet 3 database that nobody here wrote: the test file of Free Pascal's database units.
QString testFileArchive()
{
    const QDir docs(u"/usr/share/doc/fp-units-db"_s);
    for (const QString& version : docs.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString path = docs.filePath(version + u"/examples/odbc/testodbc.mdb.gz"_s);
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

struct Outcome
{
    int status = -1;
    QString out;
    QString err;
};

Outcome run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    Outcome result;
    if (!process.waitForFinished(60000))
        return result;
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

Outcome admin(const QStringList& arguments)
{
    return run(QStringLiteral(QUELMAR_ADMIN), arguments);
}

// The rows of mdbtools' CSV export, each as tab-separated text (quotes removed, doubled quotes undone).
QStringList csvRows(const QString& csv)
{
    QStringList rows;
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < csv.size(); ++i) {
        const QChar c = csv.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < csv.size() && csv.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            fields.append(field);
            field.clear();
        } else if (c == u'\n') {
            fields.append(field);
            rows.append(fields.join(u'\t'));
            fields.clear();
            field.clear();
        } else if (c != u'\r') {
            field += c;
        }
    }
    return rows;
}

QStringList lines(const QString& text)
{
    QStringList list = text.split(u'\n');
    if (!list.isEmpty() && list.last().isEmpty())
        list.removeLast();
    return list;
}

class MdbFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString archive = testFileArchive();
        if (archive.isEmpty())
            GTEST_SKIP() << "Debian's fp-units-db, which ships testodbc.mdb.gz, is not installed";
        QProcess gzip;
        gzip.start(u"gzip"_s, {u"-dc"_s, archive});
        ASSERT_TRUE(gzip.waitForFinished(60000));
        original = gzip.readAllStandardOutput();
        ASSERT_GT(original.size(), 4096);
        mdb = work.filePath(u"testodbc.mdb"_s);
        writeFile(mdb, original);
    }

    static void writeFile(const QString& path, const QByteArray& content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(content), content.size());
    }

    QTemporaryDir work;
    QByteArray original;
    QString mdb;
};

} // namespace

TEST_F(MdbFileTest, EveryTableArrivesAsMdbtoolsExportsItAndTheProgramReadsTheImportedFolder)
{
    const QString office = work.filePath(u"oficina"_s);
    const Outcome imported = admin({u"import-mdb"_s, mdb, office});
    ASSERT_EQ(imported.status, 0) << imported.err.toStdString();
    EXPECT_TRUE(imported.out.contains(u"Tabla FPdev: 100% (8 de 8 filas)"_s)) << imported.out.toStdString();
    const QString database = QDir(office).filePath(u"testodbc.mdb"_s);
    ASSERT_TRUE(QFileInfo::exists(database));
    EXPECT_FALSE(QFileInfo::exists(QDir(office).filePath(u"testodbc.importando.mdb"_s)));

    const Outcome tables = run(u"mdb-tables"_s, {u"-1"_s, mdb});
    ASSERT_EQ(tables.status, 0) << "mdbtools' mdb-tables is needed: " << tables.err.toStdString();
    const QStringList names = lines(tables.out);
    ASSERT_FALSE(names.isEmpty());
    QFile reportFile(QDir(office).filePath(u"testodbc.importacion.txt"_s));
    ASSERT_TRUE(reportFile.open(QIODevice::ReadOnly));
    const QString report = QString::fromUtf8(reportFile.readAll());
    for (const QString& table : names) {
        SCOPED_TRACE(table.toStdString());
        const Outcome exported = run(u"mdb-export"_s, {mdb, table});
        ASSERT_EQ(exported.status, 0) << exported.err.toStdString();
        QStringList expected = csvRows(exported.out);
        ASSERT_FALSE(expected.isEmpty());
        const QString heading = expected.takeFirst();

        const Outcome read = admin({u"query"_s, database, u"SELECT * FROM [%1]"_s.arg(table)});
        ASSERT_EQ(read.status, 0) << read.err.toStdString();
        QStringList actual = lines(read.out);
        ASSERT_FALSE(actual.isEmpty());
        EXPECT_EQ(actual.takeFirst(), heading);
        EXPECT_EQ(actual.size(), expected.size());
        expected.sort();
        actual.sort();
        EXPECT_EQ(actual, expected);
        EXPECT_TRUE(report.contains(u"%1\t%2\t%2\n"_s.arg(table).arg(expected.size())))
            << report.toStdString();
    }
    // A sample value, looked up by its key through the program's own SQL.
    const Outcome one = admin({u"query"_s, database, u"SELECT UserName FROM FPdev WHERE id = 6"_s});
    EXPECT_EQ(one.out, u"UserName\nJonas Maebe\n"_s);
    // The key of the old table is the key of the new one.
    EXPECT_NE(admin({u"query"_s, database, u"INSERT INTO FPdev (id, UserName) VALUES (6, 'Otro')"_s}).status,
              0);
}

TEST_F(MdbFileTest, AnEmptyTextStaysApartFromANull)
{
    // The first row of FPdev (id 1), at the end of page 39: its variable columns' offsets and its null flags.
    // Its name made empty (its offset moved to where the next column begins), its e-mail made null.
    QByteArray edited = original;
    constexpr qsizetype NameOffset = 39 * 2048 + 1986 + 59;
    constexpr qsizetype NullFlags = NameOffset + 2;
    ASSERT_EQ(edited.mid(NameOffset - 2, 5), QByteArray::fromHex("3918050207"))
        << "the test file is not the one this test knows";
    edited[NameOffset] = char(0x18);
    edited[NullFlags] = char(0x03);
    const QString file = work.filePath(u"vacios.mdb"_s);
    writeFile(file, edited);
    const QString office = work.filePath(u"oficina-vacios"_s);
    const Outcome imported = admin({u"import-mdb"_s, file, office});
    ASSERT_EQ(imported.status, 0) << imported.err.toStdString();
    const QString database = QDir(office).filePath(u"vacios.mdb"_s);
    EXPECT_EQ(admin({u"query"_s, database, u"SELECT id FROM FPdev WHERE UserName = ''"_s}).out, u"id\n1\n"_s);
    EXPECT_EQ(admin({u"query"_s, database, u"SELECT id FROM FPdev WHERE UserName IS NULL"_s}).out, u"id\n"_s);
    EXPECT_EQ(admin({u"query"_s, database, u"SELECT id FROM FPdev WHERE InstEmail IS NULL"_s}).out,
              u"id\n1\n"_s);
}

TEST_F(MdbFileTest, TextInTheOldWindowsCodePageArrivesAsItsLetters)
{
    // The name of the first row of FPdev, "Michael Van Canneyt", at the start of its row on page 39.
    QByteArray edited = original;
    constexpr qsizetype Name = 39 * 2048 + 1986 + 5;
    ASSERT_EQ(edited.mid(Name, 7), QByteArray("Michael")) << "the test file is not the one this test knows";
    edited[Name + 4] = char(0xF1); // "ñ" in code page 1252
    edited[Name + 6] = char(0x80); // "€"
    const QString file = work.filePath(u"acentos.mdb"_s);
    writeFile(file, edited);
    const QString office = work.filePath(u"oficina-acentos"_s);
    const Outcome imported = admin({u"import-mdb"_s, file, office});
    ASSERT_EQ(imported.status, 0) << imported.err.toStdString();
    EXPECT_EQ(admin({u"query"_s, QDir(office).filePath(u"acentos.mdb"_s),
                     u"SELECT UserName FROM FPdev WHERE id = 1"_s})
                  .out,
              u"UserName\nMichñe€ Van Canneyt\n"_s);
}

TEST_F(MdbFileTest, ABadFileIsRefusedClearlyAndLeavesNoDatabase)
{
    QByteArray cutMidPage = original.left(80000);
    QByteArray cutShort = original.left(30 * 2048);
    QByteArray withPassword = jetheader::toggleScrambling(original.left(2048));
    withPassword.replace(0x42, 6, "secret");
    withPassword = jetheader::toggleScrambling(withPassword) + original.mid(2048);
    // The type of the table's second column, in its definition page (page 34), made an OLE object.
    QByteArray withPicture = original;
    constexpr qsizetype ColumnType = 34 * 2048 + 69;
    ASSERT_EQ(withPicture.at(ColumnType), char(10)) << "the test file is not the one this test knows";
    withPicture[ColumnType] = char(11);

    const struct
    {
        const char* what;
        QByteArray content;
        QString message;
    } cases[]{
        {"cut inside a page", cutMidPage, u"está incompleto"_s},
        {"cut at a page", original.left(34 * 2048), u"dañado o incompleto"_s},
        {"cut short", cutShort, u"dañado o incompleto"_s},
        {"not a Jet file", QByteArray("Clave,Nombre\n1,Ana\n"), u"no es una Base de Datos de Access (Jet)"_s},
        {"protected with a password", withPassword, u"protegido con contraseña"_s},
        {"a column of a type we do not keep", withPicture,
         u"UserName de la tabla FPdev es de tipo Objeto OLE"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = work.filePath(u"viejo.mdb"_s);
        writeFile(file, c.content);
        const QString office = work.filePath(u"oficina-mala"_s);
        const Outcome imported = admin({u"import-mdb"_s, file, office});
        EXPECT_EQ(imported.status, 1);
        EXPECT_TRUE(imported.err.contains(c.message)) << imported.err.toStdString();
        // The reader's own English words about the file go to the report, not to the terminal.
        for (const QString& line : lines(imported.err)) {
            EXPECT_TRUE(line.startsWith(u"quelmar-admin: no se importó: "_s) || line.startsWith(u"  "_s))
                << line.toStdString();
        }
        EXPECT_FALSE(QFileInfo::exists(QDir(office).filePath(u"viejo.mdb"_s)));
        EXPECT_FALSE(QFileInfo::exists(QDir(office).filePath(u"viejo.importando.mdb"_s)));
    }
}
