#include "query/presaut.h"

#include "core/datetext.h"
#include "db/database.h"
#include "db/fielddef.h"
#include "db/recordset.h"
#include "engine/gridmodel.h"
#include "engine/gridview.h"
#include "engine/loading.h"
#include "engine/panelview.h"
#include "panels/controlpool.h"
#include "panels/errortrap.h"
#include "panels/mainform.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "query/decosql.h"
#include "query/structurelists.h"
#include "query/wizardsql.h"
#include "session/errorlog.h"
#include "session/session.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>

namespace quelmar::query {

namespace {

using wizard::FieldKind;

constexpr int CodeTable = 1;
constexpr int CodeField = 2;
constexpr int CodeCriterion = 3;
constexpr int CodeComparand = 5;
constexpr int CodeFirst = -2;
constexpr int CodeSecond = -3;
constexpr int CodeCancel = -1;

const QString Refused = QStringLiteral(
    "La base de datos no aceptó la selección u ordenación pedida; los registros se presentan como estaban. "
    "Revise las condiciones y vuelva a intentarlo.");

// The related table of a relation field: "!R/table/columns/extra/"; fewer than three parts is none.
struct Relation
{
    QString table;
    QString columns;
    QString extra;
};

std::optional<Relation> relationOf(const db::FieldDef& field)
{
    if (!db::jettype::isNumeric(field.type))
        return std::nullopt;
    const qsizetype marker = field.defaultValue.indexOf(QLatin1String("!R"), 0, Qt::CaseInsensitive);
    if (marker < 0)
        return std::nullopt;
    const QStringList parts = field.defaultValue.mid(marker).split(u'/', Qt::SkipEmptyParts);
    if (parts.size() < 3)
        return std::nullopt;
    return Relation{parts.at(1).trimmed(), parts.at(2).trimmed(), parts.value(3).trimmed()};
}

// Passes ESC on to the form as its cancel code.
class EscapeFilter : public QObject
{
public:
    explicit EscapeFilter(Session& session) : m_session(session) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            m_session.codes.CommandCode = CodeCancel;
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    Session& m_session;
};

// The selection form `Fs`: the prompt `Haga`, the account `Hizo`, the lists of tables, fields and
// comparisons, the comparand, the grid of related rows and the three buttons. Every control only writes its
// code.
class SelectionForm
{
public:
    explicit SelectionForm(Session& session) : m_session(session), m_escape(session)
    {
        m_form = new QWidget(nullptr, Qt::Window);
        m_form->setObjectName(QStringLiteral("Fs"));
        m_form->setAttribute(Qt::WA_DeleteOnClose, false);
        m_form->resize(760, 520);
        auto* layout = new QVBoxLayout(m_form);
        m_haga = new QLabel(m_form);
        m_haga->setObjectName(QStringLiteral("Haga"));
        m_haga->setWordWrap(true);
        layout->addWidget(m_haga);
        auto* lists = new QHBoxLayout;
        m_tables = makeList(QStringLiteral("SArch"), CodeTable, lists);
        m_fields = makeList(QStringLiteral("SDat"), CodeField, lists);
        m_criteria = makeList(QStringLiteral("SCrit"), CodeCriterion, lists);
        layout->addLayout(lists, 1);
        m_comparand = new QLineEdit(m_form);
        m_comparand->setObjectName(QStringLiteral("SComp"));
        m_comparand->setAccessibleName(QStringLiteral("Comparador"));
        m_comparand->installEventFilter(&m_escape);
        QObject::connect(m_comparand, &QLineEdit::returnPressed, m_form,
                         [this] { m_session.codes.CommandCode = CodeComparand; });
        layout->addWidget(m_comparand);
        m_related = new QTableWidget(m_form);
        m_related->setObjectName(QStringLiteral("TSel"));
        m_related->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_related->setSelectionBehavior(QAbstractItemView::SelectRows);
        m_related->setSelectionMode(QAbstractItemView::SingleSelection);
        m_related->installEventFilter(&m_escape);
        QObject::connect(m_related, &QTableWidget::cellDoubleClicked, m_form,
                         [this] { m_session.codes.CommandCode = CodeTable; });
        QObject::connect(m_related, &QTableWidget::activated, m_form,
                         [this] { m_session.codes.CommandCode = CodeTable; });
        layout->addWidget(m_related, 2);
        m_hizo = new QPlainTextEdit(m_form);
        m_hizo->setObjectName(QStringLiteral("Hizo"));
        m_hizo->setReadOnly(true);
        m_hizo->setMaximumHeight(90);
        layout->addWidget(m_hizo);
        auto* buttons = new QHBoxLayout;
        m_first = makeButton(QStringLiteral("Sok"), CodeFirst, buttons);
        m_second = makeButton(QStringLiteral("Scon"), CodeSecond, buttons);
        m_cancel = makeButton(QStringLiteral("Scan"), CodeCancel, buttons);
        layout->addLayout(buttons);
        clearAll();
    }
    ~SelectionForm() { delete m_form; }
    SelectionForm(const SelectionForm&) = delete;
    SelectionForm& operator=(const SelectionForm&) = delete;

