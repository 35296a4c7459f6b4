// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's scroll bar repaints only when what it shows changes: the handle's place or
// size, or an end being reached. Text streaming in moves the range a few rows at a time, which
// on a long text leaves the handle where it was; a plain scroll bar would repaint every time.
// Changes made while text arrives are looked at with the view's next repaint; others (the user
// dragging the handle) at once.

#include <QRect>
#include <QScrollBar>

class ConsoleScrollBar : public QScrollBar
{
public:
    explicit ConsoleScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {}

    // Changes until the matching endTextChanges() wait for showChanges().
    void beginTextChanges() { ++textChanges_; }
    void endTextChanges() { --textChanges_; }
    // Repaints if a change since the last look moved the handle or reached an end.
    void showChanges();

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Look
    {
        QRect handle;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Look&) const = default;
    };

    Look currentLook() const;

    Look shown_;
    bool changed_ = false;
    int textChanges_ = 0;
};
