#include "office/workorders.h"

#include "core/clock.h"
#include "core/datetext.h"
#include "db/database.h"
#include "db/recordset.h"
#include "db/rowcursor.h"
#include "engine/bdats.h"
#include "engine/gridmodel.h"
#include "engine/gridview.h"
#include "engine/panelview.h"
#include "maintenance/filldocument.h"
#include "office/orderpages.h"
#include "output/documentprinter.h"
#include "panels/controlpool.h"
#include "panels/errortrap.h"
#include "panels/mainform.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "query/buscaind.h"
#include "session/errorlog.h"
#include "session/session.h"
#include "session/twips.h"
#include "shell/textlines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QPushButton>
#include <QTableView>

#include <algorithm>
#include <optional>

namespace quelmar::office {

namespace {

constexpr int ReturnAtOnce = 1010;
constexpr int DoubleClick = -2;
constexpr int Escape = -3;
constexpr int PrintOrderCommand = 450;
constexpr int SubscriberOrderValues = 11;
constexpr int RepairOrderValues = 10;

void setCaption(Session& session, const QString& caption)
{
    if (session.k)
        session.k->setWindowTitle(caption);
}

// A list that could not be loaded leaves for the start-up's report of the option (which logs it); an empty
// one has been told by the engine.
void failIfNotLoaded(Session& session)
{
    const int status = session.codes.EngineStatus;
    const db::DbError& failure = session.engine.LoadFailure;
    if (status > 1 && failure.number == status)
        throw RuntimeError{status, failure.description, QStringLiteral("WorkOrders")};
}

// The subscriber's key as the order statement takes it: a whole number (separators of thousands dropped);
// nothing for anything else.
std::optional<QString> keyLiteral(const QString& shown)
{
    QString text = shown.trimmed();
    text.remove(u',');
    bool ok = false;
    const qint64 key = text.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return QString::number(key);
}

// One print run of orders: templates read once, the printer prepared once, copies gathered into pages.
class OrderRun
{
public:
    OrderRun(Session& session, PageRule rule, const QString& name)
        : m_session(session), m_pages(rule, session.shell.NewLine), m_printer(session, name)
    {}

    // "Ini": the template read (a missing or unreadable one is told, naming it) and the printer prepared.
    // False when nothing can be printed.
    bool start(const QString& templateFile)
    {
        if (!readTemplate(templateFile))
            return false;
        return m_printer.prepare();
    }

    // "Adi": one filled copy of the template, added to the page (a full page is printed first).
    void add(const QString& templateFile, const QStringList& values)
    {
        const QStringList& lines = m_templates[templateFile.toLower()];
        const maintenance::templates::FilledText copy = maintenance::templates::fillWhole(
            lines, values, Clock::today(), {m_printer.printableWidth(), m_printer.measure()},
            m_session.shell.NewLine);
        m_session.files.FileLineCount = static_cast<int>(lines.size()) + copy.addedLines;
        const QString full = m_pages.add(copy.text, m_session.files.FileLineCount);
        if (!full.isEmpty())
            m_printer.printPage(full);
        ++m_added;
    }

    // The page still collected is printed, and the run's job sent.
    void end()
    {
        const QString rest = m_pages.takeRest();
        if (!rest.isEmpty())
            m_printer.printPage(rest);
        m_printer.finish();
    }

