#pragma once

#include "session/session.h"

#include <QColor>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

// The rules of the menu engine, without widgets: reading the menu definition file, choosing the options of a
// menu, its titles, the arc on which the options are laid out (in twips) and the background gradient.
namespace quelmar::shell {

inline constexpr int MaxMenuLines = 300;

// The lines of the menu definition file as menu lines: lines shorter than six characters are skipped, the
// others are split at TAB into code, caption, explanation (trimmed) and help topic (as it stands). The first
// menu line is the heading. At most MaxMenuLines lines are kept; the rest are ignored.
QList<MenuItem> parseMenuLines(const QStringList& lines);

// A caption as shown: without its "&" characters.
QString withoutAmpersands(const QString& caption);

struct MenuOptionEntry
{
    int row = 0;     // index in MenuItems of the option's menu line
    QString caption; // without "&"
    int width = 0;   // twips: 250 + 115 per character of the caption
};

struct MenuSelection
{
    QList<MenuOptionEntry> options; // option k is options[k - 1]
    QString ownCaption;             // field 2 of the line whose code is the menu's own code
    int widestOption() const;
};

// The options of the menu whose code is `code`: every line after the heading whose code is one character
// longer than the trimmed code and begins with it, in file order.
MenuSelection selectMenuOptions(const QList<MenuItem>& items, const QString& code);

struct MenuTitles
{
    QString formCaption; // " - Caption of 2 - Caption of 21" for menu "21"; AppName in upper case for the top
    QString centreCaption; // "Fin" for the top menu; the caption of the deepest line found otherwise
};

MenuTitles menuTitles(const QList<MenuItem>& items, const QString& code, const QString& appName);

// The centre label's caption (the centre caption between two line breaks) and its size in twips.
struct CentreLabel
{
    QString caption;
    int width = 0;
    int height = 0;
};

CentreLabel centreLabel(const QString& centreCaption, const QString& newLine);

// One option placed on the arc, in twips.
struct ArcOption
{
    QRect label;     // left x, top y - 100, the widest option's width, height 300
    QPoint lineFrom; // the centre label's centre
    QPoint lineTo;   // (x, y + 50)
};

struct ArcInput
{
    int innerHeight = 0; // H: the form's inner height
    int width = 0;       // W: the form's width
    int titleTop = 0;    // T: the top of the title picture
    int optionCount = 0;
    int optionWidth = 0; // the widest option
    int centreWidth = 0;
    int centreHeight = 0;
};

struct ArcLayout
{
    double radius = 0;        // R = H / 2
    double cx = 0;            // 0.4 W
    double cy = 0;            // H / 2 + 50
    int step = 0;             // s = (H - T - 650) / (options + 1), whole
    QRect centreLabel;        // centred on (cx + 300, cy)
    QList<ArcOption> options; // the options placed, from option 1; those beyond the circle are left out
};

ArcLayout arcLayout(const ArcInput& input);

// The menu form's background: 100 vertical bands, each of a hundredth of the width; the band at x has each
// component of the colour multiplied by 0.3 + 0.9 x / width (at most 255).
struct GradientBand
{
    double left = 0;
    double width = 0;
    QRgb colour = 0;
};

QList<GradientBand> gradientBands(QRgb colour, double width);

// What a choice returns: the caption and help topic of the line whose code is the menu's code followed by the
// option's number, or "Base" and nothing when there is no such line.
struct MenuChoice
{
    bool found = false;
    QString path;      // MenuPath
    QString helpTopic; // MenuHelpTopic
};

MenuChoice lookupChoice(const QList<MenuItem>& items, const QString& code, int option);

} // namespace quelmar::shell
