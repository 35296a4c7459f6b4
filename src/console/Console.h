#pragma once
// The command line and the console: typed commands go to the chip, its answers come back
// through the receive event.

class Fo;
class Link;

class Console {
public:
    Console(Fo& fo, Link& link);

    void Command_GotFocus();
    void Command_KeyPress(int key);
    void Command_LostFocus();
    void Text_Click();

private:
    Fo& fo_;
    Link& link_;
};
