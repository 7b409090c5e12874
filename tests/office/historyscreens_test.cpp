// The master-detail presentation: the detail statement and its key, the placement of panel and grid, and the
// detail grid following the panel of a demonstration office, in the history screens too.
#include "engine/officefixture.h"

#include "core/datetext.h"
#include "engine/bdats.h"
#include "engine/engineservices.h"
#include "engine/gridmodel.h"
#include "engine/gridview.h"
#include "engine/masterdetail.h"
#include "office/historyscreens.h"
#include "session/twips.h"

#include <QDate>
#include <QFrame>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <utility>

namespace quelmar::engine {
namespace {

using namespace Qt::StringLiterals;
namespace jettype = db::jettype;
using masterdetail::Placement;

TEST(MasterDetailRules, theDetailStatementTakesTheKeyAsItsTypeAsks)
{
    struct Case
    {
        const char* name;
        QString detailKey;
        QString masterKey;
        QString order;
        int keyType;
        QVariant key;
        QString statement; // empty: the record has no key and the detail stays as it was
    };
    const QString payments = QStringLiteral("SELECT Pagos.Fecha, Pagos.Cantidad FROM Pagos WHERE ");
    const QList<Case> cases{
        {"a number as it is", QStringLiteral("Pagos.Suscriptor"), QStringLiteral("Suscriptores.Clave"),
         QStringLiteral("ORDER BY Pagos.Fecha Desc"), jettype::Long, 17,
         payments + QStringLiteral("Pagos.Suscriptor = 17 ORDER BY Pagos.Fecha Desc")},
        {"a text between quotes", QStringLiteral("Pagos.Observaciones"), QStringLiteral("Suscriptores.Poste"),
         QString(), jettype::Text, QStringLiteral("P-12"),
         payments + QStringLiteral("Pagos.Observaciones = 'P-12'")},
        {"a quote inside a text doubled", QStringLiteral("Pagos.Observaciones"), QStringLiteral("Nombre"),
         QString(), jettype::Text, QStringLiteral("O'Brien"),
         payments + QStringLiteral("Pagos.Observaciones = 'O''Brien'")},
        {"a memo quoted like a text", QStringLiteral("Pagos.Observaciones"), QStringLiteral("T.Nota"),
         QString(), jettype::Memo, QStringLiteral("dice 'hola'"),
         payments + QStringLiteral("Pagos.Observaciones = 'dice ''hola'''")},
        {"a date as a literal", QStringLiteral("Pagos.Fecha"), QStringLiteral("Suscriptores.Vencimiento"),
         QStringLiteral("ORDER BY Pagos.Cantidad"), jettype::Date, QDate(2026, 3, 9),
         payments + QStringLiteral("Pagos.Fecha = #03-09-2026# ORDER BY Pagos.Cantidad")},
        {"a date kept as text", QStringLiteral("Pagos.Fecha"), QStringLiteral("Vencimiento"), QString(),
         jettype::Date, QStringLiteral("2026-12-10"),
         payments + QStringLiteral("Pagos.Fecha = #12-10-2026#")},
        {"a fraction", QStringLiteral(" Pagos.Cantidad"), QStringLiteral("X.Importe"), QString(),
         jettype::Double, 12.5, payments + QStringLiteral(" Pagos.Cantidad = 12.5")},
        {"a Null key", QStringLiteral("Pagos.Suscriptor"), QStringLiteral("Suscriptores.Clave"), QString(),
         jettype::Long, QVariant(), QString()},
        {"an empty text", QStringLiteral("Pagos.Observaciones"), QStringLiteral("Suscriptores.Poste"),
         QString(), jettype::Text, QString(), QString()},
    };
    for (const Case& c : cases) {
        const QString detailSql = masterdetail::detailSql(
            QStringLiteral("Pagos"), QStringLiteral("Pagos.Fecha, Pagos.Cantidad"), c.detailKey);
        const QString key = masterdetail::keyLiteral(c.keyType, c.key);
        EXPECT_EQ(key.isEmpty(), c.statement.isEmpty()) << c.name;
        if (!key.isEmpty()) {
            EXPECT_EQ(masterdetail::detailStatement(detailSql, key, c.order + u' '), c.statement) << c.name;
        }
    }
    EXPECT_EQ(masterdetail::masterKeyField(QStringLiteral("Suscriptores.Clave")), QStringLiteral("Clave"));
    EXPECT_EQ(masterdetail::masterKeyField(QStringLiteral(" Clave ")), QStringLiteral("Clave"));
    EXPECT_EQ(masterdetail::masterKeyField(QStringLiteral("Situación.[Cambiado por]")),
              QStringLiteral("[Cambiado por]"));
}

TEST(MasterDetailRules, detailColumnsShowWholeNumbersGroupedAndKeepTheDecimalsOfMoney)
{
    struct Case
    {
        int type;
        QString fieldFormat;
        bool readOnly;
        QString format;
    };
    const QString money = QStringLiteral("###,###,###,##0.00");
    for (const Case& c : {Case{jettype::Long, QStringLiteral("###,###,##0"), true, u"###,###,###,###"_s},
                          Case{jettype::Integer, QStringLiteral("#,##0"), true, u"###,###,###,###"_s},
                          Case{jettype::Currency, money, true, money},
                          Case{jettype::Date, QStringLiteral("dd-mmm-yy"), true, u"dd-mmm-yyyy"_s},
                          Case{jettype::Text, QString(), true, QString()},
                          Case{jettype::Boolean, QString(), true, u"Yes/No"_s},
                          Case{jettype::Long, QStringLiteral("###,###,##0"), false, QString()},
                          Case{jettype::Currency, money, false, QString()}})
        EXPECT_EQ(masterdetail::columnFormat(c.type, c.fieldFormat, c.readOnly), c.format) << c.type;
}

TEST(MasterDetailRules, theGridGoesBelowThePanelWhichMovesUpWhenBothDoNotFit)
{
    struct Case
    {
        const char* name;
        int formHeight;
        int panelTop;
        int panelHeight;
        Placement placement;
    };
    const QList<Case> cases{
        {"both fit", 10500, 400, 3900, {400, 4450, 4750}},
        {"too tall, much free", 9000, 4000, 3000, {1675, 4825, 2875}},
        {"too tall, little free", 6000, 400, 3000, {100, 3250, 1450}},
        {"no room at all: the grid keeps its least height", 5000, 400, 3000, {100, 3250, 1200}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(masterdetail::placement(c.formHeight, c.panelTop, c.panelHeight), c.placement) << c.name;
}

// Records what the engine asks of printing.
class PrintRecorder : public EngineServices
{
public:
    void RepImp(Session&, const QString& request) override { requests.append(request); }
    QStringList requests;
};

class MasterDetailTest : public testing::EngineTest
{
protected:
    GridView& view() { return grid(session); }
    GridModel& model() { return *grid(session).model(); }

    // At the next wait, runs the step on the screen shown.
    void onScreen(std::function<void()> step)
    {
        user.then([step = std::move(step)](const WaitContext&) { step(); });
    }

    QVariant panelValue(const QString& field) { return session.engine.PanelRecordset->value(field); }

    // The cells of one column of the grid, sorted.
    QStringList column(int index)
    {
        QStringList cells;
        for (int row = 0; row < model().rowCount(); ++row)
            cells.append(model().cellText(row, index));
        cells.sort();
        return cells;
    }
    QStringList valuesOf(const QString& sql)
    {
        db::DbError error;
        auto rows = session.database.CurrentDatabase->openRecordset(sql, db::RecordsetType::Snapshot, error);
        QStringList values;
        for (; rows && !rows->eof(); rows->moveNext())
            values.append(rows->value(0).toString());
        values.sort();
        return values;
    }

    // The grid shows the payments of the panel's subscriber, latest first.
    void expectPaymentsOfPanelSubscriber()
    {
        const QString key = panelValue(QStringLiteral("Clave")).toString();
        ASSERT_FALSE(key.isEmpty());
        const QString where = QStringLiteral(" FROM Pagos WHERE Suscriptor = ") + key;
        EXPECT_TRUE(view().isShown());
        EXPECT_EQ(model().rowCount(), scalar(QStringLiteral("SELECT Count(*)") + where).toInt())
            << key.toStdString();
        EXPECT_EQ(column(1), valuesOf(QStringLiteral("SELECT Concepto") + where)) << key.toStdString();
        if (model().rowCount() > 0) {
            EXPECT_EQ(model().cellText(0, 0),
                      datetext::dayMonthYear(scalar(QStringLiteral("SELECT Max(Fecha)") + where).toDate()));
        }
    }

    int panelBottomTwips()
    {
        const QFrame* frame = form->fixedPanel();
        return twips::fromPixels(frame->y() + frame->height());
    }
};

TEST_F(MasterDetailTest, thePaymentHistoryFollowsThePanelFromSubscriberToSubscriber)
{
    QString firstKey;
    onScreen([&] {
        firstKey = panelValue(QStringLiteral("Clave")).toString();
        EXPECT_EQ(session.engine.MasterDetail, 1);
        expectPaymentsOfPanelSubscriber();
        EXPECT_EQ(model().caption(0), QStringLiteral("Fecha"));
        EXPECT_GE(view().geometryTwips().top(), panelBottomTwips() + masterdetail::GapBelowPanel);
        EXPECT_GE(view().geometryTwips().height(), masterdetail::MinimumGridHeight);
        moveRecord(QStringLiteral("next"));
    });
    onScreen([&] {
        EXPECT_NE(panelValue(QStringLiteral("Clave")).toString(), firstKey);
        expectPaymentsOfPanelSubscriber();
        press(QStringLiteral("&Termina"));
    });
    office::PaymentHistory(session);
    EXPECT_TRUE(user.actions.isEmpty());
    // Each record shown had its payments written out.
    EXPECT_EQ(transcript(QStringLiteral("grid"))
                  .filter(QStringLiteral("[grid] columnas | Fecha | Concepto"))
                  .size(),
              2);
    EXPECT_EQ(session.engine.MasterDetail, 0);
    EXPECT_TRUE(session.engine.DetailSQL.isEmpty());
    EXPECT_TRUE(session.engine.MasterKeyField.isEmpty());
    EXPECT_FALSE(view().isShown());
    EXPECT_FALSE(form->fixedPanel()->isVisible());
}

TEST_F(MasterDetailTest, eachHistoryScreenShowsTheHistoryOfTheSubscriberOnThePanel)
{
    struct Case
    {
        const char* name;
        std::function<void(Session&)> screen;
        QString panelCaption;
        QString columns;
        QString count; // the statement counting the rows of a subscriber, whose key follows
    };
    const QList<Case> cases{
        {"payments", office::PaymentHistory, QStringLiteral("[panel] SUSCRIPTORES |"),
         QStringLiteral("[grid] columnas | Fecha | Concepto | Cantidad | Observaciones | Ticket"),
         QStringLiteral("SELECT Count(*) FROM Pagos WHERE Suscriptor = ")},
        {"status", office::StatusHistory, QStringLiteral("[panel] Historial de Situación |"),
         QStringLiteral("[grid] columnas | Situación Anterior | Fecha | Clase | Unidades | Cambiado por | "
                        "Vencimiento | Nota"),
         QStringLiteral("SELECT Count(*) FROM Situación WHERE Suscriptor = ")},
        {"complaints", office::ComplaintHistory, QStringLiteral("[panel] Historial de Quejas |"),
         QStringLiteral("[grid] columnas | Descripción | Recibida | Origen | Solución | Fecha"),
         QStringLiteral("SELECT Count(*) FROM Quejas WHERE Cliente = ")},
    };
    for (const Case& c : cases) {
        session.transcript.mark();
        onScreen([&] {
            EXPECT_EQ(model().rowCount(),
                      scalar(c.count + panelValue(QStringLiteral("Clave")).toString()).toInt())
                << c.name;
            // The panel sits at the top, the history below it.
            EXPECT_EQ(twips::toPixels(100), form->fixedPanel()->y()) << c.name;
            EXPECT_GE(view().geometryTwips().top(), panelBottomTwips()) << c.name;
            press(QStringLiteral("&Termina"));
        });
        c.screen(session);
        EXPECT_TRUE(transcript(QStringLiteral("panel")).value(0).startsWith(c.panelCaption)) << c.name;
        EXPECT_TRUE(transcript(QStringLiteral("grid")).contains(c.columns))
            << c.name << transcript(QStringLiteral("grid")).join(u'\n').toStdString();
        EXPECT_EQ(session.engine.MasterDetail, 0) << c.name;
        EXPECT_FALSE(view().isShown()) << c.name;
    }
}

TEST_F(MasterDetailTest, aTextKeyWithAQuoteFindsItsRowsAndAnEmptyKeyLeavesTheDetailAsItWas)
{
    // The first two subscribers: one on a post whose name has a quote, one on no post at all.
    const QString first = scalar(QStringLiteral("SELECT Min(Clave) FROM Suscriptores")).toString();
    const QString second =
        scalar(QStringLiteral("SELECT Min(Clave) FROM Suscriptores WHERE Clave > ") + first).toString();
    ASSERT_FALSE(session.database.CurrentDatabase->execute(
        QStringLiteral("UPDATE Suscriptores SET Poste = ? WHERE Clave = ") + first,
        {QStringLiteral("O'Neil 4")}));
    ASSERT_FALSE(session.database.CurrentDatabase->execute(
        QStringLiteral("UPDATE Suscriptores SET Poste = Null WHERE Clave = ") + second));
    const QString statement =
        QStringLiteral("SELECT Suscriptores.Clave, Suscriptores.Nombre, Suscriptores.Poste FROM Suscriptores "
                       "WHERE Clave <= ") +
        second + QStringLiteral(" ORDER BY Clave");
    session.codes.CommandCode = 1010;
    BDats(session, QStringLiteral("Presenta"), 1, QStringLiteral("Postes"), statement);
    ASSERT_EQ(session.codes.EngineStatus, 0);
    MtroDet(session, QStringLiteral("Pres"), QStringLiteral("Suscriptores"),
            QStringLiteral("Suscriptores.Nombre, Suscriptores.Poste"), QStringLiteral("Suscriptores.Poste"),
            QStringLiteral("Suscriptores.Poste"), QString());
    ASSERT_TRUE(view().isShown());
    ASSERT_EQ(model().rowCount(), 1);
    EXPECT_EQ(model().cellText(0, 1), QStringLiteral("O'Neil 4"));
    const QString caption = view().caption();
    session.transcript.mark();
    onScreen([&] {
        moveRecord(QStringLiteral("next"));
        EXPECT_EQ(panelValue(QStringLiteral("Clave")).toString(), second);
        EXPECT_EQ(model().rowCount(), 1);
        EXPECT_EQ(model().cellText(0, 1), QStringLiteral("O'Neil 4"));
        EXPECT_EQ(view().caption(), caption);
        press(QStringLiteral("&Termina"));
    });
    BDats(session, QStringLiteral("PresFin"), 1, QString(), statement);
    EXPECT_TRUE(transcript(QStringLiteral("grid")).isEmpty());
    EndMasterDetail(session);
}

TEST_F(MasterDetailTest, anEditableDetailWritesTheRowBeingTypedBeforeItFollowsThePanel)
{
    const QString statement = QStringLiteral("SELECT Clave, Nombre FROM Suscriptores ORDER BY Clave");
    session.codes.CommandCode = 1010;
    BDats(session, QStringLiteral("Presenta"), 1, QStringLiteral("Suscriptores"), statement);
    const QString key = panelValue(QStringLiteral("Clave")).toString();
    MtroDet(session, QStringLiteral("Edi"), QStringLiteral("Pagos"),
            QStringLiteral("Pagos.Concepto, Pagos.Observaciones"), QStringLiteral("Pagos.Suscriptor"),
            QStringLiteral("Suscriptores.Clave"), QStringLiteral("ORDER BY Pagos.Fecha"));
    ASSERT_GT(model().rowCount(), 0);
    onScreen([&] {
        EXPECT_TRUE(model().flags(model().index(0, 1)) & Qt::ItemIsEditable);
        EXPECT_TRUE(model().setData(model().index(0, 1), QStringLiteral("Pagó en ventanilla")));
        moveRecord(QStringLiteral("next"));
        press(QStringLiteral("&Termina"));
    });
    BDats(session, QStringLiteral("PresFin"), 1, QString(), statement);
    EndMasterDetail(session);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Observaciones = 'Pagó en ventanilla' "
                                    "AND Suscriptor = ") +
                     key)
                  .toInt(),
              1);
}

TEST_F(MasterDetailTest, aFaultyDetailStatementIsShownAndReported)
{
    session.codes.CommandCode = 1010;
    BDats(session, QStringLiteral("Presenta"), 1, QStringLiteral("Suscriptores"),
          QStringLiteral("SELECT Clave, Nombre FROM Suscriptores"));
    const QString key = panelValue(QStringLiteral("Clave")).toString();
    user.answer(QStringLiteral("OK")); // "Error en SQL."
    user.answer(QStringLiteral("OK")); // the error report
    session.transcript.mark();
    // The error log goes to a folder of the test's own.
    QTemporaryDir logFolder;
    const QDir workingFolder = std::exchange(session.shell.WorkingFolder, QDir(logFolder.path()));
    MtroDet(session, QStringLiteral("Pres"), QStringLiteral("Pagos"), QStringLiteral("Pagos.Nada"),
            QStringLiteral("Pagos.Suscriptor"), QStringLiteral("Suscriptores.Clave"), QString());
    session.shell.WorkingFolder = workingFolder;
    EXPECT_TRUE(user.actions.isEmpty());
    const QStringList messages = transcript(QStringLiteral("message"));
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.constFirst().contains(
        QStringLiteral("Error en SQL. / SELECT Pagos.Nada FROM Pagos WHERE Pagos.Suscriptor = ") + key))
        << messages.join(u'\n').toStdString();
    EXPECT_EQ(model().rowCount(), 0);
    EndMasterDetail(session);
}

