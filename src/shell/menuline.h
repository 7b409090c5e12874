#pragma once

#include <QColor>
#include <QPoint>
#include <QWidget>

namespace quelmar {

// A line of the menu form (`Lne`): joins the centre label to an option. It covers the line's bounding box,
// lets the mouse through and draws the line between two points given in its parent's coordinates.
class MenuLine : public QWidget
{
    Q_OBJECT

public:
    explicit MenuLine(QWidget* parent);

    void setEnds(const QPoint& from, const QPoint& to);
    void setColour(const QColor& colour);
    QPoint from() const { return m_from; }
    QPoint to() const { return m_to; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPoint m_from;
    QPoint m_to;
    QColor m_colour = Qt::white;
};

} // namespace quelmar
