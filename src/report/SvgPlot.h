// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A plot drawn as SVG into an XML stream: axes with round-numbered ticks and grid lines, lines,
// a band and marks with labels. Qt Core's XML writer alone, so the command-line program
// needs no Qt Gui.

#include <QPointF>
#include <QString>
#include <QXmlStreamWriter>

#include <vector>

class SvgPlot
{
public:
    struct Range
    {
        double low = 0;
        double high = 1;
    };

    // Starts the <svg> element; the drawing calls place their data in these ranges.
    SvgPlot(QXmlStreamWriter& xml, const QString& xLabel, const QString& yLabel, Range x, Range y);
    ~SvgPlot();
    SvgPlot(const SvgPlot&) = delete;
    SvgPlot& operator=(const SvgPlot&) = delete;

    void band(double yLow, double yHigh, const QString& colour, const QString& label);
    void line(const std::vector<QPointF>& points, const QString& colour, bool dashed = false);
    // A dashed line across the plot at x, its label at the top (`row` 0, 1, ... down from it).
    void verticalLine(double x, const QString& colour, const QString& label, int row);
    void mark(QPointF at, const QString& colour, const QString& label);

    // A range that holds `low` to `high` with a little room, never empty.
    static Range around(double low, double high);

private:
    double xOf(double x) const;
    double yOf(double y) const;
    void axes(const QString& xLabel, const QString& yLabel);
    void text(double x, double y, const QString& content, const QString& anchor,
              const QString& colour = QStringLiteral("#222"));

    QXmlStreamWriter& xml_;
    Range x_;
    Range y_;
};
