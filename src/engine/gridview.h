#pragma once

#include "engine/gridrules.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTableView;
class QToolButton;
class QWidget;

namespace quelmar {
class Session;
}

namespace quelmar::db {
class Recordset;
}

namespace quelmar::engine {

class GridModel;

// The data grid `TabSec` of the main form with its data control `DatoSec`: the grid keeps the recordset it
// shows, lays its columns out from session.engine.FieldTable, shows its caption above the rows and its
// command buttons below, and turns the user's keys, double clicks and row changes into the engine's codes and
// row writes (with the before-column and before-row checks, the data-error question and the fixed values of
// new rows).
class GridView : public QObject
{
    Q_OBJECT

public:
    explicit GridView(Session& session);
    ~GridView() override;

    // Binds the grid to a recordset (kept until the next bind or unbind) with the session's FieldTable.
    // updatable: the grid may change rows; the column formats follow (Part of the layout).
    void bind(std::unique_ptr<db::Recordset> rows);
    void unbind();
    // Shows the rows of another recordset of the same columns in place of the bound one (which is closed),
    // keeping the layout: captions, formats, widths and locks.
    void replaceRows(std::unique_ptr<db::Recordset> rows);
    db::Recordset* recordset() const;
    GridModel* model() const;
    QTableView* table() const;

    // What the user may do with the rows, and the columns locked (protected fields and, on new rows, fixed
    // values from session.engine).
    void setEditing(bool update, bool add, bool remove);
    bool allowsUpdates() const;

    // The layout shared by the grid modes: caption, geometry from the form's size, column captions, formats,
    // alignments, widths and locks.
    void layout(const QString& caption, const QString& title);
    void setCaption(const QString& caption);
    QString caption() const;
    // The grid's top once it is filled (centred vertically, at least 100 twips from the top).
    void placeVertically();
    // "&Termina" under the grid's right edge and the `tcom` buttons to its left.
    void showButtons(const QList<GridButton>& buttons);
    void hideButtons();

    // Geometry in twips on the main form: the grid area, a column's left edge and width, the row height.
    QRect geometryTwips() const;
    void setGeometryTwips(const QRect& area);
    int columnLeftTwips(int column) const;
    int columnWidthTwips(int column) const;
    void setColumnWidthTwips(int column, int width);
    int rowHeightTwips() const;
    // Taller headings (one line per text line of the captions).
    void fitHeadings();

    void show();
    // Takes the grid and its buttons away (the recordset stays bound).
    void hide();
    bool isShown() const;
    void setEnabled(bool on);
    void focus();

    int currentRow() const;    // 0-based; -1 when none
    int currentColumn() const; // 0-based; -1 when none
    void setCurrent(int row, int column);
    QString cellText(int row, int column) const;

    // Writes the row being edited before the grid is left; false when the user chose to correct it.
    bool finishEditing();
    // Reads the rows again.
    void refresh();

    // The checks of the grid's current row ("Tab") and of one typed cell ("TabCol"): 0 when they passed,
    // -1 for a missing required value, 1 for a classifier without a value. A failure shows its message.
    int validateRow(int row);
    int validateColumn(int column, const QString& text);

    // The transcript lines of the grid: caption, column captions, rows (at most 50, then their count).
    void transcribe();

    // Asked when the classifier button of a cell is clicked (column 0-based).
    std::function<void(int column)> classifierRequested;

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void build();
    void currentChanged(int row, int previousRow);
    void placeClassifierButton();
    bool isClassifierColumn(int column) const;
    void deleteCurrentRecord();
    void connectModel();

    Session& m_session;
    QPointer<QWidget> m_area;
    QPointer<QLabel> m_caption;
    QPointer<QTableView> m_table;
    QPointer<QToolButton> m_classifierButton;
    GridModel* m_model = nullptr;
    std::unique_ptr<db::Recordset> m_rows;
    QList<int> m_tcom; // indexes of the `tcom` buttons shown
    bool m_restoring = false;
};

// The grid of the session, made on first use.
GridView& grid(Session& session);

} // namespace quelmar::engine
