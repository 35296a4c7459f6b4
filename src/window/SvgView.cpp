// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/SvgView.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QSvgRenderer>

#include <mutex>

namespace {
constexpr int kHintWidth = 620;
constexpr int kTextMargin = 8;

// A plain widget reaches a screen reader as a pane ("filler"); the plot is a picture, its words
// its description.
QAccessibleInterface* plotAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("SvgView") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
    return nullptr;
}
} // namespace

SvgView::SvgView(const QString& name, QWidget* parent)
    : QWidget(parent), renderer_(new QSvgRenderer(this))
{
    static std::once_flag accessible;
    std::call_once(accessible, [] { QAccessible::installFactory(plotAccessible); });
    setAccessibleName(name);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setFocusPolicy(Qt::TabFocus); // a screen reader's user reaches the plot's words by Tab
}

void SvgView::showPlot(const QByteArray& svg, const QString& words)
{
    words_ = words;
    if (svg.isEmpty())
        renderer_->load(QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"/>"));
    else
        renderer_->load(svg);
    setAccessibleDescription(words);
    setToolTip(words);
    updateGeometry();
    update();
}

bool SvgView::hasPlot() const
{
    return renderer_->isValid() && !renderer_->defaultSize().isEmpty();
}

QSize SvgView::sizeHint() const
{
    return {kHintWidth, heightForWidth(kHintWidth)};
}

int SvgView::heightForWidth(int width) const
{
    const QSize plot = renderer_->defaultSize();
    if (plot.isEmpty())
        return fontMetrics().height() * 2;
    return width * plot.height() / plot.width();
}

QRectF SvgView::plotArea() const
{
    const QSizeF plot = renderer_->defaultSize();
    QSizeF shown = plot.scaled(size(), Qt::KeepAspectRatio);
    return {QPointF((width() - shown.width()) / 2, 0), shown};
}

void SvgView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!hasPlot()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect().adjusted(kTextMargin, 0, -kTextMargin, 0),
                         Qt::AlignVCenter | Qt::TextWordWrap, words_);
        return;
    }
    // The painter on a widget already works at device pixels: the vectors are laid down at the
    // screen's resolution, not scaled up from a picture.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    renderer_->render(&painter, plotArea());
}
