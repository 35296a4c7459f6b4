// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/StatusText.h"

#include <QFontMetrics>

#include <algorithm>

StatusText::StatusText(QWidget* parent) : QLabel(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void StatusText::showText(const QString& text)
{
    whole_ = text;
    setAccessibleName(text);
    fit();
}

void StatusText::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    fit();
}

void StatusText::fit()
{
    const int room = contentsRect().width() - std::max(indent(), 0);
    const QString shown = fontMetrics().elidedText(whole_, Qt::ElideRight, room);
    setToolTip(shown == whole_ ? QString() : whole_);
    setText(shown);
}
