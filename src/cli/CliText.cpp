// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliText.h"

#include <cstdio>

namespace {
CliText::HeldErrors* heldErrors = nullptr;
} // namespace

QString CliText::withSystemLineBreaks(const QString& consoleText)
{
    QString text = consoleText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // Like the setup file, which ends the console's text with a line break of its own.
    return text + QLatin1Char('\n');
}

bool CliText::printOut(const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    return std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout) ==
               static_cast<size_t>(bytes.size()) &&
           std::fflush(stdout) == 0;
}

void CliText::printError(const QString& text)
{
    if (heldErrors != nullptr) {
        heldErrors->keep(text);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", qPrintable(kProgramName), text.toLocal8Bit().constData());
    std::fflush(stderr);
}

bool CliText::printResult(const QString& text)
{
    if (printOut(text))
        return true;
    printError(QStringLiteral("standard output could not be written"));
    return false;
}

CliText::HeldErrors::HeldErrors() : outer_(heldErrors)
{
    heldErrors = this;
}

CliText::HeldErrors::~HeldErrors()
{
    heldErrors = outer_;
    for (const QString& line : lines_)
        printError(line);
}
