// What the repair tells the user: nothing found, nothing readable, or per table what was saved and lost.
#include "maintenance/databasefiles.h"

#include <gtest/gtest.h>

namespace quelmar::maintenance {
namespace {

TEST(RepairReport, TellsPerTableWhatWasSavedAndLost)
{
    using db::files::TableRescue;
    const struct
    {
        const char* what;
        RepairOutcome outcome;
        QString expected;
    } cases[]{
        {"a sound file", {}, QStringLiteral("La revisión no encontró daños en la Base de Datos.")},
        {"nothing readable",
         {{QStringLiteral("file is not a database")},
          {},
          {QStringLiteral("file is not a database")},
          QString()},
         QStringLiteral(
             "La Base de Datos está dañada y no pudo leerse nada de ella.  Recupere el último Respaldo "
             "(archivo .bak) o pida ayuda a su soporte técnico.")},
        {"rows lost and unknown",
         {{QStringLiteral("Page 117: btreeInitPage() returns error code 11")},
          {TableRescue{QStringLiteral("Suscriptores"), 300, 0},
           TableRescue{QStringLiteral("Pagos"), 5908, 56}, TableRescue{QStringLiteral("Quejas"), 40, -1}},
          {QStringLiteral("index Ticket: UNIQUE constraint failed")},
          QStringLiteral("/o/Quelmar.dañada-20261211-010203")},
         QStringLiteral("La Base de Datos estaba dañada.  Se reconstruyó con lo que pudo leerse:|"
                        "Suscriptores: 300 registros recuperados|"
                        "Pagos: 5908 registros recuperados, 56 perdidos|"
                        "Quejas: 40 registros recuperados, no se sabe cuántos se perdieron|"
                        "No pudo rehacerse: index Ticket: UNIQUE constraint failed|"
                        "Revise los datos perdidos con el último Respaldo (archivo .bak).|"
                        "La Base de Datos dañada se guardó como /o/Quelmar.dañada-20261211-010203")},
        {"nothing lost",
         {{QStringLiteral("free page count wrong")},
          {TableRescue{QStringLiteral("Pagos"), 10, 0}},
          {},
          QStringLiteral("/o/Q.dañada")},
         QStringLiteral(
             "La Base de Datos estaba dañada.  Se reconstruyó con lo que pudo leerse:|"
             "Pagos: 10 registros recuperados|La Base de Datos dañada se guardó como /o/Q.dañada")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(repairReport(c.outcome, QStringLiteral("|")), c.expected) << c.what;
}

} // namespace
} // namespace quelmar::maintenance