    QWidget* form() const { return m_form; }
    QPushButton* cancelButton() const { return m_cancel; }

    void clearAll()
    {
        for (QListWidget* list : {m_tables, m_fields, m_criteria}) {
            list->clear();
            list->setEnabled(false);
        }
        m_comparand->clear();
        m_comparand->setInputMask({});
        m_comparand->hide();
        m_related->hide();
        m_first->hide();
        m_second->hide();
    }

    void describe(const QString& text) { m_hizo->setPlainText(m_hizo->toPlainText() + text); }
    QString description() const { return m_hizo->toPlainText(); }

    // Offers entries in one of the lists; the 0-based entry chosen, or -1 when cancelled.
    int chooseFrom(int code, const QString& prompt, const QStringList& entries)
    {
        QListWidget* list = code == CodeTable ? m_tables : code == CodeField ? m_fields : m_criteria;
        list->clear();
        list->addItems(entries);
        list->setEnabled(true);
        list->setCurrentRow(0);
        m_haga->setText(prompt);
        show(list);
        QString line = prompt;
        for (qsizetype i = 0; i < entries.size(); ++i)
            line += QStringLiteral(" | %1 %2").arg(i + 1).arg(entries.at(i));
        m_session.transcript.write(QStringLiteral("list"), line);
        WaitContext context;
        context.kind = WaitKind::List;
        context.description =
            QStringLiteral("lista de ") + list->objectName() + QStringLiteral(": ") + prompt;
        context.widget = list;
        context.respond = [this, list, code](const QString& verb, const QString& argument) {
            if (verb != QLatin1String("choose"))
                return false;
            const int row =
                entryNamed(argument, list->count(), [list](int i) { return list->item(i)->text(); });
            if (row < 0)
                return false;
            list->setCurrentRow(row);
            m_session.codes.CommandCode = code;
            return true;
        };
        const int answer = wait(context);
        list->setEnabled(false);
        if (answer != code || list->currentRow() < 0)
            return -1;
        return list->currentRow();
    }

    // Asks for the comparand; nullopt when cancelled.
    std::optional<QString> askComparand(const QString& prompt, const QString& mask, int length)
    {
        m_haga->setText(prompt);
        m_comparand->setInputMask(mask);
        m_comparand->setMaxLength(std::max(1, length));
        m_comparand->clear();
        m_comparand->show();
        show(m_comparand);
        m_session.transcript.write(QStringLiteral("input"), m_form->windowTitle() + QStringLiteral(": ") +
                                                                prompt + QStringLiteral(" = "));
        WaitContext context;
        context.kind = WaitKind::InputBox;
        context.description = QStringLiteral("el comparador: ") + prompt;
        context.widget = m_comparand;
        context.respond = [this](const QString& verb, const QString& argument) {
            if (verb != QLatin1String("answer"))
                return false;
            m_comparand->setText(argument);
            m_session.codes.CommandCode = CodeComparand;
            return true;
        };
        const int answer = wait(context);
        if (answer != CodeComparand)
            return std::nullopt;
        return m_comparand->text();
    }

    void hideComparand() { m_comparand->hide(); }

