// SPDX-License-Identifier: GPL-3.0-or-later
// The console's text without a view: the character cap with whole-line trimming, and wrapping
// into rows at a width.

#include "core/console/ConsoleBuffer.h"
#include "support/CoreSetup.h"

#include <QTest>

class TestConsoleBuffer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void capDropsWholeOldestLines_data()
    {
        QTest::addColumn<int>("lineWidth");
        QTest::addColumn<bool>("oneCharacterAtATime");
        QTest::newRow("short lines appended whole") << 70 << false;
        QTest::newRow("short lines appended one character at a time") << 70 << true;
        QTest::newRow("long lines appended whole") << 40000 << false;
    }
    void capDropsWholeOldestLines()
    {
        QFETCH(int, lineWidth);
        QFETCH(bool, oneCharacterAtATime);
        ConsoleBuffer buffer;
        QString all;
        for (int n = 0; all.size() < ConsoleBuffer::kMaxChars * 5 / 2; ++n) {
            const QString line = lineOf(n, lineWidth) + QStringLiteral("\r\n");
            all += line;
            if (oneCharacterAtATime) {
                for (const QChar c : line)
                    buffer.append(QStringView(&c, 1));
            } else {
                buffer.append(line);
            }
            QVERIFY(buffer.length() <= ConsoleBuffer::kMaxChars);
        }
        const QString kept = buffer.text();
        QVERIFY(all.endsWith(kept));
        // What went was whole lines: what is kept starts right after a CR LF.
        const qsizetype cut = all.size() - kept.size();
        QVERIFY(cut > 0);
        QCOMPARE(all.mid(cut - 2, 2), QStringLiteral("\r\n"));
        // Not much more than one chunk below the cap.
        QVERIFY(kept.size() >=
                ConsoleBuffer::kMaxChars - ConsoleBuffer::kTrimChunk - lineWidth - 2);
        QCOMPARE(buffer.firstChar(), cut);
        // Lines are still found correctly after trimming.
        QCOMPARE(buffer.line(0).toString(), kept.left(lineWidth));
        QCOMPARE(buffer.lineCount(), kept.count(QStringLiteral("\r\n")) + 1);
    }

    void aSingleLineLongerThanTheCapLosesItsOldestCharacters()
    {
        ConsoleBuffer buffer(50);
        buffer.append(u"head\r\n");
        QString all = QStringLiteral("head\r\n");
        QString chunk;
        for (int i = 0; i < 1000; ++i)
            chunk += QChar(u'a' + i % 26);
        while (all.size() < ConsoleBuffer::kMaxChars + 3 * ConsoleBuffer::kTrimChunk) {
            buffer.append(chunk);
            all += chunk;
            QVERIFY(buffer.length() <= ConsoleBuffer::kMaxChars);
        }
        QVERIFY(all.endsWith(buffer.text()));
        QCOMPARE(buffer.lineCount(), 1);
        QVERIFY(!buffer.text().contains(QStringLiteral("head")));
        QCOMPARE(buffer.rowCount(), (buffer.length() + 49) / 50);
    }

    void linesWrapIntoRows_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("a line shorter than the width is one row") << "abc" << QStringList{"abc"};
        QTest::newRow("a line of exactly the width is one row")
            << "abcdefghij" << QStringList{"abcdefghij"};
        QTest::newRow("a longer line wraps at the width")
            << "abcdefghijklmnopqrstuvwxy" << QStringList{"abcdefghij", "klmnopqrst", "uvwxy"};
        QTest::newRow("an empty line still takes a row")
            << "a\r\n\r\nb" << QStringList{"a", "", "b"};
        QTest::newRow("the CR LF is not shown in a full row")
            << "abcdefghij\r\nk" << QStringList{"abcdefghij", "k"};
        QTest::newRow("a CR waiting for its LF is shown in the line for now")
            << "abcdefghij\r" << QStringList{"abcdefghij", "\r"};
        QTest::newRow("a line breaks after the last space that fits")
            << "tracking error limit" << QStringList{"tracking ", "error ", "limit"};
        QTest::newRow("a space just past the width stays on its row")
            << "the quick brown fox" << QStringList{"the quick ", "brown fox"};
        QTest::newRow("spaces at a break beyond the width are not shown")
            << "abcdefghij   klm" << QStringList{"abcdefghij", "klm"};
        QTest::newRow("a word longer than a row breaks at the width")
            << "ab feedforwardgain" << QStringList{"ab ", "feedforwar", "dgain"};
        QTest::newRow("a CR that ends its line takes back the row it started")
            << "abcd efghi\r\nk" << QStringList{"abcd efghi", "k"};
    }
    void linesWrapIntoRows()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, rows);
        // Whole, a character at a time as the chip sends, and wrapped again after a resize.
        ConsoleBuffer whole(10);
        whole.append(text);
        ConsoleBuffer byCharacter(10);
        for (const QChar c : text)
            byCharacter.append(QStringView(&c, 1));
        ConsoleBuffer resized(3);
        resized.append(text);
        resized.setColumns(10);
        for (const ConsoleBuffer* buffer : {&whole, &byCharacter, &resized}) {
            QStringList seen;
            for (qsizetype r = 0; r < buffer->rowCount(); ++r) {
                const ConsoleBuffer::Row row = buffer->row(r);
                seen << buffer->text().mid(row.start, row.length);
                QCOMPARE(buffer->rowOfOffset(row.start), r);
            }
            QCOMPARE(seen, rows);
            QCOMPARE(buffer->text(), text);
        }
    }

    void changingTheWidthRecountsTheRows()
    {
        ConsoleBuffer buffer(10);
        buffer.append(u"0123456789012345678901234\r\nabc\r\n");
        QCOMPARE(buffer.rowCount(), 3 + 1 + 1);
        buffer.setColumns(5);
        QCOMPARE(buffer.rowCount(), 5 + 1 + 1);
        QCOMPARE(buffer.text().mid(buffer.row(5).start, buffer.row(5).length),
                 QStringLiteral("abc"));
        buffer.append(u"0123456");
        QCOMPARE(buffer.rowCount(), 5 + 1 + 2);
    }
};

QTEST_GUILESS_MAIN(TestConsoleBuffer)
#include "tst_consolebuffer.moc"
