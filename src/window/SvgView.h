// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One of the report's SVG plots on the screen, drawn by Qt SVG at the screen's own pixels (so a
// scale factor of 2 draws it sharp, as the scope is), its proportions kept. What the plot shows
// is its accessible description, for those who cannot see it.

#include <QByteArray>
#include <QWidget>

class QSvgRenderer;

class SvgView : public QWidget
{
    Q_OBJECT

public:
    explicit SvgView(const QString& name, QWidget* parent = nullptr);

    // Shows `svg` (nothing: the text alone); `words` tell what it shows.
    void showPlot(const QByteArray& svg, const QString& words);
    bool hasPlot() const;
    QString words() const { return words_; }

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF plotArea() const;

    QSvgRenderer* renderer_;
    QString words_;
};
