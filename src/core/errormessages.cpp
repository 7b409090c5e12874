#include "core/errormessages.h"

#include <QHash>

namespace quelmar::errormessages {

namespace {

const char16_t* const LockedByAnotherUser = u"Otro Usuario de la Red está usando estos datos en este "
                                            u"momento.  Espere unos segundos e intente otra vez.";
const char16_t* const NotPossibleHere =
    u"Esta operación no puede hacerse sobre estos datos.  Cancele y vuelva "
    u"a intentarlo; si se repite, avise al encargado del sistema.";
const char16_t* const CheckTypedData = u"Revise los Datos escritos y vuelva a intentarlo.";

QString withAdvice(const char16_t* what, const char16_t* advice)
{
    return QString::fromUtf16(what) + QStringLiteral("  ") + QString::fromUtf16(advice);
}

const QHash<int, QString>& texts()
{
    static const QHash<int, QString> table = [] {
        QHash<int, QString> t;
        // Run-time errors of the program.
        t.insert(5, withAdvice(u"Se pidió una operación con un valor no válido.", CheckTypedData));
        t.insert(6, withAdvice(u"Un número es demasiado grande para la operación.", CheckTypedData));
        t.insert(7, QStringLiteral(
                        "No hay memoria suficiente.  Cierre otras aplicaciones y vuelva a intentarlo."));
        t.insert(9, QStringLiteral("Se buscó un elemento que no existe.  Vuelva a intentarlo; si se repite, "
                                   "avise al encargado del sistema."));
        t.insert(11, withAdvice(u"Hay una división entre cero.", CheckTypedData));
        t.insert(13, withAdvice(u"Un Dato no es del tipo esperado (número, fecha o texto).", CheckTypedData));
        t.insert(51, QStringLiteral("Error interno del Programa.  Anote lo que estaba haciendo y avise al "
                                    "encargado del sistema."));
        t.insert(
            53, QStringLiteral("No se encuentra un archivo que la operación necesita.  Revise que esté en la "
                               "carpeta de la oficina con su nombre y vuelva a intentarlo."));
        t.insert(75, QStringLiteral("No se puede leer o escribir un archivo.  Revise que se pueda usar (sus "
                                    "permisos, el espacio en el disco) y vuelva a intentarlo."));
        t.insert(321,
                 QStringLiteral("Un archivo no tiene el contenido esperado.  Revise el archivo (o hágalo de "
                                "nuevo) y vuelva a intentarlo."));
        t.insert(91,
                 QStringLiteral("Falta algo que la operación necesita (por ejemplo, la Base de Datos "
                                "abierta).  Termine el Programa, vuelva a ejecutarlo e intente otra vez."));
        t.insert(
            94, QStringLiteral("Falta el contenido de un Dato necesario.  Escríbalo y vuelva a intentarlo."));
        t.insert(340,
                 QStringLiteral("Se pidió un elemento de la pantalla que no existe.  Vuelva a intentarlo; si "
                                "se repite, avise al encargado del sistema."));
        t.insert(380, withAdvice(u"Un valor no es válido para esta operación.", CheckTypedData));

        // The database engine's errors.
        for (const int lock : {3009, 3186, 3187, 3188, 3211, 3212, 3260, 3261, 3262})
            t.insert(lock, QString::fromUtf16(LockedByAnotherUser));
        t.insert(3008, QStringLiteral("Otro Usuario tiene la tabla en uso exclusivo.  Espere a que termine e "
                                      "intente otra vez."));
        t.insert(3189, t.value(3008));
        t.insert(3020, QStringLiteral("La escritura del Registro quedó interrumpida.  Cancele la operación y "
                                      "vuelva a hacerla."));
        t.insert(3021,
                 QStringLiteral("No hay ningún Registro presentado.  Elija un Registro e intente otra vez."));
        t.insert(3022,
                 QStringLiteral("La Clave de identificación ya existe, y no puede haber claves duplicadas.  "
                                "Cambie la Clave o Cancele"));
        t.insert(3024,
                 QStringLiteral("No se encuentra el archivo de la Base de Datos.  Revise que esté en su "
                                "carpeta con su nombre (si está en otra computadora, que ésta esté "
                                "encendida y la Red funcione) y vuelva a intentarlo."));
        t.insert(3027,
                 QStringLiteral("No puede actualizarse, por ser solo para Lectura.  Pida al encargado del "
                                "sistema permiso de escritura sobre la Base de Datos y su carpeta."));
        t.insert(3031,
                 QStringLiteral("El servidor de Base de Datos rechazó el usuario o la contraseña.  Revise "
                                "con el encargado del sistema la dirección de la Base de Datos y vuelva a "
                                "intentarlo."));
        t.insert(3034,
                 QStringLiteral("La operación con la Base de Datos quedó incompleta.  Cancele y vuelva a "
                                "hacerla."));
        t.insert(3043,
                 QStringLiteral("Error de disco o de red al usar la Base de Datos.  Revise el espacio libre "
                                "en el disco (y la Red, si la Base de Datos está en otra computadora) y "
                                "vuelva a intentarlo."));
        t.insert(3044,
                 QStringLiteral("La carpeta de la Base de Datos no es válida o no está disponible.  Revise "
                                "que exista (y la Red, si está en otra computadora) y vuelva a "
                                "intentarlo."));
        t.insert(3045,
                 QStringLiteral("La Base de Datos está en uso por otro programa.  Espere a que termine e "
                                "intente otra vez."));
        t.insert(3049,
                 QStringLiteral("La Base de Datos está dañada.  Pida a los demás Usuarios que salgan del "
                                "Programa y repárela con la opción «Repara base de datos» del menú "
                                "Administración."));
        t.insert(3051,
                 QStringLiteral("Otro Usuario tiene abierta la Base de Datos en uso exclusivo (por "
                                "ejemplo, para respaldarla o repararla).  Espere a que termine e intente "
                                "otra vez."));
        t.insert(3061,
                 QStringLiteral("La consulta tiene un error o nombra un campo que no existe.  Revise la "
                                "selección o el orden que escribió y vuelva a intentarlo."));
        t.insert(3065, QString::fromUtf16(NotPossibleHere));
        t.insert(3075, QStringLiteral("La expresión de la selección tiene un error.  Revise la selección que "
                                      "escribió y vuelva a intentarlo."));
        t.insert(3085, QStringLiteral("La consulta usa una función no definida.  Revise la selección o la "
                                      "instrucción que escribió y vuelva a intentarlo."));
        t.insert(3129,
                 QStringLiteral("La instrucción no es válida: debe empezar con SELECT, TRANSFORM, INSERT, "
                                "UPDATE o DELETE.  Corríjala y vuelva a intentarlo."));
        t.insert(3078,
                 QStringLiteral("No se encuentra una tabla o consulta en la Base de Datos.  Revise que la "
                                "Base de Datos sea la de este Programa."));
        t.insert(3163, QStringLiteral("El Dato es demasiado largo para su campo.  Acórtelo y vuelva a "
                                      "escribirlo."));
        t.insert(3164, QStringLiteral("Este campo no puede modificarse.  Cancele el cambio."));
        t.insert(3167, QStringLiteral("Este Registro ya fue borrado.  Elija otro Registro."));
        t.insert(3197,
                 QStringLiteral("Alguien cambió hace unos momentos estos datos.  Vuelva a presentarlos y "
                                "repita el cambio."));
        t.insert(3200, QStringLiteral(
                           "Este Registro no puede borrarse ni cambiar de Clave, porque otros Registros lo "
                           "usan (por ejemplo, los Pagos o las Quejas de un Suscriptor).  Borre o cambie "
                           "primero esos Registros, o Cancele."));
        t.insert(3201,
                 QStringLiteral("La Clave escrita en un Dato de relación no existe en la tabla relacionada.  "
                                "Escriba una Clave que exista, o déjela vacía, o Cancele."));
        t.insert(3204, QStringLiteral("La Base de Datos ya existe.  Elija otro nombre."));
        t.insert(3219, QString::fromUtf16(NotPossibleHere));
        t.insert(3251, QString::fromUtf16(NotPossibleHere));
        t.insert(3265,
                 QStringLiteral("El campo pedido no existe en estos datos.  Revise la selección o el orden "
                                "que escribió."));
        t.insert(3314, QStringLiteral("Un Dato necesario no tiene contenido, y es forzoso que lo tenga.  "
                                      "Escríbalo o Cancele."));
        t.insert(3315, QStringLiteral("Falta el Dato, y es imprescindible.  Debe escribirlo o Cancelar"));
        t.insert(3317, QStringLiteral("Un Dato no cumple la regla de su campo.  Corríjalo o Cancele."));
        t.insert(3343,
                 QStringLiteral("El archivo no es una Base de Datos de este Programa.  Revise el nombre del "
                                "archivo o copie la Base de Datos correcta."));
        t.insert(3421, QStringLiteral("Dato de Fecha ó Numérico con error.  Revise y corrija"));
        t.insert(3426,
                 QStringLiteral("La operación no pudo completarse.  Revise que los Datos necesarios tengan "
                                "contenido y vuelva a intentarlo."));
        return t;
    }();
    return table;
}

} // namespace

QString forNumber(int number)
{
    const auto found = texts().constFind(number);
    if (found != texts().cend())
        return found.value();
    return QStringLiteral("Error no previsto en la operación.  Anote el número del error y lo que estaba "
                          "haciendo, y avise al encargado del sistema.");
}

bool hasOwnText(int number)
{
    return texts().contains(number);
}

} // namespace quelmar::errormessages
