// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/Fo.h"

#include "core/FileHandling.h"
#include "core/link/Comm.h"
#include "core/scope/ScopeGeometry.h"
#include "core/status/LineStatus.h"
#include "picture/BitmapFiles.h"
#include "picture/TraceDrawing.h"
#include "window/CaptionFit.h"
#include "window/CommandLine.h"
#include "window/ConsoleView.h"
#include "window/FormSurface.h"
#include "window/ScopeAccessibility.h"
#include "window/ScopeSurface.h"
#include "window/StatusText.h"
#include "window/ValueBox.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace {
constexpr int kLampReceiving = static_cast<int>(kGreen); // blocks arrive
const QString kLampIdleText = QStringLiteral("idle");
const QString kLampReceivingText = QStringLiteral("receiving");
} // namespace

QColor oleColour(long long value)
{
    const auto v = static_cast<quint32>(value);
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

Fo::Fo(Comm& comm, Dialogs& dialogs, SettingsStore& settings, QWidget* parent)
    : QMainWindow(parent),
      core_(std::make_unique<Core>(comm, dialogs, settings, static_cast<ScopeImages&>(*this))),
      dialogs(dialogs), settings(settings)
{
    setWindowTitle(QStringLiteral("Kestrum Trevalon"));
    createControls();
    createMenus();
    createStatusLine();
    // The client area keeps its size; the window is not resizable.
    setFixedSize(sizeHint());

    lineStatus_ = new LineStatus(*core_, this);
    showCore();
    wireEvents();
    new ScopeAccessibility(*this); // a child of the window
    core_->startUp();
    lineStatus_->update(); // shown from the first paint, not half a second later
}

Fo::~Fo() = default;

// The wiring table: each control's event, by the handler name it has in the chip's documents,
// to the core's verb. The given names live here and nowhere else.
void Fo::wireEvents()
{
    // `core` names the window's own core, which outlives every connection made here: a lambda
    // capturing it by reference holds the core itself, not this local name, which clazy cannot
    // tell. clazy:excludeall=lambda-in-connect
    Core& core = *core_;
    const auto onClick = [this](QPushButton* button, auto verb) {
        connect(button, &QPushButton::clicked, this, verb);
    };
    const auto onItem = [this](QAction* item, auto verb) {
        connect(item, &QAction::triggered, this, verb);
    };

    // The field's text and the port in use never disagree: whatever puts text in the field
    // (typing, the completer) selects the entry it names, or none.
    connect(Portok->lineEdit(), &QLineEdit::textChanged, this, &Fo::selectTypedPort);
    connect(Portok, &QComboBox::currentIndexChanged, this, [this](int position) {
        core_->setPortPosition(position);
        explainMissingPort();
    });
    // Portok_Change runs on edits of the field's text by the user only: textEdited is not
    // emitted for list picks or for selections made from code.
    connect(Portok->lineEdit(), &QLineEdit::textEdited, this,
            [&core] { core.closePortForNewChoice(); });

    onClick(Be, [&core] { core.startScope(); });                     // Be_Click
    onClick(Ki, [&core] { core.stopScope(); });                      // Ki_Click
    onClick(Triger_be, [&core] { core.startTriggered(); });          // Triger_be_Click
    onClick(Triger_ki, [&core] { core.startUntriggered(); });        // Triger_ki_Click
    for (const auto& [index, option] : Szin.all()) {                 // Szin_Click(Index)
        const int i = index;
        connect(option, &QRadioButton::clicked, this, [&core, i] { core.chooseTraceColour(i); });
    }
    // Rajz_MouseDown: the left button marks, the right one clears; the others do nothing.
    connect(Rajz, &ScopeSurface::mouseDown, this, [&core](int button, int, float x, float) {
        if (button == ScopeSurface::kLeftButton)
            core.placeMarkerAt(ScopeGeometry::samplePositionAt(x));
        else if (button == ScopeSurface::kRightButton)
            core.clearMarkers();
    });
    // Rajz_MouseMove: with any buttons held.
    connect(Rajz, &ScopeSurface::mouseMove, this, [&core](int, int, float x, float y) {
        core.pointAt(ScopeGeometry::samplePositionAt(x), ScopeGeometry::levelPositionAt(y));
    });
    onClick(Mentes, [&core] { core.saveScopePicture(); });           // Mentes_Click
    onClick(Betolt, [&core] { core.loadScopePicture(); });           // Betolt_Click
    onClick(PID, [&core] { core.detectTiming(); });                  // PID_Click

    connect(Command, &CommandLine::gotFocus, this,                   // Command_GotFocus
            [&core] { core.enterCommandLine(); });
    static_assert(CommandLine::kEnterKey == Core::kEnterKey, "the line's Enter sends it");
    connect(Command, &CommandLine::keyPress, this,                   // Command_KeyPress
            [this, &core](int key) { core.typeOnCommandLine(key, Command->text()); });
    connect(Command, &CommandLine::lostFocus, this,                  // Command_LostFocus
            [&core] { core.leaveCommandLine(); });
    connect(Text, &ConsoleView::clicked, this,                       // Text_Click
            [&core] { core.returnToCommandLine(); });
    onClick(Command1, [&core] { core.fetchListing(Core::Listing::Registers); }); // Command1_Click
    onClick(Spec, [&core] { core.fetchListing(Core::Listing::Specials); });      // Spec_Click
    onItem(SF, [&core] { core.fetchListing(Core::Listing::Fuses); });            // SF_Click
    onClick(Ment, [&core] { core.saveSetupFile(); });                            // Ment_Click

    using Option = Core::ChipOption;
    onItem(TP100, [&core] { core.switchOption(Option::Thermo100); });             // TP100_Click
    onItem(TP80, [&core] { core.switchOption(Option::Thermo80); });               // TP80_Click
    onItem(TP60, [&core] { core.switchOption(Option::Thermo60); });               // TP60_Click
    onItem(MPoff, [&core] { core.switchOption(Option::MotorProtectionOff); });    // MPoff_Click
    onItem(SLF, [&core] { core.switchOption(Option::SoftLimitWithFault); });      // SLF_Click
    onItem(SLF_off, [&core] { core.switchOption(Option::SoftLimitWithoutFault); }); // SLF_off_Click
    onItem(DCM, [&core] { core.switchOption(Option::PwmDcMode); });               // DCM_Click
    onItem(ACM, [&core] { core.switchOption(Option::PwmAcMode); });               // ACM_Click

    onItem(AS, [&core] { core.showAbout(); });                                    // AS_Click
    // Form_Load runs at the end of the constructor, Form_Unload in closeEvent.
}

void Fo::showCore()
{
    const Core& core = *core_;
    connect(&core, &Core::titleChanged, this, &QWidget::setWindowTitle);
    connect(lineStatus_, &LineStatus::textChanged, statusText_, &StatusText::showText);
    connect(&core, &Core::readoutChanged, this, [this](Readout which, const QString& text) {
        ValueBox* box = which == Readout::TimeGrid ? Gr(2) : MX(static_cast<int>(which));
        box->setValue(text);
    });
    connect(&core, &Core::lampChanged, this, &Fo::paintLamp);
    connect(&core, &Core::formTextPrinted, this, &Fo::printOnForm);

    connect(&core, &Core::consoleAppended, Text,
            [this](const QString& characters) { Text->append(characters); });
    connect(&core, &Core::consoleCleared, Text, [this] { Text->setText(QString()); });

    connect(&core, &Core::scopeCleared, Rajz, &ScopeSurface::cls);
    connect(&core, &Core::blockDrawn, Rajz, [this](const SampleBlock& block, int colour) {
        drawTrace(Rajz->picture(), block, oleColour(colour).rgb());
        Rajz->pictureChanged();
    });
    connect(&core, &Core::markerPlaced, Rajz,
            [this](Core::Marker which, float samplePosition, const QString& label) {
        // A line from top to bottom in the surface's own colour, its label from the top.
        const QRgb colour = Rajz->foreColour();
        const float x = ScopeGeometry::xOfSamplePosition(samplePosition);
        const float labelX = ScopeGeometry::markerLabelX(x, which == Core::Marker::End);
        Rajz->line(QPointF(x, 0), QPointF(x, ScopePicture::kHeight), colour);
        Rajz->setPoint(QPointF(labelX, ScopeGeometry::kLabelTop), colour);
        Rajz->print(label, colour);
    });

    connect(&core, &Core::portListFilled, Portok, [this](const QStringList& entries, int position) {
        // Filling and selecting from code is not an edit of the field.
        const QSignalBlocker blocker(Portok);
        Portok->clear();
        Portok->addItems(entries);
        Portok->setCurrentIndex(position);
    });
    connect(&core, &Core::portChoiceCleared, Portok, [this] { Portok->setCurrentIndex(-1); });

    connect(&core, &Core::commandLineColourChanged, Command, &CommandLine::setBackColour);
    connect(&core, &Core::commandLineCleared, Command, [this] { Command->setText(QString()); });
    connect(&core, &Core::commandRemembered, Command, &CommandLine::rememberCommand);
    connect(&core, &Core::commandLineFocusWanted, Command, [this] { Command->setFocus(); });
}

void Fo::printOnForm(const QString& text) { surface_->printLine(text); }

QStringList Fo::formTexts() const { return surface_->lines(); }

void Fo::selectTypedPort(const QString& text)
{
    // An entry's own text, in any case, selects it; anything else ("xyz", "Comm 7" with one
    // blank) selects nothing, so the next command reports an invalid port.
    const int position = Portok->findText(text, Qt::MatchFixedString);
    if (position != Portok->currentIndex()) {
        QLineEdit* field = Portok->lineEdit();
        const int cursor = field->cursorPosition();
        {
            // A selection made for the text is no pick from the list; and selecting nothing
            // would empty the field under the user's typing.
            const QSignalBlocker blocker(Portok);
            Portok->setCurrentIndex(position);
        }
        core_->setPortPosition(position);
        if (field->text() != text) {
            const QSignalBlocker blocker(field);
            field->setText(text);
            field->setCursorPosition(cursor);
        }
    }
    explainMissingPort();
}

void Fo::explainMissingPort()
{
    const QString text = Portok->currentText();
    core_->setNoPortReason(Portok->currentIndex() < 0 && !text.isEmpty()
                               ? QStringLiteral("The port field's text \"%1\" names no port").arg(text)
                               : QString());
}

void Fo::paintLamp(int colour)
{
    QPalette palette = LED1->palette();
    palette.setColor(QPalette::Window, oleColour(colour));
    LED1->setPalette(palette);
    LED1->setAutoFillBackground(true);
    // A screen reader cannot see a colour: the lamp says its state in words.
    LED1->setAccessibleDescription(colour == kLampReceiving ? kLampReceivingText : kLampIdleText);
}

int Fo::savePicture(const QString& path)
{
    return BitmapFiles::save(Rajz->composite(), path);
}

int Fo::loadBackground(const QString& path)
{
    QImage picture;
    const int result = BitmapFiles::read(path, picture);
    if (result == FileHandling::kNoError)
        Rajz->setBackground(picture);
    return result;
}

void Fo::fitCaptions()
{
    CaptionFit::fitAll(surface_);
    CaptionFit::fitEntries(Portok);
}

void Fo::showEvent(QShowEvent* event)
{
    // The controls have their sizes once they are about to be shown (the port field's edit box
    // is laid out then).
    if (!captionsFitted_) {
        captionsFitted_ = true;
        fitCaptions();
    }
    QMainWindow::showEvent(event);
}

void Fo::closeEvent(QCloseEvent* event)
{
    core_->shutDown();
    event->accept();
}
