#pragma once

// Small table definitions for tests that make a database of their own.
#include "db/fielddef.h"

#include <QString>

namespace quelmar::testsupport {

inline db::FieldDef field(const QString& name, int type, int size = 0, const QString& defaultValue = {})
{
    db::FieldDef def;
    def.name = name;
    def.type = type;
    def.size = size;
    def.defaultValue = defaultValue;
    return def;
}

inline db::FieldDef field(const char* name, int type, int size = 0)
{
    return field(QString::fromUtf8(name), type, size);
}

// Parametros as the office keeps it: classes of named values, in order within a class (index "Clase").
inline db::TableDef parametersTable()
{
    namespace jettype = db::jettype;
    db::TableDef parametros;
    parametros.name = QStringLiteral("Parametros");
    parametros.fields = {
        field(QStringLiteral("Clase"), jettype::Text, 20), field(QStringLiteral("Secuen"), jettype::Long),
        field(QStringLiteral("Nombre"), jettype::Text, 50), field(QStringLiteral("Clave"), jettype::Text, 20),
        field(QStringLiteral("Contenido"), jettype::Text, 255)};
    parametros.indexes = {
        {QStringLiteral("Clase"), {QStringLiteral("Clase"), QStringLiteral("Secuen")}, false, false}};
    return parametros;
}

} // namespace quelmar::testsupport
