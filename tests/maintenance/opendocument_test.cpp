#include "maintenance/opendocument.h"

#include "panels/answeringstandin.h"
#include "session/session.h"

#include <QDesktopServices>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace quelmar;

namespace {

// Takes the desktop's place for file addresses.
class DocumentOpener : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

class OpenDocumentTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        session.shell.WorkingFolder = QDir(m_folder.path());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opener, "open");
    }
    void TearDown() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    QString folderPath() const { return m_folder.path(); }

    Session session;
    DocumentOpener opener;

private:
    QTemporaryDir m_folder;
};

TEST_F(OpenDocumentTest, aMissingFileIsReported)
{
    AnsweringStandIn person(session);
    QString file = QStringLiteral("Manual.pdf");
    QString folder;
    EXPECT_EQ(maintenance::OpenDocument(session, file, folder), maintenance::DocumentNotFound);
    EXPECT_EQ(person.shown, QStringList{QStringLiteral("Quelmar: No se encuentra el archivo Manual.pdf")});
    EXPECT_TRUE(opener.opened.isEmpty());
}

TEST_F(OpenDocumentTest, aFileIsOpenedFromItsFolderOrTheWorkingFolder)
{
    ASSERT_TRUE(QDir(folderPath()).mkdir(QStringLiteral("docs")));
    for (const QString& name : {QStringLiteral("Manual.pdf"), QStringLiteral("docs/Ayuda.txt")}) {
        QFile file(QDir(folderPath()).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    AnsweringStandIn person(session);
    QString file = QStringLiteral("Manual.pdf");
    QString noFolder;
    EXPECT_EQ(maintenance::OpenDocument(session, file, noFolder), maintenance::DocumentOpened);
    QString help = QStringLiteral("Ayuda.txt");
    QString docs = folderPath() + QStringLiteral("/docs");
    EXPECT_EQ(maintenance::OpenDocument(session, help, docs), maintenance::DocumentOpened);
    EXPECT_EQ(opener.opened,
              (QList<QUrl>{QUrl::fromLocalFile(folderPath() + QStringLiteral("/Manual.pdf")),
                           QUrl::fromLocalFile(folderPath() + QStringLiteral("/docs/Ayuda.txt"))}));
    EXPECT_TRUE(person.shown.isEmpty());
}

} // namespace

#include "opendocument_test.moc"