    // The button pair with the cancel button; the code of the button pressed.
    int chooseButton(const QString& prompt, const QString& first, const QString& firstTip,
                     const QString& second, const QString& secondTip, const QString& cancelTip)
    {
        m_haga->setText(prompt);
        setButton(m_first, first, firstTip);
        setButton(m_second, second, secondTip);
        m_cancel->setToolTip(cancelTip.isEmpty() ? m_cancelTip : cancelTip);
        m_first->setFocus(Qt::OtherFocusReason);
        m_session.transcript.write(QStringLiteral("buttons"),
                                   Transcript::oneLine(prompt) + QStringLiteral(" [") + plain(first) +
                                       QStringLiteral("] [") + plain(second) + QStringLiteral("] [") +
                                       plain(m_cancel->text()) + QStringLiteral("] | ") +
                                       Transcript::oneLine(description()));
        WaitContext context;
        context.kind = WaitKind::ButtonRow;
        context.description = prompt;
        context.widget = m_form;
        context.respond = [this](const QString& verb, const QString& argument) {
            if (verb != QLatin1String("answer"))
                return false;
            for (QPushButton* button : {m_first, m_second, m_cancel}) {
                const QString caption = plain(button->text());
                const qsizetype amp = button->text().indexOf(u'&');
                const QString letter = amp >= 0 ? button->text().mid(amp + 1, 1) : QString();
                if (caption.compare(argument, Qt::CaseInsensitive) == 0 ||
                    (!letter.isEmpty() && letter.compare(argument, Qt::CaseInsensitive) == 0)) {
                    button->click();
                    return true;
                }
            }
            return false;
        };
        const int answer = wait(context);
        m_first->hide();
        m_second->hide();
        m_cancel->setToolTip(m_cancelTip);
        return answer;
    }

    void setCancelTip(const QString& tip)
    {
        m_cancelTip = tip;
        m_cancel->setToolTip(tip);
    }

    QTableWidget* related() const { return m_related; }
    QPushButton* secondButton() const { return m_second; }
    void setPrompt(const QString& text) { m_haga->setText(text); }

    int wait(const WaitContext& context)
    {
        auto& codes = m_session.codes;
        codes.CommandCode = 0;
        m_session.wait.forUser([&codes] { return codes.CommandCode != 0; }, context);
        const int code = codes.CommandCode;
        codes.CommandCode = 0;
        return code;
    }

    // The entry a "choose" answer names: a number (1-based) or a quoted text the entry contains.
    static int entryNamed(const QString& argument, int count, const std::function<QString(int)>& textOf)
    {
        const QString text = argument.trimmed();
        if (text.startsWith(u'"')) {
            QString wanted = text.mid(1);
            if (wanted.endsWith(u'"'))
                wanted.chop(1);
            for (int i = 0; i < count; ++i) {
                if (textOf(i).contains(wanted, Qt::CaseInsensitive))
                    return i;
            }
            return -1;
        }
        bool ok = false;
        const int n = text.toInt(&ok);
        return ok && n >= 1 && n <= count ? n - 1 : -1;
    }

    static QString plain(QString caption) { return caption.remove(u'&'); }

private:
    QListWidget* makeList(const QString& name, int code, QHBoxLayout* row)
    {
        auto* list = new QListWidget(m_form);
        list->setObjectName(name);
        list->installEventFilter(&m_escape);
        QObject::connect(list, &QListWidget::itemActivated, m_form,
                         [this, code] { m_session.codes.CommandCode = code; });
        QObject::connect(list, &QListWidget::itemDoubleClicked, m_form,
                         [this, code] { m_session.codes.CommandCode = code; });
        row->addWidget(list);
        return list;
    }

    QPushButton* makeButton(const QString& name, int code, QHBoxLayout* row)
    {
        auto* button = new QPushButton(m_form);
        button->setObjectName(name);
        button->installEventFilter(&m_escape);
        QObject::connect(button, &QPushButton::clicked, m_form, [this, button, code] {
            // The caption flashes red for a moment as the button is taken.
            button->setStyleSheet(QStringLiteral("color: red;"));
            QTimer::singleShot(100, button, [button] { button->setStyleSheet({}); });
            m_session.codes.CommandCode = code;
        });
        row->addWidget(button);
        return button;
    }

    static void setButton(QPushButton* button, const QString& caption, const QString& tip)
    {
        button->setText(caption);
        button->setToolTip(tip);
        button->show();
    }

    void show(QWidget* focus)
    {
        m_form->show();
        m_form->raise();
        m_form->activateWindow();
        focus->setFocus(Qt::OtherFocusReason);
    }

