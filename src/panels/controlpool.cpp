#include "panels/controlpool.h"

#include "panels/elementevents.h"
#include "panels/errortrap.h"
#include "panels/mainform.h"
#include "session/session.h"
#include "session/twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <array>

namespace quelmar::panels {

namespace {

const char* const elementIndexProperty = "elementIndex";
const char* const elementFamilyProperty = "elementFamily";

struct Kind
{
    const char* name;
    const char* family;
};

constexpr std::array<Kind, 14> kinds{{
    {"let", "letrero"},
    {"par", "param"},
    {"tcom", "tcom"},
    {"figura", "Imagen"},
    {"zona", "fondo"},
    {"opcion", "dopc"},
    {"alter", "dalt"},
    {"panel", "panel"},
    {"linea", "linea"},
    {"pcap", "parcap"},
    {"cap", "textouni"},
    {"tit", "Tit"},
    {"lista", "listauni"},
    {"manual", "manual"},
}};

QWidget* makeWidget(int slot, QWidget* form)
{
    switch (slot) {
    case 1:
    case 12:
        return new QLabel(form);
    case 2:
    case 8: {
        auto* panel = new QLabel(form);
        panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
        panel->setAlignment(Qt::AlignCenter);
        return panel;
    }
    case 3:
    case 14:
        return new QPushButton(form);
    case 4: {
        auto* picture = new QLabel(form);
        picture->setScaledContents(true);
        return picture;
    }
    case 5:
        return new QFrame(form);
    case 6:
        return new QRadioButton(form);
    case 7:
        return new QCheckBox(form);
    case 9: {
        auto* line = new QFrame(form);
        line->setFrameShape(QFrame::HLine);
        return line;
    }
    case 10:
    case 11:
        return new QLineEdit(form);
    case 13:
        return new QListWidget(form);
    default:
        return nullptr;
    }
}

void connectEvents(Session& session, int slot, int index, QWidget* widget)
{
    const QString family = familyOfSlot(slot);
    switch (slot) {
    case 3:
        QObject::connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, widget, [&session, index] {
            session.codes.TableCommand = 450 + index;
            session.dialog.ChosenButton = index;
        });
        break;
    case 14:
        QObject::connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, widget,
                         [&session, index] { session.codes.TableCommand = 350 + index; });
        break;
    case 7: {
        auto* box = static_cast<QCheckBox*>(widget);
        QObject::connect(box, &QCheckBox::clicked, widget, [&session, index](bool checked) {
            if (checked)
                session.codes.TableCommand = index;
        });
        break;
    }
    case 13: {
        auto* list = static_cast<QListWidget*>(widget);
        QObject::connect(list, &QListWidget::itemDoubleClicked, widget, [&session, list, index] {
            session.dialog.ChosenEntry = QString::number(list->currentRow());
            session.codes.CommandCode = index + 1;
        });
        widget->installEventFilter(new ElementEvents(session, family, index, widget));
        break;
    }
    case 4:
    case 8:
    case 11:
        widget->installEventFilter(new ElementEvents(session, family, index, widget));
        break;
    default:
        break;
    }
}

QWidget* mainForm(Session& session)
{
    return session.k;
}

QList<QWidget*> familyMembers(QWidget* form)
{
    QList<QWidget*> members;
    if (!form)
        return members;
    const QList<QWidget*> children = form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        if (child->property(elementIndexProperty).isValid())
            members.append(child);
    }
    return members;
}

void removeElement(QWidget* widget)
{
    widget->hide();
    widget->setObjectName(QString());
    widget->setProperty(elementIndexProperty, QVariant());
    widget->setProperty(elementFamilyProperty, QVariant());
    widget->deleteLater();
}

} // namespace

int kindSlot(const QString& kind)
{
    const QString name = kind.trimmed().toLower();
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        if (name == QLatin1String(kinds[i].name))
            return static_cast<int>(i) + 1;
    }
    return 0;
}

QString familyOfSlot(int slot)
{
    if (slot < 1 || slot > static_cast<int>(kinds.size()))
        return QString();
    return QLatin1String(kinds[static_cast<std::size_t>(slot - 1)].family);
}

