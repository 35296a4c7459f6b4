// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/FiguresReport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace {
// "block 2: 300 samples, min -12, max 15, peak 15, mean 0.53, RMS 4.21, SD 4.18 (encoder steps)"
const QString kFiguresLine = QStringLiteral(
    "%1: %2 samples, min %3, max %4, peak %5, mean %6, RMS %7, SD %8 (encoder steps)\n");
const QString kNoSamplesLine = QStringLiteral("%1: no samples\n");
const QString kBlockName = QStringLiteral("block %1");
const QString kRunName = QStringLiteral("run of %1 blocks");
constexpr int kDecimals = 2;
// Only in a report of a file whose torn last block was left out: the line that block starts on.
const QString kDroppedTailKey = QStringLiteral("incomplete_tail_from_line");

QString decimal(double value)
{
    return QString::number(value, 'f', kDecimals);
}

QString line(const QString& name, const std::optional<BlockStats::Figures>& figures)
{
    if (!figures)
        return kNoSamplesLine.arg(name);
    return kFiguresLine.arg(name)
        .arg(figures->samples)
        .arg(figures->minimum)
        .arg(figures->maximum)
        .arg(figures->peak)
        .arg(decimal(figures->mean), decimal(figures->rms), decimal(figures->standardDeviation));
}

QJsonValue json(const std::optional<BlockStats::Figures>& figures)
{
    if (!figures)
        return QJsonValue::Null;
    return QJsonObject{
        {QStringLiteral("samples"), figures->samples},
        {QStringLiteral("min"), figures->minimum},
        {QStringLiteral("max"), figures->maximum},
        {QStringLiteral("peak"), figures->peak},
        {QStringLiteral("mean"), figures->mean},
        {QStringLiteral("rms"), figures->rms},
        {QStringLiteral("sd"), figures->standardDeviation},
    };
}
} // namespace

QString FiguresReport::addBlock(long long number, const BlockStats::Accumulator& sums)
{
    ++blocks_;
    run_.add(sums);
    if (!json_)
        return line(kBlockName.arg(number), sums.figures());
    blockFigures_.append(QJsonObject{{QStringLiteral("block"), number},
                                     {QStringLiteral("figures"), json(sums.figures())}});
    return {};
}

QString FiguresReport::end() const
{
    if (!json_)
        return line(kRunName.arg(blocks_), run_.figures());
    QJsonObject document{
        {QStringLiteral("blocks"), blockFigures_},
        {QStringLiteral("run"), QJsonObject{{QStringLiteral("blocks"), blocks_},
                                            {QStringLiteral("figures"), json(run_.figures())}}},
    };
    if (droppedFromLine_ != 0)
        document.insert(kDroppedTailKey, droppedFromLine_);
    return QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Compact)) +
           QLatin1Char('\n');
}
