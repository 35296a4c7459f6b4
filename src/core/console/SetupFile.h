// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ment: saving the console text to a register setup file. The file holds the console's text as
// Latin-1 bytes followed by CR LF; it replaces a file of that name whole or, on failure, not at
// all.

#include <QString>

class Core;

class SetupFile
{
public:
    static inline const QString kFilter =
        QStringLiteral("Setup txt (*.txt)|*.txt|Minden File (*.*)|*.*");
    // Offered on every click, whatever name was used last.
    static inline const QString kOfferedName = QStringLiteral("Setup.txt");

    explicit SetupFile(Core& core);

    void save();

private:
    Core& core_;
};
