#include "panels/keyboard.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QWidget>

namespace quelmar::panels::keyboard {

namespace {

void sendKey(QWidget* widget, int key, const QString& text)
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &up);
}

} // namespace

void replaceText(QWidget* widget, const QString& text)
{
    if (!widget)
        return;
    QPointer<QWidget> target(widget);
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->clear();
    }
    for (const QChar c : text) {
        if (!target)
            return;
        sendKey(target,
                c.isLetter() ? static_cast<int>(c.toUpper().unicode()) : static_cast<int>(c.unicode()),
                QString(c));
    }
}

void press(QWidget* widget, int key)
{
    if (!widget)
        return;
    QString text;
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        text = QStringLiteral("\r");
    else if (key == Qt::Key_Escape)
        text = QString(QChar(27));
    else if (key == Qt::Key_Tab)
        text = QStringLiteral("\t");
    sendKey(widget, key, text);
}

} // namespace quelmar::panels::keyboard
