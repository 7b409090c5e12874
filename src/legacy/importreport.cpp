#include "legacy/importreport.h"

using namespace Qt::StringLiterals;

namespace quelmar::legacy {

QString ImportReport::text() const
{
    QString t;
    t += u"Importación de la Base de Datos %1\n"_s.arg(source);
    if (failure.isEmpty())
        t += u"Resultado: importada en %1\n"_s.arg(target);
    else
        t += u"Resultado: NO importada: %1.\nNo se creó %2.\n"_s.arg(failure, target);

    t += u"\nTablas (filas leídas / filas escritas):\n"_s;
    for (const TableOutcome& table : tables) {
        t += u"  %1\t%2\t%3%4\n"_s.arg(table.table)
                 .arg(table.rowsRead)
                 .arg(table.rowsWritten)
                 .arg(table.rowsRead == table.rowsWritten ? QString() : u"\tFALTAN FILAS: vea abajo"_s);
    }

    t += u"\nConsultas:\n"_s;
    if (queries.isEmpty())
        t += u"  (ninguna)\n"_s;
    for (const QueryOutcome& query : queries) {
        if (query.made)
            t += u"  %1\tcreada\n"_s.arg(query.query);
        else
            t += u"  %1\tNO creada: %2\n"_s.arg(query.query, query.reason);
        if (!query.sql.isEmpty())
            t += u"    %1\n"_s.arg(QString(query.sql).replace(u'\n', u' '));
    }

    if (!notes.isEmpty()) {
        t += u"\nAdaptaciones:\n"_s;
        for (const QString& note : notes)
            t += u"  %1\n"_s.arg(note);
    }

    t += u"\nValores no copiados tal como estaban (tabla, fila, campo, valor, motivo):\n"_s;
    if (values.isEmpty())
        t += u"  (ninguno)\n"_s;
    for (const ValueProblem& value : values) {
        t += u"  %1\t%2\t%3\t%4\t%5\n"_s.arg(value.table, value.rowKey,
                                             value.column.isEmpty() ? u"(fila)"_s : value.column, value.value,
                                             value.problem);
    }
    if (!readerMessages.isEmpty()) {
        t += u"\nMensajes del lector del archivo Jet (en inglés, para el encargado técnico):\n"_s;
        for (const QString& message : readerMessages)
            t += u"  %1\n"_s.arg(message);
    }
    return t;
}

} // namespace quelmar::legacy
