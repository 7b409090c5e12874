#include "shellfixture.h"

#include "core/errormessages.h"
#include "shell/disco.h"
#include "shell/textlines.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

namespace quelmar::shelltest {
namespace {

using namespace Qt::StringLiterals;

class DiscoTest : public ShellTest
{
protected:
    QStringList numbered(int count) const
    {
        QStringList lines;
        for (int i = 1; i <= count; ++i)
            lines.append(QStringLiteral("línea %1").arg(i));
        return lines;
    }
};

TEST_F(DiscoTest, LeeArReadsAWholeFileGrowingItsBuffer)
{
    writeLines(u"largo.txt"_s, numbered(6000));
    session.shell.CurrentFile = u"largo.txt"_s;
    EXPECT_EQ(shell::Disco(session, u"LeeAr"_s), u"largo.txt"_s);
    EXPECT_EQ(session.files.FileLineCount, 6000);
    ASSERT_EQ(session.files.FileLines.size(), 6000);
    EXPECT_EQ(session.files.FileLines.first(), u"línea 1"_s);
    EXPECT_EQ(session.files.FileLines.last(), u"línea 6000"_s);
    EXPECT_EQ(session.errors.RoutineName, u"Disco LeeAr"_s);

    QFile file(path(u"largo.txt"_s));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const shell::LineBuffer buffer = shell::readLines(shell::decodeText(file.readAll()));
    EXPECT_EQ(buffer.growths, 2);
    EXPECT_EQ(buffer.capacity, 6000);
}

TEST_F(DiscoTest, LeeArWithoutAFileNameReadsNothing)
{
    session.files.FileLines = {u"antes"_s};
    session.shell.CurrentFile.clear();
    EXPECT_EQ(shell::Disco(session, u"leear"_s), QString());
    EXPECT_EQ(session.files.FileLines, QStringList{u"antes"_s});
    EXPECT_TRUE(user.waits.isEmpty());
}

TEST_F(DiscoTest, AMissingFileIsReportedAndReadsNothing)
{
    session.shell.CurrentFile = u"no-existe.txt"_s;
    user.answer(u"No"_s);
    EXPECT_EQ(shell::Disco(session, u"LeeAr"_s), QString());
    EXPECT_EQ(session.files.FileLineCount, 0);
    EXPECT_TRUE(session.files.FileLines.isEmpty());
    const QStringList lines = transcriptLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.first().contains(u"no se encuentra el Archivo"_s)) << lines.first().toStdString();
}

TEST_F(DiscoTest, AFileOfMoreThan32767LinesIsAnOverflow)
{
    writeLines(u"enorme.txt"_s, numbered(32800));
    session.shell.CurrentFile = u"enorme.txt"_s;
    user.answer(u"OK"_s);
    shell::Disco(session, u"LeeAr"_s);
    EXPECT_EQ(session.files.FileLineCount, 32767);
    const QStringList lines = transcriptLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(
        lines.first().contains(u"Rutina: Disco LeeAr / Error Num: 6 - "_s + errormessages::forNumber(6)))
        << lines.first().toStdString();
}

TEST_F(DiscoTest, GrabaArWritesEveryNonEmptyElement)
{
    session.shell.CurrentFile = u"salida.txt"_s;
    session.files.FileLines = {u"uno"_s, QString(), u"tres"_s, u" "_s, QString()};
    session.dialog.VarGroup = u"*.txt"_s;
    EXPECT_EQ(shell::Disco(session, u"GrabaAr"_s), u"salida.txt"_s);
    EXPECT_EQ(fileLines(u"salida.txt"_s), (QStringList{u"uno"_s, u"tres"_s, u" "_s}));
    EXPECT_EQ(session.dialog.VarGroup, QString());

    session.files.FileLines = {u"nuevo"_s};
    shell::Disco(session, u"GrabaAr"_s);
    EXPECT_EQ(fileLines(u"salida.txt"_s), QStringList{u"nuevo"_s});
}

TEST_F(DiscoTest, AWriteIntoAMissingFolderIsReported)
{
    session.shell.CurrentFile = u"no/hay/carpeta.txt"_s;
    session.files.FileLines = {u"uno"_s};
    user.answer(u"No"_s);
    shell::Disco(session, u"GrabaAr"_s);
    const QStringList lines = transcriptLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.first().contains(u"La Trayectoria no existe"_s)) << lines.first().toStdString();
    EXPECT_FALSE(QFile::exists(path(u"no/hay/carpeta.txt"_s)));
}

