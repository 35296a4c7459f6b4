// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ScopeAccessibility.h"

#include "core/scope/BlockStats.h"
#include "window/Fo.h"
#include "window/ScopeSurface.h"
#include "window/ValueBox.h"

#include <QLabel>
#include <QRadioButton>
#include <QTimer>

namespace {
const QString kNoBlock = QStringLiteral("No block drawn yet.");
const QString kFigures = QStringLiteral("Last block: peak %1 encoder steps, RMS %2 encoder steps.");
const QString kNoSamples = QStringLiteral("Last block: no samples received.");
const QString kStartMarker = QStringLiteral(" Start marker %1 ms.");
const QString kEndMarker = QStringLiteral(" End marker %1 ms.");
const QString kNameWithUnit = QStringLiteral("%1, %2");
const QString kCaptionEnd = QStringLiteral(":");
constexpr int kRmsDecimals = 2;
const QString kSurfaceName = QStringLiteral("Scope");

// The colour options, by index, as their back colours show them.
const char* const kColourNames[] = {"Trace colour yellow", "Trace colour red", "Trace colour black",
                                    "Trace colour magenta"};

// A readout and the Label4 captions before and after it ("Time Grid:" ... "ms").
struct ReadoutCaptions
{
    bool timeGrid; // Gr(2), else MX(index)
    int index;
    int caption;
    int unit;
};
constexpr ReadoutCaptions kReadouts[] = {
    {true, 2, 2, 3},   {false, 0, 0, 5},  {false, 1, 1, 4},   {false, 2, 6, 9},
    {false, 3, 7, 10}, {false, 4, 8, 11}, {false, 5, 12, 13},
};

// The description for the last block's figures and the marker readouts' texts (empty: no
// marker). Without a block: that no block has been drawn.
QString description(const SampleBlock* lastBlock, const QString& startMs, const QString& endMs)
{
    QString text = kNoBlock;
    if (lastBlock) {
        const std::optional<BlockStats::Figures> f = BlockStats::sumsOf(*lastBlock).figures();
        text = f ? kFigures.arg(f->peak).arg(f->rms, 0, 'f', kRmsDecimals) : kNoSamples;
    }
    if (!startMs.isEmpty())
        text += kStartMarker.arg(startMs);
    if (!endMs.isEmpty())
        text += kEndMarker.arg(endMs);
    return text;
}
} // namespace

ScopeAccessibility::ScopeAccessibility(Fo& window)
    : QObject(&window), window_(window), pace_(new QTimer(this))
{
    pace_->setSingleShot(true);
    pace_->setInterval(kDescriptionPeriodMs);
    connect(pace_, &QTimer::timeout, this, [this] {
        if (pending_)
            describe();
    });
    nameControls();
    Core& core = window.core();
    connect(&core, &Core::blockDrawn, this, [this](const SampleBlock& block) {
        lastBlock_ = block;
        descriptionDue();
    });
    connect(&core, &Core::readoutChanged, this, [this](Readout which) {
        if (which == Readout::MarkerStart || which == Readout::MarkerEnd)
            descriptionDue();
    });
    describe();
}

void ScopeAccessibility::nameControls()
{
    window_.Rajz->setAccessibleName(kSurfaceName);
    for (int i = 0; i < static_cast<int>(std::size(kColourNames)); ++i)
        window_.Szin(i)->setAccessibleName(QString::fromLatin1(kColourNames[i]));
    for (const ReadoutCaptions& r : kReadouts) {
        QLabel* readout = r.timeGrid ? window_.Gr(r.index) : window_.MX(r.index);
        QString caption = window_.Label4(r.caption)->text().trimmed();
        if (caption.endsWith(kCaptionEnd))
            caption.chop(kCaptionEnd.size());
        readout->setAccessibleName(kNameWithUnit.arg(caption, window_.Label4(r.unit)->text()));
    }
}

void ScopeAccessibility::descriptionDue()
{
    // The first change in a quiet period is told at once, later ones at the period's end.
    if (pace_->isActive()) {
        pending_ = true;
        return;
    }
    describe();
}

void ScopeAccessibility::describe()
{
    pending_ = false;
    Core& core = window_.core();
    const QString text =
        description(lastBlock_ ? &*lastBlock_ : nullptr, core.readout(Readout::MarkerStart),
                    core.readout(Readout::MarkerEnd));
    if (window_.Rajz->accessibleDescription() != text)
        window_.Rajz->setAccessibleDescription(text);
    pace_->start();
}
