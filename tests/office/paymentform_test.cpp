// The payment form: its tariff lines, the quantity clicks, and a payment asked for a subscriber of each class
// and status, on a demonstration office worked by a stand-in user.
#include "engine/officefixture.h"

#include "db/database.h"
#include "db/recordset.h"
#include "office/paymentform.h"
#include "panels/keyboard.h"
#include "session/session.h"
#include "session/twips.h"
#include "shell/shellfixture.h"
#include "shell/startup.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

using namespace Qt::StringLiterals;

namespace quelmar::office {
namespace {

using engine::testing::EngineTest;

// The demonstration office's tariff lines, in the order of the form ("Recargo por mora" is kept off it).
const QStringList DemoConcepts{u"Renta (1-2 TV)"_s,      u"Renta (3-4 TV)"_s,      u"Cable adicional"_s,
                               u"Cambio de domicilio"_s, u"Reconexión (1-2 TV)"_s, u"Reconexión (3-4 TV)"_s,
                               u"Instalación"_s};
constexpr int Subscriber = 1;

// The name of a case of a table, for the test's name.
template <class Case> std::string caseName(const ::testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

class PaymentFormTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_TRUE(m_logs.isValid());
        // Errors are logged in the office folder and, as in production, not shown for routines that go on.
        session.shell.WorkingFolder = QDir(m_logs.path());
        session.shell.DebugSwitches = u"1s3456s8901234567890"_s;
        LoadTariffs(session, u"P"_s);
        ASSERT_NE(session.Pagos, nullptr);
        session.transcript.mark();
    }

    PaymentForm& pagos() { return *session.Pagos; }

    void execute(const QString& sql, const QVariantList& values = {})
    {
        const db::DbError error = session.database.CurrentDatabase->execute(sql, values);
        ASSERT_FALSE(error) << error.description.toStdString();
    }

    void setTariff(const QString& name, const QString& price)
    {
        execute(u"UPDATE Parametros SET Contenido = ? WHERE Clase = 'P' AND Nombre = ?"_s, {price, name});
        LoadTariffs(session, u"P"_s);
    }

    // Gives the subscriber the class, units and status, and loads the row as RegisterPayment does.
    void loadSubscriber(const QString& situation, const QString& serviceClass = u"1-2 TV"_s, int units = 1)
    {
        execute(u"UPDATE Suscriptores SET Nombre = 'Ana Ruiz', Situación = ?, Clase = ?, Unidades = ? "
                u"WHERE Clave = "_s +
                    QString::number(Subscriber),
                {situation, serviceClass, units});
        db::DbError error;
        session.database.CurrentRecordset = session.database.CurrentDatabase->openRecordset(
            u"SELECT Nombre, Clase, Unidades, Situación,Vencimiento,Contrato,Observaciones FROM Suscriptores "
            u"WHERE Clave = "_s +
                QString::number(Subscriber),
            db::RecordsetType::Dynaset, error);
        ASSERT_FALSE(error) << error.description.toStdString();
    }

    QString situation() { return scalar(u"SELECT Situación FROM Suscriptores WHERE Clave = 1"_s).toString(); }

    // A press and a release of the mouse button on the quantity of the line, as a person clicks it.
    void click(int line, Qt::MouseButton button = Qt::LeftButton)
    {
        QLabel* label = pagos().quantityLabel(line);
        ASSERT_NE(label, nullptr) << line;
        const QPointF at(label->rect().center());
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, label->mapToGlobal(at), button,
                              type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(label, &event);
        }
    }

    // Types the price into the line's box and presses INTRO.
    void typePrice(int line, const QString& text)
    {
        panels::keyboard::replaceText(pagos().priceBox(line), text);
        panels::keyboard::press(pagos().priceBox(line), Qt::Key_Return);
    }

    // At the payment form's wait: the test's actions on the form, then the answer "Acepta" or "Cancela".
    void onForm(std::function<void()> actions, const QString& answer = u"Acepta"_s)
    {
        user.then([this, actions, answer](const WaitContext& context) {
            EXPECT_EQ(context.kind, WaitKind::Screen);
            EXPECT_TRUE(context.widget == session.Pagos);
            actions();
            if (!context.respond(u"answer"_s, answer))
                user.refused.append(answer);
        });
    }