TEST_F(DiscoTest, BuscaReadsOneSection)
{
    writeLines(u"formatos.txt"_s, {u"[Recibo]"_s, u"Linea 1"_s, u""_s, u"Linea 2"_s, u"&&"_s, u"Linea 3"_s,
                                   u"[Vacio]"_s, u"&& fin"_s, u"Otra"_s, u"[Ultimo]"_s});
    session.shell.CurrentFile = u"formatos.txt"_s;
    const struct
    {
        QString section;
        int size;
        QStringList lines;
    } cases[]{
        {u"[Recibo]"_s, 50, {u"Linea 1"_s, u"Linea 2"_s}},
        {u"[Vacio]"_s, 50, {}},
        {u"[Ultimo]"_s, 50, {}},
        {u"[Recibo]"_s, 1, {u"Linea 1"_s}},
    };
    for (const auto& c : cases) {
        session.files.FileLines = QStringList(c.size);
        session.files.FileLines[0] = c.section;
        EXPECT_EQ(shell::Disco(session, u"Busca"_s), u"formatos.txt"_s);
        EXPECT_EQ(session.files.FileLines, c.lines) << c.section.toStdString();
        EXPECT_EQ(session.files.FileLineCount, c.lines.size());
    }
}

TEST_F(DiscoTest, DirTakesThePathTypedInTheDialog)
{
    writeLines(u"datos.txt"_s, {u"uno"_s});
    session.dialog.ValidationMessage = u"Elige el archivo"_s;
    session.dialog.VarGroup = u"Texto|*.txt"_s;
    user.answer(u"datos.txt"_s, [](const WaitContext& wait) {
        EXPECT_EQ(wait.kind, WaitKind::FileDialog);
        auto* dialog = qobject_cast<QFileDialog*>(wait.widget.data());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), u"Elige el archivo"_s);
        EXPECT_EQ(dialog->nameFilters(), QStringList{u"Texto (*.txt)"_s});
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    });
    EXPECT_EQ(shell::Disco(session, u"Dir"_s), path(u"datos.txt"_s));
    EXPECT_EQ(session.shell.CurrentFile, path(u"datos.txt"_s));
    EXPECT_EQ(transcriptLines(), QStringList{u"[input] Elige el archivo: Archivo = "_s});
}

TEST_F(DiscoTest, ACancelledDialogEmptiesTheFileName)
{
    session.shell.CurrentFile = u"algo.txt"_s;
    user.answer(u"no-existe.txt"_s);
    user.answer(QString());
    EXPECT_EQ(shell::Disco(session, u"Lee"_s), QString());
    EXPECT_EQ(user.refused, QStringList{u"answer no-existe.txt"_s});
    EXPECT_EQ(session.shell.CurrentFile, QString());
}

TEST_F(DiscoTest, LeeReadsTheChosenFile)
{
    writeLines(u"avisos.txt"_s, {u"Aviso uno"_s, u"Aviso dos"_s});
    user.answer(path(u"avisos.txt"_s));
    EXPECT_EQ(shell::Disco(session, u"Lee"_s), path(u"avisos.txt"_s));
    EXPECT_EQ(session.files.FileLines, (QStringList{u"Aviso uno"_s, u"Aviso dos"_s}));
}

TEST_F(DiscoTest, GrabaWritesToTheFileNamed)
{
    session.files.FileLines = {u"a"_s, u"b"_s};
    user.answer(u"nuevo.txt"_s, [](const WaitContext& wait) {
        auto* dialog = qobject_cast<QFileDialog*>(wait.widget.data());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->nameFilters(), QStringList{u"*.* (*.*)"_s});
    });
    EXPECT_EQ(shell::Disco(session, u"Graba"_s), path(u"nuevo.txt"_s));
    EXPECT_EQ(fileLines(u"nuevo.txt"_s), (QStringList{u"a"_s, u"b"_s}));
}

