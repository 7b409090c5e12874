#include "panels/fieldtext.h"

#include <QLineEdit>

namespace quelmar::panels {

QString shownText(const QLineEdit* edit)
{
    if (!edit)
        return {};
    switch (edit->echoMode()) {
    case QLineEdit::Normal:
        return edit->text();
    case QLineEdit::NoEcho:
        return {};
    case QLineEdit::Password:
    case QLineEdit::PasswordEchoOnEdit:
        break;
    }
    return masked(edit->text());
}

QString masked(const QString& text)
{
    return QString(text.size(), QLatin1Char('*'));
}

} // namespace quelmar::panels