    QStringList quantities()
    {
        QStringList shown;
        for (int line = 1; line <= pagos().lineCount(); ++line)
            shown.append(pagos().quantityLabel(line)->text());
        return shown;
    }

    QList<int> disabledLines()
    {
        QList<int> lines;
        for (int line = 1; line <= pagos().lineCount(); ++line) {
            if (!pagos().quantityLabel(line)->isEnabled())
                lines.append(line);
        }
        return lines;
    }

    QStringList paidLines(std::initializer_list<std::pair<int, QString>> records)
    {
        QStringList expected(pagos().lineCount());
        for (const auto& [line, record] : records)
            expected[line - 1] = record;
        return expected;
    }

    void ask() { AskPayment(session, u"Pagos de Ana Ruiz"_s); }

private:
    QTemporaryDir m_logs;
};

TEST_F(PaymentFormTest, LoadTariffsMakesOneLineForEveryOfferedConcept)
{
    EXPECT_EQ(session.payments.TariffLines, 7);
    EXPECT_EQ(session.payments.BaseRent, u"180"_s);
    QStringList concepts;
    for (int line = 1; line <= pagos().lineCount(); ++line)
        concepts.append(pagos().conceptName(line));
    EXPECT_EQ(concepts, DemoConcepts);
    EXPECT_EQ(quantities(), QStringList(7, u"0"_s));
    EXPECT_EQ(pagos().priceBox(7)->text(), u"450"_s);
    EXPECT_EQ(pagos().lineTotalLabel(7)->text(), u"0"_s);

    // The scripted verbs find the controls by their family and index, and the price boxes by field name.
    QLabel* quantity = pagos().findChild<QLabel*>(u"PCan_3"_s);
    ASSERT_NE(quantity, nullptr);
    EXPECT_EQ(quantity->property("elementFamily").toString(), u"PCan"_s);
    EXPECT_EQ(quantity->property("elementIndex").toInt(), 3);
    EXPECT_EQ(pagos().priceBox(3)->property("fieldName").toString(), u"PPre_3"_s);
    EXPECT_EQ(pagos().priceBox(3)->objectName(), u"PPre_3"_s);
    EXPECT_EQ(pagos().objectName(), u"Pagos"_s);

    // Lines are stacked 350 twips apart; the total and the buttons lie below the last one.
    EXPECT_EQ(pagos().quantityLabel(1)->y(), twips::toPixels(350));
    EXPECT_EQ(pagos().quantityLabel(2)->y(), twips::toPixels(700));
    EXPECT_GT(pagos().totalLabel()->y(), pagos().quantityLabel(7)->y());
    EXPECT_GT(pagos().acceptButton()->y(), pagos().totalLabel()->y());
    EXPECT_LE(pagos().acceptButton()->geometry().bottom(), pagos().height());
}

TEST_F(PaymentFormTest, LoadTariffsAgainRebuildsTheLinesAndKeepsPricesWithCents)
{
    setTariff(u"Cable adicional"_s, u"1234.5"_s);
    EXPECT_EQ(pagos().lineCount(), 7);
    EXPECT_EQ(pagos().findChildren<QLabel*>(u"PCan_1"_s).size(), 1);
    EXPECT_EQ(pagos().priceBox(3)->text(), u"1,234.5"_s);
}

TEST_F(PaymentFormTest, LoadTariffsWithoutRowsOfTheClassSaysSoAndLeavesNoLines)
{
    user.answer(u"OK"_s);
    LoadTariffs(session, u"ZZ"_s);
    EXPECT_EQ(user.waits, QStringList{u"Quelmar: No hay Parametros para los datos de Pagos"_s});
    EXPECT_EQ(pagos().lineCount(), 0);
    EXPECT_EQ(session.payments.TariffLines, 0);
}

TEST_F(PaymentFormTest, PreparePaymentFormLoadsTheTariffs)
{
    startup::preparePaymentForm(session);
    EXPECT_EQ(session.payments.TariffLines, 7);
}

struct ClickCase
{
    const char* name;
    QList<Qt::MouseButton> clicks;
    QString price;
    bool readOnly;
    QString quantity;
    QString lineTotal;
    QString message; // the message the clicks bring, if any
};

class QuantityClicks : public PaymentFormTest, public ::testing::WithParamInterface<ClickCase>
{
};

