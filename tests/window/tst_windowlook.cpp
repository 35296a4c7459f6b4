// SPDX-License-Identifier: GPL-3.0-or-later
// What the loaded window looks like: no caption cut off and no controls overlapping, the
// colours of the value boxes, options, lamp, console, command line and scope, and the text
// written on the form's own surface staying behind the controls.

#include "window/Fo.h"
#include "window/QtDialogs.h"
#include "window/ValueBox.h"
#include "window/CommandLine.h"
#include "window/ConsoleView.h"
#include "window/ScopeSurface.h"
#include "window/StatusText.h"
#include "support/WindowFixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>
#include <QTest>
#include <QTimer>

namespace {

// A control as a failure names it: its caption, or its class where it shows none.
QString nameOf(QWidget* widget)
{
    return captionOf(widget, QString::fromLatin1(widget->metaObject()->className()));
}

// How wide a text really is in a font, italic overhang included.
int inkWidth(const QFontMetrics& metrics, const QString& text)
{
    return qMax(metrics.horizontalAdvance(text), metrics.boundingRect(text).right() + 1);
}

int darkPixels(const QImage& image, QRect area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += qGray(image.pixel(x, y)) < 100 ? 1 : 0;
    }
    return count;
}

QColor pixelOf(QWidget* widget, QPoint at)
{
    return widget->grab().toImage().pixelColor(at);
}

void verifyNoCaptionIsCutOff(WindowFixture& f)
{
    for (QLabel* label : f.fo.centralWidget()->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || qobject_cast<ValueBox*>(label))
            continue; // value boxes are checked by what they show
        const QFontMetrics metrics(label->font());
        QVERIFY2(inkWidth(metrics, label->text()) <= label->contentsRect().width(),
                 qPrintable(label->text()));
        QVERIFY2(metrics.height() <= label->contentsRect().height(), qPrintable(label->text()));
    }
    for (QPushButton* button : f.fo.centralWidget()->findChildren<QPushButton*>()) {
        const QFontMetrics metrics(button->font());
        const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
        QVERIFY2(metrics.horizontalAdvance(button->text()) + 2 * frame + 4 <= button->width(),
                 qPrintable(button->text()));
    }
    for (QGroupBox* box : f.fo.centralWidget()->findChildren<QGroupBox*>()) {
        QVERIFY(QFontMetrics(box->font()).horizontalAdvance(box->title()) < box->width());
    }
    // The widest port entry fits the port field.
    const QString widest = f.fo.Portok->itemText(254);
    QVERIFY2(QFontMetrics(f.fo.Portok->font()).horizontalAdvance(widest) <=
                 f.fo.Portok->lineEdit()->width() - 2,
             qPrintable(QString::number(f.fo.Portok->lineEdit()->width())));
    // No two controls on the client area overlap.
    const QList<QWidget*> top =
        f.fo.centralWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (int i = 0; i < top.size(); ++i) {
        for (int j = i + 1; j < top.size(); ++j) {
            QVERIFY2(!top[i]->geometry().intersects(top[j]->geometry()),
                     qPrintable(nameOf(top[i]) + QLatin1String(" / ") + nameOf(top[j])));
        }
    }
}

} // namespace

