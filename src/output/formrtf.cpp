#include "output/formrtf.h"

#include "engine/bdats.h"
#include "engine/engineservices.h"
#include "engine/panelview.h"
#include "output/rtfreader.h"
#include "panels/controlpool.h"
#include "panels/errortrap.h"
#include "panels/mainform.h"
#include "session/session.h"
#include "session/twips.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSaveFile>
#include <QTextEdit>

namespace quelmar::output {

namespace {

constexpr int FileNotFound = 53;
constexpr int BadFileFormat = 321;
constexpr int PathAccessError = 75;
constexpr int FirstDesignCommand = 450;

QString documentPathIn(const Session& session, const QString& options)
{
    const qsizetype at = options.indexOf(QLatin1String("Fmt="), 0, Qt::CaseInsensitive);
    QString name = options.mid(at + 4).trimmed().section(u' ', 0, 0);
    if (name.endsWith(u';'))
        name.chop(1);
    return QDir::isAbsolutePath(name) ? name : session.shell.WorkingFolder.absoluteFilePath(name);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw RuntimeError{QFileInfo::exists(path) ? PathAccessError : FileNotFound,
                           file.errorString() + QStringLiteral(": ") + path, QStringLiteral("FormRTF")};
    return file.readAll();
}

QRect pixels(int left, int top, int width, int height)
{
    return {twips::toPixels(left), twips::toPixels(top), twips::toPixels(width), twips::toPixels(height)};
}

// A field's placement control in the design view: its name on a small box the user drags with the mouse.
class PlacementControl : public QLabel
{
public:
    PlacementControl(const QString& text, QWidget* parent) : QLabel(text, parent)
    {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setAutoFillBackground(true);
        setCursor(Qt::OpenHandCursor);
        setToolTip(QStringLiteral("Arrastre el dato a su lugar en el formato"));
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        m_grab = event->position().toPoint();
        setCursor(Qt::ClosedHandCursor);
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (event->buttons() & Qt::LeftButton)
            move(mapToParent(event->position().toPoint() - m_grab));
    }
    void mouseReleaseEvent(QMouseEvent*) override { setCursor(Qt::OpenHandCursor); }

private:
    QPoint m_grab;
};

} // namespace

QTextEdit* FormRtf::showDocument(Session& session, const QString& path, int left, int top, int width,
                                 int height)
{
    const QString html = rtf::toHtml(readFile(path));
    if (html.isEmpty())
        throw RuntimeError{BadFileFormat, QStringLiteral("not an RTF document: ") + path,
                           QStringLiteral("FormRTF")};
    delete m_document;
    QWidget* behind = session.k->fixedPanel();
    auto* document = new QTextEdit(behind);
    panels::markElement(document, QStringLiteral("fRTF"), 1);
    document->setReadOnly(true);
    document->setFocusPolicy(Qt::NoFocus);
    document->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    document->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    document->setHtml(html);
    document->setGeometry(pixels(left, top, width, height));
    document->show();
    document->lower();
    m_document = document;
    return document;
}

void FormRtf::apply(Session& session, int fieldCount, const QString& options)
{
    engine::PanelView* panel = session.engine.panel.get();
    if (!panel || !session.k)
        return;
    const QString path = documentPathIn(session, options);
    ErrorTrap trap(session, QStringLiteral("FormRTF"), 2);
    trap.step([&] {
        const QString positionPath = formrules::positionFilePath(path);
        QString reason;
        const std::optional<formrules::PositionTable> table =
            formrules::parsePositionFile(QString::fromUtf8(readFile(positionPath)), fieldCount, &reason);
        if (!table)
            throw RuntimeError{BadFileFormat, reason + QStringLiteral(": ") + positionPath,
                               QStringLiteral("FormRTF")};
        constexpr int DocumentLeft = 100;
        constexpr int DocumentTop = 100;
        QTextEdit* document =
            showDocument(session, path, DocumentLeft, DocumentTop, table->width, table->height);
        m_positions = table->fields;
        QWidget* frame = session.k->fixedPanel();
        // The panel grows to hold the form; the fields go to their places, their captions give way.
        frame->resize(std::max(frame->width(), document->geometry().right() + twips::toPixels(100)),
                      std::max(frame->height(), document->geometry().bottom() + twips::toPixels(100)));
        for (int field = 1; field <= fieldCount; ++field) {
            QWidget* control = panel->control(field);
            if (!control)
                continue;
            const formrules::Placement& place = m_positions.at(field - 1);
            control->move(twips::toPixels(DocumentLeft + place.left),
                          twips::toPixels(DocumentTop + place.top));
            control->raise();
            for (QLabel* label : frame->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
                if (label->buddy() == control)
                    label->setMaximumSize(0, 0);
            }
        }
        // The form goes with the panel.
        if (QWidget* first = panel->control(1))
            QObject::connect(first, &QObject::destroyed, document, &QObject::deleteLater);
    });
}

QString FormRtf::design(Session& session, int fieldCount)
{
    session.dialog.ValidationMessage = QStringLiteral("Elige el formato RTF usado");
    session.dialog.VarGroup = QStringLiteral("*.rtf|*.rtf");
    const QString path = engine::services(session).Disco(session, QStringLiteral("Dir"));
    if (path.isEmpty() || !session.k)
        return {};
    constexpr int DocumentLeft = 50;
    constexpr int DocumentTop = 200;
    int width = 9400;
    int height = 5000;
    QTextEdit* document = nullptr;
    ErrorTrap trap(session, QStringLiteral("FormRTF"), 2);
    trap.step([&] { document = showDocument(session, path, DocumentLeft, DocumentTop, width, height); });
    if (!document) {
        engine::BDats(session, QStringLiteral("Quita"), 1, QString(), QString());
        return path;
    }
    QWidget* frame = session.k->fixedPanel();
    frame->resize(std::max(frame->width(), twips::toPixels(DocumentLeft + width + 100)),
                  std::max(frame->height(), twips::toPixels(DocumentTop + height + 100)));
    frame->show();

    // A placement control per field, where the panel has the field (or where the stored format has it).
    QString ignored;
    const std::optional<formrules::PositionTable> stored = [&]() -> std::optional<formrules::PositionTable> {
        QFile file(formrules::positionFilePath(path));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return formrules::parsePositionFile(QString::fromUtf8(file.readAll()), fieldCount, &ignored);
    }();
    QList<PlacementControl*> controls;
    engine::PanelView* panel = session.engine.panel.get();
    for (int field = 1; field <= fieldCount; ++field) {
        const QString name = session.engine.FieldTable.value(field - 1).name;
        auto* control = new PlacementControl(name, frame);
        QPoint place(twips::toPixels(DocumentLeft + 100),
                     twips::toPixels(DocumentTop + 100 + (field - 1) * 300));
        if (stored)
            place = QPoint(twips::toPixels(DocumentLeft + stored->fields.at(field - 1).left),
                           twips::toPixels(DocumentTop + stored->fields.at(field - 1).top));
        else if (panel && panel->control(field))
            place = panel->control(field)->pos();
        control->adjustSize();
        control->move(place);
        control->show();
        control->raise();
        controls.append(control);
    }

    // The six design buttons, as grid command buttons.
    const QStringList captions{QStringLiteral("&Acepta"), QStringLiteral("&Cancela"),
                               QStringLiteral("-Alto"),   QStringLiteral("+Alto"),
                               QStringLiteral("-Ancho"),  QStringLiteral("+Ancho")};
    QList<QPushButton*> buttons;
    for (int index = 0; index < captions.size(); ++index) {
        auto* button = new QPushButton(captions.at(index), session.k);
        panels::markElement(button, QStringLiteral("TabCom"), index);
        button->setGeometry(pixels(300 + index * 1300, 50, 1200, 400));
        const int command = FirstDesignCommand + index;
        QObject::connect(button, &QPushButton::clicked, button,
                         [&session, command] { session.codes.TableCommand = command; });
        panels::showElement(button);
        buttons.append(button);
    }
    auto& codes = session.codes;
    for (;;) {
        codes.CommandCode = 0;
        codes.TableCommand = 0;
        WaitContext context{WaitKind::Screen,
                            QStringLiteral("el diseño del formato ") + QFileInfo(path).fileName(),
                            session.k,
                            {}};
        session.wait.forUser([&codes] { return codes.TableCommand != 0 || codes.CommandCode != 0; }, context);
        const int chosen = codes.TableCommand - FirstDesignCommand;
        if (chosen == 2 || chosen == 3)
            height = chosen == 2 ? formrules::shrink(height) : formrules::grow(height);
        else if (chosen == 4 || chosen == 5)
            width = chosen == 4 ? formrules::shrink(width) : formrules::grow(width);
        if (chosen >= 2 && chosen <= 5) {
            document->setGeometry(pixels(DocumentLeft, DocumentTop, width, height));
            continue;
        }
        if (chosen != 0)
            break;
        formrules::PositionTable table{width, height, {}};
        for (PlacementControl* control : std::as_const(controls))
            table.fields.append({control->text(), twips::fromPixels(control->x()) - DocumentLeft,
                                 twips::fromPixels(control->y()) - DocumentTop});
        const QString positionPath = formrules::positionFilePath(path);
        bool written = false;
        trap.step([&] {
            QSaveFile file(positionPath);
            if (!file.open(QIODevice::WriteOnly) ||
                file.write(formrules::positionFileText(table).toUtf8()) < 0 || !file.commit())
                throw RuntimeError{PathAccessError, file.errorString() + QStringLiteral(": ") + positionPath,
                                   QStringLiteral("FormRTF")};
            written = true;
        });
        if (written) {
            session.transcript.write(QStringLiteral("file"), QDir::toNativeSeparators(positionPath));
            m_positions = table.fields;
        }
        break;
    }
    codes.CommandCode = 0;
    codes.TableCommand = 0;
    qDeleteAll(buttons);
    qDeleteAll(controls);
    delete m_document;
    engine::BDats(session, QStringLiteral("Quita"), 1, QString(), QString());
    return path;
}

void FormRtf::run(Session& session, const QString& command, int fieldNumber, QString& text)
{
    session.errors.RoutineName = QStringLiteral("FormRTF");
    if (command.compare(QLatin1String("Eje"), Qt::CaseInsensitive) == 0) {
        apply(session, fieldNumber, text);
    } else if (command.compare(QLatin1String("Dis"), Qt::CaseInsensitive) == 0) {
        text = design(session, fieldNumber);
    } else if (command.compare(QLatin1String("Pos"), Qt::CaseInsensitive) == 0) {
        const formrules::Placement place = m_positions.value(fieldNumber - 1);
        text = formrules::positionText(place.left, place.top);
    }
}

} // namespace quelmar::output
