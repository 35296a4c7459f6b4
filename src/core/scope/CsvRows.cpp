// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/scope/CsvRows.h"

#include "core/TextRules.h"
#include "core/scope/Markers.h"
#include "core/scope/ScopeGeometry.h"

QString CsvRows::timeReadout(int sample, double timeGrid)
{
    // As the pointer's time readout over the sample, in the "####.##" pattern.
    return TextRules::formatNoRequiredDigit(ScopeGeometry::timeOfSample(sample, timeGrid));
}

QString CsvRows::levelReadout(int value)
{
    return Markers::levelText(ScopeGeometry::levelOfValue(value));
}

QString CsvRows::plainNumber(const QString& readoutText)
{
    QString text = readoutText;
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (text.isEmpty())
        return QStringLiteral("0");
    if (text.startsWith(QLatin1Char('.')))
        text.prepend(QLatin1Char('0'));
    else if (text.startsWith(QLatin1String("-.")))
        text.insert(1, QLatin1Char('0'));
    return text;
}

const std::string& CsvRows::Maker::rowsOf(long long blockNumber, const SampleBlock& block,
                                          double timeGrid)
{
    if (!rows_ || timeGrid != timeGrid_) {
        std::vector<std::string> times;
        for (int sample = 1; sample <= kBlockSize; ++sample)
            times.push_back(plainNumber(timeReadout(sample, timeGrid)).toStdString());
        rows_.emplace(times);
        timeGrid_ = timeGrid;
    }
    rows_->start(text_, blockNumber);
    for (int sample = 1; sample <= kBlockSize; ++sample) {
        if (const std::optional<quint8>& value = block.entry[static_cast<std::size_t>(sample)])
            rows_->add(text_, sample, *value);
    }
    return text_;
}
