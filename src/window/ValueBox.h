// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A readout box (MX, Gr): right-aligned white text on dark blue with a single-line border. The
// boxes are narrow (41 pixels), so a long value ("1288.58", "10476.69") is drawn in a smaller
// font rather than cut off: a readout that loses its leading digits reads as another number.
//
// A screen reader finds the box by its name (the caption and unit, "Time Grid, ms") and speaks
// its value from the description, which every new value replaces (a description change is told
// to the reader as it happens; Orca speaks a label's description after its name).

#include <QLabel>

class ValueBox : public QLabel
{
    Q_OBJECT

public:
    explicit ValueBox(QWidget* parent = nullptr);

    // What the description says of an empty box.
    static inline const QString kNoValue = QStringLiteral("no value");

    // Shows the value, for the eye and for a screen reader.
    void setValue(const QString& text);

    // The font the current text is drawn in: the box's font, made smaller until the text fits.
    QFont fittedFont() const;
    // The width available to the text.
    int textWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