    bool prepared() const { return m_printer.prepared(); }
    int added() const { return m_added; }

private:
    bool readTemplate(const QString& templateFile)
    {
        const QString key = templateFile.toLower();
        if (m_templates.contains(key))
            return true;
        const QString path = m_session.shell.WorkingFolder.absoluteFilePath(templateFile);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            maintenance::appendErrorLog(m_session, QFileInfo::exists(path) ? 75 : 53,
                                        file.errorString() + QStringLiteral(" | ") + path,
                                        QStringLiteral("FillDocument"));
            const QString folder = QDir::toNativeSeparators(m_session.shell.WorkingFolder.absolutePath());
            panels::MessageBox(
                m_session,
                QFileInfo::exists(path)
                    ? QStringLiteral(
                          "No se puede leer la plantilla de órdenes %1 en la carpeta %2. Revise que "
                          "el archivo se pueda leer y vuelva a pedir la orden.")
                          .arg(templateFile, folder)
                    : QStringLiteral("No se encuentra la plantilla de órdenes %1 en la carpeta %2. Copie la "
                                     "plantilla a esa carpeta y vuelva a pedir la orden.")
                          .arg(templateFile, folder),
                QMessageBox::Ok, QMessageBox::Warning, QStringLiteral("ÓRDENES"));
            return false;
        }
        const shell::LineBuffer read = shell::readLines(shell::decodeText(file.readAll()));
        // A template without a character to print would give blank pages: it is told instead.
        if (std::all_of(read.lines.begin(), read.lines.end(),
                        [](const QString& line) { return line.trimmed().isEmpty(); })) {
            maintenance::appendErrorLog(m_session, 62, QStringLiteral("Empty template | ") + path,
                                        QStringLiteral("FillDocument"));
            panels::MessageBox(
                m_session,
                QStringLiteral("La plantilla de órdenes %1 en la carpeta %2 está vacía. Escriba "
                               "en ella el texto de la orden y vuelva a pedir la orden.")
                    .arg(templateFile,
                         QDir::toNativeSeparators(m_session.shell.WorkingFolder.absolutePath())),
                QMessageBox::Ok, QMessageBox::Warning, QStringLiteral("ÓRDENES"));
            return false;
        }
        m_session.files.FileLines = read.lines;
        m_session.files.FileLineCount = static_cast<int>(read.lines.size());
        m_templates.insert(key, read.lines);
        return true;
    }

