// SPDX-License-Identifier: GPL-3.0-or-later
// The per-user settings file: where it lives, that the stored port text survives the round trip
// with its leading blank, the [Ports] map, and start-up over damaged files.

#include "core/SettingsStore.h"
#include "core/link/PortMap.h"
#include "core/shell/Shell.h"
#include "support/CoreFixture.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class SettingsStoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void storedTextRoundTripsInTheUsersConfigFolder();
    void portsSectionOverridesDefaults();
    void defaultDevices_data();
    void defaultDevices();
    void startUpSurvivesDamagedFile_data();
    void startUpSurvivesDamagedFile();

private:
    QString configFile() const { return home_.path() + "/Trevalon/Trevalon.conf"; }
    QTemporaryDir home_;
};

void SettingsStoreTest::initTestCase()
{
    QVERIFY(home_.isValid());
    // Must be set before the first QSettings is made: Qt reads it once.
    qputenv("XDG_CONFIG_HOME", home_.path().toLocal8Bit());
}

void SettingsStoreTest::init() { QFile::remove(configFile()); }

void SettingsStoreTest::storedTextRoundTripsInTheUsersConfigFolder()
{
    SettingsStore store;
    store.saveSetting("Trevalon", "Setup", "Port", " 12");
    QVERIFY(QFile::exists(configFile()));
    QCOMPARE(store.getSetting("Trevalon", "Setup", "Port", "0"), QStringLiteral(" 12"));
    QCOMPARE(store.getSetting("Trevalon", "Setup", "Absent", "0"), QStringLiteral("0"));
}

void SettingsStoreTest::portsSectionOverridesDefaults()
{
    QFile file(configFile());
    QDir().mkpath(QFileInfo(file).path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Ports]\n3=/dev/ttyUSB0\n200=/dev/serial/by-id/kdsp\n7=ttyACM2\n9=\n");
    file.close();
    SettingsStore store;
    PortMap map(&store);
    QCOMPARE(map.devicePath(3), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(map.devicePath(200), QStringLiteral("/dev/serial/by-id/kdsp"));
    QCOMPARE(map.devicePath(4), QStringLiteral("/dev/ttyS3"));
    QCOMPARE(map.devicePath(7), QStringLiteral("/dev/ttyACM2")); // a bare name lives in /dev
    QCOMPARE(map.devicePath(9), QStringLiteral("/dev/ttyS8"));   // an empty entry maps nothing
    map.setRunOverride(3, "/dev/pts/9");
    QCOMPARE(map.devicePath(3), QStringLiteral("/dev/pts/9"));
}

void SettingsStoreTest::defaultDevices_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("device");
    QTest::newRow("0 reaches nothing") << 0 << "";
    QTest::newRow("1 is the first serial port") << 1 << "/dev/ttyS0";
    QTest::newRow("32 is the last serial port") << 32 << "/dev/ttyS31";
    QTest::newRow("33 is the first USB adapter") << 33 << "/dev/ttyUSB0";
    QTest::newRow("64 is the last USB adapter") << 64 << "/dev/ttyUSB31";
    QTest::newRow("65 is the first ACM device") << 65 << "/dev/ttyACM0";
    QTest::newRow("96 is the last ACM device") << 96 << "/dev/ttyACM31";
    QTest::newRow("97 has no default") << 97 << "";
    QTest::newRow("255 has no default") << 255 << "";
}

void SettingsStoreTest::defaultDevices()
{
    QFETCH(int, number);
    QFETCH(QString, device);
    QCOMPARE(PortMap(nullptr).devicePath(number), device);
}

void SettingsStoreTest::startUpSurvivesDamagedFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("position");
    QTest::newRow("an empty file chooses port 1") << QByteArray() << 0;
    static const char garbage[] = "\x00\xff\xfe[[[\x01\x02=\n\x80\x81";
    QTest::newRow("binary garbage chooses port 1")
        << QByteArray(garbage, sizeof garbage - 1) << 0;
    QTest::newRow("an out-of-range port selects nothing") << QByteArray("[Setup]\nPort=900\n") << -1;
    QTest::newRow("a list value reads as its first number") << QByteArray("[Setup]\nPort=5, 6\n") << 5;
}

void SettingsStoreTest::startUpSurvivesDamagedFile()
{
    QFETCH(QByteArray, content);
    QFETCH(int, position);
    QFile file(configFile());
    QDir().mkpath(QFileInfo(file).path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    FakeComm comm;
    ScriptedDialogs dialogs;
    SettingsStore store;
    RecordedImages images;
    Core core(comm, dialogs, store, images);
    QSignalSpy listFilled(&core, &Core::portListFilled);
    core.startUp();
    QCOMPARE(core.portPosition(), position);
    // The port list is shown with that position chosen.
    QCOMPARE(listFilled.count(), 1);
    QCOMPARE(listFilled.at(0).at(1).toInt(), position);
    QVERIFY(dialogs.shown.isEmpty());
}

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "tst_settingsstore.moc"