QString elementName(const QString& family, int index)
{
    return family + QLatin1Char('_') + QString::number(index);
}

int unloadTarget(int counter, int index)
{
    return index < 1 ? counter : index;
}

int counterAfterUnload(int counter, int removedIndex)
{
    if (removedIndex != counter)
        return counter;
    return counter > 0 ? counter - 1 : 0;
}

void markElement(QWidget* widget, const QString& family, int index)
{
    widget->setObjectName(elementName(family, index));
    widget->setProperty(elementIndexProperty, index);
    widget->setProperty(elementFamilyProperty, family);
}

QWidget* createElement(Session& session, int slot, int index, QWidget* form)
{
    QWidget* widget = makeWidget(slot, form);
    if (!widget)
        return nullptr;
    markElement(widget, familyOfSlot(slot), index);
    widget->hide();
    connectEvents(session, slot, index, widget);
    return widget;
}

QWidget* element(Session& session, const QString& family, int index)
{
    QWidget* form = mainForm(session);
    if (!form)
        return nullptr;
    return form->findChild<QWidget*>(elementName(family, index), Qt::FindDirectChildrenOnly);
}

void LoadControl(Session& session, const QString& kind, int& newIndex)
{
    ErrorTrap trap(session, QStringLiteral("LoadControl"));
    newIndex = 0;
    const int slot = kindSlot(kind);
    QWidget* form = mainForm(session);
    if (slot == 0 || !form)
        return;
    int& counter = session.pool.ControlCounts[static_cast<std::size_t>(slot - 1)];
    const int index = counter + 1;
    QWidget* widget = nullptr;
    trap.step([&] { widget = createElement(session, slot, index, form); });
    if (!widget)
        return;
    counter = index;
    session.pool.lastLoaded = widget;
    newIndex = index;
}

void UnloadControl(Session& session, const QString& kind, int index)
{
    ErrorTrap trap(session, QStringLiteral("UnloadControl"));
    const int slot = kindSlot(kind);
    if (slot == 0)
        return;
    int& counter = session.pool.ControlCounts[static_cast<std::size_t>(slot - 1)];
    const int target = unloadTarget(counter, index);
    if (target < 1)
        return;
    if (QWidget* widget = element(session, familyOfSlot(slot), target)) {
        if (session.pool.lastLoaded == widget)
            session.pool.lastLoaded = nullptr;
        removeElement(widget);
    }
    counter = counterAfterUnload(counter, target);
}

void ClearElements(Session& session)
{
    ErrorTrap trap(session, QStringLiteral("ClearElements"));
    if (session.codes.PresentationVariant == 101)
        return;
    const QList<QWidget*> members = familyMembers(mainForm(session));
    for (QWidget* widget : members) {
        trap.step([widget] {
            if (widget->property(elementIndexProperty).toInt() == 0)
                widget->hide();
            else
                removeElement(widget);
        });
    }
    session.pool.ControlCounts.fill(0);
    session.pool.lastLoaded = nullptr;
}

void SetMainFormEnabled(Session& session, bool on)
{
    ErrorTrap trap(session, QStringLiteral("SetMainFormEnabled"));
    QWidget* form = mainForm(session);
    if (!form)
        return;
    const QList<QWidget*> children = form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        if (!child->isWindow())
            child->setEnabled(on);
    }
}

void hideElement(QWidget* widget)
{
    if (widget)
        widget->hide();
}

void showElement(QWidget* widget)
{
    if (!widget)
        return;
    widget->setEnabled(true);
    widget->show();
    widget->raise();
}

void centreHorizontally(Session& session, QWidget* widget)
{
    QWidget* form = mainForm(session);
    if (form && widget)
        widget->move((form->width() - widget->width()) / 2, widget->y());
    session.dialog.VerticalPlacement = 0;
}

void centreOnForm(Session& session, QWidget* widget)
{
    centreHorizontally(session, widget);
    QWidget* form = mainForm(session);
    if (form && widget)
        widget->move(widget->x(), (form->height() - widget->height()) / 2);
    session.dialog.MessageRow = 0;
}

} // namespace quelmar::panels