    Session& m_session;
    OrderPages m_pages;
    output::DocumentPrinter m_printer;
    QMap<QString, QStringList> m_templates;
    int m_added = 0;
};

// The values of a subscriber's order: 1 to 8 from the order statement, 9 today, 10 and 11 the company's
// heading lines 5 and 6.
QStringList subscriberValues(const Session& session)
{
    QStringList values;
    for (int i = 0; i < 8; ++i)
        values.append(QString());
    values.append(datetext::dayMonthYear(Clock::today()));
    values.append(session.shell.company(5));
    values.append(session.shell.company(6));
    return values;
}

// Fills and adds the order of the subscriber with that key; false when there is no such subscriber.
bool addSubscriberOrder(Session& session, OrderRun& run, const QString& shownKey,
                        const QString& orderStatement, const QString& templateFile, QStringList& values)
{
    const std::optional<QString> key = keyLiteral(shownKey);
    if (!key || !session.database.CurrentDatabase)
        return false;
    db::DbError error;
    std::unique_ptr<db::Recordset> rows = session.database.CurrentDatabase->openRecordset(
        orderStatement + QStringLiteral(" Where Clave = ") + *key, db::RecordsetType::Snapshot, error);
    if (!rows)
        throw RuntimeError{error.number, error.description, QStringLiteral("WorkOrders")};
    if (rows->eof())
        return false;
    for (int i = 0; i < 8 && i < rows->fieldCount(); ++i)
        values[i] = orderValueText(rows->value(i));
    run.add(templateFile, values);
    return true;
}

// "T": every row of the narrowed list, read once from the first to the last.
void printAll(Session& session, OrderRun& run, const QString& statement, int keyColumn,
              const QString& orderStatement, const QString& templateFile, QStringList& values)
{
    db::DbError error;
    std::unique_ptr<db::RowCursor> rows =
        db::RowCursor::open(*session.database.CurrentDatabase, statement, error);
    if (!rows)
        throw RuntimeError{error.number, error.description, QStringLiteral("WorkOrders")};
    engine::ShowBusy(session, -1);
    while (rows->next()) {
        addSubscriberOrder(session, run, orderValueText(rows->value(keyColumn - 1)), orderStatement,
                           templateFile, values);
        session.wait.letEventsRun();
    }
    engine::ShowBusy(session, 0);
    if (!rows->error().ok())
        throw RuntimeError{rows->error().number, rows->error().description, QStringLiteral("WorkOrders")};
}

// "A": a double click on a row prints its order; ESC ends.
void printChosen(Session& session, OrderRun& run, int keyColumn, const QString& orderStatement,
                 const QString& templateFile, QStringList& values)
{
    setCaption(session,
               QStringLiteral("Elije a quien se imprime, con doble click en la fila.  Termina con tecla "
                              "ESC"));
    engine::GridView& view = engine::grid(session);
    view.show();
    view.focus();
    view.transcribe();
    auto& codes = session.codes;
    for (;;) {
        codes.CommandCode = 0;
        codes.TableCommand = 0;
        WaitContext context{WaitKind::Screen,
                            QStringLiteral("doble click en la fila de quien se imprime, o ESC"),
                            view.table(),
                            {}};
        session.wait.forUser([&codes] { return codes.CommandCode != 0; }, context);
        if (codes.CommandCode == Escape || codes.CommandCode == -1)
            break;
        if (codes.CommandCode != DoubleClick)
            continue;
        const int row = std::max(0, view.currentRow());
        addSubscriberOrder(session, run, view.cellText(row, keyColumn - 1), orderStatement, templateFile,
                           values);
        view.setCurrent(row, 0);
    }
    codes.CommandCode = 0;
}

void docDef(Session& session, const QString& title, const QString& statement, int keyColumn,
            const QString& orderStatement, const QString& templateFile)
{
    QStringList values = subscriberValues(session);
    setCaption(
        session,
        QStringLiteral("puede Seleccionar y Ordenar, esta información.  Para finalizar, tecla 'Termina'"));
    engine::BDats(session, QStringLiteral("TabPre"), 2, title, statement);
    failIfNotLoaded(session);
    engine::GridView& view = engine::grid(session);
    if (session.codes.EngineStatus != 0 || !view.recordset()) {
        engine::BDats(session, QStringLiteral("TabFin"), 2, QString(), QString());
        return;
    }
    // The list as the wizard left it: only its rows are offered.
    view.refresh();
    const QString narrowed = session.engine.CurrentSQL;
    if (view.model()->rowCount() == 0) {
        engine::BDats(session, QStringLiteral("TabFin"), 2, QString(), QString());
        return;
    }
    session.codes.CommandCode = ReturnAtOnce;
    session.engine.QuerySQL = narrowed;
    setCaption(session, QStringLiteral("Elegidos para imprimir Formato ") + templateFile);
    engine::BDats(session, QStringLiteral("TabSel"), 2, title, narrowed, QString::number(keyColumn));
    session.codes.CommandCode = 0;
    failIfNotLoaded(session);
    if (session.codes.EngineStatus != 0) {
        engine::BDats(session, QStringLiteral("TabFin"), 2, QString(), QString());
        return;
    }
    const QString answer = panels::AskButtonRow(session, QStringLiteral("Puede obtener Formatos para: "),
                                                QStringLiteral("&Todos,&Algunos,&Ninguno,"));
    if (answer == u'T' || answer == u'A') {
        OrderRun run(session, PageRule::SubscriberOrders, QFileInfo(templateFile).completeBaseName());
        if (run.start(templateFile)) {
            if (answer == u'T')
                printAll(session, run, narrowed, keyColumn, orderStatement, templateFile, values);
            else
                printChosen(session, run, keyColumn, orderStatement, templateFile, values);
            run.end();
        }
    }
    engine::BDats(session, QStringLiteral("TabFin"), 2, QString(), QString());
}

void docElige(Session& session, const QString& orderStatement)
{
    QStringList values = subscriberValues(session);
    OrderRun run(session, PageRule::SubscriberOrders, QStringLiteral("Ordenes"));
    for (;;) {
        QString table = QStringLiteral("Suscriptores");
        QString statement = QStringLiteral("Select Nombre,Clave,Contrato,Teléfono,Calle From Suscriptores");
        QString prompt;
        QString notFound;
        QString prefix;
        QString suffix;
        int result = 0;
        QString name;
        QString key;
        query::BuscaInd(session, table, statement, prompt, notFound, prefix, suffix, result, name, key);
        if (result != -1)
            break;
        const QString answer = panels::AskButtonRow(session, QStringLiteral("Elige Orden para ") + name,
                                                    QStringLiteral("&Corte,&Reconexión,&Servicio,&Nada,"));
        QString templateFile;
        if (answer == u'C')
            templateFile = QStringLiteral("OrdCorte.txt");
        else if (answer == u'R')
            templateFile = QStringLiteral("OrdRecon.txt");
        else if (answer == u'S')
            templateFile = QStringLiteral("OrdServ.txt");
        if (templateFile.isEmpty() || !run.start(templateFile))
            continue;
        addSubscriberOrder(session, run, key, orderStatement, templateFile, values);
    }
    run.end();
}

// The two buttons of the pending complaints' panel.
class RepairButtons
{
public:
    explicit RepairButtons(Session& session) : m_session(session)
    {
        const QStringList captions{QStringLiteral("&Imprime Orden"), QStringLiteral("&Termina")};
        for (int index = 0; index < captions.size(); ++index) {
            auto* button = new QPushButton(captions.at(index), session.k);
            panels::markElement(button, QStringLiteral("TabCom"), index);
            button->setGeometry(twips::toPixels(300 + index * 2000), twips::toPixels(100),
                                twips::toPixels(1800), twips::toPixels(400));
            const int command = PrintOrderCommand + index;
            QObject::connect(button, &QPushButton::clicked, button,
                             [&session, command] { session.codes.TableCommand = command; });
            panels::showElement(button);
            m_buttons.append(button);
        }
    }
    ~RepairButtons() { qDeleteAll(m_buttons); }
    RepairButtons(const RepairButtons&) = delete;
    RepairButtons& operator=(const RepairButtons&) = delete;

private:
    Session& m_session;
    QList<QPushButton*> m_buttons;
};

// The complaint shown: 1 Clave, 2 and 3 the company's heading lines 5 and 6, 4 Contrato, 5 Nombre,
// 6 Teléfono, 7 Calle + ", Col." + Colonia, 8 Recibida, 9 Descripción, 10 empty.
QStringList repairValues(const Session& session, const db::Recordset& complaint)
{
    const auto text = [&complaint](int column) { return orderValueText(complaint.value(column)); };
    QStringList values{text(8),
                       session.shell.company(5),
                       session.shell.company(6),
                       text(1),
                       text(0),
                       text(7),
                       text(5) + QStringLiteral(", Col.") + text(6),
                       text(3),
                       text(2),
                       QString()};
    Q_ASSERT(values.size() == RepairOrderValues);
    return values;
}

} // namespace

