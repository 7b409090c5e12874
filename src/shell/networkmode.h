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

// Locates and opens the database. Mode "Inicia" (start-up), given the database file name chosen with the
// company: without a network file this is the central computer, which opens its own database (a missing or
// unusable database is reported in Spanish, the engine's words going to the error log, and ends the program;
// one whose quick check finds damage is reported with how to repair it, and the program goes on). A computer
// with a network file is a satellite; the satellite modes come in a later version: the program says so and
// ends. On return mode reads "base" and database holds the path opened.
void NetworkMode(Session& session, QString& mode, QString& database);

} // namespace quelmar::startup
