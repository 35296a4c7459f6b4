// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A readout box (MX, Gr): right-aligned white text on dark blue with a single-line border. The
// boxes are narrow (41 pixels), so a long value ("1288.58", "10476.69") is drawn in a smaller
// font rather than cut off: a readout that loses its leading digits reads as another number.

#include <QLabel>

class ValueBox : public QLabel
{
    Q_OBJECT

public:
    explicit ValueBox(QWidget* parent = nullptr);

    // The font the current text is drawn in: the box's font, made smaller until the text fits.
    QFont fittedFont() const;
    // The width available to the text.
    int textWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
