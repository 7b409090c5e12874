#include "legacy/mdbsource.h"

#include "legacy/jetheader.h"
#include "legacy/querytext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QtEndian>

#include <cstdio>
#include <cstring>
#include <vector>

#include <mdbtools.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace quelmar::legacy {

namespace {

// Room for the longest memo (65,535 characters, up to three bytes each once converted) and its end.
constexpr size_t BindSize = 200000;

// Columns read through the library's text of the value; the others are read as the bytes the row keeps.
bool readAsText(int type)
{
    switch (type) {
    case legacytype::Byte:
    case legacytype::Integer:
    case legacytype::Long:
    case legacytype::Currency:
    case legacytype::Single:
    case legacytype::Double:
    case legacytype::DateTime:
        return false;
    default:
        return true;
    }
}

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

// A column's value as the row keeps it: whole numbers, money in ten-thousandths, the engine's date number.
QVariant fixedValue(const MdbHandle* mdb, const MdbColumn* column)
{
    const int start = column->cur_value_start;
    const int length = column->cur_value_len;
    if (length <= 0 || start < 0 || start + length > mdb->fmt->pg_size)
        return {};
    const unsigned char* at = mdb->pg_buf + start;
    const auto real64 = [at] {
        const quint64 raw = qFromLittleEndian<quint64>(at);
        double value = 0;
        std::memcpy(&value, &raw, sizeof value);
        return value;
    };
    switch (column->col_type) {
    case legacytype::Byte:
        return QVariant::fromValue(qlonglong(at[0]));
    case legacytype::Integer:
        return length < 2 ? QVariant() : QVariant::fromValue(qlonglong(qFromLittleEndian<qint16>(at)));
    case legacytype::Long:
        return length < 4 ? QVariant() : QVariant::fromValue(qlonglong(qFromLittleEndian<qint32>(at)));
    case legacytype::Currency:
        return length < 8 ? QVariant() : QVariant::fromValue(qlonglong(qFromLittleEndian<qint64>(at)));
    case legacytype::Single: {
        if (length < 4)
            return {};
        const quint32 raw = qFromLittleEndian<quint32>(at);
        float value = 0;
        std::memcpy(&value, &raw, sizeof value);
        return double(value);
    }
    default:
        return length < 8 ? QVariant() : QVariant(real64());
    }
}

// What the library writes on the error output while it reads (its own English words about a damaged page),
// kept for the import's report instead of shown on the terminal.
class ReaderMessages
{
public:
    explicit ReaderMessages(QStringList& messages) : m_messages(messages)
    {
        std::fflush(stderr);
        m_file = std::tmpfile();
        m_saved = m_file ? ::dup(STDERR_FILENO) : -1;
        if (m_saved >= 0)
            ::dup2(::fileno(m_file), STDERR_FILENO);
    }
    ~ReaderMessages()
    {
        if (m_saved >= 0) {
            std::fflush(stderr);
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
            std::rewind(m_file);
            QByteArray text;
            char block[4096];
            size_t read = 0;
            while ((read = std::fread(block, 1, sizeof block, m_file)) > 0)
                text.append(block, qsizetype(read));
            for (const QByteArray& line : text.split('\n')) {
                if (!line.trimmed().isEmpty() && m_messages.size() < MaxMessages)
                    m_messages.append(QString::fromUtf8(line.trimmed()));
            }
        }
        if (m_file)
            std::fclose(m_file);
    }
    ReaderMessages(const ReaderMessages&) = delete;
    ReaderMessages& operator=(const ReaderMessages&) = delete;

private:
    static constexpr qsizetype MaxMessages = 200;
    QStringList& m_messages;
    std::FILE* m_file = nullptr;
    int m_saved = -1;
};

// The fields of the row just fetched, with their null flags, in the order of the table's columns. False when
// the row cannot be found again on its page.
bool readNullFlags(MdbTableDef* table, std::vector<MdbField>& fields)
{
    constexpr int OffsetMask = 0x1FFF; // the row's place on its page, without its flags
    MdbHandle* mdb = table->entry->mdb;
    int start = 0;
    size_t length = 0;
    if (table->cur_row == 0 || table->num_cols > fields.size() ||
        mdb_find_row(mdb, int(table->cur_row) - 1, &start, &length) != 0)
        return false;
    return mdb_crack_row(table, start & OffsetMask, length, fields.data()) == int(table->num_cols);
}

// A table definition of the file, freed when it goes.
class TableDefinition
{
public:
    explicit TableDefinition(MdbCatalogEntry* entry) : m_table(entry ? mdb_read_table(entry) : nullptr)
    {
        if (m_table && !mdb_read_columns(m_table)) {
            mdb_free_tabledef(m_table);
            m_table = nullptr;
        }
    }
    ~TableDefinition()
    {
        if (m_table)
            mdb_free_tabledef(m_table);
    }
    TableDefinition(const TableDefinition&) = delete;
    TableDefinition& operator=(const TableDefinition&) = delete;

