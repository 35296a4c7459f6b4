// SPDX-License-Identifier: GPL-3.0-or-later
// The kdsp-sim program on a real pseudo-terminal, opened the way the program opens a serial
// port: raw, non-blocking. Covers what only the running program can get wrong: the path on the
// first line, pacing on the wire, surviving the port being closed and reopened, vanishing,
// the device link, and how it ends.
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kStartTimeoutMs = 5000;
constexpr int kFinishTimeoutMs = 3000;
constexpr int kBlock = 300;
const QByteArray kScopeStopped("Scope stopped\r\n");

// One running kdsp-sim; stopped again when the test leaves.
class Simulator
{
public:
    ~Simulator()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(kFinishTimeoutMs);
        }
    }

    bool start(const QStringList& arguments)
    {
        m_process.setProgram(QStringLiteral(KDSP_SIM_PATH));
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        QDeadlineTimer deadline(kStartTimeoutMs);
        while (!m_process.canReadLine() && !deadline.hasExpired()) {
            if (!m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
                break;
            }
        }
        if (!m_process.canReadLine()) {
            return false;
        }
        m_devicePath = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        return m_devicePath.startsWith(QLatin1Char('/'));
    }

    QProcess& process() { return m_process; }
    const QString& devicePath() const { return m_devicePath; }

    // Processor time the simulator has used so far, in clock ticks.
    long cpuTicks() const
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(m_process.processId()));
        if (!stat.open(QIODevice::ReadOnly)) {
            return -1;
        }
        // Fields after the command name, which ends with ')': utime and stime are 12th and 13th.
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        return fields.value(11).toLong() + fields.value(12).toLong();
    }

private:
    QProcess m_process;
    QString m_devicePath;
};

// The slave side, opened like a serial port at 115200 8N1, raw.
class Port
{
public:
    ~Port() { close(); }

    bool open(const QString& path)
    {
        close();
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios settings{};
        if (m_fd < 0 || ::tcgetattr(m_fd, &settings) != 0) {
            return false;
        }
        ::cfmakeraw(&settings);
        ::cfsetspeed(&settings, B115200);
        return ::tcsetattr(m_fd, TCSANOW, &settings) == 0 && ::tcflush(m_fd, TCIOFLUSH) == 0;
    }

    void close()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

    bool send(const QByteArray& bytes) const
    {
        return ::write(m_fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    }

    // Reads until `enough` bytes have come, `timeoutMs` has passed, or the line hangs up.
    QByteArray read(int timeoutMs, qsizetype enough = -1)
    {
        QByteArray got;
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired() && (enough < 0 || got.size() < enough) && !m_hungUp) {
            pollfd pfd{m_fd, POLLIN, 0};
            if (::poll(&pfd, 1, static_cast<int>(deadline.remainingTime())) <= 0) {
                continue;
            }
            char buffer[65536];
            const ssize_t count = ::read(m_fd, buffer, sizeof buffer);
            if (count > 0) {
                got.append(buffer, count);
            } else if (count == 0 || errno == EIO) {
                m_hungUp = true;
            }
        }
        return got;
    }

    bool hungUp() const { return m_hungUp; }

private:
    int m_fd = -1;
    bool m_hungUp = false;
};

// A simulator started with some arguments and its line opened: where most tests begin.
struct SimulatorOnLine
{
    bool start(const QStringList& args) { return sim.start(args) && port.open(sim.devicePath()); }
    Simulator sim;
    Port port; // closed before the simulator stops
};

} // namespace

class TestKdspSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void timingQuery_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("minDelayMs");

        QTest::newRow("the default digit comes back in seven bytes")
            << QStringList() << QByteArray("J11004\r") << 0;
        QTest::newRow("a chosen digit comes back as the sixth byte")
            << QStringList{"--timing-digit", "9"} << QByteArray("J11009\r") << 0;
        QTest::newRow("a raw reply is sent byte for byte, NUL and 0xFF included")
            << QStringList{"--timing-reply=00ff0d"} << QByteArray("\x00\xff\r", 3) << 0;
        QTest::newRow("a slow chip answers the same, only later")
            << QStringList{"--slow-ms", "300"} << QByteArray("J11004\r") << 280;
    }

    void timingQuery()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, expected);
        QFETCH(int, minDelayMs);

        SimulatorOnLine line;
        QVERIFY(line.start(arguments));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(line.port.send("J1100\r"));
        QByteArray answer = line.port.read(2000, expected.size());
        QVERIFY(clock.elapsed() >= minDelayMs);
        answer += line.port.read(150);
        QCOMPARE(answer, expected);
    }

    void blockStream_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<double>("minBlocksPerSecond");
        QTest::addColumn<double>("maxBlocksPerSecond");

        QTest::newRow("paced blocks come at the line rate of about 38 a second")
            << QStringList() << 25.0 << 50.0;
        QTest::newRow("unpaced blocks come as fast as they are read")
            << QStringList{"--unpaced"} << 200.0 << 1e9;
        QTest::newRow("blocks in 5.5 ms chunks still come at the line rate")
            << QStringList{"--chunk-ms", "5.5"} << 25.0 << 42.0;
    }

    // Whole blocks at the expected rate; after q only the stop line, then silence.
    void blockStream()
    {
        QFETCH(QStringList, arguments);
        QFETCH(double, minBlocksPerSecond);
        QFETCH(double, maxBlocksPerSecond);

        SimulatorOnLine line;
        QVERIFY(line.start(arguments));
        QVERIFY(line.port.send("J1000\r"));
        QByteArray stream = line.port.read(1000, 1);
        QVERIFY(!stream.isEmpty());
        const qsizetype firstRead = stream.size();
        QElapsedTimer clock;
        clock.start();
        stream += line.port.read(1000);
        const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
        const double rate = static_cast<double>(stream.size() - firstRead) / kBlock / seconds;
        QVERIFY2(rate >= minBlocksPerSecond && rate <= maxBlocksPerSecond,
                 qPrintable(QString::number(rate)));

        QVERIFY(line.port.send("q\r"));
        stream += line.port.read(500);
        QVERIFY(stream.endsWith(kScopeStopped));
        QCOMPARE((stream.size() - kScopeStopped.size()) % kBlock, 0);
        QVERIFY(line.port.read(300).isEmpty());
    }

    // Lines of the register listing at the line rate, in chunks of the period, for as long as
    // the line is open; a command still gets its answer between two lines.
    void textStream()
    {
        SimulatorOnLine line;
        QVERIFY(line.start({"--text-stream", "--chunk-ms", "5.5"}));
        QByteArray text = line.port.read(1000, 1);
        QElapsedTimer clock;
        clock.start();
        int reads = 0;
        while (clock.elapsed() < 1500) {
            const QByteArray chunk = line.port.read(50, 1);
            text += chunk;
            reads += chunk.isEmpty() ? 0 : 1;
        }
        const double rate = static_cast<double>(text.size()) / (clock.elapsed() / 1000.0);
        // Never above the line rate; below it only by what a busy machine makes the reader miss.
        QVERIFY2(rate > 11520 * 0.75 && rate < 11520 * 1.05, qPrintable(QString::number(rate)));
        // Chunks of about 63 bytes (a busy machine splits or joins some), not single bytes and
        // not whole listings.
        const double perRead = static_cast<double>(text.size()) / std::max(reads, 1);
        QVERIFY2(perRead > 20 && perRead < 200, qPrintable(QString::number(perRead)));
        QVERIFY(text.startsWith("KDSP register listing\r\n"));
        QCOMPARE(text.count("KDSP register listing\r\n"), text.count("0x00  CTRL"));
        QVERIFY(text.count("KDSP register listing\r\n") >= 20);

        // The answer comes between two lines of the stream, which goes on after it. A busy
        // machine may let the simulator take the command late, so the reader waits for it.
        QVERIFY(line.port.send("J1100\r"));
        QByteArray more = line.port.read(300);
        for (int waited = 300; !more.contains("J11004\r") && waited < 3000; waited += 300)
            more += line.port.read(300);
        const QByteArray stream = text + more;
        const qsizetype answer = stream.indexOf("J11004\r", text.size());
        QVERIFY2(
            answer >= 2 && stream.mid(answer - 2, 2) == "\r\n",
            stream.mid(std::max<qsizetype>(0, answer - 40), 60).toPercentEncoding().constData());
        QVERIFY(more.size() > 2000);
    }

    void reopenedPortStillWorks()
    {
        SimulatorOnLine line;
        QVERIFY(line.start({}));
        QVERIFY(line.port.send("J1000\r"));
        QCOMPARE(line.port.read(1000, kBlock).size(), kBlock);
        line.port.close();

        // With nobody on the line the simulator must wait, not spin.
        const long ticksBefore = line.sim.cpuTicks();
        QTest::qWait(1000);
        const long ticksClosed = line.sim.cpuTicks() - ticksBefore;
        QVERIFY2(ticksBefore >= 0 && ticksClosed < sysconf(_SC_CLK_TCK) / 5,
                 qPrintable(QString::number(ticksClosed)));
        QCOMPARE(line.sim.process().state(), QProcess::Running);

        // The stream kept running while the port was closed.
        QVERIFY(line.port.open(line.sim.devicePath()));
        QVERIFY(line.port.read(500).size() >= 5 * kBlock);
        QVERIFY(line.port.send("q\r"));
        QVERIFY(line.port.read(300).endsWith(kScopeStopped));
        QVERIFY(line.port.send("J1100\r"));
        QCOMPARE(line.port.read(1000, 7) + line.port.read(100), QByteArray("J11004\r"));
    }

    // The device disappears after the blocks asked for; the open port sees a hang-up.
    void vanishingDevice()
    {
        SimulatorOnLine line;
        QVERIFY(line.start({"--vanish-after", "3"}));
        QVERIFY(line.port.send("J1000\r"));
        const QByteArray got = line.port.read(3000);
        QVERIFY(line.port.hungUp());
        QCOMPARE(got.size(), 3 * kBlock);
        QVERIFY(line.sim.process().waitForFinished(kFinishTimeoutMs));
        QCOMPARE(line.sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(line.sim.process().exitCode(), 0);
    }

    void deviceLink_data()
    {
        QTest::addColumn<int>("stopSignal");
        QTest::newRow("the link goes when SIGTERM ends the simulator") << int(SIGTERM);
        QTest::newRow("the link goes when SIGINT ends the simulator") << int(SIGINT);
    }

    void deviceLink()
    {
        QFETCH(int, stopSignal);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString link = dir.filePath(QStringLiteral("kdsp"));
        Simulator sim;
        QVERIFY(sim.start({"--link", link}));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(QFileInfo(link).symLinkTarget(), sim.devicePath());

        Port port;
        QVERIFY(port.open(link));
        QVERIFY(port.send("J1100\r"));
        QCOMPARE(port.read(1000, 7), QByteArray("J11004\r"));

        QCOMPARE(::kill(static_cast<pid_t>(sim.process().processId()), stopSignal), 0);
        QVERIFY(sim.process().waitForFinished(kFinishTimeoutMs));
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");

        QTest::newRow("help lists the options and succeeds") << QStringList{"--help"} << 0;
        QTest::newRow("version is printed and succeeds") << QStringList{"--version"} << 0;
        QTest::newRow("an unknown option is refused") << QStringList{"--bogus"} << 2;
        QTest::newRow("a drop rate above 1000 per mille is refused")
            << QStringList{"--drop-permille", "1001"} << 2;
        QTest::newRow("a timing reply that is not hex is refused")
            << QStringList{"--timing-reply", "0g"} << 2;
        QTest::newRow("a chunk period of 0 is refused") << QStringList{"--chunk-ms", "0"} << 2;
        QTest::newRow("a chunk period that is no number is refused")
            << QStringList{"--chunk-ms=5,5"} << 2;
        QTest::newRow("a paced text stream cannot be unpaced")
            << QStringList{"--text-stream", "--unpaced"} << 2;
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);

        QProcess process;
        process.start(QStringLiteral(KDSP_SIM_PATH), arguments);
        QVERIFY(process.waitForFinished(kFinishTimeoutMs));
        QCOMPARE(process.exitCode(), exitCode);
        if (arguments == QStringList{"--version"}) {
            const QByteArray firstLine = process.readAllStandardOutput().split('\n').first();
            QCOMPARE(firstLine, QByteArray("kdsp-sim " TREVALON_VERSION));
        } else if (exitCode == 0) {
            const QString help = QString::fromLocal8Bit(process.readAllStandardOutput());
            for (const char* option :
                 {"--timing-digit", "--timing-reply", "--unpaced", "--mute", "--slow-ms",
                  "--drop-permille", "--vanish-after", "--link", "--seed", "--verbose",
                  "--chunk-ms", "--text-stream"}) {
                QVERIFY2(help.contains(QLatin1String(option)), option);
            }
        } else {
            QVERIFY(process.readAllStandardOutput().isEmpty());
            QVERIFY(!process.readAllStandardError().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestKdspSim)
#include "tst_kdspsim.moc"
