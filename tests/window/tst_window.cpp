// SPDX-License-Identifier: GPL-3.0-or-later
// The loaded window as the user meets it: every control by name with its caption, tooltip and
// place, the start values, the menus, and that nothing is disabled, hidden or focused in a way
// that would talk to the chip on its own. What it looks like: tst_windowlook.

#include "window/Fo.h"
#include "window/CommandLine.h"
#include "window/ConsoleView.h"
#include "window/ScopeSurface.h"
#include "support/WindowFixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>

namespace {

// A control by the name the handlers use: "Be", "MX(5)", "Label4(12)".
QWidget* control(Fo& fo, const QString& name)
{
    static const QRegularExpression indexed(QStringLiteral("^(\\w+)\\((\\d+)\\)$"));
    if (const auto m = indexed.match(name); m.hasMatch()) {
        const QString array = m.captured(1);
        const int i = m.captured(2).toInt();
        if (array == QLatin1String("MX"))
            return fo.MX(i);
        if (array == QLatin1String("Gr"))
            return fo.Gr(i);
        if (array == QLatin1String("Label1"))
            return fo.Label1(i);
        if (array == QLatin1String("Label4"))
            return fo.Label4(i);
        if (array == QLatin1String("Szin"))
            return fo.Szin(i);
        return nullptr;
    }
    const QHash<QString, QWidget*> single{
        {"LED1", fo.LED1},       {"Frame1", fo.Frame1},       {"Frame2", fo.Frame2},
        {"Frame3", fo.Frame3},   {"Rajz", fo.Rajz},           {"Be", fo.Be},
        {"Ki", fo.Ki},           {"Triger_be", fo.Triger_be}, {"Triger_ki", fo.Triger_ki},
        {"Mentes", fo.Mentes},   {"Betolt", fo.Betolt},       {"Portok", fo.Portok},
        {"PID", fo.PID},         {"Command1", fo.Command1},   {"Spec", fo.Spec},
        {"Ment", fo.Ment},       {"Picture1", fo.Picture1},   {"Text", fo.Text},
        {"Command", fo.Command},
    };
    return single.value(name);
}

QStringList allControlNames()
{
    QStringList names{"LED1",    "Frame1",    "Frame2",    "Frame3",   "Rajz",     "Be",
                      "Ki",      "Triger_be", "Triger_ki", "Mentes",   "Betolt",   "Portok",
                      "PID",     "Command1",  "Spec",      "Ment",     "Picture1", "Text",
                      "Command", "Gr(2)",     "Label1(0)", "Label1(1)"};
    for (int i = 0; i <= 13; ++i)
        names << QStringLiteral("Label4(%1)").arg(i);
    for (int i = 0; i <= 5; ++i)
        names << QStringLiteral("MX(%1)").arg(i);
    for (int i = 0; i <= 3; ++i)
        names << QStringLiteral("Szin(%1)").arg(i);
    return names;
}

// Where a control sits: in the client area, or in its frame for controls inside one.
QRect placeOf(Fo& fo, QWidget* widget)
{
    QWidget* container = widget->parentWidget();
    if (container != fo.centralWidget() && qobject_cast<QGroupBox*>(container) == nullptr)
        return QRect();
    return widget->geometry();
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void titleAndClientArea()
    {
        WindowFixture f;
        QCOMPARE(f.fo.windowTitle(), QStringLiteral("Kestrum Trevalon V 1. 2. 1"));
        QCOMPARE(f.fo.centralWidget()->size(), QSize(956, 651));
        QCOMPARE(f.fo.minimumSize(), f.fo.maximumSize()); // fixed: the layout does not move
        showAndWait(f.fo);
        QCOMPARE(f.fo.centralWidget()->y(), f.fo.menuBar()->geometry().bottom() + 1);
        // The status line adds its height below the client area, which keeps its own.
        QCOMPARE(f.fo.statusBar()->y(), f.fo.centralWidget()->geometry().bottom() + 1);
        QCOMPARE(f.fo.height(), f.fo.menuBar()->height() + 651 + Fo::kStatusLineHeight);
    }

    void windowCarriesAnIconInBothSizes()
    {
        WindowFixture f;
        const QList<QSize> sizes = f.fo.windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(32, 32)));
        QCOMPARE(f.fo.Picture1->pixmap().size(), QSize(55, 41));
    }

    void controlsCarryTheirCaptionsAndTooltips_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("tooltip");
        const auto row = [](const char* name, const QString& caption, const char* tip = "") {
            QTest::addRow("%s reads \"%s\"", name, qPrintable(caption))
                << QString::fromLatin1(name) << caption << QString::fromLatin1(tip);
        };
        row("Label1(0)", "Tracking Error Monitor:");
        row("Label1(1)", "KDSP");
        row("Frame2", "Pointer:");
        row("Frame3", "Marked:", "Marked pointers");
        row("Frame1", "Color", "Select used color");
        row("Be", "Start", "Start of Scope");
        row("Ki", "Stop", "Stop Sample");
        row("Triger_be", "Triger on", "Use Triger mode");
        row("Triger_ki", "Triger off", "Disamble Triger Mode");
        row("Mentes", "Save", "Save Graphics");
        row("Betolt", "Load", "Load Graphics");
        row("PID", "Detect", "PID Frequency detect");
        row("Command1", "Registers", "List of Registers");
        row("Spec", "Special ", "List of Special Commands");
        row("Ment", "Save", "Save of Registers field");
        row("Portok", "", "Select Communication Port");
        row("Command", "", "Command field");
        row("Label4(0)", "Time:");
        row("Label4(1)", "Level:");
        row("Label4(2)", "Time Grid:");
        row("Label4(3)", "ms");
        row("Label4(4)", "Encoder step");
        row("Label4(5)", "ms");
        row("Label4(6)", "Start:");
        row("Label4(7)", "End:");
        row("Label4(8)", "Width:");
        row("Label4(9)", "ms");
        row("Label4(10)", "ms");
        row("Label4(11)", "ms");
        row("Label4(12)", "PID Frequency:");
        row("Label4(13)", "Hz");
        row("LED1", "");
        for (int i = 0; i < 4; ++i)
            row(qPrintable(QStringLiteral("Szin(%1)").arg(i)), "");
    }
    void controlsCarryTheirCaptionsAndTooltips()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, tooltip);
        WindowFixture f;
        QWidget* widget = control(f.fo, name);
        QVERIFY(widget);
        QCOMPARE(captionOf(widget), caption);
        QCOMPARE(widget->toolTip(), tooltip);
    }

    void keyControlsSitWhereTheLayoutPutsThem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("place");
        const auto row = [](const char* name, QRect place) {
            QTest::addRow("%s at %d,%d size %dx%d", name, place.x(), place.y(), place.width(),
                          place.height())
                << QString::fromLatin1(name) << place;
        };
        row("Rajz", QRect(4, 92, 600, 512));
        row("Text", QRect(612, 92, 341, 513));
        row("Command", QRect(612, 616, 341, 29));
        row("LED1", QRect(184, 2, 17, 17));
        row("Frame2", QRect(4, 24, 297, 65));
        row("Frame3", QRect(308, 24, 297, 65));
        row("Frame1", QRect(456, 608, 149, 41));
        row("Be", QRect(4, 616, 65, 29));
        row("Ki", QRect(80, 616, 65, 29));
        row("Triger_be", QRect(156, 616, 65, 29));
        row("Triger_ki", QRect(232, 616, 65, 29));
        row("Mentes", QRect(308, 616, 65, 29));
        row("Betolt", QRect(384, 616, 65, 29));
        row("PID", QRect(704, 28, 177, 21));
        row("Command1", QRect(612, 56, 85, 29));
        row("Spec", QRect(704, 56, 85, 29));
        row("Ment", QRect(796, 56, 85, 29));
        row("MX(5)", QRect(800, 6, 57, 17));
        row("Picture1", QRect(892, 4, 57, 43));
        for (int i = 0; i < 4; ++i)
            row(qPrintable(QStringLiteral("Szin(%1)").arg(i)), QRect(8 + 36 * i, 16, 29, 17));
    }
    void keyControlsSitWhereTheLayoutPutsThem()
    {
        QFETCH(QString, name);
        QFETCH(QRect, place);
        WindowFixture f;
        QWidget* widget = control(f.fo, name);
        QVERIFY(widget);
        QCOMPARE(placeOf(f.fo, widget), place);
    }

    void valueBoxesAreInTheirFramesAtTheirSize()
    {
        WindowFixture f;
        const QList<QPair<QLabel*, QGroupBox*>> boxes{
            {f.fo.Gr(2), f.fo.Frame2}, {f.fo.MX(0), f.fo.Frame2}, {f.fo.MX(1), f.fo.Frame2},
            {f.fo.MX(2), f.fo.Frame3}, {f.fo.MX(3), f.fo.Frame3}, {f.fo.MX(4), f.fo.Frame3}};
        for (const auto& [box, frame] : boxes) {
            QCOMPARE(box->parentWidget(), frame);
            QCOMPARE(box->size(), QSize(41, 17));
            QVERIFY(frame->rect().contains(box->geometry()));
        }
        for (int i = 0; i < 4; ++i)
            QCOMPARE(f.fo.Szin(i)->parentWidget(), f.fo.Frame1);
    }

    void startValues()
    {
        WindowFixture f;
        for (int i = 0; i <= 4; ++i)
            QCOMPARE(f.fo.MX(i)->text(), QString());
        QCOMPARE(f.fo.MX(5)->text(), QStringLiteral("???"));
        QCOMPARE(f.fo.Gr(2)->text(), QString());
        QVERIFY(f.fo.Szin(0)->isChecked());
        for (int i = 1; i < 4; ++i)
            QVERIFY(!f.fo.Szin(i)->isChecked());
        QCOMPARE(f.fo.lampColour(), 255);
        QCOMPARE(f.fo.Command->backColour(), 12632319);
        QCOMPARE(f.fo.Text->text(), QString());
        QCOMPARE(f.fo.Portok->count(), 255);
        for (int i = 0; i < 255; ++i)
            QCOMPARE(f.fo.Portok->itemText(i), QStringLiteral("Comm  %1").arg(i + 1));
        QVERIFY(f.fo.Portok->isEditable());
    }

    void noControlIsDisabledOrHidden()
    {
        WindowFixture f;
        for (const QString& name : allControlNames()) {
            QWidget* widget = control(f.fo, name);
            QVERIFY2(widget, qPrintable(name));
            QVERIFY2(widget->isEnabled(), qPrintable(name));
            QVERIFY2(widget->isVisibleTo(&f.fo), qPrintable(name));
        }
    }

    void menusHoldEveryItemInOrder()
    {
        WindowFixture f;
        Fo& fo = f.fo;
        const QList<QAction*> bar = fo.menuBar()->actions();
        QCOMPARE(bar.size(), 2);
        QCOMPARE(bar[0]->menu(), fo.SC);
        QCOMPARE(bar[1]->menu(), fo.HL);
        QCOMPARE(fo.SC->title(), QStringLiteral("KDSP Special Config"));
        QCOMPARE(fo.HL->title(), QStringLiteral("Help"));

        const QList<QPair<QAction*, QString>> sc{
            {fo.SF, "State of Fuses"},
            {fo.V0, ""},
            {fo.TP100, QStringLiteral("Thermo protection on 100\u00B0C")},
            {fo.TP80, QStringLiteral("Thermo protection on 80\u00B0C")},
            {fo.TP60, QStringLiteral("Thermo protection on 60\u00B0C (default)")},
            {fo.V1, ""},
            {fo.MPoff, "Motor protection off (Temporary)"},
            {fo.V2, ""},
            {fo.SLF, "Soft limit with Fault signal (default)"},
            {fo.SLF_off, "Soft limit without Fault signal"},
            {fo.V3, ""},
            {fo.DCM, "PWM is DC Mode (default)"},
            {fo.ACM, "PWM is AC Mode"},
        };
        QCOMPARE(fo.SC->actions().size(), sc.size());
        for (int i = 0; i < sc.size(); ++i) {
            QAction* item = fo.SC->actions().at(i);
            QCOMPARE(item, sc[i].first);
            QCOMPARE(item->isSeparator(), sc[i].second.isEmpty());
            QCOMPARE(item->text(), sc[i].second);
        }
        QCOMPARE(fo.HL->actions(), QList<QAction*>{fo.AS});
        QCOMPARE(fo.AS->text(), QStringLiteral("About Trevalon"));

        for (QAction* item : fo.SC->actions() + fo.HL->actions()) {
            QVERIFY2(!item->isCheckable(), qPrintable(item->text()));
            QVERIFY2(item->shortcut().isEmpty(), qPrintable(item->text()));
            QVERIFY2(item->isEnabled() && item->isVisible(), qPrintable(item->text()));
        }
    }

    void onlyTheUnitCaptionsAreItalic_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("italic");
        const QList<int> unitCaptions{3, 4, 5, 9, 10, 11, 13};
        for (int i = 0; i <= 13; ++i) {
            const bool italic = unitCaptions.contains(i);
            QTest::addRow("Label4(%d) is %s", i, italic ? "italic" : "upright") << i << italic;
        }
    }
    void onlyTheUnitCaptionsAreItalic()
    {
        QFETCH(int, index);
        QFETCH(bool, italic);
        WindowFixture f;
        QCOMPARE(f.fo.Label4(index)->font().italic(), italic);
    }

    void openingTheWindowLeavesTheChipAlone()
    {
        // The command line must not start with the focus: entering it sends the stop command.
        WindowFixture f;
        f.fo.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.fo));
        WindowFixture::settle();
        QVERIFY(!f.fo.Command->hasFocus());
        QCOMPARE(f.fo.Command->backColour(), 12632319);
        QVERIFY(f.comm.writes.isEmpty());
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
