#include "shell/shellservices.h"

#include "shell/accesskeys.h"

namespace quelmar::shell {

void ShellServices::AskAccessKey(Session& session, int level, int& granted, QString& name)
{
    shell::AskAccessKey(session, level, granted, name);
}

} // namespace quelmar::shell
