#pragma once

#include "query/queryservices.h"

#include <memory>

namespace quelmar::output {

class RepImp;

// The engine's services with what the output part answers on top of the query part: printing and export of
// tables and panels, and the statistics charts.
class OutputServices : public query::QueryServices
{
public:
    OutputServices();
    ~OutputServices() override;

    void RepImp(Session& session, const QString& request) override;
    void GrafEst(Session& session, const QString& request, const QString& caption,
                 const QString& options) override;

private:
    std::unique_ptr<output::RepImp> m_printing; // the print job that spans the calls from "Ini" to "Fin"
};

} // namespace quelmar::output
