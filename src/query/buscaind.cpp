#include "query/buscaind.h"

#include "db/dberror.h"
#include "db/fielddef.h"
#include "db/recordset.h"
#include "engine/bdats.h"
#include "engine/panelview.h"
#include "panels/askperiod.h"
#include "panels/errortrap.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "session/session.h"

#include <QRegularExpression>

#include <algorithm>

namespace quelmar::query {

namespace {

namespace jettype = db::jettype;

constexpr int ReturnAtOnce = 1010;
constexpr int Chosen = -1;
constexpr int Searching = 0;
constexpr int NothingChosen = 2;

QString bracketed(const QString& name)
{
    if (name.startsWith(u'[') || !(name.contains(u' ') || name.contains(u'-')))
        return name;
    return u'[' + name + u']';
}

// The quote character that the text leaves open at its end (closed literals and names in brackets are
// skipped); a null character when every literal is closed.
QChar openQuote(const QString& text)
{
    QChar open;
    bool inBrackets = false;
    for (const QChar c : text) {
        if (!open.isNull()) {
            if (c == open)
                open = QChar(); // a doubled quote closes the literal and opens it again
        } else if (inBrackets) {
            inBrackets = c != u']';
        } else if (c == u'[') {
            inBrackets = true;
        } else if (c == u'\'' || c == u'"') {
            open = c;
        }
    }
    return open;
}

// A plain number as typed (digits, one decimal point, a sign); for a yes/no field also the words for yes and
// no, as True and False.
std::optional<QString> numberText(const QString& value, bool yesNo)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?([0-9]+(\\.[0-9]+)?|\\.[0-9]+)$"));
    if (number.match(value).hasMatch())
        return value;
    if (yesNo) {
        const QString word = value.toLower();
        if (word == QLatin1String("true") || word == QStringLiteral("sí") || word == QLatin1String("si"))
            return QStringLiteral("True");
        if (word == QLatin1String("false") || word == QLatin1String("no"))
            return QStringLiteral("False");
    }
    return std::nullopt;
}

// The shared state of one search.
struct Call
{
    Session& session;
    ErrorTrap& trap;
    QString& prompt;
    QString& notFoundText;
    QString& prefix;
    QString& suffix;
    QString& firstValue;
    QString& secondValue;
    int fieldType = 0;
    SearchParts parts;
    QString criterion;
};

enum class Find
{
    First,
    Next,
    Previous,
    Last
};

enum class Found
{
    Yes,
    No,
    GaveUp // a failure the user chose not to repeat: the search ends
};

enum class Choice
{
    Taken,
    SearchAgain,
    Cancelled
};

db::Recordset* panelRows(Session& session)
{
    return session.engine.PanelRecordset.get();
}

// Failures that come from the criterion itself: a value typed that the database cannot compare with the
// field. For the user such a value is one that no record has.
bool unfitCriterion(const db::DbError& error)
{
    switch (error.number) {
    case db::jeterror::TooFewParameters:
    case db::jeterror::SyntaxErrorInExpression:
    case db::jeterror::TableNotFound:
    case db::jeterror::DataTypeConversion:
        return true;
    default:
        return false;
    }
}

// Moves the panel's recordset to a match of the criterion. Any other failure of the database goes to the
// error reporter, which may repeat the find.
Found find(Call& call, Find which)
{
    bool found = false;
    call.session.errors.RoutineName = QStringLiteral("BuscaInd");
    call.trap.state() = 2;
    const bool goOn = call.trap.step([&call, which, &found] {
        db::Recordset* rows = panelRows(call.session);
        found = false;
        if (!rows)
            return;
        switch (which) {
        case Find::First:
            rows->findFirst(call.criterion);
            break;
        case Find::Next:
            rows->findNext(call.criterion);
            break;
        case Find::Previous:
            rows->findPrevious(call.criterion);
            break;
        case Find::Last:
            rows->findLast(call.criterion);
            break;
        }
        found = !rows->noMatch();
        const db::DbError& error = rows->lastError();
        if (!found && error && error.statement == call.criterion && !unfitCriterion(error))
            throw RuntimeError{error.number, error.description, QStringLiteral("BuscaInd")};
    });
    if (!goOn)
        return Found::GaveUp;
    return found ? Found::Yes : Found::No;
}

// The panel shows the record found; its navigator stays off, since the search moves the record.
void showFound(Session& session)
{
    if (engine::PanelView* panel = session.engine.panel.get()) {
        panel->showRecord();
        panel->setNavigatorEnabled(false);
        panel->transcribe();
    }
}

QString valueText(const QVariant& value)
{
    return value.isNull() ? QString() : value.toString();
}

// The value to look for: typed in the footer's field, or for a date field the date dialog's literal. Trimmed.
QString askValue(Call& call)
{
    Session& session = call.session;
    if (call.parts.asksDate) {
        QString description = call.parts.prompt;
        QString from;
        QString to;
        panels::AskPeriod(session, QStringLiteral("Uni"), description, from, to);
        return from.trimmed();
    }
    auto& dialog = session.dialog;
    dialog.ValidationMessage = call.prompt;
    dialog.AnswerText.clear();
    dialog.InputLength = 20;
    panels::ShowMessage(session, QStringLiteral("Cap"));
    const QString value = dialog.AnswerText.trimmed();
    dialog.AnswerText.clear();
    return value;
}

// After "Siguiente" or "Anterior": the match found, or "No hay mas" and back to the match at that end.
bool moveToMatch(Call& call, Find which, Find back)
{
    Found found = find(call, which);
    if (found == Found::No) {
        panels::MessageBox(call.session, QStringLiteral("No hay mas"), QMessageBox::Ok, QMessageBox::Warning,
                           QStringLiteral("AVISO"));
        found = find(call, back);
    }
    if (found == Found::Yes)
        showFound(call.session);
    return found != Found::GaveUp;
}

// Steps through the matches until the user takes the record shown, asks for another value or cancels.
Choice chooseAmongMatches(Call& call)
{
    Session& session = call.session;
    auto& dialog = session.dialog;
    bool nextUsed = false;
    for (;;) {
        dialog.ValidationMessage.clear();
        dialog.AnswerText = QStringLiteral("&Elijo, &Siguiente,&Anterior,&Busca otro,&Cancelo,");
        dialog.ButtonExplanations = QStringLiteral("Elige el presentado/Busca hacia adelante/Busca entre los "
                                                   "anteriores/Inicia otra búsqueda/No elige nada/");
        panels::ShowMessage(session, QStringLiteral("RCa"));
        const QString answer = dialog.AnswerText.trimmed().left(1).toUpper();
        dialog.AnswerText.clear();
        if (answer == u'E') {
            const db::Recordset* rows = panelRows(session);
            if (!rows || rows->fieldCount() == 0)
                return Choice::Cancelled;
            call.firstValue = valueText(rows->value(0));
            call.secondValue = rows->fieldCount() > 1 ? valueText(rows->value(1)) : QString();
            session.codes.CommandCode = 0;
            return Choice::Taken;
        }
        if (answer == u'B')
            return Choice::SearchAgain;
        if (answer == u'C')
            return Choice::Cancelled;
        if (answer == u'S') {
            nextUsed = true;
            if (!moveToMatch(call, Find::Next, Find::Last))
                return Choice::Cancelled;
        } else if (answer == u'A' && nextUsed) {
            if (!moveToMatch(call, Find::Previous, Find::First))
                return Choice::Cancelled;
        }
    }
}

// Asks for values until a record is chosen (-1) or the user gives up (2).
int search(Call& call)
{
    Session& session = call.session;
    for (;;) {
        const QString value = askValue(call);
        if (value.isEmpty()) {
            panels::MessageBox(session,
                               QStringLiteral("No escribió algún Identificador.  Operación cancelada"),
                               QMessageBox::Ok, QMessageBox::NoIcon, QStringLiteral("AVISO"));
            return NothingChosen;
        }
        const std::optional<QString> criterion =
            searchCriterion(call.prefix, value, call.suffix, call.fieldType);
        Found found = Found::No;
        if (criterion) {
            call.criterion = *criterion;
            found = find(call, Find::First);
        }
        if (found == Found::GaveUp)
            return NothingChosen;
        if (found == Found::No) {
            const int answer = panels::MessageBox(
                session, call.notFoundText + u'\n' + QStringLiteral("¿Cambia el Identificador?"),
                QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Warning, QStringLiteral("AVISO"));
            if (answer == QMessageBox::Ok)
                continue;
            return NothingChosen;
        }
        showFound(session);
        switch (chooseAmongMatches(call)) {
        case Choice::Taken:
            return Chosen;
        case Choice::SearchAgain:
            continue;
        case Choice::Cancelled:
            return NothingChosen;
        }
    }
}

// The search field (the first column, or the one a prefix "!name!" names) and the criterion parts.
void prepare(Call& call, const db::Recordset& rows)
{
    int column = 0;
    const QString& prefix = call.prefix;
    if (prefix.size() > 2 && prefix.startsWith(u'!') && prefix.endsWith(u'!')) {
        column = std::max(0, rows.fieldIndex(prefix.mid(1, prefix.size() - 2)));
        call.prefix.clear();
    }
    const db::FieldInfo& field = rows.field(column);
    call.fieldType = field.type();
    call.parts = searchParts(field.name, call.fieldType);
    if (call.prefix.isEmpty() && call.suffix.isEmpty()) {
        call.prefix = call.parts.prefix;
        call.suffix = call.parts.suffix;
        if (call.prompt.isEmpty() && !call.parts.asksDate)
            call.prompt = call.parts.prompt;
    }
    if (call.notFoundText.isEmpty())
        call.notFoundText = QStringLiteral("No lo encuentro");
}

// The records as a panel; false when there is nothing to search.
bool present(Session& session, const QString& table, QString& statement)
{
    auto& codes = session.codes;
    codes.CommandCode = ReturnAtOnce;
    QString mode = QStringLiteral("Presenta");
    int sourceKind = 1;
    QString title = QStringLiteral("Identifica en ") + table;
    QString options;
    int width = 0;
    engine::BDats(session, mode, sourceKind, title, statement, options, width);
    db::Recordset* rows = panelRows(session);
    const bool empty = rows && codes.EngineStatus <= 1 && rows->recordCount() == 0;
    if (empty) {
        // The engine says nothing of an empty result when it is to return at once; the user is told here.
        panels::MessageBox(session, QStringLiteral("No hay Registros ") + title);
    }
    return codes.EngineStatus == 0 && rows && !empty;
}

// The panel without the commands the search does not offer (Selecciona, Ordena, Imprime) and with its
// navigator off: the search moves the record.
void prepareScreen(Session& session)
{
    engine::PanelView* panel = session.engine.panel.get();
    if (!panel)
        return;
    panel->setNavigatorEnabled(false);
    panel->setButtons({QString(), QString(), QString(), QStringLiteral("&Termina")},
                      {QString(), QString(), QString(), QStringLiteral("Regresa al Menu inicial")});
    panel->setButtonsVisible(true);
}

// Removes the panel (its command buttons go with it: the next panel makes its own) and leaves no command
// behind for the next screen.
void finish(Session& session)
{
    engine::BDats(session, QStringLiteral("Quita"), 0, QString(), QString(), QString(), 0);
    session.codes.CommandCode = 0;
}

} // namespace

