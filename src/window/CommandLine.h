// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Command, the command line: a single-line text box that reports focus gains and losses and
// every character key typed (Enter as 13) before the key takes effect.
//
// Contract:
// - gotFocus()/lostFocus() follow the keyboard focus moving to or from this box, but not the
//   window being activated or deactivated, nor a menu or popup opening or closing, nor the menu
//   bar taking the keyboard (Alt): leaving for a menu or a message box is not leaving the
//   command line.
// - keyPress(code) is emitted for every key that types a printable character, for Backspace (8)
//   and for Enter/Return (13), before the key takes effect. Enter itself puts nothing into the
//   box. Other keys (Escape, Tab, arrows, shortcuts) emit nothing.
// - Up and Down recall the commands remembered with rememberCommand() in this run, most recent
//   first on Up; Down past the newest gives an empty line. Recall emits nothing.
// - The back colour is whatever the handlers last set; light red when the box is created.

#include <QLineEdit>
#include <QStringList>

class CommandLine : public QLineEdit
{
    Q_OBJECT

public:
    static constexpr int kFocusedColour = 16777215;   // white
    static constexpr int kUnfocusedColour = 12632319; // light red, RGB 255, 192, 192
    static constexpr int kEnterKey = 13;
    static constexpr int kBackspaceKey = 8;
    // Recall keeps this many commands; older ones are forgotten.
    static constexpr qsizetype kHistoryLimit = 200;

    explicit CommandLine(QWidget* parent = nullptr);

    // Back colour as a 0x00BBGGRR value (white 16777215 with focus, light red 12632319 without).
    int backColour() const;
    void setBackColour(int oleColour);

    // Remembers a sent command for Up/Down recall (not stored between runs). Empty commands and
    // a repeat of the newest one are not remembered again. Resets the recall position.
    void rememberCommand(const QString& command);
    // The remembered commands, most recent first.
    QStringList history() const;

Q_SIGNALS:
    void gotFocus();
    void lostFocus();
    void keyPress(int key);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void recallOlder();
    void recallNewer();

    int backColour_ = kUnfocusedColour;
    QStringList history_;     // oldest first
    qsizetype recalled_ = -1; // index into history_ shown by recall; -1: the fresh line
};
