#include "subscribers/receipt.h"

#include "core/datetext.h"
#include "subscribers/statusrules.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace quelmar::subscribers {

namespace {

QString rule()
{
    return QString(ReceiptWidth, u'_');
}

// "1234567" -> "1,234,567".
QString grouped(qint64 value)
{
    QString digits = QString::number(value < 0 ? -value : value);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u',');
    return value < 0 ? u'-' + digits : digits;
}

} // namespace

std::optional<PaidLine> parsePaidLine(const QString& record)
{
    if (!record.endsWith(u'/'))
        return std::nullopt;
    const QString body = record.chopped(1);
    const qsizetype first = body.indexOf(u'/');
    const qsizetype second = first < 0 ? -1 : body.indexOf(u'/', first + 1);
    const qsizetype last = body.lastIndexOf(u'/');
    if (second < 0 || last <= second)
        return std::nullopt;

    PaidLine paid;
    bool lineOk = false;
    bool quantityOk = false;
    bool totalOk = false;
    paid.line = body.left(first).trimmed().toInt(&lineOk);
    paid.quantity = body.mid(first + 1, second - first - 1).trimmed().toInt(&quantityOk);
    paid.conceptName = body.mid(second + 1, last - second - 1);
    paid.total = body.mid(last + 1).trimmed();
    paid.amount = QString(paid.total).remove(u',').toDouble(&totalOk);
    if (!lineOk || !quantityOk || !totalOk || paid.quantity <= 0 || !std::isfinite(paid.amount))
        return std::nullopt;
    return paid;
}

bool isRentConcept(const QString& conceptName)
{
    return conceptName.contains(u"Renta"_s);
}

QString rentPeriod(const QDate& expiry, const QDate& newExpiry)
{
    if (isNotInstalled(expiry))
        return u" por instalar"_s;
    return u' ' + datetext::dayMonthYear(expiry) + u" a "_s + datetext::dayMonthYear(newExpiry);
}

QString rentObservation(int months, const QString& period)
{
    return (QString::number(months) + u" Mes "_s + period).left(ObservationLength);
}

QString conceptLine(const QString& conceptName, const QString& lineTotal, const QString& observation,
                    bool rent)
{
    if (rent)
        return u"      "_s + conceptName + u" = "_s + lineTotal + u" ("_s + observation + u')';
    return u"     "_s + conceptName + u" = "_s + lineTotal;
}

qint64 addWholeAmount(qint64 total, double amount)
{
    return static_cast<qint64>(std::nearbyint(static_cast<double>(total) + amount));
}

QString receiptAmount(qint64 total)
{
    return u'$' + grouped(total) + u".00"_s;
}

QString lineTotalText(double amount)
{
    const double rounded = std::round(amount * 10000.0) / 10000.0;
    return QString::number(rounded, 'g', 15);
}

void addPayments(ReceiptContent& content, const QList<PaymentRow>& rows)
{
    for (const PaymentRow& row : rows) {
        const bool rent = isRentConcept(row.conceptName);
        content.concepts.append(
            conceptLine(row.conceptName, lineTotalText(row.amount), row.observation, rent));
        content.total = addWholeAmount(content.total, row.amount);
    }
}

QStringList receiptLines(const ReceiptContent& content)
{
    QStringList lines;
    for (int i = 0; i < 6; ++i)
        lines.append(content.heading.value(i));
    lines.append(rule());
    QString ticketLine = u"Ticket = "_s + QString::number(content.ticket) + u"   "_s +
                         datetext::dayMonthYear(content.when.date());
    if (content.timeKnown)
        ticketLine += u"   "_s + content.when.time().toString(u"HH:mm"_s);
    lines.append(ticketLine);
    lines.append(u" "_s);
    lines.append(content.name.left(ReceiptNameLength) + u"   "_s);
    lines.append(u"   Contrato "_s + content.contract + u"       Total: "_s + receiptAmount(content.total));
    lines.append(u" "_s);
    lines.append(u"   Conceptos pagados:"_s);
    lines.append(content.concepts);
    lines.append(u" "_s);
    lines.append(rule());
    lines.append(u" "_s);
    lines.append(content.closing);
    return lines;
}

QString receiptText(const QStringList& lines)
{
    return lines.join(u'\n');
}

QStringList receiptTextLines(QString text)
{
    text.remove(u'\r');
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.split(u'\n');
}

} // namespace quelmar::subscribers
