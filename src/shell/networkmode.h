#pragma once

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::startup {

// The network file AppName + ".red": the kind ("V" linked satellite, "BDR" remote satellite) and the central
// database's path, two fields of the sequential-file syntax (separated by a comma or a line end; a field may
// be enclosed in double quotes).
struct NetworkFile
{
    QString kind;
    QString path;
};

NetworkFile parseNetworkFile(const QString& text);

// Locates and opens the database, and switches the computer's role.
// Mode "Inicia" (start-up), given the database file name chosen with the company: without a network file this
// is the central computer, which opens its own database (a missing or unusable database is reported in
// Spanish, the engine's words going to the error log, and ends the program; a missing one whose backup did
// not finish is told with what to do; one whose quick check finds damage is reported with how to repair it,
// and the program goes on). With a network file of kind "V" (linked satellite) the local database is opened
// and the central database's table Afiliados is reached from it by its name (the central file is attached);
// kind "BDR" (remote satellite) copies the central database to AppName + "Resp.mdb" and opens the central
// file itself, in rollback-journal mode since it is reached over a share; CompanyData(4) becomes its path.
// Any other kind ends the program. On return mode reads "base" and database holds the path opened. Mode
// "Cambia" (utilities menu): behind a level-3 access key, a satellite becomes central (its network file
// parked as AppName + "Sat.red", optionally taking the backup copy as its database and ending the program)
// and a central computer becomes a satellite again (the parked file restored; a missing one is a run-time
// error).
void NetworkMode(Session& session, QString& mode, QString& database);

// After a maintenance operation that closed the database and emptied DebugSwitches: opens it again as the
// start-up does (which ends the program when it cannot). Does nothing while DebugSwitches is set.
void ReopenDatabase(Session& session);

} // namespace quelmar::startup
