#include "db/recordset.h"

#include "db/database.h"
#include "db/jetsql.h"
#include "db/jetvalue.h"
#include "db/recordsetsource.h"

#include <limits>

namespace quelmar::db {

namespace {

const FieldInfo& noField()
{
    static const FieldInfo empty;
    return empty;
}

QString plainName(const QString& name)
{
    QString n = name.trimmed();
    if (n.startsWith(QLatin1Char('[')) && n.endsWith(QLatin1Char(']')))
        n = n.mid(1, n.size() - 2);
    return n;
}

} // namespace

Recordset::Recordset(Database& database, RecordsetType type, QString jetSql, std::unique_ptr<Source> source)
    : m_database(database), m_type(type), m_sql(std::move(jetSql)), m_source(std::move(source))
{
    moveFirst();
    m_error = {};
}

Recordset::~Recordset() = default;

bool Recordset::isUpdatable() const
{
    return m_source && m_type != RecordsetType::Snapshot && m_type != RecordsetType::ForwardOnly &&
           m_source->isUpdatable();
}

DbError Recordset::fail(DbError error)
{
    m_error = std::move(error);
    return m_error;
}

bool Recordset::eof() const
{
    return m_atEof;
}

qint64 Recordset::recordCount()
{
    if (!m_source)
        return 0;
    DbError error;
    const qint64 count = m_source->count(error);
    if (!error.ok())
        fail(error);
    return count;
}

// A row just added stands after all the others; where that is is counted only when someone needs it.
void Recordset::resolvePosition() const
{
    if (m_addedIndex < 0 || !m_source)
        return;
    DbError error;
    m_position = m_source->positionOfAdded(m_addedIndex, error);
    m_addedIndex = -1;
}

qint64 Recordset::absolutePosition() const
{
    resolvePosition();
    return (m_position < 0 || m_atEof || m_currentDeleted || m_currentGone) ? -1 : m_position;
}

bool Recordset::loadCurrent(bool fresh)
{
    m_editMode = EditMode::None;
    m_currentDeleted = false;
    m_currentGone = false;
    DbError error;
    const bool read = m_addedIndex >= 0 ? m_source->addedRow(m_addedIndex, m_current, error)
                                        : m_source->row(m_position, m_current, error, fresh);
    if (!read) {
        m_current = QVariantList(fieldCount());
        // Deleted by someone else: the row keeps its place among the others, so moving goes on from it.
        m_currentGone = error.number == jeterror::RecordDeleted;
        fail(error);
        return false;
    }
    if (m_dirty.size() == fieldCount())
        m_dirty.fill(false);
    else
        m_dirty = QList<bool>(fieldCount(), false);
    m_error = {};
    return true;
}

bool Recordset::setAbsolutePosition(qint64 position)
{
    if (!m_source)
        return false;
    DbError error;
    if (position < 0 || !m_source->hasRow(position, error)) {
        fail(error.ok() ? DbError::make(jeterror::NoCurrentRecord) : error);
        return false;
    }
    m_addedIndex = -1;
    m_position = position;
    m_atEof = false;
    return loadCurrent();
}

bool Recordset::readRows(qint64 first, qint64 count, QList<QVariantList>& rows)
{
    if (!m_source || first < 0)
        return false;
    DbError error;
    if (!m_source->rows(first, count, rows, error)) {
        fail(error);
        return false;
    }
    if (error)
        fail(error); // rows deleted meanwhile came as Nulls
    else
        m_error = {};
    return true;
}

void Recordset::moveFirst()
{
    if (!m_source)
        return;
    m_addedIndex = -1;
    DbError error;
    if (m_source->hasRow(0, error)) {
        m_position = 0;
        m_atEof = false;
        loadCurrent();
    } else {
        m_position = -1;
        m_atEof = true;
        m_current.clear();
        m_editMode = EditMode::None;
        m_currentDeleted = false;
        m_currentGone = false;
        fail(error);
    }
}

void Recordset::moveLast()
{
    if (!m_source)
        return;
    m_addedIndex = -1;
    DbError error;
    qint64 last = m_source->count(error) - 1;
    // The count may have changed since the keys were read: settle on the last row that exists.
    while (last >= 0 && !m_source->hasRow(last, error))
        --last;
    while (m_source->hasRow(last + 1, error))
        ++last;
    if (last < 0) {
        moveFirst();
        return;
    }
    m_position = last;
    m_atEof = false;
    loadCurrent();
}

void Recordset::moveNext()
{
    if (!m_source)
        return;
    if (m_atEof) {
        fail(DbError::make(jeterror::NoCurrentRecord));
        return;
    }
    resolvePosition();
    // After a deletion the following row has moved into the deleted one's place.
    const qint64 next = m_currentDeleted ? m_position : m_position + 1;
    DbError error;
    if (m_source->hasRow(next, error)) {
        m_position = next;
        loadCurrent();
    } else {
        m_position = next;
        m_atEof = true;
        m_current.clear();
        m_editMode = EditMode::None;
        m_currentDeleted = false;
        m_currentGone = false;
        fail(error);
    }
}

void Recordset::movePrevious()
{
    if (!m_source)
        return;
    if (bof()) {
        fail(DbError::make(jeterror::NoCurrentRecord));
        return;
    }
    resolvePosition();
    const qint64 previous = m_position - 1;
    if (previous < 0) {
        m_position = -1;
        m_atEof = false;
        m_current.clear();
        m_editMode = EditMode::None;
        m_currentDeleted = false;
        m_currentGone = false;
        DbError error;
        m_atEof = !m_source->hasRow(0, error);
        return;
    }
    m_position = previous;
    m_atEof = false;
    loadCurrent();
}

void Recordset::move(qint64 rows)
{
    if (rows == 0 || !m_source)
        return;
    resolvePosition();
    const qint64 target = (m_atEof ? m_position : std::max<qint64>(m_position, 0)) + rows;
    if (target < 0) {
        moveFirst();
        movePrevious();
        return;
    }
    // Past the end: EOF after the last row, as the engine leaves it.
    if (!setAbsolutePosition(target)) {
        moveLast();
        if (m_position >= 0 && target > m_position)
            moveNext();
    }
}

int Recordset::fieldCount() const
{
    return m_source ? static_cast<int>(m_source->fields().size()) : 0;
}

const FieldInfo& Recordset::field(int index) const
{
    if (!m_source || index < 0 || index >= fieldCount())
        return noField();
    return m_source->fields().at(index);
}

int Recordset::fieldIndex(const QString& name) const
{
    if (!m_source)
        return -1;
    QString wanted = name.trimmed();
    QString table;
    // "Table.Field", "[Table].[Field]" or "Table.[Field name]": the dot before the field's own name.
    const qsizetype bracket = wanted.endsWith(QLatin1Char(']')) ? wanted.lastIndexOf(QLatin1Char('[')) : -1;
    const qsizetype dot =
        bracket > 0 ? bracket - 1 : (bracket == 0 ? -1 : wanted.lastIndexOf(QLatin1Char('.')));
    if (dot > 0 && wanted.at(dot) == QLatin1Char('.')) {
        table = plainName(wanted.left(dot));
        wanted = wanted.mid(dot + 1);
    }
    wanted = plainName(wanted);
    const QList<FieldInfo>& fields = m_source->fields();
    for (int i = 0; i < fields.size(); ++i) {
        const FieldInfo& f = fields.at(i);
        if (f.name.compare(wanted, Qt::CaseInsensitive) == 0 &&
            (table.isEmpty() || f.sourceTable.compare(table, Qt::CaseInsensitive) == 0))
            return i;
    }
    // "Table.Field" also names a field shown under an alias.
    for (int i = 0; i < fields.size(); ++i) {
        const FieldInfo& f = fields.at(i);
        if (f.sourceField.compare(wanted, Qt::CaseInsensitive) == 0 &&
            (table.isEmpty() || f.sourceTable.compare(table, Qt::CaseInsensitive) == 0))
            return i;
    }
    return -1;
}

QVariant Recordset::value(int index) const
{
    if (index < 0 || index >= m_current.size())
        return {};
    return m_current.at(index);
}

QVariant Recordset::value(const QString& name) const
{
    return value(fieldIndex(name));
}

DbError Recordset::setValue(int index, const QVariant& value)
{
    if (m_editMode == EditMode::None)
        return fail(DbError::make(jeterror::UpdateWithoutEdit));
    if (index < 0 || index >= fieldCount())
        return fail(DbError::make(jeterror::ItemNotFound));
    const FieldInfo& info = field(index);
    if (!info.writable)
        return fail(DbError::make(3164, QStringLiteral("Field can't be updated.")));
    DbError error;
    const QVariant stored = jetvalue::toStorage(value, info.type(), error);
    if (error.number == jeterror::DataTypeConversion)
        error.description = QStringLiteral("Data type conversion error in field '%1'.").arg(info.name);
    if (!error.ok())
        return fail(error);
    m_current[index] = jetvalue::fromStorage(stored, info.type());
    m_dirty[index] = true;
    m_error = {};
    return {};
}

DbError Recordset::setValue(const QString& name, const QVariant& value)
{
    const int index = fieldIndex(name);
    if (index < 0)
        return fail(DbError::make(jeterror::ItemNotFound));
    return setValue(index, value);
}

bool Recordset::findFrom(const QString& criterion, qint64 start, bool forward)
{
    m_noMatch = true;
    if (!m_source)
        return false;
    DbError error;
    const QString condition = jetsql::translateExpression(criterion, &error, m_database.dialect());
    if (!error.ok()) {
        fail(error);
        return false;
    }
    const qint64 found = m_source->find(condition, start, forward, error);
    if (!error.ok()) {
        error.statement = criterion;
        fail(error);
        return false;
    }
    if (found < 0)
        return false;
    m_noMatch = false;
    m_addedIndex = -1;
    m_position = found;
    m_atEof = false;
    loadCurrent();
    return true;
}

bool Recordset::findFirst(const QString& criterion)
{
    return findFrom(criterion, 0, true);
}

bool Recordset::findLast(const QString& criterion)
{
    return findFrom(criterion, std::numeric_limits<qint64>::max(), false);
}

bool Recordset::findNext(const QString& criterion)
{
    resolvePosition();
    const qint64 start = bof() ? 0 : (m_currentDeleted ? m_position : m_position + 1);
    return findFrom(criterion, start, true);
}

bool Recordset::findPrevious(const QString& criterion)
{
    if (bof()) {
        m_noMatch = true;
        return false;
    }
    resolvePosition();
    return findFrom(criterion, m_position - 1, false);
}

QString Recordset::index() const
{
    return m_source ? m_source->indexName() : QString();
}

bool Recordset::seek(const QString& comparison, const QVariantList& keys)
{
    m_noMatch = true;
    if (!m_source)
        return false;
    DbError error;
    const qint64 found = m_source->seek(comparison, keys, error);
    if (!error.ok()) {
        fail(error);
        return false;
    }
    if (found < 0)
        return false;
    m_noMatch = false;
    m_addedIndex = -1;
    m_position = found;
    m_atEof = false;
    return loadCurrent();
}

DbError Recordset::addNew()
{
    if (!isUpdatable())
        return fail(DbError::make(jeterror::ReadOnly));
    m_positionBeforeAdd = m_position;
    m_addedBeforeAdd = m_addedIndex;
    m_eofBeforeAdd = m_atEof;
    m_current = QVariantList(fieldCount());
    m_dirty = QList<bool>(fieldCount(), false);
    for (int i = 0; i < fieldCount(); ++i) {
        const FieldInfo& info = field(i);
        if (!info.writable)
            continue;
        const QVariant byDefault = jetvalue::evaluateDefault(info.def);
        if (byDefault.isValid()) {
            m_current[i] = byDefault;
            m_dirty[i] = true;
        }
    }
    m_editMode = EditMode::AddNew;
    m_error = {};
    return {};
}

DbError Recordset::edit()
{
    if (!isUpdatable())
        return fail(DbError::make(jeterror::ReadOnly));
    if (absolutePosition() < 0)
        return fail(DbError::make(jeterror::NoCurrentRecord));
    // Read the row afresh, so that a change by someone else since it was shown is not overwritten.
    if (!loadCurrent(true))
        return m_error;
    m_original = m_current;
    m_editMode = EditMode::Edit;
    return {};
}

DbError Recordset::update()
{
    if (m_editMode == EditMode::None)
        return fail(DbError::make(jeterror::UpdateWithoutEdit));
    if (m_editMode == EditMode::Edit) {
        resolvePosition();
        const DbError error = m_source->update(m_position, m_original, m_current, m_dirty);
        if (!error.ok())
            return fail(error);
        loadCurrent(true);
        return {};
    }
    int added = -1;
    const DbError error = m_source->insert(m_current, m_dirty, added);
    if (!error.ok())
        return fail(error);
    // The new row becomes the current one.
    m_addedIndex = added;
    m_atEof = false;
    loadCurrent(true);
    return {};
}

void Recordset::cancelUpdate()
{
    if (m_editMode == EditMode::AddNew) {
        m_position = m_positionBeforeAdd;
        m_addedIndex = m_addedBeforeAdd;
        m_atEof = m_eofBeforeAdd;
        m_editMode = EditMode::None;
        if ((m_position >= 0 || m_addedIndex >= 0) && !m_atEof)
            loadCurrent();
        else
            m_current.clear();
    } else if (m_editMode == EditMode::Edit) {
        loadCurrent(true);
    }
    m_editMode = EditMode::None;
}

DbError Recordset::remove()
{
    if (!isUpdatable())
        return fail(DbError::make(jeterror::ReadOnly));
    if (absolutePosition() < 0)
        return fail(DbError::make(jeterror::NoCurrentRecord));
    const DbError error = m_source->remove(m_position);
    if (!error.ok())
        return fail(error);
    m_current = QVariantList(fieldCount());
    m_currentDeleted = true;
    m_currentGone = false;
    m_editMode = EditMode::None;
    m_error = {};
    return {};
}

DbError Recordset::requery()
{
    if (!m_source)
        return fail(DbError::make(jeterror::InvalidOperation));
    const DbError error = m_source->requery();
    if (!error.ok())
        return fail(error);
    moveFirst();
    return m_error;
}

void Recordset::close()
{
    m_addedIndex = -1;
    m_source.reset();
    m_current.clear();
    m_position = -1;
    m_atEof = true;
    m_editMode = EditMode::None;
}

} // namespace quelmar::db
