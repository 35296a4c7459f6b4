// SPDX-License-Identifier: GPL-3.0-or-later
// The window's controls and menus: kinds, names, captions, tooltips, fonts and positions.
// Positions are pixels in the client area below the menu bar (inside a frame: relative to the
// frame). The DejaVu faces run wide, so captions use 9 pt and a few boxes are a little wider than
// a tighter face would need: every caption shows its whole text.

#include "window/Fo.h"
#include "window/ColourOption.h"
#include "window/FormSurface.h"
#include "window/ValueBox.h"
#include "window/CommandLine.h"
#include "window/ConsoleView.h"
#include "window/ScopeSurface.h"
#include "window/StatusText.h"

#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

// The images are compiled into the static core library, whose resources are not registered on
// their own; registering them at load time also lets main() use the icon before the window.
static int registerTrevalonResources()
{
    Q_INIT_RESOURCE(trevalon);
    return 0;
}
[[maybe_unused]] static const int kResourcesRegistered = registerTrevalonResources();

namespace {

const QString kSans = QStringLiteral("DejaVu Sans");
const QString kSansCondensed = QStringLiteral("DejaVu Sans Condensed");
const QString kSerif = QStringLiteral("DejaVu Serif Condensed");
constexpr qreal kCaptionPointSize = 9;
constexpr qreal kTitlePointSize = 15.75;
constexpr qreal kMarkPointSize = 18;

constexpr int kCaptionHeight = 17;
constexpr int kValueBoxWidth = 41;
constexpr int kWideValueBoxWidth = 57;
constexpr int kValueBoxHeight = 17;

constexpr int kButtonRowY = 616;
constexpr int kButtonWidth = 65;
constexpr int kButtonHeight = 29;
constexpr int kListButtonWidth = 85;
constexpr int kStatusIndent = 4; // the status line's text from the window's left edge

// Rows inside the two readout frames: first, middle, second.
constexpr int kRowTop = 18;
constexpr int kRowMiddle = 30;
constexpr int kRowBottom = 42;

const QString kWindowIcon16 = QStringLiteral(":/trevalon/icon-16.png");
const QString kWindowIcon32 = QStringLiteral(":/trevalon/icon-32.png");
const QString kLogo = QStringLiteral(":/trevalon/logo.png");
const QString kPortDesignText = QStringLiteral("Combo1");

QFont sansFont(qreal pointSize = kCaptionPointSize, bool italic = false)
{
    QFont font(kSans);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setItalic(italic);
    return font;
}

QFont serifMarkFont(qreal pointSize)
{
    QFont font(kSerif);
    font.setStyleHint(QFont::Serif);
    font.setPointSizeF(pointSize);
    font.setBold(true);
    font.setItalic(true);
    return font;
}

QLabel* caption(QWidget* parent, const QString& text, QRect geometry, bool italic = false)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setFont(sansFont(kCaptionPointSize, italic));
    return label;
}

// A readout: right-aligned white text on dark blue inside a single black line.
ValueBox* valueBox(QWidget* parent, int x, int y, int width)
{
    auto* box = new ValueBox(parent);
    box->setGeometry(x, y, width, kValueBoxHeight);
    box->setFont(sansFont());
    return box;
}

QPushButton* button(QWidget* parent, const QString& text, const QString& tip, QRect geometry)
{
    auto* b = new QPushButton(text, parent);
    b->setGeometry(geometry);
    b->setToolTip(tip);
    b->setFont(sansFont());
    return b;
}

QGroupBox* frame(QWidget* parent, const QString& title, QRect geometry)
{
    auto* f = new QGroupBox(title, parent);
    f->setGeometry(geometry);
    f->setFont(sansFont());
    // Opaque, so that text written on the form's surface stays behind it.
    f->setAutoFillBackground(true);
    return f;
}

// A fixed caption of the Label4 array and where it goes. The fields stand in the order the table
// reads; the padding of a few dozen entries is nothing.
struct CaptionPlace // NOLINT(clang-analyzer-optin.performance.Padding)
{
    int index;
    const char* text;
    QRect place;
    bool italic; // the units ("ms", "Hz", "Encoder step") are italic
};

QRect bottomButton(int x)
{
    return QRect(x, kButtonRowY, kButtonWidth, kButtonHeight);
}

} // namespace

