#include "office/notices.h"

#include "db/database.h"
#include "db/rowcursor.h"
#include "engine/bdats.h"
#include "engine/gridmodel.h"
#include "engine/gridview.h"
#include "output/repimp.h"
#include "panels/errortrap.h"
#include "panels/mainform.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "query/structurelists.h"
#include "session/errorlog.h"
#include "session/session.h"
#include "subscribers/noticemarks.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QUrl>

#include <functional>
#include <optional>

namespace quelmar::office {

namespace {

namespace marks = subscribers::notices;

constexpr int ReturnAtOnce = 1010;
const QString NoticeFile = QStringLiteral("Avisos.txt");
// Rows between two steps of the progress bar of a list marked whole.
constexpr int ProgressStep = 500;

// How a notice changes one subscriber's Observaciones; nothing when the row is left as it is.
using MarkChange = std::function<std::optional<QString>(const QString& notes)>;

void message(Session& session, const QString& text)
{
    panels::MessageBox(session, text, QMessageBox::Ok, QMessageBox::Information, QStringLiteral("AVISOS"));
}

// The notice file opened with the desktop's handler of text files (made empty when it is missing, so that the
// first notices can be written); in a scripted session its "[file]" line instead.
void openNoticeFile(Session& session)
{
    const QString path = session.shell.WorkingFolder.absoluteFilePath(NoticeFile);
    if (!QFile::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            maintenance::appendErrorLog(session, 75, file.errorString() + QStringLiteral(" | ") + path,
                                        QStringLiteral("Avisos"));
            panels::MessageBox(
                session,
                QStringLiteral("No se puede crear el archivo de avisos %1. Revise que se pueda "
                               "escribir en la carpeta de la oficina.")
                    .arg(QDir::toNativeSeparators(path)),
                QMessageBox::Ok, QMessageBox::Warning, QStringLiteral("AVISOS"));
            return;
        }
    }
    if (!output::interactive(session)) {
        session.transcript.write(QStringLiteral("file"), QDir::toNativeSeparators(path));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        panels::MessageBox(session,
                           QStringLiteral("No encuentro el programa para abrir %1. Ábralo con un editor de "
                                          "textos desde la carpeta de la oficina.")
                               .arg(QDir::toNativeSeparators(path)),
                           QMessageBox::Ok, QMessageBox::Warning, QStringLiteral("AVISOS"));
}

// Asks the notice's number until a number is typed; nothing when the user cancels or leaves it empty.
std::optional<int> askNumber(Session& session, const QString& title, const QString& prompt)
{
    for (;;) {
        QString typed;
        if (!panels::InputBox(session, title, prompt, typed) || typed.trimmed().isEmpty())
            return std::nullopt;
        if (const std::optional<int> number = marks::noticeNumber(typed))
            return number;
        panels::MessageBox(
            session,
            QStringLiteral("«%1» no es un número de aviso. Escriba el número con que empieza la "
                           "línea del aviso en Avisos.txt, por ejemplo 2.")
                .arg(typed.trimmed()),
            QMessageBox::Ok, QMessageBox::Warning, QStringLiteral("AVISOS"));
    }
}

// The field list of Suscriptores ("DatSQL").
QString subscriberFields(Session& session)
{
    QString table = QStringLiteral("Suscriptores");
    QStringList unused;
    query::StructureList(session, QStringLiteral("DatSQL"), table, 0, 0, unused);
    return session.engine.SelectedValue;
}

void refused(Session& session, const db::DbError& error, const QString& what)
{
    maintenance::appendErrorLog(session, error.number, error.description, QStringLiteral("Avisos"));
    panels::MessageBox(session,
                       what + QStringLiteral(" No se cambió ningún suscriptor. Intente de nuevo; si vuelve a "
                                             "ocurrir, revise la base de datos con la opción de reparación."),
                       QMessageBox::Ok, QMessageBox::Warning, QStringLiteral("AVISOS"));
}

struct SubscriberNotes
{
    QString name;
    QString notes;
};

// One subscriber's name and Observaciones now; nothing when the subscriber is gone.
std::optional<SubscriberNotes> currentNotes(db::Database& database, const QString& key, db::DbError& error)
{
    std::unique_ptr<db::RowCursor> row = db::RowCursor::open(
        database, QStringLiteral("SELECT Nombre, Observaciones FROM Suscriptores WHERE Clave = ") + key,
        error);
    if (!row)
        return std::nullopt;
    if (!row->next()) {
        error = row->error();
        return std::nullopt;
    }
    return SubscriberNotes{row->value(0).toString().trimmed(), row->value(1).toString()};
}

// One subscriber's Observaciones changed in a short transaction of its own that reads it first; written
// receives the text stored when the row changed.
db::DbError changeOne(db::Database& database, const QString& key, const MarkChange& change,
                      std::optional<QString>& written)
{
    written.reset();
    db::Transaction transaction(database);
    db::DbError error;
    const std::optional<SubscriberNotes> now = currentNotes(database, key, error);
    if (!now)
        return error;
    const std::optional<QString> changed = change(now->notes);
    if (!changed)
        return {};
    error = database.execute(QStringLiteral("UPDATE Suscriptores SET Observaciones = ? WHERE Clave = ?"),
                             {changed->isEmpty() ? QVariant() : QVariant(*changed), key.toLongLong()});
    if (error)
        return error;
    error = transaction.commit();
    if (!error)
        written = changed;
    return error;
}

int columnNamed(const QList<engine::FieldRow>& fields, const QString& name)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        QString field = fields.at(i).name;
        field.remove(u'[').remove(u']');
        if (field.section(u'.', -1).compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

// Every row of the list changed in one transaction, read row by row as it goes, with a progress bar that
// can cancel it; a failure or a cancel leaves every row as it was. The rows changed, or nothing.
std::optional<qint64> changeAll(Session& session, const QString& statement, const MarkChange& change)
{
    db::Database& database = *session.database.CurrentDatabase;
    db::Transaction transaction(database);
    db::DbError error;
    std::unique_ptr<db::RowCursor> rows = db::RowCursor::open(database, statement, error);
    std::unique_ptr<db::PreparedStatement> update;
    if (rows)
        update = database.prepare(QStringLiteral("UPDATE Suscriptores SET Observaciones = ? WHERE Clave = ?"),
                                  error);
    if (!rows || !update) {
        refused(session, error, QStringLiteral("No se pudieron leer los suscriptores de la lista."));
        return std::nullopt;
    }
    int keyColumn = -1;
    int notesColumn = -1;
    for (int i = 0; i < rows->fieldCount(); ++i) {
        const QString name = rows->fields().at(i).name;
        if (name.compare(QLatin1String("Clave"), Qt::CaseInsensitive) == 0)
            keyColumn = i;
        else if (name.compare(QLatin1String("Observaciones"), Qt::CaseInsensitive) == 0)
            notesColumn = i;
    }
    if (keyColumn < 0 || notesColumn < 0) {
        refused(session,
                db::DbError::make(3265, QStringLiteral("Clave or Observaciones not in ") + statement),
                QStringLiteral("La lista no tiene la Clave y las Observaciones de los suscriptores."));
        return std::nullopt;
    }
    const qint64 total = session.engine.RecordCount;
    QProgressDialog progress(QStringLiteral("Anotando el aviso en los suscriptores…"),
                             QStringLiteral("Cancelar"), 0, static_cast<int>(std::max<qint64>(1, total)),
                             session.k);
    progress.setWindowTitle(QStringLiteral("AVISOS"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    qint64 seen = 0;
    qint64 changed = 0;
    while (rows->next()) {
        const std::optional<QString> notes = change(rows->value(notesColumn).toString());
        if (notes) {
            error = update->run({notes->isEmpty() ? QVariant() : QVariant(*notes), rows->value(keyColumn)});
            if (error) {
                refused(session, error, QStringLiteral("No se pudo anotar el aviso."));
                return std::nullopt;
            }
            ++changed;
        }
        if (++seen % ProgressStep == 0) {
            progress.setValue(static_cast<int>(std::min(seen, total)));
            session.wait.letEventsRun();
            if (progress.wasCanceled()) {
                panels::MessageBox(session, QStringLiteral("Se canceló: ningún suscriptor quedó cambiado."));
                return std::nullopt;
            }
        }
    }
    if (rows->error()) {
        refused(session, rows->error(),
                QStringLiteral("No se pudieron leer todos los suscriptores de la lista."));
        return std::nullopt;
    }
    rows.reset();
    update.reset();
    error = transaction.commit();
    if (error) {
        refused(session, error, QStringLiteral("No se pudo guardar el aviso."));
        return std::nullopt;
    }
    return changed;
}

// The keys of the grid's rows in the order shown, read from its recordset a block at a time.
QStringList rowKeys(db::Recordset& rows, int keyColumn)
{
    constexpr qint64 Block = 1000;
    QStringList keys;
    const qint64 count = std::max<qint64>(0, rows.recordCount());
    QList<QVariantList> block;
    for (qint64 first = 0; first < count; first += Block) {
        block.clear();
        if (!rows.readRows(first, std::min(Block, count - first), block))
            break;
        for (const QVariantList& values : std::as_const(block)) {
            const QVariant key = values.value(keyColumn);
            // A row deleted meanwhile comes without its key.
            if (!key.isNull())
                keys.append(QString::number(key.toLongLong()));
        }
    }
    return keys;
}

// The rows of the grid one by one, each made the current row and asked about; "C" stops. The rows are the
// ones shown when the user chose "Algunos", walked by their keys: a row that changes (and so may leave the
// list, or move in it) neither hides its neighbour nor is asked twice. The grid shows each change at once
// and is read again at the end.
void changeSome(Session& session, const QString& prompt, const QString& buttons, QChar yes,
                const std::function<bool(const QString& notes)>& asks, const MarkChange& change)
{
    engine::GridView& view = engine::grid(session);
    const QList<engine::FieldRow> fields = session.engine.FieldTable;
    const int keyColumn = columnNamed(fields, QStringLiteral("Clave"));
    const int notesColumn = columnNamed(fields, QStringLiteral("Observaciones"));
    if (keyColumn < 0 || notesColumn < 0 || !view.model() || !view.recordset())
        return;
    db::Database& database = *session.database.CurrentDatabase;
    const QStringList keys = rowKeys(*view.recordset(), keyColumn);
    for (qsizetype row = 0; row < keys.size(); ++row) {
        const QString& key = keys.at(row);
        db::DbError error;
        const std::optional<SubscriberNotes> now = currentNotes(database, key, error);
        if (error) {
            refused(session, error, QStringLiteral("No se pudo leer el aviso de este suscriptor."));
            break;
        }
        if (!now || !asks(now->notes))
            continue;
        // The row is made the current one on the grid while it still stands where it stood; its name goes
        // with the question as well.
        const int shown = static_cast<int>(row);
        const bool inPlace = QString(view.cellText(shown, keyColumn)).remove(u',') == key;
        if (inPlace)
            view.setCurrent(shown, keyColumn);
        const QString answer = panels::AskButtonRow(
            session, now->name.isEmpty() ? prompt : prompt + QStringLiteral(": ") + now->name, buttons);
        if (answer == u'C')
            break;
        if (answer != yes)
            continue;
        std::optional<QString> written;
        error = changeOne(database, key, change, written);
        if (error) {
            refused(session, error, QStringLiteral("No se pudo cambiar el aviso de este suscriptor."));
            break;
        }
        if (written && inPlace)
            view.model()->setShownText(shown, notesColumn, *written);
    }
    view.refresh();
}

// Shows the list as the editable grid "Suscriptores con Aviso", to be changed under the user's eyes.
void showEditable(Session& session, const QString& statement)
{
    session.codes.CommandCode = ReturnAtOnce;
    engine::BDats(session, QStringLiteral("TabEdi"), 2, QStringLiteral("Suscriptores con Aviso"), statement);
    session.codes.CommandCode = 0;
}

void program(Session& session)
{
    message(session, QStringLiteral("Ver el Número de Aviso que se envia"));
    openNoticeFile(session);
    const std::optional<int> number =
        askNumber(session, QStringLiteral("Elige el Aviso"), QStringLiteral("Num. de Aviso programado"));
    if (!number)
        return;
    const QString fields = subscriberFields(session);
    if (fields.isEmpty())
        return;
    engine::BDats(session, QStringLiteral("TabPre"), 2,
                  QStringLiteral("Selecciona Suscriptores para Aviso y Termina"),
                  QStringLiteral("Select ") + fields + QStringLiteral(" FROM Suscriptores"));
    if (session.codes.EngineStatus != 0) {
        engine::BDats(session, QStringLiteral("TabFin"), 2, QString(), QString());
        return;
    }
    const QString statement = session.engine.CurrentSQL;
    showEditable(session, statement);
    if (session.codes.EngineStatus != 0) {
        engine::BDats(session, QStringLiteral("TabFin"), 2, QString(), QString());
        return;
    }
    const MarkChange append = [n = *number](const QString& notes) {
        return std::optional<QString>(marks::appendMark(notes, n));
    };
    const QString answer =
        panels::AskButtonRow(session, QStringLiteral("Programa Aviso %1 para:").arg(*number),
                             QStringLiteral("&Todos,&Algunos,&Ninguno,"));
    if (answer == u'T') {
        if (const std::optional<qint64> changed = changeAll(session, statement, append)) {
            engine::grid(session).refresh();
            message(session,
                    QStringLiteral("Aviso %1 programado para %2 suscriptores.").arg(*number).arg(*changed));
        }
    } else if (answer == u'A') {
        changeSome(
            session, QStringLiteral("Anota Mensaje para este Suscriptor"),
            QStringLiteral("&Anota,&No Anota,&Cancela,"), u'A', [](const QString&) { return true; }, append);
    }
    engine::BDats(session, QStringLiteral("TabFin"), 2, QString(), QString());
}

void remove(Session& session)
{
    message(session, QStringLiteral("Ver el Número de Aviso que se elimina"));
    openNoticeFile(session);
    const std::optional<int> number =
        askNumber(session, QStringLiteral("Elimina Avisos"), QStringLiteral("Num. de Aviso eliminado"));
    if (!number)
        return;
    const QString fields = subscriberFields(session);
    if (fields.isEmpty())
        return;
    const QString statement =
        QStringLiteral("Select ") + fields +
        QStringLiteral(" FROM Suscriptores WHERE Observaciones LIKE '*Aviso=%1*'").arg(*number);
    engine::BDats(session, QStringLiteral("TabPre"), 2,
                  QStringLiteral("Suscriptores pendientes de Aviso %1").arg(*number), statement);
    if (session.codes.EngineStatus != 0) {
        engine::BDats(session, QStringLiteral("TabFin"), 2, QString(), QString());
        return;
    }
    const QString narrowed = session.engine.CurrentSQL;
    const QString answer =
        panels::AskButtonRow(session, QStringLiteral("Elimina Aviso %1 para:").arg(*number),
                             QStringLiteral("&Todos,&Algunos,&Ninguno,"));
    showEditable(session, narrowed);
    const int n = *number;
    const MarkChange take = [n](const QString& notes) -> std::optional<QString> {
        if (!marks::hasMark(notes, n))
            return std::nullopt;
        return marks::removeMarks(notes, n);
    };
    if (session.codes.EngineStatus == 0 && answer == u'T') {
        if (const std::optional<qint64> changed = changeAll(session, narrowed, take)) {
            engine::grid(session).refresh();
            message(session, QStringLiteral("Aviso %1 eliminado de %2 suscriptores.").arg(n).arg(*changed));
        }
    } else if (session.codes.EngineStatus == 0 && answer == u'A') {
        changeSome(
            session, QStringLiteral("Elimina el Aviso %1 de este Suscriptor").arg(n),
            QStringLiteral("&Elimina,&No elimina,&Cancela,"), u'E',
            [n](const QString& notes) { return marks::hasMark(notes, n); }, take);
    }
    engine::BDats(session, QStringLiteral("TabFin"), 2, QString(), QString());
}

} // namespace

void NoticeMenu(Session& session, int option)
{
    session.errors.RoutineName = QStringLiteral("Avisos");
    switch (option) {
    case 1:
        message(session, QStringLiteral("Agrega, Modifica o Elimina los Avisos a Suscriptores") +
                             session.shell.NewLine + session.shell.NewLine +
                             QStringLiteral("Deben empezar con un Número: 1-  2- ,,,,"));
        openNoticeFile(session);
        break;
    case 2:
        program(session);
        break;
    case 3: {
        const QString fields = subscriberFields(session);
        if (!fields.isEmpty())
            engine::BDats(session, QStringLiteral("TabPre"), 2,
                          QStringLiteral("Suscriptores con Aviso pendiente"),
                          QStringLiteral("Select ") + fields +
                              QStringLiteral(" FROM Suscriptores WHERE Observaciones LIKE '*Aviso=*'"));
        break;
    }
    case 4:
        remove(session);
        break;
    default:
        break;
    }
}

} // namespace quelmar::office
