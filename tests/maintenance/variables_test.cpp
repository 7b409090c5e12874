// The named variables of the parameters table on a demonstration office: each operation, on a variable that
// exists (with a value or with none) and on one that is missing, with the user's answers where it asks.
#include "engine/officefixture.h"

#include "db/database.h"
#include "db/recordset.h"
#include "maintenance/bdparam.h"

namespace quelmar::maintenance {
namespace {

constexpr const char* Group = "Impresora";

enum class Row
{
    Missing,
    WithValue, // Contenido "COM1"
    Null,      // Contenido Null
};

struct VariableCase
{
    const char* what;
    const char* mode;
    Row before;
    const char* answerIn;    // AnswerText given
    const char* group;       // VarGroup given
    QStringList userAnswers; // what the user answers, in order
    int flag;
    const char* answerOut; // AnswerText afterwards
    bool nameKept;         // ValidationMessage still holds the name afterwards
    const char* stored;    // Contenido afterwards; nullptr: no row
    const char* shown;     // a text the user was shown, or nullptr
};

class VariablesTest : public engine::testing::EngineTest, public ::testing::WithParamInterface<VariableCase>
{
protected:
    static QString name() { return QStringLiteral("PuertoRecibos"); }

    void prepare(Row row)
    {
        db::Database& database = *session.database.CurrentDatabase;
        ASSERT_TRUE(
            database.execute(QStringLiteral("DELETE FROM Parametros WHERE Clase = ?"), {name()}).ok());
        if (row == Row::Missing)
            return;
        const QVariant value = row == Row::WithValue ? QVariant(QStringLiteral("COM1")) : QVariant();
        ASSERT_TRUE(
            database
                .execute(QStringLiteral("INSERT INTO Parametros (Clase, Nombre, Contenido) VALUES (?, ?, ?)"),
                         {name(), QStringLiteral("Puerto"), value})
                .ok());
    }

    // Contenido of the variable, "<null>" for a null value; an invalid QVariant when there is no row.
    QVariant stored()
    {
        db::DbError error;
        auto rows = session.database.CurrentDatabase->openRecordset(
            QStringLiteral("SELECT Contenido FROM Parametros WHERE Clase = 'PuertoRecibos'"),
            db::RecordsetType::Snapshot, error);
        if (!rows || rows->eof())
            return {};
        const QVariant value = rows->value(0);
        return value.isNull() ? QVariant(QStringLiteral("<null>")) : value;
    }
};

TEST_P(VariablesTest, operationOnTheVariable)
{
    const VariableCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(prepare(c.before));
    for (const QString& answer : c.userAnswers)
        user.answer(answer);
    session.dialog.ValidationMessage = name();
    session.dialog.AnswerText = QString::fromUtf8(c.answerIn);
    session.dialog.VarGroup = QString::fromUtf8(c.group);
    session.transcript.mark();
    int flag = 7;
    BDParam(session, QString::fromLatin1(c.mode), flag);

    EXPECT_EQ(flag, c.flag);
    EXPECT_TRUE(user.actions.isEmpty()) << "the user was not asked everything expected";
    EXPECT_TRUE(user.refused.isEmpty()) << user.refused.join(u',').toStdString();
    EXPECT_EQ(session.dialog.AnswerText, QString::fromUtf8(c.answerOut));
    EXPECT_EQ(session.dialog.ValidationMessage, c.nameKept ? name() : QString());
    const QVariant after = stored();
    if (c.stored)
        EXPECT_EQ(after.toString(), QString::fromUtf8(c.stored));
    else
        EXPECT_FALSE(after.isValid()) << after.toString().toStdString();
    if (c.shown) {
        EXPECT_TRUE(session.transcript.sinceMark().contains(QString::fromUtf8(c.shown)))
            << session.transcript.sinceMark().toStdString();
    }
}

const VariableCase Cases[] = {
    {"get", "ObtVar", Row::WithValue, "x", "", {}, -1, "COM1", true, "COM1", nullptr},
    {"get of a null value", "ObtVar", Row::Null, "x", "", {}, -1, "", true, "<null>", nullptr},
    {"get of a missing one", "ObtVar", Row::Missing, "x", "", {}, 0, "", true, nullptr, nullptr},
    {"put", "PonVar", Row::WithValue, "COM3", "", {}, -1, "COM3", true, "COM3", nullptr},
    {"put never creates", "PonVar", Row::Missing, "COM3", Group, {}, 0, "COM3", true, nullptr, nullptr},
    {"force overwrites", "ForVar", Row::WithValue, "COM4", Group, {}, -1, "", false, "COM4", nullptr},
    {"force creates", "ForVar", Row::Missing, "COM4", Group, {}, -1, "", false, "COM4", nullptr},
    {"delete", "EliVar", Row::WithValue, "", "", {}, -1, "", false, nullptr, nullptr},
    {"delete of a missing one",
     "EliVar",
     Row::Missing,
     "",
     "",
     {QStringLiteral("OK")},
     0,
     "",
     false,
     nullptr,
     "No encuentro la variable PuertoRecibos"},
    {"modify",
     "ModVar",
     Row::WithValue,
     "",
     "",
     {QStringLiteral("COM2")},
     -1,
     "",
     false,
     "COM2",
     "[input] Cambia variables: Modifica Puerto = COM1"},
    {"modify answered empty", "ModVar", Row::WithValue, "", "", {QString()}, 0, "", false, "COM1", nullptr},
    {"modify of a missing one, created",
     "ModVar",
     Row::Missing,
     "COM5",
     Group,
     {QStringLiteral("OK"), QStringLiteral("OK")},
     -1,
     "",
     false,
     "COM5",
     "No encuentro la variable de Impresora  ¿Desea crearla?"},
    {"modify of a missing one, cancelled",
     "ModVar",
     Row::Missing,
     "COM5",
     Group,
     {QStringLiteral("Cancel")},
     0,
     "",
     false,
     nullptr,
     nullptr},
    {"modify of a missing one without a group",
     "ModVar",
     Row::Missing,
     "COM5",
     "",
     {QStringLiteral("OK")},
     0,
     "",
     false,
     nullptr,
     "¿Crea nueva Variable?"},
};

INSTANTIATE_TEST_SUITE_P(Variables, VariablesTest, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<VariableCase>& param) {
                             QString name = QString::fromLatin1(param.param.what);
                             name.replace(u' ', u'_').remove(u',');
                             return name.toStdString();
                         });

TEST_F(VariablesTest, theRowsOfAClassAreOpenedForTheCallerToChange)
{
    ASSERT_NO_FATAL_FAILURE(prepare(Row::WithValue));
    session.shell.CurrentFile = name();
    int flag = 0;
    BDParam(session, QStringLiteral("Varios"), flag);
    ASSERT_TRUE(session.database.WorkRecordset2);
    db::Recordset& rows = *session.database.WorkRecordset2;
    ASSERT_EQ(rows.fieldCount(), 5);
    ASSERT_FALSE(rows.eof());
    ASSERT_TRUE(rows.edit().ok());
    ASSERT_TRUE(rows.setValue(QStringLiteral("Contenido"), QStringLiteral("COM9")).ok());
    ASSERT_TRUE(rows.update().ok());
    EXPECT_EQ(stored().toString(), QStringLiteral("COM9"));
}

} // namespace
} // namespace quelmar::maintenance
