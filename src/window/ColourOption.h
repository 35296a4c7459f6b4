// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One of the Szin colour options: a radio button without a caption whose back colour is the trace
// colour it selects. The whole swatch is the button: a click anywhere on it selects the option,
// not only a click on the small round indicator.

#include <QRadioButton>

class ColourOption : public QRadioButton
{
    Q_OBJECT

public:
    using QRadioButton::QRadioButton;

protected:
    bool hitButton(const QPoint& pos) const override;
};
