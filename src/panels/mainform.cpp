#include "panels/mainform.h"

#include "panels/controlpool.h"
#include "panels/dialogrules.h"
#include "panels/elementtimers.h"
#include "panels/showmessage.h"
#include "session/session.h"
#include "session/twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include <cmath>

namespace quelmar {

namespace {

constexpr int formWidthTwips = 14400;
constexpr int formHeightTwips = 10200;
constexpr int footerMarginTwips = 200;

// The top-level menu form, found by its name so that the main form needs nothing of its class.
QWidget* menuFormWidget(const Session& session)
{
    if (!session.Mn)
        return nullptr;
    const QList<QWidget*> windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->objectName() == QLatin1String("Mn"))
            return window;
    }
    return nullptr;
}

// The form itself takes only the window colour, so that fields and lists on it keep their own.
void paintForm(QWidget* form, const QColor& background)
{
    QPalette palette = form->palette();
    palette.setColor(QPalette::Window, background);
    form->setPalette(palette);
    form->setAutoFillBackground(true);
}

void paint(QWidget* widget, const QColor& background, const QColor& text = QColor())
{
    if (!widget)
        return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::Base, background);
    if (text.isValid()) {
        palette.setColor(QPalette::WindowText, text);
        palette.setColor(QPalette::Text, text);
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QListWidget* makeList(QWidget* parent, const QString& name, QAbstractItemView::SelectionMode mode)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setSelectionMode(mode);
    list->hide();
    return list;
}

} // namespace

struct MainForm::PrintedText
{
    QString text;
    QPoint position;
    double pointSize = 9;
};

MainForm::MainForm(Session& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_printed(std::make_unique<QList<PrintedText>>())
{
    setObjectName(QStringLiteral("k"));
    setWindowTitle(QStringLiteral("Sistema Administrativo"));
    resize(twips::toPixels(formWidthTwips), twips::toPixels(formHeightTwips));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.x() + (available.width() - width()) / 2,
             available.y() + (available.height() - height()) / 2);
    }
    if (!m_session.k)
        m_session.k = this;
    buildDesignInstances();
    buildSurfaces();
    buildLists();
    buildTimers();
    placeFooter();
}

MainForm::~MainForm()
{
    if (m_session.k == this)
        m_session.k = nullptr;
}

void MainForm::buildDesignInstances()
{
    for (int slot = 1; slot <= 14; ++slot)
        panels::createElement(m_session, slot, 0, this);
    m_footerField = qobject_cast<QLineEdit*>(findChild<QWidget*>(QStringLiteral("textouni_0")));
    m_listauni = qobject_cast<QListWidget*>(findChild<QWidget*>(QStringLiteral("listauni_0")));
}

void MainForm::buildSurfaces()
{
    m_fixedPanel = new QFrame(this);
    m_fixedPanel->setObjectName(QStringLiteral("dfija"));
    m_fixedPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_fixedPanel->hide();

    m_footer = new QLabel(this);
    m_footer->setObjectName(QStringLiteral("LPie"));
    m_footer->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_footer->setWordWrap(true);
    m_footer->setFocusPolicy(Qt::StrongFocus);
    paint(m_footer, QColor(192, 192, 192), Qt::black);
    m_footer->hide();

    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("Aviso"));
    m_notice->setWordWrap(true);
    m_notice->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_notice->hide();

    m_keyBox = new QLineEdit(this);
    m_keyBox->setObjectName(QStringLiteral("Texto"));
    m_keyBox->setEchoMode(QLineEdit::Password);
    m_keyBox->hide();
    m_keyBox->installEventFilter(this);

    m_termina = new QPushButton(QStringLiteral("&Termina"), this);
    m_termina->setObjectName(QStringLiteral("Termina"));
    m_termina->hide();
    connect(m_termina, &QPushButton::clicked, this, [this] {
        m_session.codes.TableCommand = -1;
        m_session.codes.CommandCode = -1;
    });

    m_picture = new QLabel(this);
    panels::markElement(m_picture, QStringLiteral("Ima"), 0);
    m_picture->setScaledContents(true);
    m_picture->hide();
    m_picture->installEventFilter(this);

    m_pictureScroll = new QScrollBar(Qt::Vertical, this);
    m_pictureScroll->setObjectName(QStringLiteral("VScroll"));
    m_pictureScroll->setRange(0, 100);
    m_pictureScroll->hide();
    connect(m_pictureScroll, &QScrollBar::valueChanged, this, &MainForm::scrollPicture);
}

