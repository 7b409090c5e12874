#include "shell/menuform.h"

#include "panels/mainform.h"
#include "panels/standardbox.h"
#include "session/session.h"
#include "session/twips.h"
#include "shell/menuline.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace quelmar {

namespace {

constexpr int TitleTop = 100;
constexpr int OptionHeight = 300;
constexpr int ExplanationHeight = 500;
constexpr int CompanyNameHeight = 3500;
constexpr QRgb White = 0xFFFFFFFF;
constexpr QRgb Black = 0xFF000000;
constexpr QRgb Red = 0xFFFF0000;
const QSize MaxLogoTwips(3600, 2400);

QRect pixels(const QRect& twipsRect)
{
    return QRect(twips::toPixels(twipsRect.left()), twips::toPixels(twipsRect.top()),
                 twips::toPixels(twipsRect.width()), twips::toPixels(twipsRect.height()));
}

QPoint pixels(const QPoint& twipsPoint)
{
    return QPoint(twips::toPixels(twipsPoint.x()), twips::toPixels(twipsPoint.y()));
}

int tw(int pixelsValue)
{
    return twips::fromPixels(pixelsValue);
}

void name(QWidget* widget, const QString& family, int index)
{
    widget->setObjectName(family + QLatin1Char('_') + QString::number(index));
    widget->setProperty("elementIndex", index);
}

} // namespace

MenuForm::MenuForm(Session& session) : m_session(session)
{
    setObjectName(QStringLiteral("Mn"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setWindowTitle(session.shell.AppName.toUpper());

    m_templateLine = new MenuLine(this);
    name(m_templateLine, QStringLiteral("Lne"), 0);
    m_templateLine->hide();
    m_template = new QLabel(this);
    name(m_template, QStringLiteral("Mnu"), 0);
    m_template->hide();

    m_centre = new QLabel(this);
    m_centre->setObjectName(QStringLiteral("MCn"));
    m_centre->setAlignment(Qt::AlignCenter);
    m_centre->setWordWrap(true);
    m_centre->setFrameShape(QFrame::Box);
    QFont centreFont = m_centre->font();
    centreFont.setBold(true);
    m_centre->setFont(centreFont);
    m_centre->setCursor(Qt::PointingHandCursor);
    m_centre->installEventFilter(this);
    m_centre->hide();

    m_explanation = new QLabel(this);
    m_explanation->setObjectName(QStringLiteral("MnP"));
    m_explanation->setAlignment(Qt::AlignCenter);
    m_explanation->setWordWrap(true);
    m_explanation->setFrameShape(QFrame::Panel);
    m_explanation->setFrameShadow(QFrame::Sunken);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("MnT"));
    m_title->setAlignment(Qt::AlignCenter);

    m_companyName = new QLabel(this);
    m_companyName->setObjectName(QStringLiteral("NEmp"));
    m_companyName->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_companyName->setWordWrap(true);
    QFont companyFont = m_companyName->font();
    companyFont.setBold(true);
    companyFont.setPointSizeF(companyFont.pointSizeF() * 1.4);
    m_companyName->setFont(companyFont);

    m_logo = new QLabel(this);
    m_logo->setObjectName(QStringLiteral("Logo"));
    m_logo->setScaledContents(true);
    m_logo->hide();

    m_help = new QPushButton(QStringLiteral("Ayuda"), this);
    m_help->setObjectName(QStringLiteral("AyudaID"));
    m_help->setFocusPolicy(Qt::NoFocus);
    connect(m_help, &QPushButton::clicked, this, [this] {
        m_explanation->setText(
            QStringLiteral("Señale una opción para leer su explicación y haga clic en ella para "
                           "elegirla; el centro termina o regresa al menú inicial."));
    });

    setColours(session.shell.FormColour, session.shell.ItemColour, session.shell.FormColour);
}

MenuForm::~MenuForm()
{
    if (m_session.Mn == this)
        m_session.Mn = nullptr;
}

void MenuForm::paint(QWidget* widget, QRgb background, QRgb text)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(background));
    palette.setColor(QPalette::WindowText, QColor::fromRgb(text));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void MenuForm::setColours(QRgb backColour, QRgb itemColour, QRgb panelColour)
{
    m_itemColour = itemColour;
    m_panelColour = panelColour;
    paint(m_template, itemColour, Black);
    m_template->clear();
    m_templateLine->setColour(QColor::fromRgb(itemColour));
    paint(m_centre, itemColour, Black);
    paint(m_explanation, panelColour, White);
    QPalette companyPalette = m_companyName->palette();
    companyPalette.setColor(QPalette::WindowText, QColor::fromRgb(itemColour));
    m_companyName->setPalette(companyPalette);
    QPalette titlePalette = m_title->palette();
    titlePalette.setColor(QPalette::WindowText, QColor::fromRgb(itemColour));
    m_title->setPalette(titlePalette);
    for (QLabel* label : std::as_const(m_options))
        paint(label, itemColour, Black);
    for (MenuLine* line : std::as_const(m_lines))
        line->setColour(QColor::fromRgb(itemColour));
    setBackColour(backColour);
}

