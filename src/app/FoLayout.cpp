// The window's controls and menus: kinds, names, captions, tooltips and positions. Positions are
// pixels in the client area below the menu bar (inside a frame: relative to the frame).

#include "app/Fo.h"
#include "app/FormSurface.h"
#include "console/CommandLine.h"
#include "console/ConsoleView.h"
#include "scope/ScopeSurface.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int kValueBoxWidth = 41;
constexpr int kWideValueBoxWidth = 57;
constexpr int kValueBoxHeight = 17;
constexpr int kButtonRowY = 616;
constexpr int kButtonWidth = 65;
constexpr int kButtonHeight = 29;

QLabel* caption(QWidget* parent, const QString& text, int x, int y, int width, int height = 17,
                bool italic = false)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, width, height);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(9.75);
    font.setItalic(italic);
    label->setFont(font);
    return label;
}

QLabel* valueBox(QWidget* parent, int x, int y, int width)
{
    auto* box = new QLabel(parent);
    box->setGeometry(x, y, width, kValueBoxHeight);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    box->setStyleSheet(QStringLiteral(
        "QLabel { background-color: rgb(0, 0, 192); color: white; border: 1px solid black; "
        "padding-right: 2px; }"));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(9.75);
    box->setFont(font);
    return box;
}

QPushButton* button(QWidget* parent, const QString& text, const QString& tip, QRect geometry)
{
    auto* b = new QPushButton(text, parent);
    b->setGeometry(geometry);
    b->setToolTip(tip);
    return b;
}

QGroupBox* frame(QWidget* parent, const QString& title, QRect geometry)
{
    auto* f = new QGroupBox(title, parent);
    f->setGeometry(geometry);
    return f;
}

} // namespace

