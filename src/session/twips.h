#pragma once

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

// Positions and sizes are given in twips (1440 to the inch) and converted with the screen's logical DPI.
namespace quelmar::twips {

inline double dpi()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : 96.0;
}

inline int toPixels(double twips, double dotsPerInch)
{
    return static_cast<int>(std::lround(twips * dotsPerInch / 1440.0));
}

inline int toPixels(double twips)
{
    return toPixels(twips, dpi());
}

inline int fromPixels(int pixels)
{
    return static_cast<int>(std::lround(pixels * 1440.0 / dpi()));
}

} // namespace quelmar::twips
