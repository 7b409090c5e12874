#include "app/automation/script.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

namespace quelmar::automation {

namespace {

struct VerbInfo
{
    QLatin1String name;
    Verb verb;
    QLatin1String usage;
};

constexpr VerbInfo verbs[] = {
    {QLatin1String("menu"), Verb::Menu, QLatin1String("menu N")},
    {QLatin1String("press"), Verb::Press, QLatin1String("press CAPTION")},
    {QLatin1String("answer"), Verb::Answer, QLatin1String("answer [TEXT]")},
    {QLatin1String("choose"), Verb::Choose, QLatin1String("choose N [N ...] | choose \"TEXT\"")},
    {QLatin1String("set"), Verb::Set, QLatin1String("set FIELD [TEXT]")},
    {QLatin1String("pick"), Verb::Pick, QLatin1String("pick FIELD N")},
    {QLatin1String("record"), Verb::Record, QLatin1String("record first|next|previous|last")},
    {QLatin1String("row"), Verb::Row, QLatin1String("row N [FIELD]")},
    {QLatin1String("cell"), Verb::Cell, QLatin1String("cell N FIELD [TEXT]")},
    {QLatin1String("key"), Verb::Key, QLatin1String("key Enter|Esc|Tab")},
    {QLatin1String("dblclick"), Verb::DblClick, QLatin1String("dblclick [FIELD]")},
    {QLatin1String("click"), Verb::Click, QLatin1String("click NAME INDEX [right]")},
    {QLatin1String("expect"), Verb::Expect, QLatin1String("expect TEXT")},
    {QLatin1String("dump"), Verb::Dump, QLatin1String("dump")},
    {QLatin1String("pause"), Verb::Pause, QLatin1String("pause MS")},
    {QLatin1String("await"), Verb::Await, QLatin1String("await FILE")},
};

// Reads the words of an action's arguments: a word ends at a blank; a word that begins with a double quote
// runs to the next double quote and may hold blanks.
class Arguments
{
public:
    explicit Arguments(const QString& text) : m_rest(text.trimmed()) {}

    bool atEnd() const { return m_rest.isEmpty(); }
    QString rest() const { return m_rest; }

    std::optional<QString> word()
    {
        if (m_rest.isEmpty())
            return std::nullopt;
        qsizetype end = 0;
        QString result;
        if (m_rest.startsWith(QLatin1Char('"'))) {
            end = m_rest.indexOf(QLatin1Char('"'), 1);
            if (end < 0)
                return std::nullopt;
            result = m_rest.mid(1, end - 1);
            ++end;
            if (end < m_rest.size() && !m_rest.at(end).isSpace())
                return std::nullopt;
        } else {
            while (end < m_rest.size() && !m_rest.at(end).isSpace())
                ++end;
            result = m_rest.left(end);
        }
        m_rest = m_rest.mid(end).trimmed();
        return result;
    }

