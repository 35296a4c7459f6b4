#include "core/shell/Shell.h"

#include "core/Dialogs.h"
#include "window/Fo.h"
#include "core/SettingsStore.h"
#include "core/TextRules.h"
#include "core/Version.h"
#include "core/link/ChipCommands.h"
#include "core/link/Comm.h"
#include "core/link/Link.h"
#include "window/ScopeSurface.h"

#include <QComboBox>
#include <QSignalBlocker>

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

Shell::Shell(Fo& fo, Link& link) : fo_(fo), link_(link) {}

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

void Shell::Form_Load()
{
    fo_.setWindowTitle(Version::windowTitle());

    MessageTexts& m = fo_.messages;
    m.msgNotExist = QStringLiteral(" not exist!\r\nPlease change file name!");
    m.msgDriveProblem = QStringLiteral("Drive Problem ! No Write in Drive.");
    m.msgFileError = QStringLiteral("Eror in File funktions ! Error Code:");
    m.msgOverwrite = QStringLiteral(" this exist!\r\nOver write?");
    m.msgInvalidPort = QStringLiteral("Invalid Port Number! Please select anothert!");
    m.msgPortUsed = QStringLiteral("This Port Used! Please select anothert!");

    {
        // Filling and selecting from code is not an edit of the field.
        const QSignalBlocker blocker(fo_.Portok);
        fo_.Portok->clear();
        fo_.Portok->addItems(portEntries());
        const QString stored =
            fo_.settings.getSetting(SettingsKeys::kApplication, SettingsKeys::kSetupSection,
                                    SettingsKeys::kPortKey, kDefaultStoredPort);
        fo_.Portok->setCurrentIndex(storedPosition(stored));
    }

    fo_.MSComm.setParityReplace("?");
    fo_.MSComm.setInputMode(Comm::InputMode::Text);
    fo_.MSComm.setNullDiscard(false);

    fo_.Rajz->picture().setPenWidth(1);

    fo_.state.traceColour = kYellow;
    fo_.state.timeGrid = 0;
    fo_.state.markerStart = -1;
    fo_.state.markerEnd = -1;
}

void Shell::Form_Unload()
{
    if (storesPortChoice_)
        fo_.settings.saveSetting(SettingsKeys::kApplication, SettingsKeys::kSetupSection,
                                 SettingsKeys::kPortKey, positionText(fo_.Portok->currentIndex()));
    // From here every error is ignored and the next step runs: the window always closes.
    if (fo_.MSComm.portOpen()) {
        try {
            link_.sendCommand(ChipCommand::kStop);
        } catch (const CommError&) {
        }
        try {
            fo_.MSComm.setPortOpen(false);
        } catch (const CommError&) {
        }
    }
    // The window may close inside a handler's counted wait; that handler must not go on to
    // talk to the chip after its stop command.
    link_.shutDown();
}

void Shell::Portok_Change()
{
    fo_.setLampColour(static_cast<int>(kRed));
    try {
        link_.closeIfOpen();
    } catch (const CommError&) {
    }
}

void Shell::AS_Click()
{
    fo_.dialogs.message(aboutText(), MsgIcon::Information, MsgButtons::Ok);
}
