// The contract search of the subscriber chooser: the range of contracts an answer lists.
#include "shell/choosesubscriber.h"

#include <gtest/gtest.h>

namespace quelmar::shell {
namespace {

TEST(ContractRangeTest, theAnswerGivesThirtyContractsFromTheNumberTyped)
{
    struct Case
    {
        const char* typed;
        const char* bounds;
    };
    for (const Case& c : {Case{"120", ">= 120 AND Contrato <= 150"}, Case{"", ">= 1 AND Contrato <= 30"},
                          Case{"0", ">= 1 AND Contrato <= 30"}, Case{"-5", ">= 1 AND Contrato <= 25"},
                          Case{"abc", ">= 1 AND Contrato <= 30"}, Case{" 77 ", ">= 77 AND Contrato <= 107"},
                          Case{"12a", ">= 12 AND Contrato <= 42"}}) {
        EXPECT_EQ(
            contractRangeStatement(QString::fromLatin1(c.typed)),
            QStringLiteral("SELECT Contrato, Nombre,Clave, Clase, Situación,Vencimiento FROM Suscriptores "
                           "WHERE Contrato ") +
                QString::fromLatin1(c.bounds))
            << c.typed;
    }
}

} // namespace
} // namespace quelmar::shell
