// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ScriptedDialogs.h"

MsgAnswer ScriptedDialogs::message(const QString& text, MsgIcon icon, MsgButtons buttons)
{
    shown.append({text, icon, buttons});
    if (onMessage)
        onMessage(shown.constLast());
    return answers.isEmpty() ? MsgAnswer::Ok : answers.dequeue();
}

std::optional<QString> ScriptedDialogs::saveFileName(const QString& filter,
                                                     const QString& offeredName)
{
    fileDialogs.append({true, filter, offeredName});
    return chosenFiles.isEmpty() ? std::nullopt : chosenFiles.dequeue();
}

std::optional<QString> ScriptedDialogs::openFileName(const QString& filter,
                                                     const QString& offeredName)
{
    fileDialogs.append({false, filter, offeredName});
    return chosenFiles.isEmpty() ? std::nullopt : chosenFiles.dequeue();
}

QStringList ScriptedDialogs::texts() const
{
    QStringList all;
    for (const Shown& s : shown)
        all << s.text;
    return all;
}
