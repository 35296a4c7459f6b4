// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/FiguresReport.h"

#include <QJsonArray>
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
// The JSON document's members in the order of their keys, as a JSON object writes them: the
// blocks, the failure that ended the run (only for one that failed), the line a torn last block
// left out starts on (only for a file that had one), the run.
const QString kDocumentStart = QStringLiteral("{\"blocks\":[");
const QString kBlocksEnd = QStringLiteral("]");
const QString kBlockSeparator = QStringLiteral(",");
const QString kError = QStringLiteral(",\"error\":%1");
const QString kDroppedTail = QStringLiteral(",\"incomplete_tail_from_line\":%1");
const QString kRunAndEnd = QStringLiteral(",\"run\":%1}\n");
const QString kEnd = QStringLiteral("}\n");

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

QString compact(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// The "error" member, quoted as JSON; nothing for no error.
QString errorMember(const QString& error)
{
    if (error.isEmpty())
        return {};
    const QString quoted =
        QString::fromUtf8(QJsonDocument(QJsonArray{error}).toJson(QJsonDocument::Compact));
    return kError.arg(quoted.mid(1).chopped(1));
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
    return (blocks_ == 1 ? kDocumentStart : kBlockSeparator) +
           compact(QJsonObject{{QStringLiteral("block"), number},
                               {QStringLiteral("figures"), json(sums.figures())}});
}

QString FiguresReport::end(const QString& error) const
{
    if (!json_)
        return line(kRunName.arg(blocks_), run_.figures());
    QString text = (blocks_ == 0 ? kDocumentStart : QString()) + kBlocksEnd + errorMember(error);
    if (droppedFromLine_ != 0)
        text += kDroppedTail.arg(droppedFromLine_);
    return text +
           kRunAndEnd.arg(compact(QJsonObject{{QStringLiteral("blocks"), blocks_},
                                              {QStringLiteral("figures"), json(run_.figures())}}));
}

QString FiguresReport::endCutShort(const QString& error) const
{
    if (!json_ || blocks_ == 0)
        return {};
    return kBlocksEnd + errorMember(error) + kEnd;
}
