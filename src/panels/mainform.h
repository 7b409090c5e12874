#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;
class QTimer;

namespace quelmar {

class Session;

namespace panels {
class Alarm;
class Chronometer;
} // namespace panels

// The main form `k` ("Sistema Administrativo"): the window that hosts panels, grids and dialogs. It carries
// the design-time instance (index 0) of every element family of the pool, the footer panel, the notice label,
// the key box and the lists, and reports what the user does with them through the session's codes.
class MainForm : public QWidget
{
    Q_OBJECT

public:
    explicit MainForm(Session& session, QWidget* parent = nullptr);
    ~MainForm() override;

    // Paints the form's controls with the session's four scheme colours (ColourCount decides between the
    // scheme and the fallback colours of small displays).
    void applyColourScheme();
    // The same for a display of that many colours (also stored in ColourCount).
    void applyColourScheme(double colourCount);

    QLineEdit* keyBox() const { return m_keyBox; }           // `Texto`: INTRO sets CommandCode -4
    QLabel* footer() const { return m_footer; }              // `LPie`
    QLabel* notice() const { return m_notice; }              // `Aviso`
    QLineEdit* footerField() const { return m_footerField; } // `textouni(0)`
    QListWidget* listauni() const { return m_listauni; }     // `listauni(0)`
    QListWidget* listamult() const { return m_listamult; }
    QListWidget* selUni() const { return m_selUni; }
    QListWidget* selMult() const { return m_selMult; }
    QPushButton* termina() const { return m_termina; }
    QFrame* fixedPanel() const { return m_fixedPanel; }           // `dfija`
    QLabel* picture() const { return m_picture; }                 // `Ima(0)`
    QScrollBar* pictureScroll() const { return m_pictureScroll; } // `VScroll`
    QLabel* elapsedLabel() const { return m_tiempo; }             // `tiempo`

    // The chronometer `treloj` (showing in `tiempo`) and the alarm `timalar`, whose pauses go through the
    // session's one pause.
    panels::Chronometer& chronometer() const { return *m_chronometer; }
    panels::Alarm& alarm() const { return *m_alarm; }

    // The footer message: caption " " + text + " ", font and height by the text's length, centred near the
    // bottom, shown and focused; the alternative frame style for "coni". Writes the transcript's [footer]
    // line.
    void showFooterMessage(const QString& text, bool alternativeFrame = false, bool transcribe = true);
    void hideFooter();
    // The notice label with the text at that position (twips). Writes the transcript's [notice] line.
    void showNotice(const QString& text, int topTwips, int leftTwips);
    void hideNotice();
    // Text printed directly on the form, until clearDrawing().
    void printText(const QString& text, int topTwips, int leftTwips, double pointSize);
    void clearDrawing();

    // Chooses as if picture `number` had been clicked: TableCommand = 500 + number.
    void chooseAsPicture(int number);
    // Where the picture was pointed at (PresentationVariant 11), in twips from the picture's top-left.
    QPoint pointedPosition() const { return m_pointed; }

    // Width and height in twips.
    int widthTwips() const;
    int heightTwips() const;

    // Called when the user closes the form; start-up sets it to EndProgram("F"). The form itself ends
    // nothing.
    std::function<void()> onClose;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct PrintedText;

    void buildDesignInstances();
    void buildSurfaces();
    void buildLists();
    void buildTimers();
    void placeFooter();
    void mirrorSelection();
    bool listKey(QListWidget* list, int key);
    void scrollPicture(int value);

    Session& m_session;
    QLabel* m_footer = nullptr;
    QLabel* m_notice = nullptr;
    QLineEdit* m_keyBox = nullptr;
    QLineEdit* m_footerField = nullptr;
    QListWidget* m_listauni = nullptr;
    QListWidget* m_listamult = nullptr;
    QListWidget* m_selUni = nullptr;
    QListWidget* m_selMult = nullptr;
    QPushButton* m_termina = nullptr;
    QFrame* m_fixedPanel = nullptr;
    QLabel* m_picture = nullptr;
    QScrollBar* m_pictureScroll = nullptr;
    QLabel* m_tiempo = nullptr;
    std::unique_ptr<panels::Chronometer> m_chronometer;
    std::unique_ptr<panels::Alarm> m_alarm;
    QPoint m_dragOrigin;
    bool m_dragging = false;
    QPoint m_pointed;
    std::unique_ptr<QList<PrintedText>> m_printed;
};

} // namespace quelmar
