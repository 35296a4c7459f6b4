// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/CaptionFit.h"

#include "window/ValueBox.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <functional>

namespace {

constexpr qreal kSmallestPointSize = 6.0;
constexpr qreal kPointStep = 0.25;
// A push button's text keeps this much room beside the frames on each side together.
constexpr int kButtonTextMargin = 4;

// How wide a text really is, italic overhang included.
int inkWidth(const QFontMetrics& metrics, const QString& text)
{
    return std::max(metrics.horizontalAdvance(text), metrics.boundingRect(text).right() + 1);
}

void shrinkUntil(QWidget* widget, const std::function<bool(const QFontMetrics&)>& fits)
{
    QFont font = widget->font();
    if (fits(QFontMetrics(font)))
        return;
    while (font.pointSizeF() - kPointStep >= kSmallestPointSize) {
        font.setPointSizeF(font.pointSizeF() - kPointStep);
        if (fits(QFontMetrics(font)))
            break;
    }
    widget->setFont(font);
}

} // namespace

namespace CaptionFit {

void fitAll(QWidget* area)
{
    for (QLabel* label : area->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || qobject_cast<ValueBox*>(label))
            continue;
        const QRect room = label->contentsRect();
        shrinkUntil(label, [&](const QFontMetrics& m) {
            return inkWidth(m, label->text()) <= room.width() && m.height() <= room.height();
        });
    }
    for (QPushButton* button : area->findChildren<QPushButton*>()) {
        const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
        shrinkUntil(button, [&](const QFontMetrics& m) {
            return m.horizontalAdvance(button->text()) + 2 * frame + kButtonTextMargin <=
                   button->width();
        });
    }
    for (QGroupBox* box : area->findChildren<QGroupBox*>()) {
        // What a frame holds carries fonts of its own; only the title follows the box's font.
        shrinkUntil(box, [&](const QFontMetrics& m) {
            return m.horizontalAdvance(box->title()) < box->width();
        });
    }
}

void fitEntries(QComboBox* box)
{
    QString widest;
    for (int i = 0; i < box->count(); ++i) {
        const QString entry = box->itemText(i);
        if (QFontMetrics(box->font()).horizontalAdvance(entry) >
            QFontMetrics(box->font()).horizontalAdvance(widest))
            widest = entry;
    }
    const int room = box->lineEdit() ? box->lineEdit()->width() - 2 : box->width();
    shrinkUntil(box, [&](const QFontMetrics& m) { return m.horizontalAdvance(widest) <= room; });
}

} // namespace CaptionFit
