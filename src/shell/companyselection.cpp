#include "shell/companyselection.h"

#include "panels/choosefromlist.h"
#include "panels/mainform.h"
#include "session/session.h"
#include "shell/companyfile.h"
#include "shell/disco.h"
#include "shell/startup.h"

#include <QDir>

namespace quelmar::startup {

namespace {

constexpr int MaxCompanyFiles = 100;

// The name of the company file to use; empty when there is none. Ends the program when the user declines to
// choose among several.
QString chooseCompanyFile(Session& session, const QStringList& files)
{
    if (files.isEmpty())
        return {};
    if (files.size() == 1)
        return files.first();
    panels::ListPlacement placement;
    placement.topTwips = 400;
    if (session.k)
        placement.widthTwips = session.k->widthTwips() - 1500;
    int chosen = 0;
    QString answer;
    panels::ChooseFromList(session, QStringLiteral("U"), QStringLiteral("Elige la Sucursal"), files, chosen,
                           answer, placement);
    if (chosen < 1 || chosen > files.size())
        EndProgram(session, QString());
    return files.at(chosen - 1);
}

} // namespace

void BDParamElije(Session& session, QString& database, int flag)
{
    session.errors.RoutineName = QStringLiteral("BDParam");
    ShellState& shell = session.shell;
    shell.CompanyData.resize(shell::CompanyDataCount);
    const QStringList files =
        shell.WorkingFolder.entryList({QStringLiteral("*.emp")}, QDir::Files, QDir::Name)
            .mid(0, MaxCompanyFiles);
    const QString file = chooseCompanyFile(session, files);
    if (file.isEmpty() && flag == 0) {
        shell.CurrentFile.clear();
        shell.CompanyData[0] = shell.AppName;
        shell.CompanyData[3] = shell.AppName;
        shell.CompanyData[4] = shell.AppName;
    } else if (!file.isEmpty()) {
        shell.CurrentFile = file;
        shell::Disco(session, QStringLiteral("LeeAr"));
        session.errors.RoutineName = QStringLiteral("BDParam");
        if (session.files.FileLines.size() < shell::CompanyDataCount)
            session.files.FileLines.resize(shell::CompanyDataCount);
        shell.CompanyData = shell::companyDataFromLines(session.files.FileLines, shell.CompanyData, flag);
    }
    const QString name = shell.company(4);
    database = (name.isEmpty() ? shell.AppName : name) + QStringLiteral(".mdb");
}

} // namespace quelmar::startup
