#pragma once
// MSComm_OnComm: everything the chip sends arrives here and is treated by the event code and,
// for received bytes, by receiveMode: console text, a 300-byte capture block, a timing reply.

class Comm;
class Fo;

class Dispatcher {
public:
    explicit Dispatcher(Fo& fo);

    void MSComm_OnComm();

private:
    void receiveConsole();
    void receiveCapture();
    void receiveTiming();

    Fo& fo_;
    Comm& comm_;
};