TEST_P(QuantityClicks, SetTheQuantityLineTotalAndTotal)
{
    const ClickCase& c = GetParam();
    pagos().priceBox(1)->setText(c.price);
    pagos().priceBox(1)->setReadOnly(c.readOnly);
    pagos().resetLines();
    if (!c.message.isEmpty())
        user.answer(u"OK"_s);
    for (const Qt::MouseButton button : c.clicks)
        click(1, button);
    EXPECT_EQ(pagos().quantityLabel(1)->text(), c.quantity);
    EXPECT_EQ(pagos().lineTotalLabel(1)->text(), c.lineTotal);
    EXPECT_EQ(pagos().totalLabel()->text(), c.lineTotal == u"0"_s ? u"$0.00"_s : c.lineTotal);
    EXPECT_EQ(user.waits, c.message.isEmpty() ? QStringList() : QStringList{u"Quelmar: "_s + c.message});
}

INSTANTIATE_TEST_SUITE_P(
    PaymentForm, QuantityClicks,
    ::testing::Values(
        ClickCase{"LeftAddsOne", {Qt::LeftButton, Qt::LeftButton}, u"180"_s, false, u"2"_s, u"$360.00"_s, {}},
        ClickCase{"RightTakesOneAway",
                  {Qt::LeftButton, Qt::LeftButton, Qt::RightButton},
                  u"180"_s,
                  false,
                  u"1"_s,
                  u"$180.00"_s,
                  {}},
        ClickCase{"RightAtZeroStaysAtZero", {Qt::RightButton}, u"180"_s, false, u"0"_s, u"$0.00"_s, {}},
        ClickCase{"MiddleButtonTakesAway",
                  {Qt::LeftButton, Qt::MiddleButton},
                  u"180"_s,
                  false,
                  u"0"_s,
                  u"$0.00"_s,
                  {}},
        ClickCase{"ThousandsSeparatorsIgnored",
                  {Qt::LeftButton, Qt::LeftButton},
                  u"1,200.25"_s,
                  false,
                  u"2"_s,
                  u"$2,400.50"_s,
                  {}},
        ClickCase{"ReadOnlyZeroPriceIsRefused",
                  {Qt::LeftButton},
                  u"0"_s,
                  true,
                  u"1"_s,
                  u"0"_s,
                  u"Renta (1-2 TV) tiene un precio unitario nulo o negativo."_s},
        ClickCase{"ReadOnlyNegativePriceIsRefused",
                  {Qt::LeftButton},
                  u"-5"_s,
                  true,
                  u"1"_s,
                  u"0"_s,
                  u"Renta (1-2 TV) tiene un precio unitario nulo o negativo."_s},
        ClickCase{
            "EditableZeroPriceChargesNothing", {Qt::LeftButton}, u"0"_s, false, u"1"_s, u"$0.00"_s, {}}),
    caseName<ClickCase>);

TEST_F(PaymentFormTest, DisabledQuantityIgnoresClicks)
{
    pagos().quantityLabel(2)->setEnabled(false);
    click(2);
    EXPECT_EQ(pagos().quantity(2), 0);
}

TEST_F(PaymentFormTest, EachClickWritesTheFormToTheTranscript)
{
    pagos().setWindowTitle(u"Pagos de Ana Ruiz"_s);
    click(1);
    click(3);
    const QStringList lines = transcript(u"panel"_s);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.at(1), u"[panel] Pagos de Ana Ruiz | Renta (1-2 TV): 1 × 180 = $180.00 | "
                           u"Renta (3-4 TV): 0 × 250 = 0 | Cable adicional: 1 × 60 = $60.00 | "
                           u"Cambio de domicilio: 0 × 150 = 0 | Reconexión (1-2 TV): 0 × 120 = 0 | "
                           u"Reconexión (3-4 TV): 0 × 160 = 0 | Instalación: 0 × 450 = 0 | "
                           u"Total a Pagar = $240.00"_s);
}

