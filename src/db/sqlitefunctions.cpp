#include "db/sqlitefunctions.h"

#include "db/jetfunctions.h"
#include "db/jetsql.h"

#include <QString>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <memory>

namespace quelmar::db {

namespace {

// Code units of a decoded text: on the stack for the short texts of a table's fields.
class Units
{
public:
    explicit Units(int capacity)
    {
        if (capacity > int(std::size(m_local))) {
            m_heap = std::make_unique<char16_t[]>(std::size_t(capacity));
            m_data = m_heap.get();
        }
    }
    char16_t* data() { return m_data; }
    QStringView view(int size) const { return QStringView(m_data, size); }

private:
    char16_t m_local[256];
    std::unique_ptr<char16_t[]> m_heap;
    char16_t* m_data = m_local;
};

// Decodes UTF-8 into UTF-16 code units, as SQLite's own conversion gives them for well-formed text; the
// number of units, or -1 on a malformed sequence (an overlong form, a surrogate, a stray or missing
// continuation byte), which the caller leaves to SQLite. `out` has room for `size` units (never more are
// needed).
int decodeUtf8(const unsigned char* bytes, int size, char16_t* out)
{
    int units = 0;
    for (int i = 0; i < size;) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            out[units++] = lead;
            ++i;
            continue;
        }
        int length = 0;
        char32_t code = 0;
        char32_t lowest = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
            lowest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
            lowest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
            lowest = 0x10000;
        } else {
            return -1;
        }
        if (i + length > size)
            return -1;
        for (int k = 1; k < length; ++k) {
            const unsigned char next = bytes[i + k];
            if ((next & 0xC0) != 0x80)
                return -1;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return -1;
        if (code >= 0x10000) {
            out[units++] = char16_t(0xD800 + ((code - 0x10000) >> 10));
            out[units++] = char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out[units++] = char16_t(code);
        }
        i += length;
    }
    return units;
}

// SQLite's own UTF-16 of a value: for text that is not well-formed UTF-8.
QStringView sqliteUtf16(sqlite3_value* value)
{
    const auto* data = static_cast<const char16_t*>(sqlite3_value_text16(value));
    return QStringView(data, sqlite3_value_bytes16(value) / 2);
}

// The length of the leading run of ASCII bytes, eight at a time.
int asciiPrefix(const unsigned char* bytes, int size)
{
    int i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 word = 0;
        std::memcpy(&word, bytes + i, sizeof word);
        if (word & 0x8080808080808080ULL)
            break;
    }
    while (i < size && bytes[i] < 0x80)
        ++i;
    return i;
}

void freePattern(void* pattern)
{
    delete static_cast<jetsql::LikePattern*>(pattern);
}

// The pattern of like(): read once and kept with the statement while it stays the same from row to row.
const jetsql::LikePattern& patternOf(sqlite3_context* context, sqlite3_value* value,
                                     std::unique_ptr<jetsql::LikePattern>& local)
{
    if (const auto* kept = static_cast<const jetsql::LikePattern*>(sqlite3_get_auxdata(context, 0)))
        return *kept;
    const int size = sqlite3_value_bytes(value);
    Units units(size);
    if (const int decoded = decodeUtf8(sqlite3_value_text(value), size, units.data()); decoded >= 0)
        local = std::make_unique<jetsql::LikePattern>(units.view(decoded));
    else
        local = std::make_unique<jetsql::LikePattern>(sqliteUtf16(value));
    // SQLite may keep it, or drop it at once (when the pattern is not the same for every row).
    sqlite3_set_auxdata(context, 0, local.release(), freePattern);
    if (const auto* kept = static_cast<const jetsql::LikePattern*>(sqlite3_get_auxdata(context, 0)))
        return *kept;
    local = std::make_unique<jetsql::LikePattern>(sqliteUtf16(value));
    return *local;
}

