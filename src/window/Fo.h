// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window, a view of the core: it builds the controls with their given names, hands each
// control event to the core's verb and shows what the core tells. It holds no protocol
// logic.

#include "core/Core.h"
#include "core/scope/ScopeImages.h"
#include "window/ControlArray.h"
#include "window/ValueBox.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;

class CommandLine;
class LineStatus;
class ConsoleView;
class FormSurface;
class ScopeSurface;
class StatusText;

class Fo : public QMainWindow, private ScopeImages {
    Q_OBJECT

    // The core this window shows; built first, before the window asks anything of it.
    std::unique_ptr<Core> core_;

public:
    // Builds the window and runs start-up (Form_Load) before returning.
    Fo(Comm& comm, Dialogs& dialogs, SettingsStore& settings, QWidget* parent = nullptr);
    ~Fo() override;

    // The client area below the menu bar has this fixed size.
    static constexpr int kClientWidth = 956;
    static constexpr int kClientHeight = 651;
    // The status line below it, by which the window is taller.
    static constexpr int kStatusLineHeight = 22;

    // --- Scope area and status (top left) ---
    ControlArray<QLabel> Label1;   // 0 "Tracking Error Monitor:" title, 1 the "KDSP" mark
    QLabel* LED1 = nullptr;        // status lamp: red idle or console, green while blocks arrive
    QGroupBox* Frame1 = nullptr;   // "Color" frame holding Szin
    QGroupBox* Frame2 = nullptr;   // "Pointer:" readouts
    QGroupBox* Frame3 = nullptr;   // "Marked:" readouts
    ScopeSurface* Rajz = nullptr;  // the scope surface (rajz: drawing), 600 x 512
    ControlArray<QLabel> Label4;   // fixed captions 0-13 ("Time:", "ms", ...)
    ControlArray<ValueBox> MX;     // value boxes 0-5 (0 time, 1 level, 2-4 markers, 5 PID Hz)
    ControlArray<ValueBox> Gr;     // value box 2 only: the time grid

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

    // The core the window shows: its verbs, accessors and signals.
    Core& core() { return *core_; }

    // The status line below the client area (the window is that much taller): what the line
    // is doing and what went wrong, as LineStatus words it.
    LineStatus& lineStatus() { return *lineStatus_; }

    // --- Components without a shape ---
    Dialogs& dialogs;         // message boxes, Dialogopen and Dialogsave
    SettingsStore& settings;  // the per-user settings store

    // Writes one line of text on the window's own surface, behind the controls, at the current
    // text position, which then moves to the next line.
    void printOnForm(const QString& text);
    QStringList formTexts() const;

    quint8 portNumberFromList() const { return core_->portNumberFromList(); }

    // Colour of the status lamp as a 0x00BBGGRR value (what the core last showed).
    int lampColour() const { return core_->lampColour(); }

    // Makes every caption's font smaller where the face this machine gave it runs too wide for
    // its box. Runs before the window is first shown; the boxes must have their sizes.
    void fitCaptions();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createControls(); // the layout, in FoLayout.cpp
    void createMenus();    // the menu bar, in FoLayout.cpp
    void createStatusLine(); // the status bar, in FoLayout.cpp
    void wireEvents();     // every control event to the core's verb, in one place
    void showCore();       // every core signal to its control, in one place
    void paintLamp(int colour);
    // ScopeImages: the picture on Rajz as a file.
    int savePicture(const QString& path) override;
    int loadBackground(const QString& path) override;
    // Selects the port list entry the field's text names, or none.
    void selectTypedPort(const QString& text);
    // Tells the port why no number is chosen: a text that names no port, or no choice at all.
    void explainMissingPort();

    FormSurface* surface_ = nullptr; // the client area; paints the texts behind the controls
    LineStatus* lineStatus_ = nullptr;
    StatusText* statusText_ = nullptr; // the status line's text, in the status bar
    bool captionsFitted_ = false;
};

// A 0x00BBGGRR colour value as a Qt colour.
QColor oleColour(long long value);