void MenuForm::setBackColour(QRgb colour)
{
    m_backColour = colour;
    update();
}

void MenuForm::setGradient(bool on)
{
    m_gradient = on;
    update();
}

void MenuForm::loadTitlePicture(const QString& path, const QString& title)
{
    QPixmap picture;
    if (!path.isEmpty() && picture.load(path)) {
        m_title->setPixmap(picture);
        m_title->resize(picture.size());
        return;
    }
    m_title->clear();
    QFont font = m_title->font();
    font.setBold(true);
    font.setPointSizeF(24);
    m_title->setFont(font);
    m_title->setText(title);
    m_title->resize(m_title->sizeHint());
}

void MenuForm::setCompanyName(const QString& companyName)
{
    m_companyName->setText(companyName);
}

void MenuForm::loadLogo(const QString& path)
{
    QPixmap picture;
    if (path.isEmpty() || !picture.load(path) || picture.isNull()) {
        m_logo->clear();
        m_logo->hide();
        return;
    }
    QSize size(tw(picture.width()), tw(picture.height()));
    if (size.width() > MaxLogoTwips.width() || size.height() > MaxLogoTwips.height())
        size.scale(MaxLogoTwips, Qt::KeepAspectRatio);
    m_logo->setPixmap(picture);
    m_logo->resize(twips::toPixels(size.width()), twips::toPixels(size.height()));
    m_logo->show();
}

void MenuForm::placeFixedParts()
{
    const int width = tw(this->width());
    const int height = tw(this->height());
    const int titleWidth = tw(m_title->width());
    const int titleHeight = tw(m_title->height());
    m_title->move(twips::toPixels((width - titleWidth) / 2.0), twips::toPixels(TitleTop));
    const int helpTop = TitleTop + titleHeight + 200;
    m_help->setGeometry(pixels(QRect(100, helpTop, 900, 350)));
    const int companyTop = helpTop + 350 + 200;
    m_companyName->setGeometry(
        pixels(QRect(200, companyTop, static_cast<int>(0.3 * height), CompanyNameHeight)));
    const int logoWidth = tw(m_logo->width());
    m_logo->move(twips::toPixels(2000 - logoWidth / 2.0),
                 twips::toPixels(companyTop + CompanyNameHeight + 100));
    m_explanation->setGeometry(pixels(QRect(0, height - ExplanationHeight, width, ExplanationHeight)));
    m_template->setGeometry(
        pixels(QRect(100, height - ExplanationHeight - 2 * OptionHeight, 1000, OptionHeight)));
}

QLabel* MenuForm::makeOption(int k, const shell::MenuOptionEntry& entry)
{
    auto* label = new QLabel(entry.caption, this);
    name(label, QStringLiteral("Mnu"), k);
    label->setProperty("row", entry.row);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setIndent(twips::toPixels(60));
    label->setFrameShape(QFrame::Box);
    label->setCursor(Qt::PointingHandCursor);
    label->setGeometry(m_template->geometry());
    paint(label, m_itemColour, Black);
    label->installEventFilter(this);
    label->setEnabled(true);
    label->show();
    return label;
}

void MenuForm::showOptions(const shell::MenuSelection& selection, const QString& centreCaption)
{
    clearOptions();
    for (qsizetype i = 0; i < selection.options.size(); ++i) {
        auto* line = new MenuLine(this);
        name(line, QStringLiteral("Lne"), static_cast<int>(i + 1));
        line->setColour(QColor::fromRgb(m_itemColour));
        line->hide();
        m_lines.append(line);
    }
    for (qsizetype i = 0; i < selection.options.size(); ++i)
        m_options.append(makeOption(static_cast<int>(i + 1), selection.options.at(i)));
    m_optionWidth = selection.widestOption();
    m_centreCaption = centreCaption;
    m_centreSize = shell::centreLabel(centreCaption, m_session.shell.NewLine);
    QString shown = m_centreSize.caption;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_centre->setText(shown);
    paint(m_centre, m_itemColour, Black);
    m_centre->show();
    m_explanation->clear();
    layoutOptions();
}

void MenuForm::clearOptions()
{
    qDeleteAll(m_options);
    m_options.clear();
    qDeleteAll(m_lines);
    m_lines.clear();
    m_pressed = nullptr;
    m_arc = {};
}