    Session& m_session;
    EscapeFilter m_escape;
    QWidget* m_form = nullptr;
    QLabel* m_haga = nullptr;
    QPlainTextEdit* m_hizo = nullptr;
    QListWidget* m_tables = nullptr;
    QListWidget* m_fields = nullptr;
    QListWidget* m_criteria = nullptr;
    QLineEdit* m_comparand = nullptr;
    QTableWidget* m_related = nullptr;
    QPushButton* m_first = nullptr;
    QPushButton* m_second = nullptr;
    QPushButton* m_cancel = nullptr;
    QString m_cancelTip;
};

// One run of the wizard.
class Run
{
public:
    Run(Session& session, SelectionForm& form, const QList<FromTable>& tables)
        : m_session(session), m_form(form), m_tables(tables)
    {}

    // The conditions; false when cancelled.
    bool select(QString& condition)
    {
        QList<wizard::ConditionRow> rows;
        QString joiner;
        for (;;) {
            std::optional<wizard::ConditionRow> row = oneCondition(joiner, rows.isEmpty());
            if (!row)
                return false;
            rows.append(*row);
            if (rows.size() == wizard::MaxConditions)
                break;
            const int answer = m_form.chooseButton(
                QStringLiteral(
                    "Si deseas agregar otra condición para elegir, Continua; si estas satisfecho con "
                    "la Selección, Acepta; y si suspendes, Cancela"),
                QStringLiteral("&Acepta"), QStringLiteral("Ejecuta la Selección"),
                QStringLiteral("&Continúa"), QStringLiteral("Agrega otra condición"), {});
            if (answer == CodeFirst)
                break;
            if (answer != CodeSecond)
                return false;
            const int how = m_form.chooseButton(
                QStringLiteral(
                    "Esta y la siguiente condición pueden cumplirse en dos formas:  Ambas "
                    "necesariamente ( Y )    Cualquiera es suficiente ( O ).   Decida si pide Ambas ó "
                    "Cualquiera."),
                QStringLiteral("&Ambas"), QStringLiteral("cumplir Ambas necesariamente"),
                QStringLiteral("&Cualquiera"), QStringLiteral("cumplir Cualquiera de ellas"), {});
            if (how != CodeFirst && how != CodeSecond)
                return false;
            joiner = how == CodeFirst ? QStringLiteral(" AND") : QStringLiteral(" OR");
            m_form.describe(wizard::describeJoiner(how == CodeFirst));
            m_form.clearAll();
        }
        condition = wizard::conditionText(rows);
        return true;
    }

    // The ordering levels; false when cancelled.
    bool order(QString& list)
    {
        QStringList levels;
        for (;;) {
            m_form.clearAll();
            std::optional<Choice> choice =
                chooseField(QStringLiteral("Para ordenar los registros presentados, puede usar datos de:"),
                            QStringLiteral("Elija el Dato usado para ordenar "));
            if (!choice)
                return false;
            const int direction = m_form.chooseButton(
                QStringLiteral(
                    "Puede ordenarlos en secuencia Ascendente (A-Z y 0-9) ó Descendente (Z-A y 9-0)"),
                QStringLiteral("&Ascendente"), QStringLiteral("ordena: A-Z  1-9"),
                QStringLiteral("Descendente"), QStringLiteral("ordena: Z-A 9-1"), {});
            if (direction != CodeFirst && direction != CodeSecond)
                return false;
            const bool descending = direction == CodeSecond;
            m_form.describe(
                wizard::describeOrder(levels.isEmpty(), choice->field.name, choice->table, descending));
            levels.append(wizard::orderLevel(choice->table, choice->field.name, descending));
            if (levels.size() == wizard::MaxOrderLevels)
                break;
            const int next = m_form.chooseButton(
                QStringLiteral("Para ejecutar la ordenación, Acepte; para agregar un ") +
                    QString::number(levels.size() + 1) +
                    QStringLiteral(
                        "º nivel de ordenación, Continúe; para suspender la ordenación,  Cancele."),
                QStringLiteral("&Aceptar"), QStringLiteral("Ejecuta la Ordenación"),
                QStringLiteral("C&ontinúa"), QStringLiteral("Agrega nuevo nivel de Ordenación"),
                QStringLiteral("Cancela la ordenación"));
            if (next == CodeFirst)
                break;
            if (next != CodeSecond)
                return false;
        }
        list = levels.join(u',');
        return true;
    }

private:
    struct Choice
    {
        QString table; // as the statement writes it
        db::FieldDef field;
    };

