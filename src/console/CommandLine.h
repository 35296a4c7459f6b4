#pragma once
// Command, the command line: a single-line text box that reports focus gains and losses and
// every character key typed (Enter as 13) before the key takes effect. Enter itself puts
// nothing into the box. Up and Down recall the commands remembered in this run.

#include <QLineEdit>

class CommandLine : public QLineEdit {
    Q_OBJECT

public:
    explicit CommandLine(QWidget* parent = nullptr);

    // Back colour as a 0x00BBGGRR value (white 16777215 with focus, light red 12632319 without).
    int backColour() const;
    void setBackColour(int oleColour);

    // Remembers a sent command for Up/Down recall (not stored between runs).
    void rememberCommand(const QString& command);
    QStringList history() const;

Q_SIGNALS:
    void gotFocus();
    void lostFocus();
    void keyPress(int key);
};
