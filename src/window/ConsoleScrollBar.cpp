// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ConsoleScrollBar.h"

#include <QStyle>
#include <QStyleOptionSlider>

void ConsoleScrollBar::showChanges()
{
    if (!changed_)
        return;
    changed_ = false;
    if (currentLook() != shown_)
        update();
}

void ConsoleScrollBar::sliderChange(SliderChange change)
{
    if (change == SliderOrientationChange) {
        QScrollBar::sliderChange(change);
        return;
    }
    changed_ = true;
    if (textChanges_ == 0)
        showChanges();
}

void ConsoleScrollBar::paintEvent(QPaintEvent* event)
{
    shown_ = currentLook();
    QScrollBar::paintEvent(event);
}

ConsoleScrollBar::Look ConsoleScrollBar::currentLook() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                    this),
            value() <= minimum(), value() >= maximum()};
}