    std::optional<Choice> chooseField(const QString& tablesPrompt, const QString& fieldPrompt)
    {
        int table = 0;
        if (m_tables.size() > 1) {
            QStringList references;
            for (const FromTable& entry : m_tables)
                references.append(entry.reference);
            table = m_form.chooseFrom(
                CodeTable, tablesPrompt + QStringLiteral(" Elija el archivo donde está el dato deseado"),
                references);
            if (table < 0)
                return std::nullopt;
        }
        const FromTable& chosen = m_tables.at(table);
        const int row = chosen.number.trimmed().toInt() - 1;
        QString name = m_session.database.TableList.value(row).name;
        QStringList names;
        StructureList(m_session, QStringLiteral("Datos"), name, 0, 0, names);
        if (names.isEmpty())
            return std::nullopt;
        const int field = m_form.chooseFrom(
            CodeField,
            fieldPrompt + chosen.reference + QStringLiteral(". Elija el dato de ") + chosen.reference, names);
        if (field < 0)
            return std::nullopt;
        db::FieldDef def;
        if (m_session.database.CurrentDatabase)
            def = m_session.database.CurrentDatabase->field(name, names.at(field));
        def.name = names.at(field);
        return Choice{chosen.reference, def};
    }

    std::optional<wizard::ConditionRow> oneCondition(const QString& joiner, bool first)
    {
        std::optional<Choice> choice =
            chooseField(QStringLiteral("Para escoger los Registros presentados, puede usar datos de:"),
                        QStringLiteral("Elija el Dato usado para escoger los Registros presentados de "));
        if (!choice)
            return std::nullopt;
        const FieldKind kind = wizard::kindOf(choice->field.type);
        const QList<wizard::Comparison> comparisons = wizard::comparisonsFor(kind);
        if (comparisons.isEmpty()) {
            panels::MessageBox(m_session,
                               QStringLiteral("El dato ") + choice->field.name +
                                   QStringLiteral(" no sirve para escoger registros; elija otro dato."),
                               QMessageBox::Ok, QMessageBox::Warning);
            return oneCondition(joiner, first);
        }
        const std::optional<Relation> relation = relationOf(choice->field);
        for (;;) {
            QStringList labels;
            for (const wizard::Comparison& comparison : comparisons)
                labels.append(comparison.label);
            const QString hint = wizard::comparandHint(kind, datetext::parse(panels::TodayText()));
            const int picked =
                m_form.chooseFrom(CodeCriterion,
                                  QStringLiteral("Defina el criterio de comparacion empleado para elegir ") +
                                      choice->field.name.toUpper(),
                                  labels);
            if (picked < 0)
                return std::nullopt;
            wizard::Comparison comparison = comparisons.at(picked);
            wizard::Comparand comparand;
            QString shown;
            if (kind != FieldKind::YesNo) {
                std::optional<QString> typed;
                if (relation) {
                    typed = pickRelated(*relation, choice->field.name);
                    if (typed)
                        comparison.op = QStringLiteral("=");
                } else {
                    typed = askComparand(kind, choice->field, hint);
                }
                if (!typed)
                    return std::nullopt;
                comparand = wizard::checkComparand(kind, comparison.label, *typed);
                if (comparand.outcome == wizard::Comparand::Rejected) {
                    panels::MessageBox(m_session, comparand.message, QMessageBox::Ok, QMessageBox::Critical);
                    continue;
                }
                if (!comparand.message.isEmpty())
                    panels::MessageBox(m_session, comparand.message, QMessageBox::Ok,
                                       QMessageBox::Information);
                shown = comparand.nullTest ? QString() : *typed;
                if (kind == FieldKind::Number)
                    shown = comparand.value;
                if (kind == FieldKind::Date && !comparand.value.isEmpty())
                    shown = QString(*typed).remove(u'_');
                if (comparand.value.isEmpty() && !comparand.nullTest) {
                    panels::MessageBox(m_session, QStringLiteral("Falta definir el Comparador"),
                                       QMessageBox::Ok, QMessageBox::Critical);
                    continue;
                }
            }
            m_form.hideComparand();
            const QString label = comparand.nullTest ? QStringLiteral("nulo") : comparison.label;
            m_form.describe(
                wizard::describeCondition(first, choice->field.name, choice->table, label, kind, shown));
            return wizard::makeRow(choice->table, choice->field.name, comparison, comparand, joiner);
        }
    }