void MainForm::buildLists()
{
    m_listamult = makeList(this, QStringLiteral("listamult"), QAbstractItemView::MultiSelection);
    m_selUni = makeList(this, QStringLiteral("SelUni"), QAbstractItemView::SingleSelection);
    m_selMult = makeList(this, QStringLiteral("SelMult"), QAbstractItemView::MultiSelection);
    for (QListWidget* list : {m_listamult, m_selUni, m_selMult})
        list->installEventFilter(this);

    connect(m_listamult, &QListWidget::itemSelectionChanged, this, &MainForm::mirrorSelection);
    for (QListWidget* list : {m_listamult, m_selMult})
        connect(list, &QListWidget::itemDoubleClicked, this, [this] { m_session.codes.CommandCode = 20; });
    const auto chooseSingle = [this] {
        m_session.dialog.ChosenEntry = QString::number(m_selUni->currentRow());
        m_session.codes.CommandCode = 1;
    };
    connect(m_selUni, &QListWidget::itemClicked, this, chooseSingle);
    connect(m_selUni, &QListWidget::itemDoubleClicked, this, chooseSingle);
}

void MainForm::buildTimers()
{
    m_tiempo = new QLabel(this);
    m_tiempo->setObjectName(QStringLiteral("tiempo"));
    m_tiempo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_tiempo->setGeometry(width() - twips::toPixels(1600), twips::toPixels(100), twips::toPixels(1400),
                          twips::toPixels(300));
    m_tiempo->hide();
    m_chronometer = std::make_unique<panels::Chronometer>(m_tiempo, this);
    m_alarm =
        std::make_unique<panels::Alarm>([this](int milliseconds) { panels::Pause(m_session, milliseconds); },
                                        [] { QApplication::beep(); }, this);
}

void MainForm::mirrorSelection()
{
    QStringList entries;
    QList<bool> selected;
    for (int row = 0; row < m_listamult->count(); ++row) {
        const QListWidgetItem* item = m_listamult->item(row);
        entries.append(item->text());
        selected.append(item->isSelected());
    }
    m_session.dialog.ChosenEntries =
        panels::mirrorChosenEntries(m_session.dialog.ChosenEntries, entries, selected);
}

bool MainForm::listKey(QListWidget* list, int key)
{
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (list == m_selUni) {
        if (enter || key == Qt::Key_Space) {
            if (const QListWidgetItem* item = list->currentItem())
                m_session.dialog.ChosenEntry = item->data(Qt::UserRole).toString();
            m_session.codes.CommandCode = 20;
            return true;
        }
    } else if (enter) {
        m_session.codes.CommandCode = 20;
        m_session.dialog.ListExit = 1;
        return true;
    }
    if (key == Qt::Key_Escape) {
        m_session.codes.CommandCode = 10;
        if (list != m_selUni)
            m_session.dialog.ListExit = 4;
        return true;
    }
    return false;
}

bool MainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == m_keyBox && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            m_session.codes.CommandCode = -4;
            return true;
        }
        if (auto* list = qobject_cast<QListWidget*>(watched))
            return listKey(list, key);
    }
    if (watched == m_picture && event->type() == QEvent::MouseButtonPress &&
        m_session.codes.PresentationVariant == 11) {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        m_pointed = QPoint(twips::fromPixels(at.x()), twips::fromPixels(m_picture->y() + at.y()));
        m_session.codes.CommandCode = -3;
    }
    return QWidget::eventFilter(watched, event);
}

void MainForm::scrollPicture(int value)
{
    const int d = static_cast<int>((m_picture->height() - height()) * (-value) / 100.0);
    m_picture->move(m_picture->x(), d < 1 ? d : 0);
}

int MainForm::widthTwips() const
{
    return twips::fromPixels(width());
}

int MainForm::heightTwips() const
{
    return twips::fromPixels(height());
}

void MainForm::placeFooter()
{
    const int footerHeight = m_footer->isVisible() ? m_footer->height() : twips::toPixels(400);
    const int margin = twips::toPixels(footerMarginTwips);
    m_footer->setGeometry(margin, height() - footerHeight - margin, width() - 2 * margin, footerHeight);
}

void MainForm::showFooterMessage(const QString& text, bool alternativeFrame, bool transcribe)
{
    const QString caption = QLatin1Char(' ') + text + QLatin1Char(' ');
    const int margin = twips::toPixels(footerMarginTwips);
    const int widthPixels = width() - 2 * margin;
    const panels::FooterStyle style =
        panels::footerStyle(static_cast<int>(text.size()), twips::fromPixels(widthPixels));
    QFont font = m_footer->font();
    font.setPointSizeF(style.pointSize);
    font.setBold(style.bold);
    m_footer->setFont(font);
    m_footer->setFrameStyle(alternativeFrame ? (QFrame::Box | QFrame::Plain)
                                             : (QFrame::Panel | QFrame::Raised));
    m_footer->setText(caption);
    const int footerHeight = twips::toPixels(style.heightTwips);
    m_footer->setGeometry(margin, height() - footerHeight - margin, widthPixels, footerHeight);
    panels::showElement(m_footer);
    m_footer->setFocus(Qt::OtherFocusReason);
    if (transcribe)
        m_session.transcript.write(QStringLiteral("footer"), text);
}

void MainForm::hideFooter()
{
    m_footer->hide();
}

void MainForm::showNotice(const QString& text, int topTwips, int leftTwips)
{
    m_notice->setText(text);
    m_notice->adjustSize();
    m_notice->move(twips::toPixels(leftTwips), twips::toPixels(topTwips));
    panels::showElement(m_notice);
    m_session.transcript.write(QStringLiteral("notice"), text);
}