TEST_F(PaymentFormTest, AcceptedPaymentRecordsEveryLinePaid)
{
    loadSubscriber(u"Conectado"_s);
    onForm([this] {
        EXPECT_TRUE(pagos().isVisible());
        EXPECT_EQ(pagos().windowTitle(), u"Pagos de Ana Ruiz"_s);
        EXPECT_EQ(pagos().totalLabel()->text(), u"0"_s);
        click(1);
        click(1);
        click(3);
        typePrice(4, u"1,200.5"_s);
        click(4);
        EXPECT_EQ(pagos().totalLabel()->text(), u"$1,620.50"_s);
    });
    ask();
    EXPECT_EQ(session.codes.CommandCode, -1);
    EXPECT_EQ(session.payments.PaidLines, paidLines({{1, u"1/2/Renta (1-2 TV)/360/"_s},
                                                     {3, u"3/1/Cable adicional/60/"_s},
                                                     {4, u"4/1/Cambio de domicilio/1200.5/"_s}}));
    EXPECT_TRUE(user.refused.isEmpty());
    EXPECT_EQ(user.waits, QStringList{u"Pagos de Ana Ruiz"_s});
    // The form stays on screen for the recording; the caller hides it.
    EXPECT_TRUE(pagos().isVisible());
}

TEST_F(PaymentFormTest, EveryPaymentStartsFromZero)
{
    loadSubscriber(u"Conectado"_s);
    onForm([this] { click(1); });
    ask();
    onForm([this] { EXPECT_EQ(quantities(), QStringList(7, u"0"_s)); }, u"Cancela"_s);
    ask();
    EXPECT_EQ(session.codes.CommandCode, -2);
    EXPECT_EQ(session.payments.PaidLines, QStringList(7));
}

TEST_F(PaymentFormTest, ClosingTheWindowCancels)
{
    loadSubscriber(u"Conectado"_s);
    user.then([this](const WaitContext&) {
        click(1);
        pagos().close();
    });
    ask();
    EXPECT_EQ(session.codes.CommandCode, -2);
    EXPECT_TRUE(pagos().isVisible());
}

TEST_F(PaymentFormTest, AnswerOtherThanTheButtonsIsRefused)
{
    loadSubscriber(u"Conectado"_s);
    user.then([](const WaitContext& context) {
        EXPECT_FALSE(context.respond(u"answer"_s, u"Imprime"_s));
        EXPECT_FALSE(context.respond(u"menu"_s, u"1"_s));
        EXPECT_TRUE(context.respond(u"answer"_s, u"&cancela"_s));
    });
    ask();
    EXPECT_EQ(session.codes.CommandCode, -2);
}

TEST_F(PaymentFormTest, HotelPaysTheBaseRentTimesItsUnitsAndTheFormGetsTheBaseRentBack)
{
    setTariff(u"Renta (1-2 TV)"_s, u"100"_s);
    loadSubscriber(u"Conectado"_s, u"Hotel"_s, 12);
    onForm([this] {
        EXPECT_EQ(pagos().priceBox(1)->text(), u"1,200"_s);
        EXPECT_TRUE(pagos().priceBox(1)->isReadOnly());
        EXPECT_EQ(disabledLines(), (QList<int>{2, 6}));
        click(1);
        EXPECT_EQ(pagos().lineTotalLabel(1)->text(), u"$1,200.00"_s);
    });
    ask();
    EXPECT_EQ(session.codes.CommandCode, -1);
    EXPECT_EQ(session.payments.PaidLines, paidLines({{1, u"1/1/Renta (1-2 TV)/1200/"_s}}));
    EXPECT_EQ(pagos().priceBox(1)->text(), u"100"_s);
    EXPECT_FALSE(pagos().priceBox(1)->isReadOnly());
}

TEST_F(PaymentFormTest, HotelWithoutABaseRentCannotBeChargedRent)
{
    const QString message = u"Quelmar: Renta (1-2 TV) tiene un precio unitario nulo o negativo."_s;
    setTariff(u"Renta (1-2 TV)"_s, u"0"_s);
    loadSubscriber(u"Conectado"_s, u"Hotel"_s, 3);
    onForm([this] { click(1); }); // the message on the click, and again on accepting: the form still waits
    user.answer(u"OK"_s);
    user.answer(u"OK"_s);
    // Taking the quantity back brings the message once more, and the payment of the rest goes through.
    onForm([this] {
        click(1, Qt::RightButton);
        click(3);
    });
    user.answer(u"OK"_s);
    ask();
    EXPECT_EQ(user.waits,
              (QStringList{u"Pagos de Ana Ruiz"_s, message, message, u"Pagos de Ana Ruiz"_s, message}));
    EXPECT_EQ(session.codes.CommandCode, -1);
    EXPECT_EQ(session.payments.PaidLines, paidLines({{3, u"3/1/Cable adicional/60/"_s}}));
    EXPECT_EQ(pagos().priceBox(1)->text(), u"0"_s);
}