TEST_F(MasterDetailTest, aFixedKeyShowsItsRowsAndFinPrintsPanelAndGridOnOneSheetThenEnds)
{
    auto printing = std::make_shared<PrintRecorder>();
    session.engine.services = printing;
    session.codes.CommandCode = 1010;
    BDats(session, QStringLiteral("Presenta"), 1, QStringLiteral("Suscriptores"),
          QStringLiteral("SELECT Clave, Nombre FROM Suscriptores"));
    const QString key = scalar(QStringLiteral("SELECT Max(Suscriptor) FROM Pagos")).toString();
    MtroDet(session, QStringLiteral("DCap"), QStringLiteral("Pagos"), QStringLiteral("Concepto, Cantidad"),
            QStringLiteral("Suscriptor"), key, QString());
    EXPECT_EQ(session.engine.MasterDetail, 2);
    EXPECT_TRUE(view().isShown());
    EXPECT_EQ(model().rowCount(),
              scalar(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Suscriptor = ") + key).toInt());
    // A fixed key does not follow the panel.
    const QString caption = view().caption();
    MDSinc(session);
    EXPECT_EQ(view().caption(), caption);

    onScreen([&] { press(QStringLiteral("&Imprime")); });
    onScreen([&] { press(QStringLiteral("&Termina")); });
    MtroDet(session, QStringLiteral("Fin"), QString(), QString(), QString(), QString(), QString());
    EXPECT_EQ(printing->requests, (QStringList{u"Ini"_s, u"Panel"_s, u"Top"_s, u"Tab"_s, u"Fin"_s}));
    EXPECT_EQ(session.engine.MasterDetail, 0);
    EXPECT_FALSE(view().isShown());
    EXPECT_FALSE(form->termina()->isVisible());
    EXPECT_FALSE(form->fixedPanel()->isVisible());
}

} // namespace
} // namespace quelmar::engine
