#pragma once

#include "shell/menurules.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

namespace quelmar {

class MenuLine;
class Session;

// The menu form `Mn`: it lies over the main form with the same size, position and window state while a menu
// is shown. Its options (`Mnu` 1..n) sit on an arc to the right of the centre label (`MCn`), each joined to
// it by a line (`Lne`); the explanation panel (`MnP`) runs along the bottom; the title picture (`MnT`), the
// company name (`NEmp`), the logo (`Logo`) and the help button (`AyudaID`) are its fixed parts. A click on
// option k sets MenuOption to k, a click on the centre label sets 98. Positions are worked out in twips.
class MenuForm : public QWidget
{
    Q_OBJECT

public:
    explicit MenuForm(Session& session);
    ~MenuForm() override;

    // Fixed parts.
    void setColours(QRgb backColour, QRgb itemColour, QRgb panelColour);
    void setBackColour(QRgb colour);
    QRgb backColour() const { return m_backColour; }
    QRgb itemColour() const { return m_itemColour; }
    // Paints the background as a gradient of the back colour (displays of more than 256 colours).
    void setGradient(bool on);
    bool gradient() const { return m_gradient; }
    // The title picture from the file; when it does not load, the title is written instead.
    void loadTitlePicture(const QString& path, const QString& title);
    void setCompanyName(const QString& name);
    // The company's logo; an empty path or a picture that does not load leaves no logo.
    void loadLogo(const QString& path);
    void placeFixedParts();

    // Shows the options of a menu and the centre label, laid out on the arc for the form's present size.
    void showOptions(const shell::MenuSelection& selection, const QString& centreCaption);
    // Unloads the option labels and lines.
    void clearOptions();
    int optionCount() const { return static_cast<int>(m_options.size()); }
    QString centreCaption() const { return m_centreCaption; }

    QLabel* option(int k) const; // 1-based; nullptr outside 1..optionCount
    MenuLine* line(int k) const;
    QLabel* centreLabel() const { return m_centre; }
    QLabel* explanationPanel() const { return m_explanation; }
    QLabel* companyName() const { return m_companyName; }
    QLabel* logo() const { return m_logo; }
    QLabel* titlePicture() const { return m_title; }
    QPushButton* helpButton() const { return m_help; }
    // The layout of the options last placed, in twips.
    const shell::ArcLayout& arc() const { return m_arc; }

    // Clicks option k (98: the centre label) as a person would: a press and a release of the left button on
    // it. False when there is no such label.
    bool clickOption(int k);

    // While the program ends, closing the form is allowed.
    void setEnding(bool ending) { m_ending = ending; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* makeOption(int k, const shell::MenuOptionEntry& entry);
    void layoutOptions();
    void highlightOption(int k);
    void highlightCentre();
    void resetHighlight();
    void chosen(int option);
    static void paint(QWidget* widget, QRgb background, QRgb text);

    Session& m_session;
    QRgb m_backColour = qRgb(11, 11, 139);
    QRgb m_itemColour = qRgb(200, 196, 255);
    QRgb m_panelColour = qRgb(11, 11, 139);
    bool m_gradient = true;
    bool m_ending = false;
    bool m_refusing = false;
    QList<QLabel*> m_options;
    QList<MenuLine*> m_lines;
    QLabel* m_template = nullptr;
    MenuLine* m_templateLine = nullptr;
    QLabel* m_centre = nullptr;
    QLabel* m_explanation = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_companyName = nullptr;
    QLabel* m_logo = nullptr;
    QPushButton* m_help = nullptr;
    QString m_centreCaption;
    int m_optionWidth = 0;
    shell::CentreLabel m_centreSize;
    shell::ArcLayout m_arc;
    QObject* m_pressed = nullptr;
};

} // namespace quelmar
