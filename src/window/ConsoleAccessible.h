// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a screen reader or a UI automation tool sees of the console: a read-only multi-line text
// named "Console" whose text interface holds the whole text, with the caret after the last
// character. The view announces appended text itself (ConsoleView).

#include <QAccessibleWidget>

class ConsoleView;

class ConsoleAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit ConsoleAccessible(ConsoleView* view);

    // Makes Qt use this interface for every ConsoleView. Safe to call more than once.
    static void install();

    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // QAccessibleTextInterface
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    ConsoleView* view() const;
};
