#include "engine/errorpolicy.h"

#include "db/dberror.h"

#include "qtprinters.h"

#include <gtest/gtest.h>

namespace quelmar::engine {
namespace {

const char* actionName(HandlerAction action)
{
    switch (action) {
    case HandlerAction::End:
        return "end";
    case HandlerAction::Repeat:
        return "repeat";
    case HandlerAction::Continue:
        return "continue";
    case HandlerAction::ContinueCorrecting:
        return "correct";
    }
    return "?";
}

// A decision as one line of text, so that each case of the table is compared whole.
QString describe(const HandlerDecision& d)
{
    QStringList parts;
    if (d.pauseMs)
        parts << QStringLiteral("pause %1").arg(d.pauseMs);
    if (d.moveToLastRecord)
        parts << QStringLiteral("last record");
    if (d.changeToApplicationDirectory)
        parts << QStringLiteral("application directory");
    for (const QString& notice : d.notices)
        parts << QStringLiteral("notice {%1}").arg(notice);
    if (d.reportError)
        parts << QStringLiteral("ReportError state %1").arg(d.reportState);
    switch (d.buttons) {
    case MessageButtons::None:
        parts << QStringLiteral("-> %1").arg(QLatin1String(actionName(d.whenAccepted)));
        break;
    case MessageButtons::Ok:
        parts << QStringLiteral("[OK] {%1} -> %2").arg(d.text, QLatin1String(actionName(d.whenAccepted)));
        break;
    case MessageButtons::OkCancel:
    case MessageButtons::YesNo:
        parts << QStringLiteral("[%1] {%2} -> %3 / %4")
                     .arg(d.buttons == MessageButtons::YesNo ? QStringLiteral("Yes/No")
                                                             : QStringLiteral("OK/Cancel"),
                          d.text, QLatin1String(actionName(d.whenAccepted)),
                          QLatin1String(actionName(d.whenRejected)));
        break;
    }
    if (!d.title.isEmpty())
        parts << QStringLiteral("title {%1}").arg(d.title);
    if (d.icon == MessageIcon::Question)
        parts << QStringLiteral("question icon");
    if (d.icon == MessageIcon::Critical)
        parts << QStringLiteral("critical icon");
    return parts.join(QStringLiteral("; "));
}

TEST(DecideInteractiveTest, EveryErrorOfTheHandlerTable)
{
    HandlerContext context;
    context.description = QStringLiteral("Field 'Nombre' can't be a zero-length string.");
    context.statement = QStringLiteral("SELECT * FROM Quejas");
    const std::pair<int, const char*> cases[] = {
        {3027, "[OK] {No puede actualizarse, por ser solo para Lectura} -> end"},
        {3167, "[OK] {Este Registro ya fue borrado} -> end"},
        {3197, "[Yes/No] {Alguien cambio hace unos momentos estos datos. ¿Desea cancelar?} -> end / repeat; "
               "question icon"},
        {3051, "[OK] {Este archivo esta abierto en exclusiva por otro Usuario} -> end"},
        {3008, "[Yes/No] {Se encuentra en uso exclusivo: Field 'Nombre' can't be a zero-length string.\r\n"
               "Desea reintentarlo?} -> repeat / end; title {Aviso de Error}; critical icon"},
        {3189, "[Yes/No] {Se encuentra en uso exclusivo: Field 'Nombre' can't be a zero-length string.\r\n"
               "Desea reintentarlo?} -> repeat / end; title {Aviso de Error}; critical icon"},
        {3169, "-> continue"},
        {3021, "last record; -> continue"},
        {3159, "last record; -> continue"},
        {3024,
         "[OK] {Error al accesar la Base de Datos \r\n3024 - Field 'Nombre' can't be a zero-length string.} "
         "-> end"},
        {3044,
         "[OK] {Error al accesar la Base de Datos \r\n3044 - Field 'Nombre' can't be a zero-length string.} "
         "-> end"},
        {3061, "[OK] {Error en SQL\r\nSELECT * FROM Quejas} -> end"},
        {3314,
         "[OK/Cancel] {Un Dato necesario no tiene contenido, y es forzoso que lo tenga.  ¿Desea corregirlo?} "
         "-> continue / end; title {Error en Dato}; question icon"},
        {3426,
         "notice {Field 'Nombre' can't be a zero-length string.}; [Yes/No] {Error indefinido.  Probablemente "
         "un campo carece de contenido ¿Desea corregirlo?} -> correct / end; title {Aviso de Error}; "
         "critical icon"},
        {3201, "[Yes/No] {Falta dato necesario   Field 'Nombre' can't be a zero-length string.\r\nDesea "
               "corregirlo?} -> correct / end; title {Aviso de Error}; critical icon"},
        {524, "[Yes/No] {Se presenta el error: 524   Nombre\r\nFalta el Dato, y es imprescindible.  Debe "
              "escribirlo o "
              "Cancelar\r\nDesea corregirlo?} -> continue / end; title {Aviso de Error}; critical icon"},
        {3022, "[Yes/No] {Se presenta el error: 3022   Nombre\r\nFalta el Dato, y es imprescindible.  Debe "
               "escribirlo "
               "o Cancelar\r\nDesea corregirlo?} -> continue / end; title {Aviso de Error}; critical icon"},
        {3315, "[Yes/No] {Se presenta el error: 3315   Nombre\r\nFalta el Dato, y es imprescindible.  Debe "
               "escribirlo "
               "o Cancelar\r\nDesea corregirlo?} -> continue / end; title {Aviso de Error}; critical icon"},
        {3317, "ReportError state 1; -> end"},
        {3075, "ReportError state 1; -> end"},
        {53, "ReportError state 1; -> end"},
        {340, "ReportError state 1; -> end"},
    };
    for (const auto& [number, expected] : cases) {
        LockRetries retries;
        EXPECT_EQ(describe(decideInteractive(number, context, retries)), QString::fromUtf8(expected))
            << number;
        EXPECT_EQ(retries.count(), 0) << number;
    }
}

// The database's English words for a key its related table lacks reach the user in Spanish, with what to do.
TEST(DecideInteractiveTest, AKeyTheRelatedTableLacksIsAskedAboutInSpanish)
{
    HandlerContext context;
    context.description = quelmar::db::jetDescription(quelmar::db::jeterror::RelatedRecordRequired,
                                                      {QStringLiteral("Técnicos")});
    LockRetries retries;
    EXPECT_EQ(
        describe(decideInteractive(3201, context, retries)),
        QStringLiteral("[Yes/No] {Falta dato necesario   La Clave escrita no existe en la tabla Técnicos; "
                       "escriba una que exista (con doble toque la elige de la lista) o déjela vacía.\r\n"
                       "Desea corregirlo?} -> correct / end; title {Aviso de Error}; critical icon"));
}

// A row others still refer to is not deleted: the user is told why and what to do, and the deletion ends (it
// is not repeated in silence).
TEST(DecideInteractiveTest, ARowOthersReferToIsToldAboutAndEnds)
{
    HandlerContext context;
    context.description =
        quelmar::db::jetDescription(quelmar::db::jeterror::RelatedRecordsExist, {QStringLiteral("Pagos")});
    LockRetries retries;
    EXPECT_EQ(
        describe(decideInteractive(3200, context, retries)),
        QStringLiteral("[OK] {No se puede borrar este Registro ni cambiar su Clave, porque la tabla Pagos "
                       "tiene Registros que lo usan.  Borre o cambie primero esos Registros.} -> end; title "
                       "{Aviso de Error}"));
}

TEST(DecideInteractiveTest, AccessErrorsOutsideTheApplicationDirectoryChangeToItAndRepeat)
{
    HandlerContext context;
    context.inApplicationDirectory = false;
    LockRetries retries;
    for (const int number : {3024, 3044})
        EXPECT_EQ(describe(decideInteractive(number, context, retries)),
                  QStringLiteral("application directory; -> repeat"))
            << number;
}

TEST(DecideInteractiveTest, AConversionErrorIsNeverSilentAndLetsTheUserCorrect)
{
    // A number or a date the field cannot hold: the translated question, whatever the description names.
    const std::pair<const char*, const char*> cases[] = {
        {"Data type conversion error in field 'Contrato'.",
         "[Yes/No] {Se presenta el error: 3421   Contrato\r\nDato de Fecha ó Numérico con error.  Revise y "
         "corrija\r\nDesea corregirlo?} -> continue / end; title {Aviso de Error}; critical icon"},
        {"Data type conversion error.",
         "[Yes/No] {Se presenta el error: 3421   \r\nDato de Fecha ó Numérico con error.  Revise y "
         "corrija\r\nDesea corregirlo?} -> continue / end; title {Aviso de Error}; critical icon"},
    };
    for (const auto& [description, expected] : cases) {
        HandlerContext context;
        context.description = QString::fromUtf8(description);
        LockRetries retries;
        EXPECT_EQ(describe(decideInteractive(3421, context, retries)), QString::fromUtf8(expected))
            << description;
    }
}

TEST(DecideInteractiveTest, UndefinedErrorShowsEveryErrorTheEngineCollected)
{
    HandlerContext context;
    context.description = QStringLiteral("Undefined");
    context.engineErrors = {QStringLiteral("Primer error"), QStringLiteral("Segundo error")};
    LockRetries retries;
    const HandlerDecision decision = decideInteractive(3426, context, retries);
    EXPECT_EQ(decision.notices, context.engineErrors);
    EXPECT_EQ(decision.action(true), HandlerAction::ContinueCorrecting);
    EXPECT_EQ(decision.action(false), HandlerAction::End);
}

TEST(DecideInteractiveTest, LockConflictsRepeatSilentlyAndAskAtTheEighth)
{
    const char* question =
        "pause 400; [Yes/No] {Esta bloqueado el Registro por otro Usuario.  ¿Desea intentar ota "
        "vez?} -> repeat / end; question icon";
    for (const int number : {3009, 3045, 3186, 3187, 3188, 3211, 3212, 3260, 3261, 3262}) {
        LockRetries retries;
        for (int attempt = 1; attempt <= 7; ++attempt)
            EXPECT_EQ(describe(decideInteractive(number, {}, retries)),
                      QStringLiteral("pause 400; -> repeat"))
                << number << " attempt " << attempt;
        EXPECT_EQ(describe(decideInteractive(number, {}, retries)), QString::fromUtf8(question)) << number;
        EXPECT_EQ(retries.count(), 0) << number;
        // After the question the count starts again: seven more silent repetitions.
        EXPECT_EQ(decideInteractive(number, {}, retries).buttons, MessageButtons::None) << number;
    }
}

TEST(ActionAfterReportTest, FollowsTheStateReportErrorReturns)
{
    const std::pair<int, HandlerAction> cases[] = {
        {0, HandlerAction::Continue},
        {1, HandlerAction::Repeat},
        {2, HandlerAction::Continue},
        {3, HandlerAction::End},
    };
    for (const auto& [state, action] : cases)
        EXPECT_EQ(actionAfterReport(state), action) << state;
}

TEST(DecideLoadTest, RetriesLocksSevenTimesThenGivesUpWithTheNumber)
{
    for (const int number : {3009, 3186, 3187, 3188, 3211, 3212, 3260, 3261, 3262}) {
        LockRetries retries;
        for (int attempt = 1; attempt <= 7; ++attempt) {
            const LoadDecision decision = decideLoad(number, retries);
            EXPECT_TRUE(decision.repeat) << number << " attempt " << attempt;
            EXPECT_EQ(decision.pauseMs, 400);
        }
        const LoadDecision last = decideLoad(number, retries);
        EXPECT_FALSE(last.repeat) << number;
        EXPECT_EQ(last.engineStatus, number);
        // Giving up ends the count: the next load gets its own seven repetitions.
        EXPECT_TRUE(decideLoad(number, retries).repeat) << number;
    }
}

TEST(DecideLoadTest, OtherErrorsGoOnWithTheirNumberAnd340WithZero)
{
    const std::pair<int, int> cases[] = {{340, 0}, {3045, 3045}, {3061, 3061}, {3078, 3078}, {3022, 3022}};
    for (const auto& [number, status] : cases) {
        LockRetries retries;
        const LoadDecision decision = decideLoad(number, retries);
        EXPECT_FALSE(decision.repeat) << number;
        EXPECT_EQ(decision.pauseMs, 0) << number;
        EXPECT_EQ(decision.engineStatus, status) << number;
        EXPECT_EQ(retries.count(), 0) << number;
    }
}

TEST(LockRetriesTest, TheCountIsSharedBetweenLoadingAndWriting)
{
    LockRetries retries;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(retries.retryLoad());
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(retries.retryInteractive()) << i;
    EXPECT_EQ(retries.count(), 7);
    EXPECT_FALSE(retries.retryInteractive());
    EXPECT_EQ(retries.count(), 0);
}

TEST(LockRetriesTest, AStatementThatGoesThroughStartsTheCountAgain)
{
    LockRetries retries;
    for (int conflict = 0; conflict < 20; ++conflict) {
        EXPECT_TRUE(retries.retryLoad()) << conflict;
        retries.succeeded();
    }
    EXPECT_EQ(retries.count(), 0);
}

TEST(TranslatedDescriptionTest, TheLastMatchingPhraseDecides)
{
    const std::pair<const char*, const char*> cases[] = {
        {"The field 'Clientes.Nombre' can't contain a Null value because the Required property is True.",
         "No puede ser nulo.  Debe escribir el Dato ó Cancelar"},
        {"Field 'Nombre' can't be a zero-length string.",
         "Falta el Dato, y es imprescindible.  Debe escribirlo o Cancelar"},
        {"The changes you requested to the table were not successful because they would create duplicate "
         "values "
         "in the index, primary key, or relationship.",
         "La Clave de identificación ya existe, y no puede haber claves duplicadas.  Cambie la Clave o "
         "Cancele"},
        {"Data type conversion error.", "Dato de Fecha ó Numérico con error.  Revise y corrija"},
        {"Los cambios crearían valores duplicados en el índice",
         "Se detecta duplicación en Clave, Indice ò Relación.  No puede capturarse."},
        {"FIELD 'X' CAN'T CONTAIN A NULL VALUE", "No puede ser nulo.  Debe escribir el Dato ó Cancelar"},
        {"'Clave' can't contain a Null value, or it would create duplicate values in the index, primary key, "
         "or "
         "relationship",
         "La Clave de identificación ya existe, y no puede haber claves duplicadas.  Cambie la Clave o "
         "Cancele"},
        {"data type conversion error: it can't contain a Null value",
         "Dato de Fecha ó Numérico con error.  Revise y corrija"},
        {"Operation is not supported for this type of object.",
         "Operation is not supported for this type of object."},
        {"", ""},
    };
    for (const auto& [description, translated] : cases)
        EXPECT_EQ(translatedDescription(QString::fromUtf8(description)), QString::fromUtf8(translated))
            << description;
}

TEST(FieldNameInDescriptionTest, TextBetweenTheFirstTwoQuotes)
{
    const std::pair<const char*, const char*> cases[] = {
        {"The field 'Clientes.Nombre' can't contain a Null value", "Clientes.Nombre"},
        {"'a' and 'b'", "a"},
        {"''", ""},
        {"only 'one quote", ""},
        {"no quotes", ""},
    };
    for (const auto& [description, field] : cases)
        EXPECT_EQ(fieldNameInDescription(QString::fromUtf8(description)), QString::fromUtf8(field))
            << description;
}

TEST(TranslatedMessageTest, NumberFieldTranslationAndQuestion)
{
    EXPECT_EQ(
        translatedMessage(3022, QStringLiteral("The changes you requested to the table were not successful "
                                               "because they would create duplicate values in the index, "
                                               "primary key, or relationship.")),
        QStringLiteral(
            "Se presenta el error: 3022   \r\nLa Clave de identificación ya existe, y no puede haber "
            "claves duplicadas.  Cambie la Clave o Cancele\r\nDesea corregirlo?"));
    EXPECT_EQ(translatedMessage(3315, QStringLiteral("Field 'Nombre' has no translation")),
              QStringLiteral("Se presenta el error: 3315   Nombre\r\nField 'Nombre' has no translation\r\n"
                             "Desea corregirlo?"));
}

} // namespace
} // namespace quelmar::engine
