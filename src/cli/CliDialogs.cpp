// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliDialogs.h"

#include "cli/CliText.h"

#include <QRegularExpression>

MsgAnswer CliDialogs::message(const QString& text, MsgIcon icon, MsgButtons buttons)
{
    // The only OK/Cancel question the core asks is whether to overwrite the file the user named.
    if (icon == MsgIcon::Question && buttons == MsgButtons::OkCancel)
        return MsgAnswer::Ok;
    ++reportsShown_;
    const std::optional<QString> failure = takeAttached();
    CliText::printError(failure ? oneLine(text) + QLatin1Char(' ') + *failure : oneLine(text));
    return MsgAnswer::Ok;
}

std::optional<QString> CliDialogs::takeAttached()
{
    std::optional<QString> failure;
    failure.swap(attached_);
    return failure;
}

std::optional<QString> CliDialogs::saveFileName(const QString& /*filter*/,
                                                const QString& /*offeredName*/)
{
    std::optional<QString> path;
    path.swap(savePath_);
    return path;
}

std::optional<QString> CliDialogs::openFileName(const QString& /*filter*/,
                                                const QString& /*offeredName*/)
{
    return std::nullopt;
}

QString CliDialogs::oneLine(const QString& text)
{
    static const QRegularExpression lineBreaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    return text.trimmed().replace(lineBreaks, QStringLiteral(" "));
}
