#pragma once

#include "query/queryservices.h"

namespace quelmar::shell {

// The engine's services with what the shell answers on top of the parts below it: the access keys.
class ShellServices : public query::QueryServices
{
public:
    void AskAccessKey(Session& session, int level, int& granted, QString& name) override;
};

} // namespace quelmar::shell