TEST_F(DiscoTest, DialogsStartInAnOrdinaryFolder)
{
    ASSERT_TRUE(QDir().mkpath(path(u"otra"_s)));
    const QString office = QDir(path(QString())).absolutePath();
    const struct
    {
        const char* name;
        QString current;   // CurrentFile on entry
        QString lastSaved; // the folder the user last saved to
        const char* mode;
        QString startsIn;
    } cases[]{
        {"a file of the office", path(u"lista.txt"_s), QString(), "DirGra", office},
        {"a file of another folder", path(u"otra/lista.txt"_s), QString(), "DirGra", path(u"otra"_s)},
        // The kernel's folders are never listed: the office folder stands in for them.
        {"a file of the kernel's folder", u"/proc/lista.txt"_s, QString(), "DirGra", office},
        {"the kernel's folder itself", u"/proc"_s, QString(), "Dir", office},
        // A file proposed in the office is proposed where the user last saved.
        {"the folder last saved to", path(u"lista.txt"_s), path(u"otra"_s), "DirGra", path(u"otra"_s)},
        {"a kernel folder last saved to", path(u"lista.txt"_s), u"/proc"_s, "DirGra", office},
        {"opening a file of the office", path(u"lista.txt"_s), path(u"otra"_s), "Dir", office},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        session.shell.CurrentFile = c.current;
        session.shell.lastSaveFolder = c.lastSaved;
        QString startedIn;
        user.answer(QString(), [&startedIn](const WaitContext& wait) {
            auto* dialog = qobject_cast<QFileDialog*>(wait.widget.data());
            ASSERT_NE(dialog, nullptr);
            startedIn = dialog->directory().absolutePath();
        });
        shell::Disco(session, QString::fromLatin1(c.mode));
        EXPECT_EQ(startedIn, QDir(c.startsIn).absolutePath());
    }
}

TEST_F(DiscoTest, ANameWithNulIsRefusedAndAskedAgain)
{
    session.files.FileLines = {u"a"_s};
    user.answer(u"nom"_s + QChar(u'\0') + u"bre.txt"_s);
    user.answer(u"OK"_s);
    user.answer(u"nombre.txt"_s);
    EXPECT_EQ(shell::Disco(session, u"Graba"_s), path(u"nombre.txt"_s));
    EXPECT_TRUE(transcriptLines().join(u'\n').contains(u"lleva un carácter nulo"_s));
    EXPECT_EQ(fileLines(u"nombre.txt"_s), QStringList{u"a"_s});
    EXPECT_FALSE(QFile::exists(path(u"nom"_s)));

    // Named directly, it is a bad file name.
    session.shell.CurrentFile = path(u"nom"_s) + QChar(u'\0') + u"bre.txt"_s;
    user.answer(u"No"_s);
    shell::Disco(session, u"GrabaAr"_s);
    EXPECT_TRUE(transcriptLines().join(u'\n').contains(u"Nombre de Archivo erróneo"_s));
    EXPECT_FALSE(QFile::exists(path(u"nom"_s)));
    EXPECT_TRUE(user.steps.isEmpty());
}

TEST_F(DiscoTest, CatShowsTheProgramsCatalogue)
{
    writeLines(u"Quelmar.men"_s, {u"menu"_s});
    session.dialog.VarGroup = u"*.men"_s;
    user.answer(u"Quelmar.men"_s, [](const WaitContext& wait) {
        auto* dialog = qobject_cast<QFileDialog*>(wait.widget.data());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), u"Catálogo de Archivos del Programa"_s);
        EXPECT_EQ(dialog->nameFilters(), QStringList{u"*.men (*.men)"_s});
    });
    EXPECT_EQ(shell::Disco(session, u"Cat"_s), path(u"Quelmar.men"_s));
}

} // namespace
} // namespace quelmar::shelltest
