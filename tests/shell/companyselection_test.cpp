#include "shellfixture.h"

#include "panels/keyboard.h"
#include "shell/companyfile.h"
#include "shell/companyselection.h"

#include <QAbstractButton>

namespace quelmar::shelltest {
namespace {

using namespace Qt::StringLiterals;

class CompanySelectionTest : public ShellTest
{
protected:
    QString choose()
    {
        QString database;
        startup::BDParamElije(session, database, 0);
        return database;
    }
};

TEST_F(CompanySelectionTest, WithoutCompanyFilesTheProgramsOwnNamesAreUsed)
{
    EXPECT_EQ(choose(), u"Quelmar.mdb"_s);
    EXPECT_EQ(session.shell.CurrentFile, QString());
    EXPECT_EQ(session.shell.company(1), u"Quelmar"_s);
    EXPECT_EQ(session.shell.company(4), u"Quelmar"_s);
    EXPECT_EQ(session.shell.company(5), u"Quelmar"_s);
    EXPECT_EQ(session.shell.company(2), QString());
    EXPECT_EQ(session.errors.RoutineName, u"BDParam"_s);
    EXPECT_TRUE(user.waits.isEmpty());
}

TEST_F(CompanySelectionTest, OneCompanyFileIsTakenWithoutAsking)
{
    writeLines(u"Norte.emp"_s,
               {shell::encodeCompanyLine(u"Cablevisión Norte"_s), u"Sucursal Norte"_s, u""_s, u"Norte"_s});
    EXPECT_EQ(choose(), u"Norte.mdb"_s);
    EXPECT_EQ(session.shell.CurrentFile, u"Norte.emp"_s);
    ASSERT_EQ(session.shell.CompanyData.size(), 13);
    EXPECT_EQ(session.shell.company(1), u"Cablevisión Norte"_s);
    EXPECT_EQ(session.shell.company(2), u"Sucursal Norte"_s);
    EXPECT_EQ(session.shell.company(4), u"Norte"_s);
    for (int i = 5; i <= 13; ++i)
        EXPECT_EQ(session.shell.company(i), QString()) << i;
    EXPECT_EQ(session.files.FileLines.size(), 13);
    EXPECT_TRUE(user.waits.isEmpty());
}

TEST_F(CompanySelectionTest, ACompanyWithoutADatabaseNameUsesTheProgramsDatabase)
{
    writeLines(u"Sur.emp"_s, {u"Sur"_s, u"Segunda"_s, u"logo.png"_s, u""_s, u"Recibo"_s});
    EXPECT_EQ(choose(), u"Quelmar.mdb"_s);
    EXPECT_EQ(session.shell.company(5), u"Recibo"_s);
}

TEST_F(CompanySelectionTest, WithSeveralCompaniesTheUserChooses)
{
    writeLines(u"Centro.emp"_s, {u"Cablevisión Centro"_s, u""_s, u""_s, u"Centro"_s});
    writeLines(u"Norte.emp"_s, {u"Cablevisión Norte"_s, u""_s, u""_s, u"Norte"_s});
    user.choose(u"2"_s);
    EXPECT_EQ(choose(), u"Norte.mdb"_s);
    EXPECT_EQ(session.shell.CurrentFile, u"Norte.emp"_s);
    EXPECT_EQ(session.shell.company(1), u"Cablevisión Norte"_s);
    EXPECT_EQ(transcriptLines().value(0), u"[list] Elige la Sucursal | 1 Centro.emp | 2 Norte.emp"_s);
}

TEST_F(CompanySelectionTest, DecliningToChooseEndsTheProgram)
{
    writeLines(u"Centro.emp"_s, {u"Centro"_s});
    writeLines(u"Norte.emp"_s, {u"Norte"_s});
    user.answer(u"Cancelar"_s);
    EXPECT_THROW(choose(), ProgramEnded);
}

TEST_F(CompanySelectionTest, EscOnTheCompanyListCancelsLikeCancelarAndEndsTheProgram)
{
    writeLines(u"Centro.emp"_s, {u"Centro"_s});
    writeLines(u"Norte.emp"_s, {u"Norte"_s});
    // ESC wherever the focus is while the list waits: on a button of its row, as the start-up leaves it, or
    // on the list itself.
    for (const bool onTheList : {false, true}) {
        SCOPED_TRACE(onTheList ? "on the list" : "on the buttons");
        user.inspect([this, onTheList](const WaitContext& context) {
            QWidget* target = onTheList ? context.widget.data() : form->focusWidget();
            ASSERT_NE(target, nullptr);
            EXPECT_EQ(qobject_cast<QAbstractButton*>(target) != nullptr, !onTheList);
            panels::keyboard::press(target, Qt::Key_Escape);
        });
        EXPECT_THROW(choose(), ProgramEnded);
        EXPECT_TRUE(user.steps.isEmpty());
        EXPECT_EQ(user.waits, QStringList{u"Elige la Sucursal"_s});
        user.waits.clear();
    }
}

} // namespace
} // namespace quelmar::shelltest
