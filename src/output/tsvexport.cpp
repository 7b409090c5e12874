#include "output/tsvexport.h"

#include "db/rowcursor.h"
#include "output/printlayout.h"

#include <QSaveFile>

namespace quelmar::output {

namespace {

constexpr qint64 ProgressRows = 4096;
constexpr qsizetype FlushBytes = 1 << 20;

// TABs and line breaks inside a value would break the file's rows and columns.
void blankSeparators(QByteArray& buffer, qsizetype from)
{
    char* data = buffer.data();
    for (qsizetype i = from; i < buffer.size(); ++i) {
        const char c = data[i];
        if (c == '\t' || c == '\n' || c == '\r')
            data[i] = ' ';
    }
}

} // namespace

ExportResult writeTsv(db::RowCursor& rows, const QStringList& captions, const QString& path,
                      const std::function<bool(qint64 rows)>& progress)
{
    ExportResult result;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        result.failure = file.errorString();
        return result;
    }
    QStringList heading;
    for (int column = 0; column < rows.fieldCount(); ++column) {
        const QString caption = captions.value(column);
        heading.append(caption.isEmpty() ? rows.fields().at(column).name : caption);
    }
    QByteArray buffer = layout::exportHeading(heading).toUtf8();
    buffer.append('\n');
    buffer.reserve(FlushBytes + 4096);
    const int columns = rows.fieldCount();
    auto flush = [&file, &buffer] {
        const bool ok = file.write(buffer) == buffer.size();
        buffer.clear();
        return ok;
    };
    while (rows.next()) {
        for (int column = 0; column < columns; ++column) {
            const qsizetype start = buffer.size();
            rows.appendText(column, buffer);
            if (buffer.size() > start)
                blankSeparators(buffer, start);
            buffer.append('\t');
        }
        buffer.append('\n');
        ++result.rows;
        if (buffer.size() >= FlushBytes && !flush())
            break;
        if (progress && result.rows % ProgressRows == 0 && !progress(result.rows)) {
            result.cancelled = true;
            file.cancelWriting();
            file.commit();
            return result;
        }
    }
    if (!rows.error().ok()) {
        result.failure = rows.error().description;
        file.cancelWriting();
        file.commit();
        return result;
    }
    if (!buffer.isEmpty())
        flush();
    if (!file.commit()) {
        result.failure = file.errorString();
        return result;
    }
    result.written = true;
    return result;
}

} // namespace quelmar::output
