#pragma once

#include "engine/engineservices.h"

namespace quelmar::query {

// The engine's services with what the query part answers: the selection and ordering wizard, the totals and
// subtotals of grids and the classifier lists of grid cells.
class QueryServices : public engine::EngineServices
{
public:
    void PresAut(Session& session, const QString& request, const QString& where, QString& title,
                 QString& statement) override;
    void TabTotal(Session& session, const QString& request) override;
    void TabSTot(Session& session, const QString& options) override;
    void TabClasi(Session& session, int column) override;
    void ArRel(Session& session, const QString& table, const QString& mode, const QString& key,
               const QString& keyField, const QString& title) override;
};

} // namespace quelmar::query
