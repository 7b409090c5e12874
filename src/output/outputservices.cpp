#include "output/outputservices.h"

#include "output/formrtf.h"
#include "output/grafest.h"
#include "output/repimp.h"

namespace quelmar::output {

OutputServices::OutputServices()
    : m_printing(std::make_unique<output::RepImp>()), m_format(std::make_unique<output::FormRtf>())
{}

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

void OutputServices::FormRTF(Session& session, const QString& request, int fieldNumber, QString& text)
{
    m_format->run(session, request, fieldNumber, text);
}

} // namespace quelmar::output