struct ClassCase
{
    const char* name;
    QString serviceClass;
    QList<int> disabled;
};

class ClassRules : public PaymentFormTest, public ::testing::WithParamInterface<ClassCase>
{
};

TEST_P(ClassRules, DisableTheLinesTheClassDoesNotPay)
{
    loadSubscriber(u"Conectado"_s, GetParam().serviceClass);
    onForm([this] { EXPECT_EQ(disabledLines(), GetParam().disabled); }, u"Cancela"_s);
    ask();
    // The next payment starts with every quantity enabled again.
    loadSubscriber(u"Conectado"_s, u"Otra"_s);
    onForm([this] { EXPECT_EQ(disabledLines(), QList<int>()); }, u"Cancela"_s);
    ask();
}

INSTANTIATE_TEST_SUITE_P(PaymentForm, ClassRules,
                         ::testing::Values(ClassCase{"OneTwo", u"1-2 TV"_s, {2}},
                                           ClassCase{"ThreeFour", u"3-4 TV"_s, {1}},
                                           ClassCase{"Hotel", u"Hotel"_s, {2, 6}},
                                           ClassCase{"Other", u"Comercial"_s, {}}),
                         caseName<ClassCase>);

TEST_F(PaymentFormTest, CutSubscriberWhoAcceptsReconnectionSeesTheFormAgainFromZero)
{
    loadSubscriber(u"Cortado"_s);
    onForm([this] { click(1); });
    user.answer(u"OK"_s);
    onForm([this] {
        EXPECT_EQ(quantities(), QStringList(7, u"0"_s));
        EXPECT_EQ(pagos().totalLabel()->text(), u"0"_s);
        click(1);
        click(5);
    });
    ask();
    EXPECT_EQ(user.waits.value(1), u"Falta Pago: Como esta Cortado, debe pagar Reconexión.  ¿Acepta pago de "
                                   u"reconexión?"_s);
    EXPECT_EQ(user.kinds.value(1), WaitKind::MessageBox);
    EXPECT_EQ(session.codes.CommandCode, -1);
    EXPECT_EQ(session.payments.PaidLines,
              paidLines({{1, u"1/1/Renta (1-2 TV)/180/"_s}, {5, u"5/1/Reconexión (1-2 TV)/120/"_s}}));
    EXPECT_EQ(situation(), u"Cortado"_s);
}

TEST_F(PaymentFormTest, CutSubscriberWhoRefusesReconnectionCancelsThePayment)
{
    loadSubscriber(u"Cortado"_s);
    onForm([this] { click(1); });
    user.answer(u"Cancel"_s);
    ask();
    EXPECT_EQ(user.waits.size(), 2);
    EXPECT_EQ(session.codes.CommandCode, -2);
}

TEST_F(PaymentFormTest, CutSubscriberPayingReconnectionIsNotAsked)
{
    loadSubscriber(u"Cortado"_s);
    onForm([this] { click(6); });
    ask();
    EXPECT_EQ(user.waits, QStringList{u"Pagos de Ana Ruiz"_s});
    EXPECT_EQ(session.codes.CommandCode, -1);
}

TEST_F(PaymentFormTest, CancelledSubscriberCannotPay)
{
    loadSubscriber(u"Baja"_s);
    onForm([this] { click(1); });
    user.answer(u"OK"_s);
    ask();
    EXPECT_EQ(user.waits.value(1),
              u"Quelmar: No puede pagar si esta dado de Baja; checarlo.   Se cancela el pago"_s);
    EXPECT_EQ(session.codes.CommandCode, -2);
    EXPECT_EQ(situation(), u"Baja"_s);
}

class ExpiredSubscriber : public PaymentFormTest, public ::testing::WithParamInterface<int>
{
};

// The form only asks: the connection of an expired subscriber who pays rent is written by the payment, in its
// transaction (payments_test), never while the form is open or after it was cancelled.
TEST_P(ExpiredSubscriber, IsNotChangedByTheForm)
{
    loadSubscriber(u"Vencido"_s, u"Otra"_s);
    onForm([this] { click(GetParam()); });
    ask();
    EXPECT_EQ(session.codes.CommandCode, -1);
    EXPECT_EQ(situation(), u"Vencido"_s);
}

