#pragma once

// An office on screen for tests: a database (made from the test's tables and rows, or one the test brings),
// the main form shown, the session's database open, and a stand-in user acting at the waits.
#include "actinguser.h"
#include "db/database.h"
#include "panels/mainform.h"
#include "session/session.h"
#include "session/sessiondatabase.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace quelmar::testsupport {

class ScreenOfficeTest : public ::testing::Test
{
protected:
    // Makes the database with the tables, lets fill() add its rows, then shows the main form and opens the
    // database for the session. Call it from SetUp under ASSERT_NO_FATAL_FAILURE.
    void openOffice(const QList<db::TableDef>& tables, const std::function<void(db::Database&)>& fill)
    {
        ASSERT_TRUE(m_folder.isValid());
        const QString path = m_folder.filePath(QStringLiteral("Oficina.mdb"));
        {
            db::DbError error;
            auto database = db::Database::create(path, error);
            ASSERT_TRUE(database) << error.description.toStdString();
            ASSERT_FALSE(database->createTables(tables));
            fill(*database);
        }
        session.shell.WorkingFolder = QDir(m_folder.path());
        showOffice(path);
    }

    // Shows the main form and opens the database at that path for the session, the transcript written to the
    // test's folder. Call it from SetUp under ASSERT_NO_FATAL_FAILURE.
    void showOffice(const QString& path)
    {
        ASSERT_TRUE(session.transcript.open(m_folder.filePath(QStringLiteral("transcript.txt"))));
        form = std::make_unique<MainForm>(session);
        session.k = form.get();
        form->resize(1000, 700);
        form->show();
        form->activateWindow();
        ASSERT_FALSE(startup::openSessionDatabase(session, path, false, false));
        session.wait.setStandIn(&user);
    }

    void TearDown() override
    {
        session.wait.setStandIn(nullptr);
        session.engine.panel.reset();
        session.engine.grid.reset();
        session.k = nullptr;
        form.reset();
    }

    QString folderPath(const QString& name) const { return m_folder.filePath(name); }
    bool folderIsValid() const { return m_folder.isValid(); }

    Session session;
    ActingUser user;
    std::unique_ptr<MainForm> form;

private:
    QTemporaryDir m_folder;
};

} // namespace quelmar::testsupport
