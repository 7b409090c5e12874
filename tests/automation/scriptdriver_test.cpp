#include "app/automation/scriptdriver.h"
#include "session/session.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

using quelmar::Session;
using quelmar::WaitContext;
using quelmar::WaitKind;
using quelmar::automation::Script;
using quelmar::automation::ScriptDriver;

namespace {

// A wait of the program as the driver sees it; its respond() records the answers it is given.
struct FakeWait
{
    QStringList answers;
    bool accepts = true;

    WaitContext context(const QString& description, WaitKind kind = WaitKind::Menu)
    {
        WaitContext wait;
        wait.kind = kind;
        wait.description = description;
        wait.respond = [this](const QString& verb, const QString& argument) {
            answers.append(verb + QLatin1Char(' ') + argument);
            return accepts;
        };
        return wait;
    }
};

class ScriptDriverTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        ASSERT_TRUE(session.transcript.open(m_folder.filePath(QStringLiteral("transcript.txt"))));
    }

    ScriptDriver& play(const char* text)
    {
        QString error;
        auto script = Script::parse(QString::fromUtf8(text), &error);
        EXPECT_TRUE(script) << error.toStdString();
        m_driver = std::make_unique<ScriptDriver>(session, script.value_or(Script()),
                                                  [this](int status) { exits.append(status); });
        m_driver->install();
        return *m_driver;
    }

    QStringList transcript() const
    {
        QFile file(m_folder.filePath(QStringLiteral("transcript.txt")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QString lastLine() const { return transcript().value(transcript().size() - 1); }

    Session session;
    QList<int> exits;

private:
    QTemporaryDir m_folder;
    std::unique_ptr<ScriptDriver> m_driver;
};

TEST_F(ScriptDriverTest, appliesActionsInOrderUpToTheOneThatEndsTheWait)
{
    ScriptDriver& driver = play("expect Principal\nmenu 2\nanswer Yes\nchoose 1 3\nchoose \"Norte\"\n");
    session.transcript.write(QStringLiteral("menu"), QStringLiteral("Principal | 1 Pagos"));
    FakeWait wait;

    driver.act(wait.context(QStringLiteral("menú")));
    EXPECT_EQ(wait.answers, QStringList{QStringLiteral("menu 2")});
    driver.act(wait.context(QStringLiteral("pregunta"), WaitKind::MessageBox));
    driver.act(wait.context(QStringLiteral("lista"), WaitKind::List));
    driver.act(wait.context(QStringLiteral("lista"), WaitKind::List));
    EXPECT_EQ(wait.answers, (QStringList{QStringLiteral("menu 2"), QStringLiteral("answer Yes"),
                                         QStringLiteral("choose 1 3"), QStringLiteral("choose \"Norte\"")}));
    EXPECT_TRUE(exits.isEmpty());
}

TEST_F(ScriptDriverTest, aScriptThatRunsOutWhileTheProgramWaitsEndsWithStatus3)
{
    ScriptDriver& driver = play("menu 1\n");
    FakeWait wait;
    driver.act(wait.context(QStringLiteral("Menú Principal")));
    driver.act(wait.context(QStringLiteral("Elige la Sucursal"), WaitKind::List));
    EXPECT_EQ(exits, QList<int>{3});
    EXPECT_EQ(lastLine(), QStringLiteral("[wait] Elige la Sucursal"));
}

TEST_F(ScriptDriverTest, anAnswerThatDoesNotFitTheWaitEndsWithStatus4)
{
    ScriptDriver& driver = play("# first\nanswer Retry\n");
    FakeWait wait;
    wait.accepts = false;
    driver.act(wait.context(QStringLiteral("AVISO: Hecho"), WaitKind::MessageBox));
    EXPECT_EQ(exits, QList<int>{4});
    EXPECT_EQ(lastLine(),
              QStringLiteral("[error] línea 2 «answer Retry»: no corresponde a la espera (AVISO: Hecho)"));
}

TEST_F(ScriptDriverTest, anAccessKeyThatDoesNotFitItsWaitIsNeverWrittenInClear)
{
    ScriptDriver& driver = play("answer gerencia\n");
    FakeWait wait;
    wait.accepts = false;
    driver.act(wait.context(QStringLiteral("la clave de acceso"), WaitKind::AccessKey));
    EXPECT_EQ(exits, QList<int>{4});
    EXPECT_EQ(
        lastLine(),
        QStringLiteral("[error] línea 1 «answer ********»: no corresponde a la espera (la clave de acceso)"));
}

TEST_F(ScriptDriverTest, aWaitThatTakesNoAnswersEndsWithStatus4)
{
    ScriptDriver& driver = play("menu 3\n");
    WaitContext screen;
    screen.description = QStringLiteral("pantalla de pagos");
    driver.act(screen);
    EXPECT_EQ(exits, QList<int>{4});
    EXPECT_TRUE(
        lastLine().startsWith(QStringLiteral("[error] línea 1 «menu 3»: la espera no admite respuestas")));
}

TEST_F(ScriptDriverTest, expectLooksOnlyAtWhatWasWrittenSinceThePreviousExpect)
{
    ScriptDriver& driver = play("expect Disco lleno\nexpect Disco lleno\n");
    session.transcript.write(QStringLiteral("question"), QStringLiteral("Aviso de Error: Disco lleno"));
    FakeWait wait;
    driver.act(wait.context(QStringLiteral("Aviso de Error")));
    EXPECT_EQ(exits, QList<int>{1});
    EXPECT_EQ(lastLine(), QStringLiteral("[expect] no se encontró: Disco lleno"));
    EXPECT_EQ(driver.status(), 1);
}

TEST_F(ScriptDriverTest, theProgramsOwnEndSettlesTheStatus)
{
    struct Case
    {
        const char* script;
        int consumed; // actions applied at the one wait before the program ends
        int status;
        const char* lastLine;
    };
    const Case cases[] = {
        {"menu 98\n", 1, 0, "[menu] Fin"},
        {"menu 98\nexpect Fin\n", 1, 0, "[menu] Fin"},
        {"menu 98\nexpect Nada\n", 1, 1, "[expect] no se encontró: Nada"},
        {"menu 98\nmenu 98\n", 1, 4, "[error] línea 2 «menu 98»: el programa terminó antes de esta acción"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        exits.clear();
        ScriptDriver& driver = play(c.script);
        FakeWait wait;
        driver.act(wait.context(QStringLiteral("menú")));
        session.transcript.write(QStringLiteral("menu"), QStringLiteral("Fin"));
        session.exitProcess(0);
        EXPECT_EQ(exits, QList<int>{c.status});
        EXPECT_EQ(lastLine().toStdString(), c.lastLine);
    }
}

TEST_F(ScriptDriverTest, aFailureClosesTheProgramThroughItsShutdownAndKeepsItsStatus)
{
    ScriptDriver& driver = play("answer Yes\n");
    int shutdowns = 0;
    driver.setShutdown([this, &shutdowns] {
        ++shutdowns;
        session.exitProcess(0);
    });
    FakeWait wait;
    wait.accepts = false;
    driver.act(wait.context(QStringLiteral("pregunta"), WaitKind::MessageBox));
    EXPECT_EQ(shutdowns, 1);
    EXPECT_EQ(exits, QList<int>{4});

    // A message shown while the program closes cannot be answered any more: the run ends at once.
    driver.act(wait.context(QStringLiteral("otra pregunta"), WaitKind::MessageBox));
    EXPECT_EQ(exits, (QList<int>{4, 4}));
    EXPECT_EQ(shutdowns, 1);
}

// Screen actions on real widgets.

class ScreenActionsTest : public ScriptDriverTest
{
protected:
    // Plays the script at that many waits of the screen shown.
    void actOnScreen(const char* text, int waits = 1)
    {
        ScriptDriver& driver = play(text);
        FakeWait wait;
        for (int i = 0; i < waits; ++i) {
            driver.act(wait.context(QStringLiteral("pantalla"), WaitKind::Screen));
            QCoreApplication::processEvents();
        }
    }

    static void showAndActivate(QWidget& window)
    {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
};

TEST_F(ScreenActionsTest, pressClicksTheModalDialogsButtonFirstAndNamesAMissingOne)
{
    QWidget form;
    auto* formButton = new QPushButton(QStringLiteral("&Aceptar"), &form);
    showAndActivate(form);
    QDialog dialog(&form);
    auto* dialogButton = new QPushButton(QStringLiteral("Acep&tar"), &dialog);
    auto* disabled = new QPushButton(QStringLiteral("Borrar"), &dialog);
    disabled->setEnabled(false);
    dialog.setLayout(new QVBoxLayout);
    dialog.layout()->addWidget(dialogButton);
    dialog.layout()->addWidget(disabled);
    dialog.open();
    QSignalSpy formClicks(formButton, &QPushButton::clicked);
    QSignalSpy dialogClicks(dialogButton, &QPushButton::clicked);

    actOnScreen("press aceptar\npress Borrar\n", 2);
    EXPECT_EQ(dialogClicks.count(), 1);
    EXPECT_EQ(formClicks.count(), 0);
    EXPECT_EQ(lastLine(),
              QStringLiteral("[error] línea 2 «press Borrar»: el botón «Borrar» está deshabilitado"));

    exits.clear();
    actOnScreen("press NoExiste\n");
    EXPECT_EQ(exits, QList<int>{4});
    EXPECT_EQ(lastLine(),
              QStringLiteral("[error] línea 1 «press NoExiste»: no hay ningún botón «NoExiste» en pantalla"));
}

TEST_F(ScreenActionsTest, keyGoesToTheControlThatHasTheFocus)
{
    QWidget form;
    auto* other = new QLineEdit(&form);
    auto* field = new QLineEdit(&form);
    form.setLayout(new QVBoxLayout);
    form.layout()->addWidget(other);
    form.layout()->addWidget(field);
    showAndActivate(form);
    field->setFocus();
    QSignalSpy returns(field, &QLineEdit::returnPressed);

    actOnScreen("key Enter\nkey Tab\n", 2);
    EXPECT_EQ(returns.count(), 1);
    EXPECT_NE(QApplication::focusWidget(), field); // TAB moved the focus on
    EXPECT_TRUE(exits.isEmpty());
}

TEST_F(ScreenActionsTest, setTypesIntoTheNamedFieldAndLeavesIt)
{
    QWidget form;
    auto* name = new QLineEdit(&form);
    name->setProperty("fieldName", QStringLiteral("Nombre"));
    name->setText(QStringLiteral("viejo"));
    auto* phoneLabel = new QLabel(QStringLiteral("&Teléfono:"), &form);
    auto* phone = new QLineEdit(&form);
    phone->setInputMask(QStringLiteral("99-99"));
    phoneLabel->setBuddy(phone);
    form.setLayout(new QVBoxLayout);
    for (QWidget* widget :
         {static_cast<QWidget*>(name), static_cast<QWidget*>(phoneLabel), static_cast<QWidget*>(phone)})
        form.layout()->addWidget(widget);
    showAndActivate(form);
    QSignalSpy left(name, &QLineEdit::editingFinished);

    actOnScreen("set nombre Ana Pérez\nset Teléfono 1234\nset Dirección Calle 5\n");
    EXPECT_EQ(name->text(), QStringLiteral("Ana Pérez"));
    EXPECT_GE(left.count(), 1);
    EXPECT_EQ(phone->text(), QStringLiteral("12-34"));
    EXPECT_EQ(exits, QList<int>{4});
    EXPECT_EQ(lastLine(),
              QStringLiteral(
                  "[error] línea 3 «set Dirección Calle 5»: no hay ningún campo «Dirección» en pantalla"));
}

TEST_F(ScreenActionsTest, pickChoosesAnEntryOfTheFieldsList)
{
    QWidget form;
    auto* status = new QComboBox(&form);
    status->setProperty("fieldName", QStringLiteral("Situación"));
    status->addItems({QStringLiteral("conectado"), QStringLiteral("cortado")});
    auto* service = new QListWidget(&form);
    service->setProperty("fieldName", QStringLiteral("Servicio"));
    service->addItems({QStringLiteral("básico"), QStringLiteral("completo"), QStringLiteral("premium")});
    form.setLayout(new QVBoxLayout);
    form.layout()->addWidget(status);
    form.layout()->addWidget(service);
    showAndActivate(form);
    QSignalSpy activated(status, &QComboBox::activated);

    actOnScreen("pick Situación 2\npick servicio 3\npick Servicio 4\n");
    EXPECT_EQ(status->currentIndex(), 1);
    EXPECT_EQ(activated.count(), 1);
    EXPECT_EQ(service->currentRow(), 2);
    EXPECT_EQ(exits, QList<int>{4});
    EXPECT_EQ(lastLine(),
              QStringLiteral("[error] línea 3 «pick Servicio 4»: la lista del campo «Servicio» tiene 3 "
                             "entradas; no existe la 4"));
}

TEST_F(ScreenActionsTest, gridActionsWorkOnTheGridShown)
{
    QWidget form;
    QStandardItemModel model(3, 2);
    model.setHorizontalHeaderLabels({QStringLiteral("Nombre"), QStringLiteral("Cuota")});
    for (int row = 0; row < 3; ++row) {
        model.setItem(row, 0, new QStandardItem(QStringLiteral("abonado %1").arg(row + 1)));
        model.setItem(row, 1, new QStandardItem(QStringLiteral("100")));
    }
    auto* grid = new QTableView(&form);
    grid->setObjectName(QStringLiteral("TabSec"));
    grid->setModel(&model);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers); // a double click chooses the row
    form.setLayout(new QVBoxLayout);
    form.layout()->addWidget(grid);
    showAndActivate(form);
    QSignalSpy doubleClicks(grid, &QTableView::doubleClicked);

    actOnScreen("row 2\ncell 3 cuota 250\ndblclick\n");
    EXPECT_EQ(model.item(2, 1)->text(), QStringLiteral("250"));
    ASSERT_EQ(doubleClicks.count(), 1);
    EXPECT_EQ(doubleClicks.at(0).at(0).toModelIndex().row(), 2);

    actOnScreen("row 2\nmenu 1\n");
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_TRUE(exits.isEmpty());

    for (const char* bad : {"row 9\n", "cell 1 Saldo 3\n"}) {
        exits.clear();
        actOnScreen(bad);
        EXPECT_EQ(exits, QList<int>{4}) << bad;
    }
    EXPECT_EQ(
        lastLine(),
        QStringLiteral("[error] línea 1 «cell 1 Saldo 3»: la tabla TabSec no tiene la columna «Saldo»"));
}

// Records the mouse buttons pressed on it.
class MouseTarget : public QWidget
{
public:
    using QWidget::QWidget;
    QList<Qt::MouseButton> presses;

protected:
    void mousePressEvent(QMouseEvent* event) override { presses.append(event->button()); }
};

TEST_F(ScreenActionsTest, clickAndRecordReachElementsByFamilyAndIndex)
{
    QWidget form;
    auto* target = new MouseTarget(&form);
    target->setProperty("elementFamily", QStringLiteral("PCan"));
    target->setProperty("elementIndex", 2);
    auto* next = new QPushButton(QStringLiteral(">"), &form);
    next->setProperty("record", QStringLiteral("next"));
    auto* command = new QPushButton(QStringLiteral("Uno"), &form);
    command->setObjectName(QStringLiteral("tcom_1"));
    form.setLayout(new QVBoxLayout);
    for (QWidget* widget :
         {static_cast<QWidget*>(target), static_cast<QWidget*>(next), static_cast<QWidget*>(command)})
        form.layout()->addWidget(widget);
    showAndActivate(form);
    QSignalSpy nextClicks(next, &QPushButton::clicked);
    QSignalSpy commandClicks(command, &QPushButton::clicked);

    actOnScreen("click PCan 2\nclick pcan 2 right\nrecord next\nclick tcom 1\nrecord last\n");
    EXPECT_EQ(target->presses, (QList<Qt::MouseButton>{Qt::LeftButton, Qt::RightButton}));
    EXPECT_EQ(nextClicks.count(), 1);
    EXPECT_EQ(commandClicks.count(), 1);
    EXPECT_EQ(exits, QList<int>{4});
    EXPECT_EQ(
        lastLine(),
        QStringLiteral("[error] línea 5 «record last»: no hay ningún navegador de registros en pantalla"));
}

TEST_F(ScreenActionsTest, dumpWritesWhatTheWindowsShow)
{
    QWidget form;
    form.setWindowTitle(QStringLiteral("Sistema Administrativo"));
    auto* label = new QLabel(QStringLiteral("Cobro del mes"), &form);
    auto* field = new QLineEdit(QStringLiteral("Ana"), &form);
    field->setProperty("fieldName", QStringLiteral("Nombre"));
    auto* button = new QPushButton(QStringLiteral("&Termina"), &form);
    auto* list = new QListWidget(&form);
    list->addItems({QStringLiteral("  uno"), QStringLiteral("  dos")});
    list->setObjectName(QStringLiteral("listauni"));
    auto* key = new QLineEdit(QStringLiteral("gerencia"), &form);
    key->setObjectName(QStringLiteral("Texto"));
    key->setEchoMode(QLineEdit::Password);
    auto* hidden = new QLineEdit(QStringLiteral("secreto"), &form);
    hidden->setObjectName(QStringLiteral("Oculto"));
    hidden->setEchoMode(QLineEdit::NoEcho);
    form.setLayout(new QVBoxLayout);
    for (QWidget* widget :
         {static_cast<QWidget*>(label), static_cast<QWidget*>(field), static_cast<QWidget*>(button),
          static_cast<QWidget*>(list), static_cast<QWidget*>(key), static_cast<QWidget*>(hidden)})
        form.layout()->addWidget(widget);
    showAndActivate(form);

    actOnScreen("dump\n");
    const QStringList lines = transcript();
    EXPECT_TRUE(lines.contains(QStringLiteral("[dump] window QWidget: Sistema Administrativo")));
    EXPECT_TRUE(lines.contains(QStringLiteral("[dump] label Cobro del mes")));
    EXPECT_TRUE(lines.contains(QStringLiteral("[dump] field Nombre = Ana")));
    EXPECT_TRUE(lines.contains(QStringLiteral("[dump] button [Termina]")));
    EXPECT_TRUE(lines.contains(QStringLiteral("[dump] list listauni | 1 uno | 2 dos")));
    // A field that hides what is typed is written as it shows it.
    EXPECT_TRUE(lines.contains(QStringLiteral("[dump] field Texto = ********")));
    EXPECT_TRUE(lines.contains(QStringLiteral("[dump] field Oculto = ")));
    EXPECT_FALSE(lines.join(QLatin1Char('\n')).contains(QStringLiteral("gerencia")));
    EXPECT_FALSE(lines.join(QLatin1Char('\n')).contains(QStringLiteral("secreto")));
    EXPECT_EQ(lastLine(), QStringLiteral("[wait] pantalla"));
}

} // namespace
