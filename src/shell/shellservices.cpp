#include "shell/shellservices.h"

#include "shell/accesskeys.h"
#include "shell/disco.h"

namespace quelmar::shell {

void ShellServices::AskAccessKey(Session& session, int level, int& granted, QString& name)
{
    shell::AskAccessKey(session, level, granted, name);
}

QString ShellServices::Disco(Session& session, const QString& mode)
{
    return shell::Disco(session, mode);
}

} // namespace quelmar::shell
