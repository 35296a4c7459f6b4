// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/journal/JournalFiles.h"

#include "core/runs/FigureFields.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>
#include <QSaveFile>

namespace {
constexpr int kRunDigits = 4;
const QString kRunName = QStringLiteral("run-%1");
const QRegularExpression kRunOfFile(QStringLiteral("^run-(\\d+)\\."));
const auto kTimeFormat = Qt::ISODateWithMs;

namespace Key {
const QString kNumber = QStringLiteral("number");
const QString kStart = QStringLiteral("start");
const QString kEnd = QStringLiteral("end");
const QString kPort = QStringLiteral("port");
const QString kDevice = QStringLiteral("device");
const QString kGrid = QStringLiteral("time_grid_ms");
const QString kBlocks = QStringLiteral("blocks");
const QString kSent = QStringLiteral("sent");
const QString kLabel = QStringLiteral("label");
const QString kBlocksFile = QStringLiteral("blocks_file");
const QString kListingFile = QStringLiteral("listing_file");
const QString kSentSinceListing = QStringLiteral("sent_since_listing");
const QString kFigures = QStringLiteral("figures");
} // namespace Key

QString runStem(int run)
{
    return kRunName.arg(run, kRunDigits, 10, QLatin1Char('0'));
}
} // namespace

QString JournalFiles::sessionName(const QDateTime& started)
{
    return started.toString(kSessionNameFormat);
}

QDateTime JournalFiles::startOfSession(const QString& name)
{
    // A second session started in the same second carries a suffix ("..._14-05-33-2").
    return QDateTime::fromString(name.left(kSessionNameFormat.size()), kSessionNameFormat);
}

QString JournalFiles::blocksFile(int run)
{
    return runStem(run) + QStringLiteral(".csv.gz");
}
QString JournalFiles::listingFile(int run)
{
    return runStem(run) + QStringLiteral(".registers.txt");
}
QString JournalFiles::runFile(int run)
{
    return runStem(run) + QStringLiteral(".json");
}

std::optional<int> JournalFiles::runOfFile(const QString& fileName)
{
    const QRegularExpressionMatch match = kRunOfFile.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const int run = match.captured(1).toInt(&ok);
    return ok && run > 0 ? std::optional<int>(run) : std::nullopt;
}

QJsonObject JournalFiles::toJson(const RunRecord& run, bool withFigures)
{
    QJsonObject object{
        {Key::kNumber, run.number},
        {Key::kStart, run.start.toString(kTimeFormat)},
        {Key::kEnd, run.end.isValid() ? QJsonValue(run.end.toString(kTimeFormat)) : QJsonValue()},
        {Key::kPort, run.portNumber},
        {Key::kDevice, run.device},
        {Key::kGrid, run.timeGridMs},
        {Key::kBlocks, run.blocks},
        {Key::kSent, QJsonArray::fromStringList(run.sent)},
        {Key::kLabel, run.label()},
        {Key::kBlocksFile, blocksFile(run.number)},
        {Key::kListingFile,
         run.registerListing.isEmpty() ? QJsonValue() : QJsonValue(listingFile(run.number))},
    };
    if (!run.registerListing.isEmpty())
        object.insert(Key::kSentSinceListing, QJsonArray::fromStringList(run.sentSinceListing));
    if (withFigures && run.figures)
        object.insert(Key::kFigures, FigureFields::toJson(*run.figures));
    return object;
}

std::optional<RunRecord> JournalFiles::runFromJson(const QJsonObject& object)
{
    RunRecord run;
    run.number = object.value(Key::kNumber).toInt();
    run.start = QDateTime::fromString(object.value(Key::kStart).toString(), kTimeFormat);
    if (run.number <= 0 || !run.start.isValid())
        return std::nullopt;
    run.end = QDateTime::fromString(object.value(Key::kEnd).toString(), kTimeFormat);
    run.portNumber = object.value(Key::kPort).toInt();
    run.device = object.value(Key::kDevice).toString();
    run.timeGridMs = object.value(Key::kGrid).toDouble();
    run.blocks = object.value(Key::kBlocks).toInteger();
    const QJsonArray sent = object.value(Key::kSent).toArray();
    for (const auto& sentItem : sent)
        run.sent << sentItem.toString();
    const QJsonArray sinceListing = object.value(Key::kSentSinceListing).toArray();
    for (const auto& sentItem : sinceListing)
        run.sentSinceListing << sentItem.toString();
    if (object.value(Key::kFigures).isObject())
        run.figures = FigureFields::fromJson(object.value(Key::kFigures).toObject());
    return run;
}

qint64 JournalFiles::folderBytes(const QString& folder)
{
    qint64 bytes = 0;
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext())
        bytes += files.nextFileInfo().size();
    return bytes;
}

bool JournalFiles::saveWhole(const QString& path, const QByteArray& text, QString& error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
