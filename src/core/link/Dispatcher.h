// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// handleCommEvent: everything the chip sends arrives here and is treated by the event code and,
// for received bytes, by receiveMode: console text, a 300-byte capture block, a timing reply.

class Comm;
class QByteArray;
class Core;

class Dispatcher
{
public:
    explicit Dispatcher(Core& core);

    void handleCommEvent();

    // The timing digit of a reply: its sixth character when that is a decimal digit, else 0.
    static int timingDigit(const QByteArray& reply);
    // Milliseconds between two samples for a timing digit: d * 95.45 * 5 / 1000, in that order.
    static double timeGridFor(int digit);

private:
    void receiveConsole();
    void receiveCapture();
    void receiveTiming();

    Core& core_;
    Comm& comm_;
};
