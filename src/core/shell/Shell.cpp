// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/shell/Shell.h"

#include "core/Dialogs.h"
#include "core/Core.h"
#include "core/SettingsStore.h"
#include "core/TextRules.h"
#include "core/Version.h"
#include "core/link/ChipCommands.h"
#include "core/link/Comm.h"
#include "core/link/Link.h"


namespace {
constexpr int kPortCount = 255;
constexpr int kLastPosition = kPortCount - 1;
constexpr int kNoPosition = -1;
const QString kDefaultStoredPort = QStringLiteral("0");

const QString kAboutPurpose = QStringLiteral("Servo Tracking Error Monitor and Setup for Kestrum Chip.");
const QString kAboutYearAndAuthor = QStringLiteral("2026, written by the Trevalon developers");
const QString kAboutMaker = QStringLiteral("The Trevalon Project");
const QString kAboutAddress = QStringLiteral("https://trevalon.example.org");
} // namespace

Shell::Shell(Core& core, Link& link) : core_(core), link_(link) {}

QStringList Shell::portEntries()
{
    QStringList entries;
    entries.reserve(kPortCount);
    for (int i = 0; i < kPortCount; ++i)
        entries << QStringLiteral("Comm ") + TextRules::withSignPosition(i + 1);
    return entries;
}

int Shell::storedPosition(const QString& stored)
{
    const double position = TextRules::roundHalfEven(TextRules::leadingNumber(stored));
    if (position < kNoPosition || position > kLastPosition)
        return kNoPosition;
    return static_cast<int>(position);
}

QString Shell::positionText(int position) { return TextRules::withSignPosition(position); }

QString Shell::aboutText()
{
    return QStringList{Version::windowTitle(), kAboutPurpose, kAboutYearAndAuthor, kAboutMaker,
                       kAboutAddress}
        .join(QLatin1String("\r\n"));
}

void Shell::startUp()
{
    core_.setTitle(Version::windowTitle());

    MessageTexts& m = core_.messages;
    m.msgNotExist = QStringLiteral(" not exist!\r\nPlease change file name!");
    m.msgDriveProblem = QStringLiteral("Drive Problem ! No Write in Drive.");
    m.msgFileError = QStringLiteral("Eror in File funktions ! Error Code:");
    m.msgOverwrite = QStringLiteral(" this exist!\r\nOver write?");
    m.msgInvalidPort = QStringLiteral("Invalid Port Number! Please select anothert!");
    m.msgPortUsed = QStringLiteral("This Port Used! Please select anothert!");

    const QString stored =
        core_.settings.getSetting(SettingsKeys::kApplication, SettingsKeys::kSetupSection,
                                  SettingsKeys::kPortKey, kDefaultStoredPort);
    const int position = storedPosition(stored);
    core_.fillPortList(portEntries(), position);
    // The stop command of a click into the command line, of Stop or of a click on the scope goes
    // to the number the port last had, and before any command that is the stored choice: without
    // this, a first "q" would reach port 1, whatever device that is.
    if (position != kNoPosition) {
        core_.state.portNumber = core_.portNumberFromList();
        core_.serialPort.setCommPort(core_.state.portNumber);
    }

    core_.serialPort.setParityReplace("?");
    core_.serialPort.setInputMode(Comm::InputMode::Text);
    core_.serialPort.setNullDiscard(false);

    core_.state.traceColour = kYellow;
    core_.setTimeGrid(0);
    core_.setMarkers(-1, -1);
}

void Shell::shutDown()
{
    if (storesPortChoice_)
        core_.settings.saveSetting(SettingsKeys::kApplication, SettingsKeys::kSetupSection,
                                 SettingsKeys::kPortKey, positionText(core_.portPosition()));
    // From here every error is ignored and the next step runs: the window always closes.
    if (core_.serialPort.portOpen()) {
        try {
            link_.sendCommand(ChipCommand::kStop);
        } catch (const CommError&) {
        }
        try {
            core_.serialPort.setPortOpen(false);
        } catch (const CommError&) {
        }
    }
    // The window may close inside a handler's counted wait; that handler must not go on to
    // talk to the chip after its stop command.
    link_.shutDown();
}

void Shell::closePortForNewChoice()
{
    core_.setLampColour(static_cast<int>(kRed));
    try {
        link_.closeIfOpen();
    } catch (const CommError&) {
    }
}

void Shell::showAbout()
{
    core_.dialogs.message(aboutText(), MsgIcon::Information, MsgButtons::Ok);
}
