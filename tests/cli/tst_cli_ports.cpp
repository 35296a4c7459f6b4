// SPDX-License-Identifier: GPL-3.0-or-later
// `trevalon-cli ports` against a [Ports] map of the test's own pseudo-terminals: a free one (the
// stored choice), a device that is not there, one held by another program, and one this user may
// not open (as an unprivileged user where the suite runs as root). Each says so, the JSON parses,
// and not a byte reaches any of them.

#include "CliRun.h"

#include "core/link/PtyPeers.h"

#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPort>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kFree = 101;
constexpr int kMissing = 102;
constexpr int kHeld = 103;
constexpr int kLocked = 104;
const QString kMissingDevice = QStringLiteral("/nonexistent/ttyTrevalon");
const QString kUnprivilegedUser = QStringLiteral("nobody");

QJsonObject entryFor(const QJsonArray& ports, int number)
{
    for (const QJsonValue& port : ports)
        if (port["number"].toInt() == number)
            return port.toObject();
    return {};
}

QByteArray lineFor(const QByteArray& text, int number)
{
    for (const QByteArray& line : text.split('\n'))
        if (line.contains("Comm  " + QByteArray::number(number) + " "))
            return line;
    return {};
}
} // namespace

class TestCliPorts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachPortSaysWhatStandsInItsWay();
};

void TestCliPorts::eachPortSaysWhatStandsInItsWay()
{
    OwnPty free;
    OwnPty held;
    OwnPty locked;
    QVERIFY(!free.slavePath().isEmpty() && !held.slavePath().isEmpty() &&
            !locked.slavePath().isEmpty());
    QSerialPort holder(held.slavePath());
    QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
    // Root may open anything: then only another user shows a device closed to its user.
    const bool asRoot = ::geteuid() == 0;
    QCOMPARE(::chmod(QFile::encodeName(locked.slavePath()).constData(), asRoot ? 0600 : 0), 0);

    CliProgram program;
    QString settings = QStringLiteral("[Setup]\nPort=%1\n[Ports]\n").arg(kFree - 1);
    for (const auto& [number, device] : {std::pair{kFree, free.slavePath()},
                                         {kMissing, kMissingDevice},
                                         {kHeld, held.slavePath()},
                                         {kLocked, locked.slavePath()}})
        settings += QStringLiteral("%1=%2\n").arg(number).arg(device);
    QVERIFY(QDir().mkpath(QFileInfo(program.settingsFile()).path()));
    QVERIFY(TestFiles::writeFile(program.settingsFile(), settings.toUtf8()));
    program.start({"ports"});
    const CliResult text = program.finish();
    QCOMPARE(text.status, 0);
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
    const QList<QPair<int, QByteArray>> says{
        {kFree, "*  Comm  101  " + free.slavePath().toUtf8() + "  [Ports]  usable"},
        {kMissing, "missing"},
        {kHeld, "held by process " + pid},
        {kLocked, asRoot ? QByteArray("usable") : QByteArray("no access: ")}};
    for (const auto& [number, what] : says)
        QVERIFY2(lineFor(text.out, number).contains(what), text.out.constData());
    QVERIFY(!lineFor(text.out, kMissing).startsWith("*"));

    program.start({"ports", "--json"});
    const CliResult json = program.finish();
    QCOMPARE(json.status, 0);
    QCOMPARE(
        entryFor(QJsonDocument::fromJson(json.out).array(), kHeld)["held_by"][0]["pid"].toInteger(),
        pid.toLongLong());
    if (!asRoot)
        QVERIFY(lineFor(text.out, kLocked).contains("dialout"));
    for (const OwnPty* line : {&free, &held, &locked})
        QVERIFY2(line->takeReceived().isEmpty(), qPrintable(line->slavePath()));
    if (!asRoot)
        return;

    // The same map read by an unprivileged user: the settings must be readable to it.
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        QSKIP("setpriv is missing: the device closed to its user is not checked as root");
    for (QString folder = QFileInfo(program.settingsFile()).path();
         folder.startsWith(QDir::tempPath()) && folder != QDir::tempPath();
         folder = QFileInfo(folder).path())
        QFile::setPermissions(folder,
                              QFile::permissions(folder) | QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(program.settingsFile(),
                          QFile::permissions(program.settingsFile()) | QFile::ReadOther);
    program.process().start(setpriv, {"--reuid=" + kUnprivilegedUser, "--regid=nogroup",
                                      "--clear-groups", TREVALON_CLI_PATH, "ports"});
    const CliResult unprivileged = program.finish();
    if (unprivileged.status != 0)
        QSKIP(qPrintable("trevalon-cli could not run as " + kUnprivilegedUser + ": " +
                         QString::fromLocal8Bit(unprivileged.err)));
    const QByteArray closed = lineFor(unprivileged.out, kLocked);
    QVERIFY2(closed.contains("no access: ") && closed.contains("dialout"), closed.constData());
    QVERIFY(locked.takeReceived().isEmpty());
}

QTEST_GUILESS_MAIN(TestCliPorts)
#include "tst_cli_ports.moc"
