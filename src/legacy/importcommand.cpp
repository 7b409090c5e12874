#include "legacy/importcommand.h"

#include "legacy/importer.h"
#include "legacy/mdbsource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace quelmar::legacy {

namespace {

bool writeReport(const ImportReport& report, const QString& path, QTextStream& err)
{
    QFile file(path);
    const QByteArray text = report.text().toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size()) {
        err << "quelmar-admin: no se pudo escribir el informe " << QDir::toNativeSeparators(path) << " ("
            << file.errorString() << ")\n";
        return false;
    }
    return true;
}

} // namespace

QString reportPathFor(const QString& targetPath)
{
    const QFileInfo target(targetPath);
    return target.path() + u'/' + target.completeBaseName() + u".importacion.txt"_s;
}

bool importIntoFolder(const QString& mdbPath, const QString& folder, QTextStream& out, QTextStream& err)
{
    const QString base = QFileInfo(mdbPath).completeBaseName();
    const QString target = QDir(folder).absoluteFilePath(base + u".mdb"_s);
    const QString reportPath = reportPathFor(target);
    ImportReport report;
    report.source = QDir::toNativeSeparators(QFileInfo(mdbPath).absoluteFilePath());
    report.target = QDir::toNativeSeparators(target);

    QString problem;
    const std::unique_ptr<LegacySource> source = openMdb(mdbPath, problem, report.readerMessages);
    if (!source) {
        err << "quelmar-admin: no se importó: " << problem << ".\n";
        // What the reader said about a damaged file is kept for whoever looks into it.
        if (!report.readerMessages.isEmpty() && QDir().mkpath(folder)) {
            report.failure = problem;
            if (writeReport(report, reportPath, err))
                err << "  Los detalles están en " << QDir::toNativeSeparators(reportPath) << ".\n";
        }
        err.flush();
        return false;
    }
    if (QFileInfo::exists(target)) {
        err << "quelmar-admin: no se importó: ya existe " << QDir::toNativeSeparators(target)
            << "; elija otra carpeta o mueva ese archivo.\n";
        err.flush();
        return false;
    }
    if (!QDir().mkpath(folder)) {
        err << "quelmar-admin: no se importó: no se pudo crear la carpeta "
            << QDir::toNativeSeparators(folder) << ".\n";
        err.flush();
        return false;
    }

    int lastTenth = -1;
    QString lastTable;
    const ImportProgress progress = [&](const QString& table, qint64 done, qint64 total) {
        const int tenth = total > 0 ? int(qMin<qint64>(done * 10 / total, 10)) : 10;
        if (table == lastTable && tenth == lastTenth)
            return;
        lastTable = table;
        lastTenth = tenth;
        out << "Tabla " << table << ": " << tenth * 10 << "% (" << done << " de " << total << " filas)\n";
        out.flush();
    };
    const bool imported = importDatabase(*source, target, report, progress);
    const bool reported = writeReport(report, reportPath, err);
    if (!imported) {
        err << "quelmar-admin: no se importó: " << report.failure << ".\n";
        if (reported)
            err << "  Lo leído hasta el problema está en el informe " << QDir::toNativeSeparators(reportPath)
                << ".\n";
        err.flush();
        return false;
    }
    qint64 rowsRead = 0;
    qint64 rowsWritten = 0;
    for (const TableOutcome& table : std::as_const(report.tables)) {
        rowsRead += table.rowsRead;
        rowsWritten += table.rowsWritten;
    }
    qsizetype queriesMade = 0;
    for (const QueryOutcome& query : std::as_const(report.queries))
        queriesMade += query.made ? 1 : 0;
    out << "Importada en " << QDir::toNativeSeparators(target) << ": " << report.tables.size() << " tablas, "
        << rowsWritten << " de " << rowsRead << " filas, " << queriesMade << " de " << report.queries.size()
        << " consultas.\n";
    if (!report.values.isEmpty() || rowsWritten != rowsRead || queriesMade != report.queries.size())
        out << "Hay " << report.values.size()
            << " valores o filas que no se copiaron tal como estaban y consultas no creadas: revíselos en el "
               "informe.\n";
    out << "Informe: " << QDir::toNativeSeparators(reportPath) << '\n';
    out.flush();
    return reported;
}

} // namespace quelmar::legacy
