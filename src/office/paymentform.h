#pragma once

#include "subscribers/money.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quelmar {

class Session;

// The payment form `Pagos`: a window of its own, owned by the main form, with one line per payable concept of
// the tariff. Each line i (1..N) is made of the concept name `PTipo_i`, the quantity `PCan_i` (a click with
// the left button adds one, any other button takes one away), the unit price `PPre_i` and the line total
// `PStot_i`; below the lines the sum `PTot_1` ("Total a Pagar") and the buttons `PTec_0` "&Acepta" and
// `PTec_1`
// "&Cancela", which answer through CommandCode (-1, -2) and TableCommand (1). Index 0 of every family is the
// hidden template. Lines are stacked 350 twips apart.
class PaymentForm : public QWidget
{
    Q_OBJECT

public:
    explicit PaymentForm(Session& session, QWidget* parent = nullptr);
    ~PaymentForm() override;

    // Removes every line (the templates stay).
    void clearLines();
    // Adds line N + 1 with the concept and the price text; quantity and line total "0".
    void addLine(const QString& name, const QString& priceText);
    // Places the total and the buttons below the last line and sizes the form to fit.
    void placeFooter();
    int lineCount() const { return static_cast<int>(m_lines.size()); }

    // Every line back to quantity 0, quantity enabled and line total 0; the total "0".
    void resetLines();
    // Line i (1-based): the concept, the quantity, the line total as a number.
    QString conceptName(int line) const;
    int quantity(int line) const; // 0 outside 1..N
    double lineTotal(int line) const;

    // The controls, for the payment's rules and for tests. Line i is 1-based; nullptr outside 1..N.
    QLabel* conceptLabel(int line) const;
    QLabel* quantityLabel(int line) const;
    QLineEdit* priceBox(int line) const;
    QLabel* lineTotalLabel(int line) const;
    QLabel* totalLabel() const { return m_total; }
    QPushButton* acceptButton() const { return m_accept; }
    QPushButton* cancelButton() const { return m_cancel; }

    // The form as one transcript line: "TITLE | CONCEPT: qty × price = total | … | Total a Pagar = TOTAL".
    QString transcriptLine() const;
    void writeTranscript() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Line
    {
        QLabel* conceptLabel = nullptr;
        QLabel* quantity = nullptr;
        QLineEdit* price = nullptr;
        QLabel* total = nullptr;
        int count = 0;
        double lineTotal = 0;
        QString checkedPrice; // the price text last checked after an edit
    };

    void makeTemplates();
    void placeLine(const Line& line, int index) const;
    void clickQuantity(int index, Qt::MouseButton button);
    void priceEdited(int index);
    // The line's price when it may be charged; empty after telling the user why it may not.
    std::optional<double> chargeablePrice(int index);
    // The line's total at that price when it, and the sum of all the lines with it, are amounts the office
    // can keep; empty after telling the user.
    std::optional<double> chargeableLineTotal(int index, double price);
    void setLineTotal(int index, double total);
    void updateTotal();
    void answer(int commandCode);

    Session& m_session;
    QList<Line> m_lines; // m_lines[0] is line 1
    QLabel* m_conceptTemplate = nullptr;
    QLabel* m_quantityTemplate = nullptr;
    QLineEdit* m_priceTemplate = nullptr;
    QLabel* m_totalTemplate = nullptr;
    QLabel* m_totalCaption = nullptr;
    QLabel* m_total = nullptr;
    QPushButton* m_accept = nullptr;
    QPushButton* m_cancel = nullptr;
};

namespace office {

// A price as the payment form reads it.
using subscribers::money::readPrice;

// One entry of PaidLines: the line number, "/", the quantity, "/", the concept, "/", the line total written
// as a plain number ("360", "1200.5"), "/".
QString paidLineRecord(int line, int quantity, const QString& conceptName, double lineTotal);

// An entry of PaidLines taken apart. The concept may itself hold "/" (a tariff named "Renta
// c/decodificador"): the line number and the quantity are the first two pieces, the line total the last one,
// and the concept all that lies between.
struct PaidLine
{
    int line = 0;
    int quantity = 0;
    QString conceptName;
    QString lineTotal;
};
std::optional<PaidLine> splitPaidLine(const QString& record);

// Builds the lines of the payment form (session.Pagos, made here on first use as a window of the main form)
// from the Parametros rows of the class, in the order of the index "Clase", leaving out rows whose Clave
// holds
// "@". Sets TariffLines and BaseRent. With no row of the class: "No hay Parametros para los datos de Pagos".
void LoadTariffs(Session& session, const QString& parameterClass);

// Shows the payment form for the subscriber loaded in CurrentRecordset (Nombre, Clase, Unidades, Situación…)
// and waits for "&Acepta" or "&Cancela". Leaves CommandCode -1 (accepted; PaidLines holds one record per line
// paid) or -2 (cancelled, refused or failed). It writes nothing: the payment (RegisterPayment) records the
// lines, and the connection of a "Vencido" subscriber who pays rent line 1 or 2, in one short transaction
// after the form. The form stays shown: the caller hides it.
void AskPayment(Session& session, const QString& title);

} // namespace office

} // namespace quelmar
