#pragma once

#include <QString>
#include <QStringList>

// How filled order copies are gathered into printed pages: plain rules, no printer.
namespace quelmar::office {

// The page rules of the two kinds of orders.
enum class PageRule
{
    // Subscriber orders: a copy joins the page while the lines counted plus its own stay below 54.
    SubscriberOrders,
    // Repair orders: a copy joins the page unless the lines counted plus its own exceed 48.
    RepairOrders,
};

// Gathers copies into a page text, each copy after a line break. A copy that does not fit closes the page
// collected so far (handed back to be printed first) and starts the next one.
class OrderPages
{
public:
    explicit OrderPages(PageRule rule, QString lineBreak = QStringLiteral("\r\n"))
        : m_rule(rule), m_lineBreak(std::move(lineBreak))
    {}

    // Adds a copy of `lines` lines; the page to print before it, when it closed one (empty otherwise).
    QString add(const QString& copy, int lines);
    // The page still collected, and the collector empty again.
    QString takeRest();

    int lineCount() const { return m_count; }
    bool isEmpty() const { return m_page.isEmpty(); }

private:
    bool fits(int lines) const;

    PageRule m_rule;
    QString m_lineBreak;
    QString m_page;
    int m_count = 0;
};

} // namespace quelmar::office
