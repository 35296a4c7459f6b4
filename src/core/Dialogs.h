// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Message boxes and file dialogs, behind one small interface: the Qt one for the program, a
// scripted one for tests.

#include <QString>

#include <optional>

enum class MsgIcon { None, Critical, Question, Information };
enum class MsgButtons { Ok, OkCancel };
enum class MsgAnswer { Ok, Cancel };

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A modal box with the program's title "Trevalon".
    virtual MsgAnswer message(const QString& text, MsgIcon icon, MsgButtons buttons) = 0;

    // Filters come as "description|pattern|description|pattern". The chosen full path, or
    // nothing when the user cancelled.
    virtual std::optional<QString> saveFileName(const QString& filter,
                                                const QString& offeredName) = 0;
    virtual std::optional<QString> openFileName(const QString& filter,
                                                const QString& offeredName) = 0;
};

// The title every message box carries.
inline const QString kMessageBoxTitle = QStringLiteral("Trevalon");
