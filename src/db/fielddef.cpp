#include "db/fielddef.h"

namespace quelmar::db {

bool jettype::isNumeric(int type)
{
    return type >= Byte && type <= Double;
}

bool FieldDef::isClassifier() const
{
    return defaultValue.contains(QLatin1String("!C"));
}

bool FieldDef::isRelation() const
{
    return defaultValue.contains(QLatin1String("!R"));
}

int FieldDef::typeCode() const
{
    if (isClassifier())
        return jettype::Classifier;
    if (isRelation())
        return jettype::Relation;
    return type;
}

} // namespace quelmar::db
