// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The conversation with the chip, without a window: the shared state, the serial port, the
// command sequences and waits, the receive dispatcher and every handler's logic, by subsystem.
//
// A front-end calls the verbs below and reads the accessors and properties; the state, the port,
// the dialogs, the link and the dispatcher are the core's own (its parts, below, are its friends).
//
// One way out: what changes is told through the signals below, in the program's own terms (a
// readout's text, the lamp, console text, the scope, a line to print); questions go through
// Dialogs, and the scope picture's files through ScopeImages. The core never reads a control:
// what it needs from the user (the port list position, the typed line, the chosen colour) comes
// in as arguments or through setPortPosition(). It also remembers what it has shown, so that a
// handler reads its own readouts back without asking a window.
//
// The output steps are private: only the core's parts show anything, so no front-end can fake
// a block into whatever records them.
//
// All signals are emitted synchronously from the running handler: a front-end connected
// directly sees them in the order the handler makes its steps.

#include "core/SharedState.h"
#include "core/console/ConsoleBuffer.h"
#include "core/link/CommError.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>

class Comm;
class Dialogs;
class ScopeImages;
class SettingsStore;

class Link;
class Dispatcher;
class Shell;
class ScopeControl;
class Markers;
class TraceColour;
class PictureFiles;
class PidDetect;
class Console;
class Listings;
class SetupFile;
class OptionCommands;
class CoreInsides; // the tests' one way in

class Core : public QObject
{
    Q_OBJECT
    // Milliseconds between two samples, from the chip's timing reply; 0 before any reply.
    Q_PROPERTY(double timeGrid READ timeGrid NOTIFY timingChanged)
    // The PID loop's frequency in Hz for that grid; 0 before any reply.
    Q_PROPERTY(double pidFrequency READ pidFrequency NOTIFY timingChanged)
    // The status lamp as a 0x00BBGGRR value.
    Q_PROPERTY(int lampColour READ lampColour NOTIFY lampChanged)
    // Where the markers stand, as sample positions (2.5: halfway between samples 2 and 3);
    // below 0: not placed.
    Q_PROPERTY(float markerStart READ markerStart NOTIFY markersChanged)
    Q_PROPERTY(float markerEnd READ markerEnd NOTIFY markersChanged)
    // The console's text: what the chip sent, CR LF between lines, capped.
    Q_PROPERTY(QString consoleText READ consoleString NOTIFY consoleChanged)

public:
    Core(Comm& comm, Dialogs& dialogs, SettingsStore& settings, ScopeImages& images,
         QObject* parent = nullptr);
    ~Core() override;

    // The items of the KDSP Special Config menu: each sends one option command to the chip.
    enum class ChipOption {
        Thermo100,             // thermo protection at 100 °C
        Thermo80,              // thermo protection at 80 °C
        Thermo60,              // thermo protection at 60 °C
        MotorProtectionOff,    // motor protection off
        SoftLimitWithFault,    // soft limit with the fault signal
        SoftLimitWithoutFault, // soft limit without the fault signal
        PwmDcMode,             // PWM in DC mode
        PwmAcMode,             // PWM in AC mode
    };
    Q_ENUM(ChipOption)
    // The text listings the chip sends into the console.
    enum class Listing {
        Registers, // the register listing (a lone carriage return)
        Specials,  // the special commands ("s")
        Fuses,     // the state of the fuses ("u")
    };
    Q_ENUM(Listing)
    // What the line is doing: characters go to the console, blocks to the scope, or the chip's
    // timing reply is awaited.
    enum class LineMode {
        Console = ModeConsole,
        Capture = ModeCapture,
        Timing = ModeTiming,
    };
    Q_ENUM(LineMode)
    // The two markers on the scope.
    enum class Marker { Start, End };
    Q_ENUM(Marker)
    // The readouts the core shows, each a number as text.
    enum class Readout : int {
        Time = 0,         // the time under the pointer (ms)
        Level = 1,        // the level under the pointer (encoder steps)
        MarkerStart = 2,  // the start marker's time
        MarkerEnd = 3,    // the end marker's time
        MarkerWidth = 4,  // the time between the markers
        PidFrequency = 5, // the PID loop's frequency (Hz)
        TimeGrid = 6,     // the time between two samples (ms)
    };
    Q_ENUM(Readout)
    static constexpr int kReadoutCount = 7;

    // The key code typeOnCommandLine() takes for Enter, which sends the line.
    static constexpr int kEnterKey = 13;
    // The port failures portErrorReported() tells apart: no such port, no device or no access,
    // and a port held by another program. Any other number is a failure of the line itself.
    static constexpr int kInvalidPortError = CommErrorNumber::InvalidPort;
    static constexpr int kPortInUseError = CommErrorNumber::PortInUse;

    // --- The verbs: what a front-end asks of the core ---
    // Each runs to its end, counted waits included, before it returns; a port failure is
    // reported (portErrorReported, then a message or a line of form text) and ends the verb.