INSTANTIATE_TEST_SUITE_P(PaymentForm, ExpiredSubscriber, ::testing::Values(1, 2, 3));

class BadPrice : public PaymentFormTest, public ::testing::WithParamInterface<QString>
{
};

TEST_P(BadPrice, IsReportedAndNothingIsChargedUntilAValidPriceIsTyped)
{
    const QString message = u"Quelmar: El precio de Cable adicional no es válido"_s;
    loadSubscriber(u"Conectado"_s);
    user.then([this](const WaitContext& context) {
        typePrice(3, GetParam()); // the message on leaving the box
        click(3);                 // again on the click
        EXPECT_EQ(pagos().lineTotalLabel(3)->text(), u"$0.00"_s);
        EXPECT_TRUE(context.respond(u"answer"_s, u"Acepta"_s)); // again on accepting: the form still waits
        EXPECT_EQ(session.codes.TableCommand, 0);
        typePrice(3, u"75"_s);
        EXPECT_EQ(pagos().lineTotalLabel(3)->text(), u"$75.00"_s);
        EXPECT_TRUE(context.respond(u"answer"_s, u"Acepta"_s));
    });
    user.answer(u"OK"_s);
    user.answer(u"OK"_s);
    user.answer(u"OK"_s);
    ask();
    EXPECT_EQ(user.waits, (QStringList{u"Pagos de Ana Ruiz"_s, message, message, message}));
    EXPECT_EQ(session.codes.CommandCode, -1);
    EXPECT_EQ(session.payments.PaidLines, paidLines({{3, u"3/1/Cable adicional/75/"_s}}));
}

INSTANTIATE_TEST_SUITE_P(PaymentForm, BadPrice, ::testing::Values(u"abc"_s, u"-5"_s, u""_s, u"12x"_s));

struct OutOfRange
{
    const char* name;
    QString price;    // typed into line 3 ("Cable adicional") before its clicks
    int clicks;       // clicks on line 3
    QString price4;   // typed into line 4 before its one click; empty: line 4 not paid
    QString total3;   // line 3's total afterwards
    QString quantity; // line 3's quantity afterwards
    int messages;     // the price messages shown
    bool accepted;    // "&Acepta" is taken: what the form holds is in range
};

class AmountOutOfRange : public PaymentFormTest, public ::testing::WithParamInterface<OutOfRange>
{
};