    std::optional<QString> askComparand(FieldKind kind, const db::FieldDef& field, const QString& hint)
    {
        const QString mask = kind == FieldKind::Date ? QStringLiteral("99-AAA-9999;_") : QString();
        return m_form.askComparand(QStringLiteral("Ahora escriba el comparador ") + hint +
                                       QStringLiteral(", terminando con tecla INTRO"),
                                   mask, wizard::comparandLength(kind, field.type, field.size));
    }

    // Fills the grid of related rows; false when the statement could not be read.
    bool fillRelated(const QString& statement)
    {
        QTableWidget* grid = m_form.related();
        grid->clear();
        grid->setRowCount(0);
        db::DbError error;
        std::unique_ptr<db::Recordset> rows =
            m_session.database.CurrentDatabase->openRecordset(statement, db::RecordsetType::Snapshot, error);
        if (error || !rows) {
            maintenance::appendErrorLog(m_session, error.number, error.description,
                                        QStringLiteral("PresAut"));
            return false;
        }
        QStringList headers;
        for (int column = 0; column < rows->fieldCount(); ++column)
            headers.append(rows->field(column).name);
        grid->setColumnCount(static_cast<int>(headers.size()));
        grid->setHorizontalHeaderLabels(headers);
        m_firstColumnNumeric = rows->fieldCount() > 0 && db::jettype::isNumeric(rows->field(0).type());
        m_firstColumn = headers.value(0);
        int row = 0;
        for (rows->moveFirst(); !rows->eof(); rows->moveNext(), ++row) {
            grid->insertRow(row);
            for (int column = 0; column < rows->fieldCount(); ++column) {
                const QVariant value = rows->value(column);
                const QString text = value.typeId() == QMetaType::QDate
                                         ? datetext::dayMonthYear(value.toDate())
                                         : value.toString();
                grid->setItem(row, column, new QTableWidgetItem(text));
            }
        }
        return true;
    }

    // The related-value picker: the key of the row chosen in the related table; nullopt when cancelled.
    std::optional<QString> pickRelated(const Relation& relation, const QString& field)
    {
        const QString base =
            QStringLiteral("SELECT ") + relation.columns + QStringLiteral(" FROM ") + relation.table;
        // The definition's last part orders the related rows: a clause, or just the fields to order by.
        QString extra = relation.extra;
        if (!extra.isEmpty() && !extra.startsWith(QLatin1String("ORDER BY"), Qt::CaseInsensitive) &&
            !extra.startsWith(QLatin1String("WHERE"), Qt::CaseInsensitive))
            extra = QStringLiteral("ORDER BY ") + extra;
        if (!extra.isEmpty())
            extra.prepend(u' ');
        if (!fillRelated(base + extra) || m_form.related()->rowCount() == 0) {
            panels::MessageBox(m_session, QStringLiteral("No existen Registros de ") + field);
            return std::nullopt;
        }
        QTableWidget* grid = m_form.related();
        for (;;) {
            grid->show();
            grid->setCurrentCell(0, 0);
            grid->setFocus(Qt::OtherFocusReason);
            const QString prompt = QStringLiteral("Elija ") + field + QStringLiteral(" con doble toque");
            m_form.setPrompt(prompt);
            QPushButton* search = m_form.secondButton();
            search->setText(QStringLiteral("&Busca"));
            search->setToolTip(QStringLiteral("Busca ") + field);
            search->show();
            QString line = prompt;
            for (int row = 0; row < grid->rowCount() && row < 50; ++row) {
                QStringList cells;
                for (int column = 0; column < grid->columnCount(); ++column)
                    cells.append(grid->item(row, column) ? grid->item(row, column)->text() : QString());
                line += QStringLiteral(" | %1 %2").arg(row + 1).arg(cells.join(QStringLiteral(" · ")));
            }
            m_session.transcript.write(QStringLiteral("list"), line);
            WaitContext context;
            context.kind = WaitKind::List;
            context.description = prompt;
            context.widget = grid;
            context.respond = [this, grid](const QString& verb, const QString& argument) {
                if (verb != QLatin1String("choose"))
                    return false;
                const int row = SelectionForm::entryNamed(argument, grid->rowCount(), [grid](int i) {
                    QString text;
                    for (int column = 0; column < grid->columnCount(); ++column)
                        text += (grid->item(i, column) ? grid->item(i, column)->text() : QString()) + u' ';
                    return text;
                });
                if (row < 0)
                    return false;
                grid->setCurrentCell(row, 0);
                m_session.codes.CommandCode = CodeTable;
                return true;
            };
            const int code = m_form.wait(context);
            search->hide();
            if (code == CodeTable && grid->currentRow() >= 0) {
                const QTableWidgetItem* key = grid->item(grid->currentRow(), 0);
                grid->hide();
                return key ? key->text() : QString();
            }
            if (code != CodeSecond) {
                grid->hide();
                return std::nullopt;
            }
            searchRelated(base, extra, field);
        }
    }

