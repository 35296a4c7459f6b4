// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/CommandLine.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace {

const QString kFontFamily = QStringLiteral("DejaVu Sans");
constexpr qreal kFontPointSize = 14.25;

QColor fromOleColour(int value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

// Focus moves that are not the user leaving or entering the box: the window gaining or losing
// activation (another program, a message box), menus or popups opening and closing, and the menu
// bar taking the keyboard (Alt pressed and released) and giving it back.
bool isUserFocusMove(Qt::FocusReason reason)
{
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
           reason != Qt::MenuBarFocusReason;
}

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

CommandLine::CommandLine(QWidget* parent) : QLineEdit(parent)
{
    QFont font(kFontFamily);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(kFontPointSize);
    setFont(font);
    setBackColour(kUnfocusedColour);
}

int CommandLine::backColour() const
{
    return backColour_;
}

void CommandLine::setBackColour(int oleColour)
{
    backColour_ = oleColour;
    QPalette colours = palette();
    const QColor colour = fromOleColour(oleColour);
    // The same colour whether or not the window is active: it tells the focus state only.
    colours.setColor(QPalette::Active, QPalette::Base, colour);
    colours.setColor(QPalette::Inactive, QPalette::Base, colour);
    setPalette(colours);
}

void CommandLine::rememberCommand(const QString& command)
{
    recalled_ = -1;
    if (command.isEmpty() || (!history_.isEmpty() && history_.constLast() == command))
        return;
    history_.append(command);
    if (history_.size() > kHistoryLimit)
        history_.removeFirst();
}

QStringList CommandLine::history() const
{
    QStringList newestFirst;
    newestFirst.reserve(history_.size());
    for (auto it = history_.crbegin(); it != history_.crend(); ++it)
        newestFirst.append(*it);
    return newestFirst;
}

void CommandLine::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    if (isUserFocusMove(event->reason()))
        Q_EMIT gotFocus();
}

void CommandLine::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (isUserFocusMove(event->reason()))
        Q_EMIT lostFocus();
}

void CommandLine::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (isEnter(key)) {
        // The handler sends the line; the key itself adds nothing to it.
        Q_EMIT keyPress(kEnterKey);
        event->accept();
        return;
    }
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        key == Qt::Key_Up ? recallOlder() : recallNewer();
        event->accept();
        return;
    }
    if (key == Qt::Key_Backspace) {
        Q_EMIT keyPress(kBackspaceKey);
    } else {
        // A key may type several characters at once (an input method); each is reported.
        const QString typed = event->text();
        for (const QChar c : typed) {
            if (c.isPrint())
                Q_EMIT keyPress(c.unicode());
        }
    }
    QLineEdit::keyPressEvent(event);
}

void CommandLine::recallOlder()
{
    if (history_.isEmpty())
        return;
    recalled_ = recalled_ < 0 ? history_.size() - 1 : std::max<qsizetype>(0, recalled_ - 1);
    setText(history_.at(recalled_));
}

void CommandLine::recallNewer()
{
    if (recalled_ < 0)
        return;
    ++recalled_;
    if (recalled_ >= history_.size()) {
        recalled_ = -1;
        clear();
        return;
    }
    setText(history_.at(recalled_));
}
