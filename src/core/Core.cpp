// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Core.h"

#include "core/console/Console.h"
#include "core/link/ChipCommands.h"
#include "core/link/Comm.h"
#include "core/console/Listings.h"
#include "core/console/SetupFile.h"
#include "core/link/Dispatcher.h"
#include "core/link/Link.h"
#include "core/options/OptionCommands.h"
#include "core/pid/PidDetect.h"
#include "core/scope/Markers.h"
#include "core/scope/PictureFiles.h"
#include "core/scope/ScopeControl.h"
#include "core/scope/TraceColour.h"
#include "core/shell/Shell.h"

#include <cmath>

Core::Core(Comm& comm, Dialogs& dialogs, SettingsStore& settings, ScopeImages& images,
           QObject* parent)
    : QObject(parent), serialPort(comm), dialogs(dialogs), settings(settings), images(images)
{
    link_ = std::make_unique<Link>(comm, *this);
    dispatcher_ = std::make_unique<Dispatcher>(*this);
    shell_ = std::make_unique<Shell>(*this, *link_);
    scope_ = std::make_unique<ScopeControl>(*this, *link_);
    markers_ = std::make_unique<Markers>(*this, *link_);
    traceColour_ = std::make_unique<TraceColour>(*this);
    pictureFiles_ = std::make_unique<PictureFiles>(*this);
    pidDetect_ = std::make_unique<PidDetect>(*this, *link_);
    console_ = std::make_unique<Console>(*this, *link_);
    listings_ = std::make_unique<Listings>(*this, *link_);
    setupFile_ = std::make_unique<SetupFile>(*this);
    options_ = std::make_unique<OptionCommands>(*this, *link_);

    connect(&comm, &Comm::onComm, this, [this] { dispatcher_->handleCommEvent(); });
    connect(&comm, &Comm::deviceLost, this, [this](int number) {
        // The device went away under an open port: the link is down and the user is told once.
        setLampColour(static_cast<int>(kRed));
        link_->reportDeviceLost(number);
    });
}

Core::~Core() = default;

void Core::setNoPortReason(const QString& reason)
{
    serialPort.setNoPortReason(reason.isEmpty() ? Comm::kNoPortChosen : reason);
}

void Core::setStoresPortChoice(bool stores) { shell_->setStoresPortChoice(stores); }

double Core::pidFrequency() const
{
    return state.timeGrid != 0 ? (1 / state.timeGrid) * TimingReply::kPidFrequencyFactor : 0;
}

int Core::traceColour() const { return static_cast<int>(std::llround(state.traceColour)); }

void Core::setTimeGrid(double milliseconds)
{
    if (state.timeGrid == milliseconds)
        return;
    state.timeGrid = milliseconds;
    Q_EMIT timingChanged();
}

void Core::setMarkers(float start, float end)
{
    if (state.markerStart == start && state.markerEnd == end)
        return;
    state.markerStart = start;
    state.markerEnd = end;
    Q_EMIT markersChanged();
}

QString Core::portDevice() const { return serialPort.deviceOf(portNumberFromList()); }

bool Core::portOpen() const { return serialPort.portOpen(); }

QString Core::portFailureReason() const { return serialPort.failureReason(); }

void Core::endTimingQuery(quint64 repliesBefore)
{
    Q_EMIT timingQueryEnded(timingReplies_ != repliesBefore);
}

void Core::setReadout(Readout which, const QString& text)
{
    if (which == Readout::TimeGrid)
        ++timingReplies_;
    readouts_.at(static_cast<int>(which)) = text;
    Q_EMIT readoutChanged(which, text);
}

void Core::setLampColour(int colour)
{
    // Every captured block sets the lamp; only a change is told.
    if (colour == lampColour_)
        return;
    lampColour_ = colour;
    Q_EMIT lampChanged(colour);
}

void Core::appendToConsole(const QString& characters)
{
    consoleText_.append(characters);
    Q_EMIT consoleAppended(characters);
    Q_EMIT consoleChanged();
}

