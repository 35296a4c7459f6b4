// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/FormSurface.h"

#include <QPaintEvent>
#include <QPainter>

FormSurface::FormSurface(QWidget* parent) : QWidget(parent)
{
    // The window colour under the text, as a form's own surface.
    setAutoFillBackground(true);
}

void FormSurface::printLine(const QString& text)
{
    lines_ << text;
    update();
}

void FormSurface::paintEvent(QPaintEvent* event)
{
    if (lines_.isEmpty())
        return;
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int lineHeight = metrics.height();
    int baseline = kTop + metrics.ascent();
    for (const QString& line : lines_) {
        if (baseline - metrics.ascent() > event->rect().bottom())
            break;
        painter.drawText(kLeft, baseline, line);
        baseline += lineHeight;
    }
}
