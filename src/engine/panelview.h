#pragma once

#include "db/dberror.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace quelmar {
class Session;
}

namespace quelmar::engine {

// The panel of captioned fields on `dfija` that shows the current record of the panel's recordset
// (session.engine.PanelRecordset): a label and a capture control per field of session.engine.FieldTable, the
// record navigator `dato` and the four command buttons `dcom`. It carries the field events (focus colours,
// hints in `Aviso`, rejected keystrokes, the check on leaving a field) and moves between records.
class PanelView : public QObject
{
    Q_OBJECT

public:
    explicit PanelView(Session& session);
    ~PanelView() override;

    // Lays the fields out for the session's FieldTable and WorkState (width in twips, 0 for the form's width
    // less 500). Fields are enabled only in capture and edit work, where their editable flag says so.
    void build(const QString& title, int widthTwips, const QString& options);
    // Shows the panel (and the navigator) in front.
    void showPanel();
    // Hides the panel's controls and buttons, keeping them (another screen takes `dfija` for a while).
    void hidePanel();
    // Removes every control of the panel and hides `dfija`.
    void remove();

    // Shows the current record of the recordset in the controls (for a new one, light yellow fields with the
    // default values the record was given).
    void showRecord();
    // The transcript line of the panel and its record.
    void transcribe();
    QString caption() const { return m_title; }
    QString positionText() const;

    // The four command buttons: captions and tips (an empty caption hides the button).
    void setButtons(const QStringList& captions, const QStringList& tips);
    void setButtonsVisible(bool on);
    void setButtonsEnabled(bool on);
    // The navigator's buttons.
    void setNavigatorEnabled(bool on);

    // The value a field's check reads (1-based field), by its capture kind.
    QString checkValue(int field);
    // The value of a field to write into the record; Null for an empty field.
    QVariant writeValue(int field) const;
    // The capture control of a field; nullptr for none.
    QWidget* control(int field) const;
    void setColour(int field, const QColor& colour);
    // A field takes a value and is disabled (a fixed value of new records).
    void fix(int field, const QString& value);
    void focusFirstField();

    // Moves the recordset: "first", "previous", "next", "last"; in edit work the record is checked and saved
    // first. True when it moved.
    bool moveTo(const QString& where);

    // Writes the controls' values into the recordset's pending edit or new row.
    db::DbError writeFields();

    // Asked before the navigator moves (false keeps the record); told after it moved.
    std::function<bool()> beforeMove;
    std::function<void()> afterMove;

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    int fieldOf(const QObject* widget) const;
    void gotFocus(int field);
    void lostFocus(int field);
    void rejectedKey(int field);
    void classifierFilled(int field, QListWidget* list);
    bool isRelationField(int field) const;
    bool relationEvent(int field, QEvent* event);
    // Runs the relation routine for a field once the event that asked for it is done.
    void requestRelation(const QString& request, int field);
    QString shownValue(int field) const;
    void placeNotice(const QString& text, bool underPanel);
    QWidget* panel() const;

    Session& m_session;
    QString m_title;
    QPointer<QWidget> m_frame;            // `dfija`, once a panel was built on it
    QList<QPointer<QWidget>> m_owned;     // every control made for the panel
    QList<QPointer<QWidget>> m_controls;  // per field (index field - 1)
    QList<QPointer<QLabel>> m_labels;     // per field: its caption
    QList<QStringList> m_classifierNames; // per field: the entries of its classifier list
    QList<QPointer<QPushButton>> m_buttons;
    QList<QPointer<QAbstractButton>> m_navigator;
    QPointer<QWidget> m_navigatorBar;
    QPointer<QLabel> m_position;
};

} // namespace quelmar::engine
