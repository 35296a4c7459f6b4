// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the command-line program writes: results on standard output, reasons on standard error,
// each line as the system ends lines.

#include <QString>
#include <QStringList>

namespace CliText {
inline const QString kProgramName = QStringLiteral("trevalon-cli");

// The console's text (CR LF between lines) with the system's line breaks, ending with one.
QString withSystemLineBreaks(const QString& consoleText);
// Writes the text on standard output in the locale's encoding; false when it could not.
bool printOut(const QString& text);
// printOut, and the reason on standard error when it could not.
bool printResult(const QString& text);
// "trevalon-cli: text" and a line break on standard error, or kept while a HeldErrors lives.
void printError(const QString& text);

// While one lives, printError keeps its lines and writes them when it ends, so that a JSON
// document written to standard error as it is made (capture's figures) is never cut by one.
class HeldErrors
{
public:
    HeldErrors();
    ~HeldErrors();
    HeldErrors(const HeldErrors&) = delete;
    HeldErrors& operator=(const HeldErrors&) = delete;

    void keep(const QString& text) { lines_ << text; }
    // The first line kept, without the program's name (later ones are mostly its consequences);
    // empty when none was.
    QString first() const { return lines_.isEmpty() ? QString() : lines_.first(); }

private:
    QStringList lines_;
    HeldErrors* outer_;
};
} // namespace CliText
