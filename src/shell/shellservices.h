#pragma once

#include "output/outputservices.h"

namespace quelmar::shell {

// The engine's services with what the shell answers on top of the parts below it: the access keys
// and the file dialogs.
class ShellServices : public output::OutputServices
{
public:
    void AskAccessKey(Session& session, int level, int& granted, QString& name) override;
    QString Disco(Session& session, const QString& mode) override;
};

} // namespace quelmar::shell
