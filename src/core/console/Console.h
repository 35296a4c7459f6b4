// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line and the console: typed commands go to the chip, its answers come back
// through the receive event (the dispatcher appends them to the console; this class never
// writes a typed command into it).

#include <QByteArray>
#include <QString>

class Core;
class Link;

class Console
{
public:
    // Back colours of the command line (0x00BBGGRR): white while it has the focus, light red
    // (red 255, green 192, blue 192) while it has not.
    static constexpr int kFocusColour = 16777215;
    static constexpr int kNoFocusColour = 12632319;

    Console(Core& core, Link& link);

    // Entering the command line stops the chip's stream: "q" goes out on the port number the
    // port already holds and the port is left closed, receiveMode at ModeCapture.
    void enterCommandLine();
    // Raised for every character key before it takes effect, with the command line's text at
    // that moment. Every key refreshes portNumber from the port list; Enter sends the line (a
    // lone carriage return when it is empty, after clearing the console) and leaves the port
    // open in console mode for the reply.
    void typeKey(int key, const QString& line);
    void leaveCommandLine();
    // A click into the console hands the focus back to the command line.
    void returnToCommandLine();

    // The typed text as the chip's 8-bit character set holds it: every character (code point)
    // outside Latin-1 becomes one "?".
    static QByteArray toLineBytes(const QString& typed);

private:
    void sendCommandLine(const QString& typed);

    Core& core_;
    Link& link_;
};