void Fo::createControls()
{
    QIcon icon;
    icon.addFile(kWindowIcon16, QSize(16, 16));
    icon.addFile(kWindowIcon32, QSize(32, 32));
    setWindowIcon(icon);

    surface_ = new FormSurface(this);
    surface_->setFixedSize(kClientWidth, kClientHeight);
    surface_->setFont(sansFont());
    setCentralWidget(surface_);
    QWidget* w = surface_;

    // Scope area and status (top left)
    auto* title = new QLabel(QStringLiteral("Tracking Error Monitor:"), w);
    title->setGeometry(203, -2, 264, 26);
    title->setFont(serifMarkFont(kTitlePointSize));
    Label1.set(0, title);

    LED1 = new QLabel(w);
    LED1->setGeometry(184, 2, 17, 17);
    LED1->setFrameShape(QFrame::Box);
    LED1->setAccessibleName(QStringLiteral("Status lamp"));
    paintLamp(core_->lampColour());

    // "Pointer:": time grid and time on two rows, level on the middle row to the right.
    Frame2 = frame(w, QStringLiteral("Pointer:"), QRect(4, 24, 297, 65));
    const CaptionPlace pointerCaptions[] = {
        {2, "Time Grid:", QRect(4, kRowTop, 64, kCaptionHeight), false},
        {3, "ms", QRect(111, kRowTop, 20, kCaptionHeight), true},
        {0, "Time:", QRect(4, kRowBottom, 64, kCaptionHeight), false},
        {5, "ms", QRect(111, kRowBottom, 20, kCaptionHeight), true},
        {1, "Level:", QRect(131, kRowMiddle, 40, kCaptionHeight), false},
        {4, "Encoder step", QRect(213, kRowMiddle, 82, kCaptionHeight), true},
    };
    for (const CaptionPlace& c : pointerCaptions)
        Label4.set(c.index, caption(Frame2, QString::fromLatin1(c.text), c.place, c.italic));
    Gr.set(2, valueBox(Frame2, 68, kRowTop, kValueBoxWidth));
    MX.set(0, valueBox(Frame2, 68, kRowBottom, kValueBoxWidth));
    MX.set(1, valueBox(Frame2, 171, kRowMiddle, kValueBoxWidth));

    // "Marked:": start and end on two rows, the width between them on the middle row.
    Frame3 = frame(w, QStringLiteral("Marked:"), QRect(308, 24, 297, 65));
    Frame3->setToolTip(QStringLiteral("Marked pointers"));
    const CaptionPlace markedCaptions[] = {
        {6, "Start:", QRect(6, kRowTop, 42, kCaptionHeight), false},
        {9, "ms", QRect(91, kRowTop, 20, kCaptionHeight), true},
        {7, "End:", QRect(6, kRowBottom, 42, kCaptionHeight), false},
        {10, "ms", QRect(91, kRowBottom, 20, kCaptionHeight), true},
        {8, "Width:", QRect(150, kRowMiddle, 44, kCaptionHeight), false},
        {11, "ms", QRect(237, kRowMiddle, 20, kCaptionHeight), true},
    };
    for (const CaptionPlace& c : markedCaptions)
        Label4.set(c.index, caption(Frame3, QString::fromLatin1(c.text), c.place, c.italic));
    MX.set(2, valueBox(Frame3, 48, kRowTop, kValueBoxWidth));
    MX.set(3, valueBox(Frame3, 48, kRowBottom, kValueBoxWidth));
    MX.set(4, valueBox(Frame3, 194, kRowMiddle, kValueBoxWidth));

    Rajz = new ScopeSurface(w);
    Rajz->move(4, 92);
    Rajz->picture().setPenWidth(1);

    // Scope controls (bottom row)
    Be = button(w, QStringLiteral("Start"), QStringLiteral("Start of Scope"), bottomButton(4));
    Ki = button(w, QStringLiteral("Stop"), QStringLiteral("Stop Sample"), bottomButton(80));
    Triger_be = button(w, QStringLiteral("Triger on"), QStringLiteral("Use Triger mode"),
                       bottomButton(156));
    Triger_ki = button(w, QStringLiteral("Triger off"), QStringLiteral("Disamble Triger Mode"),
                       bottomButton(232));
    Mentes = button(w, QStringLiteral("Save"), QStringLiteral("Save Graphics"), bottomButton(308));
    Betolt = button(w, QStringLiteral("Load"), QStringLiteral("Load Graphics"), bottomButton(384));

    Frame1 = frame(w, QStringLiteral("Color"), QRect(456, 608, 149, 41));
    Frame1->setToolTip(QStringLiteral("Select used color"));
    // Each option shows the trace colour it selects: yellow, red, black, magenta.
    const int optionX[] = {8, 44, 80, 116};
    const QColor optionColour[] = {QColor(255, 255, 0), QColor(255, 0, 0), QColor(0, 0, 0),
                                   QColor(255, 0, 255)};
    for (int i = 0; i < 4; ++i) {
        auto* option = new ColourOption(Frame1);
        option->setGeometry(optionX[i], 16, 29, 17);
        option->setStyleSheet(
            QStringLiteral("QRadioButton { background-color: %1; }").arg(optionColour[i].name()));
        Szin.set(i, option);
    }
    Szin(0)->setChecked(true);

    // Console and chip area (right side)
    Portok = new QComboBox(w);
    Portok->setEditable(true);
    Portok->setGeometry(612, 16, 92, 21);
    // Condensed, so that "Comm  255" fits beside the drop-down arrow.
    QFont portFont = sansFont();
    portFont.setFamily(kSansCondensed);
    Portok->setFont(portFont);
    // Shown until start-up fills the list.
    Portok->setEditText(kPortDesignText);
    Portok->setToolTip(QStringLiteral("Select Communication Port"));
    Portok->setInsertPolicy(QComboBox::NoInsert);
    Portok->setMaxVisibleItems(16);

    Label4.set(12, caption(w, QStringLiteral("PID Frequency:"), QRect(706, 6, 92, kCaptionHeight)));
    MX.set(5, valueBox(w, 800, 6, kWideValueBoxWidth));
    MX(5)->setValue(QStringLiteral("???"));
    Label4.set(13, caption(w, QStringLiteral("Hz"), QRect(860, 6, 22, kCaptionHeight), true));

    PID = button(w, QStringLiteral("Detect"), QStringLiteral("PID Frequency detect"),
                 QRect(704, 28, 177, 21));
    Command1 = button(w, QStringLiteral("Registers"), QStringLiteral("List of Registers"),
                      QRect(612, 56, kListButtonWidth, kButtonHeight));
    Spec = button(w, QStringLiteral("Special "), QStringLiteral("List of Special Commands"),
                  QRect(704, 56, kListButtonWidth, kButtonHeight));
    Ment = button(w, QStringLiteral("Save"), QStringLiteral("Save of Registers field"),
                  QRect(796, 56, kListButtonWidth, kButtonHeight));

    auto* kdsp = new QLabel(QStringLiteral("KDSP"), w);
    kdsp->setGeometry(884, 54, 72, 32);
    kdsp->setFont(serifMarkFont(kMarkPointSize));
    Label1.set(1, kdsp);

    Picture1 = new QLabel(w);
    Picture1->setGeometry(892, 4, 57, 43);
    Picture1->setFrameShape(QFrame::Box);
    Picture1->setAlignment(Qt::AlignCenter);
    Picture1->setPixmap(QPixmap(kLogo));

    Text = new ConsoleView(w);
    Text->setGeometry(612, 92, 341, 513);

    // Created last, so that it is last in the focus chain: the window must not open with the
    // command line focused (entering it stops the chip's scope).
    Command = new CommandLine(w);
    Command->setGeometry(612, 616, 341, 29);
    Command->setToolTip(QStringLiteral("Command field"));
}