class TestWindowLook : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void longReadoutsFitTheirBoxes_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("value");
        QTest::newRow("the longest pointer time, 300 samples at digit 9") << 0 << "1288.58";
        QTest::newRow("a time dragged far left of the surface") << 0 << "-1288.58";
        QTest::newRow("a level far below the surface") << 1 << "-1000";
        QTest::newRow("a marker time") << 2 << "1288.58";
        QTest::newRow("the highest PID frequency") << 5 << "10476.69";
    }

    void longReadoutsFitTheirBoxes()
    {
        QFETCH(int, box);
        QFETCH(QString, value);
        WindowFixture f;
        auto* readout = qobject_cast<ValueBox*>(f.fo.MX(box));
        QVERIFY(readout);
        readout->setText(value);
        QVERIFY(QFontMetrics(readout->fittedFont()).horizontalAdvance(value) <=
                readout->textWidth());
        // Short values keep the box's own font.
        readout->setText(QStringLiteral("1.91"));
        QCOMPARE(readout->fittedFont().pointSizeF(), readout->font().pointSizeF());
    }

    void noCaptionIsCutOff()
    {
        WindowFixture f;
        showAndWait(f.fo);
        verifyNoCaptionIsCutOff(f);
    }

    void captionsFitWhenTheMachineGivesAWiderFace()
    {
        // A machine without the faces asked for substitutes others, which may run wider: here
        // every caption gets a bold face larger than the one asked for.
        WindowFixture f;
        QList<QWidget*> captions;
        for (QLabel* label : f.fo.centralWidget()->findChildren<QLabel*>()) {
            if (!label->text().isEmpty() && !qobject_cast<ValueBox*>(label))
                captions << label;
        }
        for (QPushButton* button : f.fo.centralWidget()->findChildren<QPushButton*>())
            captions << button;
        for (QGroupBox* box : f.fo.centralWidget()->findChildren<QGroupBox*>())
            captions << box;
        captions << f.fo.Portok;
        for (QWidget* caption : captions) {
            QFont wider(QStringLiteral("DejaVu Sans"));
            wider.setPointSizeF(caption->font().pointSizeF() * 1.25);
            wider.setBold(true);
            caption->setFont(wider);
        }
        showAndWait(f.fo);
        verifyNoCaptionIsCutOff(f);
    }

    void theLampSaysItsStateInWords()
    {
        WindowFixture f;
        QAccessibleInterface* lamp = QAccessible::queryAccessibleInterface(f.fo.LED1);
        QVERIFY(lamp);
        QCOMPARE(lamp->text(QAccessible::Description), QStringLiteral("idle"));
        CoreInsides::setLampColour(f.fo.core(), 65280);
        QCOMPARE(lamp->text(QAccessible::Description), QStringLiteral("receiving"));
        CoreInsides::setLampColour(f.fo.core(), 255);
        QCOMPARE(lamp->text(QAccessible::Description), QStringLiteral("idle"));
    }

    void messageBoxesShowTheirTextAsPlainText()
    {
        // A file name that looks like markup is shown as it is, line break included.
        QWidget parent;
        QtDialogs dialogs(&parent);
        const QString text = QStringLiteral("\"<b>x.bmp\" this exist!\r\nOver write?");
        QString shownText;
        Qt::TextFormat shownFormat = Qt::AutoText;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            shownText = box->text();
            shownFormat = box->textFormat();
            box->button(QMessageBox::Cancel)->click();
        });
        QCOMPARE(dialogs.message(text, MsgIcon::Question, MsgButtons::OkCancel), MsgAnswer::Cancel);
        QCOMPARE(shownFormat, Qt::PlainText);
        QCOMPARE(shownText, QStringLiteral("\"<b>x.bmp\" this exist!\nOver write?"));
    }

    void lookOfTheControlsAtStart()
    {
        WindowFixture f;
        showAndWait(f.fo);
        // Value boxes: dark blue inside a black line, the text white and to the right.
        QLabel* pid = f.fo.MX(5);
        const QImage box = pid->grab().toImage();
        QCOMPARE(box.pixelColor(0, 0), QColor(Qt::black));
        QCOMPARE(box.pixelColor(3, box.height() / 2), QColor(0, 0, 192));
        int whiteLeft = 0;
        int whiteRight = 0;
        for (int y = 0; y < box.height(); ++y) {
            for (int x = 0; x < box.width(); ++x) {
                if (qGray(box.pixel(x, y)) > 200)
                    (x < box.width() / 2 ? whiteLeft : whiteRight) += 1;
            }
        }
        QCOMPARE(whiteLeft, 0);
        QVERIFY(whiteRight > 5);
        // The colour options show their colours.
        const QColor colours[] = {Qt::yellow, Qt::red, Qt::black, Qt::magenta};
        for (int i = 0; i < 4; ++i) {
            QRadioButton* option = f.fo.Szin(i);
            QCOMPARE(pixelOf(option, QPoint(option->width() - 3, option->height() / 2)),
                     colours[i]);
        }
        QCOMPARE(pixelOf(f.fo.LED1, QPoint(8, 8)), QColor(255, 0, 0));
        QCOMPARE(pixelOf(f.fo.Command, QPoint(f.fo.Command->width() - 20, 14)),
                 QColor(255, 192, 192));
        QCOMPARE(pixelOf(f.fo.Text->viewport(), QPoint(100, 100)), QColor(255, 255, 192));
        // The scope shows its graticule: background and the solid centre line.
        QCOMPARE(pixelOf(f.fo.Rajz, QPoint(50, 30)), QColor(64, 0, 255));
        QCOMPARE(pixelOf(f.fo.Rajz, QPoint(51, 255)), QColor(132, 107, 209));
    }

    void formTextIsWrittenLineByLineBehindTheControls()
    {
        WindowFixture f;
        showAndWait(f.fo);
        QWidget* surface = f.fo.centralWidget();
        const int lineHeight = QFontMetrics(surface->font()).height();
        const QRect firstLine(0, 0, 60, lineHeight);
        const QRect secondLine(0, lineHeight, 60, qMin(lineHeight, f.fo.Frame2->y() - lineHeight));
        // Inside Frame2, between its two rows, where lines 4 and 5 would show if it let them.
        const QRect underFrame = QRect(10, f.fo.Frame2->y() + 36, 50, 5);
        const QImage blank = surface->grab().toImage();
        QCOMPARE(darkPixels(blank, firstLine), 0);

        f.fo.printOnForm(QStringLiteral("8020"));
        QCoreApplication::processEvents();
        const QImage one = surface->grab().toImage();
        QVERIFY(darkPixels(one, firstLine) > 10);
        QCOMPARE(darkPixels(one, secondLine), 0);

        for (int i = 0; i < 8; ++i)
            f.fo.printOnForm(QStringLiteral("8018"));
        QCoreApplication::processEvents();
        const QImage many = surface->grab().toImage();
        QVERIFY(darkPixels(many, secondLine) > 5);
        QCOMPARE(darkPixels(many, underFrame), darkPixels(blank, underFrame));
        QCOMPARE(f.fo.formTexts().size(), 9);
        QCOMPARE(f.fo.formTexts().constFirst(), QStringLiteral("8020"));
    }

    void statusLineShowsWhereItIsCut_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("cut");
        QTest::newRow("a text that fits")
            << "the simulated KDSP chip on Comm 1; idle; recording to /tmp/x.csv.gz (0 blocks)"
            << false;
        QTest::newRow("the live figures and a recording")
            << "the simulated KDSP chip on Comm 1; receiving blocks, 35.9 a second; last block "
               "peak 52, RMS 15.05; last move settled in 227.2 ms, 54 % overshoot; recording to "
               "/home/engineer/recordings/axis-2.csv.gz (1234 blocks)"
            << true;
    }

    void statusLineShowsWhereItIsCut()
    {
        QFETCH(QString, text);
        QFETCH(bool, cut);
        WindowFixture f;
        showAndWait(f.fo);
        auto* line = f.fo.statusBar()->findChild<StatusText*>();
        QVERIFY(line);
        line->showText(text);
        QCOMPARE(line->text().endsWith(QChar(0x2026)), cut);
        QCOMPARE(line->text() == text, !cut);
        QVERIFY(line->fontMetrics().horizontalAdvance(line->text()) + line->indent() <=
                line->contentsRect().width());
        QCOMPARE(line->toolTip(), cut ? text : QString());
        // A screen reader is given the whole text, cut or not.
        QCOMPARE(QAccessible::queryAccessibleInterface(line)->text(QAccessible::Name), text);
    }
};

QTEST_MAIN(TestWindowLook)
#include "tst_windowlook.moc"
