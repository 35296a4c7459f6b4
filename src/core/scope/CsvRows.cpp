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

QString CsvRows::forBlock(int blockNumber, const SampleBlock& block, double timeGrid)
{
    QString rows;
    const QString blockText = QString::number(blockNumber);
    for (int sample = 1; sample <= kBlockSize; ++sample) {
        const std::optional<quint8>& value = block.entry[sample];
        if (!value)
            continue;
        rows += blockText + QLatin1Char(',') + QString::number(sample) + QLatin1Char(',') +
                QString::number(*value) + QLatin1Char(',') +
                plainNumber(timeReadout(sample, timeGrid)) + QLatin1Char(',') +
                levelReadout(*value) + QLatin1Char('\n');
    }
    return rows;
}
