// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a screen reader tells of the scope side of the window, where the pictures and colours say
// it to the eye: the surface's name and a description with the last block's figures and the
// markers' times; a name for each colour option; each readout named by its caption and its unit.
// Only accessible names and descriptions are set: nothing a sighted user sees changes.

#include "core/SharedState.h"

#include <QObject>

#include <optional>

class Fo;
class QTimer;

class ScopeAccessibility : public QObject
{
    Q_OBJECT

public:
    // A screen reader is not flooded with a description per block (38 a second at the line
    // rate): it changes at most once in this period.
    static constexpr int kDescriptionPeriodMs = 500;

    explicit ScopeAccessibility(Fo& window);

private:
    void nameControls();
    void descriptionDue();
    void describe();

    Fo& window_;
    QTimer* pace_;
    bool pending_ = false;
    std::optional<SampleBlock> lastBlock_; // as drawn, so the core's state is not read
};