    void searchRelated(const QString& base, const QString& extra, const QString& field)
    {
        const QString column = wizard::bracketed(m_firstColumn);
        QString filter;
        QString typed;
        if (m_firstColumnNumeric) {
            QString low;
            QString high;
            if (!panels::InputBox(m_session, QStringLiteral("Busca ") + field,
                                  m_firstColumn + QStringLiteral(" de ") + field +
                                      QStringLiteral(" debe tener un valor mínimo de: "),
                                  low) ||
                !panels::InputBox(m_session, QStringLiteral("Busca ") + field,
                                  m_firstColumn + QStringLiteral(" de ") + field +
                                      QStringLiteral(" debe tener un valor máximo de: "),
                                  high))
                return;
            const wizard::Comparand lowValue = wizard::checkComparand(FieldKind::Number, {}, low);
            const wizard::Comparand highValue = wizard::checkComparand(FieldKind::Number, {}, high);
            if (lowValue.outcome == wizard::Comparand::Rejected ||
                highValue.outcome == wizard::Comparand::Rejected) {
                panels::MessageBox(m_session,
                                   lowValue.outcome == wizard::Comparand::Rejected ? lowValue.message
                                                                                   : highValue.message,
                                   QMessageBox::Ok, QMessageBox::Critical);
                return;
            }
            filter = QStringLiteral(" WHERE ") + column + QStringLiteral(" >= ") + lowValue.value +
                     QStringLiteral(" AND ") + column + QStringLiteral(" <= ") + highValue.value;
            typed = low + QStringLiteral(" - ") + high;
        } else {
            if (!panels::InputBox(
                    m_session, QStringLiteral("Busca ") + field,
                    m_firstColumn + QStringLiteral(" de ") + field + QStringLiteral(" contiene "), typed))
                return;
            filter = QStringLiteral(" WHERE ") + column + QStringLiteral(" like '*") +
                     QString(typed).replace(u'\'', QStringLiteral("''")) + QStringLiteral("*'");
        }
        const QString narrowed = wizard::rewrite(base + extra, filter.mid(7), {});
        if (!fillRelated(narrowed) || m_form.related()->rowCount() == 0) {
            panels::MessageBox(m_session, QStringLiteral("No encuentro ") + field +
                                              QStringLiteral(" que contengan: ") + typed);
            fillRelated(base + extra);
        }
    }

