#include "panels/controlpool.h"

#include "panelsfixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace quelmar::panels {
namespace {

using quelmar::testing::PanelsTest;

TEST(ElementKindsTest, KindNamesInPoolOrderAnyCase)
{
    const QStringList kinds = {QStringLiteral("let"),    QStringLiteral("par"),   QStringLiteral("tcom"),
                               QStringLiteral("figura"), QStringLiteral("zona"),  QStringLiteral("opcion"),
                               QStringLiteral("alter"),  QStringLiteral("panel"), QStringLiteral("linea"),
                               QStringLiteral("pcap"),   QStringLiteral("cap"),   QStringLiteral("tit"),
                               QStringLiteral("lista"),  QStringLiteral("manual")};
    for (int i = 0; i < kinds.size(); ++i)
        EXPECT_EQ(kindSlot(kinds.at(i)), i + 1) << kinds.at(i).toStdString();
    EXPECT_EQ(kindSlot(QStringLiteral("TCOM")), 3);
    EXPECT_EQ(kindSlot(QStringLiteral("Figura")), 4);
    EXPECT_EQ(kindSlot(QStringLiteral("boton")), 0);
    EXPECT_EQ(familyOfSlot(2), QStringLiteral("param"));
    EXPECT_EQ(familyOfSlot(11), QStringLiteral("textouni"));
    EXPECT_EQ(familyOfSlot(15), QString());
}

TEST(ElementKindsTest, CounterArithmetic)
{
    struct Case
    {
        int counter;
        int index;
        int target;
        int after;
    };
    const Case cases[] = {
        {2, 0, 2, 1},  // index below 1: the highest
        {2, -5, 2, 1}, //
        {3, 2, 2, 3},  // a middle one leaves the counter
        {3, 3, 3, 2},  // the highest given by number
        {0, 0, 0, 0},  // never below 0
        {1, 4, 4, 1},  // above the counter: nothing to count down
    };
    for (const Case& c : cases) {
        EXPECT_EQ(unloadTarget(c.counter, c.index), c.target) << c.counter << " " << c.index;
        EXPECT_EQ(counterAfterUnload(c.counter, c.target), c.after) << c.counter << " " << c.index;
    }
}

class ControlPoolTest : public PanelsTest
{
protected:
    int load(const QString& kind)
    {
        int index = -1;
        LoadControl(session, kind, index);
        return index;
    }
    int counter(const QString& kind) const
    {
        return session.pool.ControlCounts[static_cast<std::size_t>(kindSlot(kind) - 1)];
    }
};

TEST_F(ControlPoolTest, LoadingAndUnloadingTheHighestTwiceLeavesZero)
{
    EXPECT_EQ(load(QStringLiteral("tcom")), 1);
    EXPECT_EQ(load(QStringLiteral("TCOM")), 2);
    EXPECT_EQ(counter(QStringLiteral("tcom")), 2);
    EXPECT_EQ(session.pool.lastLoaded, element(session, QStringLiteral("tcom"), 2));
    EXPECT_EQ(session.pool.lastLoaded->objectName(), QStringLiteral("tcom_2"));

    UnloadControl(session, QStringLiteral("tcom"), 0);
    EXPECT_EQ(element(session, QStringLiteral("tcom"), 2), nullptr);
    EXPECT_NE(element(session, QStringLiteral("tcom"), 1), nullptr);
    UnloadControl(session, QStringLiteral("tcom"), 0);
    EXPECT_EQ(counter(QStringLiteral("tcom")), 0);
    EXPECT_EQ(element(session, QStringLiteral("tcom"), 1), nullptr);

    UnloadControl(session, QStringLiteral("tcom"), 0);
    EXPECT_EQ(counter(QStringLiteral("tcom")), 0);
    EXPECT_NE(element(session, QStringLiteral("tcom"), 0), nullptr) << "the design-time instance stays";
}

TEST_F(ControlPoolTest, UnloadingAMiddleInstanceLeavesTheCounter)
{
    for (int i = 0; i < 3; ++i)
        load(QStringLiteral("let"));
    UnloadControl(session, QStringLiteral("let"), 2);
    EXPECT_EQ(counter(QStringLiteral("let")), 3);
    EXPECT_EQ(element(session, QStringLiteral("letrero"), 2), nullptr);
    EXPECT_EQ(load(QStringLiteral("let")), 4);
}

TEST_F(ControlPoolTest, ParFillsAndEmptiesTheParamFamily)
{
    EXPECT_EQ(load(QStringLiteral("par")), 1);
    EXPECT_NE(qobject_cast<QLabel*>(element(session, QStringLiteral("param"), 1)), nullptr);
    UnloadControl(session, QStringLiteral("par"), 1);
    EXPECT_EQ(element(session, QStringLiteral("param"), 1), nullptr);
    EXPECT_EQ(counter(QStringLiteral("par")), 0);
}

TEST_F(ControlPoolTest, UnknownKindCreatesNothing)
{
    EXPECT_EQ(load(QStringLiteral("boton")), 0);
    UnloadControl(session, QStringLiteral("boton"), 0);
    for (int count : session.pool.ControlCounts)
        EXPECT_EQ(count, 0);
}

TEST_F(ControlPoolTest, ClearElementsHidesDesignInstancesAndRemovesTheRest)
{
    load(QStringLiteral("tcom"));
    load(QStringLiteral("lista"));
    showElement(element(session, QStringLiteral("tcom"), 0));
    ClearElements(session);
    EXPECT_EQ(element(session, QStringLiteral("tcom"), 1), nullptr);
    EXPECT_EQ(element(session, QStringLiteral("listauni"), 1), nullptr);
    EXPECT_FALSE(element(session, QStringLiteral("tcom"), 0)->isVisible());
    for (int count : session.pool.ControlCounts)
        EXPECT_EQ(count, 0);
}

TEST_F(ControlPoolTest, ClearElementsLeavesEverythingWithVariant101)
{
    load(QStringLiteral("tcom"));
    session.codes.PresentationVariant = 101;
    ClearElements(session);
    EXPECT_NE(element(session, QStringLiteral("tcom"), 1), nullptr);
    EXPECT_EQ(counter(QStringLiteral("tcom")), 1);
}

TEST_F(ControlPoolTest, ElementClicksReportTheirCodes)
{
    const int button = load(QStringLiteral("tcom"));
    qobject_cast<QPushButton*>(session.pool.lastLoaded)->click();
    EXPECT_EQ(session.codes.TableCommand, 450 + button);
    EXPECT_EQ(session.dialog.ChosenButton, button);

    load(QStringLiteral("manual"));
    const int manual = load(QStringLiteral("manual"));
    qobject_cast<QPushButton*>(session.pool.lastLoaded)->click();
    EXPECT_EQ(session.codes.TableCommand, 350 + manual);

    const int picture = load(QStringLiteral("figura"));
    QWidget* image = session.pool.lastLoaded;
    showElement(image);
    image->resize(40, 40);
    QTest::mouseClick(image, Qt::LeftButton);
    EXPECT_EQ(session.codes.TableCommand, 500 + picture);

    form->chooseAsPicture(7);
    EXPECT_EQ(session.codes.TableCommand, 507);
}

TEST_F(ControlPoolTest, CheckBoxReportsOnlyWhenLeftChecked)
{
    const int index = load(QStringLiteral("alter"));
    auto* box = qobject_cast<QCheckBox*>(session.pool.lastLoaded);
    showElement(box);
    session.codes.TableCommand = 0;
    box->click();
    EXPECT_EQ(session.codes.TableCommand, index);
    session.codes.TableCommand = 0;
    box->click();
    EXPECT_EQ(session.codes.TableCommand, 0);
}

TEST_F(ControlPoolTest, PanelsAreClickableOnlyInVariant3)
{
    const int index = load(QStringLiteral("panel"));
    QWidget* panel = session.pool.lastLoaded;
    showElement(panel);
    panel->resize(40, 40);
    QTest::mouseClick(panel, Qt::LeftButton);
    EXPECT_EQ(session.codes.TableCommand, 0);
    session.codes.PresentationVariant = 3;
    QTest::mouseClick(panel, Qt::LeftButton);
    EXPECT_EQ(session.codes.TableCommand, index);
}

TEST_F(ControlPoolTest, InputFieldKeysWriteTheirCodes)
{
    QLineEdit* field = form->footerField();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->objectName(), QStringLiteral("textouni_0"));
    showElement(field);
    field->setText(QStringLiteral("algo"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(session.codes.CommandCode, 13);
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_EQ(session.codes.CommandCode, 9);
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(session.codes.CommandCode, 27);
    EXPECT_TRUE(field->text().isEmpty());
}

TEST_F(ControlPoolTest, KeyBoxIntroSetsMinusFour)
{
    QLineEdit* box = form->keyBox();
    EXPECT_EQ(box->objectName(), QStringLiteral("Texto"));
    EXPECT_EQ(box->echoMode(), QLineEdit::Password);
    showElement(box);
    QTest::keyClicks(box, QStringLiteral("clave"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(session.codes.CommandCode, -4);
    EXPECT_EQ(box->text(), QStringLiteral("clave"));
}

TEST_F(ControlPoolTest, ListsReportTheirKeys)
{
    struct Case
    {
        QListWidget* list;
        int key;
        int code;
        int listExit;
        const char* entry;
    };
    for (QListWidget* list : {form->listauni(), form->selUni(), form->listamult(), form->selMult()}) {
        list->addItem(QStringLiteral("uno"));
        list->item(0)->setData(Qt::UserRole, 7);
        list->setCurrentRow(0);
        showElement(list);
    }
    const Case cases[] = {
        {form->listauni(), Qt::Key_Return, 9, 0, "7"},  {form->listauni(), Qt::Key_Space, 9, 0, "7"},
        {form->listauni(), Qt::Key_Escape, 10, 0, ""},  {form->selUni(), Qt::Key_Return, 20, 0, "7"},
        {form->selUni(), Qt::Key_Escape, 10, 0, ""},    {form->listamult(), Qt::Key_Return, 20, 1, ""},
        {form->listamult(), Qt::Key_Escape, 10, 4, ""}, {form->selMult(), Qt::Key_Return, 20, 1, ""},
    };
    for (const Case& c : cases) {
        session.codes.CommandCode = 0;
        session.dialog.ListExit = 0;
        session.dialog.ChosenEntry.clear();
        QTest::keyClick(c.list, static_cast<Qt::Key>(c.key));
        EXPECT_EQ(session.codes.CommandCode, c.code) << c.list->objectName().toStdString() << " " << c.key;
        EXPECT_EQ(session.dialog.ListExit, c.listExit) << c.list->objectName().toStdString();
        EXPECT_EQ(session.dialog.ChosenEntry, QString::fromLatin1(c.entry))
            << c.list->objectName().toStdString();
    }
}

TEST_F(ControlPoolTest, MultipleChoiceListMirrorsItsSelection)
{
    QListWidget* list = form->listamult();
    list->addItems({QStringLiteral("  Ana"), QStringLiteral("  Luis")});
    list->item(1)->setSelected(true);
    list->item(0)->setSelected(true);
    EXPECT_EQ(session.dialog.ChosenEntries, QStringLiteral("Luis/Ana/")) << "in the order they were marked";
    list->item(1)->setSelected(false);
    EXPECT_EQ(session.dialog.ChosenEntries, QStringLiteral("Ana/"));
}

TEST_F(ControlPoolTest, TerminaEndsBothCodes)
{
    form->termina()->click();
    EXPECT_EQ(session.codes.TableCommand, -1);
    EXPECT_EQ(session.codes.CommandCode, -1);
}

TEST_F(ControlPoolTest, ZonesGrowOnlyRightAndDownWhileDragging)
{
    load(QStringLiteral("zona"));
    QWidget* zone = session.pool.lastLoaded;
    zone->setGeometry(10, 10, 30, 30);
    showElement(zone);
    session.codes.PresentationVariant = 2;
    QTest::mousePress(form.get(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
    QTest::mouseMove(form.get(), QPoint(150, 150));
    EXPECT_EQ(zone->size(), QSize(30, 30));
    QTest::mouseMove(form.get(), QPoint(260, 190));
    EXPECT_EQ(zone->size(), QSize(60, 30));
    QTest::mouseMove(form.get(), QPoint(190, 280));
    EXPECT_EQ(zone->size(), QSize(60, 80));
    QTest::mouseRelease(form.get(), Qt::LeftButton, Qt::NoModifier, QPoint(190, 280));
}

TEST_F(ControlPoolTest, MainFormIsNamedAndClosingCallsTheHook)
{
    EXPECT_EQ(form->objectName(), QStringLiteral("k"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Sistema Administrativo"));
    EXPECT_NEAR(form->widthTwips(), 14400, 30);
    int closed = 0;
    form->onClose = [&closed] { ++closed; };
    form->close();
    EXPECT_EQ(closed, 1);
}

TEST_F(ControlPoolTest, ColourSchemeOnFullColourDisplays)
{
    form->applyColourScheme();
    EXPECT_GT(session.shell.ColourCount, 256);
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(session.shell.FormColour));
    EXPECT_EQ(form->notice()->palette().color(QPalette::Window), QColor(session.shell.ItemColour));
    EXPECT_EQ(form->selUni()->palette().color(QPalette::Base), QColor(session.shell.PanelColour));
    EXPECT_EQ(session.shell.FieldColour, qRgb(215, 255, 255));
}

TEST_F(ControlPoolTest, SmallDisplaysUseTheFallbackColoursAndWhiteFields)
{
    form->applyColourScheme(256);
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(128, 64, 0));
    EXPECT_EQ(form->selUni()->palette().color(QPalette::Base), QColor(192, 128, 0));
    EXPECT_EQ(form->listamult()->palette().color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(form->notice()->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(session.shell.FieldColour, qRgb(255, 255, 255));
}

TEST_F(ControlPoolTest, SetMainFormEnabledReachesEveryControl)
{
    SetMainFormEnabled(session, false);
    EXPECT_FALSE(form->footerField()->isEnabled());
    EXPECT_FALSE(form->termina()->isEnabled());
    SetMainFormEnabled(session, true);
    EXPECT_TRUE(form->termina()->isEnabled());
}

} // namespace
} // namespace quelmar::panels
