// Files as the user meets them in the real program: the export dialog after a folder that refused the
// export, a file name that no file can have, and the messages about a file that is missing.
#include "officesession.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

using quelmar::automationtest::OfficeSession;

class FilesSession : public OfficeSession
{
protected:
    FilesSession() : OfficeSession(20) {}

    QString periodPayments() const
    {
        return QStringLiteral("menu 2\nmenu 3\nmenu 2\nanswer %1 %2\n")
            .arg(shownDate(QDate::currentDate().addMonths(-6)), shownDate(QDate::currentDate()));
    }
};

TEST_F(FilesSession, anExportRefusedInAKernelFolderLeavesTheNextDialogsInTheOffice)
{
    if (!QFileInfo(QStringLiteral("/proc")).isDir())
        GTEST_SKIP() << "no kernel folder here";
    const QString nul(QChar(u'\0'));
    const QString script =
        periodPayments() +
        QStringLiteral("press Imprime\nanswer No\nanswer /proc/pagos.txt\n"
                       "expect No se pudo grabar el archivo /proc/pagos.txt\nanswer OK\n"
                       // The next dialog starts in the office folder: a bare name is saved there.
                       "press Imprime\nanswer No\nanswer pagos.txt\n"
                       "expect Grabado el archivo: %1/pagos.txt\nanswer OK\n"
                       // A name with NUL in it is refused and asked again.
                       "press Imprime\nanswer No\nanswer otro%2oculto.txt\n"
                       "expect ningún archivo puede llevarlo\nanswer OK\nanswer otro.txt\n"
                       "expect Grabado el archivo: %1/otro.txt\nanswer OK\n"
                       "press Termina\nmenu 98\n")
            .arg(office(), nul);
    ASSERT_EQ(run(script), 0) << transcript();
    EXPECT_TRUE(QFileInfo(office() + QStringLiteral("/pagos.txt")).size() > 0);
    EXPECT_TRUE(QFileInfo(office() + QStringLiteral("/otro.txt")).size() > 0);
    EXPECT_FALSE(QFileInfo::exists(office() + QStringLiteral("/otro")));
}

TEST_F(FilesSession, aMissingFileIsNamedInItsMessage)
{
    const struct
    {
        const char* name;
        const char* missing; // the file taken away, in the office folder
        const char* script;
    } cases[]{
        // The review screen's form without the positions of its fields.
        {"the positions of the review form", "Ficha.pos",
         "menu 1\nmenu 3\nexpect Archivo: %1\nanswer No\npress Termina\nmenu 98\n"},
        // A central computer made a satellite again without the network file it parked.
        {"the parked network file", "QuelmarSat.red",
         "menu 5\nmenu 8\nanswer OK\nanswer gerencia\nexpect Archivo: %1\nanswer OK\nmenu 98\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString missing = QDir::toNativeSeparators(office() + u'/' + QString::fromLatin1(c.missing));
        QFile::remove(missing);
        EXPECT_EQ(run(QString::fromLatin1(c.script).arg(missing)), 0) << transcript();
    }
}

} // namespace
