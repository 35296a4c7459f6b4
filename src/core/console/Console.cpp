#include "core/console/Console.h"

#include "window/Fo.h"
#include "window/CommandLine.h"
#include "window/ConsoleView.h"
#include "core/link/Comm.h"
#include "core/link/CommError.h"
#include "core/link/Link.h"
#include "core/scope/ScopeControl.h"


namespace {
constexpr char32_t kLastLatin1 = 0xFF;
constexpr char kUnmappable = '?';
} // namespace

Console::Console(Fo& fo, Link& link) : fo_(fo), link_(link) {}

void Console::Command_GotFocus()
{
    fo_.Command->setBackColour(kFocusColour);
    try {
        fo_.scope().stopScope();
    } catch (const CommError& error) {
        link_.reportPortError(error.number());
    }
}

void Console::Command_KeyPress(int key)
{
    // Read for every key, before the trap: a port choice made while typing takes effect at Enter.
    fo_.state.portNumber = fo_.portNumberFromList();
    try {
        if (key != kEnterKey)
            return; // the character goes into the line as typed
        sendCommandLine();
    } catch (const CommError& error) {
        // The typed command is dropped first, so the line is empty while the message shows.
        fo_.Command->setText(QString());
        link_.reportPortError(error.number());
    }
}

void Console::sendCommandLine()
{
    fo_.state.receiveMode = ModeConsole;
    link_.reopenPort(kConsoleProfile);
    // Nothing can run between the open and this test; it guards the send all the same.
    if (!fo_.MSComm.portOpen() || fo_.state.receiveMode != ModeConsole) {
        fo_.Command->setText(QString());
        return;
    }
    const QString typed = fo_.Command->text();
    if (typed.isEmpty()) {
        // Enter on an empty line starts afresh: the console is cleared and the chip gets a lone
        // carriage return (its register listing).
        fo_.Text->setText(QString());
        link_.sendCommand(QByteArray());
        return;
    }
    link_.sendCommand(toLineBytes(typed));
    fo_.Command->setText(QString());
    // Only a command that went out is offered again by Up/Down.
    fo_.Command->rememberCommand(typed);
}

void Console::Command_LostFocus()
{
    fo_.Command->setBackColour(kNoFocusColour);
}

void Console::Text_Click()
{
    fo_.Command->setBackColour(kFocusColour);
    // Moving the focus raises Command_GotFocus through the widget, which stops the chip.
    fo_.Command->setFocus();
}

QByteArray Console::toLineBytes(const QString& typed)
{
    QByteArray bytes;
    bytes.reserve(typed.size());
    // Code points, not UTF-16 units: a character beyond the basic plane is one "?", not two.
    for (const char32_t c : typed.toUcs4())
        bytes.append(c <= kLastLatin1 ? static_cast<char>(c) : kUnmappable);
    return bytes;
}
