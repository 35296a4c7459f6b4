#include "core/Version.h"

#include "core/TextRules.h"

namespace Version {

QString windowTitle()
{
    using TextRules::withSignPosition;
    return QStringLiteral("Kestrum Trevalon V") + withSignPosition(Major) + QLatin1Char('.') +
           withSignPosition(Minor) + QLatin1Char('.') + withSignPosition(Revision);
}

QString plainVersionText()
{
    return QStringLiteral("Trevalon %1.%2.%3").arg(Major).arg(Minor).arg(Revision);
}

} // namespace Version
