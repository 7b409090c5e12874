#pragma once

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::shell {

// BDParam "LeeAcc": reads the access keys (Parametros rows of class "LA", at most 100) into AccessKeys, each
// value trimmed: key from Contenido, name from Nombre, level from Clave.
void BDParamLeeAcc(Session& session);

// Asks for an access key of at least `level` in the key box of the main form, three attempts at most.
// granted: -1 allowed, 0 refused; name: the holder of the key accepted. With no keys defined everything is
// allowed without asking. CommandCode is as it was on return.
void AskAccessKey(Session& session, int level, int& granted, QString& name);

} // namespace quelmar::shell