QString orderValueText(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDate)
        return datetext::dayMonthYear(value.toDate());
    if (value.typeId() == QMetaType::QDateTime)
        return datetext::dayMonthYear(value.toDateTime().date());
    if (value.typeId() == QMetaType::Double) {
        const double number = value.toDouble();
        if (number == static_cast<double>(static_cast<qint64>(number)))
            return QString::number(static_cast<qint64>(number));
        return QString::number(number, 'f', 2);
    }
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("Sí") : QStringLiteral("No");
    return value.toString();
}

void WorkOrders(Session& session, const QString& command, const QString& title, const QString& statement,
                int keyColumn, const QString& orderStatement, const QString& templateFile)
{
    session.errors.RoutineName = QStringLiteral("WorkOrders");
    if (command.compare(QLatin1String("DocDef"), Qt::CaseInsensitive) == 0)
        docDef(session, title, statement, keyColumn, orderStatement, templateFile);
    else if (command.compare(QLatin1String("DocElige"), Qt::CaseInsensitive) == 0)
        docElige(session, orderStatement);
}

void WorkOrderMenu(Session& session, int option)
{
    const QString base = QStringLiteral(
        "SELECT DISTINCTROW Nombre,Contrato,Situación,Vencimiento,Calle,Colonia,Zona,Clave,Marca FROM "
        "Suscriptores");
    switch (option) {
    case 1:
        WorkOrders(session, QStringLiteral("DocDef"), QStringLiteral("Ordenes de Reconexión"),
                   base + QStringLiteral(" WHERE Suscriptores.Situación like '*Por Reconectar*'"), 8,
                   OrderStatement, QStringLiteral("OrdRecon.txt"));
        break;
    case 2:
        WorkOrders(session, QStringLiteral("DocDef"), QStringLiteral("Ordenes de Corte"),
                   base + QStringLiteral(" WHERE Suscriptores.Situación like '*Vencido*'"), 8, OrderStatement,
                   QStringLiteral("OrdCorte.txt"));
        break;
    case 3:
        WorkOrders(session, QStringLiteral("DocDef"), QStringLiteral("Ordenes de Instalación"),
                   base + QStringLiteral(" WHERE Suscriptores.Situación like '*Por Instalar*'"), 8,
                   OrderStatement, QStringLiteral("OrdServ.txt"));
        break;
    case 4:
        WorkOrders(session, QStringLiteral("DocElige"), QStringLiteral("Ordenes para Clientes específicos"),
                   base, 8, OrderStatement, QString());
        break;
    default:
        break;
    }
}