    Session& m_session;
    SelectionForm& m_form;
    QList<FromTable> m_tables;
    QString m_firstColumn;
    bool m_firstColumnNumeric = false;
};

// The statement the target shows now.
QString shownStatement(Session& session, const QString& target, const QString& given)
{
    if (target.compare(QLatin1String("Tab"), Qt::CaseInsensitive) == 0) {
        if (session.engine.grid && session.engine.grid->recordset())
            return session.engine.grid->recordset()->sql();
        return given;
    }
    if (session.engine.PanelRecordset)
        return session.engine.PanelRecordset->sql();
    return given;
}

QString withCount(const QString& caption, qint64 count)
{
    static const QRegularExpression braces(QStringLiteral("\\{\\d+\\}"));
    QString text = caption;
    if (text.contains(braces))
        return text.replace(braces, u'{' + QString::number(count) + u'}');
    return text;
}

// Puts the new statement behind the target. False when it was refused or found nothing (the target keeps
// what it had).
bool applyTo(Session& session, const QString& target, const QString& statement)
{
    if (!session.database.CurrentDatabase)
        return false;
    const bool toGrid = target.compare(QLatin1String("Tab"), Qt::CaseInsensitive) == 0;
    engine::GridView* grid = toGrid ? session.engine.grid.get() : nullptr;
    db::Recordset* current =
        toGrid ? (grid ? grid->recordset() : nullptr) : session.engine.PanelRecordset.get();
    const db::RecordsetType type = current ? current->type() : db::RecordsetType::Dynaset;
    // A row being typed into the grid is written (or undone) before the grid's rows are read again.
    if (grid && !grid->finishEditing())
        grid->model()->undoPendingRow();
    engine::loading::hourglass();
    const int savedStatus = session.codes.EngineStatus;
    std::unique_ptr<db::Recordset> rows = engine::loading::openSilently(session, statement, type);
    const qint64 count = rows ? rows->recordCount() : 0;
    engine::loading::restorePointer();
    if (!rows) {
        const db::DbError failure = session.engine.LoadFailure;
        session.codes.EngineStatus = savedStatus;
        session.engine.LoadFailure = {};
        maintenance::appendErrorLog(session, failure.number,
                                    failure.description + QStringLiteral(" | ") + statement,
                                    QStringLiteral("PresAut"));
        panels::MessageBox(session, Refused, QMessageBox::Ok, QMessageBox::Critical);
        return false;
    }
    if (count == 0) {
        panels::MessageBox(session, QStringLiteral("No existen Registros que cumplan las condiciones"));
        return false;
    }
    session.engine.RecordCount = count;
    if (toGrid && grid) {
        grid->replaceRows(std::move(rows));
        grid->setCaption(withCount(grid->caption(), count));
        grid->setCurrent(0, 0);
    } else if (!toGrid) {
        session.engine.PanelRecordset = std::move(rows);
        if (engine::PanelView* panel = session.engine.panel.get()) {
            panel->showRecord();
            // What follows the navigator (an edit begun on the record shown) follows the new first record.
            if (panel->afterMove)
                panel->afterMove();
        }
    }
    session.engine.CurrentSQL = statement;
    return true;
}

} // namespace

void PresAut(Session& session, const QString& kind, const QString& target, const QString& title,
             QString& statement)
{
    ErrorTrap trap(session, QStringLiteral("PresAut"));
    const QString upper = kind.trimmed().toUpper();
    const bool selecting = upper == QLatin1String("SELECCION");
    const bool ordering = upper == QLatin1String("ORDEN");
    if (!selecting && !ordering && upper != QLatin1String("TODOS"))
        return;
    if (upper == QLatin1String("TODOS")) {
        if (shownStatement(session, target, statement) != statement)
            applyTo(session, target, statement);
        return;
    }
    const QString shown = shownStatement(session, target, statement);
    QStringList names;
    for (const TableListRow& row : std::as_const(session.database.TableList))
        names.append(row.name);
    QList<SqlPiece> pieces;
    QList<FromTable> tables;
    if (DecoSQL(shown, names, pieces, tables) != DecoFailure::None || tables.isEmpty())
        return;

    const QString previousTopic = session.engine.HelpTopic;
    const int savedCode = session.codes.CommandCode;
    panels::SetMainFormEnabled(session, false);
    QString condition;
    QString order;
    bool accepted = false;
    {
        SelectionForm form(session);
        form.setCancelTip(QStringLiteral("Suspende la ") + upper);
        form.cancelButton()->setText(QStringLiteral("&Cancela"));
        Run run(session, form, tables);
        if (selecting) {
            session.engine.HelpTopic = QStringLiteral("9");
            form.form()->setWindowTitle(QStringLiteral("Selección de ") + title);
            accepted = run.select(condition);
            const int variant = session.codes.PresentationVariant;
            if (accepted && variant != 134 && variant != 135 &&
                panels::MessageBox(session, QStringLiteral("¿Desea ORDENAR la secuencia de los registros?"),
                                   QMessageBox::Yes | QMessageBox::No, QMessageBox::Question,
                                   QStringLiteral("Ordenación")) == QMessageBox::Yes) {
                form.form()->setWindowTitle(QStringLiteral("Ordenación de ") + title);
                accepted = run.order(order);
            }
        } else {
            session.engine.HelpTopic = QStringLiteral("10");
            form.form()->setWindowTitle(QStringLiteral("Ordenación de ") + title);
            accepted = run.order(order);
        }
        form.form()->hide();
    }
    panels::SetMainFormEnabled(session, true);
    session.engine.HelpTopic = previousTopic;
    if (accepted && (!condition.isEmpty() || !order.isEmpty()))
        applyTo(session, target, wizard::rewrite(shown, condition, order));
    session.codes.CommandCode = savedCode;
}

} // namespace quelmar::query