// "text LIKE pattern" calls like(pattern, text). The text is read as the file keeps it (UTF-8): matched as it
// is when it is plain ASCII, else decoded into a buffer on the stack.
void jetLike(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL || sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    std::unique_ptr<jetsql::LikePattern> local;
    const jetsql::LikePattern& pattern = patternOf(context, arguments[0], local);
    const unsigned char* bytes = sqlite3_value_text(arguments[1]);
    const int size = sqlite3_value_bytes(arguments[1]);
    bool matches = false;
    if (const std::optional<bool> answer = pattern.matchesUtf8(reinterpret_cast<const char*>(bytes), size)) {
        matches = *answer;
    } else if (const int ascii = asciiPrefix(bytes, size); ascii == size) {
        matches = pattern.matchesAscii(reinterpret_cast<const char*>(bytes), size);
    } else {
        Units units(size);
        std::copy(bytes, bytes + ascii, units.data());
        const int decoded = decodeUtf8(bytes + ascii, size - ascii, units.data() + ascii);
        matches = pattern.matches(decoded >= 0 ? units.view(ascii + decoded) : sqliteUtf16(arguments[1]));
    }
    sqlite3_result_int(context, matches ? 1 : 0);
}

QVariant variantOf(sqlite3_value* value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_value_int64(value));
    case SQLITE_FLOAT:
        return sqlite3_value_double(value);
    case SQLITE_TEXT:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                                 sqlite3_value_bytes(value));
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_value_blob(value)), sqlite3_value_bytes(value));
    default:
        return {};
    }
}

void setResult(sqlite3_context* context, const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        sqlite3_result_int64(context, value.toLongLong());
        return;
    case QMetaType::Double:
        sqlite3_result_double(context, value.toDouble());
        return;
    case QMetaType::QString: {
        const QByteArray text = value.toString().toUtf8();
        sqlite3_result_text(context, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        return;
    }
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_result_blob(context, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        return;
    }
    default:
        sqlite3_result_null(context);
        return;
    }
}

void freeFormat(void* spec)
{
    delete static_cast<jetfunctions::FormatSpec*>(spec);
}

// Format(value, format): the format, the same for every row of a statement, is read once and kept with it.
void jetFormat(sqlite3_context* context, int, sqlite3_value** arguments)
{
    const auto* spec = static_cast<const jetfunctions::FormatSpec*>(sqlite3_get_auxdata(context, 1));
    std::optional<jetfunctions::FormatSpec> local;
    if (!spec) {
        local = jetfunctions::readFormat(variantOf(arguments[1]).toString());
        if (!local) {
            sqlite3_result_error(context, "Invalid format", -1);
            return;
        }
        sqlite3_set_auxdata(context, 1, new jetfunctions::FormatSpec(*local), freeFormat);
        spec = &*local;
    }
    setResult(context, jetfunctions::format(variantOf(arguments[0]), *spec));
}

void jetStr(sqlite3_context* context, int, sqlite3_value** arguments)
{
    setResult(context, jetfunctions::str(variantOf(arguments[0])));
}

// DateAdd, DateDiff and DatePart: the interval code comes first.
template <QVariant (*Rule)(jetfunctions::Interval, const QVariant&, const QVariant&)>
void jetDateRule(sqlite3_context* context, int, sqlite3_value** arguments)
{
    const std::optional<jetfunctions::Interval> interval =
        jetfunctions::readInterval(variantOf(arguments[0]).toString());
    if (!interval) {
        sqlite3_result_error(context, "Invalid interval", -1);
        return;
    }
    setResult(context, Rule(*interval, variantOf(arguments[1]), variantOf(arguments[2])));
}

void jetDatePart(sqlite3_context* context, int, sqlite3_value** arguments)
{
    const std::optional<jetfunctions::Interval> interval =
        jetfunctions::readInterval(variantOf(arguments[0]).toString());
    if (!interval) {
        sqlite3_result_error(context, "Invalid interval", -1);
        return;
    }
    setResult(context, jetfunctions::datePart(*interval, variantOf(arguments[1])));
}

// First and Last: the value of the first and of the last row the group reads, Null included.
struct Kept
{
    sqlite3_value* value = nullptr;
    bool seen = false;
};

