#pragma once

#include "query/queryservices.h"

#include <memory>

namespace quelmar::output {

class FormRtf;
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
    void FormRTF(Session& session, const QString& request, int fieldNumber, QString& text) override;

private:
    std::unique_ptr<output::RepImp> m_printing; // the print job that spans the calls from "Ini" to "Fin"
    std::unique_ptr<output::FormRtf> m_format;  // the panel format applied last
};

} // namespace quelmar::output
