// The trace colour buttons: which colour each chooses, that a choice does nothing else, and that
// it reaches the next block plotted.

#include "core/scope/ScopeControl.h"
#include "window/ScopeSurface.h"
#include "core/scope/TraceColour.h"
#include "support/WindowFixture.h"

#include <QRadioButton>
#include <QtTest>

namespace {
constexpr double kUnchosen = 12345; // a colour no button gives
}

class TestTraceColour : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aClickSetsTheColourAndNothingElse_data();
    void aClickSetsTheColourAndNothingElse();
    void theButtonsOnTheWindowChooseTheirColours();
    void aClickAnywhereOnASwatchChoosesIt_data();
    void aClickAnywhereOnASwatchChoosesIt();
    void aColourChosenWhileRunningDrawsTheNextBlock();
};

void TestTraceColour::aClickSetsTheColourAndNothingElse_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("colour");
    QTest::newRow("the first button chooses yellow") << 0 << 65535.0;
    QTest::newRow("the second button chooses red") << 1 << 255.0;
    QTest::newRow("the third button chooses black") << 2 << 0.0;
    QTest::newRow("the fourth button chooses magenta") << 3 << 16711935.0;
    QTest::newRow("an index below the buttons changes nothing") << -1 << kUnchosen;
    QTest::newRow("an index past the buttons changes nothing") << 4 << kUnchosen;
}

void TestTraceColour::aClickSetsTheColourAndNothingElse()
{
    QFETCH(int, index);
    QFETCH(double, colour);

    WindowFixture w;
    w.fo.state.traceColour = kUnchosen;
    w.fo.state.sampleBlock.entry[1] = 50;

    w.fo.traceColour().Szin_Click(index);

    QCOMPARE(w.fo.state.traceColour, colour);
    // Nothing is sent and nothing is redrawn, although a block is held.
    QVERIFY(w.comm.log.isEmpty());
    const QImage& layer = w.fo.Rajz->picture().drawingLayer();
    QCOMPARE(layer, [&] {
        QImage empty(layer.size(), layer.format());
        empty.fill(Qt::transparent);
        return empty;
    }());
}

void TestTraceColour::theButtonsOnTheWindowChooseTheirColours()
{
    WindowFixture w;
    // Right to left, so every click changes the colour.
    const QList<double> colours{65535, 255, 0, 16711935};
    for (int i = int(colours.size()) - 1; i >= 0; --i) {
        w.fo.Szin(i)->click();
        QCOMPARE(w.fo.state.traceColour, colours[i]);
    }
}

void TestTraceColour::aClickAnywhereOnASwatchChoosesIt_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("colour");
    QTest::addColumn<QPoint>("where"); // from the swatch's right edge and vertical middle

    QTest::newRow("the middle of the red swatch") << 1 << 255.0 << QPoint(-14, 0);
    QTest::newRow("the right end of the black swatch") << 2 << 0.0 << QPoint(-2, 0);
    QTest::newRow("the bottom right corner of the magenta swatch") << 3 << 16711935.0 << QPoint(-1, 8);
}

void TestTraceColour::aClickAnywhereOnASwatchChoosesIt()
{
    QFETCH(int, index);
    QFETCH(double, colour);
    QFETCH(QPoint, where);

    WindowFixture w;
    QRadioButton* option = w.fo.Szin(index);
    const QPoint at(option->width() - 1 + where.x(), option->height() / 2 + where.y());
    QVERIFY(option->rect().contains(at));
    QTest::mouseClick(option, Qt::LeftButton, Qt::NoModifier, at);

    QVERIFY(option->isChecked());
    QVERIFY(!w.fo.Szin(0)->isChecked());
    QCOMPARE(w.fo.state.traceColour, colour);
}

void TestTraceColour::aColourChosenWhileRunningDrawsTheNextBlock()
{
    WindowFixture w;
    Fo& fo = w.fo;
    fo.scope().Be_Click();
    fo.traceColour().Szin_Click(1);

    constexpr quint8 kLevel = 128; // on the zero line, y 255
    QVERIFY(w.comm.portOpen());
    w.comm.receive(QByteArray(kBlockSize, char(kLevel)));
    WindowFixture::settle();

    QCOMPARE(fo.state.sampleBlock.entry[1].value_or(0), kLevel);
    QCOMPARE(fo.Rajz->picture().drawingLayer().pixel(300, 255), qRgb(255, 0, 0));
}

QTEST_MAIN(TestTraceColour)
#include "tst_tracecolour.moc"
