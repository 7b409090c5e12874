#include "shell/menuline.h"

#include <QPainter>
#include <QPen>

namespace quelmar {

namespace {
constexpr int PenWidth = 2;
}

MenuLine::MenuLine(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void MenuLine::setEnds(const QPoint& from, const QPoint& to)
{
    m_from = from;
    m_to = to;
    setGeometry(QRect(from, to).normalized().adjusted(-PenWidth, -PenWidth, PenWidth, PenWidth));
    update();
}

void MenuLine::setColour(const QColor& colour)
{
    m_colour = colour;
    update();
}

void MenuLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(m_colour, PenWidth));
    painter.drawLine(m_from - pos(), m_to - pos());
}

} // namespace quelmar
