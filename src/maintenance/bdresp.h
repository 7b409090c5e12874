#pragma once

#include <QString>
#include <QStringList>

namespace quelmar {
class Session;
}

namespace quelmar::maintenance {

// What BDResp leaves its caller to do.
enum class BDRespEnd
{
    Return,     // go on (the database may have been closed: DebugSwitches is empty then)
    EndProgram, // end the program (EndProgram with an empty mode): the database was backed up or repaired, or
                // it is in use and the program was told to end
};

// Backup and compaction ("Resp") and repair ("Repa") of the database X = CompanyData(4), taken in the working
// folder when it is not a full path. Both close the session's database and wait for the other programs to
// leave it, counting the seconds in the notice label; a database still in use is refused with the list of
// its users. A backup renames X.mdb to X.tmp, compacts it into a new X.mdb (checked before it takes the
// name) and keeps X.tmp as X.bak; a repair checks the file and rebuilds a damaged one from what can be read,
// telling per table what was saved. Other modes do nothing.
BDRespEnd BDResp(Session& session, const QString& mode);

// The session lets go of its database: the grid's rows and the recordsets first, then the database itself, so
// that no connection is left on the file.
void CloseDatabase(Session& session);

// Waits for the other programs to close the database (at most limitSeconds), the notice reading "CERRANDO LA
// BASE DE DATOS " + seconds + " segs.". Gives the programs that still hold it, told to the user with "No
// puede cerrarse la Base de Datos, pues la ésta usando: " and one line each; empty when it was closed.
QStringList WaitForDatabaseClose(Session& session, const QString& databasePath, int limitSeconds = 60);

} // namespace quelmar::maintenance