SearchParts searchParts(const QString& fieldName, int jetType)
{
    const QString name = bracketed(fieldName);
    SearchParts parts;
    if (jetType == jettype::Text || jetType == jettype::Memo) {
        parts.prefix = name + QStringLiteral(" like '*");
        parts.suffix = QStringLiteral("*'");
        parts.prompt = QStringLiteral("Deme algo de ") + name;
    } else if (jetType >= jettype::Boolean && jetType <= jettype::Double) {
        parts.prefix = name + QStringLiteral(" = ");
        parts.prompt = QStringLiteral("Escriba el valor de ") + name;
    } else if (jetType == jettype::Date) {
        parts.prefix = name + QStringLiteral(" = ");
        parts.prompt = QStringLiteral("Escriba la Fecha ") + name;
        parts.asksDate = true;
    }
    return parts;
}

std::optional<QString> searchCriterion(const QString& prefix, const QString& value, const QString& suffix,
                                       int jetType)
{
    const QChar quote = openQuote(prefix);
    if (!quote.isNull()) {
        QString inside = value;
        inside.replace(quote, QString(2, quote));
        return prefix + inside + suffix;
    }
    if (jetType >= jettype::Boolean && jetType <= jettype::Double) {
        const std::optional<QString> number = numberText(value.trimmed(), jetType == jettype::Boolean);
        if (!number)
            return std::nullopt;
        return prefix + *number + suffix;
    }
    if (jetType == jettype::Date) {
        static const QRegularExpression literal(QStringLiteral("^#[0-9]{1,2}/[0-9]{1,2}/[0-9]{4}#$"));
        if (!literal.match(value.trimmed()).hasMatch())
            return std::nullopt;
        return prefix + value.trimmed() + suffix;
    }
    return prefix + value + suffix;
}

void BuscaInd(Session& session, QString& table, QString& statement, QString& prompt, QString& notFoundText,
              QString& prefix, QString& suffix, int& result, QString& firstValue, QString& secondValue)
{
    ErrorTrap trap(session, QStringLiteral("BuscaInd"));
    result = Searching;
    firstValue.clear();
    secondValue.clear();
    if (!present(session, table, statement)) {
        result = NothingChosen;
        finish(session);
        return;
    }
    session.errors.RoutineName = QStringLiteral("BuscaInd");
    session.codes.CommandCode = 0;
    prepareScreen(session);
    Call call{session, trap, prompt, notFoundText, prefix, suffix, firstValue, secondValue, 0, {}, {}};
    prepare(call, *panelRows(session));
    result = search(call);
    finish(session);
}

} // namespace quelmar::query