    // Start-up: the title, the port list with the stored choice, the port's settings. Once,
    // before any other verb.
    void startUp();
    // Shutdown: the port choice stored, "q" sent to an open port, the port closed; every wait
    // in progress ends and nothing more reaches the line or is reported.
    void shutDown();
    // The port choice is being edited: lamp red, the port closed.
    void closePortForNewChoice();
    void showAbout();

    // The scope. Starting asks the chip's timing, then opens the port for blocks; each block
    // arriving is drawn (blockDrawn). The trigger starts let blocks flow for a wait and then
    // switch the chip's trigger mode on or off.
    void startScope();
    void startTriggered();
    void startUntriggered();
    void stopScope();
    // Stops the chip and asks its timing: the time grid and the PID frequency readouts.
    void detectTiming();
    // Trace colour option 0-3 (yellow, red, black, magenta) for the blocks drawn from now on.
    void chooseTraceColour(int index);
    // The scope is measured in samples and levels: a sample position (2.5: halfway between
    // samples 2 and 3) and a level position in encoder steps, both unrounded; the readouts round
    // them half to even. ScopeGeometry turns the pointer's pixels into them.
    // The time and level readouts for the pointer over those positions.
    void pointAt(float samplePosition, double levelPosition);
    // Stops the scope and places the start marker at the sample position, or the end marker
    // once there is a start; with both placed, nothing.
    void placeMarkerAt(float samplePosition);
    // The last block redrawn on a cleared scope, without markers or their readouts.
    void clearMarkers();
    // The scope picture to a bitmap file, and a bitmap file as its background (file dialogs).
    void saveScopePicture();
    void loadScopePicture();

    // The console and the command line.
    void fetchListing(Listing listing);
    void switchOption(ChipOption option);
    // The command line takes or loses the focus; taking it stops the chip's stream.
    void enterCommandLine();
    void leaveCommandLine();
    // A key typed into the command line, with the line's text before the key takes effect;
    // Enter sends the line.
    void typeOnCommandLine(int key, const QString& line);
    // The line sent as Enter on the command line sends it.
    void sendLine(const QString& line);
    // A click into the console hands the focus back to the command line.
    void returnToCommandLine();
    // The console's text to a setup file (file dialog).
    void saveSetupFile();

    // --- What the front-end hands in ---
    // The port list position the user has chosen (-1: none). Choosing is not a command: it
    // emits nothing.
    void setPortPosition(int position) { portPosition_ = position; }
    int portPosition() const { return portPosition_; }
    // The port number the handlers take from the list: position + 1 held in 8 bits, so no choice
    // (position -1) gives 0.
    quint8 portNumberFromList() const { return static_cast<quint8>(portPosition_ + 1); }
    // Why no port is chosen, for the report of a port that cannot open (empty: simply none is).
    void setNoPortReason(const QString& reason);
    // A demonstration run on the simulated chip leaves the stored port choice as it found it.
    void setStoresPortChoice(bool stores);

    // --- What a front-end or a script reads ---
    double timeGrid() const { return state.timeGrid; }
    double pidFrequency() const;
    // The last block captured (entries 1..300), drawn again by clearMarkers().
    const SampleBlock& lastBlock() const { return state.sampleBlock; }
    float markerStart() const { return state.markerStart; }
    float markerEnd() const { return state.markerEnd; }
    LineMode lineMode() const { return static_cast<LineMode>(state.receiveMode); }
    // The port number the handlers last opened or will open (1-255); 0 before any choice.
    int portNumber() const { return state.portNumber; }
    // The trace colour (0x00BBGGRR) for the blocks drawn from now on.
    int traceColour() const;

    // --- What the status line tells (LineStatus) ---
    // The device the chosen port number reaches (empty: none mapped, or no number chosen).
    QString portDevice() const;
    bool portOpen() const;
    // The system's reason for the last port failure, as its standard-error line gives it.
    QString portFailureReason() const;

    // --- What the core shows, and remembers having shown ---
    QString readout(Readout which) const { return readouts_.at(static_cast<int>(which)); }
    // The status lamp as a 0x00BBGGRR value: red idle or console, green while blocks arrive.
    int lampColour() const { return lampColour_; }
    // The console's text (Text): what the chip sent, CR LF between lines, capped.
    const ConsoleBuffer& consoleText() const { return consoleText_; }
    const QString& consoleString() const { return consoleText_.text(); }

Q_SIGNALS:
    // The time grid (and with it the PID frequency) has a new value.
    void timingChanged();
    // A marker was placed or the markers were removed.
    void markersChanged();
    void readoutChanged(Core::Readout which, const QString& text);
    void lampChanged(int colour);
    void consoleAppended(const QString& characters);
    void consoleCleared();
    // After either of the two above.
    void consoleChanged();
    void scopeCleared();
    void blockDrawn(const SampleBlock& block, int colour);
    void blockReceived(const SampleBlock& block);
    void markerPlaced(Core::Marker which, float samplePosition, const QString& label);
    void formTextPrinted(const QString& text);
    void portChoiceCleared();
    void commandLineColourChanged(int colour);
    void commandLineCleared();
    void commandRemembered(const QString& typed);
    void commandLineFocusWanted();
    void titleChanged(const QString& title);
    void portListFilled(const QStringList& entries, int position);
    // A port failure is being reported (kInvalidPortError, kPortInUseError, or a failure of the
    // line), before its box or form text: for a front-end that must tell the failures apart,
    // such as the command-line program's exit status.
    void portErrorReported(int number);
    // The scope was started and blocks are now expected; triggered: only once the chip sees a
    // move. (Stopping closes the port.)
    void blocksAwaited(bool triggered);
    // The chip was asked its timing and the wait is over; answered: a reply came meanwhile.
    void timingQueryEnded(bool answered);