void MainForm::hideNotice()
{
    m_notice->hide();
}

void MainForm::printText(const QString& text, int topTwips, int leftTwips, double pointSize)
{
    m_printed->append(
        PrintedText{text, QPoint(twips::toPixels(leftTwips), twips::toPixels(topTwips)), pointSize});
    update();
}

void MainForm::clearDrawing()
{
    m_printed->clear();
    update();
}

void MainForm::chooseAsPicture(int number)
{
    m_session.codes.TableCommand = 500 + number;
}

void MainForm::applyColourScheme()
{
    applyColourScheme(std::pow(2.0, std::max(1, depth())));
}

void MainForm::applyColourScheme(double colourCount)
{
    m_session.shell.ColourCount = colourCount;
    const auto byName = [this](const QString& prefix) {
        QList<QWidget*> found;
        const QList<QWidget*> children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* child : children) {
            const QString name = child->objectName();
            if (name == prefix || name.startsWith(prefix + QLatin1Char('_')))
                found.append(child);
        }
        return found;
    };
    const auto paintAll = [&byName](const QStringList& names, const QColor& colour) {
        for (const QString& name : names) {
            const QList<QWidget*> widgets = byName(name);
            for (QWidget* widget : widgets)
                paint(widget, colour);
        }
    };
    const ShellState& shell = m_session.shell;
    if (m_session.shell.ColourCount > 256) {
        paintForm(this, QColor(shell.FormColour));
        paint(m_fixedPanel, QColor(shell.PanelColour));
        paintAll({QStringLiteral("dato")}, QColor(shell.FormColour));
        paintAll({QStringLiteral("DCap"), QStringLiteral("dmemo"), QStringLiteral("fRTF"),
                  QStringLiteral("TabSec"), QStringLiteral("Tabla"), QStringLiteral("Clasi")},
                 QColor(shell.FieldColour));
        paintAll({QStringLiteral("panel"), QStringLiteral("SelMult"), QStringLiteral("SelUni"),
                  QStringLiteral("listauni"), QStringLiteral("listamult"), QStringLiteral("Tit")},
                 QColor(shell.PanelColour));
        paint(m_notice, QColor(shell.ItemColour), Qt::black);
        if (QWidget* menu = menuFormWidget(m_session))
            paintForm(menu, QColor(shell.PanelColour));
    } else {
        const QColor dark(128, 64, 0);
        const QColor light(192, 128, 0);
        paintForm(this, dark);
        paint(m_fixedPanel, light);
        paintAll({QStringLiteral("dato")}, dark);
        paintAll({QStringLiteral("panel"), QStringLiteral("SelMult"), QStringLiteral("SelUni"),
                  QStringLiteral("listauni"), QStringLiteral("Tit")},
                 light);
        paintAll({QStringLiteral("DCap"), QStringLiteral("dpres"), QStringLiteral("dmemo"),
                  QStringLiteral("fRTF"), QStringLiteral("TabSec"), QStringLiteral("Tabla"),
                  QStringLiteral("listamult"), QStringLiteral("Clasi")},
                 Qt::white);
        paint(m_notice, Qt::white, Qt::black);
        m_session.shell.FieldColour = qRgb(255, 255, 255);
    }
}

void MainForm::closeEvent(QCloseEvent* event)
{
    if (onClose)
        onClose();
    event->accept();
}

void MainForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    QWidget* menu = menuFormWidget(m_session);
    if (menu && menu->windowState() != windowState())
        menu->setWindowState(windowState());
}

void MainForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!m_footer->isVisible())
        placeFooter();
}

void MainForm::mousePressEvent(QMouseEvent* event)
{
    if (m_session.codes.PresentationVariant == 2 && event->button() == Qt::LeftButton) {
        m_dragOrigin = event->position().toPoint();
        m_dragging = true;
    }
    QWidget::mousePressEvent(event);
}

void MainForm::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && m_session.codes.PresentationVariant == 2) {
        const int highest = m_session.pool.ControlCounts[4];
        QWidget* zone = panels::element(m_session, QStringLiteral("fondo"), highest);
        if (zone && zone->isVisible()) {
            const QPoint at = event->position().toPoint();
            if (at.x() > m_dragOrigin.x())
                zone->resize(at.x() - m_dragOrigin.x(), zone->height());
            if (at.y() > m_dragOrigin.y())
                zone->resize(zone->width(), at.y() - m_dragOrigin.y());
        }
    }
    QWidget::mouseMoveEvent(event);
}

void MainForm::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void MainForm::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (m_printed->isEmpty())
        return;
    QPainter painter(this);
    for (const PrintedText& printed : *m_printed) {
        QFont font = QApplication::font();
        font.setPointSizeF(printed.pointSize);
        painter.setFont(font);
        const QFontMetrics metrics(font);
        painter.drawText(printed.position + QPoint(0, metrics.ascent()), printed.text);
    }
}

} // namespace quelmar
