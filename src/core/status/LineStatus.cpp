// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/status/LineStatus.h"

#include "core/Core.h"
#include "core/link/CommError.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <memory>

namespace {
const QString kSeparator = QStringLiteral("; ");
const QString kPortAndDevice = QStringLiteral("Comm %1 \u2014 %2");
const QString kNoDeviceMapped = QStringLiteral("Comm %1 \u2014 no device mapped to it");
const QString kNoPortChosen = QStringLiteral("no port chosen");
const QString kSimulatedChip = QStringLiteral("the simulated KDSP chip on Comm %1");

const QString kIdle = QStringLiteral("idle");
const QString kConsole = QStringLiteral("console");
const QString kConsoleReceiving = QStringLiteral("console, receiving text");
const QString kAskingTiming = QStringLiteral("asking the chip's timing");
const QString kReceivingAt = QStringLiteral("receiving blocks, %1 a second");
const QString kReceiving = QStringLiteral("receiving blocks");
const QString kWaitingForBlocks = QStringLiteral("waiting for blocks");
const QString kWaitingForTrigger =
    QStringLiteral("trigger on: waiting for a move of the drive to send blocks");
const QString kCheckTheLine = QStringLiteral(": check the cable, the port and the chip's power");
const QString kSilentSinceStart =
    QStringLiteral("no data from the chip since Start") + kCheckTheLine;
const QString kBlocksStopped = QStringLiteral("the chip's blocks stopped coming") + kCheckTheLine;
const QString kNoTimingReply = QStringLiteral("the chip did not answer the timing query");
const QString kTimingUnanswered = kNoTimingReply + kCheckTheLine;

const QString kCannotOpen = QStringLiteral("the port cannot be opened");
const QString kHeldElsewhere = QStringLiteral("the port is held by another program");
const QString kSettingsRefused = QStringLiteral("the device refused the line settings");
const QString kUnplugged = QStringLiteral("%1 was unplugged");
const QString kDeviceFailed = QStringLiteral("the device failed");
const QString kPortError = QStringLiteral("port error %1");
const QString kBecause = QStringLiteral("%1: %2");

const QString kRecording = QStringLiteral("recording to %1 (%2)");
const QString kOneBlock = QStringLiteral("1 block");
const QString kBlocks = QStringLiteral("%1 blocks");
const QString kRecordingStopped = QStringLiteral("recording to %1 stopped after %2: %3");
const QString kNotRecording = QStringLiteral("not recording: %1");
const QString kReplaying = QStringLiteral("replaying %1");

constexpr int kRateDecimals = 1;
constexpr double kMsPerSecond = 1000.0;

QString blockCount(long long blocks)
{
    return blocks == 1 ? kOneBlock : kBlocks.arg(blocks);
}
} // namespace

LineStatus::LineStatus(Core& core, QObject* parent)
    : QObject(parent), core_(core), timer_(new QTimer(this))
{
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    clock_ = [started] { return started->elapsed(); };

    connect(&core, &Core::blockReceived, this, &LineStatus::blockArrived);
    connect(&core, &Core::blockReceived, this,
            [this](const SampleBlock& block) { figures_.take(block, core_.timeGrid()); });
    connect(&core, &Core::portErrorReported, this, &LineStatus::portFailed);
    connect(&core, &Core::consoleAppended, this, [this] {
        consoleText_ = true;
        portFault_.reset();
    });
    connect(&core, &Core::blocksAwaited, this, [this](bool triggered) {
        awaiting_ = true;
        triggered_ = triggered;
        awaitedAt_ = clock_();
        blocksSinceStart_ = 0;
        portFault_.reset();
        figures_.clear();
    });
    connect(&core, &Core::timingQueryEnded, this, [this](bool answered) {
        timingUnanswered_ = !answered;
        if (answered)
            portFault_.reset();
    });
    timer_->setInterval(kUpdatePeriodMs);
    connect(timer_, &QTimer::timeout, this, &LineStatus::update);
    timer_->start();
}

void LineStatus::setSimulatedChip(const QString& device, const QString& replayFile)
{
    simulatedDevice_ = device;
    replayFile_ = replayFile;
}

void LineStatus::setRecording(std::function<Recording()> recording)
{
    recording_ = std::move(recording);
}

void LineStatus::setJournal(std::function<QString()> journal)
{
    journal_ = std::move(journal);
}

void LineStatus::setRuns(std::function<QString()> runs)
{
    runs_ = std::move(runs);
}

void LineStatus::setClock(std::function<qint64()> clock)
{
    clock_ = std::move(clock);
}

void LineStatus::blockArrived()
{
    arrivals_[static_cast<std::size_t>(arrivalCount_ % kTimesKept)] = clock_();
    ++arrivalCount_;
    ++blocksSinceStart_;
    portFault_.reset();
}

void LineStatus::portFailed(int number)
{
    portFault_ = PortFault{number, core_.portDevice(), core_.portFailureReason(), where()};
}

