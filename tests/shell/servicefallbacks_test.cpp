// The stand-ins of the engine's and the office's services, which run only when nothing registered the real
// routine: a fault of the program, told as one through the error report.
#include "shell/shellfixture.h"

#include "engine/engineservices.h"
#include "session/errorlog.h"
#include "shell/officeservices.h"

#include <QFile>

#include <functional>

namespace quelmar::shelltest {
namespace {

using namespace Qt::StringLiterals;

TEST_F(ShellTest, aRoutineThatNothingRegisteredIsReportedAsAnInternalError)
{
    engine::EngineServices engineServices;
    shell::OfficeServices officeServices;
    QString text;
    QString statement = u"SELECT * FROM Pagos"_s;
    const struct
    {
        const char* routine;
        std::function<void()> call;
    } cases[]{
        {"PresAut", [&] { engineServices.PresAut(session, u"Seleccion"_s, u"Tab"_s, text, statement); }},
        {"RepImp", [&] { engineServices.RepImp(session, u"Ini"_s); }},
        {"FormRTF", [&] { engineServices.FormRTF(session, u"Eje"_s, 3, text); }},
        {"GrafEst", [&] { engineServices.GrafEst(session, u"Graf"_s, u"Pagos"_s, QString()); }},
        {"ArRel",
         [&] { engineServices.ArRel(session, u"Pagos"_s, u"Lee"_s, u"1"_s, u"Clave"_s, u"Pagos"_s); }},
        {"TabClasi", [&] { engineServices.TabClasi(session, 1); }},
        {"RegisterPayment", [&] { officeServices.RegisterPayment(session, u"1"_s, u"Ana"_s); }},
        {"ReprintReceipt", [&] { officeServices.ReprintReceipt(session, u"1"_s, u"Ana"_s); }},
        {"EditParameter", [&] { officeServices.EditParameter(session, u"Edi"_s, u"CDT"_s, u"Contador"_s); }},
        {"WorkOrders", [&] { officeServices.WorkOrders(session, 1); }},
        {"Notices", [&] { officeServices.Notices(session, 1); }},
        {"PendingComplaints", [&] { officeServices.PendingComplaints(session); }},
    };
    session.shell.DebugSwitches = u"1s3456s8901234567890"_s;
    for (const auto& c : cases) {
        const QString routine = QString::fromLatin1(c.routine);
        SCOPED_TRACE(c.routine);
        // Each one a new error, so that the report shows it.
        session.errors.lastNumber = 0;
        user.answer(u"OK"_s);
        c.call();
        const QStringList shown = transcriptLines();
        ASSERT_EQ(shown.size(), 1) << shown.join(u'\n').toStdString();
        EXPECT_TRUE(shown.constFirst().contains(u"Rutina: "_s + routine)) << shown.constFirst().toStdString();
        EXPECT_TRUE(shown.constFirst().contains(u"Error Num: 51 - Error interno del Programa"_s))
            << shown.constFirst().toStdString();
        EXPECT_FALSE(shown.constFirst().contains(u"próxima versión"_s));
        const QStringList logged = fileLines(maintenance::errorLogName(session.shell.AppName));
        ASSERT_FALSE(logged.isEmpty());
        EXPECT_TRUE(logged.constLast().contains(u"No routine is registered for "_s + routine))
            << logged.constLast().toStdString();
    }
    EXPECT_TRUE(user.steps.isEmpty());
}

} // namespace
} // namespace quelmar::shelltest
