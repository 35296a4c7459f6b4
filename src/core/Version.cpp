// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Version.h"

#include "core/TextRules.h"

namespace Version {

QString windowTitle()
{
    using TextRules::withSignPosition;
    return QStringLiteral("Kestrum Trevalon V") + withSignPosition(Major) + QLatin1Char('.') +
           withSignPosition(Minor) + QLatin1Char('.') + withSignPosition(Revision);
}

QString versionText(const QString& program)
{
    static const QLatin1String kCopyrightAndLicence(
        "Copyright (C) 2026 The Trevalon Project\n"
        "License GPL-3.0-or-later: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>\n"
        "This is free software: you are free to change and redistribute it.\n"
        "There is NO WARRANTY, to the extent permitted by law.\n");
    return QStringLiteral("%1 %2.%3.%4\n").arg(program).arg(Major).arg(Minor).arg(Revision) +
           kCopyrightAndLicence;
}

} // namespace Version
