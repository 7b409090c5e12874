#include "output/outputservices.h"

#include "output/grafest.h"
#include "output/repimp.h"

namespace quelmar::output {

OutputServices::OutputServices() : m_printing(std::make_unique<output::RepImp>()) {}

OutputServices::~OutputServices() = default;

void OutputServices::RepImp(Session& session, const QString& request)
{
    m_printing->run(session, request);
}

void OutputServices::GrafEst(Session& session, const QString& request, const QString& caption,
                             const QString& options)
{
    QString title = caption;
    output::GrafEst(session, request, title, QString(), options);
}

} // namespace quelmar::output
