#pragma once
// The main window. It owns every control, the menus and the shared state, and wires each
// control event to its handler; the handlers themselves live with their subsystem.

#include "window/ControlArray.h"
#include "core/SharedState.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;

class Comm;
class CommandLine;
class ConsoleView;
class Dialogs;
class FormSurface;
class PortMap;
class ScopeSurface;
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

class Fo : public QMainWindow {
    Q_OBJECT

public:
    // Builds the window and runs start-up (Form_Load) before returning.
    Fo(Comm& comm, Dialogs& dialogs, SettingsStore& settings, QWidget* parent = nullptr);
    ~Fo() override;

    // The client area below the menu bar has this fixed size.
    static constexpr int kClientWidth = 956;
    static constexpr int kClientHeight = 651;

    // --- Scope area and status (top left) ---
    ControlArray<QLabel> Label1;   // 0 "Tracking Error Monitor:" title, 1 the "KDSP" mark
    QLabel* LED1 = nullptr;        // status lamp: red idle or console, green while blocks arrive
    QGroupBox* Frame1 = nullptr;   // "Color" frame holding Szin
    QGroupBox* Frame2 = nullptr;   // "Pointer:" readouts
    QGroupBox* Frame3 = nullptr;   // "Marked:" readouts
    ScopeSurface* Rajz = nullptr;  // the scope surface (rajz: drawing), 600 x 512
    ControlArray<QLabel> Label4;   // fixed captions 0-13 ("Time:", "ms", ...)
    ControlArray<QLabel> MX;       // value boxes 0-5 (0 time, 1 level, 2-4 markers, 5 PID Hz)
    ControlArray<QLabel> Gr;       // value box 2 only: the time grid

    // --- Scope controls (bottom row) ---
    QPushButton* Be = nullptr;         // Start (be: on)
    QPushButton* Ki = nullptr;         // Stop (ki: off)
    QPushButton* Triger_be = nullptr;  // "Triger on"
    QPushButton* Triger_ki = nullptr;  // "Triger off"
    QPushButton* Mentes = nullptr;     // save the scope picture (mentés: saving)
    QPushButton* Betolt = nullptr;     // load a scope picture (betölt: load)
    ControlArray<QRadioButton> Szin;   // trace colour options 0-3 (szín: colour)

    // --- Console and chip area (right side) ---
    QComboBox* Portok = nullptr;       // port choice (portok: ports), editable
    QPushButton* PID = nullptr;        // "Detect": PID frequency detect
    QPushButton* Command1 = nullptr;   // "Registers" listing
    QPushButton* Spec = nullptr;       // "Special " listing
    QPushButton* Ment = nullptr;       // save the console to a setup file (ment: save)
    QLabel* Picture1 = nullptr;        // small logo
    ConsoleView* Text = nullptr;       // the console
    CommandLine* Command = nullptr;    // the command line

    // --- Menus ---
    QMenu* SC = nullptr;      // "KDSP Special Config"
    QAction* SF = nullptr;    // "State of Fuses"
    QAction* V0 = nullptr;    // separators V0-V3
    QAction* TP100 = nullptr;
    QAction* TP80 = nullptr;
    QAction* TP60 = nullptr;
    QAction* V1 = nullptr;
    QAction* MPoff = nullptr;
    QAction* V2 = nullptr;
    QAction* SLF = nullptr;
    QAction* SLF_off = nullptr;
    QAction* V3 = nullptr;
    QAction* DCM = nullptr;
    QAction* ACM = nullptr;
    QMenu* HL = nullptr;      // "Help"
    QAction* AS = nullptr;    // "About Trevalon"

    // --- Components without a shape ---
    Comm& MSComm;             // the serial port
    Dialogs& dialogs;         // message boxes, Dialogopen and Dialogsave
    SettingsStore& settings;  // the per-user settings store

    SharedState state;
    MessageTexts messages;

    // Writes one line of text on the window's own surface, behind the controls, at the current
    // text position, which then moves to the next line.
    void printOnForm(const QString& text);
    QStringList formTexts() const;

    // The handlers, by subsystem.
    Link& link() { return *link_; }
    Dispatcher& dispatcher() { return *dispatcher_; }
    Shell& shell() { return *shell_; }
    ScopeControl& scope() { return *scope_; }
    Markers& markers() { return *markers_; }
    TraceColour& traceColour() { return *traceColour_; }
    PictureFiles& pictureFiles() { return *pictureFiles_; }
    PidDetect& pidDetect() { return *pidDetect_; }
    Console& console() { return *console_; }
    Listings& listings() { return *listings_; }
    SetupFile& setupFile() { return *setupFile_; }
    OptionCommands& options() { return *options_; }

    // The port number the handlers take from the list: position + 1 held in 8 bits, so no choice
    // (position -1) gives 0.
    quint8 portNumberFromList() const;

    // Colour of the status lamp as a 0x00BBGGRR value.
    int lampColour() const;
    void setLampColour(int oleColour);

    // Makes every caption's font smaller where the face this machine gave it runs too wide for
    // its box. Runs before the window is first shown; the boxes must have their sizes.
    void fitCaptions();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createControls(); // the layout, in FoLayout.cpp
    void createMenus();    // the menu bar, in FoLayout.cpp
    void wireEvents();     // every control event to its handler, in one place
    // Selects the port list entry the field's text names, or none.
    void selectTypedPort(const QString& text);
    // Tells the port why no number is chosen: a text that names no port, or no choice at all.
    void explainMissingPort();

    FormSurface* surface_ = nullptr; // the client area; paints the texts behind the controls
    int lampColour_ = 255;
    bool captionsFitted_ = false;

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

// A 0x00BBGGRR colour value as a Qt colour.
QColor oleColour(long long value);
