#include "shellfixture.h"

#include "session/sessiondatabase.h"
#include "shell/accesskeys.h"

#include <QLineEdit>

namespace quelmar::shelltest {
namespace {

using namespace Qt::StringLiterals;

const QString KeyRequest =
    u"[footer] Esta operación requiere Clave de Acceso. Escríbala y termine con tecla INTRO"_s;

// An office whose parameters hold three keys among other classes.
class AccessKeysTest : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        createDatabase(u"Quelmar.mdb"_s, {{u"CONS"_s, u"Ciudad"_s, u""_s, u"Centro"_s},
                                          {u"LA"_s, u"  Dueño "_s, u" 5"_s, u"  maestra  "_s},
                                          {u"LA"_s, u"Cajero"_s, u"2"_s, u"caja"_s},
                                          {u"LA"_s, u"Sin nivel"_s, u"x"_s, u"rara"_s},
                                          {u"P"_s, u"Renta"_s, u"1"_s, u"150"_s}});
        ASSERT_TRUE(startup::openSessionDatabase(session, path(u"Quelmar.mdb"_s), false, false).ok());
    }

    int ask(int level, QString& name)
    {
        int granted = 7;
        shell::AskAccessKey(session, level, granted, name);
        return granted;
    }

    // The transcript without the footer's clearing.
    QStringList shown()
    {
        QStringList lines = transcriptLines();
        lines.removeIf([](const QString& line) {
            return !line.startsWith(u"[footer]"_s) && !line.startsWith(u"[message]"_s);
        });
        return lines;
    }
};

TEST_F(AccessKeysTest, TheKeysAreReadTrimmedFromTheParameters)
{
    shell::BDParamLeeAcc(session);
    ASSERT_EQ(session.keys.AccessKeyCount(), 3);
    const AccessKey& first = session.keys.AccessKeys.first();
    EXPECT_EQ(first.key, u"maestra"_s);
    EXPECT_EQ(first.name, u"Dueño"_s);
    EXPECT_EQ(first.level, u"5"_s);
    EXPECT_EQ(session.keys.AccessKeys.last().key, u"rara"_s);
    EXPECT_EQ(session.errors.RoutineName, u"BDParam"_s);
}

TEST_F(AccessKeysTest, WithoutKeysEverythingIsAllowed)
{
    QString name = u"antes"_s;
    EXPECT_EQ(ask(3, name), -1);
    EXPECT_TRUE(user.waits.isEmpty());
}

TEST_F(AccessKeysTest, AKeyOfHigherLevelIsGrantedAtOnce)
{
    shell::BDParamLeeAcc(session);
    session.codes.CommandCode = 77;
    user.answer(u"maestra"_s, [this](const WaitContext& wait) {
        EXPECT_EQ(wait.kind, WaitKind::AccessKey);
        auto* box = qobject_cast<QLineEdit*>(wait.widget.data());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->objectName(), u"Texto"_s);
        EXPECT_EQ(box->echoMode(), QLineEdit::Password);
        EXPECT_TRUE(box->isVisible());
        EXPECT_TRUE(box->text().isEmpty());
    });
    QString name;
    EXPECT_EQ(ask(3, name), -1);
    EXPECT_EQ(name, u"Dueño"_s);
    EXPECT_EQ(session.codes.CommandCode, 77);
    EXPECT_FALSE(form->keyBox()->isVisible());
    EXPECT_TRUE(form->keyBox()->text().isEmpty());
    EXPECT_EQ(shown(), QStringList{KeyRequest});
}

TEST_F(AccessKeysTest, ThreeWrongOrLowKeysAreRefused)
{
    shell::BDParamLeeAcc(session);
    session.codes.CommandCode = 5;
    user.answer(u"caja"_s);
    user.answer(u"OK"_s);
    user.answer(u"OK"_s);
    user.answer(u"rara"_s);
    user.answer(u"OK"_s);
    user.answer(u"OK"_s);
    user.answer(u"maestra "_s);
    user.answer(u"OK"_s);
    QString name = u"antes"_s;
    EXPECT_EQ(ask(3, name), 0);
    EXPECT_EQ(name, QString());
    EXPECT_EQ(session.codes.CommandCode, 5);
    EXPECT_TRUE(user.steps.isEmpty());
    EXPECT_EQ(shown(),
              (QStringList{KeyRequest,
                           u"[message] Quelmar: Esta Operación requiere de una Clave con Nivel 3 [Aceptar]"_s,
                           u"[message] Quelmar: Clave de Acceso equivocada. Corrija, por favor. [Aceptar]"_s,
                           KeyRequest,
                           u"[message] Quelmar: Esta Operación requiere de una Clave con Nivel 3 [Aceptar]"_s,
                           u"[message] Quelmar: Clave de Acceso equivocada. Corrija, por favor. [Aceptar]"_s,
                           KeyRequest, u"[message] Quelmar: Clave de Acceso no autorizada [Aceptar]"_s}));
}

TEST_F(AccessKeysTest, AWrongKeyMayBeCorrected)
{
    shell::BDParamLeeAcc(session);
    user.answer(u"Caja"_s);
    user.answer(u"OK"_s);
    user.answer(u"caja"_s);
    QString name;
    EXPECT_EQ(ask(2, name), -1);
    EXPECT_EQ(name, u"Cajero"_s);
    EXPECT_EQ(shown(),
              (QStringList{KeyRequest,
                           u"[message] Quelmar: Clave de Acceso equivocada. Corrija, por favor. [Aceptar]"_s,
                           KeyRequest}));
}

} // namespace
} // namespace quelmar::shelltest
