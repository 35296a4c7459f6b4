// SPDX-License-Identifier: GPL-3.0-or-later
// The register listings of two runs compared line by line: only the lines that differ, side by
// side, with their line numbers, whatever the line ends.

#include "core/runs/ListingDiff.h"

#include <QtTest>

using Rows = QList<ListingDiff::Row>;
Q_DECLARE_METATYPE(Rows)

class TestListingDiff : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void differences_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<Rows>("expected");
        const QString listing = QStringLiteral("KP 100\r\nKI 3\r\nKD 40\r\n");
        QTest::newRow("alike listings have no difference") << listing << listing << Rows{};
        QTest::newRow("line ends alone make no difference")
            << listing << QStringLiteral("KP 100\nKI 3\nKD 40") << Rows{};
        QTest::newRow("a changed line stands beside its old self")
            << listing << QStringLiteral("KP 120\r\nKI 3\r\nKD 40\r\n")
            << Rows{{1, QStringLiteral("KP 100"), 1, QStringLiteral("KP 120")}};
        QTest::newRow("a line only in the second listing has nothing beside it")
            << listing << QStringLiteral("KP 100\r\nKI 3\r\nFF 2\r\nKD 40\r\n")
            << Rows{{0, QString(), 3, QStringLiteral("FF 2")}};
        QTest::newRow("a line gone from the second listing has nothing beside it")
            << listing << QStringLiteral("KP 100\r\nKD 40\r\n")
            << Rows{{2, QStringLiteral("KI 3"), 0, QString()}};
        QTest::newRow("changes apart are each shown with their own line numbers")
            << listing << QStringLiteral("KP 90\r\nKI 3\r\nKD 45\r\n")
            << Rows{{1, QStringLiteral("KP 100"), 1, QStringLiteral("KP 90")},
                    {3, QStringLiteral("KD 40"), 3, QStringLiteral("KD 45")}};
        QTest::newRow("an empty listing against one with lines shows them all")
            << QString() << QStringLiteral("KP 1\r\nKI 2")
            << Rows{{0, QString(), 1, QStringLiteral("KP 1")},
                    {0, QString(), 2, QStringLiteral("KI 2")}};
    }
    void differences()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(Rows, expected);
        const Rows rows = ListingDiff::differences(a, b);
        QCOMPARE(rows.size(), expected.size());
        for (qsizetype r = 0; r < rows.size(); ++r) {
            QCOMPARE(rows[r].lineA, expected[r].lineA);
            QCOMPARE(rows[r].a, expected[r].a);
            QCOMPARE(rows[r].lineB, expected[r].lineB);
            QCOMPARE(rows[r].b, expected[r].b);
        }
    }

    void aListingBeyondTheLimitIsComparedUpToIt()
    {
        QString a;
        QString b;
        for (qsizetype line = 0; line < ListingDiff::kMaxLines + 5; ++line) {
            a += QStringLiteral("R%1 0\r\n").arg(line);
            b += QStringLiteral("R%1 %2\r\n").arg(line).arg(line < ListingDiff::kMaxLines ? 0 : 1);
        }
        QVERIFY(ListingDiff::differences(a, b).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestListingDiff)
#include "tst_listingdiff.moc"
