#include "subscribers/schema.h"

#include <initializer_list>

using namespace Qt::StringLiterals;

namespace quelmar::subscribers {

namespace {

using db::FieldDef;
using db::IndexDef;
using db::TableDef;
namespace jettype = db::jettype;

// One field of a table, described with a few chained calls.
class Field
{
public:
    Field(const QString& name, int type, int size = 0)
    {
        m_def.name = name;
        m_def.type = type;
        m_def.size = size;
    }

    Field& required()
    {
        m_def.required = true;
        return *this;
    }
    Field& notEmpty()
    {
        m_def.allowZeroLength = false;
        return *this;
    }
    Field& autoNumber()
    {
        m_def.autoNumber = true;
        m_def.required = true;
        return *this;
    }
    Field& rule(const QString& rule, const QString& text)
    {
        m_def.validationRule = rule;
        m_def.validationText = text;
        return *this;
    }
    Field& defaultValue(const QString& value)
    {
        m_def.defaultValue = value;
        return *this;
    }
    // A number the database gives a new row without one: the next of the rows with the same value of group.
    Field& numberedWithin(const QString& group)
    {
        m_def.numberedWithin = group;
        return *this;
    }
    // A classifier field: its values are the Parametros rows of the class, written in quotation marks.
    Field& classifier(const QString& parameterClass) { return defaultValue(u'"' + parameterClass + u'"'); }

