#pragma once

#include <QList>
#include <QWidget>

namespace quelmar::automation::screen {

// The visible top-level windows in the order a person deals with them: the active modal dialog first, then
// the active window, then the others.
QList<QWidget*> visibleWindows();

// The visible widgets of class T (windows included), window by window in that order.
template <class T> QList<T*> visibleWidgets()
{
    QList<T*> found;
    for (QWidget* window : visibleWindows()) {
        if (auto* itself = qobject_cast<T*>(window))
            found.append(itself);
        const QList<T*> children = window->findChildren<T*>();
        for (T* child : children) {
            if (child->isVisible())
                found.append(child);
        }
    }
    return found;
}

} // namespace quelmar::automation::screen