    MdbTableDef* get() const { return m_table; }
    MdbColumn* column(unsigned int i) const
    {
        return static_cast<MdbColumn*>(g_ptr_array_index(m_table->columns, i));
    }

private:
    MdbTableDef* m_table = nullptr;
};

class MdbSource : public LegacySource
{
public:
    explicit MdbSource(MdbHandle* mdb) : m_mdb(mdb) {}
    ~MdbSource() override { mdb_close(m_mdb); }
    MdbSource(const MdbSource&) = delete;
    MdbSource& operator=(const MdbSource&) = delete;

    // Reads the definitions of the user tables; a Spanish description when one cannot be read.
    QString readDefinitions();

    QList<LegacyTable> tables() override { return m_tables; }
    bool twoBytesPerCharacter() const override { return m_mdb->f->jet_version != MDB_VER_JET3; }
    QList<LegacyQuery> queries() override;
    QString readRows(const LegacyTable& table, const RowVisitor& row) override;
    QStringList readerMessages() const override { return m_messages; }
    QStringList linkedTables() const override { return m_linked; }
    QStringList& messages() { return m_messages; }

private:
    MdbCatalogEntry* entry(const QString& name, int type) const;

    MdbHandle* m_mdb;
    QList<LegacyTable> m_tables;
    QStringList m_messages;
    QStringList m_linked;
};

MdbCatalogEntry* MdbSource::entry(const QString& name, int type) const
{
    for (unsigned int i = 0; i < m_mdb->num_catalog; ++i) {
        auto* candidate = static_cast<MdbCatalogEntry*>(g_ptr_array_index(m_mdb->catalog, i));
        if (candidate->object_type == type && utf8(candidate->object_name) == name)
            return candidate;
    }
    return nullptr;
}

QString MdbSource::readDefinitions()
{
    for (unsigned int i = 0; i < m_mdb->num_catalog; ++i) {
        auto* candidate = static_cast<MdbCatalogEntry*>(g_ptr_array_index(m_mdb->catalog, i));
        if (candidate->object_type == MDB_LINKED_TABLE)
            m_linked.append(utf8(candidate->object_name));
        if (candidate->object_type != MDB_TABLE || !mdb_is_user_table(candidate))
            continue;
        const TableDefinition definition(candidate);
        LegacyTable table;
        table.name = utf8(candidate->object_name);
        if (!definition.get())
            return u"la definición de la tabla %1 no puede leerse"_s.arg(table.name);
        MdbTableDef* def = definition.get();
        table.rowCount = def->num_rows;
        for (unsigned int c = 0; c < def->num_cols; ++c) {
            const MdbColumn* column = definition.column(c);
            LegacyColumn legacy;
            legacy.name = utf8(column->name);
            legacy.type = column->col_type;
            legacy.size = column->col_size;
            legacy.autoNumber = column->is_long_auto != 0;
            if (column->props && column->props->hash) {
                GHashTableIter it;
                gpointer key = nullptr;
                gpointer value = nullptr;
                g_hash_table_iter_init(&it, column->props->hash);
                while (g_hash_table_iter_next(&it, &key, &value))
                    legacy.properties.insert(utf8(static_cast<const char*>(key)),
                                             utf8(static_cast<const char*>(value)));
            }
            table.columns.append(legacy);
        }
        mdb_read_indices(def);
        if (def->indices) {
            for (unsigned int x = 0; x < def->num_idxs && x < def->indices->len; ++x) {
                const auto* index = static_cast<const MdbIndex*>(g_ptr_array_index(def->indices, x));
                constexpr unsigned char ForeignKey =
                    2; // the other side of a relationship: no index of its own
                if (index->index_type == ForeignKey)
                    continue;
                LegacyIndex legacy;
                legacy.name = utf8(index->name);
                legacy.primary = index->index_type == 1;
                legacy.unique = (index->flags & MDB_IDX_UNIQUE) != 0;
                // The key columns are numbered from 1 in the order of the table's columns.
                for (unsigned int k = 0; k < index->num_keys && k < MDB_MAX_IDX_COLS; ++k)
                    legacy.columns.append(table.columns.value(index->key_col_num[k] - 1).name);
                legacy.columns.removeAll(QString());
                table.indexes.append(legacy);
            }
        }
        m_tables.append(table);
    }
    return {};
}

QString MdbSource::readRows(const LegacyTable& table, const RowVisitor& row)
{
    const ReaderMessages capture(m_messages);
    const TableDefinition definition(entry(table.name, MDB_TABLE));
    MdbTableDef* def = definition.get();
    if (!def)
        return u"su definición no puede leerse"_s;
    const unsigned int columns = def->num_cols;
    std::vector<std::vector<char>> buffers(columns);
    std::vector<int> lengths(columns, 0);
    for (unsigned int c = 0; c < columns; ++c) {
        if (!readAsText(definition.column(c)->col_type))
            continue;
        buffers[c].assign(BindSize, '\0');
        mdb_bind_column(def, int(c) + 1, buffers[c].data(), &lengths[c]);
    }
    mdb_rewind_table(def);
    QVariantList values;
    QHash<int, QString> problems;
    std::vector<MdbField> fields(MDB_MAX_COLS);
    while (mdb_fetch_row(def)) {
        values.clear();
        problems.clear();
        // The library gives an empty text and a null alike: the row's null flags tell them apart.
        const bool flagsRead = readNullFlags(def, fields);
        for (unsigned int c = 0; c < columns; ++c) {
            const MdbColumn* column = definition.column(c);
            if (column->col_type == legacytype::Boolean)
                values.append(buffers[c].front() == '1');
            else if (!readAsText(column->col_type))
                values.append(fixedValue(m_mdb, column));
            else if (lengths[c] <= 0)
                values.append(flagsRead && !fields[c].is_null ? QVariant(QByteArray("")) : QVariant());
            else {
                const size_t length = strnlen(buffers[c].data(), BindSize);
                values.append(QByteArray(buffers[c].data(), qsizetype(length)));
                if (length + 1 >= BindSize)
                    problems.insert(int(c),
                                    u"el texto pasa de %1 bytes: se copió cortado"_s.arg(BindSize - 1));
            }
        }
        if (!row(values, problems))
            break;
    }
    return {};
}

QList<LegacyQuery> MdbSource::queries()
{
    const ReaderMessages capture(m_messages);
    QList<LegacyQuery> queries;
    QHash<quint32, qsizetype> byObject;
    for (unsigned int i = 0; i < m_mdb->num_catalog; ++i) {
        auto* candidate = static_cast<MdbCatalogEntry*>(g_ptr_array_index(m_mdb->catalog, i));
        const QString name = utf8(candidate->object_name);
        // Queries whose name begins with "~" are the hidden record sources of forms and reports.
        if (candidate->object_type != MDB_QUERY || name.startsWith(u'~'))
            continue;
        byObject.insert(quint32(candidate->table_pg & 0x00FFFFFF), queries.size());
        queries.append({name, {}, u"sus partes no pudieron leerse"_s});
    }
    if (queries.isEmpty())
        return queries;
    const TableDefinition definition(entry(u"MSysQueries"_s, MDB_TABLE));
    MdbTableDef* def = definition.get();
    if (!def)
        return queries;
    const char* const names[] = {"Attribute", "Expression", "Flag", "Name1", "Name2", "ObjectId"};
    std::vector<std::vector<char>> buffers(std::size(names), std::vector<char>(BindSize, '\0'));
    std::vector<int> lengths(std::size(names), 0);
    for (size_t i = 0; i < std::size(names); ++i) {
        if (mdb_bind_column_by_name(def, const_cast<char*>(names[i]), buffers[i].data(), &lengths[i]) < 0)
            return queries;
    }
    QHash<quint32, QList<querytext::QueryRow>> parts;
    mdb_rewind_table(def);
    while (mdb_fetch_row(def)) {
        const auto text = [&](size_t i) { return lengths[i] > 0 ? utf8(buffers[i].data()) : QString(); };
        querytext::QueryRow part;
        part.attribute = text(0).toInt();
        part.expression = text(1);
        part.flag = text(2).toInt();
        part.name1 = text(3);
        part.name2 = text(4);
        parts[quint32(text(5).toLongLong() & 0x00FFFFFF)].append(part);
    }
    for (auto it = byObject.cbegin(); it != byObject.cend(); ++it) {
        if (!parts.contains(it.key()))
            continue;
        const querytext::Rebuilt rebuilt = querytext::rebuild(parts.value(it.key()));
        queries[it.value()].sql = rebuilt.sql;
        queries[it.value()].problem = rebuilt.problem;
    }
    return queries;
}

} // namespace

