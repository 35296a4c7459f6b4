#pragma once
// The chip option items of the "KDSP Special Config" menu. All eight run one procedure with
// their command text.

#include <QByteArray>

class Fo;
class Link;

class OptionCommands {
public:
    OptionCommands(Fo& fo, Link& link);

    void sendOption(const QByteArray& command);

    void TP100_Click();
    void TP80_Click();
    void TP60_Click();
    void MPoff_Click();
    void SLF_Click();
    void SLF_off_Click();
    void DCM_Click();
    void ACM_Click();

private:
    Fo& fo_;
    Link& link_;
};
