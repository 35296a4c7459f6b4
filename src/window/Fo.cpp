#include "window/Fo.h"

#include "window/CaptionFit.h"
#include "window/FormSurface.h"
#include "core/shell/Shell.h"
#include "window/CommandLine.h"
#include "core/console/Console.h"
#include "window/ConsoleView.h"
#include "core/console/Listings.h"
#include "core/console/SetupFile.h"
#include "core/link/Comm.h"
#include "core/link/Dispatcher.h"
#include "core/link/Link.h"
#include "core/options/OptionCommands.h"
#include "core/pid/PidDetect.h"
#include "core/scope/Markers.h"
#include "core/scope/PictureFiles.h"
#include "core/scope/ScopeControl.h"
#include "window/ScopeSurface.h"
#include "core/scope/TraceColour.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace {
constexpr int kLampReceiving = 65280; // green: blocks arrive
const QString kLampIdleText = QStringLiteral("idle");
const QString kLampReceivingText = QStringLiteral("receiving");
} // namespace

QColor oleColour(long long value)
{
    const auto v = static_cast<quint32>(value);
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

Fo::Fo(Comm& comm, Dialogs& dialogs, SettingsStore& settings, QWidget* parent)
    : QMainWindow(parent), MSComm(comm), dialogs(dialogs), settings(settings)
{
    setWindowTitle(QStringLiteral("Kestrum Trevalon"));
    createControls();
    createMenus();
    // The client area keeps its size; the window is not resizable.
    setFixedSize(sizeHint());

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

    wireEvents();
    shell_->Form_Load();
}

Fo::~Fo() = default;

void Fo::wireEvents()
{
    // The field's text and the port in use never disagree: whatever puts text in the field
    // (typing, the completer) selects the entry it names, or none.
    connect(Portok->lineEdit(), &QLineEdit::textChanged, this, &Fo::selectTypedPort);
    connect(Portok, &QComboBox::currentIndexChanged, this, [this] { explainMissingPort(); });
    // Portok_Change runs on edits of the field's text by the user only: textEdited is not
    // emitted for list picks or for selections made from code.
    connect(Portok->lineEdit(), &QLineEdit::textEdited, this, [this] { shell_->Portok_Change(); });

    connect(&MSComm, &Comm::onComm, this, [this] { dispatcher_->MSComm_OnComm(); });
    connect(&MSComm, &Comm::deviceLost, this, [this](int number) {
        // The device went away under an open port: the link is down and the user is told once.
        setLampColour(255);
        link_->reportDeviceLost(number);
    });

    connect(Be, &QPushButton::clicked, this, [this] { scope_->Be_Click(); });
    connect(Ki, &QPushButton::clicked, this, [this] { scope_->Ki_Click(); });
    connect(Triger_be, &QPushButton::clicked, this, [this] { scope_->Triger_be_Click(); });
    connect(Triger_ki, &QPushButton::clicked, this, [this] { scope_->Triger_ki_Click(); });
    for (const auto& [index, option] : Szin.all()) {
        const int i = index;
        connect(option, &QRadioButton::clicked, this, [this, i] { traceColour_->Szin_Click(i); });
    }
    connect(Rajz, &ScopeSurface::mouseDown, this,
            [this](int button, int shift, float x, float y) {
                markers_->Rajz_MouseDown(button, shift, x, y);
            });
    connect(Rajz, &ScopeSurface::mouseMove, this,
            [this](int button, int shift, float x, float y) {
                markers_->Rajz_MouseMove(button, shift, x, y);
            });
    connect(Mentes, &QPushButton::clicked, this, [this] { pictureFiles_->Mentes_Click(); });
    connect(Betolt, &QPushButton::clicked, this, [this] { pictureFiles_->Betolt_Click(); });
    connect(PID, &QPushButton::clicked, this, [this] { pidDetect_->PID_Click(); });

    connect(Command, &CommandLine::gotFocus, this, [this] { console_->Command_GotFocus(); });
    connect(Command, &CommandLine::keyPress, this, [this](int key) { console_->Command_KeyPress(key); });
    connect(Command, &CommandLine::lostFocus, this, [this] { console_->Command_LostFocus(); });
    connect(Text, &ConsoleView::clicked, this, [this] { console_->Text_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { listings_->Command1_Click(); });
    connect(Spec, &QPushButton::clicked, this, [this] { listings_->Spec_Click(); });
    connect(SF, &QAction::triggered, this, [this] { listings_->SF_Click(); });
    connect(Ment, &QPushButton::clicked, this, [this] { setupFile_->Ment_Click(); });

    connect(TP100, &QAction::triggered, this, [this] { options_->TP100_Click(); });
    connect(TP80, &QAction::triggered, this, [this] { options_->TP80_Click(); });
    connect(TP60, &QAction::triggered, this, [this] { options_->TP60_Click(); });
    connect(MPoff, &QAction::triggered, this, [this] { options_->MPoff_Click(); });
    connect(SLF, &QAction::triggered, this, [this] { options_->SLF_Click(); });
    connect(SLF_off, &QAction::triggered, this, [this] { options_->SLF_off_Click(); });
    connect(DCM, &QAction::triggered, this, [this] { options_->DCM_Click(); });
    connect(ACM, &QAction::triggered, this, [this] { options_->ACM_Click(); });

    connect(AS, &QAction::triggered, this, [this] { shell_->AS_Click(); });
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
    MSComm.setNoPortReason(Portok->currentIndex() < 0 && !text.isEmpty()
                               ? QStringLiteral("The port field's text \"%1\" names no port").arg(text)
                               : Comm::kNoPortChosen);
}

quint8 Fo::portNumberFromList() const { return static_cast<quint8>(Portok->currentIndex() + 1); }

int Fo::lampColour() const { return lampColour_; }

void Fo::setLampColour(int colour)
{
    // Every captured block sets the lamp; only a change costs a repaint.
    if (colour == lampColour_ && LED1->autoFillBackground())
        return;
    lampColour_ = colour;
    QPalette palette = LED1->palette();
    palette.setColor(QPalette::Window, oleColour(colour));
    LED1->setPalette(palette);
    LED1->setAutoFillBackground(true);
    // A screen reader cannot see a colour: the lamp says its state in words.
    LED1->setAccessibleDescription(colour == kLampReceiving ? kLampReceivingText : kLampIdleText);
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
    shell_->Form_Unload();
    event->accept();
}
