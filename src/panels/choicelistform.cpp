#include "panels/choicelistform.h"

#include "panels/showmessage.h"
#include "session/session.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <array>

namespace quelmar {

namespace {

struct Action
{
    const char* letter;
    const char* caption;
    int code;
};

constexpr std::array<Action, 7> actionTable{{
    {"M", "&Modifica,", 2},
    {"A", "&Agrega,", 3},
    {"S", "&Selecciona,", 4},
    {"T", "&Tabla,", 5},
    {"E", "&Ejecuta,", 6},
    {"I", "&Imprime,", 7},
    {"B", "&Busca,", 8},
}};

QString explanationOf(const QString& letter, const QString& title)
{
    if (letter == QLatin1String("M"))
        return QStringLiteral("Cambia los datos ó elimina ") + title + QLatin1Char('/');
    if (letter == QLatin1String("A"))
        return QStringLiteral("Registra un nuevo elemento en ") + title + QLatin1Char('/');
    if (letter == QLatin1String("S"))
        return QStringLiteral("Escoje entre los presentados/");
    if (letter == QLatin1String("T"))
        return QStringLiteral("Presenta Tabla de ") + title + QStringLiteral(", con mas datos/");
    if (letter == QLatin1String("E"))
        return QStringLiteral("Ejecuta la Acción señalada/");
    if (letter == QLatin1String("I"))
        return QStringLiteral("Imprime el contenido de las Listas/");
    return QStringLiteral("Búsqueda por palabra en ") + title + QLatin1Char('/');
}

} // namespace

ChoiceListForm::ChoiceListForm(Session& session, QWidget* parent) : QWidget(parent), m_session(session)
{
    setObjectName(QStringLiteral("F1"));
    auto* layout = new QVBoxLayout(this);
    auto* lists = new QHBoxLayout;
    lists->setObjectName(QStringLiteral("lists"));
    layout->addLayout(lists, 1);
    auto* buttons = new QHBoxLayout;
    m_ejecuta = new QPushButton(QStringLiteral("&Ejecuta"), this);
    m_ejecuta->setObjectName(QStringLiteral("Ejecuta"));
    m_termina = new QPushButton(QStringLiteral("&Termina"), this);
    m_termina->setObjectName(QStringLiteral("Termina"));
    buttons->addStretch(1);
    buttons->addWidget(m_ejecuta);
    buttons->addWidget(m_termina);
    layout->addLayout(buttons);
    connect(m_ejecuta, &QPushButton::clicked, this, [this] { flashAndSet(m_ejecuta, -2); });
    connect(m_termina, &QPushButton::clicked, this, [this] { flashAndSet(m_termina, -1); });
}

ChoiceListForm::~ChoiceListForm() = default;

int ChoiceListForm::addList(const QString& title, const QStringList& entries)
{
    const int n = static_cast<int>(m_lists.size());
    auto* column = new QVBoxLayout;
    auto* titleLabel = new QLabel(title, this);
    titleLabel->setObjectName(QStringLiteral("Tit_%1").arg(n));
    auto* list = new QListWidget(this);
    list->setObjectName(QStringLiteral("List_%1").arg(n));
    list->addItems(entries);
    list->viewport()->installEventFilter(this);
    column->addWidget(titleLabel);
    column->addWidget(list, 1);
    if (auto* lists = findChild<QHBoxLayout*>(QStringLiteral("lists")))
        lists->addLayout(column);
    m_lists.append(list);
    m_titles.append(titleLabel);
    return n;
}

QListWidget* ChoiceListForm::list(int n) const
{
    return m_lists.value(n);
}

QString ChoiceListForm::actionCaptions(const QString& allowed, const QString& title, QString& explanations)
{
    QString captions = QStringLiteral("&Nada,");
    explanations = QStringLiteral("Cancela la operación/");
    for (const Action& action : actionTable) {
        const QString letter = QLatin1String(action.letter);
        if (!allowed.contains(letter, Qt::CaseInsensitive))
            continue;
        captions += QLatin1String(action.caption);
        explanations += explanationOf(letter, title);
    }
    return captions;
}

int ChoiceListForm::actionCode(const QString& letter)
{
    for (const Action& action : actionTable) {
        if (letter.compare(QLatin1String(action.letter), Qt::CaseInsensitive) == 0)
            return action.code;
    }
    return 0;
}

void ChoiceListForm::offerActions(int n, int row)
{
    QListWidget* chosenList = list(n);
    if (!chosenList || row < 0 || row >= chosenList->count())
        return;
    const QString title = m_titles.value(n) ? m_titles.value(n)->text() : QString();
    chosenList->setCurrentRow(row);
    QString explanations;
    m_session.dialog.AnswerText = actionCaptions(m_allowed, title, explanations);
    m_session.dialog.ButtonExplanations = explanations;
    m_session.dialog.ValidationMessage =
        QStringLiteral("Que hace con ") + title + QStringLiteral(": ") + chosenList->item(row)->text();
    panels::ShowMessage(m_session, QStringLiteral("rca"));
    // The button row resets the codes while it waits, so the list's code is written once it has answered.
    m_session.dialog.ListExit = actionCode(m_session.dialog.AnswerText);
    m_session.codes.CommandCode = n + 1;
}

bool ChoiceListForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonPress)
        return QWidget::eventFilter(watched, event);
    for (int n = 0; n < m_lists.size(); ++n) {
        QListWidget* candidate = m_lists.at(n);
        if (candidate->viewport() != watched)
            continue;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            const int row = candidate->indexAt(mouse->position().toPoint()).row();
            if (row >= 0)
                offerActions(n, row);
            return true;
        }
        if (mouse->button() == Qt::LeftButton)
            m_session.dialog.ListExit = 99;
    }
    return QWidget::eventFilter(watched, event);
}

void ChoiceListForm::flashAndSet(QPushButton* button, int code)
{
    button->setStyleSheet(QStringLiteral("color: red"));
    QTimer::singleShot(100, button, [button] { button->setStyleSheet(QString()); });
    m_session.codes.CommandCode = code;
}

} // namespace quelmar