void Fo::createMenus()
{
    SC = menuBar()->addMenu(QStringLiteral("KDSP Special Config"));
    SF = SC->addAction(QStringLiteral("State of Fuses"));
    V0 = SC->addSeparator();
    TP100 = SC->addAction(QStringLiteral("Thermo protection on 100\u00B0C"));
    TP80 = SC->addAction(QStringLiteral("Thermo protection on 80\u00B0C"));
    TP60 = SC->addAction(QStringLiteral("Thermo protection on 60\u00B0C (default)"));
    V1 = SC->addSeparator();
    MPoff = SC->addAction(QStringLiteral("Motor protection off (Temporary)"));
    V2 = SC->addSeparator();
    SLF = SC->addAction(QStringLiteral("Soft limit with Fault signal (default)"));
    SLF_off = SC->addAction(QStringLiteral("Soft limit without Fault signal"));
    V3 = SC->addSeparator();
    DCM = SC->addAction(QStringLiteral("PWM is DC Mode (default)"));
    ACM = SC->addAction(QStringLiteral("PWM is AC Mode"));

    HL = menuBar()->addMenu(QStringLiteral("Help"));
    AS = HL->addAction(QStringLiteral("About Trevalon"));
}

void Fo::createStatusLine()
{
    // The window keeps its fixed size, so there is nothing to grip; a text longer than the line
    // is cut at its end (see StatusText) rather than widening the window.
    statusBar()->setSizeGripEnabled(false);
    statusBar()->setFixedHeight(kStatusLineHeight);
    statusBar()->setFont(sansFont());
    statusBar()->setAccessibleName(QStringLiteral("Status line"));
    statusText_ = new StatusText(statusBar());
    statusText_->setIndent(kStatusIndent);
    statusBar()->addWidget(statusText_, 1);
}
