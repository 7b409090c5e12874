// The print job: a PDF drawn in twips, its pages, and the kept pages that the preview plays again.
#include "output/printjob.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quelmar::output {
namespace {

QString pdfText(const QString& path)
{
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    tool.waitForFinished();
    return QString::fromUtf8(tool.readAllStandardOutput()).simplified();
}

void drawTwoPages(PrintJob& job)
{
    QFont font(QStringLiteral("Liberation Sans Narrow"));
    font.setPointSize(12);
    job.setFont(font);
    job.text(300, 100, QStringLiteral("Primera hoja"));
    job.line(300, 500, 5000, 500);
    job.newPage();
    job.setLandscape(true);
    job.text(300, 100, QStringLiteral("Segunda hoja"));
}

TEST(PrintJob, pagesAreWrittenAsTheyAreDrawnAndThePreviewPlaysTheSame)
{
    QTemporaryDir folder;
    PrintJob job(folder.filePath(QStringLiteral("sub/trabajo.pdf")), true);
    EXPECT_FALSE(job.started());
    EXPECT_GT(job.landscapeWidth(), job.portraitWidth());
    drawTwoPages(job);
    EXPECT_TRUE(job.started());
    ASSERT_TRUE(job.finish()) << job.failure().toStdString();
    EXPECT_EQ(job.pageCount(), 2);
    EXPECT_EQ(pdfText(job.path()), QStringLiteral("Primera hoja Segunda hoja"));

    QPrinter other(QPrinter::HighResolution);
    other.setOutputFormat(QPrinter::PdfFormat);
    other.setOutputFileName(folder.filePath(QStringLiteral("copia.pdf")));
    job.replay(other);
    EXPECT_EQ(pdfText(folder.filePath(QStringLiteral("copia.pdf"))),
              QStringLiteral("Primera hoja Segunda hoja"));
}

TEST(PrintJob, aFileThatCannotBeMadeIsToldAndNothingIsLeft)
{
    QTemporaryDir folder;
    const QString blocker = folder.filePath(QStringLiteral("archivo"));
    {
        QFile file(blocker);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    PrintJob job(blocker + QStringLiteral("/trabajo.pdf"), false);
    EXPECT_FALSE(job.text(300, 100, QStringLiteral("x")));
    EXPECT_FALSE(job.failure().isEmpty());
    EXPECT_FALSE(job.finish());
    EXPECT_FALSE(QFile::exists(job.path()));
}

} // namespace
} // namespace quelmar::output
