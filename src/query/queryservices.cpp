#include "query/queryservices.h"

#include "query/arrel.h"
#include "query/presaut.h"
#include "query/tabclasi.h"
#include "query/tabtotal.h"

namespace quelmar::query {

void QueryServices::PresAut(Session& session, const QString& request, const QString& where, QString& title,
                            QString& statement)
{
    query::PresAut(session, request, where, title, statement);
}

void QueryServices::TabTotal(Session& session, const QString& request)
{
    query::TabTotal(session, request);
}

void QueryServices::TabSTot(Session& session, const QString& options)
{
    query::TabSTot(session, options);
}

void QueryServices::TabClasi(Session& session, int column)
{
    query::TabClasi(session, column);
}

void QueryServices::ArRel(Session& session, const QString& table, const QString& mode, const QString& key,
                          const QString& keyField, const QString& title)
{
    query::ArRel(session, table, mode, key, keyField, title);
}

} // namespace quelmar::query