void Core::clearConsole()
{
    consoleText_.clear();
    Q_EMIT consoleCleared();
    Q_EMIT consoleChanged();
}

void Core::clearScope()
{
    Q_EMIT scopeCleared();
}

void Core::drawBlock(const SampleBlock& block, int colour)
{
    Q_EMIT blockDrawn(block, colour);
}

void Core::drawReceivedBlock(const SampleBlock& block)
{
    drawBlock(block, traceColour());
    Q_EMIT blockReceived(block);
}

void Core::placeMarker(Marker which, float samplePosition, const QString& label)
{
    Q_EMIT markerPlaced(which, samplePosition, label);
}

void Core::printOnForm(const QString& text)
{
    Q_EMIT formTextPrinted(text);
}

void Core::clearPortChoice()
{
    portPosition_ = -1;
    Q_EMIT portChoiceCleared();
}

void Core::setCommandLineColour(int colour)
{
    Q_EMIT commandLineColourChanged(colour);
}

void Core::clearCommandLine()
{
    Q_EMIT commandLineCleared();
}

void Core::rememberCommand(const QString& typed)
{
    Q_EMIT commandRemembered(typed);
}

void Core::focusCommandLine()
{
    Q_EMIT commandLineFocusWanted();
}

void Core::setTitle(const QString& title)
{
    Q_EMIT titleChanged(title);
}

void Core::fillPortList(const QStringList& entries, int position)
{
    portPosition_ = position;
    Q_EMIT portListFilled(entries, position);
}

void Core::startUp() { shell_->startUp(); }
void Core::shutDown()
{
    Q_EMIT streamEnding();
    shell_->shutDown();
}
void Core::closePortForNewChoice()
{
    Q_EMIT streamEnding();
    shell_->closePortForNewChoice();
}
void Core::showAbout() { shell_->showAbout(); }

void Core::startScope()
{
    Q_EMIT scopeStarting();
    scope_->start();
}
void Core::startTriggered()
{
    Q_EMIT scopeStarting();
    scope_->startTriggered();
}
void Core::startUntriggered()
{
    Q_EMIT scopeStarting();
    scope_->startUntriggered();
}
void Core::stopScope()
{
    Q_EMIT streamEnding();
    scope_->stop();
}
void Core::detectTiming()
{
    Q_EMIT streamEnding();
    pidDetect_->detect();
}
void Core::chooseTraceColour(int index) { traceColour_->choose(index); }
void Core::pointAt(float samplePosition, double levelPosition)
{
    markers_->pointAt(samplePosition, levelPosition);
}
void Core::placeMarkerAt(float samplePosition)
{
    // Placing a marker stops the chip's blocks first.
    Q_EMIT streamEnding();
    markers_->placeMarkerAt(samplePosition);
}
void Core::clearMarkers() { markers_->clearMarkers(); }
void Core::saveScopePicture() { pictureFiles_->save(); }
void Core::loadScopePicture() { pictureFiles_->load(); }

void Core::fetchListing(Listing listing)
{
    Q_EMIT streamEnding();
    switch (listing) {
    case Listing::Registers:
        listings_->fetchRegisters();
        break;
    case Listing::Specials:
        listings_->fetchSpecials();
        break;
    case Listing::Fuses:
        listings_->fetchFuses();
        break;
    }
}

void Core::switchOption(ChipOption option)
{
    Q_EMIT streamEnding();
    options_->switchOption(option);
}
void Core::enterCommandLine()
{
    Q_EMIT streamEnding();
    console_->enterCommandLine();
}
void Core::leaveCommandLine() { console_->leaveCommandLine(); }
void Core::typeOnCommandLine(int key, const QString& line)
{
    // Sending reopens the port for the console: the chip's stream ends with it.
    if (key == kEnterKey)
        Q_EMIT streamEnding();
    console_->typeKey(key, line);
}
void Core::sendLine(const QString& line) { typeOnCommandLine(kEnterKey, line); }
void Core::returnToCommandLine() { console_->returnToCommandLine(); }
void Core::saveSetupFile() { setupFile_->save(); }
