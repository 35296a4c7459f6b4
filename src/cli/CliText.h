// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the command-line program writes: results on standard output, reasons on standard error,
// each line as the system ends lines.

#include <QString>

namespace CliText {
inline const QString kProgramName = QStringLiteral("trevalon-cli");

// The console's text (CR LF between lines) with the system's line breaks, ending with one.
QString withSystemLineBreaks(const QString& consoleText);
// Writes the text on standard output in the locale's encoding; false when it could not.
bool printOut(const QString& text);
// printOut, and the reason on standard error when it could not.
bool printResult(const QString& text);
// "trevalon-cli: text" and a line break on standard error.
void printError(const QString& text);
} // namespace CliText