    std::optional<int> number(int minimum)
    {
        const auto text = word();
        if (!text)
            return std::nullopt;
        bool ok = false;
        const int value = text->toInt(&ok);
        if (!ok || value < minimum)
            return std::nullopt;
        return value;
    }

private:
    QString m_rest;
};

// A field's name that may end the line; false when something else is there.
bool optionalField(Arguments& in, QStringList& out)
{
    if (!in.atEnd()) {
        const auto field = in.word();
        if (!field || field->isEmpty())
            return false;
        out << *field;
    }
    return in.atEnd();
}

// The arguments of one verb, checked; false when they do not fit the verb.
bool readArguments(Verb verb, Arguments& in, ScriptAction& action)
{
    QStringList& out = action.arguments;
    switch (verb) {
    case Verb::Menu: {
        const auto option = in.number(1);
        if (!option)
            return false;
        out << QString::number(*option);
        return in.atEnd();
    }
    case Verb::Press:
    case Verb::Expect:
        out << in.rest();
        return !in.atEnd();
    case Verb::Answer:
        out << in.rest();
        return true;
    case Verb::Choose:
        if (in.rest().startsWith(QLatin1Char('"'))) {
            const auto text = in.word();
            if (!text || text->isEmpty())
                return false;
            out << *text;
            action.quoted = true;
            return in.atEnd();
        }
        while (!in.atEnd()) {
            const auto entry = in.number(1);
            if (!entry)
                return false;
            out << QString::number(*entry);
        }
        return !out.isEmpty();
    case Verb::Set: {
        const auto field = in.word();
        if (!field || field->isEmpty())
            return false;
        out << *field << in.rest();
        return true;
    }
    case Verb::Pick: {
        const auto field = in.word();
        const auto entry = in.number(1);
        if (!field || field->isEmpty() || !entry)
            return false;
        out << *field << QString::number(*entry);
        return in.atEnd();
    }
    case Verb::Record: {
        static const QStringList moves = {QStringLiteral("first"), QStringLiteral("next"),
                                          QStringLiteral("previous"), QStringLiteral("last")};
        const auto move = in.word();
        if (!move || !moves.contains(move->toLower()))
            return false;
        out << move->toLower();
        return in.atEnd();
    }
    case Verb::Row: {
        const auto row = in.number(1);
        if (!row)
            return false;
        out << QString::number(*row);
        return optionalField(in, out);
    }
    case Verb::Cell: {
        const auto row = in.number(1);
        const auto field = in.word();
        if (!row || !field || field->isEmpty())
            return false;
        out << QString::number(*row) << *field << in.rest();
        return true;
    }
    case Verb::Key: {
        static const QStringList keys = {QStringLiteral("Enter"), QStringLiteral("Esc"),
                                         QStringLiteral("Tab")};
        const auto key = in.word();
        if (!key)
            return false;
        for (const QString& name : keys) {
            if (key->compare(name, Qt::CaseInsensitive) == 0)
                out << name;
        }
        return !out.isEmpty() && in.atEnd();
    }
    case Verb::Click: {
        const auto name = in.word();
        const auto index = in.number(0);
        if (!name || name->isEmpty() || !index)
            return false;
        out << *name << QString::number(*index);
        if (!in.atEnd()) {
            const auto button = in.word();
            if (!button || button->compare(QLatin1String("right"), Qt::CaseInsensitive) != 0)
                return false;
            out << QStringLiteral("right");
        }
        return in.atEnd();
    }
    case Verb::Pause: {
        const auto milliseconds = in.number(0);
        if (!milliseconds)
            return false;
        out << QString::number(*milliseconds);
        return in.atEnd();
    }
    case Verb::Await:
        out << in.rest();
        return !in.atEnd();
    case Verb::DblClick:
        return optionalField(in, out);
    case Verb::Dump:
        return in.atEnd();
    }
    return false;
}

} // namespace

bool ScriptAction::endsWait() const
{
    switch (verb) {
    case Verb::Menu:
    case Verb::Press:
    case Verb::Answer:
    case Verb::Choose:
    case Verb::Key:
    case Verb::DblClick:
        return true;
    default:
        return false;
    }
}

std::optional<Script> Script::parse(const QString& text, QString* error)
{
    Script script;
    const QChar byteOrderMark(0xFEFF);
    const QStringList lines = (text.startsWith(byteOrderMark) ? text.mid(1) : text).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype blank = line.indexOf(QRegularExpression(QStringLiteral("\\s")));
        const QString name = (blank < 0 ? line : line.left(blank)).toLower();
        const QString rest = blank < 0 ? QString() : line.mid(blank + 1);
        const int lineNumber = static_cast<int>(i) + 1;

        const VerbInfo* info = nullptr;
        for (const VerbInfo& candidate : verbs) {
            if (name == candidate.name)
                info = &candidate;
        }
        if (!info) {
            if (error)
                *error = QStringLiteral("línea %1: verbo desconocido «%2»").arg(lineNumber).arg(name);
            return std::nullopt;
        }
        ScriptAction action;
        action.verb = info->verb;
        action.line = lineNumber;
        action.source = line;
        Arguments arguments(rest);
        if (!readArguments(info->verb, arguments, action)) {
            if (error)
                *error = QStringLiteral("línea %1: «%2» no es una acción válida; se espera: %3")
                             .arg(lineNumber)
                             .arg(line, info->usage);
            return std::nullopt;
        }
        script.m_actions.append(action);
    }
    return script;
}

std::optional<Script> Script::load(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: no se puede leer el guion (%2)").arg(path, file.errorString());
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(file.readAll());
    if (decoder.hasError()) {
        if (error)
            *error = QStringLiteral("%1: el guion no está escrito en UTF-8").arg(path);
        return std::nullopt;
    }
    auto script = parse(text, error);
    if (!script && error)
        *error = QStringLiteral("%1: %2").arg(path, *error);
    return script;
}

} // namespace quelmar::automation