void LineStatus::update()
{
    const qint64 now = clock_();
    QStringList parts;
    if (portFault_) {
        parts << portFault_->place << failureText(*portFault_);
    } else {
        parts << where();
        const QString doing = activity(now);
        // The advice to check the line is given once.
        if (timingUnanswered_)
            parts << (doing.endsWith(kCheckTheLine) ? kNoTimingReply : kTimingUnanswered);
        parts << doing;
        // Where the run stands comes before the last block's figures: it is what the tuner
        // judges a setting by, and the line is cut at its end when too long.
        if (const QString runs = runs_ ? runs_() : QString(); !runs.isEmpty())
            parts << runs;
        if (const QString figures = figures_.text(); !figures.isEmpty())
            parts << figures;
    }
    if (!replayFile_.isEmpty())
        parts << kReplaying.arg(replayFile_);
    if (const QString recording = recordingText(); !recording.isEmpty())
        parts << recording;
    if (const QString journal = journal_ ? journal_() : QString(); !journal.isEmpty())
        parts << journal;
    consoleText_ = false;

    const QString text = parts.join(kSeparator);
    if (text == text_)
        return;
    text_ = text;
    Q_EMIT textChanged(text_);
}

QString LineStatus::where() const
{
    const int number = core_.portNumberFromList();
    if (number == 0)
        return kNoPortChosen;
    const QString device = core_.portDevice();
    if (!device.isEmpty() && device == simulatedDevice_)
        return kSimulatedChip.arg(number);
    return device.isEmpty() ? kNoDeviceMapped.arg(number) : kPortAndDevice.arg(number).arg(device);
}

QString LineStatus::activity(qint64 now) const
{
    if (!core_.portOpen())
        return kIdle;
    switch (core_.lineMode()) {
    case Core::LineMode::Console:
        return consoleText_ ? kConsoleReceiving : kConsole;
    case Core::LineMode::Timing:
        return kAskingTiming;
    case Core::LineMode::Capture:
        break;
    }
    const bool recentBlock =
        blocksSinceStart_ > 0 &&
        now - arrivals_[static_cast<std::size_t>((arrivalCount_ - 1) % kTimesKept)] <
            kSilentAfterMs;
    if (recentBlock) {
        const double rate = blockRate(now);
        return rate > 0 ? kReceivingAt.arg(rate, 0, 'f', kRateDecimals) : kReceiving;
    }
    // In trigger mode the chip sends only while the drive moves: quiet is no fault.
    if (triggered_)
        return kWaitingForTrigger;
    if (now - awaitedAt_ < kSilentAfterMs)
        return kWaitingForBlocks;
    return blocksSinceStart_ == 0 ? kSilentSinceStart : kBlocksStopped;
}

double LineStatus::blockRate(qint64 now) const
{
    // The blocks of the window since Start, newest first.
    const int kept = static_cast<int>(
        std::min<long long>(std::min(arrivalCount_, kTimesKept), blocksSinceStart_));
    qint64 newest = 0;
    qint64 oldest = 0;
    int inWindow = 0;
    for (int back = 1; back <= kept; ++back) {
        const qint64 at = arrivals_[static_cast<std::size_t>((arrivalCount_ - back) % kTimesKept)];
        if (now - at > kRateWindowMs)
            break;
        if (inWindow == 0)
            newest = at;
        oldest = at;
        ++inWindow;
    }
    if (inWindow < 2 || newest == oldest)
        return 0;
    return (inWindow - 1) * kMsPerSecond / static_cast<double>(newest - oldest);
}

QString LineStatus::failureText(PortFault& fault)
{
    const auto because = [&fault](const QString& what) {
        return fault.reason.isEmpty() ? what : kBecause.arg(what, fault.reason);
    };
    switch (fault.number) {
    case CommErrorNumber::InvalidPort:
        return because(kCannotOpen);
    case CommErrorNumber::PortInUse:
        return because(kHeldElsewhere);
    case CommErrorNumber::BadSettings:
        return because(kSettingsRefused);
    case CommErrorNumber::DeviceFailed:
    case CommErrorNumber::PortClosed:
        // A device file that has gone with the device: an unplugged adapter, an ended simulator.
        // A node that comes back (plugged in again) does not make the unplug a device failure.
        if (!fault.device.isEmpty() && !fault.deviceGone)
            fault.deviceGone = !QFileInfo::exists(fault.device);
        return fault.deviceGone ? kUnplugged.arg(fault.device) : because(kDeviceFailed);
    default:
        return because(kPortError.arg(fault.number));
    }
}

QString LineStatus::recordingText() const
{
    if (!recording_)
        return QString();
    const Recording r = recording_();
    if (!r.started)
        return kNotRecording.arg(r.failure);
    if (!r.failure.isEmpty())
        return kRecordingStopped.arg(r.file, blockCount(r.blocks), r.failure);
    return kRecording.arg(r.file, blockCount(r.blocks));
}
