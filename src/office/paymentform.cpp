#include "office/paymentform.h"

#include "db/recordset.h"
#include "engine/valueformat.h"
#include "panels/errortrap.h"
#include "panels/mainform.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "session/session.h"
#include "session/twips.h"
#include "subscribers/money.h"
#include "subscribers/receipt.h"
#include "subscribers/statusrules.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include <cmath>
#include <initializer_list>
#include <utility>

using namespace Qt::StringLiterals;

namespace quelmar {

namespace {

// Layout, in twips.
constexpr int LineStep = 350;
constexpr int LineHeight = 300;
constexpr int ConceptLeft = 120;
constexpr int ConceptWidth = 2900;
constexpr int QuantityLeft = 3100;
constexpr int QuantityWidth = 600;
constexpr int PriceLeft = 3800;
constexpr int PriceWidth = 1300;
constexpr int TotalLeft = 5200;
constexpr int TotalWidth = 1500;
constexpr int FormWidth = 6840;
constexpr int ButtonWidth = 1300;
constexpr int ButtonHeight = 400;
constexpr int ButtonPause = 200; // milliseconds after a button's answer

const QString PriceFormat = u"###,##0.##"_s;
const QString CurrencyFormat = u"Currency"_s;

QRect twipRect(int left, int top, int width, int height)
{
    return {twips::toPixels(left), twips::toPixels(top), twips::toPixels(width), twips::toPixels(height)};
}

void nameElement(QWidget* widget, const QString& family, int index)
{
    widget->setObjectName(family + u'_' + QString::number(index));
    widget->setProperty("elementFamily", family);
    widget->setProperty("elementIndex", index);
}

QString amountText(double amount)
{
    return engine::formatValue(amount, CurrencyFormat);
}

} // namespace

PaymentForm::PaymentForm(Session& session, QWidget* parent) : QWidget(parent, Qt::Window), m_session(session)
{
    setObjectName(u"Pagos"_s);
    setWindowTitle(u"Pagos"_s);
    // While it is shown the main form takes no input, as if it were disabled.
    setWindowModality(Qt::WindowModal);
    makeTemplates();

    m_totalCaption = new QLabel(u"Total a Pagar"_s, this);
    m_totalCaption->setObjectName(u"PTotCaption"_s);
    m_totalCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_total = new QLabel(u"0"_s, this);
    nameElement(m_total, u"PTot"_s, 1);
    m_total->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_total->setFrameShape(QFrame::Panel);
    m_total->setFrameShadow(QFrame::Sunken);
    QFont bold = m_total->font();
    bold.setBold(true);
    m_total->setFont(bold);

    m_accept = new QPushButton(u"&Acepta"_s, this);
    nameElement(m_accept, u"PTec"_s, 0);
    m_cancel = new QPushButton(u"&Cancela"_s, this);
    nameElement(m_cancel, u"PTec"_s, 1);
    connect(m_accept, &QPushButton::clicked, this, [this] { answer(-1); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { answer(-2); });
    placeFooter();
}

PaymentForm::~PaymentForm()
{
    if (m_session.Pagos == this)
        m_session.Pagos = nullptr;
}

void PaymentForm::makeTemplates()
{
    m_conceptTemplate = new QLabel(u"DESCRIPCION"_s, this);
    nameElement(m_conceptTemplate, u"PTipo"_s, 0);
    m_quantityTemplate = new QLabel(u"CANT"_s, this);
    nameElement(m_quantityTemplate, u"PCan"_s, 0);
    m_priceTemplate = new QLineEdit(u"PRECIO"_s, this);
    nameElement(m_priceTemplate, u"PPre"_s, 0);
    m_totalTemplate = new QLabel(u"TOTAL"_s, this);
    nameElement(m_totalTemplate, u"PStot"_s, 0);
    for (QWidget* widget : std::initializer_list<QWidget*>{m_conceptTemplate, m_quantityTemplate,
                                                           m_priceTemplate, m_totalTemplate})
        widget->hide();
}

void PaymentForm::clearLines()
{
    for (const Line& line : std::as_const(m_lines)) {
        delete line.conceptLabel;
        delete line.quantity;
        delete line.price;
        delete line.total;
    }
    m_lines.clear();
}

void PaymentForm::addLine(const QString& name, const QString& priceText)
{
    const int index = lineCount() + 1;
    Line line;
    line.conceptLabel = new QLabel(name, this);
    nameElement(line.conceptLabel, u"PTipo"_s, index);
    line.quantity = new QLabel(u"0"_s, this);
    nameElement(line.quantity, u"PCan"_s, index);
    line.quantity->setAlignment(Qt::AlignCenter);
    line.quantity->setFrameShape(QFrame::Panel);
    line.quantity->setFrameShadow(QFrame::Raised);
    line.quantity->setCursor(Qt::PointingHandCursor);
    line.quantity->setToolTip(u"Clic: uno más; clic derecho: uno menos"_s);
    line.quantity->installEventFilter(this);
    line.price = new QLineEdit(priceText, this);
    nameElement(line.price, u"PPre"_s, index);
    line.price->setProperty("fieldName", u"PPre_"_s + QString::number(index));
    line.price->setAlignment(Qt::AlignRight);
    line.total = new QLabel(u"0"_s, this);
    nameElement(line.total, u"PStot"_s, index);
    line.total->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    line.checkedPrice = priceText;
    connect(line.price, &QLineEdit::editingFinished, this, [this, index] { priceEdited(index); });
    placeLine(line, index);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{line.conceptLabel, line.quantity, line.price, line.total})
        widget->show();
    m_lines.append(line);
}

void PaymentForm::placeLine(const Line& line, int index) const
{
    const int top = index * LineStep;
    line.conceptLabel->setGeometry(twipRect(ConceptLeft, top, ConceptWidth, LineHeight));
    line.quantity->setGeometry(twipRect(QuantityLeft, top, QuantityWidth, LineHeight));
    line.price->setGeometry(twipRect(PriceLeft, top, PriceWidth, LineHeight));
    line.total->setGeometry(twipRect(TotalLeft, top, TotalWidth, LineHeight));
}

void PaymentForm::placeFooter()
{
    const int totalTop = (lineCount() + 1) * LineStep + 100;
    m_totalCaption->setGeometry(twipRect(PriceLeft - 1000, totalTop, PriceWidth + 1000, LineHeight));
    m_total->setGeometry(twipRect(TotalLeft, totalTop, TotalWidth, LineHeight));
    const int buttonTop = totalTop + LineStep + 150;
    m_accept->setGeometry(twipRect(FormWidth / 2 - ButtonWidth - 150, buttonTop, ButtonWidth, ButtonHeight));
    m_cancel->setGeometry(twipRect(FormWidth / 2 + 150, buttonTop, ButtonWidth, ButtonHeight));
    setFixedSize(twips::toPixels(FormWidth), twips::toPixels(buttonTop + ButtonHeight + 200));
}

void PaymentForm::resetLines()
{
    for (int index = 1; index <= lineCount(); ++index) {
        Line& line = m_lines[index - 1];
        line.count = 0;
        line.quantity->setText(u"0"_s);
        line.quantity->setEnabled(true);
        line.lineTotal = 0;
        line.total->setText(u"0"_s);
    }
    m_total->setText(u"0"_s);
}

QString PaymentForm::conceptName(int line) const
{
    return line >= 1 && line <= lineCount() ? m_lines.at(line - 1).conceptLabel->text() : QString();
}

int PaymentForm::quantity(int line) const
{
    return line >= 1 && line <= lineCount() ? m_lines.at(line - 1).count : 0;
}

double PaymentForm::lineTotal(int line) const
{
    return line >= 1 && line <= lineCount() ? m_lines.at(line - 1).lineTotal : 0;
}

QLabel* PaymentForm::conceptLabel(int line) const
{
    return line >= 1 && line <= lineCount() ? m_lines.at(line - 1).conceptLabel : nullptr;
}

QLabel* PaymentForm::quantityLabel(int line) const
{
    return line >= 1 && line <= lineCount() ? m_lines.at(line - 1).quantity : nullptr;
}

QLineEdit* PaymentForm::priceBox(int line) const
{
    return line >= 1 && line <= lineCount() ? m_lines.at(line - 1).price : nullptr;
}

QLabel* PaymentForm::lineTotalLabel(int line) const
{
    return line >= 1 && line <= lineCount() ? m_lines.at(line - 1).total : nullptr;
}

QString PaymentForm::transcriptLine() const
{
    QStringList pieces{windowTitle()};
    for (const Line& line : m_lines) {
        pieces.append(u"%1: %2 × %3 = %4"_s.arg(line.conceptLabel->text(), line.quantity->text(),
                                                line.price->text(), line.total->text()));
    }
    pieces.append(m_totalCaption->text() + u" = "_s + m_total->text());
    return Transcript::oneLine(pieces.join(u" | "_s));
}

void PaymentForm::writeTranscript() const
{
    m_session.transcript.write(u"panel"_s, transcriptLine());
}

bool PaymentForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        for (int index = 1; index <= lineCount(); ++index) {
            if (watched != m_lines.at(index - 1).quantity)
                continue;
            if (m_lines.at(index - 1).quantity->isEnabled())
                clickQuantity(index, static_cast<QMouseEvent*>(event)->button());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PaymentForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        m_cancel->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PaymentForm::closeEvent(QCloseEvent* event)
{
    // Closing the window is cancelling the payment; the caller hides the form when it is done with it.
    event->ignore();
    m_cancel->click();
}

void PaymentForm::clickQuantity(int index, Qt::MouseButton button)
{
    Line& line = m_lines[index - 1];
    const int before = line.count;
    line.count = button == Qt::LeftButton ? line.count + 1 : qMax(line.count - 1, 0);
    line.quantity->setText(QString::number(line.count));
    if (const std::optional<double> price = chargeablePrice(index)) {
        if (const std::optional<double> total = chargeableLineTotal(index, *price)) {
            setLineTotal(index, *total);
        } else {
            // A quantity whose amount the office cannot keep is not taken.
            line.count = before;
            line.quantity->setText(QString::number(line.count));
        }
    }
    updateTotal();
    writeTranscript();
}

void PaymentForm::priceEdited(int index)
{
    Line& line = m_lines[index - 1];
    if (line.price->text() == line.checkedPrice)
        return;
    line.checkedPrice = line.price->text();
    // The line total follows the new price at once, so that what is shown is what will be charged.
    const std::optional<double> price = chargeablePrice(index);
    const std::optional<double> total = price ? chargeableLineTotal(index, *price) : std::nullopt;
    setLineTotal(index, total.value_or(0));
    updateTotal();
    writeTranscript();
}

std::optional<double> PaymentForm::chargeableLineTotal(int index, double price)
{
    const Line& line = m_lines.at(index - 1);
    std::optional<double> total = subscribers::money::lineAmount(price, line.count);
    // The sum of every line must be an amount too.
    std::optional<double> sum = total;
    for (int other = 1; other <= lineCount() && sum; ++other) {
        if (other != index)
            sum = subscribers::money::sum(*sum, m_lines.at(other - 1).lineTotal);
    }
    if (total && sum)
        return total;
    panels::MessageBox(m_session, subscribers::money::outOfRangeMessage(line.conceptLabel->text()),
                       QMessageBox::Ok, QMessageBox::Warning);
    return std::nullopt;
}

std::optional<double> PaymentForm::chargeablePrice(int index)
{
    Line& line = m_lines[index - 1];
    const std::optional<double> price = office::readPrice(line.price->text());
    if (price && !subscribers::money::amount(*price)) {
        if (!line.price->isReadOnly())
            setLineTotal(index, 0);
        panels::MessageBox(m_session, subscribers::money::outOfRangeMessage(line.conceptLabel->text()),
                           QMessageBox::Ok, QMessageBox::Warning);
        return std::nullopt;
    }
    if (line.price->isReadOnly()) {
        if (price && *price > 0)
            return price;
        panels::MessageBox(m_session,
                           line.conceptLabel->text() + u" tiene un precio unitario nulo o negativo."_s);
        return std::nullopt;
    }
    if (price && *price >= 0)
        return price;
    setLineTotal(index, 0);
    panels::MessageBox(m_session, u"El precio de %1 no es válido"_s.arg(line.conceptLabel->text()),
                       QMessageBox::Ok, QMessageBox::Warning);
    return std::nullopt;
}

void PaymentForm::setLineTotal(int index, double total)
{
    Line& line = m_lines[index - 1];
    line.lineTotal = total;
    line.total->setText(amountText(total));
}

void PaymentForm::updateTotal()
{
    double sum = 0;
    for (const Line& line : std::as_const(m_lines))
        sum += line.lineTotal;
    m_total->setText(amountText(sum));
}

void PaymentForm::answer(int commandCode)
{
    if (commandCode == -1) {
        // Every line to be paid must have a price that can be charged, and a line total the office can keep;
        // until then the payment waits.
        for (int index = 1; index <= lineCount(); ++index) {
            if (m_lines.at(index - 1).count == 0)
                continue;
            const std::optional<double> price = chargeablePrice(index);
            if (!price || !chargeableLineTotal(index, *price))
                return;
        }
    }
    m_session.codes.CommandCode = commandCode;
    m_session.codes.TableCommand = 1;
    panels::Pause(m_session, ButtonPause);
}

namespace office {

namespace {

constexpr int ObjectNotSet = 91;
constexpr int NoCurrentRecord = 3021;

bool sameText(const QString& a, QLatin1String b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The subscriber's row as the payment reads it.
struct Subscriber
{
    QString name;
    QString serviceClass;
    int units = 0;
    QString situation;
};

Subscriber readSubscriber(Session& session)
{
    db::Recordset* row = session.database.CurrentRecordset.get();
    if (!row || !row->isOpen() || row->bof() || row->eof())
        throw RuntimeError{NoCurrentRecord, u"No current record."_s, {}};
    return {row->value(u"Nombre"_s).toString(), row->value(u"Clase"_s).toString(),
            row->value(u"Unidades"_s).toInt(), row->value(u"Situación"_s).toString()};
}

// Disables the quantity of every line whose concept holds the text.
void disableLines(PaymentForm& form, QLatin1String text)
{
    for (int line = 1; line <= form.lineCount(); ++line) {
        if (form.conceptName(line).contains(text))
            form.quantityLabel(line)->setEnabled(false);
    }
}

// Step 3 of the payment: the rules of the subscriber's class. Returns the hotel rent line (0 for none).
int applyClassRules(Session& session, PaymentForm& form, const Subscriber& subscriber)
{
    int hotelLine = 0;
    if (sameText(subscriber.serviceClass, "Hotel"_L1)) {
        for (int line = 1; line <= form.lineCount(); ++line) {
            if (!form.conceptName(line).contains("Renta (1-2 TV)"_L1))
                continue;
            const double rent = readPrice(session.payments.BaseRent).value_or(0) * subscriber.units;
            form.priceBox(line)->setText(engine::formatValue(rent, PriceFormat));
            // The hotel's rent is worked out from its units, not typed.
            form.priceBox(line)->setReadOnly(true);
            hotelLine = line;
        }
        disableLines(form, "3-4 TV"_L1);
    } else if (sameText(subscriber.serviceClass, "1-2 TV"_L1)) {
        disableLines(form, "Renta (3-4"_L1);
    } else if (sameText(subscriber.serviceClass, "3-4 TV"_L1)) {
        disableLines(form, "Renta (1-2"_L1);
    }
    return hotelLine;
}

WaitContext paymentWait(PaymentForm& form, const QString& title)
{
    WaitContext context;
    context.kind = WaitKind::Screen;
    context.description = title;
    context.widget = &form;
    context.respond = [&form](const QString& verb, const QString& argument) {
        if (verb != "answer"_L1)
            return false;
        QString wanted = argument.trimmed();
        wanted.remove(u'&');
        for (QPushButton* button : {form.acceptButton(), form.cancelButton()}) {
            if (button->text().remove(u'&').compare(wanted, Qt::CaseInsensitive) == 0 &&
                button->isEnabled()) {
                button->click();
                return true;
            }
        }
        return false;
    };
    return context;
}

// Steps 2 to 5: the form until the payment is answered (and, for a cut subscriber, until reconnection is paid
// or the payment refused).
void waitForAnswer(Session& session, PaymentForm& form, const QString& title, const Subscriber& subscriber,
                   int& hotelLine)
{
    for (;;) {
        form.setWindowTitle(title);
        form.resetLines();
        hotelLine = applyClassRules(session, form, subscriber);
        form.show();
        form.activateWindow();
        form.writeTranscript();
        session.codes.TableCommand = 0;
        session.wait.forUser([&session] { return session.codes.TableCommand != 0; },
                             paymentWait(form, title));

        // Asked of a payment the operator accepted; a cancelled one needs no reconnection.
        if (session.codes.CommandCode == -1 && sameText(subscriber.situation, subscribers::status::Cut) &&
            form.quantity(6) == 0 && form.quantity(5) == 0) {
            const int answer = panels::MessageBox(
                session, u"Como esta Cortado, debe pagar Reconexión.  ¿Acepta pago de reconexión?"_s,
                QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Warning, u"Falta Pago"_s);
            if (answer == QMessageBox::Ok)
                continue;
            session.codes.CommandCode = -2;
        }
        return;
    }
}

// Steps 6 and 8: refusal of a cancelled subscriber and the records of the lines paid. The connection of an
// expired subscriber who pays rent (step 7) is written with the payment, inside its transaction.
void settle(Session& session, PaymentForm& form, const Subscriber& subscriber)
{
    if (session.codes.CommandCode == -1 && sameText(subscriber.situation, subscribers::status::Cancelled)) {
        panels::MessageBox(session, u"No puede pagar si esta dado de Baja; checarlo.   Se cancela el pago"_s);
        session.codes.CommandCode = -2;
    }
    for (int line = 1; line <= form.lineCount(); ++line) {
        if (form.quantity(line) > 0)
            session.payments.PaidLines[line - 1] =
                paidLineRecord(line, form.quantity(line), form.conceptName(line), form.lineTotal(line));
    }
}

} // namespace

QString paidLineRecord(int line, int quantity, const QString& conceptName, double lineTotal)
{
    return u"%1/%2/%3/%4/"_s.arg(line).arg(quantity).arg(conceptName, subscribers::lineTotalText(lineTotal));
}

std::optional<PaidLine> splitPaidLine(const QString& record)
{
    QStringList pieces = record.split(u'/');
    // "1/2/Renta/360/" splits into five pieces, the last one empty.
    if (pieces.size() < 5 || !pieces.constLast().isEmpty())
        return std::nullopt;
    pieces.removeLast();
    bool lineOk = false;
    bool quantityOk = false;
    PaidLine paid;
    paid.line = pieces.takeFirst().toInt(&lineOk);
    paid.quantity = pieces.takeFirst().toInt(&quantityOk);
    paid.lineTotal = pieces.takeLast();
    paid.conceptName = pieces.join(u'/');
    if (!lineOk || !quantityOk)
        return std::nullopt;
    return paid;
}

void LoadTariffs(Session& session, const QString& parameterClass)
{
    ErrorTrap trap(session, u"LoadTariffs"_s);
    trap.step([&] {
        if (!session.Pagos)
            session.Pagos = new PaymentForm(session, session.k);
        PaymentForm& form = *session.Pagos;
        form.clearLines();
        session.payments.TariffLines = 0;
        session.payments.BaseRent.clear();
        session.payments.PaidLines.clear();

        db::Recordset* parameters = session.database.ParamTable.get();
        if (!parameters)
            throw RuntimeError{ObjectNotSet, u"Object variable or With block variable not set"_s, {}};
        parameters->moveFirst();
        if (!parameters->seek(u"="_s, {parameterClass})) {
            form.placeFooter();
            panels::MessageBox(session, u"No hay Parametros para los datos de Pagos"_s);
            return;
        }
        for (; !parameters->eof(); parameters->moveNext()) {
            if (parameters->value(u"Clase"_s).toString().compare(parameterClass, Qt::CaseInsensitive) != 0)
                break;
            if (parameters->value(u"Clave"_s).toString().contains(u'@'))
                continue;
            const QString name = parameters->value(u"Nombre"_s).toString();
            const QString price = engine::formatValue(parameters->value(u"Contenido"_s), PriceFormat);
            form.addLine(name, price);
            if (name.contains("Renta (1-2"_L1))
                session.payments.BaseRent = price;
        }
        session.payments.TariffLines = form.lineCount();
        form.placeFooter();
    });
}

void AskPayment(Session& session, const QString& title)
{
    ErrorTrap trap(session, u"AskPayment"_s, 0);
    PaymentForm* form = session.Pagos;
    int hotelLine = 0;
    bool completed = false;
    trap.step([&] {
        if (!form)
            throw RuntimeError{ObjectNotSet, u"Object variable or With block variable not set"_s, {}};
        const Subscriber subscriber = readSubscriber(session);
        session.payments.PaidLines = QStringList(form->lineCount());
        waitForAnswer(session, *form, title, subscriber, hotelLine);
        settle(session, *form, subscriber);
        completed = true;
    });
    if (form && hotelLine > 0) {
        form->priceBox(hotelLine)->setText(session.payments.BaseRent);
        form->priceBox(hotelLine)->setReadOnly(false);
    }
    if (!completed) {
        // A payment that went wrong half-way is not accepted: nothing of it is recorded.
        session.codes.CommandCode = -2;
        session.payments.PaidLines = QStringList(form ? form->lineCount() : 0);
        panels::MessageBox(session, u"error en Pagos"_s);
    }
}

} // namespace office

} // namespace quelmar