std::unique_ptr<LegacySource> openMdb(const QString& path, QString& problem, QStringList& readerMessages)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.isFile()) {
        problem = u"no existe el archivo %1: revise su nombre y su carpeta"_s.arg(shown);
        return nullptr;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problem = u"no se puede leer el archivo %1 (%2)"_s.arg(shown, file.errorString());
        return nullptr;
    }
    const jetheader::Header header = jetheader::read(file.read(4096), info.size());
    file.close();
    if (header.kind == jetheader::Kind::NotJet) {
        problem = u"el archivo %1 no es una Base de Datos de Access (Jet): revise que sea el archivo .mdb de "
                  u"la oficina"_s.arg(shown);
        return nullptr;
    }
    if (header.truncated) {
        problem =
            u"el archivo %1 está incompleto (termina a mitad de una página, como una copia interrumpida): "
            u"importe una copia completa"_s.arg(shown);
        return nullptr;
    }
    if (header.passwordProtected) {
        problem =
            u"el archivo %1 está protegido con contraseña: quítela con el programa que lo creó y vuelva a "
            u"importarlo"_s.arg(shown);
        return nullptr;
    }
    const QString damaged =
        u": el archivo está dañado o incompleto; importe una copia sana (por ejemplo, la de "
        u"respaldo)"_s;
    std::unique_ptr<MdbSource> source;
    {
        const ReaderMessages capture(readerMessages);
        MdbHandle* mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
        if (!mdb) {
            problem =
                u"el archivo %1 no pudo abrirse como Base de Datos de Access (Jet)"_s.arg(shown) + damaged;
            return nullptr;
        }
        source = std::make_unique<MdbSource>(mdb);
        mdb_set_bind_size(mdb, BindSize);
        mdb_set_boolean_fmt_numbers(mdb);
        if (!mdb_read_catalog(mdb, MDB_ANY)) {
            problem = u"el catálogo de objetos de %1 no puede leerse"_s.arg(shown) + damaged;
            return nullptr;
        }
        problem = source->readDefinitions();
    }
    if (!problem.isEmpty()) {
        problem += damaged;
        return nullptr;
    }
    source->messages() = readerMessages;
    return source;
}

} // namespace quelmar::legacy
