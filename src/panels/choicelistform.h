#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;

namespace quelmar {

class Session;

// The choice-list form `F1`: lists `List(n)` under their titles `Tit(n)`. A right-button press on an entry of
// list n offers what can be done with it (a button row of the allowed actions) and leaves the action code in
// ListExit and n + 1 in CommandCode; a left-button press leaves ListExit 99. "&Ejecuta" sets CommandCode -2
// and "&Termina" -1.
class ChoiceListForm : public QWidget
{
    Q_OBJECT

public:
    explicit ChoiceListForm(Session& session, QWidget* parent = nullptr);
    ~ChoiceListForm() override;

    // Adds list n (0-based, returned) with its title and entries.
    int addList(const QString& title, const QStringList& entries);
    QListWidget* list(int n) const;
    int listCount() const { return static_cast<int>(m_lists.size()); }

    // The letters of the actions offered (M, A, S, T, E, I, B).
    void setAllowedActions(const QString& letters) { m_allowed = letters; }

    // Offers the actions for entry `row` of list n, as the right-button press does.
    void offerActions(int n, int row);

    // The captions ("&Nada," first) and explanations of the actions allowed, for a list titled `title`.
    static QString actionCaptions(const QString& allowed, const QString& title, QString& explanations);
    // The action code of an answer letter: N none (0), M 2, A 3, S 4, T 5, E 6, I 7, B 8.
    static int actionCode(const QString& letter);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void flashAndSet(QPushButton* button, int code);

    Session& m_session;
    QString m_allowed;
    QList<QListWidget*> m_lists;
    QList<QLabel*> m_titles;
    QPushButton* m_ejecuta = nullptr;
    QPushButton* m_termina = nullptr;
};

} // namespace quelmar
