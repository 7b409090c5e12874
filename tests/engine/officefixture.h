#pragma once

// A demonstration office for engine tests: a session with the main form shown and the office database open,
// and a stand-in user that acts at each wait with the actions the test gives it.
#include "actinguser.h"
#include "db/database.h"
#include "db/recordset.h"
#include "panels/mainform.h"
#include "screenoffice.h"
#include "session/session.h"
#include "session/sessiondatabase.h"
#include "subscribers/demooffice.h"

#include <QAbstractButton>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

namespace quelmar::engine::testing {

using testsupport::ActingUser;

class EngineTest : public testsupport::ScreenOfficeTest
{
protected:
    static void SetUpTestSuite()
    {
        s_office = new QTemporaryDir;
        subscribers::DemoOptions options;
        options.subscribers = 12;
        options.years = 1;
        s_ready = !subscribers::createDemoOffice(s_office->path(), options);
    }
    static void TearDownTestSuite()
    {
        delete s_office;
        s_office = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_ready);
        // Each test works on its own copy of the office database.
        ASSERT_TRUE(folderIsValid());
        const QString copy = folderPath(subscribers::demoDatabaseFileName());
        ASSERT_TRUE(QFile::copy(s_office->filePath(subscribers::demoDatabaseFileName()), copy));
        ASSERT_NO_FATAL_FAILURE(showOffice(copy));
    }

    QStringList transcript(const QString& tag)
    {
        QStringList found;
        const QStringList lines = session.transcript.sinceMark().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString& line : lines) {
            if (line.startsWith(QLatin1Char('[') + tag + QLatin1Char(']')))
                found.append(line);
        }
        return found;
    }

    QVariant scalar(const QString& sql)
    {
        db::DbError error;
        auto rows = session.database.CurrentDatabase->openRecordset(sql, db::RecordsetType::Snapshot, error);
        EXPECT_FALSE(error) << error.description.toStdString();
        return rows && !rows->eof() ? rows->value(0) : QVariant();
    }

    // The capture control of a field on the panel shown.
    QWidget* field(const QString& name)
    {
        const QList<QWidget*> widgets = form->findChildren<QWidget*>();
        for (QWidget* widget : widgets) {
            if (widget->property("fieldName").toString() == name)
                return widget;
        }
        return nullptr;
    }

    void type(const QString& name, const QString& text)
    {
        auto* edit = qobject_cast<QLineEdit*>(field(name));
        ASSERT_NE(edit, nullptr) << name.toStdString();
        edit->setText(text);
    }

    void press(const QString& caption)
    {
        const QList<QPushButton*> buttons = form->findChildren<QPushButton*>();
        for (QPushButton* button : buttons) {
            if (button->isVisible() && button->text() == caption) {
                button->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << caption.toStdString();
    }

    void moveRecord(const QString& where)
    {
        const QList<QAbstractButton*> buttons = form->findChildren<QAbstractButton*>();
        for (QAbstractButton* button : buttons) {
            if (button->property("record").toString() == where) {
                button->click();
                return;
            }
        }
        ADD_FAILURE() << "no navigator button " << where.toStdString();
    }

    static inline QTemporaryDir* s_office = nullptr;
    static inline bool s_ready = false;
};

} // namespace quelmar::engine::testing