void Fo::createControls()
{
    surface_ = new FormSurface(this);
    surface_->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(surface_);
    QWidget* w = surface_;

    // Scope area and status (top left)
    auto* title = new QLabel(QStringLiteral("Tracking Error Monitor:"), w);
    title->setGeometry(203, -2, 218, 24);
    QFont serifTitle(QStringLiteral("DejaVu Serif"));
    serifTitle.setPointSizeF(15.75);
    serifTitle.setBold(true);
    serifTitle.setItalic(true);
    title->setFont(serifTitle);
    Label1.set(0, title);

    LED1 = new QLabel(w);
    LED1->setGeometry(184, 2, 17, 17);
    setLampColour(255);

    Frame2 = frame(w, QStringLiteral("Pointer:"), QRect(4, 24, 297, 65));
    Label4.set(2, caption(Frame2, QStringLiteral("Time Grid:"), 6, 18, 62));
    Gr.set(2, valueBox(Frame2, 68, 18, kValueBoxWidth));
    Label4.set(3, caption(Frame2, QStringLiteral("ms"), 112, 18, 20, 17, true));
    Label4.set(0, caption(Frame2, QStringLiteral("Time:"), 6, 42, 62));
    MX.set(0, valueBox(Frame2, 68, 42, kValueBoxWidth));
    Label4.set(5, caption(Frame2, QStringLiteral("ms"), 112, 42, 20, 17, true));
    Label4.set(1, caption(Frame2, QStringLiteral("Level:"), 136, 30, 40));
    MX.set(1, valueBox(Frame2, 176, 30, kValueBoxWidth));
    Label4.set(4, caption(Frame2, QStringLiteral("Encoder step"), 220, 30, 74, 17, true));

    Frame3 = frame(w, QStringLiteral("Marked:"), QRect(308, 24, 297, 65));
    Frame3->setToolTip(QStringLiteral("Marked pointers"));
    Label4.set(6, caption(Frame3, QStringLiteral("Start:"), 6, 18, 50));
    MX.set(2, valueBox(Frame3, 56, 18, kValueBoxWidth));
    Label4.set(9, caption(Frame3, QStringLiteral("ms"), 100, 18, 20, 17, true));
    Label4.set(7, caption(Frame3, QStringLiteral("End:"), 6, 42, 50));
    MX.set(3, valueBox(Frame3, 56, 42, kValueBoxWidth));
    Label4.set(10, caption(Frame3, QStringLiteral("ms"), 100, 42, 20, 17, true));
    Label4.set(8, caption(Frame3, QStringLiteral("Width:"), 150, 30, 50));
    MX.set(4, valueBox(Frame3, 200, 30, kValueBoxWidth));
    Label4.set(11, caption(Frame3, QStringLiteral("ms"), 244, 30, 20, 17, true));

    Rajz = new ScopeSurface(w);
    Rajz->move(4, 92);

    // Scope controls (bottom row)
    Be = button(w, QStringLiteral("Start"), QStringLiteral("Start of Scope"),
                QRect(4, kButtonRowY, kButtonWidth, kButtonHeight));
    Ki = button(w, QStringLiteral("Stop"), QStringLiteral("Stop Sample"),
                QRect(80, kButtonRowY, kButtonWidth, kButtonHeight));
    Triger_be = button(w, QStringLiteral("Triger on"), QStringLiteral("Use Triger mode"),
                       QRect(156, kButtonRowY, kButtonWidth, kButtonHeight));
    Triger_ki = button(w, QStringLiteral("Triger off"), QStringLiteral("Disamble Triger Mode"),
                       QRect(232, kButtonRowY, kButtonWidth, kButtonHeight));
    Mentes = button(w, QStringLiteral("Save"), QStringLiteral("Save Graphics"),
                    QRect(308, kButtonRowY, kButtonWidth, kButtonHeight));
    Betolt = button(w, QStringLiteral("Load"), QStringLiteral("Load Graphics"),
                    QRect(384, kButtonRowY, kButtonWidth, kButtonHeight));

    Frame1 = frame(w, QStringLiteral("Color"), QRect(456, 608, 149, 41));
    Frame1->setToolTip(QStringLiteral("Select used color"));
    const int colourX[] = {8, 44, 80, 116};
    const char* colourCss[] = {"rgb(255,255,0)", "rgb(255,0,0)", "rgb(0,0,0)", "rgb(255,0,255)"};
    for (int i = 0; i < 4; ++i) {
        auto* option = new QRadioButton(Frame1);
        option->setGeometry(colourX[i], 16, 29, 17);
        option->setAutoFillBackground(true);
        option->setStyleSheet(
            QStringLiteral("QRadioButton { background-color: %1; }").arg(colourCss[i]));
        Szin.set(i, option);
    }
    Szin(0)->setChecked(true);

    // Console and chip area (right side)
    Portok = new QComboBox(w);
    Portok->setEditable(true);
    Portok->setGeometry(612, 16, 85, 21);
    Portok->setEditText(QStringLiteral("Combo1"));
    Portok->setToolTip(QStringLiteral("Select Communication Port"));
    Portok->setInsertPolicy(QComboBox::NoInsert);
    Portok->setMaxVisibleItems(16);

    Label4.set(12, caption(w, QStringLiteral("PID Frequency:"), 708, 6, 90));
    MX.set(5, valueBox(w, 800, 6, kWideValueBoxWidth));
    MX(5)->setText(QStringLiteral("???"));
    Label4.set(13, caption(w, QStringLiteral("Hz"), 860, 6, 24, 17, true));

    PID = button(w, QStringLiteral("Detect"), QStringLiteral("PID Frequency detect"),
                 QRect(704, 28, 177, 21));
    Command1 = button(w, QStringLiteral("Registers"), QStringLiteral("List of Registers"),
                      QRect(612, 56, 85, 29));
    Spec = button(w, QStringLiteral("Special "), QStringLiteral("List of Special Commands"),
                  QRect(704, 56, 85, 29));
    Ment = button(w, QStringLiteral("Save"), QStringLiteral("Save of Registers field"),
                  QRect(796, 56, 85, 29));

    auto* kdsp = new QLabel(QStringLiteral("KDSP"), w);
    kdsp->setGeometry(889, 56, 62, 28);
    QFont serifMark(QStringLiteral("DejaVu Serif"));
    serifMark.setPointSizeF(18);
    serifMark.setBold(true);
    serifMark.setItalic(true);
    kdsp->setFont(serifMark);
    Label1.set(1, kdsp);

    Picture1 = new QLabel(w);
    Picture1->setGeometry(892, 4, 57, 43);

    Text = new ConsoleView(w);
    Text->setGeometry(612, 92, 341, 513);

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
