#pragma once

#include <QObject>
#include <QString>

namespace quelmar {

class Session;

// Watches one element of the main form and reports its use through the session's codes, as the element
// families report them: picture clicks, clickable panels, the keys of input fields and single-choice lists.
class ElementEvents : public QObject
{
    Q_OBJECT

public:
    ElementEvents(Session& session, const QString& family, int index, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool inputKey(QObject* watched, int key);
    bool listKey(QObject* watched, int key);

    Session& m_session;
    QString m_family;
    int m_index;
};

} // namespace quelmar