    // What cuts the scope's stream into runs (RunCutter). A start of the scope is told before
    // the start's first step; the blocks then received belong to it until the stream ends.
    void scopeStarting();
    // A verb that ends the chip's stream (Stop, the command line taking the focus or sending, a
    // listing, an option item, Detect, a marker, a new port choice, shutdown) is about to run.
    void streamEnding();
    // A line went out from the command line, as typed (a lone carriage return is a listing).
    void lineSent(const QString& typed);
    // An option item's command went out to the chip, as sent.
    void optionSent(const QString& command);
    // The chip was asked a listing; the console's text from its clearing on is that listing.
    void listingAsked(Core::Listing listing);

private:
    // The core's parts run the handlers' steps on its state, port and dialogs.
    friend class Link;
    friend class Dispatcher;
    friend class Shell;
    friend class ScopeControl;
    friend class Markers;
    friend class TraceColour;
    friend class PictureFiles;
    friend class PidDetect;
    friend class Console;
    friend class Listings;
    friend class SetupFile;
    friend class OptionCommands;
    friend class CoreInsides;

    Link& link() { return *link_; }
    Dispatcher& dispatcher() { return *dispatcher_; }
    Shell& shell() { return *shell_; }
    ScopeControl& scope() { return *scope_; }
    Markers& markers() { return *markers_; }
    TraceColour& colours() { return *traceColour_; }
    PictureFiles& pictureFiles() { return *pictureFiles_; }
    PidDetect& pidDetect() { return *pidDetect_; }
    Console& console() { return *console_; }
    Listings& listings() { return *listings_; }
    SetupFile& setupFile() { return *setupFile_; }
    OptionCommands& options() { return *options_; }

    // --- The core's output steps: each changes what is shown and tells it by its signal ---
    void setReadout(Readout which, const QString& text);
    void setLampColour(int colour);
    void appendToConsole(const QString& characters);
    void clearConsole();
    // The scope: clearing keeps the background; a block is drawn as the trace in a colour.
    void clearScope();
    void drawBlock(const SampleBlock& block, int colour);
    // A block just received from the chip: drawn in the trace colour, and told as received (a
    // right click's redraw of the last block is drawn, but not received again).
    void drawReceivedBlock(const SampleBlock& block);
    // A marker line from top to bottom at a sample position, with its label.
    void placeMarker(Marker which, float samplePosition, const QString& label);
    // A line of text on the window's own surface.
    void printOnForm(const QString& text);
    // The port choice cleared after a port error.
    void clearPortChoice();
    // The command line.
    void setCommandLineColour(int colour);
    void clearCommandLine();
    void rememberCommand(const QString& typed);
    void focusCommandLine();
    // Start-up: the title, and the port list with the position chosen.
    void setTitle(const QString& title);
    void fillPortList(const QStringList& entries, int position);

    // The time grid, told to whoever watches it.
    void setTimeGrid(double milliseconds);
    // Both marker positions (below 0: none), told when they change.
    void setMarkers(float start, float end);
    // The wait for a timing reply is over: told with whether one came since `repliesBefore`.
    void endTimingQuery(quint64 repliesBefore);

    Comm& serialPort;        // the serial port
    Dialogs& dialogs;        // message boxes, Dialogopen and Dialogsave
    SettingsStore& settings; // the per-user settings store
    ScopeImages& images;     // the scope picture's bitmap files
    SharedState state;
    MessageTexts messages;

    int portPosition_ = -1;
    std::array<QString, kReadoutCount> readouts_;
    int lampColour_ = static_cast<int>(kRed);
    quint64 timingReplies_ = 0; // each reply sets the time grid readout
    ConsoleBuffer consoleText_;

    std::unique_ptr<Link> link_;
    std::unique_ptr<Dispatcher> dispatcher_;
    std::unique_ptr<Shell> shell_;
    std::unique_ptr<ScopeControl> scope_;
    std::unique_ptr<Markers> markers_;
    std::unique_ptr<TraceColour> traceColour_;
    std::unique_ptr<PictureFiles> pictureFiles_;
    std::unique_ptr<PidDetect> pidDetect_;
    std::unique_ptr<Console> console_;
    std::unique_ptr<Listings> listings_;
    std::unique_ptr<SetupFile> setupFile_;
    std::unique_ptr<OptionCommands> options_;
};

// Callers name the readouts without the class: Readout::TimeGrid.
using Readout = Core::Readout;
