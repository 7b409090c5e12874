#include "maintenance/errortexts.h"

#include "maintenance/reporterror.h"

namespace quelmar::maintenance {

namespace {

struct ErrorText
{
    qint32 number;
    const char16_t* text;
};

constexpr char16_t Locked[] =
    u"Otra estación de trabajo está usando estos datos.  Espere unos momentos y vuelva "
    u"a intentarlo.";

constexpr ErrorText texts[] = {
    {3009, Locked},
    {3186, Locked},
    {3187, Locked},
    {3188, Locked},
    {3211, Locked},
    {3212, Locked},
    {3260, Locked},
    {3261, Locked},
    {3262, Locked},
    {3045, u"La Base de Datos está en uso exclusivo por otra estación de trabajo.  Espere a que termine y "
           u"vuelva a intentarlo."},
    {3051, u"La Base de Datos está abierta en exclusiva por otro usuario.  Espere a que la cierre y vuelva a "
           u"intentarlo."},
    {3008, u"La tabla está en uso exclusivo por otro usuario.  Espere a que termine y vuelva a intentarlo."},
    {3189, u"La tabla está en uso exclusivo por otro usuario.  Espere a que termine y vuelva a intentarlo."},
    {3197, u"Otro usuario cambió estos datos al mismo tiempo.  Vuelva a consultarlos y repita el cambio."},
    {3167, u"El registro ya fue borrado por otro usuario.  Vuelva a consultar los datos."},
    {3021, u"El registro buscado ya no existe.  Vuelva a consultar los datos."},
    {3022, u"La Clave de identificación ya existe, y no puede haber claves duplicadas.  Cambie la Clave."},
    {3024, u"No se encuentra el archivo de la Base de Datos.  Revise que exista y que su carpeta esté "
           u"disponible."},
    {3044, u"La carpeta de la Base de Datos no es válida.  Revise la carpeta y la conexión de red."},
    {3027, u"La Base de Datos es de solo lectura.  Revise los permisos del archivo y de su carpeta."},
    {3043, u"Error de disco o de red.  Revise la conexión y el espacio libre del disco, y vuelva a "
           u"intentarlo."},
    {3049, u"La Base de Datos está dañada.  Repárela con Administración, Reparación de la Base de Datos."},
    {3343, u"El archivo no es una Base de Datos de este programa.  Revise cuál archivo se abre."},
    {3061, u"La consulta nombra un campo o una tabla que no existe en la Base de Datos.  Anote la opción y "
           u"avise a quien da soporte al programa."},
    {3075,
     u"La consulta tiene un error de escritura.  Anote la opción y avise a quien da soporte al programa."},
    {3078,
     u"La Base de Datos no tiene la tabla o la consulta que se pide.  Revise que sea la Base de Datos de "
     u"la oficina."},
    {3219, u"Esta operación no puede hacerse con estos datos."},
    {3251, u"Esta operación no puede hacerse con estos datos."},
    {3265, u"Los datos no tienen el campo que se pide.  Anote la opción y avise a quien da soporte al "
           u"programa."},
    {3314, u"Un Dato necesario no tiene contenido.  Escríbalo y vuelva a intentarlo."},
    {3315, u"Falta el Dato, y es imprescindible.  Escríbalo y vuelva a intentarlo."},
    {3317, u"Un dato no cumple la regla de validación de su campo.  Corríjalo y vuelva a intentarlo."},
    {3421, u"Dato de Fecha ó Numérico con error.  Revise y corrija"},
    {3034, u"La Base de Datos canceló la operación.  Vuelva a intentarlo."},
    {13, u"Un dato no es del tipo esperado.  Revise los datos escritos."},
    {91, u"La Base de Datos no está abierta.  Salga del programa y vuelva a entrar."},
};

} // namespace

QString errorText(qint32 number)
{
    for (const ErrorText& entry : texts) {
        if (entry.number == number)
            return QString::fromUtf16(entry.text);
    }
    const QString known = knownErrorMessage(number);
    if (!known.isEmpty())
        return known.trimmed();
    return QStringLiteral("Error número %1.  Anote el número y la opción, y avise a quien da soporte al "
                          "programa.")
        .arg(number);
}

} // namespace quelmar::maintenance
