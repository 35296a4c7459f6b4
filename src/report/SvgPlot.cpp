// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/SvgPlot.h"

#include <cmath>

namespace {
constexpr double kWidth = 900;
constexpr double kHeight = 320;
constexpr double kLeft = 70;
constexpr double kRight = 20;
constexpr double kTop = 20;
constexpr double kBottom = 45;
constexpr int kTicksWanted = 6;
constexpr double kMarkRadius = 4;
constexpr double kLabelLine = 16;
const QString kAxisColour = QStringLiteral("#444");
const QString kGridColour = QStringLiteral("#ddd");

// A tick step of 1, 2 or 5 times a power of ten that gives about kTicksWanted ticks.
double tickStep(double span)
{
    const double rough = span / kTicksWanted;
    const double power = std::pow(10, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0})
        if (factor * power >= rough)
            return factor * power;
    return 10 * power;
}

QString number(double value)
{
    return QString::number(value, 'f', 1);
}

QString tickText(double value, double step)
{
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step)));
    return QString::number(value, 'f', decimals);
}
} // namespace

SvgPlot::SvgPlot(QXmlStreamWriter& xml, const QString& xLabel, const QString& yLabel, Range x,
                 Range y)
    : xml_(xml), x_(x), y_(y)
{
    xml_.writeStartElement(QStringLiteral("svg"));
    xml_.writeAttribute(QStringLiteral("xmlns"), QStringLiteral("http://www.w3.org/2000/svg"));
    xml_.writeAttribute(QStringLiteral("width"), number(kWidth));
    xml_.writeAttribute(QStringLiteral("height"), number(kHeight));
    xml_.writeAttribute(QStringLiteral("viewBox"),
                        QStringLiteral("0 0 %1 %2").arg(kWidth).arg(kHeight));
    xml_.writeAttribute(QStringLiteral("font-family"), QStringLiteral("sans-serif"));
    xml_.writeAttribute(QStringLiteral("font-size"), QStringLiteral("12"));
    axes(xLabel, yLabel);
}

SvgPlot::~SvgPlot()
{
    xml_.writeEndElement();
}

SvgPlot::Range SvgPlot::around(double low, double high)
{
    if (!(high > low))
        return {low - 1, low + 1};
    const double room = (high - low) * 0.05;
    return {low - room, high + room};
}

double SvgPlot::xOf(double x) const
{
    return kLeft + (x - x_.low) / (x_.high - x_.low) * (kWidth - kLeft - kRight);
}

double SvgPlot::yOf(double y) const
{
    return kHeight - kBottom - (y - y_.low) / (y_.high - y_.low) * (kHeight - kTop - kBottom);
}

void SvgPlot::text(double x, double y, const QString& content, const QString& anchor,
                   const QString& colour)
{
    xml_.writeStartElement(QStringLiteral("text"));
    xml_.writeAttribute(QStringLiteral("x"), number(x));
    xml_.writeAttribute(QStringLiteral("y"), number(y));
    xml_.writeAttribute(QStringLiteral("text-anchor"), anchor);
    xml_.writeAttribute(QStringLiteral("fill"), colour);
    xml_.writeCharacters(content);
    xml_.writeEndElement();
}

void SvgPlot::axes(const QString& xLabel, const QString& yLabel)
{
    const auto rule = [this](double x1, double y1, double x2, double y2, const QString& colour) {
        xml_.writeEmptyElement(QStringLiteral("line"));
        xml_.writeAttribute(QStringLiteral("x1"), number(x1));
        xml_.writeAttribute(QStringLiteral("y1"), number(y1));
        xml_.writeAttribute(QStringLiteral("x2"), number(x2));
        xml_.writeAttribute(QStringLiteral("y2"), number(y2));
        xml_.writeAttribute(QStringLiteral("stroke"), colour);
    };
    const double left = xOf(x_.low);
    const double right = xOf(x_.high);
    const double top = yOf(y_.high);
    const double bottom = yOf(y_.low);
    const double xStep = tickStep(x_.high - x_.low);
    // Counted in whole steps: a sum of steps in floating point drifts and may miss the last.
    const auto firstStep = [](double low, double step) {
        return static_cast<long long>(std::ceil(low / step));
    };
    for (long long n = firstStep(x_.low, xStep); n * xStep <= x_.high; ++n) {
        const double t = static_cast<double>(n) * xStep;
        rule(xOf(t), top, xOf(t), bottom, kGridColour);
        text(xOf(t), bottom + 15, tickText(t, xStep), QStringLiteral("middle"));
    }
    const double yStep = tickStep(y_.high - y_.low);
    for (long long n = firstStep(y_.low, yStep); n * yStep <= y_.high; ++n) {
        const double t = static_cast<double>(n) * yStep;
        rule(left, yOf(t), right, yOf(t), kGridColour);
        text(left - 6, yOf(t) + 4, tickText(t, yStep), QStringLiteral("end"));
    }
    rule(left, bottom, right, bottom, kAxisColour);
    rule(left, top, left, bottom, kAxisColour);
    text((left + right) / 2, kHeight - 8, xLabel, QStringLiteral("middle"));
    xml_.writeStartElement(QStringLiteral("text"));
    xml_.writeAttribute(
        QStringLiteral("transform"),
        QStringLiteral("translate(16 %1) rotate(-90)").arg(number((top + bottom) / 2)));
    xml_.writeAttribute(QStringLiteral("text-anchor"), QStringLiteral("middle"));
    xml_.writeCharacters(yLabel);
    xml_.writeEndElement();
}