    const FieldDef& def() const { return m_def; }

private:
    FieldDef m_def;
};

IndexDef index(const QString& name, const QStringList& fields)
{
    return IndexDef{name, fields, false, false};
}

IndexDef primaryKey(const QString& field)
{
    return IndexDef{u"PrimaryKey"_s, {field}, true, true};
}

TableDef table(const QString& name, std::initializer_list<Field> fields, const QList<IndexDef>& indexes)
{
    TableDef result;
    result.name = name;
    for (const Field& field : fields) {
        FieldDef def = field.def();
        def.table = name;
        def.position = int(result.fields.size()) + 1;
        result.fields.append(def);
    }
    result.indexes = indexes;
    return result;
}

// Pagos.Suscriptor, Situación.Suscriptor and Quejas.Cliente all point to a subscriber, shown by name.
const QString subscriberRelation = u"!R/Suscriptores/Clave,Nombre/Nombre"_s;
// Quejas.Técnico and Técnicos.Jefe point to a technician, shown by name.
const QString technicianRelation = u"!R/Técnicos/Clave,Nombre/Nombre"_s;

TableDef subscribers()
{
    return table(
        u"Suscriptores"_s,
        {
            Field(u"Clave"_s, jettype::Long).autoNumber(),
            Field(u"Nombre"_s, jettype::Text, 50)
                .required()
                .notEmpty()
                .rule({}, u"Nombre completo: nombre y apellidos"_s),
            Field(u"Contrato"_s, jettype::Long)
                .required()
                .rule(u">0"_s, u"Número de contrato, mayor que cero"_s),
            Field(u"Clase"_s, jettype::Text, 10).required().classifier(u"!CCla"_s),
            Field(u"Unidades"_s, jettype::Integer)
                .rule(u"Between 1 And 50"_s, u"Número de televisores: de 1 a 50"_s),
            Field(u"Situación"_s, jettype::Text, 20).required().classifier(u"!CSit"_s),
            Field(u"Instalación"_s, jettype::Date),
            Field(u"Poste"_s, jettype::Text, 10),
            Field(u"Vencimiento"_s, jettype::Date),
            Field(u"Calle"_s, jettype::Text, 50),
            Field(u"Colonia"_s, jettype::Text, 40),
            Field(u"Teléfono"_s, jettype::Text, 20),
            Field(u"Observaciones"_s, jettype::Memo),
            Field(u"Zona"_s, jettype::Text, 10),
            Field(u"Marca"_s, jettype::Boolean),
        },
        {primaryKey(u"Clave"_s), index(u"Contrato"_s, {u"Contrato"_s}), index(u"Nombre"_s, {u"Nombre"_s})});
}

TableDef payments()
{
    return table(
        u"Pagos"_s,
        {
            Field(u"Suscriptor"_s, jettype::Long).required().defaultValue(subscriberRelation),
            Field(u"Fecha"_s, jettype::Date).required(),
            Field(u"Cantidad"_s, jettype::Currency).rule(u">0"_s, u"Importe del concepto, mayor que cero"_s),
            Field(u"Concepto"_s, jettype::Text, 50).required().notEmpty(),
            Field(u"Observaciones"_s, jettype::Text, 50),
            Field(u"Ticket"_s, jettype::Long),
            Field(u"Marca"_s, jettype::Boolean),
        },
        {index(u"Suscriptor"_s, {u"Suscriptor"_s}), index(u"Fecha"_s, {u"Fecha"_s}),
         index(u"Ticket"_s, {u"Ticket"_s})});
}

// The text of every receipt, kept with its payment: a receipt can always be printed again, also when the
// printer or the program failed right after the payment was recorded.
TableDef receipts()
{
    return table(u"Recibos"_s,
                 {
                     Field(u"Ticket"_s, jettype::Long).required(),
                     Field(u"Suscriptor"_s, jettype::Long).required().defaultValue(subscriberRelation),
                     Field(u"Fecha"_s, jettype::Date).required(),
                     Field(u"Texto"_s, jettype::Memo).required().rule({}, u"Las líneas del recibo impreso"_s),
                 },
                 {index(u"Ticket"_s, {u"Ticket"_s}), index(u"Suscriptor"_s, {u"Suscriptor"_s})});
}

TableDef statusHistory()
{
    return table(
        u"Situación"_s,
        {
            Field(u"Suscriptor"_s, jettype::Long).required().defaultValue(subscriberRelation),
            Field(u"Situación Anterior"_s, jettype::Text, 20),
            Field(u"Fecha"_s, jettype::Date),
            Field(u"Cambiado por"_s, jettype::Text, 20),
            Field(u"Nota"_s, jettype::Text, 50),
            Field(u"Clase"_s, jettype::Text, 10),
            Field(u"Unidades"_s, jettype::Integer).rule(u"<100"_s, u"Número de televisores, menos de 100"_s),
            Field(u"Vencimiento"_s, jettype::Date),
        },
        {index(u"Suscriptor"_s, {u"Suscriptor"_s})});
}

TableDef complaints()
{
    return table(u"Quejas"_s,
                 {
                     Field(u"Cliente"_s, jettype::Long).required().defaultValue(subscriberRelation),
                     Field(u"Descripción"_s, jettype::Text, 100)
                         .required()
                         .notEmpty()
                         .rule({}, u"Qué reporta el suscriptor"_s),
                     Field(u"Recibida"_s, jettype::Date),
                     Field(u"Origen"_s, jettype::Text, 50).rule({}, u"Causa encontrada por el técnico"_s),
                     Field(u"Solución"_s, jettype::Text, 100).rule({}, u"Vacío mientras esté pendiente"_s),
                     Field(u"Fecha"_s, jettype::Date).rule({}, u"Día en que se resolvió"_s),
                     Field(u"Clave"_s, jettype::Long).autoNumber(),
                     Field(u"Técnico"_s, jettype::Long)
                         .rule({}, u"Técnico que atiende la queja"_s)
                         .defaultValue(technicianRelation),
                 },
                 {primaryKey(u"Clave"_s), index(u"Cliente"_s, {u"Cliente"_s})});
}

// The field technicians; a crew's technicians name their chief, who names none.
TableDef technicians()
{
    return table(u"Técnicos"_s,
                 {
                     Field(u"Clave"_s, jettype::Long).autoNumber(),
                     Field(u"Nombre"_s, jettype::Text, 50).required().notEmpty(),
                     Field(u"Teléfono"_s, jettype::Text, 20),
                     Field(u"Zona"_s, jettype::Text, 10),
                     Field(u"Jefe"_s, jettype::Long)
                         .rule({}, u"Jefe de cuadrilla; vacío para un jefe"_s)
                         .defaultValue(technicianRelation),
                 },
                 {primaryKey(u"Clave"_s), index(u"Nombre"_s, {u"Nombre"_s})});
}

TableDef expenses()
{
    return table(
        u"Gastos"_s,
        {
            Field(u"Tipo"_s, jettype::Text, 30).classifier(u"!CGas"_s),
            Field(u"Descripción"_s, jettype::Text, 100).required().notEmpty(),
            Field(u"Monto"_s, jettype::Currency).rule(u">0"_s, u"Importe del gasto, mayor que cero"_s),
            Field(u"Comprobante"_s, jettype::Text, 20),
            // Captured at the counter without a date: the day it is written, so that it shows in the lists
            // of its period.
            Field(u"Fecha"_s, jettype::Date).defaultValue(u"Date()"_s),
            Field(u"Cheque"_s, jettype::Text, 20).rule({}, u"Vacío mientras no se reponga"_s),
        },
        {index(u"Fecha"_s, {u"Fecha"_s})});
}

TableDef parameters()
{
    return table(u"Parametros"_s,
                 {
                     Field(u"Clase"_s, jettype::Text, 20).required(),
                     // A row added without its place (a tariff added in its grid) comes last in its class.
                     Field(u"Secuen"_s, jettype::Long).numberedWithin(u"Clase"_s),
                     Field(u"Nombre"_s, jettype::Text, 50),
                     Field(u"Clave"_s, jettype::Text, 20),
                     Field(u"Contenido"_s, jettype::Text, 255),
                 },
                 {index(u"Clase"_s, {u"Clase"_s, u"Secuen"_s})});
}

} // namespace

QList<db::TableDef> officeSchema()
{
    return {subscribers(), payments(),    receipts(), statusHistory(),
            complaints(),  technicians(), expenses(), parameters()};
}

db::TableDef officeTable(const QString& name)
{
    const QList<db::TableDef> tables = officeSchema();
    for (const db::TableDef& table : tables) {
        if (table.name.compare(name, Qt::CaseInsensitive) == 0)
            return table;
    }
    return {};
}

} // namespace quelmar::subscribers
