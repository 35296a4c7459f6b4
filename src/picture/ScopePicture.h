// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scope's picture without any widget: a background image (the graticule or a loaded picture)
// under a transparent drawing layer. Clearing empties the drawing layer only. Lines have width 1
// and no anti-aliasing; every line and point moves the current drawing position to its end.

#include "core/scope/ScopeGeometry.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QRgb>
#include <QString>

#include <array>
#include <memory>
#include <vector>

class SharpPicture;

class ScopePicture
{
public:
    static constexpr int kWidth = ScopeGeometry::kWidth;
    static constexpr int kHeight = ScopeGeometry::kHeight;

    ScopePicture();
    ~ScopePicture();

    // The screen's device pixels per pixel: above 1, everything drawn is also drawn at the
    // screen's pixels (SharpPicture), for showing; the picture itself stays 600 x 512. True
    // when the ratio changed, and with it all that is shown.
    bool setDisplayRatio(qreal ratio);
    // What a view shows: at a display ratio above 1 the sharp picture (ratio times larger, with
    // its ratio set), otherwise the composite.
    const QImage& shown() const;

    // A picture of another size is drawn from the top-left corner and clipped; the area it does
    // not cover is black. The surface stays 600 x 512.
    void setBackground(const QImage& picture);
    const QImage& background() const { return background_; }

    void clear();
    void line(QPointF from, QPointF to, QRgb colour);
    void lineFromCurrent(QPointF to, QRgb colour);
    void setPoint(QPointF at, QRgb colour);
    // Moves the current drawing position without drawing (a line of no length).
    void moveTo(QPointF at) { current_ = at; }
    // Joined lines from the current position through the points, drawn in one go.
    void polylineFromCurrent(const QList<QPointF>& points, QRgb colour);
    // Writes text with its top-left corner at the current drawing position.
    void print(const QString& text, QRgb colour);

    QPointF currentPosition() const { return current_; }
    // The colour of lines drawn without one of their own (RGB 128, 128, 255).
    QRgb foreColour() const { return foreColour_; }

    int penWidth() const { return penWidth_; }
    void setPenWidth(int width) { penWidth_ = width; }

    const QImage& drawingLayer() const { return drawing_; }
    // Background with the drawing on it: what is shown and what is saved (RGB32, 600 x 512).
    // Kept up to date as it is drawn on, so showing it is one copy, not a blend per repaint.
    const QImage& composite() const { return composite_; }

    // The area changed since the last call: what a view of the picture must repaint. A trace
    // changes a few rows in each column, so this is a few rectangles side by side, each as tall
    // as what changed under it, not the rectangle around it all.
    QRegion takeChangedArea();

    // Pixels of one-pixel lines remembered one by one for the next clear; beyond this many, the
    // lines' areas are cleared instead.
    static constexpr qsizetype kMaxPlotted = qsizetype(kWidth) * kHeight / 8;
    // Columns are gathered into bands this wide for clearing and for the changed area.
    static constexpr int kBandWidth = 8;
    // What one more rectangle in the changed area costs, counted in pixels: showing a picture
    // costs about as much per rectangle sent to the display as for this many pixels copied, so
    // neighbouring bands are joined while that is cheaper than sending them apart.
    static constexpr int kRectangleCost = 8000;

private:
    // The rows touched in each column, kept as one run from the topmost to the bottommost.
    class ColumnSpans
    {
    public:
        ColumnSpans() { clear(); }
        void add(const QRect& area);
        // Columns left to right, rows top to bottom, all included; clipped to the picture.
        void add(int left, int right, int top, int bottom);
        void add(const ColumnSpans& other);
        void clear();
        // One rectangle for each band of kBandWidth columns that has any rows touched.
        QList<QRect> bands() const;
        // The bands joined into the fewest rectangles that still leave out most of what was
        // not touched (see kRectangleCost).
        QList<QRect> joinedBands() const;

    private:
        std::array<int, kWidth> top_;
        std::array<int, kWidth> bottom_; // below top_: nothing in the column
    };

    // The two images' pixels, written straight: one pointer each for a run of lines.
    struct Pixels
    {
        QRgb* drawing;
        QRgb* composite;
    };
    Pixels pixels();
    void lineInBoth(QPoint from, QPoint to, QRgb colour, Pixels pixels);
    // Rebuilds the composite inside the area from the background and the drawing layer.
    void recompose(const QRect& area);
    // Remembers an area drawn on the drawing layer with a painter for the next clear, and shows it.
    void drawnWithPainter(const QRect& area);

    QImage background_;
    QImage drawing_;   // ARGB32_Premultiplied, transparent where nothing is drawn
    QImage composite_; // RGB32
    // What was drawn since the last clear: the pixels of one-pixel lines one by one (a trace is
    // a few thousand of them), and the areas drawn with a painter (text, wide lines) as spans.
    std::vector<qsizetype> plotted_;
    ColumnSpans plottedSpans_; // where those pixels are
    ColumnSpans drawn_;
    ColumnSpans changed_; // everything changed since the last takeChangedArea()
    QPointF current_;
    QRgb foreColour_;
    int penWidth_ = 1;
    QFont textFont_;
    bool graticule_ = true; // the background is the graticule, not a loaded picture
    std::unique_ptr<SharpPicture> sharp_;
};
