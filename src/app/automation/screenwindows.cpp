#include "app/automation/screenwindows.h"

#include <QApplication>

namespace quelmar::automation::screen {

QList<QWidget*> visibleWindows()
{
    QList<QWidget*> windows;
    const auto add = [&windows](QWidget* window) {
        if (window && window->isVisible() && !windows.contains(window))
            windows.append(window);
    };
    add(QApplication::activeModalWidget());
    add(QApplication::activeWindow());
    const QList<QWidget*> topLevels = QApplication::topLevelWidgets();
    for (QWidget* window : topLevels) {
        if (window->isWindow())
            add(window);
    }
    return windows;
}

} // namespace quelmar::automation::screen
