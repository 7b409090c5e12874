#include "app/automation/commandline.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using quelmar::automation::CommandLine;
using quelmar::automation::readCommandLine;

namespace {

TEST(CommandLine, relativePathsAreTakenFromTheFolderStartedFromNotFromTheWorkingFolder)
{
    QTemporaryDir start;
    ASSERT_TRUE(QDir(start.path()).mkdir(QStringLiteral("oficina")));
    const QString s = start.path();
    struct Case
    {
        QStringList arguments;
        CommandLine expected;
    };
    const Case cases[] = {
        {{QStringLiteral("--dir"), QStringLiteral("oficina"), QStringLiteral("--script"),
          QStringLiteral("guion.txt"), QStringLiteral("--transcript"), QStringLiteral("salida/t.txt"),
          QStringLiteral("--print-to"), QStringLiteral("pdf")},
         {s + QStringLiteral("/oficina"), s + QStringLiteral("/guion.txt"),
          s + QStringLiteral("/salida/t.txt"), s + QStringLiteral("/pdf")}},
        {{QStringLiteral("--dir"), s + QStringLiteral("/oficina"), QStringLiteral("--transcript"),
          QStringLiteral("/var/tmp/t.txt"), QStringLiteral("--print-to"), QStringLiteral("../pdf")},
         {s + QStringLiteral("/oficina"), QString(), QStringLiteral("/var/tmp/t.txt"),
          QDir::cleanPath(s + QStringLiteral("/../pdf"))}},
        {{QStringLiteral("--transcript"), QStringLiteral("-")},
         {s, QString(), QStringLiteral("-"), QString()}},
        {{}, {s, QString(), QString(), QString()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        QString problem;
        const auto line =
            readCommandLine(QStringList{QStringLiteral("quelmar")} + c.arguments, QDir(s), &problem);
        ASSERT_TRUE(line) << problem.toStdString();
        EXPECT_EQ(line->folder, c.expected.folder);
        EXPECT_EQ(line->script, c.expected.script);
        EXPECT_EQ(line->transcript, c.expected.transcript);
        EXPECT_EQ(line->printFolder, c.expected.printFolder);
    }
}

TEST(CommandLine, aWorkingFolderThatDoesNotExistIsRefused)
{
    QTemporaryDir start;
    QString problem;
    EXPECT_FALSE(
        readCommandLine({QStringLiteral("quelmar"), QStringLiteral("--dir"), QStringLiteral("no-existe")},
                        QDir(start.path()), &problem));
    EXPECT_EQ(problem, QStringLiteral("No existe la carpeta de trabajo: no-existe"));
}

} // namespace
