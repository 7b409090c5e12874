#include "subscribers/money.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace quelmar::subscribers::money {

std::optional<double> amount(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > Limit)
        return std::nullopt;
    return value;
}

std::optional<double> lineAmount(double price, int quantity)
{
    if (!amount(price))
        return std::nullopt;
    return amount(price * quantity);
}

std::optional<double> sum(double a, double b)
{
    if (!amount(a) || !amount(b))
        return std::nullopt;
    return amount(a + b);
}

std::optional<double> readPrice(const QString& text)
{
    QString digits = text.trimmed();
    digits.remove(u',');
    bool ok = false;
    const double value = digits.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> tariffPrice(const QString& text)
{
    const std::optional<double> value = readPrice(text);
    if (!value || *value < 0)
        return std::nullopt;
    return amount(*value);
}

QString tariffPriceMessage(const QString& conceptName)
{
    const QString named = conceptName.trimmed().isEmpty() ? u"la tarifa"_s : conceptName.trimmed();
    return u"La Cuota de %1 debe ser un importe: un número de 0 a 922,337,203,685,477.58, como 180 o "
           u"1,250.50.  Corrija la Cuota."_s.arg(named);
}

QString outOfRangeMessage(const QString& conceptName)
{
    return conceptName + u" tiene un precio unitario fuera de rango.  El precio, el total de la línea y el "
                         u"total a pagar no pueden pasar de $922,337,203,685,477.58: corrija el precio o la "
                         u"cantidad."_s;
}

} // namespace quelmar::subscribers::money