void RepairOrders(Session& session)
{
    session.errors.RoutineName = QStringLiteral("RepairOrders");
    session.codes.CommandCode = ReturnAtOnce;
    engine::BDats(
        session, QStringLiteral("Presenta"), 1, QStringLiteral("Quejas Pendientes ") + panels::TodayText(),
        QStringLiteral("SELECT DISTINCTROW Suscriptores.Nombre, Suscriptores.Contrato, Quejas.Descripción, "
                       "Quejas.Recibida, Quejas.Origen,Suscriptores.Calle,Suscriptores.Colonia,"
                       "Suscriptores.Teléfono,Quejas.Clave FROM Suscriptores INNER JOIN Quejas ON "
                       "Suscriptores.Clave = Quejas.Cliente WHERE Quejas.Solución = Null"));
    session.codes.CommandCode = 0;
    failIfNotLoaded(session);
    db::Recordset* complaints = session.engine.PanelRecordset.get();
    if (session.codes.EngineStatus != 0 || !complaints || complaints->eof()) {
        engine::BDats(session, QStringLiteral("Quita"), 1, QString(), QString());
        panels::MessageBox(session, QStringLiteral("No hay Quejas pendientes de reparar."));
        return;
    }
    OrderRun run(session, PageRule::RepairOrders, QStringLiteral("OrdRepa"));
    {
        RepairButtons buttons(session);
        auto& codes = session.codes;
        for (;;) {
            codes.CommandCode = 0;
            codes.TableCommand = 0;
            WaitContext context{WaitKind::Screen, QStringLiteral("panel Quejas Pendientes"), session.k, {}};
            session.wait.forUser([&codes] { return codes.CommandCode != 0 || codes.TableCommand != 0; },
                                 context);
            if (codes.TableCommand != PrintOrderCommand)
                break;
            complaints = session.engine.PanelRecordset.get();
            if (!complaints || complaints->eof() || complaints->bof())
                continue;
            if (!run.prepared() && !run.start(QStringLiteral("OrdRepa.txt")))
                continue;
            run.add(QStringLiteral("OrdRepa.txt"), repairValues(session, *complaints));
        }
        codes.CommandCode = 0;
        codes.TableCommand = 0;
    }
    run.end();
    engine::BDats(session, QStringLiteral("Quita"), 1, QString(), QString());
}

} // namespace quelmar::office
