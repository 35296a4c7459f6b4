// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Captions that always show their whole text. The window asks for particular faces (a condensed
// serif, bold italic); on a machine that lacks one, the face Qt substitutes or synthesises may run
// wider than the caption's box. Each caption's font is then made smaller until the text fits.

class QComboBox;
class QWidget;

namespace CaptionFit {

// Every label (readout boxes aside: they fit their values as they change), push button and
// group box title under area.
void fitAll(QWidget* area);
// The widest entry of a combo box's list in its edit field; the field must have its size.
void fitEntries(QComboBox* box);

} // namespace CaptionFit