template <bool Last> void keepStep(sqlite3_context* context, int, sqlite3_value** arguments)
{
    auto* kept = static_cast<Kept*>(sqlite3_aggregate_context(context, sizeof(Kept)));
    if (!kept) {
        sqlite3_result_error_nomem(context);
        return;
    }
    if (kept->seen && !Last)
        return;
    sqlite3_value_free(kept->value);
    kept->value = sqlite3_value_dup(arguments[0]);
    kept->seen = true;
}

void keepFinal(sqlite3_context* context)
{
    auto* kept = static_cast<Kept*>(sqlite3_aggregate_context(context, 0));
    if (!kept || !kept->value) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_value(context, kept->value);
    sqlite3_value_free(kept->value);
    kept->value = nullptr;
}

// StDev, StDevP, Var and VarP: the spread of the values of the group that are not Null (Welford's running
// sums).
struct Spread
{
    qint64 count = 0;
    double mean = 0;
    double squares = 0; // sum of squared distances from the mean
};

void spreadStep(sqlite3_context* context, int, sqlite3_value** arguments)
{
    auto* spread = static_cast<Spread*>(sqlite3_aggregate_context(context, sizeof(Spread)));
    if (!spread) {
        sqlite3_result_error_nomem(context);
        return;
    }
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL)
        return;
    const double value = sqlite3_value_double(arguments[0]);
    ++spread->count;
    const double delta = value - spread->mean;
    spread->mean += delta / double(spread->count);
    spread->squares += delta * (value - spread->mean);
}

// Of a sample (Var, StDev: Null for fewer than two values) or of the whole population (VarP, StDevP).
template <bool Population, bool Root> void spreadFinal(sqlite3_context* context)
{
    const auto* spread = static_cast<Spread*>(sqlite3_aggregate_context(context, 0));
    const qint64 least = Population ? 1 : 2;
    if (!spread || spread->count < least) {
        sqlite3_result_null(context);
        return;
    }
    const double variance = spread->squares / double(Population ? spread->count : spread->count - 1);
    sqlite3_result_double(context, Root ? std::sqrt(variance) : variance);
}

} // namespace

int registerSqlFunctions(sqlite3* handle)
{
    constexpr int Deterministic = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    struct Scalar
    {
        const char* name;
        int arguments;
        void (*function)(sqlite3_context*, int, sqlite3_value**);
    };
    const Scalar scalars[] = {
        {"like", 2, jetLike},
        {"quelmar_format", 2, jetFormat},
        {"quelmar_str", 1, jetStr},
        {"quelmar_dateadd", 3, jetDateRule<jetfunctions::dateAdd>},
        {"quelmar_datediff", 3, jetDateRule<jetfunctions::dateDiff>},
        {"quelmar_datepart", 2, jetDatePart},
    };
    for (const Scalar& scalar : scalars) {
        if (const int code = sqlite3_create_function_v2(handle, scalar.name, scalar.arguments, Deterministic,
                                                        nullptr, scalar.function, nullptr, nullptr, nullptr))
            return code;
    }
    struct Aggregate
    {
        const char* name;
        void (*step)(sqlite3_context*, int, sqlite3_value**);
        void (*final)(sqlite3_context*);
    };
    const Aggregate aggregates[] = {
        {"quelmar_first", keepStep<false>, keepFinal},
        {"quelmar_last", keepStep<true>, keepFinal},
        {"quelmar_stdev", spreadStep, spreadFinal<false, true>},
        {"quelmar_stdevp", spreadStep, spreadFinal<true, true>},
        {"quelmar_var", spreadStep, spreadFinal<false, false>},
        {"quelmar_varp", spreadStep, spreadFinal<true, false>},
    };
    for (const Aggregate& aggregate : aggregates) {
        if (const int code = sqlite3_create_function_v2(handle, aggregate.name, 1, SQLITE_UTF8, nullptr,
                                                        nullptr, aggregate.step, aggregate.final, nullptr))
            return code;
    }
    return SQLITE_OK;
}

} // namespace quelmar::db
