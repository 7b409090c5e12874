// The shell's access keys guard the engine's deletions: with the access-key rule a record is deleted only
// when the key asked after the question is granted.
#include "engine/officefixture.h"

#include "engine/bdats.h"
#include "session/session.h"
#include "shell/accesskeys.h"
#include "shell/shellservices.h"

#include <gtest/gtest.h>

#include <memory>

namespace quelmar::shell {
namespace {

using engine::testing::EngineTest;

TEST_F(EngineTest, deletionWithTheAccessKeyRuleDeletesOnlyForAGrantedKey)
{
    session.engine.services = std::make_shared<ShellServices>();
    BDParamLeeAcc(session);
    ASSERT_GT(session.keys.AccessKeyCount(), 0);
    const QString statement = QStringLiteral("SELECT Descripción, Monto FROM Gastos");
    const qint64 before = scalar(QStringLiteral("SELECT Count(*) FROM Gastos")).toLongLong();
    struct Case
    {
        const char* key;
        qint64 deleted;
    };
    for (const Case& c : {Case{"nadie", 0}, Case{"gerencia", 1}}) {
        SCOPED_TRACE(c.key);
        session.transcript.mark();
        session.codes.PresentationVariant = 1012;
        bool pressed = false;
        // Elimina, OK, then the key at every key wait, OK at every message, and Termina back at the panel.
        for (int step = 0; step < 12; ++step) {
            user.then([this, &pressed, key = QString::fromLatin1(c.key)](const WaitContext& context) {
                if (context.kind == WaitKind::Screen) {
                    press(pressed ? QStringLiteral("&Termina") : QStringLiteral("&Elimina"));
                    pressed = true;
                } else if (context.kind == WaitKind::AccessKey || context.kind == WaitKind::FooterInput) {
                    context.respond(QStringLiteral("answer"), key);
                } else {
                    context.respond(QStringLiteral("answer"), QStringLiteral("OK"));
                }
            });
        }
        engine::BDats(session, QStringLiteral("Edita"), 1, QStringLiteral("Modifica Gastos"), statement);
        user.actions.clear();
        EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Gastos")).toLongLong(), before - c.deleted);
        const QStringList questions = transcript(QStringLiteral("question"));
        ASSERT_FALSE(questions.isEmpty());
        EXPECT_TRUE(questions.constFirst().contains(QStringLiteral(
            "Para eliminar el Registro se requiere clave de Acceso  ¿Esta seguro de borrar este Registro?")));
    }
}

} // namespace
} // namespace quelmar::shell
