#include "office/orderpages.h"

namespace quelmar::office {

namespace {

constexpr int SubscriberPageLines = 54;
constexpr int RepairPageLines = 48;

} // namespace

bool OrderPages::fits(int lines) const
{
    if (m_rule == PageRule::SubscriberOrders)
        return m_count + lines < SubscriberPageLines;
    return m_count + lines <= RepairPageLines;
}

QString OrderPages::add(const QString& copy, int lines)
{
    QString closed;
    if (!fits(lines))
        closed = takeRest();
    m_page += m_lineBreak + copy;
    m_count += lines + 1;
    return closed;
}

QString OrderPages::takeRest()
{
    QString page;
    page.swap(m_page);
    m_count = 0;
    return page;
}

} // namespace quelmar::office