void SvgPlot::band(double yLow, double yHigh, const QString& colour, const QString& label)
{
    xml_.writeEmptyElement(QStringLiteral("rect"));
    xml_.writeAttribute(QStringLiteral("x"), number(xOf(x_.low)));
    xml_.writeAttribute(QStringLiteral("y"), number(yOf(yHigh)));
    xml_.writeAttribute(QStringLiteral("width"), number(xOf(x_.high) - xOf(x_.low)));
    xml_.writeAttribute(QStringLiteral("height"), number(yOf(yLow) - yOf(yHigh)));
    xml_.writeAttribute(QStringLiteral("fill"), colour);
    xml_.writeAttribute(QStringLiteral("fill-opacity"), QStringLiteral("0.25"));
    text(xOf(x_.high) - 4, yOf(yHigh) - 3, label, QStringLiteral("end"), kAxisColour);
}

void SvgPlot::line(const std::vector<QPointF>& points, const QString& colour, bool dashed)
{
    QString path;
    for (const QPointF& p : points)
        path += QStringLiteral("%1,%2 ").arg(number(xOf(p.x())), number(yOf(p.y())));
    xml_.writeEmptyElement(QStringLiteral("polyline"));
    xml_.writeAttribute(QStringLiteral("points"), path.trimmed());
    xml_.writeAttribute(QStringLiteral("fill"), QStringLiteral("none"));
    xml_.writeAttribute(QStringLiteral("stroke"), colour);
    xml_.writeAttribute(QStringLiteral("stroke-width"), QStringLiteral("1.5"));
    if (dashed)
        xml_.writeAttribute(QStringLiteral("stroke-dasharray"), QStringLiteral("5 3"));
}

void SvgPlot::verticalLine(double x, const QString& colour, const QString& label, int row)
{
    const bool nearRight = xOf(x) > kWidth - 200;
    text(xOf(x) + (nearRight ? -4 : 4), yOf(y_.high) + 12 + row * kLabelLine, label,
         nearRight ? QStringLiteral("end") : QStringLiteral("start"), colour);
    xml_.writeEmptyElement(QStringLiteral("line"));
    xml_.writeAttribute(QStringLiteral("x1"), number(xOf(x)));
    xml_.writeAttribute(QStringLiteral("y1"), number(yOf(y_.high)));
    xml_.writeAttribute(QStringLiteral("x2"), number(xOf(x)));
    xml_.writeAttribute(QStringLiteral("y2"), number(yOf(y_.low)));
    xml_.writeAttribute(QStringLiteral("stroke"), colour);
    xml_.writeAttribute(QStringLiteral("stroke-dasharray"), QStringLiteral("2 3"));
}

void SvgPlot::mark(QPointF at, const QString& colour, const QString& label)
{
    xml_.writeEmptyElement(QStringLiteral("circle"));
    xml_.writeAttribute(QStringLiteral("cx"), number(xOf(at.x())));
    xml_.writeAttribute(QStringLiteral("cy"), number(yOf(at.y())));
    xml_.writeAttribute(QStringLiteral("r"), number(kMarkRadius));
    xml_.writeAttribute(QStringLiteral("fill"), QStringLiteral("none"));
    xml_.writeAttribute(QStringLiteral("stroke"), colour);
    xml_.writeAttribute(QStringLiteral("stroke-width"), QStringLiteral("2"));
    // Labels sit beside their mark, to the left near the right edge.
    const bool nearRight = xOf(at.x()) > kWidth - 200;
    text(xOf(at.x()) + (nearRight ? -8 : 8), yOf(at.y()) - 6, label,
         nearRight ? QStringLiteral("end") : QStringLiteral("start"), colour);
}
