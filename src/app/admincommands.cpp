#include "app/admincommands.h"

#include "db/database.h"
#include "db/jetsql.h"
#include "db/recordset.h"
#include "db/textrows.h"
#include "subscribers/demooffice.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QTextStream>

#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace quelmar::app {

namespace {

using db::DbError;

void reportError(QTextStream& err, const QString& what, const DbError& error)
{
    err << "quelmar-admin: " << what << ": error " << error.number << ": " << error.description << '\n';
    if (!error.statement.isEmpty())
        err << "  statement: " << error.statement << '\n';
    err.flush();
}

int usageError(QTextStream& err, const QString& problem)
{
    err << "quelmar-admin: " << problem << "\n\n" << adminUsage();
    err.flush();
    return exitcode::Usage;
}

std::optional<qint64> wholeNumber(const QString& text, qint64 lowest, qint64 highest)
{
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (!ok || number < lowest || number > highest)
        return std::nullopt;
    return number;
}

// Tables, and stored queries written "&name", are opened by name; everything else is a statement.
bool isSourceName(const QString& source)
{
    static const QRegularExpression name(u"^(&?[^\\s\\[\\]]+|\\[[^\\]]+\\])$"_s);
    return name.match(source).hasMatch();
}

// The rows as text, written in large blocks straight to the output's device when it has one.
int printRows(db::TextRows& rows, QTextStream& out, QTextStream& err)
{
    QStringList names;
    for (const db::FieldInfo& field : rows.fields())
        names.append(field.name);
    out << names.join(u'\t') << '\n';
    out.flush();
    QIODevice* device = out.device();
    const int columns = int(rows.fields().size());
    constexpr qsizetype BlockBytes = 1 << 16;
    QByteArray block;
    block.reserve(BlockBytes + 4096);
    const auto write = [&] {
        if (device)
            device->write(block);
        else
            out << QString::fromUtf8(block);
        block.clear();
    };
    while (rows.next()) {
        for (int column = 0; column < columns; ++column) {
            rows.appendText(column, block);
            block.append(column + 1 < columns ? '\t' : '\n');
        }
        if (block.size() >= BlockBytes)
            write();
    }
    write();
    out.flush();
    if (!rows.error().ok()) {
        reportError(err, u"reading the rows failed"_s, rows.error());
        return exitcode::Failure;
    }
    return exitcode::Success;
}

} // namespace

QString adminUsage()
{
    return u"Usage:\n"
           u"  quelmar-admin create-demo FOLDER [--subscribers N] [--years Y] [--seed S]\n"
           u"      Creates a complete office folder with made-up data (defaults: 600 subscribers,\n"
           u"      3 years of history, seed 1). Refuses a folder that already has Quelmar.mdb.\n"
           u"  quelmar-admin query DATABASE 'STATEMENT'\n"
           u"      Runs a statement in the office's SQL. A SELECT (or a table or &query name) prints\n"
           u"      its column names and its rows, tab-separated; an action statement prints\n"
           u"      \"Rows affected: N\".\n"_s;
}

int createDemo(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    subscribers::DemoOptions options;
    QString folder;
    for (int i = 0; i < arguments.size(); ++i) {
        QString argument = arguments.at(i);
        if (!argument.startsWith(u"--"_s)) {
            if (!folder.isEmpty())
                return usageError(err, u"create-demo takes one folder, not also '%1'"_s.arg(argument));
            folder = argument;
            continue;
        }
        QString text;
        const qsizetype equals = argument.indexOf(u'=');
        if (equals >= 0) {
            text = argument.mid(equals + 1);
            argument.truncate(equals);
        } else if (i + 1 < arguments.size()) {
            text = arguments.at(++i);
        } else {
            return usageError(err, u"%1 needs a value"_s.arg(argument));
        }
        std::optional<qint64> number;
        if (argument == u"--subscribers"_s && (number = wholeNumber(text, 0, 10'000'000)))
            options.subscribers = int(*number);
        else if (argument == u"--years"_s && (number = wholeNumber(text, 1, 100)))
            options.years = int(*number);
        else if (argument == u"--seed"_s && (number = wholeNumber(text, 0, 0xFFFFFFFFLL)))
            options.seed = quint32(*number);
        else if (argument == u"--subscribers"_s || argument == u"--years"_s || argument == u"--seed"_s)
            return usageError(err, u"%1: '%2' is not an accepted number"_s.arg(argument, text));
        else
            return usageError(err, u"unknown option '%1'"_s.arg(argument));
    }
    if (folder.isEmpty())
        return usageError(err, u"create-demo needs the folder to create"_s);

    subscribers::DemoSummary summary;
    const DbError error = subscribers::createDemoOffice(folder, options, &summary);
    if (!error.ok()) {
        reportError(err, u"the demonstration office was not created"_s, error);
        return exitcode::Failure;
    }
    out << "Demonstration office created in " << QDir::toNativeSeparators(folder) << '\n';
    for (const auto& [table, rows] : std::as_const(summary.rowCounts))
        out << table << '\t' << rows << '\n';
    out << "Last ticket (CDT)\t" << summary.lastTicket << '\n';
    out.flush();
    return exitcode::Success;
}

int query(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.size() != 2)
        return usageError(err, u"query needs the database and one statement"_s);
    const QString path = arguments.at(0);
    const QString statement = arguments.at(1).trimmed();

    bool returnsRows = isSourceName(statement);
    if (!returnsRows) {
        const db::jetsql::TranslatedStatement translated = db::jetsql::translate(statement);
        if (!translated.error.ok()) {
            reportError(err, u"the statement cannot be read"_s, translated.error);
            return exitcode::Failure;
        }
        returnsRows = translated.kind == db::jetsql::StatementKind::Select ||
                      translated.kind == db::jetsql::StatementKind::Crosstab;
    }

    DbError error;
    db::Database::OpenOptions openOptions;
    openOptions.readOnly = returnsRows;
    const std::unique_ptr<db::Database> database = db::Database::open(path, openOptions, error);
    if (!database) {
        reportError(err, u"cannot open '%1'"_s.arg(QDir::toNativeSeparators(path)), error);
        return exitcode::Failure;
    }

    if (!returnsRows) {
        qint64 affected = 0;
        error = database->execute(statement, {}, &affected);
        if (!error.ok()) {
            reportError(err, u"the statement failed"_s, error);
            return exitcode::Failure;
        }
        out << "Rows affected: " << affected << '\n';
        out.flush();
        return exitcode::Success;
    }

    const std::unique_ptr<db::TextRows> rows = db::TextRows::open(*database, statement, error);
    if (!rows) {
        reportError(err, u"the statement failed"_s, error);
        return exitcode::Failure;
    }
    return printRows(*rows, out, err);
}

int runAdmin(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.isEmpty())
        return usageError(err, u"no command given"_s);
    const QString command = arguments.first();
    if (command == u"help"_s || command == u"--help"_s || command == u"-h"_s) {
        out << adminUsage();
        out.flush();
        return exitcode::Success;
    }
    if (command == u"create-demo"_s)
        return createDemo(arguments.mid(1), out, err);
    if (command == u"query"_s)
        return query(arguments.mid(1), out, err);
    return usageError(err, u"unknown command '%1'"_s.arg(command));
}

} // namespace quelmar::app
