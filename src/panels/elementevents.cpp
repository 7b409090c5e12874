#include "panels/elementevents.h"

#include "session/session.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QWidget>

namespace quelmar {

ElementEvents::ElementEvents(Session& session, const QString& family, int index, QObject* parent)
    : QObject(parent), m_session(session), m_family(family), m_index(index)
{}

bool ElementEvents::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (m_family == QLatin1String("textouni"))
            return inputKey(watched, key);
        if (m_family == QLatin1String("listauni"))
            return listKey(watched, key);
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (mouse->button() != Qt::LeftButton || !widget ||
            !widget->rect().contains(mouse->position().toPoint()))
            return false;
        if (m_family == QLatin1String("Imagen"))
            m_session.codes.TableCommand = 500 + m_index;
        else if (m_family == QLatin1String("panel") && m_session.codes.PresentationVariant == 3)
            m_session.codes.TableCommand = m_index;
    }
    return false;
}

bool ElementEvents::inputKey(QObject* watched, int key)
{
    switch (key) {
    case Qt::Key_Tab:
        m_session.codes.CommandCode = 9;
        return false;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_session.codes.CommandCode = 13;
        return true;
    case Qt::Key_Escape:
        if (auto* edit = qobject_cast<QLineEdit*>(watched))
            edit->clear();
        m_session.codes.CommandCode = 27;
        return true;
    default:
        return false;
    }
}

bool ElementEvents::listKey(QObject* watched, int key)
{
    auto* list = qobject_cast<QListWidget*>(watched);
    if (!list)
        return false;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (const QListWidgetItem* item = list->currentItem())
            m_session.dialog.ChosenEntry = item->data(Qt::UserRole).toString();
        m_session.codes.CommandCode = 9;
        return true;
    case Qt::Key_Escape:
        m_session.codes.CommandCode = 10;
        return true;
    default:
        return false;
    }
}

} // namespace quelmar