void MenuForm::layoutOptions()
{
    if (m_centreSize.height == 0)
        return;
    shell::ArcInput input;
    input.innerHeight = tw(height());
    input.width = tw(width());
    input.titleTop = tw(m_title->y());
    input.optionCount = optionCount();
    input.optionWidth = m_optionWidth;
    input.centreWidth = m_centreSize.width;
    input.centreHeight = m_centreSize.height;
    m_arc = shell::arcLayout(input);
    m_centre->setGeometry(pixels(m_arc.centreLabel));
    for (qsizetype i = 0; i < m_options.size(); ++i) {
        QLabel* label = m_options.at(i);
        MenuLine* line = m_lines.at(i);
        if (i < m_arc.options.size()) {
            const shell::ArcOption& placed = m_arc.options.at(i);
            line->setEnds(pixels(placed.lineFrom), pixels(placed.lineTo));
            line->show();
            label->setGeometry(pixels(placed.label));
        } else {
            line->hide();
            label->resize(twips::toPixels(m_optionWidth), twips::toPixels(OptionHeight));
        }
        label->raise();
    }
    m_centre->raise();
}

QLabel* MenuForm::option(int k) const
{
    return k >= 1 && k <= optionCount() ? m_options.at(k - 1) : nullptr;
}

MenuLine* MenuForm::line(int k) const
{
    return k >= 1 && k <= m_lines.size() ? m_lines.at(k - 1) : nullptr;
}

bool MenuForm::clickOption(int k)
{
    QLabel* label = k == 98 ? (m_centre->isHidden() ? nullptr : m_centre) : option(k);
    if (!label)
        return false;
    const QPointF inside(label->width() / 2.0, label->height() / 2.0);
    const QPointF global = label->mapToGlobal(inside);
    QMouseEvent press(QEvent::MouseButtonPress, inside, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(label, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(label, &release);
    return true;
}

void MenuForm::highlightOption(int k)
{
    QLabel* label = option(k);
    paint(label, White, Red);
    const int row = label->property("row").toInt();
    m_explanation->setText(m_session.menu.MenuItems.value(row).explanation);
    m_session.menu.HighlightedOption = k;
}

void MenuForm::highlightCentre()
{
    paint(m_centre, White, Black);
    m_session.menu.HighlightedOption = -1;
    m_explanation->setText(m_centreCaption == QLatin1String("Fin")
                               ? QStringLiteral("Termina de usar el Programa")
                               : QStringLiteral("Regresa al menú inicial"));
}

void MenuForm::resetHighlight()
{
    if (m_session.menu.HighlightedOption == 0)
        return;
    for (QLabel* label : std::as_const(m_options)) {
        if (label->palette().color(QPalette::Window).rgb() != m_itemColour)
            paint(label, m_itemColour, Black);
    }
    paint(m_centre, m_itemColour, Black);
    m_session.menu.HighlightedOption = 0;
    m_explanation->clear();
}

void MenuForm::chosen(int option)
{
    m_session.menu.MenuOption = option;
}

bool MenuForm::eventFilter(QObject* watched, QEvent* event)
{
    const int k = static_cast<int>(m_options.indexOf(watched)) + 1;
    const bool centre = watched == m_centre;
    if (k == 0 && !centre)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::MouseMove:
        if (centre)
            highlightCentre();
        else
            highlightOption(k);
        break;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            m_pressed = watched;
        return true;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const bool click = mouse->button() == Qt::LeftButton && m_pressed == watched &&
                           static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint());
        m_pressed = nullptr;
        if (click)
            chosen(centre ? 98 : k);
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void MenuForm::mouseMoveEvent(QMouseEvent* event)
{
    resetHighlight();
    QWidget::mouseMoveEvent(event);
}

void MenuForm::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_gradient) {
        painter.fillRect(rect(), QColor::fromRgb(m_backColour));
        return;
    }
    for (const shell::GradientBand& band : shell::gradientBands(m_backColour, width()))
        painter.fillRect(QRectF(band.left, 0, std::ceil(band.width) + 1, height()),
                         QColor::fromRgb(band.colour));
}

void MenuForm::closeEvent(QCloseEvent* event)
{
    if (m_ending) {
        event->accept();
        return;
    }
    event->ignore();
    if (m_refusing)
        return;
    m_refusing = true;
    panels::MessageBox(m_session, QStringLiteral("Para finalizar el Programa, use el Menu: FIN"));
    m_refusing = false;
}

void MenuForm::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && m_session.k &&
        m_session.k->windowState() != windowState())
        m_session.k->setWindowState(windowState());
    QWidget::changeEvent(event);
}

void MenuForm::resizeEvent(QResizeEvent* event)
{
    placeFixedParts();
    layoutOptions();
    QWidget::resizeEvent(event);
}

} // namespace quelmar