// Money has the range of the currency type (±922,337,203,685,477.5807): a price, a line total or a total
// beyond it is refused with the price message, and the form never shows or hands on an amount it cannot keep.
TEST_P(AmountOutOfRange, IsRefusedWithThePriceMessage)
{
    const OutOfRange& c = GetParam();
    const QString message =
        u"Quelmar: Cable adicional tiene un precio unitario fuera de rango.  El precio, el "
        u"total de la línea y el total a pagar no pueden pasar de $922,337,203,685,477.58: "
        u"corrija el precio o la cantidad."_s;
    loadSubscriber(u"Conectado"_s);
    user.then([this, &c](const WaitContext& context) {
        if (!c.price4.isEmpty()) {
            typePrice(4, c.price4);
            click(4);
        }
        typePrice(3, c.price);
        for (int i = 0; i < c.clicks; ++i)
            click(3);
        EXPECT_EQ(pagos().lineTotalLabel(3)->text(), c.total3);
        EXPECT_EQ(pagos().quantityLabel(3)->text(), c.quantity);
        EXPECT_FALSE(pagos().totalLabel()->text().contains(u"inf"_s))
            << pagos().totalLabel()->text().toStdString();
        EXPECT_TRUE(context.respond(u"answer"_s, u"Acepta"_s));
        if (!c.accepted) {
            EXPECT_EQ(session.codes.TableCommand, 0); // the form still waits
            EXPECT_TRUE(context.respond(u"answer"_s, u"Cancela"_s));
        }
    });
    for (int i = 0; i < c.messages; ++i)
        user.answer(u"OK"_s);
    ask();
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_EQ(user.waits.mid(1), QStringList(c.messages, message));
    EXPECT_EQ(session.codes.CommandCode, c.accepted ? -1 : -2);
    for (const QString& record : std::as_const(session.payments.PaidLines)) {
        const std::optional<PaidLine> paid = splitPaidLine(record);
        if (paid) {
            EXPECT_LE(std::fabs(paid->lineTotal.toDouble()), 922337203685477.5807) << record.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    PaymentForm, AmountOutOfRange,
    ::testing::Values(
        // A price beyond the range: told on leaving the box, on the click and on accepting; nothing charged.
        OutOfRange{"TwentyDigits", u"99999999999999999999"_s, 1, QString(), u"$0.00"_s, u"1"_s, 3, false},
        OutOfRange{"JustAbove", u"922,337,203,685,478"_s, 1, QString(), u"$0.00"_s, u"1"_s, 3, false},
        OutOfRange{"Huge", u"1e308"_s, 1, QString(), u"$0.00"_s, u"1"_s, 3, false},
        // A price in range whose line total is not: the second click is not taken.
        OutOfRange{"LineTotal", u"500,000,000,000,000"_s, 2, QString(), u"$500,000,000,000,000.00"_s, u"1"_s,
                   1, true},
        // Two lines in range whose sum is not: the click that would pass it is not taken.
        OutOfRange{"Total", u"500,000,000,000,000"_s, 1, u"500,000,000,000,000"_s, u"$0.00"_s, u"0"_s, 1,
                   true}),
    caseName<OutOfRange>);

TEST_F(PaymentFormTest, ChangedPriceChangesTheLineTotalAtOnce)
{
    click(3);
    click(3);
    typePrice(3, u"1,000"_s);
    EXPECT_EQ(pagos().lineTotalLabel(3)->text(), u"$2,000.00"_s);
    EXPECT_EQ(pagos().totalLabel()->text(), u"$2,000.00"_s);
}

TEST_F(PaymentFormTest, FailureIsReportedAndCancelsThePayment)
{
    session.database.CurrentRecordset.reset();
    user.answer(u"OK"_s);
    session.codes.CommandCode = -1;
    ask();
    EXPECT_EQ(user.waits, QStringList{u"Quelmar: error en Pagos"_s});
    EXPECT_EQ(session.codes.CommandCode, -2);
}

struct RecordCase
{
    QString record;
    int line;
    int quantity;
    QString conceptName;
    QString lineTotal;
};

TEST(PaidLineRecord, IsWrittenAndSplitBackWhateverTheConceptHolds)
{
    const QList<RecordCase> cases{
        {u"1/2/Renta (1-2 TV)/360/"_s, 1, 2, u"Renta (1-2 TV)"_s, u"360"_s},
        {u"4/1/Cambio de domicilio/1200.5/"_s, 4, 1, u"Cambio de domicilio"_s, u"1200.5"_s},
        {u"3/3/Renta c/decodificador/0.3/"_s, 3, 3, u"Renta c/decodificador"_s, u"0.3"_s},
    };
    for (const RecordCase& c : cases) {
        EXPECT_EQ(paidLineRecord(c.line, c.quantity, c.conceptName, c.lineTotal.toDouble()), c.record);
        const std::optional<PaidLine> paid = splitPaidLine(c.record);
        ASSERT_TRUE(paid) << c.record.toStdString();
        EXPECT_EQ(paid->line, c.line);
        EXPECT_EQ(paid->quantity, c.quantity);
        EXPECT_EQ(paid->conceptName, c.conceptName);
        EXPECT_EQ(paid->lineTotal, c.lineTotal);
    }
    EXPECT_EQ(paidLineRecord(3, 3, u"Cable"_s, 0.1 * 3), u"3/3/Cable/0.3/"_s);
    for (const QString& bad : {u""_s, u"1/2/Renta/360"_s, u"x/2/Renta/360/"_s})
        EXPECT_FALSE(splitPaidLine(bad)) << bad.toStdString();
}

TEST(ReadPrice, IgnoresThousandsSeparatorsAndRefusesText)
{
    EXPECT_EQ(readPrice(u"1,200"_s), 1200.0);
    EXPECT_EQ(readPrice(u" 1,234.5 "_s), 1234.5);
    EXPECT_EQ(readPrice(u"-5"_s), -5.0);
    EXPECT_FALSE(readPrice(u"abc"_s));
    EXPECT_FALSE(readPrice(u""_s));
}

} // namespace
} // namespace quelmar::office
