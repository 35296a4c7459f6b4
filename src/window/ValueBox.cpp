// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ValueBox.h"

#include <QFontMetrics>
#include <QPainter>

namespace {
const QColor kBack{0, 0, 192};
const QColor kBorder{Qt::black};
constexpr int kPaddingRight = 2;
constexpr qreal kSmallestPointSize = 5.0;
constexpr qreal kPointStep = 0.5;
} // namespace

ValueBox::ValueBox(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleDescription(kNoValue);
}

void ValueBox::setValue(const QString& text)
{
    setText(text);
    setAccessibleDescription(text.isEmpty() ? kNoValue : text);
}

int ValueBox::textWidth() const
{
    return width() - 2 - kPaddingRight - 1;
}

QFont ValueBox::fittedFont() const
{
    QFont fitted = font();
    while (QFontMetrics(fitted).horizontalAdvance(text()) > textWidth() &&
           fitted.pointSizeF() - kPointStep >= kSmallestPointSize)
        fitted.setPointSizeF(fitted.pointSizeF() - kPointStep);
    return fitted;
}

void ValueBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), kBack);
    painter.setPen(kBorder);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(Qt::white);
    painter.setFont(fittedFont());
    painter.drawText(rect().adjusted(1, 0, -(1 + kPaddingRight), 0),
                     Qt::AlignRight | Qt::AlignVCenter, text());
}
